#include <gtest/gtest.h>
#include <stdlib.h>

#include "update/osdescription.h"
#include "update/siteaddress.h"
#include "update/updatesites.h"
#include "update/uuriencode.h"

namespace quillon {
namespace {

TEST(URIEncodeTest, KeepsTheUnreservedSetAndEncodesEveryOtherByteOfTheUtf8) {
  EXPECT_EQ(URIEncode("a b"), "a%20b");
  EXPECT_EQ(URIEncode("x/y?z"), "x%2Fy%3Fz");
  EXPECT_EQ(URIEncode("A-Z_a.z~0"), "A-Z_a.z~0");
  EXPECT_EQ(URIEncode("\xC3\xA4"), "%C3%A4");  // ä
  EXPECT_EQ(URIEncode("  Granularity: 4096"), "%20%20Granularity%3A%204096");
  EXPECT_EQ(URIEncode(std::string("a\0&=+%", 6)), "a%00%26%3D%2B%25");
}

TEST(SiteTest, AcceptsHttpsAnywhereAndPlainHttpOnlyOnThisMachine) {
  EXPECT_EQ(NormalisedSite("https://Example.COM/"), "https://example.com");
  EXPECT_EQ(NormalisedSite("https://example.com:8443"), "https://example.com:8443");
  EXPECT_EQ(NormalisedSite("http://127.0.0.1:8123"), "http://127.0.0.1:8123");
  EXPECT_EQ(NormalisedSite("http://localhost:1"), "http://localhost:1");
  EXPECT_EQ(NormalisedSite("http://[::1]:5"), "http://[::1]:5");
  for (const char* refused :
       {"http://example.com", "http://127.0.0.1.example.com", "ftp://example.com", "example.com",
        "https://example.com/sub", "https://user@example.com", "https://example.com/?q=1",
        "https://", "", "javascript:alert(1)"})
    EXPECT_EQ(NormalisedSite(refused), "") << refused;
}

TEST(SiteTest, SplitUrlGivesHostAndDecodedPath) {
  TUrlParts parts = SplitUrl("https://www.example.com/a%20b/quillon.xml?x=1");
  ASSERT_TRUE(parts.valid);
  EXPECT_EQ(parts.host, "www.example.com");
  EXPECT_EQ(parts.path, "/a b/quillon.xml");
  EXPECT_EQ(SiteOrigin(parts), "https://www.example.com");
  EXPECT_FALSE(SplitUrl("https://" + std::string(300, 'h') + ".com/").valid);
  EXPECT_FALSE(SplitUrl("not an address").valid);
}

TEST(SiteTest, TheEnvironmentOverridesTheBuiltSites) {
  setenv("QUILLON_PRODUCT_SITE", "http://127.0.0.1:8123", 1);
  setenv("QUILLON_EVENTS_SITE", "http://events.example.com", 1);
  setenv("QUILLON_MAKER_SITE", "https://maker.example.com/", 1);
  TUpdateSites sites = DeploymentSites();
  EXPECT_EQ(sites.product, "http://127.0.0.1:8123");
  EXPECT_EQ(sites.events, "");  // plain http away from this machine
  EXPECT_EQ(sites.maker, "https://maker.example.com");
  setenv("QUILLON_MAKER_SITE", "https://maker.example.com/tools/", 1);
  EXPECT_EQ(DeploymentSites().maker, "");  // a base address names no path
  unsetenv("QUILLON_PRODUCT_SITE");
  unsetenv("QUILLON_EVENTS_SITE");
  unsetenv("QUILLON_MAKER_SITE");
  EXPECT_EQ(DeploymentSites().product, NormalisedSite(QUILLON_BUILT_PRODUCT_SITE));
  EXPECT_EQ(DeploymentSites().maker, NormalisedSite(QUILLON_BUILT_MAKER_SITE));
}

TEST(OperatingSystemTest, NamesTheDistributionKernelBuildAndEdition) {
  const std::string osRelease =
      "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n";
  EXPECT_EQ(
      DescribeOperatingSystem(osRelease, "6.1.0-18-amd64", "#1 SMP PREEMPT_DYNAMIC", "x86_64"),
      "Debian GNU/Linux 12 (bookworm) (Version 6.1, Build 1, 64-bit Edition)");
  EXPECT_EQ(DescribeOperatingSystem("NAME=Alpine\n", "5.15.7", "SMP", "i686"),
            "Alpine (Version 5.15, Build 7, 32-bit Edition)");
  EXPECT_EQ(DescribeOperatingSystem("", "", "", ""),
            "Linux (Version 0.0, Build 0, 32-bit Edition)");
  std::string running = OperatingSystemDescription();
  EXPECT_NE(running.find(" (Version "), std::string::npos) << running;
}

}  // namespace
}  // namespace quillon

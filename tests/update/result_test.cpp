#include <gtest/gtest.h>

#include "fakes.h"
#include "update/checkpad5.h"
#include "update/getversion.h"
#include "update/versioncompare.h"

namespace quillon {
namespace {

TEST(IsNewerVersionTest, WeighsFourPartsAndNeedsADotInBoth) {
  EXPECT_EQ(IsNewerVersion("2.1.4.0", "2.1.3.5"), true);  // 2010400 > 2010305
  EXPECT_EQ(IsNewerVersion("2.1.3.5", "2.1.3.5"), false);
  EXPECT_EQ(IsNewerVersion("1.100.0.0", "2.0.0.0"), false);  // both weigh 2000000
  EXPECT_EQ(IsNewerVersion("3", "2.1.3.5"), false);
  EXPECT_EQ(IsNewerVersion("3.0.0.0", "2"), false);
  EXPECT_EQ(IsNewerVersion("5.0", "2.1.3.5"), std::nullopt);  // the seventh entry is missing
  EXPECT_EQ(IsNewerVersion("2.x.0.0", "2.1.3.5"), std::nullopt);
  EXPECT_EQ(IsNewerVersion("2.1.4.-1", "2.1.3.5"), std::nullopt);
}

TEST(IsNewerVersionTest, OnlyFourPlainNumbersAreAWellFormedVersion) {
  EXPECT_TRUE(IsWellFormedVersion("2.1.4.0"));
  for (const char* malformed : {"5.0", "2.1.4.0.1", "2.1.4.", "2.1.4.0 x", "+2.1.4.0",
                                "Internal Server Error.", "1234567890.0.0.0", ""})
    EXPECT_FALSE(IsWellFormedVersion(malformed)) << malformed;
}

TEST(GetVersionInfoTest, IsTheBuildsVersionInFourNumbers) {
  std::string version;
  EXPECT_TRUE(GetVersionInfo(version));
  EXPECT_TRUE(IsWellFormedVersion(version)) << version;
  EXPECT_EQ(TVersionCheck(80003).Version, version);
}

class ShowCheckResultTest : public ::testing::Test {
 protected:
  ShowCheckResultTest() {
    checker.Configure({"https://www.example.com", "", ""});
    checker.Version = "2.1.3.5";
  }
  test::TInstalledRecorders recorders;
  TVersionCheck checker{80003};
};

TEST_F(ShowCheckResultTest, ANewerVersionAsksAndOpensTheProductPage) {
  ShowCheckResult(checker, "2.1.4.0");
  ASSERT_EQ(recorders.boxes.asked.size(), 1u);
  EXPECT_EQ(recorders.boxes.asked[0],
            "There is a new version 2.1.4.0 of this program\navailable at www.example.com\n"
            "Do you want to download it now?");
  EXPECT_EQ(recorders.opener.opened, std::vector<std::string>{"https://www.example.com/"});
  EXPECT_TRUE(recorders.boxes.shown.empty());
}

TEST_F(ShowCheckResultTest, NoOpensNothing) {
  recorders.boxes.answer = false;
  ShowCheckResult(checker, "2.1.4.0");
  EXPECT_EQ(recorders.boxes.asked.size(), 1u);
  EXPECT_TRUE(recorders.opener.opened.empty());
}

TEST_F(ShowCheckResultTest, TheCurrentVersionIsConfirmedOnlyWhenAskedFor) {
  ShowCheckResult(checker, "2.1.3.5");
  EXPECT_EQ(
      recorders.boxes.shown,
      std::vector<std::string>{"You already have the latest version 2.1.3.5 of this program"});
  checker.ShowUpToDate = false;
  ShowCheckResult(checker, "2.1.3.5");
  EXPECT_EQ(recorders.boxes.shown.size(), 1u);
  ShowCheckResult(checker, "2.1.4.0");  // the start-up check still offers a newer version
  EXPECT_EQ(recorders.boxes.asked.size(), 1u);
}

TEST_F(ShowCheckResultTest, AnythingButAVersionNumberEndsQuietly) {
  for (const char* answer : {"5.0", "Internal Server Error", "<html>Not found.</html>",
                             "9.0.0.0 https://elsewhere.example/quillon.exe", "9.0.0.0.1"})
    ShowCheckResult(checker, answer);
  checker.VersionKnown = false;
  ShowCheckResult(checker, "9.0.0.0");
  EXPECT_TRUE(recorders.boxes.asked.empty());
  EXPECT_TRUE(recorders.boxes.shown.empty());
  EXPECT_TRUE(recorders.opener.opened.empty());
}

TEST_F(ShowCheckResultTest, AnInstallerAddressOffTheProductSiteIsNeverOpened) {
  for (const char* elsewhere :
       {"https://elsewhere.example/quillon.exe", "http://www.example.com/quillon.exe",
        "https://www.example.com:444/quillon.exe", "https://user@www.example.com/quillon.exe",
        "file:///tmp/quillon.exe", ""}) {
    checker.DownloadUrl = elsewhere;
    ShowCheckResult(checker, "9.0.0.0");
  }
  EXPECT_EQ(recorders.boxes.asked.size(), 6u);
  EXPECT_TRUE(recorders.opener.opened.empty());
  EXPECT_TRUE(IsProductSiteAddress("http://127.0.0.1:8123/quillon.exe",
                                   "http://127.0.0.1:8123/quillon.xml"));
}

}  // namespace
}  // namespace quillon

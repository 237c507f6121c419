#include "update/updatesites.h"

#include <cstdio>
#include <cstdlib>

#include "update/siteaddress.h"

namespace quillon {

namespace {
std::string ConfiguredSite(const char* name, const char* built) {
  const char* overridden = std::getenv(name);
  std::string address = overridden ? overridden : built;
  if (address.empty()) return "";
  std::string site = NormalisedSite(address);
  if (site.empty())
    std::fprintf(stderr, "%s: \"%s\" is not an https address; nothing is sent there.\n", name,
                 address.c_str());
  return site;
}
}  // namespace

std::string NormalisedSite(const std::string& address) {
  TUrlParts parts = SplitUrl(address);
  if (!IsAcceptedSite(parts) || parts.hasUserOrQuery || parts.path != "/") return "";
  return SiteOrigin(parts);
}

TUpdateSites DeploymentSites() {
  return {ConfiguredSite("QUILLON_PRODUCT_SITE", QUILLON_PRODUCT_SITE),
          ConfiguredSite("QUILLON_EVENTS_SITE", QUILLON_EVENTS_SITE),
          ConfiguredSite("QUILLON_MAKER_SITE", QUILLON_MAKER_SITE)};
}

}  // namespace quillon

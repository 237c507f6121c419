#pragma once

#include <string>

namespace quillon {

// The deployment's sites as base addresses (scheme://host[:port]); empty when none.
struct TUpdateSites {
  std::string product;  // the version file and the installer
  std::string events;   // event reports
  std::string maker;    // the maker's pages: the companion tools and the advanced edition
};

// The build's QUILLON_PRODUCT_SITE, QUILLON_EVENTS_SITE and QUILLON_MAKER_SITE, each replaced by
// the environment variable of the same name when that is set. A site that is not acceptable is left
// empty, with a note on stderr.
TUpdateSites DeploymentSites();

// The base address scheme://host[:port] of an https address (or an http one on this machine)
// that names no path beyond "/", no user and no query; empty otherwise.
std::string NormalisedSite(const std::string& address);

}  // namespace quillon

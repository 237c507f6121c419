#pragma once

#include <string>

namespace quillon {

// The parts of a web address that requests use. valid is false when the address cannot be
// parsed, has no host, or its host or path is longer than addresses here ever are.
struct TUrlParts {
  bool valid = false;
  std::string scheme;           // lower case
  std::string host;             // an IPv6 address keeps its brackets
  std::string port;             // empty when the address names none
  std::string path;             // escape sequences decoded; "/" at least
  bool hasUserOrQuery = false;  // user, password, query or fragment present
};

TUrlParts SplitUrl(const std::string& address);

// scheme://host[:port] of parsed parts.
std::string SiteOrigin(const TUrlParts& parts);

// localhost, 127.0.0.0/8 or [::1].
bool IsLoopbackHost(const std::string& host);

// Whether requests may go to these parts: https anywhere, plain http only on this machine.
bool IsAcceptedSite(const TUrlParts& parts);

}  // namespace quillon

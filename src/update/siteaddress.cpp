#include "update/siteaddress.h"

#include <arpa/inet.h>

#include <memory>

#include "update/curlapi.h"

namespace quillon {

namespace {
constexpr size_t kMaxHost = 255;
constexpr size_t kMaxPath = 2047;

struct TUrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

// The part, or nullopt-like empty with present = false when the address lacks it.
std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags, bool* present = nullptr) {
  char* text = nullptr;
  bool found = curl_url_get(url, part, &text, flags) == CURLUE_OK;
  if (present) *present = found;
  std::string value = found && text ? text : "";
  curl_free(text);
  return value;
}

std::string Lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}
}  // namespace

TUrlParts SplitUrl(const std::string& address) {
  TUrlParts parts;
  // An empty address is none (the unconfigured sites at every start-up) without loading
  // libcurl; without libcurl no address is valid, and so nothing is requested.
  if (address.empty() || !CurlApi()) return parts;
  std::unique_ptr<CURLU, TUrlDeleter> url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) return parts;
  parts.scheme = Lowered(UrlPart(url.get(), CURLUPART_SCHEME, 0));
  parts.host = Lowered(UrlPart(url.get(), CURLUPART_HOST, 0));
  parts.port = UrlPart(url.get(), CURLUPART_PORT, 0);
  parts.path = UrlPart(url.get(), CURLUPART_PATH, CURLU_URLDECODE);
  bool user = false, password = false, query = false, fragment = false;
  UrlPart(url.get(), CURLUPART_USER, 0, &user);
  UrlPart(url.get(), CURLUPART_PASSWORD, 0, &password);
  UrlPart(url.get(), CURLUPART_QUERY, 0, &query);
  UrlPart(url.get(), CURLUPART_FRAGMENT, 0, &fragment);
  parts.hasUserOrQuery = user || password || query || fragment;
  if (parts.path.empty()) parts.path.push_back('/');
  parts.valid = !parts.scheme.empty() && !parts.host.empty() && parts.host.size() <= kMaxHost &&
                parts.path.size() <= kMaxPath;
  return parts;
}

std::string SiteOrigin(const TUrlParts& parts) {
  std::string origin = parts.scheme + "://" + parts.host;
  if (!parts.port.empty()) origin += ":" + parts.port;
  return origin;
}

bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost" || host == "[::1]") return true;
  in_addr address{};
  if (inet_pton(AF_INET, host.c_str(), &address) != 1) return false;
  return (ntohl(address.s_addr) >> 24) == 127;
}

bool IsAcceptedSite(const TUrlParts& parts) {
  if (!parts.valid) return false;
  if (parts.scheme == "https") return true;
  return parts.scheme == "http" && IsLoopbackHost(parts.host);
}

}  // namespace quillon

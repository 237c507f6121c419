#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// Bounds of every request: connecting, and the whole request from start to the body's end.
struct TWebTimeouts {
  std::chrono::milliseconds connect{10000};
  std::chrono::milliseconds total{30000};
};

// Tests shorten them.
void SetWebTimeouts(TWebTimeouts timeouts);

// How many redirections one request follows at most.
inline constexpr int kMaxRedirects = 5;

// What one request came to.
struct TWebAnswer {
  // The site took the request: a 2xx answer, after redirections within the site.
  bool delivered = false;
  uint32_t errorCode = 0;         // libcurl's code; 0 when an answer came
  std::string error;              // libcurl's text for errorCode
  long status = 0;                // the last answer's HTTP status; 0 when none came
  std::string redirect;           // where an answer sent the request on, when that was not followed
  bool tooManyRedirects = false;  // redirect is on the site, but one redirection too many
  std::string body;               // trimmed of characters 0 to 32 at either end
};

// One GET of site + pathAndQuery, bypassing caches, with the system's proxy settings. site is a
// base address (https, or http on this machine); spaces in pathAndQuery go out as %20. A
// redirection is followed to an address on the same site (scheme, host and port), at most
// kMaxRedirects times, all within the total timeout. The request gives up within about a second
// once *cancel holds.
TWebAnswer GetWebData(const std::string& agent, const std::string& site,
                      const std::string& pathAndQuery, const std::atomic<bool>* cancel = nullptr);

// text without the characters 0 to 32 at either end, as GetWebData hands a body over.
std::string TrimmedBlanks(std::string_view text);

}  // namespace quillon

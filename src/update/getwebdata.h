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

// One GET of site + pathAndQuery, bypassing caches, with the system's proxy settings. site is a
// base address (https, or http on this machine); spaces in pathAndQuery go out as %20. The body,
// trimmed of characters 0 to 32, goes to response. Returns 0 when that text is not empty, -1
// otherwise (errorCode: libcurl's code, 0 for an empty body). The HTTP status is not examined.
// The request gives up within about a second once *cancel holds.
int GetWebData(const std::string& agent, const std::string& site, const std::string& pathAndQuery,
               std::string& response, uint32_t& errorCode,
               const std::atomic<bool>* cancel = nullptr);

// text without the characters 0 to 32 at either end, as GetWebData hands a body over.
std::string TrimmedBlanks(std::string_view text);

}  // namespace quillon

#define QUILLON_CURL_TABLE_ONLY
#include "update/curlapi.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <optional>

namespace quillon {

namespace {

// The soname of libcurl 4, which the headers were written for.
constexpr const char* kLibrary = "libcurl.so.4";

std::optional<TCurlApi> Load() {
  // The library stays loaded for the process's life.
  void* handle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!handle) return std::nullopt;
  TCurlApi api;
#define QUILLON_CURL_LOAD(name)                                          \
  api.name = reinterpret_cast<decltype(api.name)>(dlsym(handle, #name)); \
  if (!api.name) return std::nullopt;
  QUILLON_CURL_FUNCTIONS(QUILLON_CURL_LOAD)
#undef QUILLON_CURL_LOAD
  return api;
}

}  // namespace

const TCurlApi* CurlApi() {
  static std::mutex loading;
  static TCurlApi api;
  static std::atomic<bool> loaded{false};
  if (loaded.load(std::memory_order_acquire)) return &api;
  std::lock_guard lock(loading);
  if (!loaded.load(std::memory_order_relaxed)) {
    const std::optional<TCurlApi> found = Load();
    if (!found) return nullptr;
    api = *found;
    loaded.store(true, std::memory_order_release);
  }
  return &api;
}

}  // namespace quillon

#define QUILLON_CURL_TABLE_ONLY
#include "update/curlapi.h"

#include <dlfcn.h>

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
  // Loaded once, by whichever thread comes first; a missing library stays missing.
  static const std::optional<TCurlApi> api = Load();
  return api ? &*api : nullptr;
}

}  // namespace quillon

#pragma once

// libcurl as the update check calls it. Its library brings some thirty further libraries with
// it, whose loading would stand before every start-up of the editor although the update check
// runs later and on its own thread: it is loaded on the first call instead. Every libcurl
// function used is reached through the table below, under its own name (each name is defined to
// its table entry). Include this header in place of <curl/curl.h>.
#include <curl/curl.h>

// Each function the update check uses. A function added here also needs its name defined below.
#define QUILLON_CURL_FUNCTIONS(X) \
  X(curl_easy_cleanup)            \
  X(curl_easy_getinfo)            \
  X(curl_easy_init)               \
  X(curl_easy_perform)            \
  X(curl_easy_setopt)             \
  X(curl_easy_strerror)           \
  X(curl_free)                    \
  X(curl_global_init)             \
  X(curl_slist_append)            \
  X(curl_slist_free_all)          \
  X(curl_url)                     \
  X(curl_url_cleanup)             \
  X(curl_url_get)                 \
  X(curl_url_set)

namespace quillon {

struct TCurlApi {
#define QUILLON_CURL_POINTER(name) decltype(&::name) name = nullptr;
  QUILLON_CURL_FUNCTIONS(QUILLON_CURL_POINTER)
#undef QUILLON_CURL_POINTER
};

// The table, filled on the first call from any thread; null when the library or one of its
// functions cannot be found, then and for the rest of the process. A caller checks it before any
// libcurl call: without libcurl no address is accepted and no request is made.
const TCurlApi* CurlApi();

}  // namespace quillon

// The loader itself names the table's entries.
#ifndef QUILLON_CURL_TABLE_ONLY
// curl.h names them once already, to check their arguments.
#undef curl_easy_setopt
#undef curl_easy_getinfo
// clang-format off
#define curl_easy_cleanup (::quillon::CurlApi()->curl_easy_cleanup)
#define curl_easy_getinfo (::quillon::CurlApi()->curl_easy_getinfo)
#define curl_easy_init (::quillon::CurlApi()->curl_easy_init)
#define curl_easy_perform (::quillon::CurlApi()->curl_easy_perform)
#define curl_easy_setopt (::quillon::CurlApi()->curl_easy_setopt)
#define curl_easy_strerror (::quillon::CurlApi()->curl_easy_strerror)
#define curl_free (::quillon::CurlApi()->curl_free)
#define curl_global_init (::quillon::CurlApi()->curl_global_init)
#define curl_slist_append (::quillon::CurlApi()->curl_slist_append)
#define curl_slist_free_all (::quillon::CurlApi()->curl_slist_free_all)
#define curl_url (::quillon::CurlApi()->curl_url)
#define curl_url_cleanup (::quillon::CurlApi()->curl_url_cleanup)
#define curl_url_get (::quillon::CurlApi()->curl_url_get)
#define curl_url_set (::quillon::CurlApi()->curl_url_set)
// clang-format on
#endif

#include "update/getwebdata.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "update/curlapi.h"
#include "update/siteaddress.h"

namespace quillon {

namespace {
// Version numbers and short answers; a bigger body is not one of ours.
constexpr size_t kMaxBody = 1 << 20;
constexpr long kChunkSize = 8193;

std::atomic<long> connectMs{10000};
std::atomic<long> totalMs{30000};

struct TEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct TListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void InitialiseLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t AppendChunk(char* data, size_t size, size_t count, void* target) {
  auto* body = static_cast<std::string*>(target);
  size_t bytes = size * count;
  if (body->size() + bytes > kMaxBody) return 0;  // ends the transfer as failed
  body->append(data, bytes);
  return bytes;
}

std::string WithEscapedSpaces(const std::string& text) {
  std::string escaped;
  for (char c : text) escaped += c == ' ' ? std::string("%20") : std::string(1, c);
  return escaped;
}

// libcurl asks at least once a second, also while it waits for the server.
int CancelCheck(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

curl_slist* NoCacheHeaders() {
  curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
  curl_slist* more = headers ? curl_slist_append(headers, "Pragma: no-cache") : nullptr;
  if (!more) curl_slist_free_all(headers);
  return more;
}
}  // namespace

void SetWebTimeouts(TWebTimeouts timeouts) {
  connectMs.store(static_cast<long>(timeouts.connect.count()));
  totalMs.store(static_cast<long>(timeouts.total.count()));
}

namespace {
// The handle's settings that stay for every hop of one request.
void SetFixedOptions(CURL* handle, const TUrlParts& parts, const std::string& agent,
                     curl_slist* headers, std::string& body, char* errorText,
                     const std::atomic<bool>* cancel) {
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, parts.scheme.c_str());
  curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
  // Redirections are followed here, only within the site.
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, connectMs.load());
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kChunkSize);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, AppendChunk);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  if (cancel) {
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, CancelCheck);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel));
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  }
  // A proxy never stands between the program and its own machine.
  if (IsLoopbackHost(parts.host)) curl_easy_setopt(handle, CURLOPT_NOPROXY, "*");
}

using TClock = std::chrono::steady_clock;

// At least 1: libcurl reads 0 as no limit.
long MsUntil(TClock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
  return std::max<long>(1, static_cast<long>(left.count()));
}

bool IsRedirection(long status) {
  return status >= 300 && status < 400;
}

// The absolute address a 3xx answer sends the request on to; empty without one.
std::string RedirectTarget(CURL* handle) {
  char* target = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &target) != CURLE_OK || !target) return "";
  return target;
}

bool IsOnSite(const std::string& address, const std::string& origin) {
  TUrlParts parts = SplitUrl(address);
  return parts.valid && SiteOrigin(parts) == origin;
}

void Fail(TWebAnswer& answer, CURLcode code, const char* errorText) {
  answer.errorCode = static_cast<uint32_t>(code);
  answer.error = errorText[0] ? errorText : curl_easy_strerror(code);
}
}  // namespace

TWebAnswer GetWebData(const std::string& agent, const std::string& site,
                      const std::string& pathAndQuery, const std::atomic<bool>* cancel) {
  TWebAnswer answer;
  TUrlParts parts = SplitUrl(site);
  if (!IsAcceptedSite(parts)) {
    answer.errorCode = CURLE_URL_MALFORMAT;
    answer.error = CurlApi() ? curl_easy_strerror(CURLE_URL_MALFORMAT) : "no libcurl.so.4";
    return answer;
  }
  InitialiseLibrary();
  std::unique_ptr<CURL, TEasyDeleter> request(curl_easy_init());
  std::unique_ptr<curl_slist, TListDeleter> headers(NoCacheHeaders());
  if (!request || !headers) {
    Fail(answer, CURLE_FAILED_INIT, "");
    return answer;
  }

  const std::string origin = SiteOrigin(parts);
  std::string url = origin + WithEscapedSpaces(pathAndQuery);
  std::string body;
  char errorText[CURL_ERROR_SIZE] = {};
  CURL* handle = request.get();
  SetFixedOptions(handle, parts, agent, headers.get(), body, errorText, cancel);
  const auto deadline = TClock::now() + std::chrono::milliseconds(totalMs.load());
  for (int redirects = 0;; ++redirects) {
    body.clear();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, MsUntil(deadline));
    CURLcode result = curl_easy_perform(handle);
    if (result != CURLE_OK) {
      Fail(answer, result, errorText);
      return answer;
    }
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &answer.status);
    std::string next = IsRedirection(answer.status) ? RedirectTarget(handle) : "";
    if (next.empty()) break;
    answer.tooManyRedirects = redirects == kMaxRedirects;
    if (answer.tooManyRedirects || !IsOnSite(next, origin)) {
      answer.redirect = next;
      return answer;
    }
    url = next;
  }
  answer.delivered = answer.status >= 200 && answer.status < 300;
  answer.body = TrimmedBlanks(body);
  return answer;
}

std::string TrimmedBlanks(std::string_view text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace quillon

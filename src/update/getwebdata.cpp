#include "update/getwebdata.h"

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

int GetWebData(const std::string& agent, const std::string& site, const std::string& pathAndQuery,
               std::string& response, uint32_t& errorCode, const std::atomic<bool>* cancel) {
  response.clear();
  errorCode = CURLE_URL_MALFORMAT;
  TUrlParts parts = SplitUrl(site);
  if (!IsAcceptedSite(parts)) return -1;
  InitialiseLibrary();
  std::unique_ptr<CURL, TEasyDeleter> request(curl_easy_init());
  std::unique_ptr<curl_slist, TListDeleter> headers(NoCacheHeaders());
  errorCode = CURLE_FAILED_INIT;
  if (!request || !headers) return -1;

  std::string url = SiteOrigin(parts) + WithEscapedSpaces(pathAndQuery);
  std::string body;
  CURL* handle = request.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, parts.scheme.c_str());
  curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, connectMs.load());
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, totalMs.load());
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kChunkSize);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, AppendChunk);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
  if (cancel) {
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, CancelCheck);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel));
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  }
  // A proxy never stands between the program and its own machine.
  if (IsLoopbackHost(parts.host)) curl_easy_setopt(handle, CURLOPT_NOPROXY, "*");

  CURLcode result = curl_easy_perform(handle);
  errorCode = static_cast<uint32_t>(result);
  if (result != CURLE_OK) return -1;
  response = TrimmedBlanks(body);
  return response.empty() ? -1 : 0;
}

std::string TrimmedBlanks(std::string_view text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace quillon

#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon::test {

// What the server received: the request target and the headers the tests look at.
struct TRecordedRequest {
  std::string target;
  std::string userAgent;
  std::string cacheControl;
  std::string pragma;
};

enum class TReplyKind { Answer, NeverAnswer, CloseAtOnce };

struct TReply {
  TReplyKind kind = TReplyKind::Answer;
  int status = 200;
  std::string body;
  std::chrono::milliseconds delay{0};  // before answering
  std::string location = {};           // sent as the Location header when not empty
};

inline TReply Answer(std::string body, int status = 200,
                     std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
  return {TReplyKind::Answer, status, std::move(body), delay};
}
inline TReply Redirect(std::string location, int status = 301) {
  return {TReplyKind::Answer, status, "", std::chrono::milliseconds(0), std::move(location)};
}
inline TReply NeverAnswer() {
  return {TReplyKind::NeverAnswer, 0, "", std::chrono::milliseconds(0)};
}
inline TReply CloseAtOnce() {
  return {TReplyKind::CloseAtOnce, 0, "", std::chrono::milliseconds(0)};
}

// An HTTP/1.1 server on 127.0.0.1 (a free port) that records every request and replies as the
// test's function says. Each connection runs on its own thread, so overlapping requests show.
class TTestServer {
 public:
  using TResponder = std::function<TReply(const TRecordedRequest&)>;
  explicit TTestServer(TResponder respond);
  ~TTestServer();

  std::string Site() const;  // http://127.0.0.1:port
  std::vector<TRecordedRequest> Requests() const;
  // False when fewer than count requests arrived within the timeout.
  bool WaitForRequests(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // The most connections that were ever being answered at once.
  int MostAtOnce() const { return mostAtOnce_; }

 private:
  void Accept();
  void Serve(int connection);
  bool ReadRequest(int connection, std::string& head);
  void Pause(int connection, std::chrono::milliseconds delay, bool untilClosed);

  TResponder respond_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> atOnce_{0};
  std::atomic<int> mostAtOnce_{0};
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<TRecordedRequest> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

}  // namespace quillon::test

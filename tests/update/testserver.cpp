#include "testserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <stdexcept>

namespace quillon::test {

namespace {
constexpr int kSliceMs = 20;

std::string Lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

TRecordedRequest Parse(const std::string& head) {
  TRecordedRequest request;
  std::istringstream lines(head);
  std::string line;
  std::getline(lines, line);
  std::istringstream requestLine(line);
  std::string method;
  requestLine >> method >> request.target;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string name = Lowered(line.substr(0, colon));
    std::string value = line.substr(line.find_first_not_of(' ', colon + 1));
    if (name == "user-agent") request.userAgent = value;
    if (name == "cache-control") request.cacheControl = value;
    if (name == "pragma") request.pragma = value;
  }
  return request;
}

bool Readable(int fd, int timeoutMs) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, timeoutMs) > 0;
}
}  // namespace

TTestServer::TTestServer(TResponder respond) : respond_(std::move(respond)) {
  listener_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error(std::string("test server: ") + std::strerror(errno));
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { Accept(); });
}

TTestServer::~TTestServer() {
  stopping_ = true;
  acceptor_.join();
  for (auto& connection : connections_) connection.join();
  close(listener_);
}

std::string TTestServer::Site() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<TRecordedRequest> TTestServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool TTestServer::WaitForRequests(size_t count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return arrived_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void TTestServer::Accept() {
  while (!stopping_) {
    if (!Readable(listener_, kSliceMs)) continue;
    int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) continue;
    std::lock_guard lock(mutex_);
    connections_.emplace_back([this, connection] { Serve(connection); });
  }
}

bool TTestServer::ReadRequest(int connection, std::string& head) {
  char buffer[4096];
  for (int slices = 0; slices < 250 && !stopping_; ++slices) {
    if (!Readable(connection, kSliceMs)) continue;
    ssize_t got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    head.append(buffer, static_cast<size_t>(got));
    if (head.find("\r\n\r\n") != std::string::npos) return true;
  }
  return false;
}

// Waits for the delay, or until the client goes away or the server stops.
void TTestServer::Pause(int connection, std::chrono::milliseconds delay, bool untilClosed) {
  auto end = std::chrono::steady_clock::now() + delay;
  char buffer[256];
  while (!stopping_ && (untilClosed || std::chrono::steady_clock::now() < end)) {
    if (Readable(connection, kSliceMs) && recv(connection, buffer, sizeof buffer, 0) <= 0) return;
  }
}

void TTestServer::Serve(int connection) {
  int now = ++atOnce_;
  for (int most = mostAtOnce_; now > most && !mostAtOnce_.compare_exchange_weak(most, now);) {
  }
  std::string head;
  if (ReadRequest(connection, head)) {
    TRecordedRequest request = Parse(head);
    TReply reply = respond_(request);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    arrived_.notify_all();
    if (reply.kind == TReplyKind::NeverAnswer) Pause(connection, {}, true);
    if (reply.kind == TReplyKind::Answer) {
      Pause(connection, reply.delay, false);
      // Counted off before the client can see the answer and start its next request.
      --atOnce_;
      std::string location = reply.location.empty() ? "" : "Location: " + reply.location + "\r\n";
      std::string answer = "HTTP/1.1 " + std::to_string(reply.status) +
                           " Reply\r\nContent-Type: text/plain\r\nContent-Length: " +
                           std::to_string(reply.body.size()) + "\r\n" + location +
                           "Connection: close\r\n\r\n" + reply.body;
      send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
      close(connection);
      return;
    }
  }
  --atOnce_;
  close(connection);
}

}  // namespace quillon::test

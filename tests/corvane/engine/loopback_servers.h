// Small HTTP servers on loopback addresses for the engine tests: an origin that names
// each request's path in the page title, a forwarding proxy that marks what it passes
// on, and a listener that only counts connections (a TLS client gets nothing from it).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace zor::testing {

class LoopbackServer {
 public:
  using Handler = std::function<void(int client)>;

  LoopbackServer(const std::string& address, Handler handler) : address_(address), handler_(std::move(handler)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(listener_, 16) != 0)
      throw std::runtime_error("cannot listen on " + address);
    socklen_t len = sizeof sa;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len);
    port_ = ntohs(sa.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }
  ~LoopbackServer() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    acceptor_.join();
    for (std::thread& t : clients_) t.join();
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  std::string base() const { return "http://" + address_ + ":" + std::to_string(port_); }

  void Record(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.push_back(line);
  }
  std::vector<std::string> Seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void AcceptLoop() {
    for (;;) {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) {
        if (stopping_) return;
        continue;
      }
      // A connection the engine opens and never uses must not hold a thread forever.
      timeval timeout{5, 0};
      ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
      clients_.emplace_back([this, client] {
        handler_(client);
        ::close(client);
      });
    }
  }

  std::string address_;
  Handler handler_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  std::vector<std::thread> clients_;
  mutable std::mutex mutex_;
  std::vector<std::string> seen_;
};

// The request head (up to the blank line), or empty when the peer sent none.
inline std::string ReadHead(int fd) {
  std::string head;
  char c;
  while (head.size() < 65536 && ::recv(fd, &c, 1, 0) == 1) {
    head += c;
    if (head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0) return head;
  }
  return "";
}

inline void SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

inline std::string HeaderValue(const std::string& head, const std::string& name) {
  const std::string key = "\r\n" + name + ": ";
  const size_t at = head.find(key);
  if (at == std::string::npos) return "";
  const size_t start = at + key.size();
  return head.substr(start, head.find("\r\n", start) - start);
}

// Records "path" or "path via <proxy>" and answers with a page titled by the path.
class OriginServer : public LoopbackServer {
 public:
  explicit OriginServer(const std::string& address)
      : LoopbackServer(address, [this](int fd) { Serve(fd); }) {}

 private:
  void Serve(int fd) {
    const std::string head = ReadHead(fd);
    if (head.empty()) return;
    const size_t sp1 = head.find(' ');
    const std::string path = head.substr(sp1 + 1, head.find(' ', sp1 + 1) - sp1 - 1);
    const std::string via = HeaderValue(head, "Via");
    Record(via.empty() ? path : path + " via " + via);
    const std::string body = "<html><head><title>" + path + "</title></head><body>" + path + "</body></html>";
    SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nCache-Control: no-store\r\nConnection: close\r\n"
                "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  }
};

// Records each request line; forwards "GET http://a.b.c.d:port/path" to that loopback
// address with a Via header; refuses CONNECT.
class ForwardingProxy : public LoopbackServer {
 public:
  explicit ForwardingProxy(const std::string& address)
      : LoopbackServer(address, [this](int fd) { Serve(fd); }) {}

 private:
  void Serve(int fd) {
    const std::string head = ReadHead(fd);
    if (head.empty()) return;
    const std::string request_line = head.substr(0, head.find("\r\n"));
    Record(request_line);
    const size_t sp1 = request_line.find(' ');
    const std::string method = request_line.substr(0, sp1);
    const std::string target = request_line.substr(sp1 + 1, request_line.rfind(' ') - sp1 - 1);
    if (method == "CONNECT" || target.rfind("http://", 0) != 0) {
      SendAll(fd, "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return;
    }
    const size_t host_start = 7;
    const size_t path_start = target.find('/', host_start);
    const std::string host_port = target.substr(host_start, path_start - host_start);
    const std::string path = path_start == std::string::npos ? "/" : target.substr(path_start);
    const size_t colon = host_port.rfind(':');
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(colon == std::string::npos ? 80 : std::stoi(host_port.substr(colon + 1))));
    if (::inet_pton(AF_INET, host_port.substr(0, colon).c_str(), &sa.sin_addr) != 1) {
      SendAll(fd, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return;  // only loopback addresses are ever forwarded, never names
    }
    const int upstream = ::socket(AF_INET, SOCK_STREAM, 0);
    if (::connect(upstream, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
      ::close(upstream);
      SendAll(fd, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return;
    }
    std::string headers = head.substr(head.find("\r\n") + 2);
    headers = headers.substr(0, headers.size() - 2);  // without the blank line
    std::string kept;
    for (size_t start = 0; start < headers.size();) {
      const size_t end = headers.find("\r\n", start);
      const std::string line = headers.substr(start, end - start);
      if (line.rfind("Proxy-Connection:", 0) != 0 && line.rfind("Connection:", 0) != 0) kept += line + "\r\n";
      start = end + 2;
    }
    SendAll(upstream, method + " " + path + " HTTP/1.1\r\n" + kept + "Via: 1.1 test-proxy\r\nConnection: close\r\n\r\n");
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(upstream, buffer, sizeof buffer, 0)) > 0) SendAll(fd, std::string(buffer, static_cast<size_t>(n)));
    ::close(upstream);
  }
};

// Counts connections and closes them at once.
class CountingListener : public LoopbackServer {
 public:
  explicit CountingListener(const std::string& address)
      : LoopbackServer(address, [this](int) { Record("connection"); }) {}
};

}  // namespace zor::testing

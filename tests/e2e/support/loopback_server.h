// An HTTP server on a free port of a loopback address, for the engine tests and the
// benchmarks.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zor::e2e {

struct HttpRequest {
  std::string method;
  std::string path;  // as sent, query included
  std::string head;  // the request line and headers
  // The value of header `name` (compared ignoring case), or empty.
  std::string Header(const std::string& name) const {
    size_t at = head.find("\r\n");
    while (at != std::string::npos && at + 2 < head.size()) {
      const size_t end = head.find("\r\n", at + 2);
      const std::string line = head.substr(at + 2, end == std::string::npos ? std::string::npos : end - at - 2);
      const size_t colon = line.find(':');
      if (colon == name.size() && strncasecmp(line.c_str(), name.c_str(), colon) == 0) {
        size_t value = colon + 1;
        while (value < line.size() && line[value] == ' ') ++value;
        return line.substr(value);
      }
      at = end;
    }
    return "";
  }
};

struct HttpResponse {
  int status = 200;
  std::string type = "text/html; charset=utf-8";
  std::string body;
  std::vector<std::string> headers;  // further "Name: value" lines
  // Sends only this much of the body, then keeps the connection open until the client
  // closes it or the server stops: a transfer caught halfway.
  size_t hold_after = std::string::npos;
};

// Serves every connection on its own thread: the engine opens spare connections it may
// never use, and a slow answer must not hold up the others. Reads give up as soon as
// the server stops, so tearing it down takes no time.
class LoopbackServer {
 public:
  // `stopping` turns true when the server is being torn down (for answers that wait).
  using Handler = std::function<HttpResponse(const HttpRequest& request, const std::atomic<bool>& stopping)>;

  // `address` is one of the loopback addresses (127.0.0.1 to 127.255.255.254); `port` 0
  // takes a free one, another asks for that one (a server that comes up where a page
  // was refused before).
  explicit LoopbackServer(Handler handler, std::string address = "127.0.0.1", int backlog = 64, int port = 0)
      : handler_(std::move(handler)), address_(std::move(address)) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    inet_pton(AF_INET, address_.c_str(), &addr.sin_addr);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(fd_, backlog);
    thread_ = std::thread([this] { Serve(); });
  }
  // A fixed table of pages by path; anything else is a 404.
  explicit LoopbackServer(std::map<std::string, std::string> pages)
      : LoopbackServer([pages = std::move(pages)](const HttpRequest& request, const std::atomic<bool>&) {
          HttpResponse response;
          auto it = pages.find(request.path);
          if (it == pages.end()) {
            response.status = 404;
            response.body = "not here";
          } else {
            response.body = it->second;
          }
          return response;
        }) {}
  ~LoopbackServer() {
    stop_ = true;
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
    std::lock_guard lock(clients_mutex_);
    for (std::thread& t : clients_) t.join();
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://" + address_ + ":" + std::to_string(port_) + path; }
  std::vector<HttpRequest> Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  bool Asked(const std::string& path) {
    for (const HttpRequest& r : Requests())
      if (r.path == path) return true;
    return false;
  }

 private:
  void Serve() {
    while (!stop_) {
      const int client = accept(fd_, nullptr, nullptr);
      if (client < 0) continue;
      std::lock_guard lock(clients_mutex_);
      clients_.emplace_back([this, client] { Answer(client); });
    }
  }
  void Answer(int client) {
    std::string request;
    char buffer[4096];
    while (!stop_ && request.find("\r\n\r\n") == std::string::npos) {
      pollfd ready{client, POLLIN, 0};
      if (poll(&ready, 1, 100) <= 0) continue;
      const ssize_t n = read(client, buffer, sizeof buffer);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    const size_t head_end = request.find("\r\n\r\n");
    if (head_end == std::string::npos) {
      close(client);
      return;
    }
    HttpRequest parsed;
    parsed.head = request.substr(0, head_end);
    const size_t space = parsed.head.find(' ');
    parsed.method = parsed.head.substr(0, space);
    const size_t start = space + 1;
    parsed.path = parsed.head.substr(start, parsed.head.find(' ', start) - start);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(parsed);
    }
    const HttpResponse answer = handler_(parsed, stop_);
    std::string response = "HTTP/1.1 " + std::to_string(answer.status) + (answer.status < 400 ? " OK" : " Error") +
                           "\r\nContent-Type: " + answer.type + "\r\nContent-Length: " + std::to_string(answer.body.size()) +
                           "\r\nConnection: close\r\n";
    for (const std::string& header : answer.headers) response += header + "\r\n";
    response += "\r\n" + answer.body.substr(0, answer.hold_after);
    for (size_t sent = 0; sent < response.size();) {
      // A client that hangs up midway must not end the test with SIGPIPE.
      const ssize_t n = send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    while (answer.hold_after < answer.body.size() && !stop_) {
      pollfd closed{client, POLLIN, 0};
      if (poll(&closed, 1, 100) > 0 && read(client, buffer, sizeof buffer) <= 0) break;
    }
    close(client);
  }

  Handler handler_;
  std::string address_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<HttpRequest> requests_;
  std::thread thread_;
  std::mutex clients_mutex_;
  std::vector<std::thread> clients_;
};

}  // namespace zor::e2e

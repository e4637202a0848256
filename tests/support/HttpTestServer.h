// A small HTTP/1.0 server on 127.0.0.1 for download tests: fixed answers by path.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vt::test {

class HttpTestServer {
public:
  struct Answer {
    int status = 200;
    std::string body;
    std::string extraHeaders;  // "Name: value\r\n" lines
  };

  HttpTestServer();
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  void Set(const std::string& path, Answer answer);
  uint16_t port() const { return port_; }
  std::string Url(const std::string& path) const;  // path starts with "/"
  std::vector<std::string> RequestLines() const;    // "GET /x HTTP/1.1" of every request seen

  // A port on 127.0.0.1 on which nothing listens.
  static uint16_t UnusedPort();

private:
  void Serve();
  void Handle(SOCKET client);

  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex lock_;
  std::map<std::string, Answer> answers_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace vt::test

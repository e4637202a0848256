// A small HTTP/1.0 server on 127.0.0.1 for download tests: fixed answers by path, served well or
// in the ways of a hostile server. Every connection has its own thread, so that a client held by
// one answer does not hold the next; the server ends every answer when it is destroyed.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vt::test {

class HttpTestServer {
public:
  // How an answer goes out.
  enum class Pace {
    whole,           // head and body, then the connection is closed
    silent,          // the request is read and nothing is ever answered
    endlessHead,     // the status line, then header lines one by one, never the blank line
    endlessBody,     // the head, then the body over and over as fast as the client reads
    slowBody,        // the head, then the body one byte at a time, over and over
    heldBody,        // head and body, then the connection stays open and silent
    resetBody,       // head and body, then after `pauseMs` the connection is reset, not closed
    pacedBody,       // the head, then the body `piece` bytes at a time, `pauseMs` apart, then closed
  };
  struct Answer {
    int status = 200;
    std::string body = {};
    std::string extraHeaders = {};  // "Name: value\r\n" lines
    Pace pace = Pace::whole;
    // The Content-Length sent: the body's size when empty, none at all for "-".
    std::string contentLength = {};
    // Sent as it stands in place of the whole head (status line to blank line) when not empty.
    std::string rawHead = {};
    size_t piece = 1;
    DWORD pauseMs = 20;
  };

  HttpTestServer();
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  void Set(const std::string& path, Answer answer);
  uint16_t port() const { return port_; }
  std::string Url(const std::string& path) const;  // path starts with "/"
  std::vector<std::string> RequestLines() const;    // "GET /x HTTP/1.0" of every request seen
  // How many of the requests asked for `path`.
  size_t CountRequests(const std::string& path) const;
  // The ids of the threads that have answered requests.
  std::set<DWORD> AnsweringThreadIds() const;

  // A port on 127.0.0.1 on which nothing listens.
  static uint16_t UnusedPort();

private:
  void Serve();
  void Handle(SOCKET client);
  // Sends all of `bytes`; false when the client is gone or the server stops.
  bool SendAll(SOCKET client, const std::string& bytes);
  // Waits `ms`, or less when the server stops; false then.
  bool Pause(DWORD ms);

  SOCKET listener_ = INVALID_SOCKET;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex lock_;
  std::map<std::string, Answer> answers_;
  std::vector<std::string> requests_;
  std::set<DWORD> answeringThreads_;
  std::thread thread_;
  std::vector<std::thread> clients_;
};

}  // namespace vt::test

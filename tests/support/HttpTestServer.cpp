#include "support/HttpTestServer.h"

#include <algorithm>

namespace vt::test {
namespace {

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 304: return "Not Modified";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

SOCKET ListenOnLoopback(uint16_t& port) {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
  int len = sizeof(addr);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return s;
}

void SetTimeout(SOCKET s, int option, DWORD ms) {
  ::setsockopt(s, SOL_SOCKET, option, reinterpret_cast<const char*>(&ms), sizeof(ms));
}

std::string Head(const HttpTestServer::Answer& answer) {
  if (!answer.rawHead.empty()) return answer.rawHead;
  std::string head = "HTTP/1.0 " + std::to_string(answer.status) + " " + ReasonPhrase(answer.status) + "\r\n";
  if (answer.contentLength != "-")
    head += "Content-Length: " +
            (answer.contentLength.empty() ? std::to_string(answer.body.size()) : answer.contentLength) + "\r\n";
  return head + "Content-Type: application/octet-stream\r\nConnection: close\r\n" + answer.extraHeaders + "\r\n";
}

}  // namespace

HttpTestServer::HttpTestServer() {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  listener_ = ListenOnLoopback(port_);
  ::listen(listener_, 16);
  thread_ = std::thread([this] { Serve(); });
}

HttpTestServer::~HttpTestServer() {
  stopping_ = true;
  ::closesocket(listener_);
  thread_.join();
  for (std::thread& client : clients_) client.join();
  ::WSACleanup();
}

void HttpTestServer::Set(const std::string& path, Answer answer) {
  std::lock_guard<std::mutex> guard(lock_);
  answers_[path] = std::move(answer);
}

std::string HttpTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> HttpTestServer::RequestLines() const {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

size_t HttpTestServer::CountRequests(const std::string& path) const {
  auto lines = RequestLines();
  return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.substr(0, line.rfind(' ')) == "GET " + path;
  }));
}

std::set<DWORD> HttpTestServer::AnsweringThreadIds() const {
  std::lock_guard<std::mutex> guard(lock_);
  return answeringThreads_;
}

uint16_t HttpTestServer::UnusedPort() {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  uint16_t port = 0;
  SOCKET s = ListenOnLoopback(port);
  ::closesocket(s);
  ::WSACleanup();
  return port;
}

void HttpTestServer::Serve() {
  while (!stopping_) {
    SOCKET client = ::accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) break;
    clients_.emplace_back([this, client] {
      {
        std::lock_guard<std::mutex> guard(lock_);
        answeringThreads_.insert(::GetCurrentThreadId());
      }
      Handle(client);
      ::closesocket(client);
    });
  }
}

bool HttpTestServer::Pause(DWORD ms) {
  for (DWORD waited = 0; waited < ms; waited += 10) {
    if (stopping_) return false;
    ::Sleep(10);
  }
  return !stopping_;
}

bool HttpTestServer::SendAll(SOCKET client, const std::string& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    if (stopping_) return false;
    int n = ::send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n > 0) sent += n;
    else if (::WSAGetLastError() != WSAETIMEDOUT) return false;
  }
  return true;
}

void HttpTestServer::Handle(SOCKET client) {
  // A client that never sends a whole request head (a TLS hello) is dropped after a while; a
  // client that stops reading does not hold the server when it is destroyed.
  SetTimeout(client, SO_RCVTIMEO, 2000);
  SetTimeout(client, SO_SNDTIMEO, 100);
  std::string request;
  char buffer[2048];
  while (request.find("\r\n\r\n") == std::string::npos) {
    int n = ::recv(client, buffer, sizeof(buffer), 0);
    if (n <= 0) return;
    request.append(buffer, n);
  }
  std::string line = request.substr(0, request.find("\r\n"));
  size_t a = line.find(' '), b = line.rfind(' ');
  std::string path = a != std::string::npos && b > a ? line.substr(a + 1, b - a - 1) : "";
  Answer answer{404, "not found", ""};
  {
    std::lock_guard<std::mutex> guard(lock_);
    requests_.push_back(line);
    auto it = answers_.find(path);
    if (it != answers_.end()) answer = it->second;
  }
  switch (answer.pace) {
    case Pace::whole:
      if (!SendAll(client, Head(answer) + answer.body)) return;
      break;
    case Pace::silent:
      while (Pause(20)) {
      }
      return;
    case Pace::endlessHead:
      if (!SendAll(client, "HTTP/1.0 200 OK\r\n")) return;
      while (Pause(20) && SendAll(client, "X-Padding: " + std::string(100, 'p') + "\r\n")) {
      }
      return;
    case Pace::endlessBody:
      if (!SendAll(client, Head(answer))) return;
      while (SendAll(client, answer.body)) {
      }
      return;
    case Pace::slowBody:
      if (!SendAll(client, Head(answer))) return;
      for (size_t i = 0; Pause(20) && SendAll(client, answer.body.substr(i % answer.body.size(), 1)); ++i) {
      }
      return;
    case Pace::resetBody: {
      if (!SendAll(client, Head(answer) + answer.body) || !Pause(answer.pauseMs)) return;
      const linger abort{1, 0};
      ::setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof(abort));
      return;
    }
    case Pace::pacedBody:
      if (!SendAll(client, Head(answer))) return;
      for (size_t at = 0; at < answer.body.size(); at += answer.piece)
        if ((at > 0 && !Pause(answer.pauseMs)) || !SendAll(client, answer.body.substr(at, answer.piece))) return;
      break;
    case Pace::heldBody:
      if (!SendAll(client, Head(answer) + answer.body)) return;
      while (Pause(20)) {
      }
      return;
  }
  ::shutdown(client, SD_SEND);
  while (::recv(client, buffer, sizeof(buffer), 0) > 0) {
  }
}

}  // namespace vt::test

#include "support/HttpTestServer.h"

namespace vt::test {
namespace {

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
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
    Handle(client);
    ::closesocket(client);
  }
}

void HttpTestServer::Handle(SOCKET client) {
  // A client that never sends a whole request head (a TLS hello) is dropped after a while.
  DWORD timeoutMs = 2000;
  ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
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
  std::string head = "HTTP/1.0 " + std::to_string(answer.status) + " " + ReasonPhrase(answer.status) + "\r\n" +
                     "Content-Length: " + std::to_string(answer.body.size()) + "\r\n" +
                     "Content-Type: application/octet-stream\r\nConnection: close\r\n" + answer.extraHeaders +
                     "\r\n";
  std::string all = head + answer.body;
  for (size_t sent = 0; sent < all.size();) {
    int n = ::send(client, all.data() + sent, static_cast<int>(all.size() - sent), 0);
    if (n <= 0) return;
    sent += n;
  }
  ::shutdown(client, SD_SEND);
  while (::recv(client, buffer, sizeof(buffer), 0) > 0) {
  }
}

}  // namespace vt::test

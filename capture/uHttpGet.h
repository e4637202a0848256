// One HTTP GET of a URL that a web page names: bounded in everything the server decides.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace vt {

constexpr DWORD kHttpDeadlineMs = 30000;
constexpr uint32_t kHttpMaxRedirects = 5;

// What one GET may take, its redirects included.
struct THttpLimits {
  // Implicit: the size is what a caller chooses for its use; the rest is the same for every GET.
  THttpLimits(uint64_t maxBytes = 0) : maxBytes(maxBytes) {}

  uint64_t maxBytes;                       // of the body; a longer one is a failure
  DWORD deadlineMs = kHttpDeadlineMs;      // from the first connection to the last byte
  uint32_t maxRedirects = kHttpMaxRedirects;
};

// The head of the last answer.
struct THttpAnswer {
  bool answered = false;     // a request was sent and an answer head came back
  int32_t status = -1;
  std::string lastModified;  // the Last-Modified header as sent; empty when there is none
};

// GETs `url` over plain HTTP, or TLS for the scheme "https", following redirects to http and
// https URLs within `limits`; nothing is taken from or written to the platform's internet cache.
// With a file name, the body of a 200 answer goes into that file: true when the whole of it
// arrived (as long as its Content-Length says); on false there is no file of that name. Without
// one, only the head is read: true for a 200 answer.
// The calling thread has its answer by the deadline whatever the server does: the exchange runs on
// a worker thread, which a stalled server may keep a while longer.
bool HttpGet(const std::string& url, const std::string& fileName, const THttpLimits& limits, THttpAnswer& answer);

}  // namespace vt

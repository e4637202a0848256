// One HTTP GET of a URL that a web page names: bounded in everything the server decides.
#pragma once
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vt {

// The time bounds of every GET, here and nowhere else. A slow but steady server finishes; one
// that stalls ends at the idle limit, one that drips ends at the deadline, which grows with what
// the use may take: the base time plus the size cap at the slowest rate a download must finish on.
constexpr DWORD kHttpIdleMs = 30000;
constexpr DWORD kHttpBaseDeadlineMs = 30000;
constexpr uint32_t kHttpSlowestBytesPerSecond = 64 * 1024;
constexpr uint32_t kHttpMaxRedirects = 5;
// How long the calling thread waits for the worker to end once it has its answer.
constexpr DWORD kHttpWorkerEndMs = 1000;

// What one GET may take, its redirects included.
struct THttpLimits {
  // Implicit: the size is what a caller chooses for its use; the rest is the same for every GET.
  THttpLimits(uint64_t maxBytes = 0) : maxBytes(maxBytes) {}

  // From the first connection to the last byte.
  std::chrono::milliseconds Deadline() const;

  uint64_t maxBytes;                       // of the body; a longer one is a failure
  DWORD idleMs = kHttpIdleMs;              // the longest wait for the server's next bytes
  DWORD baseDeadlineMs = kHttpBaseDeadlineMs;  // the deadline: this plus maxBytes at the rate below
  uint32_t slowestBytesPerSecond = kHttpSlowestBytesPerSecond;
  uint32_t maxRedirects = kHttpMaxRedirects;
  // A body without a Content-Length is taken up to the server's close. Only for a body that shows
  // its own end (a setting's XML does not parse when cut): the platform reports a connection reset
  // right after the data as a close in most runs, so such a body may be cut short unnoticed.
  bool closeMayEndBody = false;
  // A deadline shared with the other GETs of one use (the images of one setting): none ends after it.
  std::optional<std::chrono::steady_clock::time_point> sharedDeadline;
};

// The head of the last answer.
struct THttpAnswer {
  bool answered = false;     // a request was sent and an answer head came back
  int32_t status = -1;
  std::string lastModified;  // the Last-Modified header as sent; empty when there is none
};

// What one GET gave: whether it succeeded (see HttpGet) and the head of the last answer.
struct THttpResult {
  bool ok = false;
  THttpAnswer answer;
};

// GETs `url` over plain HTTP, or TLS for the scheme "https", following redirects to http and
// https URLs within `limits`; nothing is taken from or written to the platform's internet cache.
// Only an answer with an HTTP/1.x status line and at least one header counts; any other is no
// answer. With a file name, the body of a 200 answer goes into that file: ok when the whole of it
// arrived, as long as its Content-Length says (or, where `limits` allow it, up to the server's
// close); when not ok the file of that name is deleted, gone once no other handle is open on it.
// The file is written sharing deleting only: its caller may hold it for deletion on close. Without
// a file name, only the head is read: ok for a 200 answer.
// The calling thread has its answer within the bounds whatever the server does: the exchange runs
// on a worker thread. When the calling thread gives up, it closes the handles of the call the
// worker waits in and waits up to kHttpWorkerEndMs for the worker to end.
THttpResult HttpGet(const std::string& url, const std::string& fileName, const THttpLimits& limits);

}  // namespace vt

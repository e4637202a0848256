#include "capture/uHttpGet.h"

#include <wininet.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "base/Boundary.h"
#include "base/Handles.h"
#include "base/ScopeGuard.h"
#include "base/TempFiles.h"
#include "base/Strings.h"
#include "capture/uWebUtils.h"

namespace vt {
namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kReadBlock = 64 * 1024;
constexpr size_t kMaxQueued = 1024 * 1024;  // what the worker may read ahead of the file

// The worker's handles of the platform's HTTP layer.
struct TInternetHandles {
  InternetHandle internet, connection, request;
};

// What the calling thread and the worker share; the last of the two to let go frees it.
// WinINet may go on reading while a server keeps sending (a head or a read fed byte by byte, the
// rest of a half-read answer when its request is closed), and not every version of it ends a call
// when the call's handles are closed: the worker bears that, never the calling thread.
struct TExchange {
  // Set before the worker starts.
  std::string url;
  THttpLimits limits;
  bool wantBody = false;
  Clock::time_point deadline;
  std::chrono::milliseconds idle{0};

  std::mutex lock;
  std::condition_variable changed;
  // From the worker.
  Clock::time_point lastSign;  // of the server: the last answer head or body bytes
  THttpAnswer answer;
  bool bodyStarts = false;
  std::deque<std::string> blocks;
  size_t queued = 0;
  bool finished = false;
  bool succeeded = false;
  // The worker's while it runs; the calling thread takes them when it gives up while the worker
  // waits in a call on them, and closes them so that the call returns.
  TInternetHandles handles;
  bool inCall = false;
  // From the calling thread: it has its answer, the worker stops as soon as it can.
  bool abandoned = false;

  DWORD RemainingMs() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, MAXDWORD - 1));
  }
  // The longest that one wait for the server may take now.
  DWORD WaitMs() const { return std::min<DWORD>(RemainingMs(), static_cast<DWORD>(idle.count())); }
  // When the calling thread stops waiting; under the lock.
  Clock::time_point GiveUpTime() const { return std::min(deadline, lastSign + idle); }
  // Keeps a handle the worker opened in `slot`; none (and the handle closed) when the open failed
  // or the calling thread has given up.
  HINTERNET Keep(InternetHandle TInternetHandles::*slot, HINTERNET opened) {
    InternetHandle owner(opened);
    std::lock_guard<std::mutex> guard(lock);
    if (abandoned) return nullptr;
    std::swap(handles.*slot, owner);
    return opened;
  }
  // Closes the handle in `slot`, outside the lock: closing may read on while the server sends.
  void Close(InternetHandle TInternetHandles::*slot) {
    InternetHandle owner;
    std::lock_guard<std::mutex> guard(lock);
    std::swap(handles.*slot, owner);
  }
  // Around a call that may wait for the server: false, and no call, once the calling thread has
  // given up; after the call, false when it gave up meanwhile (the handles are closed then).
  bool EnterCall() {
    std::lock_guard<std::mutex> guard(lock);
    inCall = !abandoned;
    return inCall;
  }
  bool LeaveCall() {
    std::lock_guard<std::mutex> guard(lock);
    inCall = false;
    return !abandoned;
  }
  // The handles the worker has left, closed outside the lock (request, connection, internet).
  void CloseHandles() {
    TInternetHandles owners;
    std::lock_guard<std::mutex> guard(lock);
    std::swap(handles, owners);
  }
  // The calling thread has its answer: the worker stops, and a call it waits in is ended by
  // closing its handles.
  void GiveUp() {
    TInternetHandles owners;
    std::lock_guard<std::mutex> guard(lock);
    abandoned = true;
    changed.notify_all();
    if (inCall) std::swap(handles, owners);
  }
  void Publish(const THttpAnswer& head) {
    std::lock_guard<std::mutex> guard(lock);
    answer = head;
    lastSign = Clock::now();
  }
  void StartBody() {
    std::lock_guard<std::mutex> guard(lock);
    bodyStarts = true;
    changed.notify_all();
  }
  // Waits while the file is behind; false once the calling thread gave up.
  bool Push(std::string block) {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return abandoned || queued < kMaxQueued; });
    if (abandoned) return false;
    queued += block.size();
    blocks.push_back(std::move(block));
    lastSign = Clock::now();
    changed.notify_all();
    return true;
  }
  void Finish(bool ok) {
    std::lock_guard<std::mutex> guard(lock);
    finished = true;
    succeeded = ok;
    changed.notify_all();
  }
};

// Runs `call`, which may wait for the server, where the calling thread can end it by closing its
// handles; false when the call failed or the calling thread has given up.
template <class Call>
bool WaitingCall(TExchange& x, Call&& call) {
  if (!x.EnterCall()) return false;
  const bool ok = call();
  return x.LeaveCall() && ok;
}

// The text of a header; none when it is missing. A value too long for any sound header reads as
// empty, which no reader of these headers takes.
std::optional<std::string> Header(HINTERNET request, DWORD query, DWORD index = 0) {
  char buffer[INTERNET_MAX_URL_LENGTH];
  DWORD size = sizeof(buffer);
  if (::HttpQueryInfoA(request, query, buffer, &size, &index)) return std::string(buffer, size);
  if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER) return std::string();
  return std::nullopt;
}

std::optional<uint64_t> ParseLength(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoull(text);
}

// The body's length as the answer declares it; none without a Content-Length, when the body ends
// at the server's close. False for a length that is no number, lengths that differ, or any
// Transfer-Encoding: WinINet decodes a chunked body itself and ends it without an error wherever
// the data stops, so a cut one looks whole. The request asks for HTTP/1.0, which a server answers
// without a transfer coding.
bool DeclaredLength(HINTERNET request, std::optional<uint64_t>& length) {
  length.reset();
  if (Header(request, HTTP_QUERY_TRANSFER_ENCODING)) return false;
  for (DWORD index = 0; index < 8; ++index) {
    std::optional<std::string> text = Header(request, HTTP_QUERY_CONTENT_LENGTH, index);
    if (!text) return true;
    std::optional<uint64_t> value = ParseLength(Trim(*text));
    if (!value || (length && *length != *value)) return false;
    length = value;
  }
  return false;
}

bool IsRedirect(int32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool IsWebUrl(const std::string& url) {
  return SameTextAscii(url.substr(0, 7), "http://") || SameTextAscii(url.substr(0, 8), "https://");
}

// Where a redirect leads: an http or https URL, never a file or another protocol.
std::optional<std::string> RedirectTarget(const UrlParts& from, HINTERNET request) {
  std::optional<std::string> location = Header(request, HTTP_QUERY_LOCATION);
  if (!location || Trim(*location).empty()) return std::nullopt;
  std::string base = from.scheme + "://" + from.host + ":" + std::to_string(from.port) + "/" + from.path;
  char target[INTERNET_MAX_URL_LENGTH];
  DWORD size = sizeof(target);
  if (!::InternetCombineUrlA(base.c_str(), Trim(*location).c_str(), target, &size, ICU_NO_ENCODE)) return std::nullopt;
  std::string url(target, size);
  if (!IsWebUrl(url)) return std::nullopt;
  return url;
}

// The answer's head as the platform keeps it, from the status line to the blank line; empty when
// it cannot be read.
std::string RawHead(HINTERNET request) {
  DWORD size = 0, index = 0;
  if (::HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, &index) ||
      ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return {};
  std::string head(size, '\0');
  index = 0;
  if (!::HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, &head[0], &size, &index)) return {};
  head.resize(std::min<size_t>(size, head.size()));
  return head;
}

// The server answered in HTTP/1.x: a status line of that version and at least one header. The
// platform takes any other first line for an answer of HTTP/0.9 and makes up the head
// "HTTP/1.0 200 OK" without a header for it, so a head without one cannot be told from none.
bool IsHttp1Head(HINTERNET request) {
  const std::string version = Header(request, HTTP_QUERY_VERSION).value_or("");
  const bool http1 = version.size() == 8 && version.compare(0, 7, "HTTP/1.") == 0 &&
                     std::isdigit(static_cast<unsigned char>(version[7]));
  const std::string head = RawHead(request);
  const size_t lineEnd = head.find("\r\n");
  if (!http1 || lineEnd == std::string::npos) return false;
  const std::string headers = head.substr(lineEnd + 2);
  return !headers.empty() && headers.compare(0, 2, "\r\n") != 0;
}

bool ReadBody(TExchange& x, HINTERNET request) {
  std::optional<uint64_t> declared;
  if (!DeclaredLength(request, declared) || (declared && *declared > x.limits.maxBytes)) return false;
  if (!declared && !x.limits.closeMayEndBody) return false;
  x.StartBody();
  uint64_t total = 0;
  for (;;) {
    if (x.RemainingMs() == 0) return false;
    // Waits for bytes no longer than the receive time-out: a stall fails here, only the server's
    // close or the declared length ends the body.
    DWORD available = 0;
    if (!WaitingCall(x, [&] { return ::InternetQueryDataAvailable(request, &available, 0, 0); })) return false;
    if (available == 0) break;
    std::string block(std::min(available, kReadBlock), '\0');
    DWORD read = 0;
    if (!WaitingCall(x, [&] {
          return ::InternetReadFile(request, &block[0], static_cast<DWORD>(block.size()), &read);
        }))
      return false;
    if (read == 0) break;
    total += read;
    if (total > x.limits.maxBytes) return false;
    block.resize(read);
    if (!x.Push(std::move(block))) return false;
  }
  // A body cut short of its declared length is no whole body.
  return !declared || total == *declared;
}

bool Exchange(TExchange& x) {
  const HINTERNET internet = x.Keep(&TInternetHandles::internet,
                                    ::InternetOpenA("Vantrelle S", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet) return false;
  std::string url = x.url;
  for (uint32_t redirects = 0;; ++redirects) {
    const std::optional<UrlParts> split = SplitURL(url);
    if (!split) return false;
    const UrlParts& parts = *split;
    x.Close(&TInternetHandles::request);
    const HINTERNET connection =
        x.Keep(&TInternetHandles::connection, ::InternetConnectA(internet, parts.host.c_str(), parts.port, nullptr,
                                                                 nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    // An https server only answers over TLS; every other scheme goes over plain HTTP.
    DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                  (SameTextAscii(parts.scheme, "https") ? INTERNET_FLAG_SECURE : 0);
    std::string object = "/" + parts.path;
    const HINTERNET request = x.Keep(
        &TInternetHandles::request,
        ::HttpOpenRequestA(connection, "GET", object.c_str(), "HTTP/1.0", nullptr, nullptr, flags, 0));
    if (!request) return false;
    // No single wait of the exchange may outlast the idle limit or the deadline.
    DWORD timeout = x.WaitMs();
    if (timeout == 0) return false;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
      ::InternetSetOptionA(request, option, &timeout, sizeof(timeout));
    if (!WaitingCall(x, [&] { return ::HttpSendRequestA(request, nullptr, 0, nullptr, 0); })) return false;
    if (!IsHttp1Head(request)) return false;

    THttpAnswer head;
    head.answered = true;
    head.status = GetHttpStatusCode(request);
    head.lastModified = Header(request, HTTP_QUERY_LAST_MODIFIED).value_or("");
    x.Publish(head);
    if (!IsRedirect(head.status)) {
      if (head.status != 200) return false;
      return !x.wantBody || ReadBody(x, request);
    }
    if (redirects == x.limits.maxRedirects) return false;
    std::optional<std::string> next = RedirectTarget(parts, request);
    if (!next) return false;
    url = *next;
  }
}

struct TWorkerStart {
  std::shared_ptr<TExchange> exchange;
  Module module;
};

// An exchange that raises has failed as well: it finishes as not ok all the same.
void Work(const std::shared_ptr<TExchange>& x) {
  bool ok = false;
  // The handles are closed after Finish: closing may read on while the server sends.
  const ScopeGuard finish([&] {
    x->Finish(ok);
    x->CloseHandles();
  });
  ok = Exchange(*x);
}

DWORD WINAPI WorkerThread(void* param) {
  std::unique_ptr<TWorkerStart> start(static_cast<TWorkerStart*>(param));
  const HMODULE module = start->module.release();  // freed by the thread's last call below
  const DWORD code = ThreadBoundary("HTTP exchange failed", [&] { Work(start->exchange); });
  start.reset();
  // The worker may outlive the call that started it: it holds the module until its last instruction.
  if (module) ::FreeLibraryAndExitThread(module, code);
  return code;
}

// The worker's thread, or none when it could not be started.
Handle StartWorker(const std::shared_ptr<TExchange>& exchange) {
  auto start = std::make_unique<TWorkerStart>();
  start->exchange = exchange;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WorkerThread),
                       start->module.put());
  Handle thread(::CreateThread(nullptr, 0, WorkerThread, start.get(), 0, nullptr));
  if (thread) start.release();
  return thread;
}

bool WriteAll(HANDLE file, const std::string& block) {
  DWORD written = 0;
  return ::WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
         written == block.size();
}

// Takes what the worker delivers into the file until the worker has finished, or the server has
// been silent for the idle time, or the deadline has passed.
bool Receive(TExchange& x, const std::string& fileName) {
  FileHandle file;
  bool ok = false;
  for (;;) {
    std::deque<std::string> blocks;
    bool finished = false, succeeded = false, bodyStarts = false;
    {
      std::unique_lock<std::mutex> guard(x.lock);
      auto ready = [&] { return x.finished || !x.blocks.empty() || (x.bodyStarts && !file); };
      while (!ready() && Clock::now() < x.GiveUpTime()) x.changed.wait_until(guard, x.GiveUpTime());
      if (!ready()) break;
      blocks.swap(x.blocks);
      x.queued = 0;
      finished = x.finished;
      succeeded = x.succeeded;
      bodyStarts = x.bodyStarts;
      x.changed.notify_all();
    }
    if (bodyStarts && !file) {
      // Sharing deleting only: the caller may hold the file for deletion when its process ends.
      file.reset(::CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file) break;
    }
    // A short write (full disk) is a failed download, not a silently truncated file.
    if (!std::all_of(blocks.begin(), blocks.end(), [&](const std::string& b) { return WriteAll(file.get(), b); }))
      break;
    if (finished) {
      ok = succeeded;
      break;
    }
  }
  return ok;
}

}  // namespace

std::chrono::milliseconds THttpLimits::Deadline() const {
  // A cap past a terabyte counts as one: the product stays in range.
  const uint64_t bytes = std::min<uint64_t>(maxBytes, 1ull << 40);
  const uint64_t bodyMs = bytes * 1000 / std::max<uint32_t>(slowestBytesPerSecond, 1);
  return std::chrono::milliseconds(baseDeadlineMs + bodyMs);
}

THttpResult HttpGet(const std::string& url, const std::string& fileName, const THttpLimits& limits) {
  auto x = std::make_shared<TExchange>();
  x->url = url;
  x->limits = limits;
  x->wantBody = !fileName.empty();
  x->lastSign = Clock::now();
  x->deadline = x->lastSign + limits.Deadline();
  if (limits.sharedDeadline) x->deadline = std::min(x->deadline, *limits.sharedDeadline);
  x->idle = std::chrono::milliseconds(limits.idleMs);
  TempFile partial(fileName);  // no file of that name is left unless the whole body came
  THttpResult result;
  const Handle worker = StartWorker(x);
  result.ok = worker && Receive(*x, fileName);
  if (result.ok) partial.release();
  partial.reset();
  x->GiveUp();
  if (worker) ::WaitForSingleObject(worker.get(), kHttpWorkerEndMs);
  std::lock_guard<std::mutex> guard(x->lock);
  result.answer = x->answer;
  return result;
}

}  // namespace vt

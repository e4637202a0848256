// URL splitting, HTTP dates, HTTP download against real servers on 127.0.0.1 (sound and
// hostile), local address text.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "capture/uHttpDate.h"
#include "capture/uWebUtils.h"
#include "support/HttpTestServer.h"
#include "support/TestEnv.h"

using namespace vt;
using test::HttpTestServer;
using Pace = HttpTestServer::Pace;

TEST(SplitURL, EveryRule) {
  struct Case { const char* url; const char* scheme; const char* host; const char* path; uint16_t port; bool ok; };
  const Case cases[] = {
      {"http://server/dir/file.xml", "http", "server", "dir/file.xml", 80, true},
      {"HTTPS://server:8443/a/b?x=1&y=/z", "HTTPS", "server", "a/b?x=1&y=/z", 8443, true},
      {"https://secure.example/x", "https", "secure.example", "x", 443, true},
      {"HtTpS://h", "HtTpS", "h", "", 443, true},
      {"server", "http", "server", "", 80, true},
      {"server/p/q", "http", "server", "p/q", 80, true},
      {"ftp://files/pub", "ftp", "files", "pub", 0, true},
      {"http://host:abc/p", "http", "host", "p", 80, true},
      {"http://host/", "http", "host", "", 80, true},
      {"http://host:8080", "http", "host", "", 8080, true},
      {"http://host:65535/p", "http", "host", "p", 65535, true},
      {"file://", "file", "", "", 0, true},
      // A port outside the range is refused, never wrapped round to another one.
      {"http://host:70000/p", "http", "host", "p", 0, false},
      {"http://host:65536/p", "http", "host", "p", 0, false},
      {"http://host:0/p", "http", "host", "p", 0, false},
      {"http://host:-80/p", "http", "host", "p", 0, false},
      {"http://host:4294967376/p", "http", "host", "p", 0, false},
  };
  for (const Case& c : cases) {
    const std::optional<UrlParts> parts = SplitURL(c.url);
    ASSERT_EQ(parts.has_value(), c.ok) << c.url;
    if (!parts) continue;
    EXPECT_EQ(parts->scheme, c.scheme) << c.url;
    EXPECT_EQ(parts->host, c.host) << c.url;
    EXPECT_EQ(parts->path, c.path) << c.url;
    EXPECT_EQ(parts->port, c.port) << c.url;
  }
}

TEST(HttpDate, TheThreeFormsAndNothingElse) {
  struct Case { const char* text; WORD year, month, day, hour, minute, second; };
  const Case dates[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", 1994, 11, 6, 8, 49, 37},
      {"  sun, 06 NOV 1994 08:49:37 gmt ", 1994, 11, 6, 8, 49, 37},
      {"Sunday, 06-Nov-94 08:49:37 GMT", 1994, 11, 6, 8, 49, 37},
      {"Friday, 04-Dec-26 08:09:10 GMT", 2026, 12, 4, 8, 9, 10},
      {"Sun Nov  6 08:49:37 1994", 1994, 11, 6, 8, 49, 37},
      {"Wed Dec 16 23:59:59 2026", 2026, 12, 16, 23, 59, 59},
      {"Thu, 29 Feb 2024 00:00:00 GMT", 2024, 2, 29, 0, 0, 0},
      {"Mon, 01 Jan 1601 00:00:00 GMT", 1601, 1, 1, 0, 0, 0},
  };
  for (const Case& c : dates) {
    const std::optional<SYSTEMTIME> date = ParseHttpDate(c.text);
    ASSERT_TRUE(date) << c.text;
    const SYSTEMTIME& t = *date;
    EXPECT_EQ(std::vector<WORD>({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond}),
              std::vector<WORD>({c.year, c.month, c.day, c.hour, c.minute, c.second}))
        << c.text;
  }
  for (const char* text : {"", "Wed", "ZZZ", ",", "0", "Wed, 02 Dec 2026", "Wed, 02 Dec 2026 10:20:30",
                           "Wed, 02 Dec 2026 10:20:30 GMT trailing", "Wed, 2 Dec 2026 10:20:30 GMT",
                           "Wed, 02 Dec 26 10:20:30 GMT", "Wed, 02 Dcm 2026 10:20:30 GMT", "Wen, 02 Dec 2026 10:20:30 GMT",
                           "Wed 02 Dec 2026 10:20:30 GMT", "Wed, 32 Dec 2026 10:20:30 GMT", "Wed, 00 Dec 2026 10:20:30 GMT",
                           "Fri, 29 Feb 2026 10:20:30 GMT", "Mon, 29 Feb 1900 10:20:30 GMT", "Wed, 02 Dec 2026 24:00:00 GMT",
                           "Wed, 02 Dec 2026 10:60:30 GMT", "Wed, 02 Dec 2026 10:20:60 GMT", "Wed, 02 Dec 1600 10:20:30 GMT",
                           "Wed, 02 Dec 2026 10:20:30 UTC", "Wed, 02 Dec 2026 10:20:30 +0000", "Wed, -2 Dec 2026 10:20:30 GMT",
                           "Wednesday, 02 Dec 2026 10:20:30 GMT", "Wed, 02-Dec-26 10:20:30 GMT", "Sun Nov 6 08:49:37 1994",
                           "Sun Nov  6 08:49:37 94", "2026-12-02T10:20:30Z", "1733134830"}) {
    EXPECT_FALSE(ParseHttpDate(text)) << text;
  }
}

namespace {

std::string Pattern(size_t size) {
  std::string body;
  for (size_t i = 0; i < size; ++i) body += static_cast<char>((i * 7 + i / 256) & 0xFF);
  return body;
}

bool InInternetCache(const std::string& url) {
  DWORD size = 0;
  return ::GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size) || ::GetLastError() != ERROR_FILE_NOT_FOUND;
}

using Answers = std::vector<std::pair<std::string, HttpTestServer::Answer>>;

// Bounds small enough for a test: half a second without a byte, a second in all for a small body.
THttpLimits QuickLimits(uint64_t maxBytes) {
  THttpLimits limits(maxBytes);
  limits.idleMs = 500;
  limits.baseDeadlineMs = 1000;
  return limits;
}

HttpTestServer::Answer Chunked(const std::string& body) {
  return {200, body, "", Pace::whole, "", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"};
}

}  // namespace

// What a sound server sends arrives whole, over any file already there, and stays out of the
// platform's internet cache.
TEST(Download, SoundAnswersArriveByteForByte) {
  const std::string blocks = Pattern(4096 * 5 + 123);
  struct Case { const char* what; std::string path; Answers answers; std::string body; bool closeMayEndBody = false; };
  const Case cases[] = {
      {"many blocks, path with its query", "/dir/file.bin?x=1", {{"/dir/file.bin?x=1", {200, blocks}}}, blocks},
      {"empty body", "/empty", {{"/empty", {200, ""}}}, ""},
      {"body of the very size allowed", "/full", {{"/full", {200, Pattern(5000)}}}, Pattern(5000)},
      {"body without a length, up to the close, for a use that takes it", "/open",
       {{"/open", {200, blocks, "", Pace::whole, "-"}}}, blocks, true},
      {"head of 10 KB", "/long", {{"/long", {200, "x", "X-Padding: " + std::string(10000, 'p') + "\r\n"}}}, "x"},
      {"redirects up to the limit, relative and absolute", "/r1",
       {{"/r1", {302, "", "Location: r2\r\n"}},
        {"/r2", {301, "", "Location: /r3?y=2\r\n"}},
        {"/r3?y=2", {307, "", "Location: http://127.0.0.1:%PORT%/end\r\n"}},
        {"/end", {200, "arrived"}}},
       "arrived"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HttpTestServer server;
    for (auto [path, answer] : c.answers) {
      size_t at = answer.extraHeaders.find("%PORT%");
      if (at != std::string::npos) answer.extraHeaders.replace(at, 6, std::to_string(server.port()));
      server.Set(path, answer);
    }
    test::TempDir dir;
    std::string target = dir.file("out.bin");
    test::WriteFileBytes(target, std::string(10000, 'o'));
    THttpLimits limits(5000 + 4096 * 5);
    limits.maxRedirects = 3;
    limits.closeMayEndBody = c.closeMayEndBody;
    const THttpResult result = DownloadURLToFile(server.Url(c.path), target, limits);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.answer.status, 200);
    EXPECT_EQ(test::ReadFileBytes(target), c.body);
    EXPECT_EQ(server.CountRequests(c.path), 1u);
    EXPECT_FALSE(InInternetCache(server.Url(c.path)));
  }
}

// Every way a server can go wrong is a failed download within the deadline, with no file left. A
// body ends only at its length, or without one at the server's close where the use takes that: a
// chunked body cannot show that its last chunk came, and a reset or a stall is no close. An answer
// that is not HTTP/1.x is no answer.
TEST(Download, HostileAnswersFailWithinTheDeadlineAndLeaveNoFile) {
  const std::string block = Pattern(4096);
  struct Case { const char* what; HttpTestServer::Answer answer; int32_t status; bool closeMayEndBody = false; };
  auto raw = [](const std::string& head, const std::string& body = "") {
    return HttpTestServer::Answer{200, body, "", Pace::whole, "", head};
  };
  const Case cases[] = {
      {"not found", {404, "gone"}, 404},
      {"server error", {500, "oops"}, 500},
      {"body longer than the cap", {200, Pattern(1001)}, 200},
      {"endless body without a length", {200, block, "", Pace::endlessBody, "-"}, 200},
      {"endless body with a huge length", {200, block, "", Pace::endlessBody, "99999999999"}, 200},
      {"endless chunked body", {200, "1000\r\n" + block + "\r\n", "", Pace::endlessBody, "",
                                "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"}, 200},
      {"chunked body closed after 10 of 100 bytes", Chunked("64\r\n0123456789"), 200},
      {"chunk size that does not parse", Chunked("5\r\nhello\r\nzz\r\nabc\r\n0\r\n\r\n"), 200},
      {"chunk size of 2^32", Chunked("5\r\nhello\r\n100000000\r\nabc\r\n0\r\n\r\n"), 200},
      {"chunked body, even a whole one", Chunked("5\r\nhello\r\n0\r\n\r\n"), 200},
      {"body shorter than its length", {200, "abc", "", Pace::whole, "100"}, 200},
      {"body cut short and the connection held", {200, "abc", "", Pace::heldBody, "100"}, 200},
      {"body cut short by a reset", {200, "abc", "", Pace::resetBody, "100", "", 1, 100}, 200},
      {"body without a length, then a reset", {200, "abc", "", Pace::resetBody, "-", "", 1, 100}, 200, true},
      {"body without a length, then a reset at once", {200, "abc", "", Pace::resetBody, "-", "", 1, 0}, 200},
      {"body without a length, closed, for a use that needs one", {200, "abc", "", Pace::whole, "-"}, 200},
      {"body without a length, then silence", {200, "abc", "", Pace::heldBody, "-"}, 200, true},
      {"no status line", raw("<s>a setting</s>\r\n<s>its rest</s>\r\n"), -1, true},
      {"no status line, a blank line first", raw("\r\n\r\n<s/>"), -1, true},
      {"status line of another protocol", raw("ICY 200 OK\r\nContent-Length: 3\r\n\r\n", "abc"), -1, true},
      {"status line in lower case", raw("http/1.0 200 OK\r\nContent-Length: 3\r\n\r\n", "abc"), -1, true},
      {"HTTP/0.9 status line", raw("HTTP/0.9 200 OK\r\nContent-Length: 3\r\n\r\n", "abc"), -1, true},
      {"HTTP/2.0 status line", raw("HTTP/2.0 200 OK\r\nContent-Length: 3\r\n\r\n", "abc"), -1, true},
      {"status line and no header", raw("HTTP/1.0 200 OK\r\n\r\n", "abc"), -1, true},
      {"length that is no number", {200, "abc", "", Pace::whole, "3x"}, 200},
      {"negative length", {200, "abc", "", Pace::whole, "-3"}, 200},
      {"two lengths that differ", {200, "abc", "Content-Length: 4\r\n", Pace::whole, "3"}, 200},
      {"body one byte at a time", {200, "abc", "", Pace::slowBody, "-"}, 200},
      {"no answer at all", {200, "", "", Pace::silent}, -1},
      {"head that never ends", {200, "", "", Pace::endlessHead}, -1},
      {"redirect loop", {302, "", "Location: /fault\r\n"}, 302},
      {"redirect to a file", {302, "", "Location: file:///C:/windows/win.ini\r\n"}, 302},
      {"redirect to another protocol", {302, "", "Location: ftp://127.0.0.1/x\r\n"}, 302},
      {"redirect without a target", {302, ""}, 302},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HttpTestServer server;
    server.Set("/fault", c.answer);
    test::TempDir dir;
    std::string target = dir.file("out.bin");
    THttpLimits limits = QuickLimits(1000);
    limits.maxRedirects = 3;
    limits.closeMayEndBody = c.closeMayEndBody;
    auto start = std::chrono::steady_clock::now();
    const THttpResult result = DownloadURLToFile(server.Url("/fault"), target, limits);
    EXPECT_FALSE(result.ok);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    EXPECT_EQ(result.answer.status, c.status);  // -1 when no answer head came
    EXPECT_FALSE(test::FileExists(target));
    EXPECT_LE(server.CountRequests("/fault"), 4u);
  }
}

// When the caller gives up, the thread that talks to the server is gone before the call returns:
// it neither holds a socket nor waits on a server that keeps the connection.
TEST(Download, AGiveUpLeavesNoWorkerBehind) {
  struct Case { const char* what; HttpTestServer::Answer answer; std::string file = "out.bin"; };
  const Case cases[] = {
      {"no answer at all", {200, "", "", Pace::silent}},
      {"body held open after its first bytes", {200, "abc", "", Pace::heldBody, "100"}},
      {"body dripping past the deadline", {200, "abc", "", Pace::slowBody, "999"}},
      {"body into a file that cannot be created", {200, "abc", "", Pace::heldBody, "100"}, "no\\such\\folder\\f"},
  };
  {
    // The platform's own threads of a first download are there before the counting starts.
    HttpTestServer server;
    server.Set("/warm", {200, "x"});
    test::TempDir dir;
    ASSERT_TRUE(DownloadURLToFile(server.Url("/warm"), dir.file("w"), 100).ok);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HttpTestServer server;
    server.Set("/held", c.answer);
    test::TempDir dir;
    const std::set<DWORD> before = test::ThreadIdsOfThisProcess();
    EXPECT_FALSE(DownloadURLToFile(server.Url("/held"), dir.file(c.file), QuickLimits(1000)).ok);
    std::set<DWORD> left = test::ThreadIdsOfThisProcess();
    for (DWORD id : before) left.erase(id);
    for (DWORD id : server.AnsweringThreadIds()) left.erase(id);
    EXPECT_TRUE(left.empty()) << left.size() << " threads more than before";
  }
}

TEST(Download, RefusedConnectionOrPortGivesNoAnswer) {
  HttpTestServer server;
  server.Set("/x", {200, "data"});
  test::TempDir dir;
  // 65536 more than the server's port would wrap round to it.
  for (const std::string& url : {"http://127.0.0.1:" + std::to_string(HttpTestServer::UnusedPort()) + "/x",
                                 "http://127.0.0.1:" + std::to_string(65536 + server.port()) + "/x"}) {
    const THttpResult result = DownloadURLToFile(url, dir.file("r"), 100);
    EXPECT_FALSE(result.ok) << url;
    EXPECT_FALSE(result.answer.answered);
    EXPECT_FALSE(test::FileExists(dir.file("r")));
  }
  EXPECT_EQ(server.CountRequests("/x"), 0u);
}

TEST(Download, FileThatCannotBeCreatedIsAFailure) {
  HttpTestServer server;
  server.Set("/ok", {200, "data"});
  test::TempDir dir;
  const THttpResult result = DownloadURLToFile(server.Url("/ok"), dir.file("no\\such\\folder\\f"), 100);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.answer.status, 200);
}

// An https URL asks for TLS: a plain-HTTP server on that port never sees a readable GET.
TEST(Download, HttpsUsesTheSecureChannel) {
  HttpTestServer server;
  server.Set("/s", {200, "plain"});
  test::TempDir dir;
  std::string url = "https://127.0.0.1:" + std::to_string(server.port()) + "/s";
  EXPECT_FALSE(DownloadURLToFile(url, dir.file("s"), QuickLimits(100)).ok);
  for (const auto& line : server.RequestLines()) EXPECT_NE(line.rfind("GET ", 0), 0u) << line;
}

// A server that sends steadily finishes however long it takes within the deadline that grows with
// the size cap; one that drips ends at the deadline, one that stalls at the idle limit.
TEST(Download, SlowButSteadyServerFinishesAndADripEndsWithinTheBounds) {
  THttpLimits limits = QuickLimits(64 * 1024);
  limits.idleMs = 250;
  limits.baseDeadlineMs = 250;
  limits.slowestBytesPerSecond = 32 * 1024;  // a deadline of 2.25 s
  limits.closeMayEndBody = true;             // the drips come without a length
  const std::string body = Pattern(60 * 1024);
  struct Case { const char* what; HttpTestServer::Answer answer; bool ok; long long leastMs, mostMs, sharedMs = 0; };
  const Case cases[] = {
      {"3 KB every 40 ms", {200, body, "", Pace::pacedBody, "", "", 3 * 1024, 40}, true, 700, 2000},
      {"a byte every 100 ms", {200, body, "", Pace::pacedBody, "-", "", 1, 100}, false, 2250, 3250},
      {"a byte every 800 ms", {200, body, "", Pace::pacedBody, "-", "", 1, 800}, false, 250, 750},
      {"a byte every 100 ms, its use's deadline sooner", {200, body, "", Pace::pacedBody, "-", "", 1, 100}, false,
       600, 1100, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HttpTestServer server;
    server.Set("/paced", c.answer);
    test::TempDir dir;
    auto start = std::chrono::steady_clock::now();
    THttpLimits use = limits;
    if (c.sharedMs) use.sharedDeadline = start + std::chrono::milliseconds(c.sharedMs);
    EXPECT_EQ(DownloadURLToFile(server.Url("/paced"), dir.file("p"), use).ok, c.ok);
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(took.count(), c.leastMs);
    EXPECT_LE(took.count(), c.mostMs);
    EXPECT_EQ(test::FileExists(dir.file("p")), c.ok);
    if (c.ok) {
      EXPECT_EQ(test::ReadFileBytes(dir.file("p")), body);
    }
  }
}

TEST(LocalIP, DottedQuadsJoinedWithDots) {
  std::string ip = GetLocalIP();
  ASSERT_FALSE(ip.empty());
  int dots = 0;
  for (char c : ip) {
    if (c == '.') ++dots;
    else EXPECT_TRUE(c >= '0' && c <= '9') << ip;
  }
  EXPECT_EQ((dots + 1) % 4, 0) << ip;  // four numbers per address
}

// URL splitting, HTTP download against a real server on 127.0.0.1, local address text.
#include <gtest/gtest.h>

#include "capture/uWebUtils.h"
#include "support/HttpTestServer.h"
#include "support/TestEnv.h"

using namespace vt;

TEST(SplitURL, EveryRule) {
  struct Case { const char* url; const char* scheme; const char* host; const char* path; uint16_t port; };
  const Case cases[] = {
      {"http://server/dir/file.xml", "http", "server", "dir/file.xml", 80},
      {"HTTPS://server:8443/a/b?x=1&y=/z", "HTTPS", "server", "a/b?x=1&y=/z", 8443},
      {"https://secure.example/x", "https", "secure.example", "x", 443},
      {"HtTpS://h", "HtTpS", "h", "", 443},
      {"server", "http", "server", "", 80},
      {"server/p/q", "http", "server", "p/q", 80},
      {"ftp://files/pub", "ftp", "files", "pub", 0},
      {"http://host:abc/p", "http", "host", "p", 80},
      {"http://host:70000/p", "http", "host", "p", static_cast<uint16_t>(70000)},
      {"http://host/", "http", "host", "", 80},
      {"http://host:8080", "http", "host", "", 8080},
      {"file://", "file", "", "", 0},
  };
  for (const Case& c : cases) {
    std::string scheme = "junk", host = "junk", path = "junk";
    uint16_t port = 1;
    EXPECT_TRUE(SplitURL(c.url, scheme, host, path, port));
    EXPECT_EQ(scheme, c.scheme) << c.url;
    EXPECT_EQ(host, c.host) << c.url;
    EXPECT_EQ(path, c.path) << c.url;
    EXPECT_EQ(port, c.port) << c.url;
  }
}

class Download : public ::testing::Test {
protected:
  test::HttpTestServer server;
  test::TempDir dir;
};

TEST_F(Download, BinaryBodyOfManyBlocksArrivesByteForByte) {
  std::string body;
  for (int i = 0; i < 4096 * 5 + 123; ++i) body += static_cast<char>((i * 7 + i / 256) & 0xFF);
  server.Set("/dir/file.bin?x=1", {200, body, ""});
  int32_t status = 0;
  std::string target = dir.file("out.bin");
  ASSERT_TRUE(DownloadURLToFile(server.Url("/dir/file.bin?x=1"), target, status));
  EXPECT_EQ(status, 200);
  EXPECT_EQ(test::ReadFileBytes(target), body);
  ASSERT_EQ(server.RequestLines().size(), 1u);
  EXPECT_EQ(server.RequestLines()[0].substr(0, 22), "GET /dir/file.bin?x=1 ");
}

TEST_F(Download, ExistingFileIsOverwritten) {
  std::string target = dir.file("out.txt");
  test::WriteFileBytes(target, std::string(10000, 'o'));
  server.Set("/small", {200, "new", ""});
  int32_t status = 0;
  ASSERT_TRUE(DownloadURLToFile(server.Url("/small"), target, status));
  EXPECT_EQ(test::ReadFileBytes(target), "new");
}

TEST_F(Download, EmptyBodyGivesEmptyFile) {
  server.Set("/empty", {200, "", ""});
  int32_t status = 0;
  std::string target = dir.file("empty");
  ASSERT_TRUE(DownloadURLToFile(server.Url("/empty"), target, status));
  EXPECT_TRUE(test::FileExists(target));
  EXPECT_EQ(test::ReadFileBytes(target), "");
}

TEST_F(Download, NotFoundWritesStatusAndNoFile) {
  int32_t status = 0;
  std::string target = dir.file("missing");
  EXPECT_FALSE(DownloadURLToFile(server.Url("/nothing-here"), target, status));
  EXPECT_EQ(status, 404);
  EXPECT_FALSE(test::FileExists(target));
}

TEST_F(Download, ServerErrorIsAFailure) {
  server.Set("/broken", {500, "oops", ""});
  int32_t status = 0;
  EXPECT_FALSE(DownloadURLToFile(server.Url("/broken"), dir.file("b"), status));
  EXPECT_EQ(status, 500);
}

TEST_F(Download, RefusedConnectionLeavesStatusUntouched) {
  int32_t status = 12345;
  std::string url = "http://127.0.0.1:" + std::to_string(test::HttpTestServer::UnusedPort()) + "/x";
  EXPECT_FALSE(DownloadURLToFile(url, dir.file("r"), status));
  EXPECT_EQ(status, 12345);
  EXPECT_FALSE(test::FileExists(dir.file("r")));
}

TEST_F(Download, FileThatCannotBeCreatedIsAFailure) {
  server.Set("/ok", {200, "data", ""});
  int32_t status = 0;
  EXPECT_FALSE(DownloadURLToFile(server.Url("/ok"), dir.file("no\\such\\folder\\f"), status));
  EXPECT_EQ(status, 200);
}

// An https URL asks for TLS: a plain-HTTP server on that port never sees a readable GET.
TEST_F(Download, HttpsUsesTheSecureChannel) {
  server.Set("/s", {200, "plain", ""});
  int32_t status = 0;
  std::string url = "https://127.0.0.1:" + std::to_string(server.port()) + "/s";
  EXPECT_FALSE(DownloadURLToFile(url, dir.file("s"), status));
  for (const auto& line : server.RequestLines()) EXPECT_NE(line.rfind("GET ", 0), 0u) << line;
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

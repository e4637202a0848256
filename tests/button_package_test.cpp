// The button-image package: fetched over real HTTP, cached per site, unpacked with care.
#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/IniFile.h"
#include "capture/uWebUtils.h"
#include "control/VantrelleImpl.h"
#include "preview/uButtonPackage.h"
#include "support/HttpTestServer.h"
#include "support/TestEnv.h"

using vt::test::FileExists;
using vt::test::HttpTestServer;
using vt::test::ReadFileBytes;
using vt::test::WriteFileBytes;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;  // name, content

// A zip written by the zip library itself, entries deflated as any packer would.
std::string MakeZip(const Entries& entries) {
  vt::test::TempDir dir;
  std::string path = dir.file("made.zip");
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(archive, nullptr);
  for (const auto& [name, content] : entries) {
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    EXPECT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0) << name;
  }
  EXPECT_EQ(zip_close(archive), 0);
  return ReadFileBytes(path);
}

const char kModified1[] = "Wed, 02 Dec 2026 10:20:30 GMT";
const char kModified2[] = "Fri, 04 Dec 2026 08:09:10 GMT";

// The FILEDATE text a Last-Modified header must give: the time in local time.
std::string LocalFileDate(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
  SYSTEMTIME utc{year, month, 0, day, hour, minute, second, 0}, local{};
  FILETIME universal, localTime;
  ::SystemTimeToFileTime(&utc, &universal);
  ::FileTimeToLocalFileTime(&universal, &localTime);
  ::FileTimeToSystemTime(&localTime, &local);
  return vt::FileDateText(local);
}

const std::string kDate1 = LocalFileDate(2026, 12, 2, 10, 20, 30);

HttpTestServer::Answer Package(const std::string& zip, const char* modified) {
  return {200, zip, std::string("Last-Modified: ") + modified + "\r\n"};
}

size_t CountRequests(const HttpTestServer& server, const std::string& path) {
  auto lines = server.RequestLines();
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), "GET " + path + " HTTP/1.1"));
}

// A site of its own in the real cache folder, removed afterwards.
class ButtonPackage : public ::testing::Test {
protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    domain_ = "vt-site-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
    folder_ = vt::GetTempFolder() + "\\Vantrelle\\" + domain_;
    vt::test::RemoveTree(folder_);
  }
  void TearDown() override { vt::test::RemoveTree(folder_); }

  bool Fetch(const std::string& path, std::string& iniPath) {
    return control_.ImgBtnDownProc(domain_, server_.Url(path), iniPath);
  }
  std::string FileDate() { return vt::TIniFile(folder_ + "\\index.ini").ReadString("INFO", "FILEDATE", ""); }
  bool LogHas(const std::string& text) {
    for (const std::string& line : control_.RequestLog().Lines())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  HttpTestServer server_;
  vt::TVantrelle control_;
  std::string domain_, folder_;
};

const Entries kSkin1 = {{"index.ini", "[INFO]\r\nTITLE=First skin\r\n[ENG]\r\nUP_PRINT_RUN=images/print.bmp\r\n"},
                        {"images/print.bmp", "print image one"},
                        {"only_in_first.txt", "kept"}};
const Entries kSkin2 = {{"index.ini", "[INFO]\r\nTITLE=Second skin\r\n"}, {"images/print.bmp", "print image two"}};

}  // namespace

TEST_F(ButtonPackage, FirstFetchUnpacksIntoTheSiteFolderAndRecordsTheDate) {
  server_.Set("/skins/skin.zip", Package(MakeZip(kSkin1), kModified1));
  std::string iniPath;
  ASSERT_TRUE(Fetch("/skins/skin.zip", iniPath));
  EXPECT_EQ(iniPath, folder_ + "\\index.ini");
  EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "print image one");
  EXPECT_EQ(vt::TIniFile(iniPath).ReadString("INFO", "TITLE", ""), "First skin");
  EXPECT_EQ(FileDate(), LocalFileDate(2026, 12, 2, 10, 20, 30));
  EXPECT_FALSE(FileExists(folder_ + "\\skin.zip")) << "the zip is deleted after unpacking";
  EXPECT_TRUE(LogHas(folder_));
  EXPECT_TRUE(LogHas("skin.zip"));
}

TEST_F(ButtonPackage, UnchangedPackageIsTakenFromTheCacheAndAChangedOneFetchedAgain) {
  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  std::string iniPath;
  ASSERT_TRUE(Fetch("/skin.zip", iniPath));
  size_t afterFirst = CountRequests(server_, "/skin.zip");

  // Same Last-Modified: only the date is asked, nothing is unpacked over the cache.
  WriteFileBytes(folder_ + "\\images\\print.bmp", "changed here");
  ASSERT_TRUE(Fetch("/skin.zip", iniPath));
  EXPECT_EQ(CountRequests(server_, "/skin.zip"), afterFirst + 1);
  EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "changed here");

  // A new date on the server: downloaded, unpacked over the old files, the date recorded.
  server_.Set("/skin.zip", Package(MakeZip(kSkin2), kModified2));
  ASSERT_TRUE(Fetch("/skin.zip", iniPath));
  EXPECT_EQ(CountRequests(server_, "/skin.zip"), afterFirst + 3);
  EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "print image two");
  EXPECT_EQ(vt::TIniFile(iniPath).ReadString("INFO", "TITLE", ""), "Second skin");
  EXPECT_EQ(ReadFileBytes(folder_ + "\\only_in_first.txt"), "kept");
  EXPECT_EQ(FileDate(), LocalFileDate(2026, 12, 4, 8, 9, 10));
  EXPECT_FALSE(FileExists(folder_ + "\\skin.zip"));
}

TEST_F(ButtonPackage, SettingsFileWithoutADateIsFetchedOnceAndThenCached) {
  // The package's own "index.ini" carries no date and replaces the file when unpacked.
  server_.Set("/skin.zip", Package(MakeZip(kSkin2), kModified1));
  ::CreateDirectoryA((vt::GetTempFolder() + "\\Vantrelle").c_str(), nullptr);
  ::CreateDirectoryA(folder_.c_str(), nullptr);
  WriteFileBytes(folder_ + "\\index.ini", "[INFO]\r\nTITLE=old\r\n");
  std::string iniPath;
  ASSERT_TRUE(Fetch("/skin.zip", iniPath));
  EXPECT_EQ(FileDate(), LocalFileDate(2026, 12, 2, 10, 20, 30));
  size_t fetched = CountRequests(server_, "/skin.zip");
  ASSERT_TRUE(Fetch("/skin.zip", iniPath));
  EXPECT_EQ(CountRequests(server_, "/skin.zip"), fetched + 1) << "no second download";
}

// The date is read from the header's text: whatever the server sends there, a date or none.
TEST(PackageDate, LastModifiedHeadersAndHostileServers) {
  struct Case { const char* what; HttpTestServer::Answer answer; std::string fileDate; };
  const Case cases[] = {
      {"preferred form", {200, "zip", "Last-Modified: Wed, 02 Dec 2026 10:20:30 GMT\r\n"}, kDate1},
      {"obsolete form", {200, "zip", "Last-Modified: Wednesday, 02-Dec-26 10:20:30 GMT\r\n"}, kDate1},
      {"asctime form", {200, "zip", "Last-Modified: Wed Dec  2 10:20:30 2026\r\n"}, kDate1},
      {"a day name only", {200, "zip", "Last-Modified: Wed\r\n"}, ""},
      {"letters", {200, "zip", "Last-Modified: ZZZ\r\n"}, ""},
      {"a comma", {200, "zip", "Last-Modified: ,\r\n"}, ""},
      {"empty", {200, "zip", "Last-Modified: \r\n"}, ""},
      {"no such day", {200, "zip", "Last-Modified: Wed, 31 Feb 2026 10:20:30 GMT\r\n"}, ""},
      {"a line too long for a date", {200, "zip", "Last-Modified: " + std::string(70000, '7') + "\r\n"}, ""},
      {"no header", {200, "zip"}, ""},
      {"an error page's date", {404, "gone", "Last-Modified: Wed, 02 Dec 2026 10:20:30 GMT\r\n"}, ""},
      {"redirected to the date", {302, "", "Location: /dated\r\n"}, kDate1},
      {"redirect loop", {302, "", "Location: /p\r\n"}, ""},
      {"no answer", {200, "", "", HttpTestServer::Pace::silent}, ""},
      {"a head that never ends", {200, "", "", HttpTestServer::Pace::endlessHead}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HttpTestServer server;
    server.Set("/p", c.answer);
    server.Set("/dated", {200, "zip", std::string("Last-Modified: ") + kModified1 + "\r\n"});
    vt::THttpLimits limits;
    limits.deadlineMs = 1000;
    SYSTEMTIME time{};
    auto start = std::chrono::steady_clock::now();
    bool known = vt::GetURLLastModified(server.Url("/p"), time, limits);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_EQ(known ? vt::FileDateText(time) : "", c.fileDate);
    EXPECT_LE(server.CountRequests("/p"), 1u + vt::kHttpMaxRedirects);
  }
}

TEST_F(ButtonPackage, NoDateOrNoServerFetchesNothing) {
  std::string iniPath;
  server_.Set("/nodate.zip", {200, MakeZip(kSkin1), ""});
  EXPECT_FALSE(Fetch("/nodate.zip", iniPath));
  EXPECT_EQ(CountRequests(server_, "/nodate.zip"), 1u);
  // An error page's date is not the package's.
  server_.Set("/gone.zip", {404, "not here", std::string("Last-Modified: ") + kModified1 + "\r\n"});
  EXPECT_FALSE(Fetch("/gone.zip", iniPath));
  EXPECT_EQ(CountRequests(server_, "/gone.zip"), 1u);
  std::string url = "http://127.0.0.1:" + std::to_string(HttpTestServer::UnusedPort()) + "/skin.zip";
  EXPECT_FALSE(control_.ImgBtnDownProc(domain_, url, iniPath));
  EXPECT_TRUE(iniPath.empty());
  EXPECT_FALSE(FileExists(folder_ + "\\index.ini"));
}

TEST_F(ButtonPackage, UrlWithoutAFileNameFetchesNothing) {
  server_.Set("/skins/", Package(MakeZip(kSkin1), kModified1));
  std::string iniPath;
  EXPECT_FALSE(Fetch("/skins/", iniPath));
  EXPECT_TRUE(iniPath.empty());
  EXPECT_EQ(CountRequests(server_, "/skins/"), 1u) << "only the date was asked";
}

TEST_F(ButtonPackage, FailedDownloadKeepsTheStalePackageAndItsDate) {
  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  std::string iniPath;
  ASSERT_TRUE(Fetch("/skin.zip", iniPath));
  // The new zip cannot be stored: a folder stands where it would go.
  server_.Set("/skin.zip", Package(MakeZip(kSkin2), kModified2));
  ASSERT_TRUE(::CreateDirectoryA((folder_ + "\\skin.zip").c_str(), nullptr));
  iniPath.clear();
  EXPECT_FALSE(Fetch("/skin.zip", iniPath));
  EXPECT_EQ(iniPath, folder_ + "\\index.ini");
  EXPECT_EQ(FileDate(), LocalFileDate(2026, 12, 2, 10, 20, 30));
  EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "print image one");
}

TEST_F(ButtonPackage, EmptyDomainKeepsThePackageInTheRootAndAPathAsDomainIsRefused) {
  std::string root = vt::GetTempFolder() + "\\Vantrelle";
  server_.Set("/root.zip", Package(MakeZip({{"index.ini", "[INFO]\r\nTITLE=root\r\n"}}), kModified1));
  std::string iniPath;
  ASSERT_TRUE(control_.ImgBtnDownProc("", server_.Url("/root.zip"), iniPath));
  EXPECT_EQ(iniPath, root + "\\index.ini");
  EXPECT_EQ(vt::TIniFile(iniPath).ReadString("INFO", "TITLE", ""), "root");
  ::DeleteFileA(iniPath.c_str());

  for (const char* domain : {"..", "a\\..\\..", "x/y", "C:"}) {
    iniPath.clear();
    EXPECT_FALSE(control_.ImgBtnDownProc(domain, server_.Url("/root.zip"), iniPath)) << domain;
    EXPECT_TRUE(iniPath.empty());
  }
}

TEST_F(ButtonPackage, EntriesThatClimbOutOfTheFolderRefuseThePackage) {
  std::string parent = vt::GetTempFolder() + "\\Vantrelle";
  for (const char* bad : {"../escape.txt", "..\\escape.txt", "images/../../escape.txt", "/escape.txt",
                          "C:/escape.txt", "C:escape.txt", "\\\\server\\share\\escape.txt", "images/.../escape.txt",
                          "NUL.txt", "skin.zip"}) {
    SCOPED_TRACE(bad);
    server_.Set("/skin.zip", Package(MakeZip({{"index.ini", "[INFO]\r\nTITLE=evil\r\n"}, {bad, "payload"}}),
                                     kModified1));
    std::string iniPath;
    EXPECT_FALSE(Fetch("/skin.zip", iniPath));
    EXPECT_FALSE(FileExists(parent + "\\escape.txt"));
    EXPECT_FALSE(FileExists(folder_ + "\\index.ini")) << "nothing of a refused package is written";
    EXPECT_FALSE(FileExists(folder_ + "\\skin.zip"));
    EXPECT_TRUE(LogHas("may not be unpacked"));
  }
}

TEST_F(ButtonPackage, CorruptZipFailsCleanlyAndIsRetriedNextTime) {
  std::string zip = MakeZip(kSkin1);
  for (const std::string& body : {std::string("this is no zip"), zip.substr(0, zip.size() / 2)}) {
    server_.Set("/skin.zip", Package(body, kModified1));
    std::string iniPath;
    EXPECT_FALSE(Fetch("/skin.zip", iniPath));
    EXPECT_FALSE(FileExists(folder_ + "\\skin.zip"));
    EXPECT_TRUE(FileDate().empty());
  }
  // A damaged entry: the first entry's packed data changed, caught when it is read.
  std::string damaged = zip;
  size_t data = 30 + static_cast<uint8_t>(zip[26]) + 256 * static_cast<uint8_t>(zip[27]) +
                static_cast<uint8_t>(zip[28]) + 256 * static_cast<uint8_t>(zip[29]);
  damaged[data + 1] = static_cast<char>(damaged[data + 1] ^ 0x5A);
  server_.Set("/skin.zip", Package(damaged, kModified1));
  std::string iniPath;
  EXPECT_FALSE(Fetch("/skin.zip", iniPath));
  EXPECT_TRUE(FileDate().empty());

  server_.Set("/skin.zip", Package(zip, kModified1));
  EXPECT_TRUE(Fetch("/skin.zip", iniPath));
}

TEST(UnzipPackage, BoundsTheNumberOfEntriesAndTheUnpackedBytes) {
  vt::test::TempDir dir;
  std::string zipPath = dir.file("big.zip");
  // A megabyte of zeros packs into a few hundred bytes.
  WriteFileBytes(zipPath, MakeZip({{"zeros.bin", std::string(1 << 20, '\0')}, {"small.txt", "x"}}));
  vt::TUnzipLimits limits;
  limits.maxBytes = 1 << 19;
  EXPECT_THROW(vt::UnzipPackage(zipPath, limits), vt::Error);
  EXPECT_FALSE(FileExists(dir.file("zeros.bin")));
  EXPECT_FALSE(FileExists(dir.file("small.txt")));
  limits.maxBytes = (1 << 20) + 1;
  limits.maxEntries = 1;
  EXPECT_THROW(vt::UnzipPackage(zipPath, limits), vt::Error);
  limits.maxEntries = 2;
  vt::UnzipPackage(zipPath, limits);
  EXPECT_EQ(ReadFileBytes(dir.file("zeros.bin")).size(), 1u << 20);
  // A missing zip is nothing to unpack.
  vt::UnzipPackage(dir.file("none.zip"));
}

TEST(UnzipPackage, NamesThatStayInsideTheFolder) {
  for (const wchar_t* good : {L"index.ini", L"images/up.bmp", L"images\\down.jpg", L"images/", L"a b.bmp",
                              L"\x30dc\x30bf\x30f3.bmp", L"..name.bmp", L"COM10.bmp"})
    EXPECT_TRUE(vt::IsPackageRelativePath(good)) << good;
  for (const wchar_t* bad : {L"", L"..", L"../a", L"a/../b", L"a/..", L"/a", L"\\a", L"C:\\a", L"C:a", L"a//b",
                             L"a./b", L"a /b", L"...", L"a\x0001", L"a?b", L"a*b", L"aux", L"Con.txt", L"con.bmp.txt", L"lpt1.bmp",
                             L"images/nul", L"a:stream"})
    EXPECT_FALSE(vt::IsPackageRelativePath(bad)) << bad;
}

TEST(UnzipPackage, PackageFileNameIsCutToAFileName) {
  EXPECT_EQ(vt::PackageFileName("http://site/skins/skin.zip"), "skin.zip");
  EXPECT_EQ(vt::PackageFileName("http://site/skins/"), "");
  EXPECT_EQ(vt::PackageFileName("http://site/..\\..\\evil.zip"), "evil.zip");
  EXPECT_EQ(vt::PackageFileName("http://site/c:evil.zip"), "evil.zip");
}

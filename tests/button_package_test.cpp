// The button-image package: fetched over real HTTP, cached per site, unpacked with care, and
// nothing of a refused package left behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/FileNames.h"
#include "base/FileTree.h"
#include "base/Handles.h"
#include "base/IniFile.h"
#include "base/Strings.h"
#include "base/TempFiles.h"
#include "capture/uWebUtils.h"
#include "control/uRequestLog.h"
#include "preview/uButtonPackage.h"
#include "preview/uPackageStaging.h"
#include "preview/uSkinFile.h"
#include "support/DeviceNames.h"
#include "support/HttpTestServer.h"
#include "support/TestEnv.h"
#include "support/ZipWriter.h"

using vt::test::FileExists;
using vt::test::HttpTestServer;
using vt::test::ReadFileBytes;
using vt::test::WriteFileBytes;

namespace {

using Entries = vt::test::ZipEntries;
using vt::test::MakeZip;

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
const std::string kDate1 = LocalFileDate(2026, 12, 2, 10, 20, 30), kDate2 = LocalFileDate(2026, 12, 4, 8, 9, 10);

HttpTestServer::Answer Package(const std::string& zip, const char* modified) {
  return {200, zip, std::string("Last-Modified: ") + modified + "\r\n"};
}

// Where the packed data of the zip's n-th entry starts: the local headers follow one another.
size_t EntryData(const std::string& zip, int n) {
  auto u16 = [&](size_t at) { return static_cast<uint8_t>(zip[at]) | static_cast<uint8_t>(zip[at + 1]) << 8; };
  for (size_t at = 0;; --n) {
    size_t data = at + 30 + u16(at + 26) + u16(at + 28);
    if (n == 0) return data;
    at = data + (u16(at + 18) | u16(at + 20) << 16);
  }
}

// Every file and folder below `folder` with the content of each file.
std::map<std::wstring, std::string> Snapshot(const std::string& folder) {
  std::map<std::wstring, std::string> files;
  for (const vt::TTreeEntry& entry : vt::ListTree(vt::ToWide(folder)))
    files[entry.path] = entry.IsFolder() ? "<folder>" : ReadFileBytes(folder + "\\" + vt::ToAnsi(entry.path));
  return files;
}

// A site of its own in the real cache folder, removed afterwards.
class ButtonPackage : public ::testing::Test {
protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    domain_ = "vt-site-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
    root_ = vt::GetTempFolder() + "\\Vantrelle";
    folder_ = root_ + "\\" + domain_;
    vt::test::RemoveTree(folder_);
  }
  void TearDown() override { vt::test::RemoveTree(folder_); }

  vt::TPackageFetch Fetch(const std::string& path) {
    return vt::ImgBtnDownProc(log_, domain_, server_.Url(path));
  }
  std::string FileDate() { return vt::TIniFile(folder_ + "\\index.ini").ReadString("INFO", "FILEDATE", ""); }
  std::string Title() { return vt::TIniFile(folder_ + "\\index.ini").ReadString("INFO", "TITLE", ""); }
  bool LogHas(const std::string& text) {
    for (const std::string& line : log_.Lines())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
  // Another browser process fetching the package at `path` for this site; no process when it
  // cannot start. One told to stop at the new settings waits for good with the site's settings file
  // aside, before the new one goes in.
  struct FetchProcess {
    vt::Handle process, thread;
    DWORD id = 0;
  };
  FetchProcess StartFetch(const std::string& path, bool stopAtNewSettings = false) {
    std::string command = "\"" + vt::test::ProgramFolder() + "\\package_fetch.exe\" " + domain_ + " " +
                          server_.Url(path) + (stopAtNewSettings ? " stop-at-new-settings" : "");
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
    return {vt::Handle(pi.hProcess), vt::Handle(pi.hThread), pi.dwProcessId};
  }
  // What a fetch unpacks into before the package is accepted: nothing of it may stay.
  bool StagingLeft() {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder_ + ".~*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    ::FindClose(find);
    return true;
  }

  HttpTestServer server_;
  vt::TRequestLog log_;
  std::string domain_, root_, folder_;
};

const Entries kSkin1 = {{"index.ini", "[INFO]\r\nTITLE=First skin\r\n[ENG]\r\nUP_PRINT_RUN=images/print.bmp\r\n"},
                        {"images/print.bmp", "print image one"},
                        {"only_in_first.txt", "kept"}};
const Entries kSkin2 = {{"index.ini", "[INFO]\r\nTITLE=Second skin\r\n"}, {"images/print.bmp", "print image two"}};

}  // namespace

TEST_F(ButtonPackage, FirstFetchUnpacksIntoTheSiteFolderAndRecordsTheDate) {
  server_.Set("/skins/skin.zip", Package(MakeZip(kSkin1), kModified1));
  const vt::TPackageFetch fetch = Fetch("/skins/skin.zip");
  ASSERT_TRUE(fetch.usable);
  EXPECT_EQ(fetch.iniPath, folder_ + "\\index.ini");
  EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "print image one");
  EXPECT_EQ(Title(), "First skin");
  EXPECT_EQ(FileDate(), kDate1);
  EXPECT_EQ(Snapshot(folder_).size(), 4u) << "the package's files, and no zip";
  EXPECT_FALSE(StagingLeft());
  EXPECT_TRUE(LogHas(folder_));
  EXPECT_TRUE(LogHas("skin.zip"));
}

TEST_F(ButtonPackage, UnchangedPackageIsTakenFromTheCacheAndAChangedOneFetchedAgain) {
  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  size_t afterFirst = server_.CountRequests("/skin.zip");

  // Same Last-Modified: only the date is asked, nothing is unpacked over the cache.
  WriteFileBytes(folder_ + "\\images\\print.bmp", "changed here");
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  EXPECT_EQ(server_.CountRequests("/skin.zip"), afterFirst + 1);
  EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "changed here");

  // A new date on the server: downloaded, unpacked over the old files, the date recorded.
  server_.Set("/skin.zip", Package(MakeZip(kSkin2), kModified2));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  EXPECT_EQ(server_.CountRequests("/skin.zip"), afterFirst + 3);
  EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "print image two");
  EXPECT_EQ(Title(), "Second skin");
  EXPECT_EQ(ReadFileBytes(folder_ + "\\only_in_first.txt"), "kept");
  EXPECT_EQ(FileDate(), kDate2);
  EXPECT_FALSE(StagingLeft());
}

TEST_F(ButtonPackage, SettingsFileWithoutADateIsFetchedOnceAndThenCached) {
  // The package's own "index.ini" carries no date and replaces the file when unpacked.
  server_.Set("/skin.zip", Package(MakeZip(kSkin2), kModified1));
  ::CreateDirectoryA(root_.c_str(), nullptr);
  ::CreateDirectoryA(folder_.c_str(), nullptr);
  WriteFileBytes(folder_ + "\\index.ini", "[INFO]\r\nTITLE=old\r\n");
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  EXPECT_EQ(FileDate(), kDate1);
  size_t fetched = server_.CountRequests("/skin.zip");
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  EXPECT_EQ(server_.CountRequests("/skin.zip"), fetched + 1) << "no second download";
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
    limits.baseDeadlineMs = 1000;
    auto start = std::chrono::steady_clock::now();
    const std::optional<SYSTEMTIME> time = vt::GetURLLastModified(server.Url("/p"), limits);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_EQ(time ? vt::FileDateText(*time) : "", c.fileDate);
    EXPECT_LE(server.CountRequests("/p"), 1u + vt::kHttpMaxRedirects);
  }
}

TEST_F(ButtonPackage, NoDateOrNoServerOrNoFileNameFetchesNothing) {
  server_.Set("/nodate.zip", {200, MakeZip(kSkin1), "Last-Modified: Wed\r\n"});
  server_.Set("/skins/", Package(MakeZip(kSkin1), kModified1));
  for (const std::string& url :
       {server_.Url("/nodate.zip"), server_.Url("/skins/"),
        "http://127.0.0.1:" + std::to_string(HttpTestServer::UnusedPort()) + "/skin.zip"}) {
    const vt::TPackageFetch fetch = vt::ImgBtnDownProc(log_, domain_, url);
    EXPECT_FALSE(fetch.usable) << url;
    EXPECT_TRUE(fetch.iniPath.empty());
  }
  EXPECT_EQ(server_.CountRequests("/nodate.zip"), 1u) << "only the date was asked";
  EXPECT_EQ(server_.CountRequests("/skins/"), 1u);
  EXPECT_FALSE(FileExists(folder_ + "\\index.ini"));
}

// Whatever refuses a package, the site keeps its earlier one as it was, nothing of the refused
// one stays, and it is fetched again next time: not even its own settings file with the server's
// date is ever taken for the cache.
TEST_F(ButtonPackage, RefusedPackageLeavesTheEarlierOneAsItWas) {
  const std::string evilSettings = "[INFO]\r\nTITLE=evil\r\nFILEDATE=" + kDate2 + "\r\n";
  auto withEntry = [&](const std::string& name) {
    return MakeZip({{"index.ini", evilSettings}, {"images/print.bmp", "evil"}, {name, "payload"}});
  };
  const std::string zip = withEntry("extra.txt");
  // The second entry's packed data changed: the settings file before it unpacks well.
  std::string damaged = zip;
  damaged[EntryData(zip, 1)] ^= 0x5A;

  struct Case { const char* what; HttpTestServer::Answer answer; };
  std::vector<Case> cases = {
      {"not a zip", Package("this is no zip", kModified2)},
      {"half a zip", Package(zip.substr(0, zip.size() / 2), kModified2)},
      {"damaged entry, caught when read", Package(damaged, kModified2)},
      {"download cut short of its length", {200, zip, std::string("Last-Modified: ") + kModified2 + "\r\n",
                                            HttpTestServer::Pace::whole, std::to_string(zip.size() + 10)}},
      {"a file where the site has a folder", Package(MakeZip({{"index.ini", evilSettings}, {"images", "x"}}), kModified2)},
      {"a folder where the site has a file",
       Package(MakeZip({{"index.ini", evilSettings}, {"only_in_first.txt/x", "x"}}), kModified2)},
  };
  for (const char* bad : {"../escape.txt", "..\\escape.txt", "images/../../escape.txt", "/escape.txt", "C:/escape.txt",
                          "C:escape.txt", "\\\\server\\share\\escape.txt", "images/.../escape.txt", "NUL.txt"})
    cases.push_back({bad, Package(withEntry(bad), kModified2)});

  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  const auto before = Snapshot(folder_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server_.Set("/skin.zip", c.answer);
    for (int attempt = 0; attempt < 2; ++attempt) {
      size_t requests = server_.CountRequests("/skin.zip");
      EXPECT_FALSE(Fetch("/skin.zip").usable);
      EXPECT_EQ(server_.CountRequests("/skin.zip"), requests + 2) << "the date and the package";
      EXPECT_TRUE(Snapshot(folder_) == before);
      EXPECT_FALSE(StagingLeft());
      EXPECT_FALSE(FileExists(root_ + "\\escape.txt"));
    }
  }
  EXPECT_EQ(FileDate(), kDate1);
  EXPECT_TRUE(LogHas("may not be unpacked"));
  EXPECT_TRUE(LogHas("is damaged"));
}

// On a site that had no package, whatever refuses one leaves the site's folder empty.
TEST_F(ButtonPackage, RefusedPackageLeavesNothingOnAFreshSite) {
  const std::string zip = MakeZip({{"a.bmp", "a"}, {"images/b.bmp", "b"}, {"index.ini", "[INFO]\r\n"}, {"z.bmp", "z"}});
  std::string damaged = zip;
  damaged[EntryData(zip, 2)] ^= 0x5A;
  const std::pair<const char*, std::string> cases[] = {
      {"a folder named index.ini",
       MakeZip({{"a.bmp", "a"}, {"images/b.bmp", "b"}, {"index.ini/x.bmp", "x"}, {"z.bmp", "z"}})},
      {"a folder entry INDEX.INI", MakeZip({{"a.bmp", "a"}, {"INDEX.INI/", ""}})},
      {"a device name", MakeZip({{"a.bmp", "a"}, {"index.ini", "[INFO]\r\n"}, {"images/NUL .ico", "x"}})},
      {"a damaged entry", damaged},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    server_.Set("/skin.zip", Package(bytes, kModified1));
    EXPECT_FALSE(Fetch("/skin.zip").usable);
    EXPECT_TRUE(Snapshot(folder_).empty());
    EXPECT_FALSE(StagingLeft());
  }
}

// A file of the earlier package in use stops the placing halfway: every step made goes back, and
// the earlier files keep their names, though the package names them in other letters or by their
// short names.
TEST_F(ButtonPackage, PlacingThatFailsHalfwayIsUndone) {
  const Entries earlier = {{"index.ini", "[INFO]\r\nTITLE=First skin\r\n"}, {"a.bmp", "a1"}, {"Mixed.bmp", "m1"},
                           {"images/c.bmp", "c1"}, {"LongImageName.bmp", "l1"}};
  server_.Set("/skin.zip", Package(MakeZip(earlier), kModified1));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  const auto before = Snapshot(folder_);
  char shortPath[MAX_PATH] = "";
  ASSERT_TRUE(::GetShortPathNameA((folder_ + "\\LongImageName.bmp").c_str(), shortPath, MAX_PATH));
  const std::string shortName = std::string(shortPath).substr(std::string(shortPath).rfind('\\') + 1);
  ASSERT_NE(shortName, "LongImageName.bmp");
  const Entries later = {{"index.ini", "[INFO]\r\nTITLE=Second skin\r\n"}, {"a.bmp", "a2"}, {"MIXED.BMP", "m2"},
                         {"images/c.bmp", "c2"}, {shortName, "l2"}, {"new/d.bmp", "d2"}, {"e.bmp", "e2"}};
  server_.Set("/skin.zip", Package(MakeZip(later), kModified2));
  // Each file in turn is held: whatever the order of placing, files are placed before one of them.
  for (const char* held : {"index.ini", "a.bmp", "Mixed.bmp", "images\\c.bmp", "LongImageName.bmp"}) {
    SCOPED_TRACE(held);
    vt::FileHandle file(::CreateFileA((folder_ + "\\" + held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    EXPECT_FALSE(Fetch("/skin.zip").usable);
    file.reset();
    EXPECT_TRUE(Snapshot(folder_) == before);
    EXPECT_FALSE(StagingLeft());
  }
  EXPECT_TRUE(LogHas("in place"));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  EXPECT_EQ(Title(), "Second skin");
  EXPECT_EQ(FileDate(), kDate2);
  EXPECT_EQ(ReadFileBytes(folder_ + "\\new\\d.bmp"), "d2");
  EXPECT_EQ(ReadFileBytes(folder_ + "\\Mixed.bmp"), "m2");
}

// A device name anywhere in an entry refuses the package, and the site keeps its earlier one.
TEST_F(ButtonPackage, DeviceNamesInEntriesRefuseThePackage) {
  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  const auto before = Snapshot(folder_);
  for (const std::wstring& device : vt::test::kDeviceNames)
    for (const std::wstring& entry : vt::test::DeviceNameForms(device)) {
      SCOPED_TRACE(vt::ToUtf8(entry));
      server_.Set("/skin.zip", Package(MakeZip({{"index.ini", "[INFO]\r\nTITLE=evil\r\n"},
                                                {"images/print.bmp", "evil"},
                                                {vt::ToUtf8(entry), "payload"}}),
                                       kModified2));
      EXPECT_FALSE(Fetch("/skin.zip").usable);
      EXPECT_TRUE(Snapshot(folder_) == before);
      EXPECT_FALSE(StagingLeft());
    }
  EXPECT_TRUE(LogHas("may not be unpacked"));
}

// The page names the zip and the site: a device's name fetches nothing, nor does another site's
// folder named by its short name.
TEST_F(ButtonPackage, DeviceOrShortNamesForTheZipOrTheSiteFetchNothing) {
  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  for (const std::wstring& device : vt::test::kDeviceNames) {
    const std::string name = vt::ToAnsi(device);
    SCOPED_TRACE(name);
    // The names that stand in a URL's path as they are.
    const char kUrlSafe[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.$";
    if (name.find_first_not_of(kUrlSafe) == std::string::npos) {
      const std::string path = "/skins/" + name + ".zip";
      server_.Set(path, Package(MakeZip(kSkin1), kModified1));
      const vt::TPackageFetch fetch = Fetch(path);
      EXPECT_FALSE(fetch.usable);
      EXPECT_TRUE(fetch.iniPath.empty());
      EXPECT_EQ(server_.CountRequests(path), 1u) << "only the date was asked";
    }
    const vt::TPackageFetch fetch = vt::ImgBtnDownProc(log_, name, server_.Url("/skin.zip"));
    EXPECT_FALSE(fetch.usable);
    EXPECT_TRUE(fetch.iniPath.empty());
  }
  EXPECT_TRUE(Snapshot(folder_).empty());
  EXPECT_EQ(server_.CountRequests("/skin.zip"), vt::test::kDeviceNames.size()) << "only the date was asked";

  ASSERT_TRUE(Fetch("/skin.zip").usable);
  char shortPath[MAX_PATH] = "";
  ASSERT_TRUE(::GetShortPathNameA(folder_.c_str(), shortPath, MAX_PATH));
  const std::string shortName = std::string(shortPath).substr(std::string(shortPath).rfind('\\') + 1);
  ASSERT_NE(shortName, domain_);
  server_.Set("/other.zip", Package(MakeZip(kSkin2), kModified2));
  EXPECT_FALSE(vt::ImgBtnDownProc(log_, shortName, server_.Url("/other.zip")).usable);
  EXPECT_EQ(Title(), "First skin");
}

// The URL's file name never reaches the disk: a name the platform would read as the settings
// file or as one of the package's own files takes nothing away.
TEST_F(ButtonPackage, UrlNamesLikeThePackagesOwnFilesTakeNothingAway) {
  server_.Set("/first.zip", Package(MakeZip(kSkin1), kModified1));
  ASSERT_TRUE(Fetch("/first.zip").usable);
  for (const char* name : {"/index.ini.", "/INDEX.INI", "/index.ini..", "/images", "/only_in_first.txt"}) {
    SCOPED_TRACE(name);
    server_.Set(name, Package(MakeZip(kSkin2), kModified2));
    EXPECT_TRUE(Fetch(name).usable);
    EXPECT_EQ(Title(), "Second skin");
    EXPECT_EQ(FileDate(), kDate2);
    EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "print image two");
    EXPECT_EQ(ReadFileBytes(folder_ + "\\only_in_first.txt"), "kept");
    EXPECT_FALSE(StagingLeft());
    server_.Set("/first.zip", Package(MakeZip(kSkin1), kModified1));
    ASSERT_TRUE(Fetch("/first.zip").usable);
  }
}

// A settings file of `size` bytes: a title, then a comment that fills it up.
std::string SettingsOfSize(size_t size) {
  std::string text = "[INFO]\r\nTITLE=Large\r\n;";
  text.resize(size - 2, 'x');
  return text + "\r\n";
}

// A real index.ini is a few KB, and the profile functions read one whole at every key: a larger one
// refuses the package before anything is placed, and one in the cache is not read but fetched again.
TEST_F(ButtonPackage, SettingsFileLargerThanItsBoundRefusesThePackage) {
  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  const auto before = Snapshot(folder_);
  const size_t bound = vt::kMaxSkinFileBytes;
  // Refused also where the date the fetch records would take the file past the bound.
  for (size_t size : {bound - 20, bound, bound + 1, size_t{60} << 20}) {
    SCOPED_TRACE(size);
    server_.Set("/skin.zip", Package(MakeZip({{"index.ini", SettingsOfSize(size)}, {"images/print.bmp", "large"}}),
                                     kModified2));
    EXPECT_FALSE(Fetch("/skin.zip").usable);
    EXPECT_TRUE(Snapshot(folder_) == before);
    EXPECT_FALSE(StagingLeft());
  }
  EXPECT_TRUE(LogHas("index.ini is larger than 65536 bytes"));
  server_.Set("/skin.zip", Package(MakeZip({{"index.ini", SettingsOfSize(bound - 100)}}), kModified2));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  EXPECT_EQ(Title(), "Large");
  EXPECT_LE(ReadFileBytes(folder_ + "\\index.ini").size(), bound);

  // One that an earlier version let into the cache, its date the server's: fetched again.
  std::string cached = SettingsOfSize(bound + 1);
  cached.insert(8, "FILEDATE=" + kDate2 + "\r\n");
  WriteFileBytes(folder_ + "\\index.ini", cached);
  server_.Set("/skin.zip", Package(MakeZip(kSkin2), kModified2));
  const size_t requests = server_.CountRequests("/skin.zip");
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  EXPECT_EQ(server_.CountRequests("/skin.zip"), requests + 2) << "the date and the package";
  EXPECT_EQ(Title(), "Second skin");
}

// A fetch that its process's end cut short (a browser killed while downloading) leaves its staging
// folder beside the site's; the next fetch of that site removes it, and nothing that a running
// process or another site may still own.
TEST_F(ButtonPackage, NextFetchRemovesTheStagingFoldersOfKilledFetches) {
  // A body that never comes whole: the other process waits in its download until it is killed.
  server_.Set("/held.zip", {200, "PK", std::string("Last-Modified: ") + kModified1 + "\r\n",
                            HttpTestServer::Pace::heldBody, "100000"});
  const FetchProcess fetch = StartFetch("/held.zip");
  ASSERT_TRUE(fetch.process);
  // Its staging folder exists before it asks for the package.
  for (int i = 0; i < 3000 && server_.CountRequests("/held.zip") < 2; ++i) ::Sleep(10);
  ASSERT_EQ(server_.CountRequests("/held.zip"), 2u) << "the date and the package";
  ::TerminateProcess(fetch.process.get(), 1);
  ::WaitForSingleObject(fetch.process.get(), INFINITE);
  const std::string killed = folder_ + vt::Format(".~%lu-", fetch.id);
  WIN32_FIND_DATAA data;
  vt::FindHandle left(::FindFirstFileA((killed + "*").c_str(), &data));
  ASSERT_TRUE(left) << "the killed fetch left its staging folder";
  const std::string killedFolder = root_ + "\\" + data.cFileName;
  left.reset();

  auto isFolder = [](const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  // Kept: a folder of a running fetch (its mark held), one of another site, one of no fetch. Gone:
  // one of this running process without a mark (the folder and its mark are made under the site's
  // claim: its fetch died before it made one).
  const std::string running = folder_ + vt::Format(".~%lu-99998", ::GetCurrentProcessId());
  const std::string kept[] = {running, root_ + "\\" + domain_ + "x" + vt::Format(".~%lu-0", fetch.id),
                              folder_ + ".~notes"};
  const std::string unmarked = folder_ + vt::Format(".~%lu-99999", ::GetCurrentProcessId());
  for (const std::string& folder : kept) ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  ASSERT_TRUE(::CreateDirectoryA(unmarked.c_str(), nullptr));
  vt::Handle mark(::CreateFileA((running + "\\fetching").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(mark);
  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  EXPECT_TRUE(Fetch("/skin.zip").usable);
  EXPECT_FALSE(isFolder(killedFolder));
  EXPECT_FALSE(isFolder(unmarked));
  mark.reset();
  for (const std::string& folder : kept) {
    EXPECT_TRUE(isFolder(folder)) << folder;
    vt::test::RemoveTree(folder);
  }
  vt::test::RemoveTree(killedFolder);
  vt::test::RemoveTree(unmarked);
}

// The one staging folder of the fetch process `processId` beside the site's folder, or "".
std::string StagingOf(const std::string& siteFolder, DWORD processId) {
  WIN32_FIND_DATAA data;
  const vt::FindHandle found(::FindFirstFileA((siteFolder + vt::Format(".~%lu-*", processId)).c_str(), &data));
  return found ? siteFolder.substr(0, siteFolder.rfind('\\') + 1) + data.cFileName : "";
}

// How many entries `folder` holds, counted up to `most`.
int EntriesUpTo(const std::string& folder, int most) {
  WIN32_FIND_DATAA data;
  const vt::FindHandle found(::FindFirstFileA((folder + "\\*").c_str(), &data));
  int count = 0;
  if (found)
    do count += std::string(data.cFileName) != "." && std::string(data.cFileName) != "..";
    while (count < most && ::FindNextFileA(found.get(), &data));
  return count;
}

// A browser killed while it places a newer package, early, late, or with the site's settings file
// aside before the new one went in: the next request finds the earlier package whole (the files set
// aside go back before the dead fetch's folder goes), never the new settings over part of a package,
// and the fetch after it places the new package whole. The dead fetch is told from a live one
// whoever has its process id, and what it set aside goes back only into the site it found: a fetch
// that placed a newer package meanwhile keeps it whole. While another fetch holds the site's claim,
// a fetch touches nothing there.
TEST_F(ButtonPackage, AFetchKilledWhilePlacingLeavesTheEarlierPackageWhole) {
  Entries earlier = {{"index.ini", "[INFO]\r\nTITLE=First skin\r\n"}};
  Entries later = {{"index.ini", "[INFO]\r\nTITLE=Second skin\r\n"}};
  const int files = 980;
  for (int i = 0; i < files; ++i) {
    const std::string name = vt::Format(i % 10 ? "f%03d.bmp" : "images/f%03d.bmp", i);
    earlier.push_back({name, "earlier " + name});
    later.push_back({name, "later " + name});
  }
  const std::string zip = MakeZip(later);
  auto placed = [&] {
    int count = 0;
    for (const auto& [path, content] : Snapshot(folder_)) count += content.rfind("later ", 0) == 0;
    return count;
  };
  enum Next { failedDownload, idTakenByThisProcess, heldUntilANewerWentIn, claimedByThisProcess };
  // Killed once this many earlier files wait aside, the new ones in their places; or, every new
  // file in, once the settings file waits aside too.
  const int settingsAside = files + 1;
  const struct {
    int aside;
    Next next;
  } cases[] = {{10, failedDownload},       {800, failedDownload},        {settingsAside, failedDownload},
               {10, idTakenByThisProcess}, {10, heldUntilANewerWentIn}, {10, claimedByThisProcess}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.aside);
    SCOPED_TRACE(c.next);
    vt::test::RemoveTree(folder_);
    server_.Set("/skin.zip", Package(MakeZip(earlier), kModified1));
    ASSERT_TRUE(Fetch("/skin.zip").usable);
    const auto before = Snapshot(folder_);

    server_.Set("/skin.zip", Package(zip, kModified2));
    const bool atSettings = c.aside == settingsAside;
    const FetchProcess fetch = StartFetch("/skin.zip", atSettings);
    ASSERT_TRUE(fetch.process);
    std::string staging;
    auto reached = [&] {
      return atSettings ? FileExists(staging + "\\replaced\\index.ini")
                        : EntriesUpTo(staging + "\\replaced", c.aside) >= c.aside;
    };
    for (int i = 0; i < 6000 && !reached(); ++i) {
      if (staging.empty()) staging = StagingOf(folder_, fetch.id);
      if (::WaitForSingleObject(fetch.process.get(), 0) == WAIT_OBJECT_0) break;
      ::Sleep(5);
    }
    ::TerminateProcess(fetch.process.get(), 1);
    ::WaitForSingleObject(fetch.process.get(), INFINITE);
    const int placedWhenKilled = placed();
    ASSERT_GT(placedWhenKilled, 0) << "killed while placing";
    if (atSettings) {
      ASSERT_EQ(placedWhenKilled, files) << "killed with every new file in";
      ASSERT_FALSE(FileExists(folder_ + "\\index.ini")) << "killed with no settings in the site";
    } else {
      ASSERT_LT(placedWhenKilled, files) << "killed while placing";
      EXPECT_EQ(Title(), "First skin") << "the new settings go in last";
    }

    vt::Handle heldMark;
    if (c.next == failedDownload) {
      // The date says the package changed and its download fails: the earlier package dresses the
      // window.
      server_.Set("/skin.zip", {200, zip, std::string("Last-Modified: ") + kModified2 + "\r\n",
                                HttpTestServer::Pace::whole, std::to_string(zip.size() + 10)});
      const vt::TPackageFetch failed = Fetch("/skin.zip");
      EXPECT_FALSE(failed.usable) << "the half package is not taken as current";
      EXPECT_EQ(failed.iniPath, folder_ + "\\index.ini");
      EXPECT_TRUE(Snapshot(folder_) == before) << "the earlier package, whole";
      EXPECT_FALSE(StagingLeft());
    } else if (c.next == claimedByThisProcess) {
      // Another browser's fetch waits for the claim in vain and gives up, the dead fetch's files
      // still aside: it neither puts them back nor places its own.
      const auto killed = Snapshot(folder_);
      const vt::TSiteClaim claim(folder_);
      ASSERT_TRUE(claim);
      const FetchProcess waiting = StartFetch("/skin.zip");
      ASSERT_TRUE(waiting.process);
      ASSERT_EQ(::WaitForSingleObject(waiting.process.get(), 60000), WAIT_OBJECT_0);
      EXPECT_TRUE(Snapshot(folder_) == killed) << "nothing placed, nothing put back";
      EXPECT_EQ(StagingOf(folder_, fetch.id), staging);
    } else {
      // The dead fetch's id is now a running process's, this one's; or its process hangs on, its
      // mark held, while a newer package goes in.
      const std::string renamed = folder_ + vt::Format(".~%lu-99999", ::GetCurrentProcessId());
      ASSERT_TRUE(::MoveFileA(staging.c_str(), renamed.c_str()));
      if (c.next == heldUntilANewerWentIn)
        heldMark.reset(::CreateFileA((renamed + "\\fetching").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_EQ(static_cast<bool>(heldMark), c.next == heldUntilANewerWentIn);
    }

    server_.Set("/skin.zip", Package(zip, kModified2));
    ASSERT_TRUE(Fetch("/skin.zip").usable);
    EXPECT_EQ(Title(), "Second skin");
    EXPECT_EQ(FileDate(), kDate2);
    EXPECT_EQ(placed(), files) << "the new package, whole";
    if (c.next == failedDownload) continue;
    EXPECT_EQ(StagingLeft(), c.next == heldUntilANewerWentIn) << "a dead fetch's folder goes, a live one's stays";
    if (c.next == claimedByThisProcess) continue;

    // The next fetch, under another process, finds the hung fetch ended; the newer package stays.
    heldMark.reset();
    const auto newer = Snapshot(folder_);
    const FetchProcess next = StartFetch("/skin.zip");
    ASSERT_TRUE(next.process);
    ASSERT_EQ(::WaitForSingleObject(next.process.get(), 60000), WAIT_OBJECT_0);
    EXPECT_TRUE(Snapshot(folder_) == newer) << "the newer package, whole";
    EXPECT_FALSE(StagingLeft());
  }
}

// A page without a domain (a local file) has a folder of its own that no site's name names: its
// package reaches no other site's folder, nor the cache root.
TEST_F(ButtonPackage, EmptyDomainHasAFolderOfItsOwnAndAPathAsDomainIsRefused) {
  const std::string local = root_ + "\\~local";
  vt::test::RemoveTree(local);
  server_.Set("/skin.zip", Package(MakeZip(kSkin1), kModified1));
  ASSERT_TRUE(Fetch("/skin.zip").usable);
  server_.Set("/root.zip", Package(MakeZip({{"index.ini", "[INFO]\r\nTITLE=local\r\n"},
                                            {domain_ + "/index.ini", "[INFO]\r\nTITLE=evil\r\n"},
                                            {domain_ + "/images/print.bmp", "evil"}}),
                                   kModified1));
  const vt::TPackageFetch fetch = vt::ImgBtnDownProc(log_, "", server_.Url("/root.zip"));
  ASSERT_TRUE(fetch.usable);
  EXPECT_EQ(fetch.iniPath, local + "\\index.ini");
  EXPECT_EQ(vt::TIniFile(fetch.iniPath).ReadString("INFO", "TITLE", ""), "local");
  EXPECT_EQ(Title(), "First skin") << "another site's skin stays";
  EXPECT_EQ(ReadFileBytes(folder_ + "\\images\\print.bmp"), "print image one");
  EXPECT_FALSE(FileExists(root_ + "\\index.ini"));
  vt::test::RemoveTree(local);

  for (const char* domain : {"..", "a\\..\\..", "x/y", "C:", "~local"}) {
    const vt::TPackageFetch refused = vt::ImgBtnDownProc(log_, domain, server_.Url("/root.zip"));
    EXPECT_FALSE(refused.usable) << domain;
    EXPECT_TRUE(refused.iniPath.empty());
  }
}

TEST(UnzipPackage, BoundsTheNumberOfEntriesAndTheUnpackedBytes) {
  vt::test::TempDir dir;
  std::string zipPath = dir.file("big.zip"), folder = dir.file("out");
  ::CreateDirectoryA(folder.c_str(), nullptr);
  // A megabyte of zeros packs into a few hundred bytes.
  WriteFileBytes(zipPath, MakeZip({{"zeros.bin", std::string(1 << 20, '\0')}, {"small.txt", "x"}}));
  vt::TUnzipLimits limits;
  limits.maxBytes = 1 << 19;
  EXPECT_THROW(vt::UnzipPackage(zipPath, folder, limits), vt::Error);
  EXPECT_TRUE(Snapshot(folder).empty());
  limits.maxBytes = (1 << 20) + 1;
  limits.maxEntries = 1;
  EXPECT_THROW(vt::UnzipPackage(zipPath, folder, limits), vt::Error);
  limits.maxEntries = 2;
  vt::UnzipPackage(zipPath, folder, limits);
  EXPECT_EQ(ReadFileBytes(folder + "\\zeros.bin").size(), 1u << 20);
  // A missing zip is nothing to unpack.
  vt::UnzipPackage(dir.file("none.zip"), folder);
}

TEST(UnzipPackage, NamesThatStayInsideTheFolder) {
  for (const wchar_t* good : {L"index.ini", L"images/up.bmp", L"images\\down.jpg", L"images/", L"a b.bmp",
                              L"\x30dc\x30bf\x30f3.bmp", L"..name.bmp", L"COM10.bmp"})
    EXPECT_TRUE(vt::StaysInFolder(good)) << good;
  for (const wchar_t* bad : {L"", L"..", L"../a", L"a/../b", L"a/..", L"/a", L"\\a", L"C:\\a", L"C:a", L"a//b",
                             L"a./b", L"a /b", L"...", L"a\x0001", L"a?b", L"a*b", L"aux", L"Con.txt", L"con.bmp.txt", L"lpt1.bmp",
                             L"images/nul", L"a:stream"})
    EXPECT_FALSE(vt::StaysInFolder(bad)) << bad;
}

TEST(UnzipPackage, DeviceNamesInEveryPartOfAPath) {
  for (const std::wstring& device : vt::test::kDeviceNames)
    for (const std::wstring& path : vt::test::DeviceNameForms(device)) {
      EXPECT_TRUE(vt::NamesDevice(path)) << vt::ToUtf8(path);
      EXPECT_TRUE(vt::NamesDevice(vt::ToAnsi(path))) << vt::ToUtf8(path);
      EXPECT_FALSE(vt::StaysInFolder(path)) << vt::ToUtf8(path);
    }
  for (const std::wstring& plain : vt::test::kPlainNamesNearDevices) {
    EXPECT_FALSE(vt::NamesDevice(L"images\\" + plain)) << vt::ToUtf8(plain);
    EXPECT_TRUE(vt::StaysInFolder(L"images/" + plain)) << vt::ToUtf8(plain);
  }
}

TEST(UnzipPackage, PackageFileNameIsCutToAFileName) {
  EXPECT_EQ(vt::PackageFileName("http://site/skins/skin.zip"), "skin.zip");
  EXPECT_EQ(vt::PackageFileName("http://site/skins/"), "");
  EXPECT_EQ(vt::PackageFileName("http://site/..\\..\\evil.zip"), "evil.zip");
  EXPECT_EQ(vt::PackageFileName("http://site/c:evil.zip"), "evil.zip");
}

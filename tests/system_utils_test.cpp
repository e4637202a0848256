// Integrity level, Windows version codes, temporary folder and files, browser version.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "base/Handles.h"
#include "base/SystemInfo.h"
#include "base/TempFiles.h"
#include "capture/uGetIEVersion.h"
#include "support/TestEnv.h"

using namespace vt;

TEST(IntegrityLevel, RidRangesMapToLevels) {
  struct { DWORD rid; uint8_t level; } cases[] = {
      {0, 1},      {1, 2},      {0x1000, 2}, {0x1FFF, 2}, {0x2000, 3}, {0x3000, 3},
      {0x3FFF, 3}, {0x4000, 4}, {0x4FFF, 4}, {0x5000, 5}, {0x7000, 5},
  };
  for (auto c : cases) EXPECT_EQ(IntegrityLevelFromRid(c.rid), c.level) << std::hex << c.rid;
}

TEST(WindowsVersion, CodesOfReportedVersions) {
  auto nt = [](DWORD major, DWORD minor) { return ReportedVersion{VER_PLATFORM_WIN32_NT, major, minor, 0, ""}; };
  auto w9x = [](DWORD minor, const char* sp, DWORD build = 0) {
    return ReportedVersion{VER_PLATFORM_WIN32_WINDOWS, 4, minor, build, sp};
  };
  EXPECT_EQ(WindowsVersionCode(w9x(0, "")), 1);
  EXPECT_EQ(WindowsVersionCode(w9x(0, " B ")), 2);
  EXPECT_EQ(WindowsVersionCode(w9x(10, " C")), 3);
  EXPECT_EQ(WindowsVersionCode(w9x(10, " A")), 4);
  EXPECT_EQ(WindowsVersionCode(w9x(90, "", 0x045A0BB8)), 5);
  EXPECT_EQ(WindowsVersionCode(w9x(90, "", 1234)), 0);
  EXPECT_EQ(WindowsVersionCode(nt(3, 51)), 6);
  EXPECT_EQ(WindowsVersionCode(nt(4, 0)), 7);
  EXPECT_EQ(WindowsVersionCode(nt(5, 0)), 8);
  EXPECT_EQ(WindowsVersionCode(nt(5, 1)), 9);
  EXPECT_EQ(WindowsVersionCode(nt(5, 2)), 0);
  EXPECT_EQ(WindowsVersionCode(nt(6, 0)), 10);
  EXPECT_EQ(WindowsVersionCode(nt(6, 1)), 11);
  EXPECT_EQ(WindowsVersionCode(nt(6, 2)), 12);
  EXPECT_EQ(WindowsVersionCode(nt(6, 3)), 13);
  EXPECT_EQ(WindowsVersionCode(nt(6, 4)), 0);
  EXPECT_EQ(WindowsVersionCode(nt(10, 0)), 0);
}

// Wine reports the Windows version configured for a program name; the probe runs under each.
TEST(WindowsVersion, WhatTheRoutinesSeeOnEachPlatform) {
  const std::string key = "Software\\Wine\\AppDefaults\\version_probe.exe";
  struct { const char* wine; const char* expected; } cases[] = {
      {"vista", "10 1 0 0 1 3"}, {"win7", "11 1 0 0 1 3"},  {"win8", "12 1 1 0 1 3"},
      {"win81", "13 1 1 1 1 3"}, {"win10", "0 0 0 0 0 0"},
  };
  for (auto c : cases) {
    RegKey k;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr), 0);
    ::RegSetValueExA(k.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.wine), strlen(c.wine) + 1);
    k.reset();
    auto r = test::RunChild("\"" + test::ProgramFolder() + "\\version_probe.exe\"");
    ASSERT_EQ(r.exitCode, 0);
    std::istringstream out(r.output);
    int code, vista, win8, win81, read, level;
    std::string temp;
    out >> code >> vista >> win8 >> win81 >> read >> level;
    std::getline(out >> std::ws, temp);
    std::ostringstream got;
    got << code << " " << vista << " " << win8 << " " << win81 << " " << read << " " << level;
    EXPECT_EQ(got.str(), c.expected) << c.wine;
    // High integrity (what Wine always reports) takes the user's temporary folder, as does 10.0.
    char tempPath[MAX_PATH];
    ::GetTempPathA(MAX_PATH, tempPath);
    std::string expectedTemp(tempPath);
    expectedTemp.pop_back();
    EXPECT_EQ(temp.substr(0, temp.find_last_not_of("\r\n") + 1), expectedTemp) << c.wine;
  }
  ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

TEST(TempFiles, FolderHasNoTrailingBackslash) {
  std::string folder = GetTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_NE(::GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(TempFiles, NewEmptyUniqueFilesAndCurrentDirectoryRestored) {
  char before[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, before);
  std::set<std::string> names;
  for (int i = 0; i < 300; ++i) {
    const std::optional<std::string> made = GetTempFile("", "");
    ASSERT_TRUE(made);
    const std::string name = *made;
    EXPECT_EQ(name.rfind(GetTempFolder() + "\\", 0), 0u) << name;
    EXPECT_TRUE(names.insert(name).second) << "repeated " << name;
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(::GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) << name;
    EXPECT_EQ(data.nFileSizeLow, 0u);
  }
  for (const auto& name : names) ::DeleteFileA(name.c_str());
  char after[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, after);
  EXPECT_STREQ(before, after);
}

TEST(TempFiles, DotMeansTheCurrentDirectoryAndPrefixIsUsed) {
  test::TempDir dir;
  char before[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, before);
  ::SetCurrentDirectoryA(dir.path().c_str());
  const std::string name = GetTempFile(".", "vt").value_or("");
  ::SetCurrentDirectoryA(before);
  std::string base = name.substr(name.rfind('\\') + 1);
  EXPECT_EQ(name.substr(0, name.rfind('\\')), dir.path());
  EXPECT_EQ(base.substr(0, 2), "vt");
  EXPECT_TRUE(test::FileExists(name));
}

TEST(TempFiles, MissingFolderGivesNoNameAndKeepsDirectory) {
  char before[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, before);
  EXPECT_FALSE(GetTempFile("C:\\no\\such\\folder", ""));
  char after[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, after);
  EXPECT_STREQ(before, after);
}

class IEVersionKey : public ::testing::Test {
protected:
  static constexpr const char* kKey = "software\\microsoft\\internet explorer";
  void SetUp() override {
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr), 0);
    DWORD size = sizeof(saved_);
    hadValue_ = ::RegQueryValueExA(key_.get(), "Version", nullptr, &savedType_, reinterpret_cast<BYTE*>(saved_), &size) == 0;
    savedSize_ = size;
  }
  void TearDown() override {
    if (hadValue_) ::RegSetValueExA(key_.get(), "Version", 0, savedType_, reinterpret_cast<BYTE*>(saved_), savedSize_);
    else ::RegDeleteValueA(key_.get(), "Version");
  }
  void SetVersion(const char* v) {
    ::RegSetValueExA(key_.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(v), strlen(v) + 1);
  }
  RegKey key_;
  bool hadValue_ = false;
  DWORD savedType_ = 0, savedSize_ = 0;
  char saved_[512] = {};
};

TEST_F(IEVersionKey, MajorVersionFromTheRegistry) {
  SetVersion("11.0.9600.16428");
  EXPECT_EQ(GetIEVersion(), 11);
  SetVersion("8.00.6001.18702");
  EXPECT_EQ(GetIEVersion(), 8);
  SetVersion("x9.1");
  EXPECT_EQ(GetIEVersion(), 6);
  SetVersion("");
  EXPECT_EQ(GetIEVersion(), 6);
  ::RegDeleteValueA(key_.get(), "Version");
  EXPECT_EQ(GetIEVersion(), 6);
}

TEST_F(IEVersionKey, ValueOfAnotherTypeIsAnError) {
  DWORD v = 11;
  ::RegSetValueExA(key_.get(), "Version", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof(v));
  EXPECT_THROW(GetIEVersion(), std::exception);
}

TEST(IEVersionText, FirstPieceOnly) {
  EXPECT_EQ(IEVersionFromText("9"), 9);
  EXPECT_EQ(IEVersionFromText("10.0"), 10);
  EXPECT_EQ(IEVersionFromText("abc.0"), 6);
}

// The string tables: what each language's table holds (StringTables), and what the resource loader
// and the request log hand out under the user's interface language (InterfaceLanguage). ctest runs
// the InterfaceLanguage tests once more under the Unix locale of each language's users (LANG), from
// which Wine takes the interface language, the user locale and the ANSI code page.
#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <set>
#include <string>

#include "base/Strings.h"
#include "control/uRequestLog.h"
#include "resources/StringIds.h"
#include "support/TestEnv.h"

using namespace vt;

namespace {

using Table = std::map<unsigned, std::wstring>;

const LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const LANGID kKorean = MAKELANGID(LANG_KOREAN, SUBLANG_DEFAULT);
const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Every block of 16 ids that holds an entry.
const unsigned kIdRanges[][2] = {{10000, 10031}, {20000, 20159}, {65104, 65119}};

// The entries one language sees when its table is asked for by name (neutral blocks included).
Table ReadTable(LANGID language) {
  Table table;
  HMODULE module = ThisModule();
  for (const auto& range : kIdRanges)
    for (unsigned block = range[0] / 16; block <= range[1] / 16; ++block) {
      HRSRC found = ::FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(block + 1), language);
      if (!found) continue;
      auto p = static_cast<const WCHAR*>(::LockResource(::LoadResource(module, found)));
      for (unsigned id = block * 16; id < block * 16 + 16; ++id) {
        unsigned length = *p++;
        if (length) table[id] = std::wstring(p, length);
        p += length;
      }
    }
  return table;
}

const Table& TableOf(LANGID language) {
  static std::map<LANGID, Table> tables;
  auto found = tables.find(language);
  return found != tables.end() ? found->second : tables[language] = ReadTable(language);
}

std::set<unsigned> Ids(std::initializer_list<std::pair<unsigned, unsigned>> ranges) {
  std::set<unsigned> ids;
  for (auto [first, last] : ranges)
    for (unsigned id = first; id <= last; ++id) ids.insert(id);
  return ids;
}

std::set<unsigned> KeysOf(const Table& table) {
  std::set<unsigned> keys;
  for (const auto& entry : table) keys.insert(entry.first);
  return keys;
}

const char* Name(LANGID language) {
  return language == kJapanese ? "Japanese" : language == kKorean ? "Korean" : "English";
}

// The printf conversions of a text, one letter each: d (d, i), u, s. Anything else stays as it is
// (another conversion, a length modifier, a lone '%' as '!') and so fails a comparison.
std::string Conversions(const std::wstring& text) {
  std::string kinds;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') continue;
    if (++i == text.size()) return kinds + '!';
    if (text[i] == L'%') continue;
    while (i < text.size() && std::wcschr(L"-+ #0123456789.", text[i])) ++i;
    if (i == text.size()) return kinds + '!';
    wchar_t c = text[i];
    kinds += c == L'i' ? 'd' : c < 128 ? static_cast<char>(c) : '?';
  }
  return kinds;
}

const char* const kDefaultHelpAddress = "http://help.vantrelle.example/help/help.html?pv=1.6.4";

}  // namespace

TEST(StringTables, EveryLanguageHoldsItsIds) {
  const std::set<unsigned> messages = Ids({{10000, 10001}, {10003, 10008}, {10010, 10014}, {10016, 10029}, {65107, 65107}});
  std::set<unsigned> full = Ids({{20000, 20010}, {20029, 20059}, {20063, 20158}});
  full.insert(messages.begin(), messages.end());
  std::set<unsigned> japanese = Ids({{20000, 20010}, {20029, 20059}, {20063, 20146}, {20150, 20150}, {20156, 20158}});
  japanese.insert(messages.begin(), messages.end());

  EXPECT_EQ(KeysOf(TableOf(kKorean)), full);
  EXPECT_EQ(KeysOf(TableOf(kEnglish)), full);
  EXPECT_EQ(KeysOf(TableOf(kJapanese)), japanese);
}

TEST(StringTables, PlaceholdersAgreeAcrossLanguages) {
  // What the writers pass, per template; every other text takes nothing.
  const std::map<unsigned, std::string> passed = {
      {kTextPrintProgress, "dd"},       {kLogPackageModifiedTime, "dddddd"}, {kLogFoundDocument, "uu"},
      {kLogFoundBrowser, "u"},          {kLogClientSize, "dd"},              {kLogErrorMessage, "s"},
      {kLogResizingParentWindow, "dd"}, {kLogPreviewOption, "s"},  {kLogPageBreakBeforeCorrection, "dd"},
      {kLogPageBreakPosition, "dd"},    {kLogDownloadingFormFile, "ss"},     {kLogAnalysingFormFile, "s"},
      {kLogDownloadingImage, "s"},      {kLogLoadingImage, "s"},             {kLogDeletingFile, "ds"},
      {kLogFreeError, "s"},             {kLogOrientation, "s"},              {kLogCurrentZoom, "s"},
      {kLogZoomRestored, "s"},          {kLogWindowRefused, "u"},
  };
  // Texts that show only the first arguments: the rest are passed and ignored.
  const std::set<std::pair<LANGID, unsigned>> showsFewer = {
      {kEnglish, kTextPrintProgress}, {kJapanese, kLogPageBreakBeforeCorrection}, {kJapanese, kLogPageBreakPosition}};

  for (LANGID language : {kJapanese, kKorean, kEnglish})
    for (const auto& [id, text] : TableOf(language)) {
      auto p = passed.find(id);
      std::string expected = p == passed.end() ? "" : p->second;
      std::string shown = Conversions(text);
      if (showsFewer.count({language, id})) {
        EXPECT_LT(shown.size(), expected.size()) << Name(language) << " " << id;
        EXPECT_EQ(shown, expected.substr(0, shown.size())) << Name(language) << " " << id;
      } else {
        EXPECT_EQ(shown, expected) << Name(language) << " " << id;
      }
    }
}

TEST(StringTables, TemplatesFormatWithTheWritersArguments) {
  auto format = [](LANGID language, unsigned id, int a, int b) {
    const std::wstring& text = TableOf(language).at(id);
    // A wrong conversion would crash the formatting, not fail the comparison.
    if (std::string("dd").rfind(Conversions(text), 0) != 0) return std::string("bad template");
    return Format(ToUtf8(text).c_str(), a, b);
  };
  EXPECT_EQ(format(kKorean, kTextPrintProgress, 2, 3), u8"2/3 페이지 인쇄중");
  EXPECT_EQ(format(kJapanese, kTextPrintProgress, 2, 3), u8"2/3 ページ印刷中");
  EXPECT_EQ(format(kEnglish, kTextPrintProgress, 2, 3), "Prepare printing..");
  EXPECT_EQ(format(kKorean, kLogPageBreakPosition, 4, 1234), u8"페이지 나누기 [4] 위치 : 1234");
  EXPECT_EQ(format(kJapanese, kLogPageBreakPosition, 4, 1234), u8"改ページ [4] の位置");
  EXPECT_EQ(format(kEnglish, kLogPageBreakPosition, 4, 1234), "Page break [4] position : 1234");
}

TEST(StringTables, LanguageIndependentEntriesAndSaveRefusalLineBreaks) {
  const std::wstring limit = L"[Real Size]에는 1에서 100 사이의 값을 입력하십시오.";
  for (LANGID language : {kJapanese, kKorean, kEnglish}) {
    SCOPED_TRACE(Name(language));
    EXPECT_EQ(TableOf(language).at(kMsgZoomOutOfRange), limit);
    // The help button needs an address whatever the language.
    EXPECT_EQ(ToUtf8(TableOf(language).at(kDefaultHelpUrl)), kDefaultHelpAddress);
    EXPECT_NE(TableOf(language).at(kMsgSaveRefusedProtectedMode).find(L"\r\n\r\n"), std::wstring::npos);
    EXPECT_NE(TableOf(language).at(kMsgSaveRefusedLowIntegrity).find(L"\r\n"), std::wstring::npos);
  }
}

namespace {

// What a user of this process's Unix locale (LANG) must get; unknown locales expect nothing.
struct UserLanguage {
  const char* locale;
  LANGID uiLanguage;
  UINT codePage;
  LANGID table;
  const char* closeMessage;  // text 20000 in the code page
};

const UserLanguage kUserLanguages[] = {
    {"ja_JP", 0x0411, 932, kJapanese,
     "\x8f\x49\x97\xb9\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57\x82\xf0\x8e\xf3\x90\x4d\x82\xb5\x82\xdc\x82\xb5\x82\xbd"},
    {"ko_KR", 0x0412, 949, kKorean,
     "\xc1\xbe\xb7\xe1\x20\xb8\xde\xbd\xc3\xc1\xf6\xb8\xa6\x20\xb9\xde\xbe\xd2\xbd\xc0\xb4\xcf\xb4\xd9"},
    {"en_US", 0x0409, 1252, kEnglish, "Close message received"},
    {"fr_FR", 0x040c, 1252, kEnglish, "Close message received"},
    {"de_DE", 0x0407, 1252, kEnglish, "Close message received"},
    {"C", 0x0409, 1252, kEnglish, "Close message received"},  // no locale at all: Wine's default
};

const UserLanguage* ExpectedUserLanguage() {
  char lang[64] = {};
  if (!::GetEnvironmentVariableA("LANG", lang, sizeof(lang))) strcpy(lang, "C");
  for (const UserLanguage& user : kUserLanguages)
    if (std::string(lang).rfind(user.locale, 0) == 0) return &user;
  return nullptr;
}

// The table the loader must pick for this process: the interface language's, English otherwise.
LANGID ExpectedTable() {
  LANGID ui = ::GetUserDefaultUILanguage();
  return PRIMARYLANGID(ui) == LANG_JAPANESE ? kJapanese : PRIMARYLANGID(ui) == LANG_KOREAN ? kKorean : kEnglish;
}

}  // namespace

TEST(InterfaceLanguage, UnixLocaleSetsLanguageAndCodePage) {
  const UserLanguage* user = ExpectedUserLanguage();
  if (!user) GTEST_SKIP() << "no expectation for this LANG";
  EXPECT_EQ(::GetUserDefaultUILanguage(), user->uiLanguage) << "is the Unix locale " << user->locale
                                                            << ".UTF-8 there? scripts/setup.sh generates it";
  EXPECT_EQ(::GetACP(), user->codePage);
  EXPECT_EQ(ExpectedTable(), user->table);
}

TEST(InterfaceLanguage, LoaderPicksTheTableOfTheUserLanguage) {
  const Table& table = TableOf(ExpectedTable());
  SCOPED_TRACE(Name(ExpectedTable()));
  // Every id of the fullest table: an id the picked table lacks comes back empty, not from another table.
  for (const auto& entry : TableOf(kKorean)) {
    unsigned id = entry.first;
    auto found = table.find(id);
    std::wstring expected = found == table.end() ? std::wstring() : found->second;
    EXPECT_EQ(LoadResStringW(id), expected) << id;
    EXPECT_EQ(LoadResString(id), ToAnsi(expected)) << id;
  }
}

TEST(InterfaceLanguage, RequestLogFileIsInTheSystemCodePage) {
  const UserLanguage* user = ExpectedUserLanguage();
  if (!user) GTEST_SKIP() << "no expectation for this LANG";
  test::TempDir dir;
  std::string path = dir.file("Vantrelle.log");
  TRequestLog log;
  log.WriteLogText("ActiveX::Run", kLogCloseMessage);
  ASSERT_TRUE(log.SaveToFile(path));

  std::string content = test::ReadFileBytes(path);
  const std::string head = "[ActiveX::Run] >> ", tail = std::string(" >>") + user->closeMessage + "\r\n";
  ASSERT_GT(content.size(), head.size() + tail.size());
  EXPECT_EQ(content.substr(0, head.size()), head);
  EXPECT_EQ(content.substr(content.size() - tail.size()), tail);
  EXPECT_EQ(content.find('\n'), content.size() - 1) << "one line";
}

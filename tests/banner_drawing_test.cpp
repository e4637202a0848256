// Drawing banners: macros and user string items, date-time patterns against fixed dates,
// and the drawn pixels (text in its box, fonts, prefix ampersands, CJK text, stretching).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "page/uXMLBitmap.h"
#include "support/BannerSetting.h"

using namespace vt;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);

// 5 March 2026, 14:07:09.045, a Thursday.
const TDateTime kThursday = EncodeDateTime(2026, 3, 5, 14, 7, 9, 45);

std::wstring Locale(LCTYPE type) {
  wchar_t buffer[128] = L"";
  ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
  return buffer;
}

std::wstring SystemDate(TDateTime t, DWORD flags) {
  SYSTEMTIME st = DateTimeToSystemTime(t);
  wchar_t buffer[128] = L"";
  ::GetDateFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, 128);
  return buffer;
}

std::wstring SystemTime(TDateTime t, DWORD flags) {
  SYSTEMTIME st = DateTimeToSystemTime(t);
  wchar_t buffer[128] = L"";
  ::GetTimeFormatW(LOCALE_USER_DEFAULT, flags, &st, nullptr, buffer, 128);
  return buffer;
}

using Picture = std::unique_ptr<TBitmap>;
const TBitmap& Bits(const TBitmap& b) { return b; }
const TBitmap& Bits(const Picture& b) { return *b; }

// Bounding box and count of the pixels of `picture` that differ from `background`.
struct Ink {
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  long count = 0;
};
template <class P>
Ink InkOf(const P& picture, COLORREF background = kWhite) {
  const TBitmap& b = Bits(picture);
  Ink ink;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.Pixel(x, y) != background) {
        ++ink.count;
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
      }
  return ink;
}

template <class A, class B>
bool SamePixels(const A& first, const B& second) {
  const TBitmap &a = Bits(first), &b = Bits(second);
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}

}  // namespace

TEST(DateTimeValues, DaysSince1899AndBack) {
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 12, 0, 0, 0), 36526.5);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  auto fields = [](TDateTime t) {
    SYSTEMTIME st = DateTimeToSystemTime(t);
    return Format("%d-%d-%d weekday %d %d:%d:%d.%d", st.wYear, st.wMonth, st.wDay, st.wDayOfWeek, st.wHour,
                  st.wMinute, st.wSecond, st.wMilliseconds);
  };
  EXPECT_EQ(fields(kThursday), "2026-3-5 weekday 4 14:7:9.45");
  EXPECT_EQ(fields(-1.25), "1899-12-29 weekday 5 6:0:0.0");
  EXPECT_EQ(fields(EncodeDateTime(2024, 2, 29, 23, 59, 59, 999)), "2024-2-29 weekday 4 23:59:59.999");
  EXPECT_EQ(DateTimeToSystemTime(1e300).wYear, 0);  // out of range: no date at all
}

TEST(DateTimePatterns, EveryPatternOnAFixedDate) {
  const std::wstring date = Locale(LOCALE_SDATE), time = Locale(LOCALE_STIME);
  ASSERT_FALSE(SystemDate(kThursday, DATE_SHORTDATE).empty());
  struct Case { std::wstring pattern, expected; };
  const Case cases[] = {
      {L"c", SystemDate(kThursday, DATE_SHORTDATE) + L" " + SystemTime(kThursday, 0)},
      {L"", SystemDate(kThursday, DATE_SHORTDATE) + L" " + SystemTime(kThursday, 0)},
      {L"d|dd|D", L"5|05|5"},
      {L"ddd", Locale(LOCALE_SABBREVDAYNAME4)},
      {L"DDDD", Locale(LOCALE_SDAYNAME4)},
      {L"ddddd", SystemDate(kThursday, DATE_SHORTDATE)},
      {L"dddddd", SystemDate(kThursday, DATE_LONGDATE)},
      {L"m|mm|M", L"3|03|3"},
      {L"mmm", Locale(LOCALE_SABBREVMONTHNAME3)},
      {L"MMMM", Locale(LOCALE_SMONTHNAME3)},
      {L"yy|yyyy|y|yyy", L"26|2026|26|2026"},
      {L"h|hh|H", L"14|14|14"},
      {L"n|nn|s|ss", L"7|07|9|09"},
      {L"z|zzz", L"45|045"},
      {L"t", SystemTime(kThursday, TIME_NOSECONDS)},
      {L"tt", SystemTime(kThursday, 0)},
      {L"h am/pm|hh AM/PM|h a/p|H A/P|h Am/pM", L"2 pm|02 PM|2 p|2 P|2 pM"},
      {L"hh ampm", L"02 " + Locale(LOCALE_S2359)},
      {L"hh:mm|h:m|hh mm|hh x mm|hhmm", L"14" + time + L"07|14" + time + L"7|14 07|14 x 03|1407"},
      {L"yyyy/mm/dd", L"2026" + date + L"03" + date + L"05"},
      {L"'yyyy' \"d/d\" yyyy", L"yyyy d/d 2026"},
      {L"yyyy 'unclosed", L"2026 unclosed"},
      {L"Q.,-_ #% b e g", L"Q.,-_ #% b e g"},
      {L"a ap", L"a ap"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, kThursday), c.expected) << ToUtf8(c.pattern);

  TDateTime morning = EncodeDateTime(2026, 3, 5, 9, 5, 0, 0), midnight = EncodeDateTime(2026, 3, 5, 0, 0, 0, 0);
  EXPECT_EQ(FormatDateTime(L"h:nn am/pm", morning), L"9" + time + L"05 am");
  EXPECT_EQ(FormatDateTime(L"hh ampm", morning), L"09 " + Locale(LOCALE_S1159));
  EXPECT_EQ(FormatDateTime(L"h a/p", midnight), L"12 a");
  EXPECT_EQ(FormatDateTime(L"h 'am/pm'", kThursday), L"14 am/pm");  // quoted: no 12-hour clock
  EXPECT_EQ(FormatDateTime(L"h h am/pm", kThursday), L"14 2 pm");   // only the last hour before it
  EXPECT_EQ(FormatDateTime(L"c", midnight), SystemDate(midnight, DATE_SHORTDATE));  // no time at midnight
  EXPECT_EQ(FormatDateTime(L"c", EncodeDateTime(2026, 3, 5, 0, 0, 0, 500)), SystemDate(midnight, DATE_SHORTDATE));
}

// Sets the user's date and time separators for the scope, then puts back every value that
// setting them may have changed.
class LocaleSeparators {
public:
  LocaleSeparators(const wchar_t* date, const wchar_t* time) {
    for (LCTYPE type : kTypes) saved_.push_back(Locale(type));
    ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDATE, date);
    ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, time);
  }
  ~LocaleSeparators() {
    for (size_t i = 0; i < saved_.size(); ++i) ::SetLocaleInfoW(LOCALE_USER_DEFAULT, kTypes[i], saved_[i].c_str());
  }
  static std::wstring Snapshot() {
    std::wstring all;
    for (LCTYPE type : kTypes) all += Locale(type) + L"|";
    return all;
  }

private:
  static constexpr LCTYPE kTypes[] = {LOCALE_SDATE, LOCALE_STIME, LOCALE_SSHORTDATE, LOCALE_SLONGDATE,
                                      LOCALE_STIMEFORMAT};
  std::vector<std::wstring> saved_;
};

TEST(DateTimePatterns, SeparatorsAreTheSystems) {
  const std::wstring date = Locale(LOCALE_SDATE), time = Locale(LOCALE_STIME), before = LocaleSeparators::Snapshot();
  TDateTime t = EncodeDateTime(2026, 3, 5, 14, 7, 0, 0);
  {
    LocaleSeparators separators(L"-", L":");
    ASSERT_EQ(Locale(LOCALE_SDATE), L"-");
    EXPECT_EQ(FormatDateTime(L"yyyy/mm/dd hh:nn", t), L"2026-03-05 14:07");
  }
  {
    LocaleSeparators separators(L".", L".");
    ASSERT_EQ(Locale(LOCALE_STIME), L".");
    EXPECT_EQ(FormatDateTime(L"dd/mm/yy hh:nn", t), L"05.03.26 14.07");
  }
  EXPECT_EQ(FormatDateTime(L"/:", t), date + time);
  EXPECT_EQ(LocaleSeparators::Snapshot(), before);
}

TEST(Macros, PageValuesAndUnknownNames) {
  TXMLBitmap b;
  b.Page = 2;
  b.PageCount = 5;
  b.UserIP = "10.0.0.7.192.168.1.2";
  b.DateTime = kThursday;
  b.TimeFormat = L"yyyy/mm/dd";
  b.ParseTemplate(L"Page ^page^ of ^pages^");
  EXPECT_EQ(b.BuildText(), L"Page 2 of 5");
  b.ParseTemplate(L"^PAGE^/^Pages^^foo^!");
  EXPECT_EQ(b.BuildText(), L"2/5!");
  b.ParseTemplate(L"ip ^userip^ at ^datetime^");
  EXPECT_EQ(b.BuildText(), L"ip 10.0.0.7.192.168.1.2 at " + FormatDateTime(L"yyyy/mm/dd", kThursday));
  b.TimeFormat.clear();
  b.ParseTemplate(L"^datetime^");
  EXPECT_EQ(b.BuildText(), FormatDateTime(L"c", kThursday));
}

TEST(Macros, TextIsCutAtTheLongestValue) {
  TXMLBitmap b;
  b.DateTime = kThursday;
  b.TimeFormat = L"dddd yyyy";
  std::wstring value;
  for (int i = 0; i < 400; ++i) value += L"^datetime^";
  b.ParseTemplate(value);
  std::wstring expected;
  while (expected.size() < kMaxNodeText) expected += FormatDateTime(b.TimeFormat, kThursday);
  expected.resize(kMaxNodeText);
  EXPECT_EQ(b.BuildText(), expected);
}

TEST(Macros, UserStringItems) {
  using V = std::vector<std::wstring>;
  EXPECT_EQ(SplitUserStr(L"a^b"), (V{L"a", L"b"}));
  EXPECT_EQ(SplitUserStr(L"  a^ b\r\nc\n\nd\r"), (V{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(SplitUserStr(L"^^  ^"), V{});
  EXPECT_EQ(SplitUserStr(L"'x^y'^z \"q^r\"s^t"), (V{L"'x^y'", L"z \"q^r\"s", L"t"}));
  EXPECT_EQ(SplitUserStr(L"'open^end"), (V{L"'open^end"}));
  EXPECT_EQ(SplitUserStr(L"a b ^ c "), (V{L"a b ", L"c "}));

  TXMLBitmap header;
  header.UserStr = "a^b";
  header.ParseTemplate(L"^userstr^-^userstr^");
  for (int page = 1; page <= 3; ++page) {  // every page starts again at the first item
    header.Page = page;
    EXPECT_EQ(header.BuildText(), L"a-b") << page;
  }
  header.ParseTemplate(L"^userstr^^userstr^^userstr^");
  EXPECT_THROW(header.BuildText(), Error);
  header.UserStr.clear();
  header.ParseTemplate(L"no items needed ^page^");
  EXPECT_EQ(header.BuildText(), L"no items needed 3");
  header.ParseTemplate(L"^userstr^");
  EXPECT_THROW(header.BuildText(), Error);
}

TEST(Macros, JapaneseUserStringIsCutOnlyAtRealCarets) {
  // U+30BF is 0x83 0x5E in Shift-JIS: its second byte is a caret.
  TXMLBitmap b;
  b.UserStr = ToAnsi(L"\u30BF\u30A4\u30C8\u30EB^two", 932);
  b.ParseTemplate(L"^userstr^");
  if (::GetACP() == 932) {  // the Japanese run of this program
    EXPECT_EQ(b.BuildText(), L"\u30BF\u30A4\u30C8\u30EB");
  }
  EXPECT_EQ(SplitUserStr(L"\u30BF^x"), (std::vector<std::wstring>{L"\u30BF", L"x"}));
}

class Drawing : public ::testing::Test {
protected:
  ComApartment com;
  test::TempDir dir;
  TURLImg urls;
  std::string path;

  void Write(const std::string& sections, const std::map<std::string, test::GifPicture>& gifs = {}) {
    path = test::WriteBannerSetting(dir, sections, urls, gifs);
  }
  // A banner of 300 x 60 whose text element holds `text`.
  void WriteText(const std::string& text, const std::string& bottomText = "<value>x</value>") {
    Write("<top><width>300</width><height>60</height><text>" + text + "</text></top>"
          "<bottom><width>300</width><height>60</height><text>" + bottomText + "</text></bottom>");
  }
  // The banner drawn 1:1 on a fresh white bitmap of its size.
  static Picture Draw(TXMLBitmap& banner) {
    auto target = std::make_unique<TBitmap>(banner.GetWidth(), banner.GetHeight());
    banner.DrawTo(target->Canvas(), 0, 0, target->Width(), target->Height());
    return target;
  }
  Picture LoadAndDraw(const char* section = "top", int page = 1) {
    TXMLBitmap banner;
    EXPECT_TRUE(banner.Load(&urls, section, 800, 1000));
    banner.Page = page;
    banner.PageCount = 5;
    return Draw(banner);
  }
};

TEST_F(Drawing, BannerWithoutTextIsItsBitmapAndStretches) {
  std::map<std::string, test::GifPicture> gifs{{"p", test::PatternGif(40, 30)}};
  Write("<top><width>100</width><height>30</height><imgcount>1</imgcount><img1><imgid>p</imgid></img1></top>"
        "<bottom><width>100</width><height>30</height><imgcount>1</imgcount><img1><imgid>p</imgid></img1>"
        "<text><value></value></text></bottom>",
        gifs);
  for (const char* section : {"top", "bottom"}) {
    TXMLBitmap banner;
    ASSERT_TRUE(banner.Load(&urls, section, 800, 1000));
    EXPECT_TRUE(banner.Segments.empty());
    EXPECT_TRUE(SamePixels(Draw(banner), banner.Banner)) << section;

    // Twice the size, at an offset: solid areas keep their colour, the rest stays untouched.
    TBitmap target(260, 100);
    target.Fill(RGB(1, 2, 3));
    banner.DrawTo(target.Canvas(), 30, 20, 200, 60);
    EXPECT_EQ(::GetStretchBltMode(target.Canvas()), HALFTONE);
    EXPECT_EQ(target.Pixel(29, 50), RGB(1, 2, 3));
    EXPECT_EQ(target.Pixel(230, 50), RGB(1, 2, 3));
    EXPECT_EQ(target.Pixel(100, 19), RGB(1, 2, 3));
    EXPECT_EQ(target.Pixel(100, 80), RGB(1, 2, 3));
    EXPECT_EQ(target.Pixel(30 + 3, 20 + 2), test::PatternColor(1, 1));
    EXPECT_EQ(target.Pixel(30 + 2 * 13, 20 + 2 * 10), test::PatternColor(13, 10));
    EXPECT_EQ(target.Pixel(30 + 2 * 70, 20 + 2 * 20), kWhite);
  }
}

TEST_F(Drawing, MacrosReachThePageAsTheirValues) {
  WriteText("<value>Page ^page^ of ^pages^</value>", "<value>Page 2 of 5</value>");
  Picture expanded = LoadAndDraw("top", 2), literal = LoadAndDraw("bottom");
  EXPECT_GT(InkOf(literal).count, 50);
  EXPECT_TRUE(SamePixels(expanded, literal));
  EXPECT_FALSE(SamePixels(LoadAndDraw("top", 3), literal));
}

TEST_F(Drawing, UserStringItemsInHeaderAndFooterAlike) {
  WriteText("<value>^userstr^-^userstr^</value>", "<value>^userstr^-^userstr^</value>");
  TXMLBitmap header, footer;
  ASSERT_TRUE(header.Load(&urls, "top", 800, 1000));
  ASSERT_TRUE(footer.Load(&urls, "bottom", 800, 1000));
  header.UserStr = footer.UserStr = "a^b";
  Picture first = Draw(header);
  EXPECT_GT(InkOf(first).count, 10);
  for (int page = 1; page <= 3; ++page) {
    header.Page = footer.Page = page;
    EXPECT_TRUE(SamePixels(Draw(header), first));
    EXPECT_TRUE(SamePixels(Draw(footer), first));
  }
  // The items are taken in turn: the text is "a-b", not "a-a".
  WriteText("<value>a-b</value>", "<value>a-a</value>");
  TXMLBitmap written, repeated;
  ASSERT_TRUE(written.Load(&urls, "top", 800, 1000));
  ASSERT_TRUE(repeated.Load(&urls, "bottom", 800, 1000));
  EXPECT_TRUE(SamePixels(Draw(written), first));
  EXPECT_FALSE(SamePixels(Draw(repeated), first));
  // Without items the banner does not reach the page at all.
  header.UserStr.clear();
  TBitmap target(300, 60);
  target.Fill(RGB(7, 7, 7));
  EXPECT_THROW(header.DrawTo(target.Canvas(), 0, 0, 300, 60), Error);
  EXPECT_EQ(InkOf(target, RGB(7, 7, 7)).count, 0);
  // The banner itself is never written on.
  EXPECT_EQ(InkOf(header.Banner).count, 0);
}

TEST_F(Drawing, TextSitsInItsBoxAsAligned) {
  struct Case { const char* box; int left, top, right, bottom; };
  const Case cases[] = {
      // box 100 x 30 at the right bottom; text left, vertically centred
      {"<width>100</width><height>30</height><align>right</align><valign>bottom</valign>", 200, 30, 300, 60},
      {"<width>100</width><height>30</height><align>center</align><valign>top</valign>"
       "<textalign>right</textalign><textvalign>bottom</textvalign>", 100, 0, 200, 30},
      {"<width>120</width><height>40</height><align>left</align><valign>center</valign>"
       "<textalign>center</textalign><textvalign>top</textvalign>", 0, 10, 120, 50},
  };
  for (const Case& c : cases) {
    WriteText(std::string(c.box) + "<font><size>10</size></font><value>Mid</value>");
    TXMLBitmap banner;
    ASSERT_TRUE(banner.Load(&urls, "top", 800, 1000));
    Ink ink = InkOf(Draw(banner));
    ASSERT_GT(ink.count, 20) << c.box;
    EXPECT_GE(ink.left, c.left) << c.box;
    EXPECT_LE(ink.right, c.right) << c.box;
    EXPECT_GE(ink.top, c.top) << c.box;
    EXPECT_LE(ink.bottom, c.bottom) << c.box;
    int h = banner.TextFlags & (DT_CENTER | DT_RIGHT), v = banner.TextFlags & (DT_VCENTER | DT_BOTTOM);
    int midX = (ink.left + ink.right) / 2, midY = (ink.top + ink.bottom) / 2;
    int offBy = h == DT_LEFT    ? ink.left - c.left
                : h == DT_RIGHT ? c.right - 1 - ink.right
                                : std::abs(midX - (c.left + c.right) / 2);
    EXPECT_LE(offBy, 3) << c.box;
    offBy = v == DT_TOP      ? ink.top - c.top
            : v == DT_BOTTOM ? c.bottom - 1 - ink.bottom
                             : std::abs(midY - (c.top + c.bottom) / 2);
    EXPECT_LE(offBy, 6) << c.box;
  }
}

TEST_F(Drawing, TextThatDoesNotFitIsCutAtTheBox) {
  WriteText("<width>60</width><height>20</height><align>center</align><valign>center</valign>"
            "<value>WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW</value>",
            "<font><size>200</size></font><value>Huge</value>");
  Ink ink = InkOf(LoadAndDraw("top"));
  EXPECT_GT(ink.count, 100);
  EXPECT_GE(ink.left, 120);
  EXPECT_LE(ink.right, 179);
  EXPECT_GE(ink.top, 20);
  EXPECT_LE(ink.bottom, 39);
  Ink huge = InkOf(LoadAndDraw("bottom"));  // larger than the banner: what fits is drawn
  EXPECT_GT(huge.count, 1000);
  for (const char* size : {"100000", "2147483647", "-2147483648", "-40"}) {
    WriteText(std::string("<font><size>") + size + "</size></font><value>Big</value>");
    auto start = std::chrono::steady_clock::now();
    LoadAndDraw("top");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << size;
  }
}

TEST_F(Drawing, AmpersandUnderlinesTheNextCharacterAndTwoShowOne) {
  WriteText("<font><size>16</size></font><value>R&amp;D</value>", "<font><size>16</size></font><value>RD</value>");
  Picture prefixed = LoadAndDraw("top"), plain = LoadAndDraw("bottom");
  Ink all = InkOf(plain);
  // The drawings differ only in a line under the D, below the letters.
  int diffLeft = INT_MAX, diffRight = -1, diffTop = INT_MAX, diffCount = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 300; ++x)
      if (prefixed->Pixel(x, y) != plain->Pixel(x, y)) {
        ++diffCount;
        diffLeft = std::min(diffLeft, x);
        diffRight = std::max(diffRight, x);
        diffTop = std::min(diffTop, y);
      }
  ASSERT_GT(diffCount, 3);
  EXPECT_GT(diffLeft, all.left + (all.right - all.left) / 3);  // not under the R
  EXPECT_GE(diffTop, all.bottom - 1);
  EXPECT_GT(diffRight - diffLeft, 4);

  WriteText("<font><size>16</size></font><value>R&amp;&amp;D</value>",
            "<font><size>16</size></font><value>R^^&amp;&amp;D</value>");
  Picture doubled = LoadAndDraw("top");
  Ink twoAmps = InkOf(doubled);
  EXPECT_GT(twoAmps.right - twoAmps.left, all.right - all.left + 5);  // an ampersand between R and D
  EXPECT_TRUE(SamePixels(doubled, LoadAndDraw("bottom")));
}

TEST_F(Drawing, FontColourSizeAndStyle) {
  WriteText("<font><color>red</color><size>12</size></font><value>Sample Text</value>",
            "<font><size>24</size></font><value>Sample Text</value>");
  Picture red = LoadAndDraw("top");
  Ink small = InkOf(red), large = InkOf(LoadAndDraw("bottom"));
  ASSERT_GT(small.count, 30);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 300; ++x) ASSERT_EQ(GetRValue(red->Pixel(x, y)), 255) << x << "," << y;
  EXPECT_GT(large.bottom - large.top, (small.bottom - small.top) * 3 / 2);
  EXPECT_GT(large.right - large.left, (small.right - small.left) * 3 / 2);

  WriteText("<font><size>14</size></font><value>Sample</value>",
            "<font><size>14</size><style>bold</style></font><value>Sample</value>");
  Ink normal = InkOf(LoadAndDraw("top")), bold = InkOf(LoadAndDraw("bottom"));
  EXPECT_GT(bold.count, normal.count * 6 / 5);

  WriteText("<font><size>14</size><style>underline</style></font><value>Sample</value>",
            "<font><size>14</size><style>strikeout</style></font><value>Sample</value>");
  auto longestRow = [](const TBitmap& b, int& row) {
    int best = 0;
    for (int y = 0; y < b.Height(); ++y) {
      int run = 0;
      for (int x = 0; x < b.Width(); ++x) {
        run = b.Pixel(x, y) != kWhite ? run + 1 : 0;
        if (run > best) best = run, row = y;
      }
    }
    return best;
  };
  int underRow = 0, strikeRow = 0;
  Picture under = LoadAndDraw("top"), strike = LoadAndDraw("bottom");
  EXPECT_GT(longestRow(*under, underRow), (normal.right - normal.left) * 9 / 10);
  EXPECT_GT(longestRow(*strike, strikeRow), (normal.right - normal.left) * 9 / 10);
  EXPECT_GE(underRow, normal.bottom - 2);
  EXPECT_GT(strikeRow, normal.top + 2);
  EXPECT_LT(strikeRow, normal.bottom - 2);
}

TEST_F(Drawing, ImagesStayUnderTheText) {
  std::map<std::string, test::GifPicture> gifs{{"r", test::SolidGif(50, 60, kRed)}};
  Write("<top><width>300</width><height>60</height><imgcount>1</imgcount><img1><imgid>r</imgid></img1>"
        "<text><textalign>right</textalign><value>Right side</value></text></top>",
        gifs);
  Picture drawn = LoadAndDraw("top");
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(drawn->Pixel(x, y), kRed);
  Ink ink = InkOf(drawn, kWhite);
  EXPECT_GT(ink.right, 280);
}

TEST_F(Drawing, JapaneseAndKoreanTextIsDrawnAsThoseCharacters) {
  const std::string font = "<font><name>Noto Sans CJK JP</name><size>14</size></font>";
  WriteText(font + "<value>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4</value>",
            font + "<value>\?\?\? \?\?\?</value>");
  Picture cjk = LoadAndDraw("top"), questions = LoadAndDraw("bottom");
  EXPECT_GT(InkOf(cjk).count, InkOf(questions).count * 2);
  EXPECT_FALSE(SamePixels(cjk, questions));

}

// ctest runs this program once more on a Japanese and on a Korean system, naming the
// language in VANTRELLE_TEST_LANGUAGE; the CJK drawing above then runs there too.
TEST(SystemLanguage, OnlyAJapaneseSystemDrawsWithShiftJis) {
  const char* named = std::getenv("VANTRELLE_TEST_LANGUAGE");
  std::string expected = named ? named : "English";
  char language[64] = "";
  ::GetLocaleInfoA(MAKELCID(::GetSystemDefaultLangID(), SORT_DEFAULT), LOCALE_SENGLANGUAGE, language, 64);
  ASSERT_EQ(language, expected);
  TXMLBitmap banner;
  EXPECT_EQ(banner.TextFont().lfCharSet, expected == "Japanese" ? SHIFTJIS_CHARSET : DEFAULT_CHARSET);
}

TEST(SystemLanguage, FontFromTheSetting) {
  TXMLBitmap banner;
  WindowDC screen(nullptr);
  int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  LOGFONTW gui{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  LOGFONTW font = banner.TextFont();
  EXPECT_STREQ(font.lfFaceName, gui.lfFaceName);
  EXPECT_EQ(font.lfHeight, 0);
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
  EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
  banner.FontName = L"Noto Sans CJK JP";
  banner.FontSize = 11;
  banner.FontStyle = fsBold | fsItalic | fsUnderline | fsStrikeOut;
  font = banner.TextFont();
  EXPECT_STREQ(font.lfFaceName, L"Noto Sans CJK JP");
  EXPECT_EQ(font.lfHeight, -::MulDiv(11, dpi, 72));
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_TRUE(font.lfItalic && font.lfUnderline && font.lfStrikeOut);
}

TEST_F(Drawing, ResetBannerDrawsNothing) {
  WriteText("<value>Text</value>");
  TXMLBitmap banner;
  ASSERT_TRUE(banner.Load(&urls, "top", 800, 1000));
  banner.Reset();
  TBitmap target(300, 60);
  target.Fill(RGB(7, 7, 7));
  banner.DrawTo(target.Canvas(), 0, 0, 300, 60);
  EXPECT_EQ(InkOf(target, RGB(7, 7, 7)).count, 0);
}

TEST_F(Drawing, TwoThreadsDrawingOneBannerGetTheirOwnPages) {
  WriteText("<value>Page ^page^ of ^pages^</value>");
  TXMLBitmap banner;
  ASSERT_TRUE(banner.Load(&urls, "top", 800, 1000));
  banner.PageCount = 5;
  TBitmap expected(300, 60);
  banner.Page = 4;
  banner.DrawTo(expected.Canvas(), 0, 0, 300, 60);
  // Each thread draws the same page many times onto its own target while the other draws too.
  TBitmap a(300, 60), b(300, 60);
  auto draw = [&](TBitmap* target) {
    for (int i = 0; i < 50; ++i) banner.DrawTo(target->Canvas(), 0, 0, 300, 60);
  };
  std::thread first(draw, &a), second(draw, &b);
  first.join();
  second.join();
  EXPECT_TRUE(SamePixels(a, expected));
  EXPECT_TRUE(SamePixels(b, expected));
}

// Reading a header/footer section: value forms, banner size, image placement, text box and
// font, and settings that are broken or hostile.
#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "base/ComPtr.h"
#include "base/Strings.h"
#include "page/uURLImg.h"
#include "page/uXMLBitmap.h"
#include "support/BannerSetting.h"
#include "support/LogLines.h"
#include "support/TestEnv.h"

using namespace vt;
using vt::test::LogLines;

namespace vt {
void PrintTo(const TTextSegment& s, std::ostream* os) { *os << (s.Macro ? "macro " : "text ") << ToUtf8(s.Text); }
}  // namespace vt

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 128, 0), kBlue = RGB(0, 0, 255);

std::vector<std::string> Split(char delimiter, const std::string& text, bool trimmed = false) {
  return trimmed ? SplitTrimmedStr(delimiter, text) : SplitStr(delimiter, text);
}

}  // namespace

TEST(ValueForms, SizesAlignmentsAndColours) {
  const struct { const char* text; int32_t value; bool percent; } sizes[] = {
      {"100%", 100, true}, {"60", 60, false}, {"abc", 0, false}, {"x%", 0, true}, {"50%%", 50, true}, {"-20", -20, false}};
  for (const auto& size : sizes) {
    const TBannerSize parsed = ParseSize(size.text);
    EXPECT_EQ(parsed.Value, size.value) << size.text;
    EXPECT_EQ(parsed.Percent, size.percent) << size.text;
  }

  const std::pair<const char*, int> aligns[] = {{"LEFT", 0},  {"top", 0},    {"Right", 1},      {"bottom", 1}, {"center", 2},
                                                {"centre", 0}, {"BackGround", 3}, {" left", 0}, {"", 0}};
  for (auto [text, align] : aligns) EXPECT_EQ(ParseAlign(text), align) << text;
  const std::pair<const char*, COLORREF> colors[] = {{"Red", 0x0000FF},    {"#FF0000", 0},      {"blue", 0xFF0000},
                                                     {"YELLOW", 0x00FFFF}, {"green", 0x008000}, {"white", 0xFFFFFF},
                                                     {"purple", 0x800080}, {"black", 0},        {"grey", 0}};
  for (auto [text, color] : colors) EXPECT_EQ(ParseColor(text), color) << text;
}

TEST(ValueForms, SplittingKeepsEmptyPiecesAndNeverTrims) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Split('|', "bold|italic"), (V{"bold", "italic"}));
  EXPECT_EQ(Split('|', "a||b|"), (V{"a", "", "b", ""}));
  EXPECT_EQ(Split('|', ""), V{});
  EXPECT_EQ(Split('|', "|"), (V{"", ""}));
  EXPECT_EQ(Split('|', "   "), V{"   "});
  EXPECT_EQ(Split('.', " a.b ", true), (V{" a", "b "}));
  EXPECT_EQ(Split('.', "   ", true), V{});
  EXPECT_EQ(Split('.', "", true), V{});
}

TEST(ValueForms, TemplatesAlternateLiteralsAndMacros) {
  TXMLBitmap b;
  using S = std::vector<TTextSegment>;
  b.ParseTemplate(L"Page ^page^ of ^pages^");
  EXPECT_EQ(b.Segments, (S{{L"Page ", false}, {L"page", true}, {L" of ", false}, {L"pages", true}}));
  b.ParseTemplate(L"^page^");
  EXPECT_EQ(b.Segments, (S{{L"page", true}}));
  b.ParseTemplate(L"a^^b");
  EXPECT_EQ(b.Segments, (S{{L"a", false}, {L"b", false}}));  // after the last caret: literal
  b.ParseTemplate(L"abc^page");
  EXPECT_EQ(b.Segments, (S{{L"abc", false}, {L"page", false}}));
  b.ParseTemplate(L"^a^^b^c");
  EXPECT_EQ(b.Segments, (S{{L"a", true}, {L"b", true}, {L"c", false}}));  // empty pieces flip too
  b.ParseTemplate(L"");
  EXPECT_TRUE(b.Segments.empty());
  b.ParseTemplate(L"^^");
  EXPECT_TRUE(b.Segments.empty());
}

class Setting : public ::testing::Test {
protected:
  ComApartment com;
  test::TempDir dir;
  LogLines log;
  TURLImg urls{&log};
  TXMLBitmap banner;
  std::string path;

  void Write(const std::string& sections, const std::map<std::string, test::GifPicture>& gifs = {}) {
    path = test::WriteBannerSetting(dir, sections, urls, gifs);
  }
  bool Load(int pageWidth = 761, int pageHeight = 1000, const char* section = "top") {
    return banner.Load(&urls, section, pageWidth, pageHeight);
  }
  // Columns of the banner's top row that hold `color`, as [first, last] runs.
  std::vector<std::pair<int, int>> Runs(COLORREF color, int y = 0) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < banner.Banner.Width(); ++x) {
      if (banner.Banner.Pixel(x, y) != color) continue;
      if (!runs.empty() && runs.back().second == x - 1) runs.back().second = x;
      else runs.push_back({x, x});
    }
    return runs;
  }
  void ExpectAllWhite() {
    for (int y = 0; y < banner.GetHeight(); ++y)
      for (int x = 0; x < banner.GetWidth(); ++x) ASSERT_EQ(banner.Banner.Pixel(x, y), kWhite) << x << "," << y;
  }
  static std::string Img(int n, const std::string& inner) {
    std::string name = "img" + std::to_string(n);
    return "<" + name + ">" + inner + "</" + name + ">";
  }
};

using RunList = std::vector<std::pair<int, int>>;

TEST_F(Setting, PercentOfThePageAndPixelsGiveAWhiteBanner) {
  Write("<top><width>100%</width><height>60</height></top><bottom><width>10%</width><height>5%</height>"
        "<align>Center</align></bottom>");
  ASSERT_TRUE(Load());
  EXPECT_EQ(banner.GetWidth(), 761);
  EXPECT_EQ(banner.GetHeight(), 60);
  EXPECT_EQ(banner.PageWidth, 761);
  EXPECT_EQ(banner.Align, 0);
  ExpectAllWhite();
  EXPECT_TRUE(banner.Segments.empty());
  EXPECT_TRUE(banner.TextLayer.Empty());

  ASSERT_TRUE(Load(761, 1000, "bottom"));
  EXPECT_EQ(banner.GetWidth(), 76);
  EXPECT_EQ(banner.GetHeight(), 50);
  EXPECT_EQ(banner.Align, 2);
}

TEST_F(Setting, WidthThatIsNoNumberGivesAnEmptyBannerThatDrawsNothing) {
  Write("<top><width>abc</width><height>40</height><text><value>^page^</value></text></top>");
  ASSERT_TRUE(Load());
  EXPECT_EQ(banner.GetWidth(), 0);
  TBitmap target(50, 50);
  target.Fill(RGB(1, 2, 3));
  banner.DrawTo(target.Canvas(), 0, 0, 50, 50);
  EXPECT_EQ(target.Pixel(10, 10), RGB(1, 2, 3));
}

TEST_F(Setting, EveryFailedLoadLeavesNoBanner) {
  const char* good = "<top><width>30</width><height>20</height><text><value>^page^</value></text></top>";
  const struct {
    std::string setting;  // sections, or the whole file when it does not start with one
    const char* section;
  } cases[] = {
      {"<top><width>100</width></top>", "top"},
      {"<bottom><height>5</height></bottom>", "bottom"},
      {good, "TOP"},  // names keep their letters
      {good, "middle"},
      {"<setting><top><width>10</width><height>10</height></top>", "top"},  // not closed
      {"\xEF\xBB\xBF<setting><top><width>10</width><height>1\x01</height></top></setting>", "top"},
      // Sized and filled, then a part that is no number.
      {"<top><width>30</width><height>20</height><imgcount>two</imgcount></top>", "top"},
      {"<top><width>-1</width><height>10</height></top>", "top"},
      {"<top><width>10</width><height>-5%</height></top>", "top"},
      {"<top><width>40000</width><height>1</height></top>", "top"},
      {"<top><width>20000</width><height>20000</height></top>", "top"},
      {"<top><width>1000000%</width><height>10</height></top>", "top"},
      {"<top><width>2147483647</width><height>2147483647</height></top>", "top"},
  };
  for (const auto& c : cases) {
    Write(good);
    ASSERT_TRUE(Load());
    if (c.setting.rfind("<top>", 0) == 0 || c.setting.rfind("<bottom>", 0) == 0) {
      Write(c.setting);
    } else {
      test::WriteFileBytes(path, c.setting);
      urls.LoadList(path);
    }
    EXPECT_FALSE(Load(761, 1000, c.section)) << c.setting;
    EXPECT_EQ(banner.GetWidth(), 0) << c.setting;
    EXPECT_EQ(banner.GetHeight(), 0) << c.setting;
    EXPECT_TRUE(banner.Segments.empty()) << c.setting;
  }
  EXPECT_FALSE(urls.LoadList(dir.file("absent.xml")));
  EXPECT_FALSE(Load());
  Write("<top><width>32767</width><height>400</height></top>");
  EXPECT_TRUE(Load());
  EXPECT_EQ(banner.GetWidth(), 32767);
}

TEST_F(Setting, OnlyImg1ToImgNAreDrawnInNumberOrder) {
  std::map<std::string, test::GifPicture> gifs{{"r", test::SolidGif(10, 10, kRed)},
                                                {"g", test::SolidGif(10, 10, kGreen)}};
  Write("<top><width>100</width><height>20</height><imgcount>2</imgcount>" +
            Img(0, "<imgid>r</imgid>") + Img(1, "<imgid>g</imgid>") + "</top>"
        "<bottom><width>100</width><height>20</height>" + Img(1, "<imgid>g</imgid>") + "</bottom>",
        gifs);
  ASSERT_TRUE(Load());
  EXPECT_EQ(Runs(kGreen), (RunList{{0, 9}}));
  EXPECT_TRUE(Runs(kRed).empty());
  ASSERT_TRUE(Load(761, 1000, "bottom"));
  ExpectAllWhite();
  // Without the setting's image list there is no setting, and no banner.
  EXPECT_FALSE(banner.Load(nullptr, "top", 761, 1000));
  EXPECT_EQ(banner.GetWidth(), 0);
}

TEST_F(Setting, ImagesRunFromTheCursorAndRightOnesNeverGoBackOverIt) {
  std::map<std::string, test::GifPicture> gifs{{"r", test::SolidGif(10, 10, kRed)},
                                                {"g", test::SolidGif(10, 10, kGreen)},
                                                {"b", test::SolidGif(10, 10, kBlue)}};
  std::string images = "<imgcount>3</imgcount>" + Img(1, "<imgid>r</imgid><width>100</width><align>left</align>") +
                       Img(2, "<imgid>g</imgid><width>100</width><align>left</align>") +
                       Img(3, "<imgid>b</imgid><width>100</width><align>right</align>");
  Write("<top><width>150</width><height>10</height>" + images + "</top><bottom><width>400</width>"
        "<height>10</height>" + images + "</bottom>", gifs);
  ASSERT_TRUE(Load());
  EXPECT_EQ(Runs(kRed), (RunList{{0, 99}}));
  EXPECT_EQ(Runs(kGreen), (RunList{{100, 149}}));
  EXPECT_TRUE(Runs(kBlue).empty());  // at 200, beyond the banner, not at 50
  ASSERT_TRUE(Load(761, 1000, "bottom"));
  EXPECT_EQ(Runs(kRed), (RunList{{0, 99}}));
  EXPECT_EQ(Runs(kGreen), (RunList{{100, 199}}));
  EXPECT_EQ(Runs(kBlue), (RunList{{300, 399}}));
}

TEST_F(Setting, PlacementsSizesAndTheCursor) {
  std::map<std::string, test::GifPicture> gifs{{"r", test::SolidGif(10, 8, kRed)},
                                                {"g", test::SolidGif(6, 4, kGreen)},
                                                {"b", test::SolidGif(4, 4, kBlue)}};
  Write("<top><width>100</width><height>30</height><imgcount>9</imgcount>" +
            // 50% is no number: own width, and the cursor stays at 0.
            Img(1, "<imgid>r</imgid><width>50%</width>") +
            // A missing image still moves the cursor by its width.
            Img(2, "<imgid>none</imgid><width>20</width>") +
            Img(3, "<imgid>G</imgid><width>12</width><height>8</height><valign>bottom</valign>") +
            Img(5, "<imgid>b</imgid><valign>center</valign>") +
            Img(6, "<imgid>b</imgid><align>center</align><width>10</width><height>2</height>") +
            Img(7, "<imgid>b</imgid><align>right</align><valign>top</valign>") +
            Img(8, "<imgid>b</imgid><align>center</align><valign>bottom</valign>") + "</top>",
        gifs);
  ASSERT_TRUE(Load());
  EXPECT_EQ(Runs(kRed), (RunList{{0, 9}}));
  EXPECT_EQ(Runs(kRed, 7), (RunList{{0, 9}}));
  EXPECT_TRUE(Runs(kRed, 8).empty());
  EXPECT_EQ(Runs(kGreen, 22), (RunList{{20, 31}}));  // stretched 12 x 8 at the bottom from x 20
  EXPECT_EQ(Runs(kGreen, 29), (RunList{{20, 31}}));
  EXPECT_TRUE(Runs(kGreen, 21).empty());
  // Without a width or height the image's own size places it: centred, (30 - 4) div 2 = 13 from the top.
  EXPECT_TRUE(Runs(kBlue, 12).empty());
  EXPECT_EQ(Runs(kBlue, 13), (RunList{{32, 35}}));
  EXPECT_EQ(Runs(kBlue, 16), (RunList{{32, 35}}));
  EXPECT_TRUE(Runs(kBlue, 17).empty());
  // The centred one stretched to 10 x 2, and the right one at the banner's right edge.
  EXPECT_EQ(Runs(kBlue, 0), (RunList{{45, 54}, {96, 99}}));
  EXPECT_EQ(Runs(kBlue, 1), (RunList{{45, 54}, {96, 99}}));
  EXPECT_EQ(Runs(kBlue, 3), (RunList{{96, 99}}));
  EXPECT_TRUE(Runs(kBlue, 4).empty());
  // Centred across and at the bottom: (100 - 4) div 2 = 48, 30 - 4 = 26.
  EXPECT_TRUE(Runs(kBlue, 25).empty());
  EXPECT_EQ(Runs(kBlue, 26), (RunList{{48, 51}}));
  EXPECT_EQ(Runs(kBlue, 29), (RunList{{48, 51}}));
}

TEST_F(Setting, BackgroundTilesFromTheCursorAndLeavesIt) {
  test::GifPicture pattern = test::PatternGif(7, 5);
  std::map<std::string, test::GifPicture> gifs{{"p", pattern}, {"r", test::SolidGif(4, 3, kRed)}};
  Write("<top><width>60</width><height>12</height><imgcount>3</imgcount>" +
            Img(1, "<imgid>r</imgid><width>20</width>") +
            Img(2, "<imgid>p</imgid><align>background</align><width>9</width><valign>center</valign>") +
            Img(3, "<imgid>r</imgid>") + "</top>",
        gifs);
  ASSERT_TRUE(Load());
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 60; ++x) {
      COLORREF expected = x < 20 ? (y < 3 ? kRed : kWhite) : test::PatternColor((x - 20) % 7, y % 5);
      if (x >= 20 && x < 24 && y < 3) expected = kRed;  // the third image, at the unchanged cursor
      ASSERT_EQ(banner.Banner.Pixel(x, y), expected) << x << "," << y;
    }
}

TEST_F(Setting, HugeImgcountAndHugeImageSizesDoNoHarm) {
  std::string padding;
  for (int i = 0; i < 9000; ++i) padding += "<img2/>";
  std::map<std::string, test::GifPicture> gifs{{"r", test::SolidGif(3, 3, kRed)},
                                                {"g", test::SolidGif(3, 3, kGreen)},
                                                {"b", test::SolidGif(3, 3, kBlue)}};
  Write("<top><width>50</width><height>10</height><imgcount>2147483647</imgcount>" +
            Img(1, "<imgid>r</imgid><width>2147483647</width><height>2000000000</height>") +
            Img(1, "<imgid>b</imgid>") + Img(7, "<imgid>g</imgid><width>-2147483648</width>") +
            Img(2147483647, "<imgid>g</imgid><align>right</align><width>-5</width>") + "<img0012/>" + padding +
            "</top>",
        gifs);
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Load());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  // The first img1 counts and moves the cursor to the end of the 32-bit range, from where img7,
  // mirrored, reaches back over the whole banner.
  EXPECT_TRUE(Runs(kBlue).empty());
  EXPECT_EQ(Runs(kGreen), (RunList{{0, 49}}));
}

TEST_F(Setting, ABannerDrawsItsFirstImagesAndLogsTheOthers) {
  std::map<std::string, test::GifPicture> gifs{{"r", test::SolidGif(1, 1, kRed)}};
  std::string images;
  for (int i = 70; i >= 1; --i) images += Img(i, "<imgid>r</imgid><width>1</width>");  // last first
  Write("<top><width>100</width><height>1</height><imgcount>70</imgcount>" + images + "</top>", gifs);
  ASSERT_TRUE(Load());
  EXPECT_EQ(Runs(kRed), (RunList{{0, TXMLBitmap::kMaxBannerImages - 1}}));
  EXPECT_EQ(log.lines,
            std::vector<std::string>{"Banner: The top section has 70 image elements; only the first 64 are drawn"});

  // On the largest banner the images stop where they would touch too many pixels: four tiles of it.
  log.lines.clear();
  gifs = {{"r", test::SolidGif(1, 1, kRed)}, {"g", test::SolidGif(1, 1, kGreen)},
          {"b", test::SolidGif(1, 1, kBlue)}};
  const char* ids[] = {"g", "g", "g", "r", "b", "b"};
  images.clear();
  for (int i = 0; i < 6; ++i)
    images += Img(i + 1, std::string("<imgid>") + ids[i] + "</imgid><align>background</align>");
  Write("<top><width>32767</width><height>512</height><imgcount>6</imgcount>" + images + "</top>", gifs);
  ASSERT_TRUE(Load());
  EXPECT_EQ(banner.Banner.Pixel(0, 0), kRed);
  EXPECT_EQ(banner.Banner.Pixel(32766, 511), kRed);
  EXPECT_EQ(log.lines, std::vector<std::string>{"Banner: The top section's images from img5 on are not drawn: "
                                                "the images of a banner may touch at most 67108864 pixels"});
}

TEST_F(Setting, TextBoxSizeAndPlace) {
  struct Case { const char* text; RECT rect; uint32_t flags; };
  const Case cases[] = {
      {"<value>x</value>", {0, 0, 200, 50}, DT_SINGLELINE | DT_LEFT | DT_VCENTER},
      {"<width>80</width><height>20</height>", {0, 0, 80, 20}, DT_SINGLELINE | DT_VCENTER},
      {"<width>80</width><height>20</height><align>right</align><valign>bottom</valign>", {120, 30, 200, 50},
       DT_SINGLELINE | DT_VCENTER},
      {"<width>80</width><height>20</height><align>center</align><valign>center</valign>", {60, 15, 140, 35},
       DT_SINGLELINE | DT_VCENTER},
      {"<width>81</width><height>x</height><align>background</align><valign>left</valign>", {0, 0, 81, 50},
       DT_SINGLELINE | DT_VCENTER},
      {"<width>300</width><align>center</align>", {-50, 0, 250, 50}, DT_SINGLELINE | DT_VCENTER},
      {"<textalign>right</textalign><textvalign>bottom</textvalign>", {0, 0, 200, 50},
       DT_SINGLELINE | DT_RIGHT | DT_BOTTOM},
      {"<textalign>center</textalign><textvalign>top</textvalign>", {0, 0, 200, 50},
       DT_SINGLELINE | DT_CENTER | DT_TOP},
      {"<textalign>background</textalign><textvalign>background</textvalign>", {0, 0, 200, 50},
       DT_SINGLELINE | DT_LEFT | DT_VCENTER},
      {"<textalign>middle</textalign><textvalign>middle</textvalign>", {0, 0, 200, 50},
       DT_SINGLELINE | DT_LEFT | DT_TOP},
      {"<width>2147483647</width><align>right</align><valign>bottom</valign><height>-2147483648</height>",
       {-2147483647 + 200, INT32_MAX, 200, 50}, DT_SINGLELINE | DT_VCENTER},
  };
  for (const Case& c : cases) {
    Write(std::string("<top><width>200</width><height>50</height><text>") + c.text + "</text></top>");
    ASSERT_TRUE(Load()) << c.text;
    const RECT& r = banner.TextRect;
    EXPECT_EQ(std::vector<LONG>({r.left, r.top, r.right, r.bottom}),
              std::vector<LONG>({c.rect.left, c.rect.top, c.rect.right, c.rect.bottom})) << c.text;
    EXPECT_EQ(banner.TextFlags, c.flags) << c.text;
  }
  Write("<top><width>200</width><height>50</height></top>");
  ASSERT_TRUE(Load());
  EXPECT_EQ(banner.TextRect.right, 0);
  EXPECT_EQ(banner.TextFlags, static_cast<uint32_t>(DT_SINGLELINE));
}

TEST_F(Setting, FontAndTemplateAndWhatOutlivesALoad) {
  Write("<top><width>200</width><height>50</height><text><timeformat>yyyy</timeformat><font><name>Arial</name>"
        "<color>Red</color><size>14</size><style>bold|italic</style></font><value>^page^</value></text></top>"
        "<bottom><width>200</width><height>50</height><text><font><style>bold| italic|UNDERLINE|strikeout"
        "</style><size>big</size></font></text></bottom>");
  ASSERT_TRUE(Load());
  EXPECT_EQ(banner.FontName, L"Arial");
  EXPECT_EQ(banner.FontColor, 0x0000FFu);
  EXPECT_EQ(banner.FontSize, 14);
  EXPECT_EQ(banner.FontStyle, fsBold | fsItalic);
  EXPECT_EQ(banner.TimeFormat, L"yyyy");
  EXPECT_EQ(banner.Segments, (std::vector<TTextSegment>{{L"page", true}}));
  EXPECT_EQ(banner.TextLayer.Width(), 200);
  EXPECT_EQ(banner.TextLayer.Height(), 50);

  // A text without value: no template, no text layer; the style is read afresh, the rest stays.
  ASSERT_TRUE(Load(761, 1000, "bottom"));
  EXPECT_TRUE(banner.Segments.empty());
  EXPECT_TRUE(banner.TextLayer.Empty());
  EXPECT_EQ(banner.FontStyle, fsBold | fsUnderline | fsStrikeOut);
  EXPECT_EQ(banner.FontName, L"Arial");
  EXPECT_EQ(banner.FontColor, 0x0000FFu);
  EXPECT_EQ(banner.FontSize, 14);
  EXPECT_EQ(banner.TimeFormat, L"yyyy");
}

TEST_F(Setting, SettingTextsKeepTheirCharacters) {
  Write("<top><width>200</width><height>50</height><text><font><name>\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xAA"
        "\xE3\x82\xAA</name></font><timeformat>'\xE5\xB9\xB4'yyyy</timeformat><value>\xED\x95\x9C "
        "^page^ \xE6\x97\xA5</value></text></top>");
  ASSERT_TRUE(Load());
  EXPECT_EQ(banner.FontName, L"\u30E1\u30A4\u30EA\u30AA");
  EXPECT_EQ(banner.TimeFormat, L"'\u5E74'yyyy");
  EXPECT_EQ(banner.Segments,
            (std::vector<TTextSegment>{{L"\uD55C ", false}, {L"page", true}, {L" \u65E5", false}}));
}

TEST_F(Setting, EveryLoadBuildsTheBannerAfresh) {
  std::map<std::string, test::GifPicture> gifs{{"r", test::SolidGif(10, 10, kRed)}};
  Write("<top><width>40</width><height>10</height><imgcount>1</imgcount>" + Img(1, "<imgid>r</imgid>") +
            "</top>",
        gifs);
  ASSERT_TRUE(Load());
  banner.Banner.Fill(kBlue);
  ASSERT_TRUE(Load());
  EXPECT_EQ(Runs(kRed), (RunList{{0, 9}}));
  EXPECT_EQ(banner.Banner.Pixel(20, 5), kWhite);
}

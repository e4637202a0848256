// The skins of both preview windows' tool bars: a button-image package's pictures as its
// "index.ini" names them, the built-in pictures of the language where it names none, and the tool
// bar laid out for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Numbers.h"
#include "base/Strings.h"
#include "page/uJpegEncoder.h"
#include "preview/frmPreviewForm.h"
#include "preview/frmPrintPreview.h"
#include "preview/uSkinFile.h"
#include "preview/uSkinPictures.h"
#include "resources/StringIds.h"
#include "support/LargePictures.h"
#include "support/PreviewFixture.h"
#include "support/Scopes.h"
#include "support/TestEnv.h"
#include "support/WindowTesting.h"

using namespace vt;
using namespace vt::test;

namespace {

// A package's folder: pictures of one colour each, and its "index.ini".
class SkinFolder {
public:
  // A BMP, or a JPEG when the name says so.
  void Picture(const std::string& name, int width, int height, COLORREF color) {
    TBitmap picture(width, height);
    picture.Fill(color);
    if (name.find(".jpg") != std::string::npos)
      TJpegEncoder(95).SaveToFile(picture, dir_.file(name));
    else
      picture.SaveToFile(dir_.file(name));
  }
  std::string Ini(const std::string& content) {
    WriteFileBytes(dir_.file("index.ini"), content);
    return dir_.file("index.ini");
  }
  std::string Missing() const { return dir_.file("none\\index.ini"); }
  void File(const std::string& name, const std::string& bytes) { WriteFileBytes(dir_.file(name), bytes); }

private:
  TempDir dir_;
};

// The button shows the built-in pictures `button` of `language`.
std::string ShowsBuiltin(const TBtnImage& b, const std::string& language, const std::string& button) {
  TBitmap up, down;
  LoadBuiltinImage(BuiltinImageName(language, button, false), up);
  LoadBuiltinImage(BuiltinImageName(language, button, true), down);
  if (b.NormalStateImage().Width() != up.Width() || b.DownStateImage().Width() != down.Width()) return "other sizes";
  const std::string normal = FirstMismatch(b.NormalStateImage(), 0, 0, up.Width(), up.Height(),
                                           [&](int x, int y) { return up.Pixel(x, y); });
  return normal.empty() ? FirstMismatch(b.DownStateImage(), 0, 0, down.Width(), down.Height(),
                                        [&](int x, int y) { return down.Pixel(x, y); })
                        : normal;
}

// Close to `color` (JPEG moves a flat colour by a little).
bool Near(COLORREF a, COLORREF color) {
  return std::abs(GetRValue(a) - GetRValue(color)) + std::abs(GetGValue(a) - GetGValue(color)) +
             std::abs(GetBValue(a) - GetBValue(color)) <= 12;
}

int Left(TWindow& w) { return w.Left(); }

// The request log as the skin's refusals reach it.
class LogLines : public ILogSink {
public:
  void WriteLog(const std::string& caption, const std::string& message) override {
    lines.push_back("[" + caption + "] " + message);
  }
  // How many lines name `text`.
  int Count(const std::string& text) const {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.find(text) != std::string::npos; }));
  }
  std::vector<std::string> lines;
};

// The picture shows the built-in picture `name` at its corner.
bool ShowsBuiltinPicture(const TImage& image, const char* name) {
  TBitmap builtin;
  LoadBuiltinImage(name, builtin);
  return image.Picture().Width() == builtin.Width() && image.Picture().Pixel(5, 5) == builtin.Pixel(5, 5);
}

// The skins were designed for pictures like these: zoom buttons 44, zoom bar 75, save 80, print 140,
// all 49 high.
const char kExample[] =
    "[COMMON]\r\nUP_ZOOM_IN=zi_u.bmp\r\nDOWN_ZOOM_IN=zi_d.bmp\r\nUP_ZOOM_OUT=zo_u.bmp\r\nDOWN_ZOOM_OUT=zo_d.bmp\r\n"
    "ZOOM_BAR=bar.jpg\r\nBACK_IMG=back.jpg\r\nUP_WEB_HELP=h_u.bmp\r\nDOWN_WEB_HELP=h_d.bmp\r\n"
    "[KOR]\r\nUP_SAVE_FILE=s_u.bmp\r\nDOWN_SAVE_FILE=s_d.bmp\r\nUP_PRINT_RUN=p_u.jpg\r\nDOWN_PRINT_RUN=p_d.jpg\r\n"
    "UP_PAGE_SETTING=ps_u.bmp\r\nDOWN_PAGE_SETTING=ps_d.bmp\r\nUP_SELECT_AREA=sa_u.bmp\r\nDOWN_SELECT_AREA=sa_d.bmp\r\n"
    "UP_PRINT_PREVIEW=pp_u.bmp\r\nDOWN_PRINT_PREVIEW=pp_d.bmp\r\n";

void WriteExample(SkinFolder& skin, int printWidth, int printHeight) {
  const struct { const char* name; int width, height; COLORREF color; } pictures[] = {
      {"zi_u.bmp", 44, 49, RGB(10, 200, 10)},  {"zi_d.bmp", 44, 49, RGB(10, 100, 10)},
      {"zo_u.bmp", 44, 49, RGB(200, 10, 10)},  {"zo_d.bmp", 44, 49, RGB(100, 10, 10)},
      {"bar.jpg", 75, 49, RGB(230, 230, 10)},  {"back.jpg", 16, 49, RGB(10, 10, 230)},
      {"s_u.bmp", 80, 49, RGB(10, 230, 230)},  {"s_d.bmp", 80, 49, RGB(10, 130, 130)},
      {"p_u.jpg", printWidth, printHeight, RGB(230, 10, 230)}, {"p_d.jpg", printWidth, printHeight, RGB(130, 10, 130)},
      {"ps_u.bmp", 100, 49, RGB(1, 2, 3)},     {"ps_d.bmp", 100, 49, RGB(1, 2, 3)},
      {"sa_u.bmp", 100, 49, RGB(1, 2, 3)},     {"sa_d.bmp", 100, 49, RGB(1, 2, 3)},
      {"pp_u.bmp", 120, 49, RGB(1, 2, 3)},     {"pp_d.bmp", 120, 49, RGB(1, 2, 3)},
      {"h_u.bmp", 44, 49, RGB(1, 2, 3)},       {"h_d.bmp", 44, 49, RGB(1, 2, 3)},
  };
  for (const auto& p : pictures) skin.Picture(p.name, p.width, p.height, p.color);
}

}  // namespace

TEST(SkinLayout, TheZoomListSitsInsideItsPictureOrThePictureTakesItsHeight) {
  const struct { int barTop, barHeight, comboTop, comboHeight; bool inside; int top; } cases[] = {
      {0, 49, 16, 20, true, 13},  // the designed tool bar: (24 - 2) div 2 + 0 + 2
      {5, 49, 16, 20, true, 17},  // (22 - 2) div 2 + 5 + 2
      {0, 20, 16, 40, false, 0},  // bar 20 high, list 24 once its top is taken off
      {0, 24, 0, 24, false, 0},   // equal: not higher
  };
  for (const auto& c : cases) {
    const std::optional<int> top = TToolBar::ComboTopOnBar(c.barTop, c.barHeight, c.comboTop, c.comboHeight);
    EXPECT_EQ(top.has_value(), c.inside);
    if (c.inside) {
      EXPECT_EQ(top, c.top);
    }
  }
}

TEST(SkinLayout, BothToolBarsLineUpTheSkinsPicturesFromTheLeft) {
  SkinFolder skin;
  WriteExample(skin, 157, 49);  // a wider print button: the close button follows it
  const std::string ini = skin.Ini(kExample);
  TfmPrintPreview all;
  all.SetCloseButtonVisible(true);
  all.LoadSkin("KOR", ini);
  TPrintPreviewToolBar& bar = all.ToolBar();
  EXPECT_EQ((std::vector<int>{Left(bar.ZoomIn()), Left(bar.ZoomBar()), Left(bar.ZoomOut()), Left(bar.SaveBtn()),
                              Left(bar.PrintBtn()), Left(bar.CloseBtn())}),
            (std::vector<int>{0, 44, 119, 163, 243, 400}));
  EXPECT_EQ(bar.Height(), 49);
  EXPECT_TRUE(Near(bar.PrintBtn().Picture().Pixel(5, 5), RGB(230, 10, 230)));
  EXPECT_TRUE(Near(bar.PrintBtn().DownStateImage().Pixel(5, 5), RGB(130, 10, 130)));
  EXPECT_TRUE(Near(bar.Back().Picture().Pixel(1, 1), RGB(10, 10, 230)));
  EXPECT_EQ(bar.ZoomIn().Picture().Pixel(1, 1), RGB(10, 200, 10));
  // The list as wide as its picture, and inside its height.
  RECT combo{};
  ::GetWindowRect(bar.Combo(), &combo);
  ::MapWindowPoints(HWND_DESKTOP, all.Handle(), reinterpret_cast<POINT*>(&combo), 2);
  EXPECT_EQ(combo.left, 44);
  EXPECT_EQ(combo.right - combo.left, bar.ZoomBar().Width());
  EXPECT_GT(combo.top, 0);
  EXPECT_LE(combo.bottom, 49);

  TfmPreviewForm preview(nullptr);
  WriteExample(skin, 140, 60);  // a higher print button: the tool bar takes its height
  preview.ToolBar().CloseBtn().SetVisible(true);
  preview.LoadSkin("KOR", ini);
  TPreviewToolBar& bar2 = preview.ToolBar();
  EXPECT_EQ((std::vector<int>{Left(bar2.ZoomIn()), Left(bar2.ZoomBar()), Left(bar2.ZoomOut()),
                              Left(bar2.PageSetupBtn()), Left(bar2.SaveBtn()), Left(bar2.SelectBtn()),
                              Left(bar2.PreviewBtn()), Left(bar2.PrintBtn()), Left(bar2.HelpBtn()),
                              Left(bar2.CloseBtn())}),
            (std::vector<int>{0, 44, 119, 163, 263, 343, 443, 563, 703, 747}));
  // Wider buttons again: the close button moves on with the help button, never over it.
  WriteExample(skin, 157, 60);
  preview.LoadSkin("KOR", ini);
  EXPECT_EQ((std::vector<int>{Left(bar2.HelpBtn()), Left(bar2.CloseBtn())}), (std::vector<int>{720, 764}));
  EXPECT_EQ(bar2.Height(), 60);
  EXPECT_EQ(preview.BreakEditor().TopRuler().Top(), 60);
  EXPECT_EQ(bar2.SkinSection(), "KOR");
  EXPECT_EQ(bar2.SkinIniPath(), ini);
}

TEST(SkinLayout, APairAppliesOnlyWhenBothItsFilesExist) {
  SkinFolder skin;
  skin.Picture("zi_u.bmp", 30, 30, RGB(10, 200, 10));
  skin.Picture("s_u.bmp", 30, 30, RGB(10, 200, 10));
  skin.Picture("p_u.bmp", 30, 30, RGB(10, 200, 10));
  skin.Picture("p_d.bmp", 30, 30, RGB(10, 100, 10));
  const std::string ini = skin.Ini(
      "[COMMON]\r\nUP_ZOOM_IN=zi_u.bmp\r\nZOOM_BAR=gone.jpg\r\n"
      "[JPN]\r\nUP_SAVE_FILE=s_u.bmp\r\nDOWN_SAVE_FILE=s_gone.bmp\r\nUP_PRINT_RUN=p_u.bmp\r\nDOWN_PRINT_RUN=p_d.bmp\r\n");
  TfmPrintPreview all;
  TBitmap zoomIn, bar;
  LoadBuiltinImage("TOOL_ZOOM_IN_UP", zoomIn);
  LoadBuiltinImage("TOOL_ZOOM_BAR", bar);
  all.LoadSkin("JPN", ini);
  EXPECT_EQ(all.ToolBar().ZoomIn().Picture().Pixel(20, 20), zoomIn.Pixel(20, 20)) << "only the normal one named";
  EXPECT_EQ(all.ToolBar().ZoomBar().Picture().Pixel(20, 20), bar.Pixel(20, 20)) << "a file that is not there";
  EXPECT_EQ(ShowsBuiltin(all.ToolBar().SaveBtn(), "JPN", "SAVE"), "") << "the pressed file is missing";
  EXPECT_EQ(all.ToolBar().PrintBtn().NormalStateImage().Pixel(1, 1), RGB(10, 200, 10));

  // No settings file at all: the section's built-in pictures, the list's font at 9 points.
  TfmPrintPreview bare;
  bare.LoadSkin("KOR", skin.Missing());
  EXPECT_EQ(ShowsBuiltin(bare.ToolBar().SaveBtn(), "KOR", "SAVE"), "");
  EXPECT_EQ(ShowsBuiltin(bare.ToolBar().PrintBtn(), "KOR", "PRINT"), "");
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(bare.ToolBar().Combo(), WM_GETFONT, 0, 0)), sizeof font, &font);
  WindowDC screen(nullptr);
  EXPECT_EQ(font.lfHeight, -::MulDiv(9, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72));
  TfmPreviewForm preview(nullptr);
  preview.LoadSkin("ENG", skin.Missing());
  TPreviewToolBar& own = preview.ToolBar();
  for (auto [button, name] : {std::pair{&own.PageSetupBtn(), "PAGE_SETUP"}, {&own.SelectBtn(), "SELECT"},
                              {&own.PreviewBtn(), "PRINT_PREVIEW"}})
    EXPECT_EQ(ShowsBuiltin(*button, "ENG", name), "") << name;
}

TEST(SkinLayout, AFontSizeThatIsNoNumberRaisesAfterThePicturesAndBeforeTheLayout) {
  SkinFolder skin;
  skin.Picture("back.jpg", 16, 49, RGB(10, 10, 230));
  skin.Picture("s_u.bmp", 200, 49, RGB(10, 200, 10));
  skin.Picture("s_d.bmp", 200, 49, RGB(10, 100, 10));
  const std::string ini = skin.Ini(
      "[COMMON]\r\nBACK_IMG=back.jpg\r\nZOOM_COMBO_FONT_SIZE=big\r\n[ENG]\r\nUP_SAVE_FILE=s_u.bmp\r\n"
      "DOWN_SAVE_FILE=s_d.bmp\r\n");
  TfmPrintPreview all;
  EXPECT_THROW(all.LoadSkin("ENG", ini), ConversionError);
  EXPECT_TRUE(Near(all.ToolBar().Back().Picture().Pixel(1, 1), RGB(10, 10, 230)));
  EXPECT_EQ(all.ToolBar().SaveBtn().Width(), 200);
  EXPECT_EQ(all.ToolBar().PrintBtn().Left(), 243) << "not laid out again";
  TfmPreviewForm preview(nullptr);
  EXPECT_THROW(preview.LoadSkin("ENG", ini), ConversionError);
  // A picture that exists but does not decode raises too.
  WriteFileBytes(ini.substr(0, ini.rfind('\\')) + "\\s_d.bmp", "no picture");
  EXPECT_THROW(all.LoadSkin("ENG", ini), Error);
}

// What a tool bar could never show is refused from the picture's header, before anything is
// decoded: the control keeps its built-in picture and the log names the file.
TEST(SkinPictures, APictureWithASideLongerThanAnyScreenIsNotUsed) {
  SkinFolder skin;
  skin.Picture("edge.bmp", TSkinPictures::kMaxSide, 2, RGB(10, 10, 230));
  skin.Picture("wide.bmp", TSkinPictures::kMaxSide + 1, 1, RGB(10, 200, 10));
  skin.Picture("small.bmp", 44, 49, RGB(200, 10, 10));
  // Decoding these would be refused with an error, or take 64 million pixels.
  skin.File("huge.jpg", JpegClaimingSize(TSkinPictures::kMaxSide + 1, TSkinPictures::kMaxSide));
  skin.File("tall.jpg", JpegClaimingSize(10, TSkinPictures::kMaxSide + 1));
  const std::string ini = skin.Ini(
      "[COMMON]\r\nZOOM_BAR=wide.bmp\r\nBACK_IMG=edge.bmp\r\nUP_ZOOM_IN=huge.jpg\r\nDOWN_ZOOM_IN=small.bmp\r\n"
      "UP_ZOOM_OUT=small.bmp\r\nDOWN_ZOOM_OUT=small.bmp\r\n"
      "[ENG]\r\nUP_SAVE_FILE=small.bmp\r\nDOWN_SAVE_FILE=tall.jpg\r\nUP_PRINT_RUN=small.bmp\r\nDOWN_PRINT_RUN=small.bmp\r\n");
  TfmPrintPreview all;
  LogLines log;
  all.LoadSkin("ENG", ini, &log);
  TPrintPreviewToolBar& bar = all.ToolBar();
  EXPECT_TRUE(ShowsBuiltinPicture(bar.ZoomBar(), "TOOL_ZOOM_BAR"));
  EXPECT_TRUE(ShowsBuiltinPicture(bar.ZoomIn(), "TOOL_ZOOM_IN_UP"));
  EXPECT_EQ(ShowsBuiltin(bar.SaveBtn(), "ENG", "SAVE"), "");
  EXPECT_EQ(bar.ZoomOut().Picture().Pixel(5, 5), RGB(200, 10, 10));
  EXPECT_EQ(bar.PrintBtn().Picture().Pixel(5, 5), RGB(200, 10, 10));
  EXPECT_EQ(bar.Back().Picture().Width(), TSkinPictures::kMaxSide) << "a side at the bound is shown";
  EXPECT_EQ(log.lines.size(), 3u);
  EXPECT_EQ(log.Count("[Skin] "), 3);
  EXPECT_EQ(log.Count(Format("wide.bmp (%d x 1)", TSkinPictures::kMaxSide + 1)), 1);
  EXPECT_EQ(log.Count(Format("huge.jpg (%d x %d)", TSkinPictures::kMaxSide + 1, TSkinPictures::kMaxSide)), 1);
  EXPECT_EQ(log.Count(Format("tall.jpg (10 x %d)", TSkinPictures::kMaxSide + 1)), 1);
}

// Each key's picture counts against what the pictures of one skin may take, as each control keeps
// copies of its own; once it is spent, the next pictures leave the built-in ones. Each window that
// applies the skin has its budget.
TEST(SkinPictures, TheSkinsPicturesShareOneBudgetOfPixels) {
  SkinFolder skin;
  // Named by two keys, it takes the whole budget.
  const int height = static_cast<int>(TSkinPictures::kPixelBudget / 2 / 2048);
  skin.Picture("big.jpg", 2048, height, RGB(10, 230, 230));
  skin.Picture("dot.bmp", 1, 1, RGB(230, 10, 230));
  const std::string ini = skin.Ini(
      "[ENG]\r\nUP_SAVE_FILE=big.jpg\r\nDOWN_SAVE_FILE=big.jpg\r\nUP_PRINT_RUN=dot.bmp\r\nDOWN_PRINT_RUN=dot.bmp\r\n");
  LogLines log;
  TfmPrintPreview all;
  all.LoadSkin("ENG", ini, &log);
  EXPECT_EQ(all.ToolBar().SaveBtn().Width(), 2048);
  EXPECT_EQ(ShowsBuiltin(all.ToolBar().PrintBtn(), "ENG", "PRINT"), "");
  TfmPreviewForm preview(nullptr);
  preview.LoadSkin("ENG", ini, &log);
  EXPECT_EQ(preview.ToolBar().SaveBtn().Width(), 2048);
  EXPECT_EQ(ShowsBuiltin(preview.ToolBar().PrintBtn(), "ENG", "PRINT"), "");
  EXPECT_EQ(log.Count(Format("past the %lld pixels", static_cast<long long>(TSkinPictures::kPixelBudget))), 2);
  EXPECT_EQ(log.Count("dot.bmp (1 x 1), "), 2);
}

// A file that several keys name is decoded once for the skin: what it holds when first named is
// what every key shows, in whatever letter case it is named.
TEST(SkinPictures, APictureNamedByManyKeysIsDecodedOnce) {
  SkinFolder skin;
  skin.Picture("one.bmp", 30, 20, RGB(10, 200, 10));
  TSkinPictures pictures(ReadSkinFile(skin.Ini(""), "ENG"), nullptr);
  TfmPrintPreview all;
  TPrintPreviewToolBar& bar = all.ToolBar();
  ASSERT_TRUE(pictures.ApplyPair(bar.SaveBtn(), {"one.bmp", "ONE.BMP"}));
  skin.Picture("one.bmp", 50, 10, RGB(200, 10, 10));
  ASSERT_TRUE(pictures.ApplyPair(bar.PrintBtn(), {"One.bmp", "one.bmp"}));
  ASSERT_TRUE(pictures.ApplyPicture(bar.ZoomBar(), "one.bmp"));
  for (const TBitmap* picture : {&bar.PrintBtn().NormalStateImage(), &bar.PrintBtn().DownStateImage(),
                                 &bar.ZoomBar().Picture()}) {
    EXPECT_EQ(picture->Width(), 30);
    EXPECT_EQ(picture->Pixel(1, 1), RGB(10, 200, 10));
  }
}

// ctest runs this once more on a Japanese, a Korean and a German system, naming the language in
// VANTRELLE_TEST_LANGUAGE.
TEST(SystemLanguage, BothWindowsTakeTheBuiltinPicturesOfTheSystemLanguage) {
  const char* named = std::getenv("VANTRELLE_TEST_LANGUAGE");
  const std::string language = named ? named : "English";
  const std::string code = language == "Korean" ? "KOR" : language == "Japanese" ? "JPN" : "ENG";
  TfmPrintPreview all;
  all.LoadLanguageImages();
  EXPECT_EQ(ShowsBuiltin(all.ToolBar().SaveBtn(), code, "SAVE"), "");
  EXPECT_EQ(ShowsBuiltin(all.ToolBar().PrintBtn(), code, "PRINT"), "");
  EXPECT_EQ(all.ToolBar().PrintBtn().Left(), 243) << "the places of the form stay";
  TfmPreviewForm preview(nullptr);
  preview.LoadLanguageImages();
  TPreviewToolBar& bar = preview.ToolBar();
  for (auto [button, name] : {std::pair{&bar.PageSetupBtn(), "PAGE_SETUP"}, {&bar.SaveBtn(), "SAVE"},
                              {&bar.SelectBtn(), "SELECT"}, {&bar.PrintBtn(), "PRINT"},
                              {&bar.PreviewBtn(), "PRINT_PREVIEW"}})
    EXPECT_EQ(ShowsBuiltin(*button, code, name), "") << name;
}

// The Preview button opens the all-pages preview with the window's skin and close button; the
// main engine is laid out as before when it has closed.
class PreviewButton : public PreviewFixture {};

TEST_F(PreviewButton, OpensTheAllPagesPreviewWithTheWindowsSkin) {
  SkinFolder skin;
  skin.Picture("s_u.bmp", 90, 49, RGB(10, 230, 230));
  skin.Picture("s_d.bmp", 90, 49, RGB(10, 130, 130));
  skin.Picture("wide.bmp", TSkinPictures::kMaxSide + 1, 1, RGB(10, 130, 130));
  const std::string ini =
      skin.Ini("[COMMON]\r\nZOOM_BAR=wide.bmp\r\n[ENG]\r\nUP_SAVE_FILE=s_u.bmp\r\nDOWN_SAVE_FILE=s_d.bmp\r\n");
  request_.closeButton = "true";
  Open(1000, 2600);
  LogLines log;
  form_->LoadSkin("ENG", ini, &log);
  const int pages = form_->Engine().GetPageCount();
  int seen = 0;
  DialogRecorder dialogs([&](const DialogRequest& r) -> std::optional<DialogAnswer> {
    if (r.name != "TfmPrintPreview") return DialogAnswer(IDOK);
    HWND wnd = ::FindWindowW(L"VantrelleForm", LoadResStringW(kCaptionPrintPreview).c_str());
    auto* all = dynamic_cast<TfmPrintPreview*>(TWindow::FromHandle(wnd));
    if (!all) return DialogAnswer(IDOK);
    ++seen;
    EXPECT_EQ(all->Grid().PageCount(), pages);
    EXPECT_EQ(all->ToolBar().SaveBtn().Width(), 90);
    EXPECT_TRUE(all->ToolBar().CloseBtn().Visible());
    EXPECT_FALSE(::IsWindowEnabled(form_->Handle())) << "the preview waits for it";
    return DialogAnswer(IDOK);
  });
  Click(form_->ToolBar().PreviewBtn());
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(log.Count("wide.bmp"), 2) << "the preview's refusal, then the all-pages preview's";
  EXPECT_TRUE(::IsWindowEnabled(form_->Handle()));
  EXPECT_EQ(::FindWindowW(L"VantrelleForm", LoadResStringW(kCaptionPrintPreview).c_str()), nullptr);
  EXPECT_EQ(form_->Engine().GetPageCount(), pages);
}

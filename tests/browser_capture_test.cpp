// The control's page capture against the stand-in browser: both routes give the page pixel for
// pixel (both document modes, an element, a frame, pages shorter than a view or ending inside the
// last one), the browser window and the scroll positions are put back, and the geometry rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/Errors.h"
#include "base/SystemInfo.h"
#include "browser/HtmlObjects.h"
#include "capture/uCapture.h"
#include "control/uRequestLog.h"
#include "page/uHtmlImageBuilder.h"
#include "resources/StringIds.h"
#include "support/BrowserPage.h"
#include "support/OleEnvironment.h"

using namespace vt;
using namespace vt::test;

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

HWND BrowserWindow(BrowserPage& page) { return ::GetAncestor(page.View(), GA_ROOT); }

// The capture of the page's document (or of `document`) with the windows the driver finds,
// writing to a request log of its own.
struct TTestCapture : TRequestLog, TPageCapture {
  explicit TTestCapture(BrowserPage& page, ComPtr<IHTMLDocument2> document = {})
      : TPageCapture(*this, document ? document : page.Doc(), page.View(), BrowserWindow(page)) {}
};

// The picture a capture gave the builder, or none when it failed.
std::unique_ptr<THtmlImage> Result(bool captured, THtmlImageBuilder& builder) {
  return captured ? builder.GetResult() : nullptr;
}

// Passes everything on to a tile-file builder and notes the calls that shape the picture.
class TRecordingBuilder : public THtmlImageBuilder {
public:
  std::unique_ptr<THtmlImage> GetResult() override { return inner_.GetResult(); }
  void BeginImage(int32_t width, int32_t height) override {
    calls.push_back(Format("BeginImage %d %d", width, height));
    inner_.BeginImage(width, height);
  }
  void SetTileSize(int32_t w, int32_t h) override {
    calls.push_back(Format("SetTileSize %d %d", w, h));
    inner_.SetTileSize(w, h);
  }
  void SetTileCount(int32_t cols, int32_t rows, int32_t count) override {
    calls.push_back(Format("SetTileCount %d %d %d", cols, rows, count));
    inner_.SetTileCount(cols, rows, count);
  }
  void AddTile(int32_t col, int32_t row, int32_t index, const RECT& r, const TBitmap& bitmap) override {
    tiles.push_back(Format("%d %d %d (%ld %ld %ld %ld) %dx%d", col, row, index, r.left, r.top, r.right, r.bottom,
                           bitmap.Width(), bitmap.Height()));
    inner_.AddTile(col, row, index, r, bitmap);
  }
  std::vector<std::string> calls, tiles;

private:
  TBmpHtmlImageBuilder inner_;
};

std::unique_ptr<TBitmap> Picture(THtmlImage& image) {
  auto picture = std::make_unique<TBitmap>(image.GetImageWidth(), image.GetImageHeight());
  image.CopyRect(*picture, 0, 0, image.GetImageRect());
  return picture;
}

std::string Compare(THtmlImage* image, int width, int height, const std::function<COLORREF(int, int)>& expected) {
  if (!image) return "no picture";
  if (image->GetImageWidth() != width || image->GetImageHeight() != height)
    return Format("picture is %d x %d, expected %d x %d", image->GetImageWidth(), image->GetImageHeight(), width,
                  height);
  return FirstMismatch(*Picture(*image), 0, 0, width, height, expected);
}

ComPtr<IHTMLElement2> Body(IHTMLDocument2* doc) {
  ComPtr<IHTMLElement> body;
  doc->get_body(body.put());
  return body.As<IHTMLElement2>();
}

// Whether a log line ends with `message`.
bool Logged(const TRequestLog& log, const std::string& message) {
  const auto& lines = log.Lines();
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
    return l.size() >= message.size() && l.compare(l.size() - message.size(), message.size(), message) == 0;
  });
}

std::pair<long, long> ScrollPosition(IHTMLElement2* e) {
  return {Get(e, &IHTMLElement2::get_scrollLeft), Get(e, &IHTMLElement2::get_scrollTop)};
}

const char kLargePage[] = R"(<page width="1700" height="1300" pattern="xy"/>)";
const char kQuirksPage[] = R"(<page width="1700" height="1300" pattern="xy" mode="5" border="2"/>)";

}  // namespace

TEST(CaptureGrid, ColumnsRowsAndTheLastTiles) {
  // Exactly two views: no remainder, every tile full.
  TCaptureGrid g = CaptureGrid(1000, 300, 500, 300);
  EXPECT_EQ(g.cols, 2);
  EXPECT_EQ(g.rows, 1);
  EXPECT_EQ(g.TileWidth(1), 500);
  // Two and a half views: a third column half a view wide; rows likewise.
  g = CaptureGrid(1250, 750, 500, 300);
  EXPECT_EQ(g.cols, 3);
  EXPECT_EQ(g.rows, 3);
  EXPECT_EQ(g.Count(), 9);
  RECT last = g.TileRect(2, 2);
  EXPECT_EQ(last.left, 1000);
  EXPECT_EQ(last.top, 600);
  EXPECT_EQ(last.right, 1250);
  EXPECT_EQ(last.bottom, 750);
  EXPECT_EQ(g.TileWidth(1), 500);
  // A picture smaller than one view is one tile of its own size.
  g = CaptureGrid(200, 100, 783, 583);
  EXPECT_EQ(g.Count(), 1);
  EXPECT_EQ(g.TileWidth(0), 200);
  EXPECT_EQ(g.TileHeight(0), 100);
  EXPECT_THROW(CaptureGrid(100, 100, 0, 100), Error);
  EXPECT_THROW(CaptureGrid(100, 100, 100, 0), Error);
}

TEST(ElementRender, StandardsPageIsCapturedWholeByBothRoutes) {
  BrowserPage p(kLargePage);
  TTestCapture capture(p);
  auto html = p.ScrollElement();
  html->put_scrollLeft(300);
  html->put_scrollTop(40);
  TRecordingBuilder builder;
  auto image = Result(capture.CaptureByElementRender(html.get(), &builder), builder);
  EXPECT_EQ(Compare(image.get(), 1700, 1300, XYColor), "");
  // Views of 783 x 583: the last column and row are what is left of the picture.
  EXPECT_EQ(builder.calls, (std::vector<std::string>{"BeginImage 1700 1300", "SetTileSize 783 583",
                                                     "SetTileCount 3 3 9"}));
  ASSERT_EQ(builder.tiles.size(), 9u);
  EXPECT_EQ(builder.tiles[0], "0 0 0 (0 0 783 583) 783x583");
  EXPECT_EQ(builder.tiles[2], "2 0 2 (1566 0 1700 583) 134x583");
  EXPECT_EQ(builder.tiles[8], "2 2 8 (1566 1166 1700 1300) 134x134");
  EXPECT_EQ(ScrollPosition(html.get()), std::make_pair(300L, 40L));
  EXPECT_TRUE(capture.Lines().empty());

  // The scroll route on the same page: the whole page, the window and the scroll position put back.
  html->put_scrollLeft(200);
  html->put_scrollTop(500);
  RECT before;
  ::GetWindowRect(BrowserWindow(p), &before);
  TRecordingBuilder scrolled;
  image = Result(capture.ScrollCapture(html.get(), POINT{0, 0}, &scrolled), scrolled);
  EXPECT_EQ(Compare(image.get(), 1700, 1300, XYColor), "");
  EXPECT_EQ(scrolled.calls[1], "SetTileSize 783 583");
  ASSERT_EQ(scrolled.tiles.size(), 9u);
  // The scroll route copies into its full-size tile bitmap.
  EXPECT_EQ(scrolled.tiles[8], "2 2 8 (1566 1166 1700 1300) 783x583");
  EXPECT_EQ(ScrollPosition(html.get()), std::make_pair(200L, 500L));
  RECT after;
  ::GetWindowRect(BrowserWindow(p), &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_EQ(capture.FrameStart().x, 0);
  EXPECT_EQ(capture.FrameStart().y, 0);

  const auto& lines = capture.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].substr(lines[0].rfind(" >>") + 3), LoadResString(kLogScrollCaptureStarted));
  for (const auto& line : lines) EXPECT_EQ(line.rfind("[Scroll Capture >>] >> ", 0), 0u) << line;
  for (const char* expected : {"scrollLeft : 200", "scrollTop : 500", "scrollWidth : 1700", "scrollHeight : 1300",
                               "ClientWidthInView : 783", "ClientHeightInView : 583", "FFrameStartX : 0",
                               "StartPos : 0, 0", "Bitmap Width : 1700", "Bitmap Height : 1300", "CountY : 3"})
    EXPECT_TRUE(Logged(capture, expected)) << expected;
}

TEST(ElementRender, DivWithBorderAndScrollBars) {
  BrowserPage p(R"(<page width="1000" height="1000" background="#FFFFFF">
      <div id="pane" x="50" y="60" width="300" height="200" border="3" borderColor="#112233" overflow="scroll"
           contentWidth="1000" contentHeight="900">
        <div pattern="xy" x="0" y="0" width="1000" height="900"/>
      </div>
    </page>)");
  TTestCapture capture(p);
  auto pane = p.Element("pane").As<IHTMLElement2>();
  pane->put_scrollTop(100);
  TRecordingBuilder builder;
  auto image = Result(capture.CaptureByElementRender(pane.get(), &builder), builder);
  EXPECT_EQ(Compare(image.get(), 1000, 900, XYColor), "");
  // Client area 277 x 177 after borders and scroll bars; a view is smaller by the border again.
  EXPECT_EQ(builder.calls[1], "SetTileSize 274 174");
  EXPECT_EQ(ScrollPosition(pane.get()), std::make_pair(0L, 100L));
}

TEST(ElementRender, NothingWithoutElementOrBuilder) {
  BrowserPage p(kLargePage);
  TTestCapture capture(p);
  TRecordingBuilder builder;
  EXPECT_FALSE(capture.CaptureByElementRender(nullptr, &builder));
  EXPECT_FALSE(capture.CaptureByElementRender(p.ScrollElement().get(), nullptr));
  EXPECT_TRUE(builder.calls.empty());
  // A view of no width cannot be divided into tiles: no picture, and the log says why.
  BrowserPage quirks(kQuirksPage);
  TTestCapture quirksCapture(quirks);
  EXPECT_FALSE(quirksCapture.CaptureByElementRender(quirks.ScrollElement().get(), &builder));
  EXPECT_TRUE(builder.calls.empty());
  EXPECT_TRUE(Logged(quirksCapture, LoadResString(kLogError) + " = [The view to capture is 0 x 0 pixels]"));
}

TEST(ElementRender, ASinkThatFailsOnTheWayEndsWithoutPictureAndPutsTheScrollPositionBack) {
  // The tile file's disk is full at the third tile.
  struct TFailingBuilder : TRecordingBuilder {
    void AddTile(int32_t col, int32_t row, int32_t index, const RECT& r, const TBitmap& bitmap) override {
      if (index == 2) throw Error("The disk is full");
      TRecordingBuilder::AddTile(col, row, index, r, bitmap);
    }
  } builder;
  BrowserPage p(kLargePage);
  TTestCapture capture(p);
  auto html = p.ScrollElement();
  html->put_scrollLeft(300);
  html->put_scrollTop(40);
  EXPECT_FALSE(capture.CaptureByElementRender(html.get(), &builder));
  EXPECT_EQ(builder.tiles.size(), 2u);
  EXPECT_EQ(ScrollPosition(html.get()), std::make_pair(300L, 40L));
  EXPECT_TRUE(Logged(capture, LoadResString(kLogError) + " = [The disk is full]"));
}

TEST(ScrollCapture, BorderedBodyGivesTheWholeContentByBothRoutes) {
  // The body scrolls and has a 2-pixel border: all of the content, its last two columns and rows
  // included. The render route's views that end at the content's end reach to the client area's
  // right and bottom edges.
  BrowserPage p(kQuirksPage);
  TTestCapture capture(p);
  auto body = Body(p.Doc().get());
  TRecordingBuilder builder;
  auto image = Result(capture.ScrollCapture(body.get(), POINT{0, 0}, &builder), builder);
  EXPECT_EQ(Compare(image.get(), 1700, 1300, XYColor), "");
  EXPECT_EQ(builder.calls[1], Format("SetTileSize %d %d", 800 - 4 - 17 - 2, 600 - 4 - 17 - 2));
  EXPECT_TRUE(Logged(capture, "StartPos : 2, 2"));
  TBmpHtmlImageBuilder renderBuilder;
  image = Result(capture.CaptureByElementRender(body.get(), &renderBuilder), renderBuilder);
  EXPECT_EQ(Compare(image.get(), 1700, 1300, XYColor), "");
}

TEST(ScrollCapture, PageShorterThanOneViewAndPageOfWholeViews) {
  BrowserPage small(R"(<page width="500" height="300" pattern="xy" background="#336699"/>)");
  TTestCapture smallCapture(small);
  WindowDC dc(small.View());
  auto shot = Grab(dc.get(), 0, 0, 800, 600);
  EXPECT_FALSE(smallCapture.ScrollCapture(small.ScrollElement().get(), POINT{0, 0}, nullptr));
  // Either route's picture is the whole view, as the window shows it.
  TBmpHtmlImageBuilder builder;
  auto image = Result(smallCapture.ScrollCapture(small.ScrollElement().get(), POINT{0, 0}, &builder), builder);
  EXPECT_EQ(Compare(image.get(), 800, 600, [&](int x, int y) { return shot->Pixel(x, y); }), "");
  TRecordingBuilder rendered;
  image = Result(smallCapture.CaptureByElementRender(small.ScrollElement().get(), &rendered), rendered);
  EXPECT_EQ(Compare(image.get(), 800, 600, [&](int x, int y) { return shot->Pixel(x, y); }), "");
  EXPECT_EQ(Picture(*image)->Pixel(499, 299), XYColor(499, 299));
  EXPECT_EQ(rendered.tiles, std::vector<std::string>{"0 0 0 (0 0 800 600) 800x600"});

  // Exactly two views wide and three high: every tile full, the last view needs no shift.
  BrowserPage exact(R"(<page width="1566" height="1749" pattern="xy"/>)");
  TTestCapture exactCapture(exact);
  TRecordingBuilder recording;
  image = Result(exactCapture.ScrollCapture(exact.ScrollElement().get(), POINT{0, 0}, &recording), recording);
  EXPECT_EQ(Compare(image.get(), 1566, 1749, XYColor), "");
  EXPECT_EQ(recording.calls[2], "SetTileCount 2 3 6");
  image = Result(exactCapture.CaptureByElementRender(exact.ScrollElement().get(), &recording), recording);
  EXPECT_EQ(Compare(image.get(), 1566, 1749, XYColor), "");
}

TEST(ScrollCapture, FrameIsCapturedFromTheTopView) {
  BrowserPage p(R"(<page width="1000" height="2000" background="#FFFFFF">
      <iframe name="f" x="40" y="900" width="500" height="400" border="2">
        <page width="1200" height="1500" pattern="xy"/>
      </iframe>
    </page>)");
  auto frame = FrameDocument(p.Doc().get(), 0);
  ASSERT_TRUE(frame);
  TTestCapture capture(p, frame);
  ComPtr<IHTMLElement> html;
  frame.As<IHTMLDocument3>()->get_documentElement(html.put());
  auto scroller = html.As<IHTMLElement2>();
  TBmpHtmlImageBuilder builder;
  auto image = Result(capture.ScrollCapture(scroller.get(), POINT{0, 0}, &builder), builder);
  EXPECT_EQ(Compare(image.get(), 1200, 1500, XYColor), "");
  // The frame's content starts inside its border, once the frame is in view.
  EXPECT_EQ(capture.FrameStart().x, 42);
  EXPECT_EQ(capture.FrameStart().y, 2);
  image = Result(capture.CaptureByElementRender(scroller.get(), &builder), builder);
  EXPECT_EQ(Compare(image.get(), 1200, 1500, XYColor), "");
}

TEST(ScrollCapture, StartOffsetShiftsEveryScrollPosition) {
  BrowserPage p(kLargePage);
  TTestCapture capture(p);
  TBmpHtmlImageBuilder builder;
  auto image = Result(capture.ScrollCapture(p.ScrollElement().get(), POINT{100, 50}, &builder), builder);
  ASSERT_TRUE(image);
  auto picture = Picture(*image);
  // The first view shows the page from (100, 50) on.
  EXPECT_EQ(FirstMismatch(*picture, 0, 0, 783, 583, [](int x, int y) { return XYColor(x + 100, y + 50); }), "");
}

TEST(ScrollCapture, ViewWithoutWidthTakesTheWindowsClientArea) {
  // A hidden frame: its body has no client area; the view comes from the view window.
  BrowserPage p(R"(<page width="800" height="600">
      <iframe name="hidden" x="0" y="0" width="0" height="0"><page mode="5" width="300" height="50"/></iframe>
    </page>)");
  auto frame = FrameDocument(p.Doc().get(), 0);
  TTestCapture capture(p, frame);
  TRecordingBuilder builder;
  auto image = Result(capture.ScrollCapture(Body(frame.get()).get(), POINT{0, 0}, &builder), builder);
  ASSERT_TRUE(image);
  EXPECT_EQ(builder.calls,
            (std::vector<std::string>{"BeginImage 300 50", "SetTileSize 800 600", "SetTileCount 1 1 1"}));
  EXPECT_TRUE(Logged(capture, "Windows.GetClientRect(ClientWidthInView) : 800"));
  EXPECT_TRUE(Logged(capture, "Windows.GetClientRect(ClientHeightInView) : 600"));
}

TEST(ScrollCapture, NegativeViewEndsWithoutPictureAndPutsTheWindowBack) {
  // A border wider than the element itself.
  BrowserPage p(R"(<page width="1000" height="3000" pattern="xy">
      <div id="thin" x="10" y="10" width="10" height="10" border="8"/>
    </page>)");
  TTestCapture capture(p);
  auto html = p.ScrollElement();
  html->put_scrollTop(700);
  auto thin = p.Element("thin").As<IHTMLElement2>();
  RECT before;
  ::GetWindowRect(BrowserWindow(p), &before);
  TRecordingBuilder builder;
  EXPECT_FALSE(capture.ScrollCapture(thin.get(), POINT{0, 0}, &builder));
  EXPECT_TRUE(builder.calls.empty());
  RECT after;
  ::GetWindowRect(BrowserWindow(p), &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_EQ(capture.SavedPlacement().placement.length, 44u);
  // Given up before the page was scrolled.
  EXPECT_EQ(Get(html.get(), &IHTMLElement2::get_scrollTop), 700);
  EXPECT_FALSE(capture.ScrollCapture(nullptr, POINT{0, 0}, &builder));
  EXPECT_TRUE(Logged(capture, "newElement : 0"));
}

TEST(ScrollCapture, MinimizedBrowserIsRestoredForTheCaptureAndMinimizedAgain) {
  BrowserPage p(kLargePage);
  TTestCapture capture(p);
  ::ShowWindow(BrowserWindow(p), SW_MINIMIZE);
  PumpMessages(50);
  ASSERT_TRUE(::IsIconic(BrowserWindow(p)));
  TBmpHtmlImageBuilder builder;
  auto image = Result(capture.ScrollCapture(p.ScrollElement().get(), POINT{0, 0}, &builder), builder);
  EXPECT_EQ(Compare(image.get(), 1700, 1300, XYColor), "");
  EXPECT_TRUE(::IsIconic(BrowserWindow(p)));
}

// Since Windows 8 the pixels come from the screen at the view's place. Wine reports the Windows
// version configured for a program name: this test program runs itself as Windows 8.
TEST(ScrollCapture, FromTheScreenOnWindows8) {
  char path[MAX_PATH];
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string exe = path;
  const std::string key = "Software\\Wine\\AppDefaults\\" + exe.substr(exe.find_last_of('\\') + 1);
  RegKey k;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr), 0);
  ::RegSetValueExA(k.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win8"), 5);
  k.reset();
  ChildResult r = RunChild("\"" + exe + "\" --gtest_also_run_disabled_tests --gtest_filter=ScrollCapture.DISABLED_OnScreen");
  ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("[  PASSED  ] 1 test"), std::string::npos) << r.output;
}

// Run by the test above only.
TEST(ScrollCapture, DISABLED_OnScreen) {
  ASSERT_TRUE(IsWin8OrLater());
  browser::TBrowserOptions options;
  options.left = 150;
  options.top = 100;
  BrowserPage p(kLargePage, options);
  BrowserPage cover(R"(<page width="800" height="600" background="#FF00FF"/>)", options);
  TTestCapture capture(p);
  // The browser is raised above the window that covers it.
  TBmpHtmlImageBuilder builder;
  DWORD started = ::GetTickCount();
  auto image = Result(capture.ScrollCapture(p.ScrollElement().get(), POINT{0, 0}, &builder), builder);
  EXPECT_GE(::GetTickCount() - started, 9 * 30u);
  EXPECT_EQ(Compare(image.get(), 1700, 1300, XYColor), "");
  BrowserPage quirks(kQuirksPage, options);
  TTestCapture quirksCapture(quirks);
  image = Result(quirksCapture.ScrollCapture(Body(quirks.Doc().get()).get(), POINT{0, 0}, &builder), builder);
  EXPECT_EQ(Compare(image.get(), 1700, 1300, XYColor), "");
}

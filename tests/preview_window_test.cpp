// The preview window on the screen: the captured picture at each zoom, the page breaks and page
// numbers over it, the page view of one printer page, the keys and buttons that move the view,
// and the ways the window closes, modal and not.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Dialogs.h"
#include "base/ModalState.h"
#include "base/Numbers.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "preview/frmPageSetupDlg.h"
#include "preview/frmPreviewForm.h"
#include "preview/frmPrintPreview.h"
#include "resources/StringIds.h"
#include "support/PreviewFixture.h"
#include "support/PrinterQueue.h"
#include "support/TestPictures.h"
#include "support/UnixTools.h"
#include "support/WindowTesting.h"

using namespace vt;
using namespace vt::test;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Answers the preview's quit question with `answer` and records every request.
class Answers {
public:
  explicit Answers(int answer, bool showForm = true) {
    previous_ = SetDialogHandler([this, answer, showForm](const DialogRequest& r) -> std::optional<int> {
      requests.push_back(r);
      if (r.name == "TfmPreviewForm") return showForm ? std::nullopt : std::optional<int>(IDOK);
      if (onRequest) onRequest();
      return answer;
    });
  }
  ~Answers() { SetDialogHandler(previous_); }
  std::vector<DialogRequest> requests;
  std::function<void()> onRequest;

private:
  DialogHandler previous_;
};

class PreviewWindow : public PreviewFixture {
protected:
  // What the view box shows in its area (x, y, w, h), after painting what was pending.
  std::unique_ptr<TBitmap> View(int x, int y, int w, int h) {
    ::UpdateWindow(form_->Scroller().Handle());
    ::UpdateWindow(form_->ImgBox().Handle());
    HDC dc = ::GetDC(form_->ImgBox().Handle());
    const POINT origin = form_->Scroller().ContentOrigin();
    auto shot = Grab(dc, x - origin.x, y - origin.y, w, h);
    ::ReleaseDC(form_->ImgBox().Handle(), dc);
    return shot;
  }
  // The view box's area (x, y, w, h) against the picture at `zoom` (1 or 1/2 exactly).
  std::string ViewMatchesPicture(int x, int y, int w, int h, int shrink) {
    auto shot = View(x, y, w, h);
    return FirstMismatch(*shot, 0, 0, w, h,
                         [&](int i, int j) { return Blocks((x + i) * shrink, (y + j) * shrink); });
  }
  // The page as the engine lays it out for the printer, at the page's size.
  std::unique_ptr<TBitmap> RenderedPage(int page) {
    auto b = std::make_unique<TBitmap>(form_->Engine().Geometry().PageWidth, form_->Engine().Geometry().PageHeight);
    form_->Engine().RenderPage(b->Canvas(), page);
    ::GdiFlush();
    return b;
  }
};

TEST_F(PreviewWindow, OpensOnTheCaptureAtFullSizeAndHalvesItAt50) {
  Open(1000, 2600);
  EXPECT_TRUE(::IsWindowVisible(form_->Handle()));
  EXPECT_EQ(form_->ViewMode(), vmCaptureView);
  EXPECT_EQ(form_->ZoomIndex(), 0);
  EXPECT_EQ(form_->Zoom(), 1.0);
  EXPECT_EQ(form_->CurrentPage(), 1);
  EXPECT_EQ(form_->ViewWidth(), 1000);
  EXPECT_EQ(form_->ViewHeight(), 2600);
  EXPECT_EQ(form_->ImgBox().Width(), form_->Scroller().ClientWidth()) << "the visible part";
  EXPECT_EQ(ViewMatchesPicture(0, 0, 300, 300, 1), "");

  form_->SelectZoomIndex(2);
  EXPECT_EQ(form_->Zoom(), 0.5);
  EXPECT_EQ(form_->ViewWidth(), 500);
  EXPECT_EQ(form_->ViewHeight(), 1300);
  EXPECT_EQ(ViewMatchesPicture(0, 0, 300, 250, 2), "");
  // Scrolled down, the view shows the part of the picture that lies there.
  form_->Scroller().SetVertPosition(600);
  EXPECT_EQ(form_->Scroller().ContentTop(), -600);
  EXPECT_EQ(ViewMatchesPicture(0, 620, 300, 100, 2), "");
}

// At every zoom the view's last row and column come from the picture, also where the picture's
// height or width times the zoom is not whole, and whichever band of the view is painted.
TEST_F(PreviewWindow, TheLastRowAndColumnOfTheViewShowThePictureAtEveryZoom) {
  constexpr COLORREF kPicture = RGB(0, 128, 255);
  for (const auto& [width, height] : {std::pair{1003, 3150}, {601, 3149}, {998, 3151}}) {
    Open(width, height, [](int, int) { return kPicture; });
    for (int zoomIndex = 0; zoomIndex < TToolBar::kZoomCount; ++zoomIndex) {
      form_->SelectZoomIndex(zoomIndex);
      ::SendMessageW(form_->Scroller().Handle(), WM_VSCROLL, SB_BOTTOM, 0);
      ::SendMessageW(form_->Scroller().Handle(), WM_HSCROLL, SB_RIGHT, 0);
      const int w = form_->ViewWidth(), h = form_->ViewHeight();
      ASSERT_EQ(w, static_cast<int>(std::nearbyint(width * form_->Zoom())));
      ASSERT_EQ(h, static_cast<int>(std::nearbyint(height * form_->Zoom())));
      // A band of the last rows or columns painted again, as scrolling paints them.
      for (int band = 1; band <= 4; ++band) {
        SCOPED_TRACE(Format("%d x %d at %s, band of %d", width, height, TToolBar::kZoomTexts[zoomIndex], band));
        HWND box = form_->ImgBox().Handle();
        const POINT corner = form_->FromView(box, POINT{w - band, h - band}), end = form_->FromView(box, POINT{w, h});
        const RECT rows{0, corner.y, end.x, end.y}, columns{corner.x, 0, end.x, end.y};
        // Nothing black from under the picture; page breaks and labels may lie over it.
        auto noneBlack = [&](const TBitmap& shot, int n, int m) {
          return FirstMismatch(shot, 0, 0, n, m, [&](int i, int j) { return shot.Pixel(i, j) ? shot.Pixel(i, j) : kPicture; });
        };
        ::InvalidateRect(box, &rows, FALSE);
        const int across = std::min(w, 100), down = std::min(h, 100);
        EXPECT_EQ(noneBlack(*View(w - across, h - 1, across, 1), across, 1), "") << "the last row";
        ::InvalidateRect(box, &columns, FALSE);
        EXPECT_EQ(noneBlack(*View(w - 1, h - down, 1, down), 1, down), "") << "the last column";
      }
    }
  }
}

TEST_F(PreviewWindow, DrawsEveryPageBreakWhereTheDocumentHasIt) {
  Open(1000, 2600);
  TVantrelleDocument& doc = form_->Document();
  ASSERT_EQ(doc.GetVertCount(), 1);  // the printer's page is narrower than the picture
  ASSERT_GE(doc.GetHorzCount(), 2);
  for (int zoomIndex : {0, 2}) {
    form_->SelectZoomIndex(zoomIndex);
    const int shrink = zoomIndex == 0 ? 1 : 2;
    const int x = form_->DocToScreenX(doc.GetVert(0));
    form_->Scroller().SetPositions(x - 100, 0);
    // The break's three columns: red dots over the picture; beside them the picture only.
    auto shot = View(x - 3, 0, 9, 200);
    int red = 0;
    for (int j = 0; j < 200; ++j)
      for (int i = 3; i < 6; ++i) {
        const COLORREF c = shot->Pixel(i, j);
        if (c == kRed) ++red;
        else EXPECT_EQ(c, Blocks((x - 3 + i) * shrink, j * shrink)) << i << "," << j;
      }
    EXPECT_GT(red, 150) << "zoom index " << zoomIndex;
    EXPECT_EQ(FirstMismatch(*shot, 0, 0, 3, 200, [&](int i, int j) { return Blocks((x - 3 + i) * shrink, j * shrink); }), "");
    for (int b = 0; b < doc.GetHorzCount(); ++b) {
      const int y = form_->DocToScreenY(doc.GetHorz(b));
      form_->Scroller().SetPositions(0, y - 100);
      auto row = View(0, y - 2, 200, 7);
      int redInRow = 0;
      for (int i = 0; i < 200; ++i) redInRow += row->Pixel(i, 2) == kRed;
      EXPECT_GT(redInRow, 50) << "break " << b;
      EXPECT_EQ(FirstMismatch(*row, 0, 0, 200, 2, [&](int i, int j) { return Blocks(i * shrink, (y - 2 + j) * shrink); }), "");
      EXPECT_EQ(FirstMismatch(*row, 0, 5, 200, 2, [&](int i, int j) { return Blocks(i * shrink, (y - 2 + j) * shrink); }), "");
    }
  }
}

TEST_F(PreviewWindow, LabelsEveryPageWithItsNumberAtItsCentre) {
  Open(1000, 2600, [](int, int) { return kWhite; });
  const COLORREF ink = ::GetSysColor(COLOR_BTNSHADOW);
  TVantrelleDocument& doc = form_->Document();
  for (int zoomIndex : {0, 2}) {
    form_->SelectZoomIndex(zoomIndex);
    for (int page : {1, 2, doc.GetPageCount()}) {
      const RECT d = doc.GetPageRect(page);
      RECT r{form_->DocToScreenX(d.left), form_->DocToScreenY(d.top), form_->DocToScreenX(d.right),
             form_->DocToScreenY(d.bottom)};
      const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
      form_->Scroller().SetPositions(cx - 200, cy - 100);
      // Only the page itself: beyond it lie other pages' labels or the scroll bars.
      const int left = std::max<int>(r.left, cx - 150), top = std::max<int>(r.top, cy - 50);
      const int w = std::min<int>(r.right, cx + 150) - left, h = std::min<int>(r.bottom, cy + 50) - top;
      auto shot = View(left, top, w, h);
      int minX = w, maxX = -1, minY = h, maxY = -1;
      for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
          if (shot->Pixel(i, j) == ink) {
            minX = std::min(minX, i), maxX = std::max(maxX, i);
            minY = std::min(minY, j), maxY = std::max(maxY, j);
          }
      ASSERT_GE(maxX, 0) << "page " << page << " zoom index " << zoomIndex;
      // "N Page" in 20 points at full size, half of it at 50 %.
      EXPECT_NEAR(left + (minX + maxX) / 2, cx, 6) << "page " << page;
      EXPECT_NEAR(top + (minY + maxY) / 2, cy, 6) << "page " << page;
      EXPECT_GT(maxX - minX, zoomIndex == 0 ? 80 : 40);
      EXPECT_LT(maxX - minX, zoomIndex == 0 ? 200 : 100);
      // Away from the label the page is the picture.
      auto corner = View(r.left + 5, r.top + 5, 40, 40);
      EXPECT_EQ(FirstMismatch(*corner, 0, 0, 40, 40, [](int, int) { return kWhite; }), "");
    }
  }
}

TEST_F(PreviewWindow, CtrlMSwitchesToThePrinterPageAndBack) {
  Open(1000, 2600);
  const int pageWidth = form_->Engine().Geometry().PageWidth, pageHeight = form_->Engine().Geometry().PageHeight;
  ASSERT_GT(pageWidth, 300);
  KeyUp('M');  // without Ctrl nothing happens
  EXPECT_EQ(form_->ViewMode(), vmCaptureView);
  KeyUp('M', true);
  EXPECT_EQ(form_->ViewMode(), vmPageView);
  EXPECT_EQ(form_->ViewWidth(), pageWidth);
  EXPECT_EQ(form_->ViewHeight(), pageHeight);
  EXPECT_EQ(form_->Surface().Width(), pageWidth);
  auto page = RenderedPage(1);
  auto shot = View(0, 0, 300, 300);
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 300, 300, [&](int x, int y) { return page->Pixel(x, y); }), "");

  // At 50 % the page is rendered at half size and shown at that size.
  KeyUp(VK_SUBTRACT, true);
  KeyUp(VK_OEM_MINUS, true);
  EXPECT_EQ(form_->ZoomIndex(), 2);
  EXPECT_EQ(form_->ViewWidth(), static_cast<int>(std::nearbyint(pageWidth * 0.5)));
  EXPECT_EQ(form_->Surface().Width(), form_->ViewWidth());
  EXPECT_EQ(form_->Surface().Height(), form_->ViewHeight());

  KeyUp('M', true);
  EXPECT_EQ(form_->ViewMode(), vmCaptureView);
  EXPECT_EQ(form_->ViewWidth(), 500);
  EXPECT_EQ(ViewMatchesPicture(0, 0, 200, 200, 2), "");
}

TEST_F(PreviewWindow, PageKeysMoveThroughThePagesInPageViewOnly) {
  Open(1000, 2600);
  const int count = form_->Document().GetPageCount();
  ASSERT_GE(count, 4);
  KeyUp(VK_NEXT);
  KeyUp(VK_END);
  EXPECT_EQ(form_->CurrentPage(), 1) << "capture view ignores the page keys";

  KeyUp('M', true);
  KeyUp(VK_PRIOR);
  EXPECT_EQ(form_->CurrentPage(), 1);
  KeyUp(VK_NEXT);
  EXPECT_EQ(form_->CurrentPage(), 2);
  auto page = RenderedPage(2);
  auto shot = View(0, 0, 300, 300);
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 300, 300, [&](int x, int y) { return page->Pixel(x, y); }), "");
  KeyUp(VK_END);
  EXPECT_EQ(form_->CurrentPage(), count);
  KeyUp(VK_NEXT);
  EXPECT_EQ(form_->CurrentPage(), count);
  KeyUp(VK_PRIOR);
  EXPECT_EQ(form_->CurrentPage(), count - 1);
  KeyUp(VK_HOME);
  EXPECT_EQ(form_->CurrentPage(), 1);
  page = RenderedPage(1);
  shot = View(0, 0, 300, 300);
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 300, 300, [&](int x, int y) { return page->Pixel(x, y); }), "");

  // The last page goes with breaks deleted in the capture view: the page view comes back on the
  // new last page.
  KeyUp(VK_END);
  KeyUp('M', true);
  TVantrelleDocument& document = form_->Document();
  while (document.GetHorzCount() > 0) document.DeleteHorz(0);
  const int left = document.GetPageCount();
  ASSERT_LT(left, count);
  KeyUp('M', true);
  EXPECT_EQ(form_->CurrentPage(), left);
  page = RenderedPage(left);
  shot = View(0, 0, 300, 300);
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 300, 300, [&](int x, int y) { return page->Pixel(x, y); }), "");
  KeyUp(VK_PRIOR);
  EXPECT_EQ(form_->CurrentPage(), left - 1);
}

TEST_F(PreviewWindow, ZoomStopsAtBothEndsAndIgnoresCtrlKeysInCaptureView) {
  Open(1000, 2600);
  KeyUp(VK_SUBTRACT, true);
  EXPECT_EQ(form_->ZoomIndex(), 0) << "capture view ignores the zoom keys";
  form_->ZoomIn();
  EXPECT_EQ(form_->ZoomIndex(), 0);
  EXPECT_EQ(form_->Zoom(), 1.0);
  KeyUp('M', true);
  for (int i = 0; i < 6; ++i) KeyUp(VK_OEM_MINUS, true);
  EXPECT_EQ(form_->ZoomIndex(), 4);
  EXPECT_DOUBLE_EQ(form_->Zoom(), 0.1);
  KeyUp(VK_ADD, true);
  EXPECT_EQ(form_->ZoomIndex(), 3);
  KeyUp(VK_OEM_PLUS);  // without Ctrl
  EXPECT_EQ(form_->ZoomIndex(), 3);

  // The buttons: a left release inside acts, edges included; a right release or one outside not.
  TBtnImage& out = form_->ToolBar().ZoomOut();
  PostMouse(out.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  PostMouse(out.Handle(), WM_LBUTTONUP, 0, out.Width(), out.Height());
  EXPECT_EQ(form_->ZoomIndex(), 4);
  TBtnImage& in = form_->ToolBar().ZoomIn();
  PostMouse(in.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  PostMouse(in.Handle(), WM_LBUTTONUP, 0, in.Width() + 1, 5);
  EXPECT_EQ(form_->ZoomIndex(), 4);
  PostMouse(in.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, 5, 5);
  PostMouse(in.Handle(), WM_RBUTTONUP, 0, 5, 5);
  EXPECT_EQ(form_->ZoomIndex(), 4);
  PostMouse(in.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  PostMouse(in.Handle(), WM_LBUTTONUP, 0, 0, 0);
  EXPECT_EQ(form_->ZoomIndex(), 3);
  EXPECT_DOUBLE_EQ(form_->Zoom(), 0.25);
}

TEST_F(PreviewWindow, SmallViewsAreCentredAndLargeOnesKeepTheirScrollPositions) {
  Open(1000, 2600);
  form_->Scroller().SetVertPosition(300);
  form_->SelectZoomIndex(1);
  EXPECT_EQ(form_->Scroller().VertPosition(), 300);
  const int cw = form_->Scroller().ClientWidth(), ch = form_->Scroller().ClientHeight();
  EXPECT_EQ(form_->Scroller().ContentLeft(), cw > 750 ? (cw - 750) / 2 : 0);
  EXPECT_EQ(form_->Scroller().ContentTop(), -300);
  form_->SelectZoomIndex(4);  // 100 x 260: smaller than the scroll box
  EXPECT_EQ(form_->Scroller().ContentLeft(), (cw - 100) / 2);
  EXPECT_EQ(form_->Scroller().ContentTop(), (ch - 260) / 2);
  EXPECT_EQ(form_->Scroller().VertPosition(), 0);
  // Back at full size the view starts at the top again: the position went with the range.
  form_->SelectZoomIndex(0);
  EXPECT_EQ(form_->Scroller().VertPosition(), 0);
  EXPECT_EQ(ViewMatchesPicture(0, 0, 200, 200, 1), "");
}

TEST_F(PreviewWindow, ResizingTheWindowKeepsASmallViewCentred) {
  Open(1000, 2600);
  form_->SelectZoomIndex(4);
  RECT r{};
  ::GetWindowRect(form_->Handle(), &r);
  ::SetWindowPos(form_->Handle(), nullptr, 0, 0, r.right - r.left + 100, r.bottom - r.top + 60, SWP_NOMOVE | SWP_NOZORDER);
  PumpMessages(30);
  const int cw = form_->Scroller().ClientWidth(), ch = form_->Scroller().ClientHeight();
  EXPECT_EQ(form_->Scroller().ContentLeft(), (cw - 100) / 2);
  EXPECT_EQ(form_->Scroller().ContentTop(), (ch - 260) / 2);
  auto shot = View(0, 0, 100, 260);
  EXPECT_EQ(shot->Width(), 100);
  // The whole shrunk picture shows: its corners are the picture's, not the background.
  EXPECT_NE(shot->Pixel(99, 259), ::GetSysColor(COLOR_BTNFACE));
  EXPECT_NE(shot->Pixel(0, 0), ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(PreviewWindow, WheelScrollsDownOrWithCtrlSidewaysAndTheMousePans) {
  Open(1000, 2600);
  HWND scroller = form_->Scroller().Handle();
  ::PostMessageW(scroller, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  PumpPending();
  EXPECT_EQ(form_->Scroller().VertPosition(), 120);
  EXPECT_EQ(form_->Scroller().HorzPosition(), 0);
  ::PostMessageW(scroller, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), 0);
  PumpPending();
  EXPECT_EQ(form_->Scroller().HorzPosition(), 120);
  EXPECT_EQ(form_->Scroller().VertPosition(), 120);
  EXPECT_EQ(ViewMatchesPicture(130, 130, 100, 100, 1), "");

  // Dragging the picture up and left by (40, 50) scrolls by as much.
  HWND box = form_->ImgBox().Handle();
  PostMouse(box, WM_LBUTTONDOWN, MK_LBUTTON, 400, 400);
  PostMouse(box, WM_MOUSEMOVE, MK_LBUTTON, 360, 350);
  EXPECT_EQ(form_->Scroller().HorzPosition(), 160);
  EXPECT_EQ(form_->Scroller().VertPosition(), 170);
  // Back to where it went down: the picture follows the mouse back.
  PostMouse(box, WM_MOUSEMOVE, MK_LBUTTON, 400, 400);
  EXPECT_EQ(form_->Scroller().HorzPosition(), 120);
  EXPECT_EQ(form_->Scroller().VertPosition(), 120);
  PostMouse(box, WM_LBUTTONUP, 0, 400, 400);
  PostMouse(box, WM_MOUSEMOVE, 0, 300, 300);
  EXPECT_EQ(form_->Scroller().HorzPosition(), 120);
}

TEST_F(PreviewWindow, ScrollBarsMoveTheViewAndAVeryTallPictureShowsToItsEnd) {
  Open(300, 40000);
  HWND scroller = form_->Scroller().Handle();
  const int page = form_->Scroller().ClientHeight();
  ::SendMessageW(scroller, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(form_->Scroller().VertPosition(), page);
  ::SendMessageW(scroller, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_LT(form_->Scroller().VertPosition(), page);
  ::SendMessageW(scroller, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(form_->Scroller().VertPosition(), 40000 - page);
  SCROLLINFO si{sizeof(si), SIF_POS | SIF_RANGE, 0, 0, 0, 0, 0};
  ::GetScrollInfo(scroller, SB_VERT, &si);
  EXPECT_EQ(si.nPos, 40000 - page);
  EXPECT_EQ(si.nMax, 39999);
  // Far past the 32767 pixels a window can reach, between two page breaks, at 100 % and 50 %.
  TVantrelleDocument& doc = form_->Document();
  ASSERT_GT(doc.GetHorzCount(), 30);
  for (int zoomIndex : {0, 2}) {
    form_->SelectZoomIndex(zoomIndex);
    const int y = form_->DocToScreenY(doc.GetHorz(doc.GetHorzCount() - 2)) + 5;
    form_->Scroller().SetVertPosition(y - 50);
    EXPECT_EQ(form_->Scroller().VertPosition(), y - 50);
    EXPECT_EQ(ViewMatchesPicture(0, y, 150, 200, zoomIndex == 0 ? 1 : 2), "") << "zoom index " << zoomIndex;
  }
}

TEST_F(PreviewWindow, EscapeAsksBeforeClosing) {
  Open(600, 800);
  {
    Answers no(IDNO);
    KeyDown(VK_ESCAPE);
    ASSERT_EQ(no.requests.size(), 1u);
    EXPECT_EQ(no.requests[0].text, "Do you want to quit Vantrelle?");
    EXPECT_EQ(no.requests[0].caption, "Vantrelle");
    EXPECT_EQ(no.requests[0].flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_FALSE(form_->IsClosed());
    EXPECT_TRUE(::IsWindowVisible(form_->Handle()));
  }
  Answers yes(IDYES);
  KeyDown(VK_ESCAPE);
  EXPECT_TRUE(form_->IsClosed());
  EXPECT_FALSE(::IsWindowVisible(form_->Handle()));
}

TEST_F(PreviewWindow, TheCloseBoxClosesWithoutAQuestion) {
  Open(600, 800);
  Answers answers(IDYES);
  ::PostMessageW(form_->Handle(), WM_CLOSE, 0, 0);
  PumpPending();
  EXPECT_TRUE(form_->IsClosed());
  EXPECT_TRUE(answers.requests.empty());
}

TEST_F(PreviewWindow, ShowPreviewRunsModallyOverItsOwnerUntilClosed) {
  HostWindow host(0, 0, 200, 100), other(0, 120, 200, 100), disabled(0, 240, 200, 100);
  ::EnableWindow(disabled.get(), FALSE);
  picture_ = WritePicture(builder_, {600, 800, 256, 256}, Blocks);
  form_ = std::make_unique<TfmPreviewForm>(host.get());
  EXPECT_EQ(::GetWindow(form_->Handle(), GW_OWNER), host.get());
  request_.captureGraphic = picture_.get();
  request_.captureRect = RECT{0, 0, 600, 800};
  Answers yes(IDYES);
  bool ownerDisabled = false, otherDisabled = false, visible = false;
  int level = 0;
  yes.onRequest = [&] {
    ownerDisabled = !::IsWindowEnabled(host.get());
    otherDisabled = !::IsWindowEnabled(other.get());
    visible = ::IsWindowVisible(form_->Handle()) != FALSE;
    level = ModalLevel();
  };
  ::PostMessageW(form_->Scroller().Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
  form_->ShowPreview(request_);
  EXPECT_TRUE(form_->IsClosed());
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(otherDisabled);
  EXPECT_TRUE(visible);
  EXPECT_EQ(level, 1);
  EXPECT_EQ(ModalLevel(), 0);
  EXPECT_TRUE(::IsWindowEnabled(host.get()));
  EXPECT_TRUE(::IsWindowEnabled(other.get()));
  EXPECT_FALSE(::IsWindowEnabled(disabled.get())) << "a window disabled before stays so";
  EXPECT_FALSE(::IsWindowVisible(form_->Handle()));
  ASSERT_EQ(yes.requests.size(), 2u);
  EXPECT_EQ(yes.requests[0].name, "TfmPreviewForm");
  EXPECT_EQ(yes.requests[0].caption, "Vantrelle S");
}

TEST_F(PreviewWindow, AnAnsweredPreviewShowsNoWindowAndCountsAsClosed) {
  picture_ = WritePicture(builder_, {600, 1500, 256, 256}, Blocks);
  form_ = std::make_unique<TfmPreviewForm>(nullptr);
  request_.captureGraphic = picture_.get();
  request_.captureRect = RECT{0, 0, 600, 1500};
  Answers answered(IDOK, false);
  form_->ShowPreview(request_);
  EXPECT_TRUE(form_->IsClosed());
  EXPECT_FALSE(::IsWindowVisible(form_->Handle()));
  ASSERT_EQ(answered.requests.size(), 1u);
  EXPECT_EQ(form_->Document().GetPageCount(), 2);
}

TEST_F(PreviewWindow, PrintingWithoutPreviewNeverShowsTheWindow) {
  picture_ = WritePicture(builder_, {600, 2400, 256, 256}, Blocks);
  form_ = std::make_unique<TfmPreviewForm>(nullptr);
  request_.captureGraphic = picture_.get();
  request_.captureRect = RECT{0, 0, 600, 2400};
  request_.printWithoutPreview = 1;
  Answers answers(IDOK);
  NamedJob job("vt-no-preview");
  form_->ShowPreview(request_);
  EXPECT_TRUE(form_->IsClosed());
  EXPECT_TRUE(answers.requests.empty());
  const int pages = form_->Document().GetPageCount();
  ASSERT_GT(pages, 1);
  EXPECT_EQ(job.Pages(), pages) << "every page printed";
}

TEST_F(PreviewWindow, RequestSettingsReachTheEngineAndTheCloseButton) {
  picture_ = WritePicture(builder_, {600, 800, 256, 256}, Blocks);
  form_ = std::make_unique<TfmPreviewForm>(nullptr);
  request_.captureGraphic = picture_.get();
  request_.captureRect = RECT{0, 0, 600, 800};
  std::vector<int32_t> breaks{300, 500};
  request_.pageBreaks = &breaks;
  request_.userStr = "reader";
  request_.helpUrl = "http://127.0.0.1/help.html";
  request_.closeButton = "TRUE";
  request_.centerVert = true;
  request_.fitMode = fitToWidth;
  form_->ShowNonModal(request_);
  EXPECT_EQ(form_->GetUserStr(), "reader");
  EXPECT_EQ(form_->Engine().Settings.UserStr, "reader");
  EXPECT_EQ(form_->HelpUrl(), "http://127.0.0.1/help.html");
  EXPECT_TRUE(form_->Engine().Settings.CenterVert);
  EXPECT_EQ(form_->Engine().Settings.FitMode, fitToWidth);
  EXPECT_TRUE(form_->ToolBar().CloseBtn().Visible());
  EXPECT_EQ(form_->Document().GetHorzCount(), 2);
  EXPECT_EQ(form_->Document().GetHorz(0), 300);

  // The close button acts on any release, without a question.
  PostMouse(form_->ToolBar().CloseBtn().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  PostMouse(form_->ToolBar().CloseBtn().Handle(), WM_LBUTTONUP, 0, 500, 500);
  EXPECT_TRUE(form_->IsClosed());

  TfmPreviewForm second(nullptr);
  request_.closeButton = "0";
  second.ShowNonModal(request_);
  EXPECT_FALSE(second.ToolBar().CloseBtn().Visible());
  TfmPreviewForm third(nullptr);
  request_.closeButton = "maybe";
  EXPECT_THROW(third.ShowPreview(request_), ConversionError);
}

// A person's hand on the real mouse, from a thread of its own while the test's thread runs the
// windows' modal loops.
POINT Middle(HWND wnd) {
  RECT r{};
  ::GetWindowRect(wnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
bool RealClick(POINT screen) {
  return XMouse("mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y) + " sleep 0.1 click 1");
}
bool WaitFor(const std::function<bool()>& done, int ms) {
  for (int waited = 0; !done(); waited += 10) {
    if (waited >= ms) return false;
    ::Sleep(10);
  }
  return true;
}
bool Shown(const std::atomic<HWND>& wnd) {
  return WaitFor([&] { return wnd.load() && ::IsWindowVisible(wnd.load()); }, 5000);
}
// Whether `wnd` closed by what the person did; if not, it is closed, as no test waits on a window.
bool ClosedByItself(HWND wnd) {
  if (WaitFor([&] { return !::IsWindow(wnd) || !::IsWindowVisible(wnd); }, 2000)) return true;
  ::PostMessageW(wnd, WM_CLOSE, 0, 0);
  return false;
}
// Clicks `button` with the real mouse and lets `person` act on a thread of its own while this
// thread runs the window the click opens, until the person is done.
void ClickThenAct(HWND button, const std::function<void()>& person) {
  std::atomic<bool> done{false};
  std::thread hand([&] {
    person();
    done = true;
  });
  EXPECT_TRUE(RealClick(Middle(button)));
  PumpUntil([&] { return done.load(); }, 30000);
  hand.join();
}
// A point of the window's caption that is its close box.
std::optional<POINT> CloseBox(HWND wnd) {
  RECT r{};
  ::GetWindowRect(wnd, &r);
  for (int y = r.top; y < r.top + 40; y += 2)
    for (int x = r.right - 1; x > r.right - 80; x -= 2)
      if (::SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return POINT{x + 3, y + 3};
  return std::nullopt;
}

BOOL CALLBACK FindAllPagesPreview(HWND wnd, LPARAM found) {
  auto* preview = dynamic_cast<TfmPrintPreview*>(TWindow::FromHandle(wnd));
  if (preview) *reinterpret_cast<TfmPrintPreview**>(found) = preview;
  return preview ? FALSE : TRUE;
}

// The window a tool bar button opens takes the first click, as one opened from the keyboard does,
// and gives the keys back when it closes.
TEST_F(PreviewWindow, AWindowAToolBarButtonOpensTakesTheFirstRealClick) {
  Open(800, 600);
  form_->Engine().Settings.CenterHorz = false;
  std::atomic<HWND> dialog{nullptr}, horzCentre{nullptr}, okButton{nullptr};
  std::atomic<HWND> allPages{nullptr}, zoomOut{nullptr}, zoomList{nullptr}, pagesView{nullptr};
  std::atomic<int> quitQuestions{0};
  const DialogHandler previous = SetDialogHandler([&](const DialogRequest& r) -> std::optional<DialogAnswer> {
    if (r.name == "TfmPageSetupDlg") {
      TfmPageSetupDlg& setup = *form_->PageSetupDialog();
      horzCentre = setup.HorzCenterChk.Handle();
      okButton = setup.OKBtn.Handle();
      dialog = setup.Handle();
    } else if (r.name == "TfmPrintPreview") {
      TfmPrintPreview* found = nullptr;
      ::EnumThreadWindows(::GetCurrentThreadId(), &FindAllPagesPreview, reinterpret_cast<LPARAM>(&found));
      if (found) {
        zoomOut = found->ToolBar().ZoomOut().Handle();
        zoomList = found->ToolBar().Combo();
        pagesView = found->Grid().View().Handle();
        allPages = found->Handle();
      }
    } else if (r.name == "MessageBox" && r.text == LoadResString(kMsgAskToQuit)) {
      ++quitQuestions;
      return DialogAnswer(IDNO);
    } else if (r.name != "TfmPreviewForm") {
      return DialogAnswer(IDCANCEL);
    }
    return std::nullopt;
  });
  const ScopeGuard restore([&] { SetDialogHandler(previous); });

  // Page Setup: one click ticks the box, one click on OK closes.
  bool ticked = false, closedByOneClick = false;
  ClickThenAct(form_->ToolBar().PageSetupBtn().Handle(), [&] {
    if (!Shown(dialog)) return;
    RealClick(Middle(horzCentre));
    ticked = WaitFor([&] { return ::SendMessageW(horzCentre, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 2000);
    RealClick(Middle(okButton));
    closedByOneClick = ClosedByItself(dialog);
  });
  ASSERT_NE(dialog.load(), nullptr) << "the button opened the page setup";
  EXPECT_TRUE(ticked) << "the first click on the check box ticked it";
  EXPECT_TRUE(closedByOneClick) << "one click on OK closed the dialog";
  EXPECT_TRUE(form_->Engine().Settings.CenterHorz);

  // The all-pages preview: one click zooms out, one click on the close box closes.
  bool zoomedOut = false;
  closedByOneClick = false;
  ClickThenAct(form_->ToolBar().PreviewBtn().Handle(), [&] {
    if (!Shown(allPages)) return;
    ::Sleep(300);  // the window has taken its maximized place
    const LRESULT before = ::SendMessageW(zoomList, CB_GETCURSEL, 0, 0);
    RealClick(Middle(zoomOut));
    zoomedOut = WaitFor([&] { return ::SendMessageW(zoomList, CB_GETCURSEL, 0, 0) == before + 1; }, 2000);
    if (const std::optional<POINT> box = CloseBox(allPages)) RealClick(*box);
    closedByOneClick = ClosedByItself(allPages);
  });
  ASSERT_NE(allPages.load(), nullptr) << "the button opened the all-pages preview";
  EXPECT_TRUE(zoomedOut) << "the first click on zoom-out zoomed out";
  EXPECT_TRUE(closedByOneClick) << "one click on the close box closed the window";

  // Closed, it gives the keys back to the preview: one Esc asks the quit question.
  EXPECT_TRUE(XMouse("key Escape"));
  EXPECT_TRUE(PumpUntil([&] { return quitQuestions > 0; }, 3000)) << "the preview has the keys";

  // Opened again, a click in its pages, then one Alt+F4 closes it as its close box does.
  allPages = nullptr;
  closedByOneClick = false;
  ClickThenAct(form_->ToolBar().PreviewBtn().Handle(), [&] {
    if (!Shown(allPages)) return;
    ::Sleep(300);
    RealClick(Middle(pagesView));
    XMouse("key alt+F4");
    closedByOneClick = ClosedByItself(allPages);
  });
  ASSERT_NE(allPages.load(), nullptr) << "the button opened the all-pages preview again";
  EXPECT_TRUE(closedByOneClick) << "one Alt+F4 closed the all-pages preview";
  ::SetCursorPos(0, 0);
}

}  // namespace

namespace {

class ModalPreview : public ::testing::Test {
protected:
  ModalPreview() {
    picture_ = WritePicture(builder_, {600, 1500, 256, 256}, Blocks);
    request_.captureGraphic = picture_.get();
    request_.captureRect = RECT{0, 0, 600, 1500};
  }
  void TearDown() override { SetCtrl(false); }

  PrivateTempFolder temp_;
  TBmpHtmlImageBuilder builder_;
  std::unique_ptr<TBmpHtmlImage> picture_;
  TPreviewRequest request_;
  TfmPreviewForm form_{nullptr};
};

TEST_F(ModalPreview, AQuitRequestEndsTheLoopAndStaysForTheLoopOutside) {
  Answers answers(IDYES);
  ::PostQuitMessage(7);
  form_.ShowPreview(request_);
  EXPECT_TRUE(form_.IsClosed());
  EXPECT_FALSE(::IsWindowVisible(form_.Handle()));
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ModalPreview, TheWindowSeesKeysBeforeItsZoomCombo) {
  Answers answers(IDYES);
  TViewMode modeSeen = vmCaptureView;
  answers.onRequest = [&] { modeSeen = form_.ViewMode(); };
  // Ctrl+M released on the combo, then Esc pressed there: both reach the window.
  SetCtrl(true);
  ::PostMessageW(form_.ZoomCombo(), WM_KEYUP, 'M', 0xC0000001);
  ::PostMessageW(form_.ZoomCombo(), WM_KEYDOWN, VK_ESCAPE, 1);
  form_.ShowPreview(request_);
  EXPECT_EQ(modeSeen, vmPageView);
  EXPECT_TRUE(form_.IsClosed());
  ASSERT_EQ(answers.requests.size(), 2u);
  EXPECT_EQ(answers.requests[1].text, "Do you want to quit Vantrelle?");
}

}  // namespace

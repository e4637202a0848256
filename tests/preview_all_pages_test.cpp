// The all-pages print preview on the screen: the grid of thumbnails at each zoom and view size,
// the worker that draws them while the window is resized, a thumbnail that fails, printing and
// saving the ticked pages, and the skins of both preview windows' tool bars.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "base/Numbers.h"
#include "base/Printer.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "page/uJpegEncoder.h"
#include "preview/frmPrintPreview.h"
#include "resources/StringIds.h"
#include "support/PreviewFixture.h"
#include "support/PrinterQueue.h"
#include "support/Scopes.h"
#include "support/TestPictures.h"
#include "support/WindowTesting.h"

using namespace vt;
using namespace vt::test;

namespace {

// Places in the panel of the thumbnails, or in the tool bar.
POINT At(const TWindow& w) { return POINT{w.Left(), w.Top()}; }
POINT At(const TControl& c) {
  RECT r{};
  ::GetWindowRect(c.Handle(), &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(c.Handle()), reinterpret_cast<POINT*>(&r), 1);
  return POINT{r.left, r.top};
}

// The page as the engine draws it into a thumbnail of `width` x `height`.
std::unique_ptr<TBitmap> Rendered(TPrintEngine& engine, int page, int width, int height) {
  auto b = std::make_unique<TBitmap>(width, height);
  engine.RenderPage(b->Canvas(), page);
  ::GdiFlush();
  return b;
}

class AllPages : public ::testing::Test {
protected:
  // A picture of `pages` printer pages, one column of them.
  static std::unique_ptr<LaidOutEngine> Pages(int pages) {
    const TPrintEngine page(nullptr);
    return std::make_unique<LaidOutEngine>((pages - 1) * page.Geometry().PageHeight + page.Geometry().PageHeight / 2, page.Geometry().PageWidth / 2);
  }
  // Such a picture shown in the window.
  void Open(int pages) {
    laid_ = Pages(pages);
    ASSERT_EQ(laid_->engine.GetPageCount(), pages);
    form_ = std::make_unique<TfmPrintPreview>();
    form_->ShowNonModal(laid_->engine);
  }
  // Until the worker has ended and its thumbnails are shown.
  void WaitForThumbnails() {
    ASSERT_TRUE(PumpUntil([&] { return form_->Grid().Idle() && !form_->Grid().Drawing(); }, 30000));
    PumpMessages(20);  // the last cursor message
  }
  // The window restored to a client area of w x h (the view is the client less the bars).
  void Resize(int w, int h) {
    ::ShowWindow(form_->Handle(), SW_RESTORE);
    RECT r{0, 0, w, h};
    ::AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    ::SetWindowPos(form_->Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOMOVE);
  }
  // The view's width and height as the layout takes them.
  int W() { return form_->Grid().View().Width() - 4; }
  int H() { return form_->Grid().View().Height() - 4; }
  TPrintEngine& Engine() { return laid_->engine; }

  std::unique_ptr<LaidOutEngine> laid_;
  std::unique_ptr<TfmPrintPreview> form_;
};

TEST_F(AllPages, OnePageIsCentredAndDrawnAsTheEngineDrawsIt) {
  Open(1);
  WaitForThumbnails();
  EXPECT_FLOAT_EQ(form_->Zoom(), 0.5f);
  EXPECT_EQ(form_->ToolBar().ZoomIndex(), 2);
  EXPECT_TRUE(::IsZoomed(form_->Handle()));
  const int tw = form_->Grid().ThumbWidth(), th = form_->Grid().ThumbHeight();
  EXPECT_EQ(tw, static_cast<int>(Engine().Geometry().PageWidth * 0.5f));
  const POINT image = At(form_->Grid().Image(0));
  EXPECT_LE(std::abs(2 * image.x + tw - W()), 1) << "centred across";
  EXPECT_LE(std::abs(2 * image.y + th + 30 - H()), 1) << "centred down, with its check box";
  EXPECT_EQ(form_->Grid().CheckBox(0).Text(), L"1/1 Page");
  EXPECT_TRUE(form_->Grid().CheckBox(0).Checked());
  const TBitmap* picture = form_->Grid().Image(0).Picture();
  ASSERT_NE(picture, nullptr);
  auto expected = Rendered(Engine(), 1, tw, th);
  EXPECT_EQ(FirstMismatch(*picture, 0, 0, tw, th, [&](int x, int y) { return expected->Pixel(x, y); }), "");
  // On the screen: the thumbnail, its grey shadow at 4 pixels, the view's face beyond.
  auto shot = Screenshot(form_->Grid().ViewPanel().Handle());
  EXPECT_EQ(shot->Pixel(image.x + tw / 2, image.y + th / 2), picture->Pixel(tw / 2, th / 2));
  EXPECT_EQ(shot->Pixel(image.x + tw + 2, image.y + th / 2), RGB(128, 128, 128));
  EXPECT_EQ(shot->Pixel(image.x + tw + 6, image.y + th / 2), ::GetSysColor(COLOR_BTNFACE));
}

TEST_F(AllPages, FivePagesThreeToARowAndAViewNarrowerThanOneThumbnail) {
  Open(5);
  form_->SelectZoomIndex(4);
  const int tw = form_->Grid().ThumbWidth(), th = form_->Grid().ThumbHeight();
  // Room for three thumbnails and a half.
  Resize(80 + (tw + 20) * 7 / 2 + 4, 900);
  WaitForThumbnails();
  const int left = (W() - (3 * tw + 40)) / 2;
  const POINT expected[] = {{left, 0}, {left + tw + 20, 0}, {left + 2 * (tw + 20), 0}, {left, 1}, {left + tw + 20, 1}};
  const int top = At(form_->Grid().Image(0)).y;
  EXPECT_EQ(top, (H() - 2 * (th + 30)) / 2) << "the grid is lower than the view: centred";
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const POINT image = At(form_->Grid().Image(i));
    EXPECT_EQ(image.x, expected[i].x);
    EXPECT_EQ(image.y, top + expected[i].y * (th + 30));
    EXPECT_EQ(At(form_->Grid().Shadow(i)).x, image.x + 4);
    EXPECT_EQ(At(form_->Grid().Shadow(i)).y, image.y + 4);
    EXPECT_EQ(At(form_->Grid().CheckBox(i)).x, image.x + 4);
    EXPECT_EQ(At(form_->Grid().CheckBox(i)).y, image.y + th + 6);
    EXPECT_EQ(form_->Grid().CheckBox(i).Text(), ToWide(Format("%d/5 Page", i + 1)));
  }

  // Narrower than one thumbnail at 50 %: one column that starts left of the panel, five rows that
  // do not fit, the first 50 pixels down, the second out of sight.
  form_->SelectZoomIndex(2);
  Resize(form_->Grid().ThumbWidth() / 2, 600);
  WaitForThumbnails();
  const int tw2 = form_->Grid().ThumbWidth(), th2 = form_->Grid().ThumbHeight();
  EXPECT_EQ(At(form_->Grid().Image(0)).x, (W() - tw2) / 2);
  EXPECT_LT(At(form_->Grid().Image(0)).x, 0);
  EXPECT_EQ(At(form_->Grid().Image(0)).y, 50);
  EXPECT_FALSE(form_->Grid().Image(1).Visible());
  SCROLLINFO range{sizeof(range), SIF_RANGE, 0, 0, 0, 0, 0};
  ::GetScrollInfo(form_->Grid().View().Handle(), SB_VERT, &range);
  EXPECT_EQ(range.nMax + 1, 5 * (th2 + 30) + 100);
}

TEST_F(AllPages, AGridHigherThanAWindowCanBeScrollsToItsLastPage) {
  Open(30);
  form_->SelectZoomIndex(0);  // one column of 30 full-size pages: far more than 32767 pixels
  WaitForThumbnails();
  EXPECT_EQ(form_->Grid().Image(29).Picture(), nullptr) << "far from the view: not drawn";
  form_->Grid().View().SetVertPosition(1 << 30);
  ::SendMessageW(form_->Grid().View().Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  WaitForThumbnails();
  const TThumbnail& last = form_->Grid().Image(29);
  ASSERT_TRUE(last.Visible());
  ASSERT_NE(last.Picture(), nullptr);
  EXPECT_FALSE(form_->Grid().Image(0).Visible()) << "out of sight";
  EXPECT_EQ(form_->Grid().Image(0).Picture(), nullptr) << "far from the view: its thumbnail let go";
  const POINT at = At(last);
  PumpMessages(50);
  auto shot = Screenshot(form_->Grid().ViewPanel().Handle());
  const int y = std::max<int>(at.y, 0) + 40;  // the thumbnail may start above the panel
  EXPECT_EQ(shot->Pixel(at.x + 40, y), last.Picture()->Pixel(40, y - at.y));
  EXPECT_EQ(At(form_->Grid().CheckBox(29)).y, at.y + form_->Grid().ThumbHeight() + 6);
}

TEST_F(AllPages, TheWindowOpenedAgainOnMorePagesShowsThemAll) {
  Open(1);
  WaitForThumbnails();
  const std::unique_ptr<LaidOutEngine> first = std::move(laid_);
  laid_ = Pages(40);
  form_->ShowNonModal(laid_->engine);
  WaitForThumbnails();
  EXPECT_EQ(_heapchk(), _HEAPOK) << "nothing written past the pages' state";
  ASSERT_EQ(form_->Grid().PageCount(), 40);
  EXPECT_EQ(form_->Grid().CheckBox(39).Text(), L"40/40 Page");
  for (int i : {0, 1}) EXPECT_NE(form_->Grid().Image(i).Picture(), nullptr) << i;
}

TEST_F(AllPages, ZoomListAndButtonsLayTheThumbnailsOutAgainAtBothEnds) {
  Open(2);
  const int32_t pageWidth = Engine().Geometry().PageWidth;
  const struct {
    void (TfmPrintPreview::*action)();
    int startIndex, index;
    float zoom;  // the thumbnail's width over the page's
  } steps[] = {{&TfmPrintPreview::ZoomOut, 4, 4, 0.1f}, {&TfmPrintPreview::ZoomIn, 0, 0, 1.0f},
               {&TfmPrintPreview::ZoomOut, 0, 1, 0.75f}, {&TfmPrintPreview::ZoomIn, 3, 2, 0.5f}};
  for (const auto& s : steps) {
    form_->SelectZoomIndex(s.startIndex);
    WaitForThumbnails();
    ASSERT_NE(form_->Grid().Image(1).Picture(), nullptr);
    (form_.get()->*s.action)();
    EXPECT_EQ(form_->ToolBar().ZoomIndex(), s.index);
    EXPECT_EQ(form_->Grid().ThumbWidth(), static_cast<int32_t>(pageWidth * s.zoom));
    EXPECT_EQ(form_->Grid().Image(1).Picture(), nullptr) << "laid out again, also at an end";
  }
  // The wheel scrolls down, with Ctrl across.
  Resize(300, 300);
  WaitForThumbnails();
  ::SendMessageW(form_->Grid().View().Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(form_->Grid().View().VertPosition(), 120);
  ::SendMessageW(form_->Grid().View().Handle(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), 0);
  EXPECT_EQ(form_->Grid().View().HorzPosition(), 120);
}

TEST_F(AllPages, ResizingWhileTheWorkerDrawsRedrawsFromPageOneAndKeepsTheTicks) {
  Open(8);
  form_->Grid().CheckBox(1).SetChecked(false);
  form_->Grid().CheckBox(4).SetChecked(false);
  // Many layouts, each stopping a worker somewhere in its pages, some while it hands one over.
  for (int i = 0; i < 60; ++i) {
    Resize(300 + (i * 137) % 1000, 400 + (i * 71) % 500);
    if (i % 9 == 0) form_->SelectZoomIndex((i / 9) % 5);
    PumpMessages(i % 4);
  }
  ::ShowWindow(form_->Handle(), SW_MAXIMIZE);  // every page in sight
  form_->SelectZoomIndex(3);
  WaitForThumbnails();
  const int tw = form_->Grid().ThumbWidth(), th = form_->Grid().ThumbHeight();
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    const TBitmap* picture = form_->Grid().Image(i).Picture();
    ASSERT_NE(picture, nullptr);
    auto expected = Rendered(Engine(), i + 1, tw, th);
    EXPECT_EQ(FirstMismatch(*picture, 0, 0, tw, th, [&](int x, int y) { return expected->Pixel(x, y); }), "");
    EXPECT_EQ(form_->Grid().CheckBox(i).Checked(), i != 1 && i != 4);
  }
  EXPECT_FALSE(form_->Grid().Drawing());
}

// A thread that drew a page runs on for a while after the worker's run ends, as a thread's last
// clean-up may.
struct TSlowThreadEnd {
  ~TSlowThreadEnd() { ::Sleep(500); }
};

class TSlowEndingDisplayer : public IPagePreviewDisplayer {
public:
  int32_t GetPageCount() override { return 1; }
  void DisplayPage(int32_t) override {
    static thread_local TSlowThreadEnd end;
    (void)end;
    thread = ::GetCurrentThreadId();
  }
  std::atomic<DWORD> thread{0};
};

TEST(ThumbnailWorker, StopReturnsOnceTheThreadHasEnded) {
  TSlowEndingDisplayer displayer;
  auto worker = std::make_unique<TPagePreviewDisplayThread>();
  worker->Start(&displayer, true);  // the page drawn, the done event set
  const Handle thread(::OpenThread(SYNCHRONIZE, FALSE, displayer.thread));
  ASSERT_TRUE(thread);
  worker.reset();
  EXPECT_EQ(::WaitForSingleObject(thread.get(), 0), WAIT_OBJECT_0) << "the worker's code ran on after the stop";
}

TEST_F(AllPages, AThumbnailThatFailsLeavesItsPageBlankAndTheWorkerGoesOn) {
  Open(3);
  WaitForThumbnails();
  // The second drawing fails, as a broken tile file would.
  std::atomic<int> draws{0};
  test::WrappedPicture failing(*laid_->picture, [&] {
    if (++draws == 2) throw Error("The tile file is damaged");
  });
  Engine().SetImage(&failing);
  form_->SelectZoomIndex(3);
  WaitForThumbnails();
  EXPECT_NE(form_->Grid().Image(0).Picture(), nullptr);
  EXPECT_EQ(form_->Grid().Image(1).Picture(), nullptr);
  EXPECT_NE(form_->Grid().Image(2).Picture(), nullptr);
  EXPECT_FALSE(form_->Grid().Drawing()) << "the hourglass went";
  // The done event came, or this layout would wait for the worker for ever.
  form_->SelectZoomIndex(2);
  WaitForThumbnails();
  EXPECT_NE(form_->Grid().Image(1).Picture(), nullptr);
  Engine().SetImage(laid_->picture.get());
}

TEST_F(AllPages, PrintsTheTickedPagesOrAllOfThem) {
  struct Case {
    std::vector<int> ticked;
    int answer;  // the range the dialog is answered with
    bool selectionOffered;
    int sheets;
  };
  const Case cases[] = {{{2}, prAllPages, true, 3}, {{}, prAllPages, false, 3}, {{1, 3}, prSelection, true, 2}};
  Open(3);  // printing starts while the worker draws
  for (const Case& c : cases) {
    for (int i = 0; i < 3; ++i) form_->Grid().CheckBox(i).SetChecked(false);
    for (int page : c.ticked) form_->Grid().CheckBox(page - 1).SetChecked(true);
    NamedJob job("vt-all-pages");
    DialogRecorder dialogs([&](const DialogRequest&) -> std::optional<DialogAnswer> {
      DialogAnswer answer(IDOK);
      answer.printRange = c.answer;
      return answer;
    });
    form_->PrintBtnClick();
    const auto print = dialogs.Named("PrintDialog");
    ASSERT_EQ(print.size(), 1u);
    EXPECT_EQ(print[0].proposed.printRange, c.selectionOffered ? prSelection : prAllPages);
    EXPECT_EQ((print[0].flags & PD_NOSELECTION) == 0, c.selectionOffered);
    EXPECT_NE(print[0].flags & PD_NOPAGENUMS, 0u) << "no page range is offered";
    EXPECT_EQ(job.Pages(), c.sheets);
  }
  EXPECT_EQ(::FindWindowW(nullptr, L"Printing..."), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(form_->Handle()));
}

TEST_F(AllPages, SheetsChosenInThePrintDialogLayPagesAndThumbnailsOutBeforePrinting) {
  Open(1);
  const ScopeGuard portrait([] { TPrinter::Current().SetOrientation(TPrinter::poPortrait); });
  // Landscape chosen in the dialog (answered here in its place).
  DialogRecorder dialogs([](const DialogRequest&) -> std::optional<DialogAnswer> {
    TPrinter::Current().SetOrientation(TPrinter::poLandscape);
    return IDOK;
  });
  NamedJob job("vt-all-pages-turned");
  form_->PrintBtnClick();
  EXPECT_GT(Engine().Geometry().PageWidth, Engine().Geometry().PageHeight);
  EXPECT_GT(form_->Grid().ThumbWidth(), form_->Grid().ThumbHeight());
  const std::vector<PdfSheet> sheets = PdfSheets(job.pdf.WaitForFile());
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_GT(sheets[0].width, sheets[0].height);
}

TEST_F(AllPages, SheetsGivingFewerPagesHideTheThumbnailsOfThePagesPastTheCount) {
  const ScopeGuard portrait([] { TPrinter::Current().SetOrientation(TPrinter::poPortrait); });
  const TPrintEngine upright(nullptr);
  TPrinter::Current().SetOrientation(TPrinter::poLandscape);
  const TPrintEngine turned(nullptr);
  // Seven and a half landscape pages: eight of them, fewer upright ones.
  laid_ = std::make_unique<LaidOutEngine>(turned.Geometry().PageHeight * 15 / 2, upright.Geometry().PageWidth / 2);
  ASSERT_EQ(Engine().GetPageCount(), 8);
  form_ = std::make_unique<TfmPrintPreview>();
  form_->ShowNonModal(Engine());
  form_->SelectZoomIndex(4);  // every page in sight
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(form_->Grid().CheckBox(i).Visible()) << i;
  // Portrait chosen in the dialog (answered here in its place).
  DialogRecorder dialogs([](const DialogRequest&) -> std::optional<DialogAnswer> {
    TPrinter::Current().SetOrientation(TPrinter::poPortrait);
    return IDOK;
  });
  NamedJob job("vt-all-pages-upright");
  form_->PrintBtnClick();
  const int count = form_->Grid().PageCount();
  ASSERT_EQ(count, Engine().GetPageCount());
  ASSERT_LT(count, 8);
  WaitForThumbnails();
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(form_->Grid().CheckBox(i).Visible(), i < count);
    EXPECT_EQ(form_->Grid().Image(i).Visible(), i < count);
    EXPECT_EQ(form_->Grid().Shadow(i).Visible(), i < count);
    if (i < count) {
      EXPECT_EQ(form_->Grid().CheckBox(i).Text(), ToWide(Format("%d/%d Page", i + 1, count)));
    }
  }
  EXPECT_EQ(job.Pages(), count);
}

TEST_F(AllPages, SavesTheTickedPagesAndAsksForOneWhenNoneIs) {
  Open(5);
  TempDir dir;
  form_->Grid().CheckBox(1).SetChecked(false);
  form_->Grid().CheckBox(4).SetChecked(false);
  {
    DialogRecorder dialogs([&](const DialogRequest&) -> std::optional<DialogAnswer> {
      DialogAnswer answer(IDOK);
      answer.fileName = ToWide(dir.file("pages")), answer.filterIndex = 2;
      return answer;
    });
    form_->SaveBtnClick();
    ASSERT_EQ(dialogs.requests.size(), 1u) << "no message follows a save";
  }
  for (int page = 1; page <= 5; ++page)
    EXPECT_EQ(FileExists(dir.file(Format("pages-%d.jpg", page))), page == 1 || page == 3 || page == 4) << page;
  for (int i = 0; i < 5; ++i) form_->Grid().CheckBox(i).SetChecked(false);
  DialogRecorder dialogs;
  form_->SaveBtnClick();
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].text, LoadResString(kMsgSelectPagesToSaveOrPrint));
  EXPECT_EQ(dialogs.requests[0].flags, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
}

}  // namespace

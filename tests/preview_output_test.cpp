// Printing and saving as both preview windows carry them out: the print and save dialogs answered
// through the dialog seam (in process and through the environment), the file name rules, and the
// print loop over a list of pages on the test PDF printer.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Printer.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "preview/frmPageSetupDlg.h"
#include "preview/uPrintSave.h"
#include "resources/StringIds.h"
#include "support/BannerSetting.h"
#include "support/DeviceNames.h"
#include "support/JpegDecode.h"
#include "support/LogLines.h"
#include "support/PlatformDialogs.h"
#include "support/PreviewFixture.h"
#include "support/PrinterQueue.h"
#include "support/RegistryScope.h"
#include "support/Scopes.h"
#include "support/TestPictures.h"
#include "support/UnixTools.h"
#include "support/WindowTesting.h"

using namespace vt;
using namespace vt::test;

namespace {

// The environment's answers for the scope.
class EnvAnswers {
public:
  explicit EnvAnswers(const std::string& answers) { _putenv(("VANTRELLE_DIALOG_ANSWERS=" + answers).c_str()); }
  ~EnvAnswers() { _putenv("VANTRELLE_DIALOG_ANSWERS="); }
};

}  // namespace

TEST(OutputDialogs, TheEnvironmentAnswersTheCommonDialogsWithTheirChoices) {
  struct Case {
    const char* answers;
    int maxPage;
    std::optional<TPrintChoice> print;  // expected
    std::string saved;                  // expected file from the save dialog proposing "site"
  };
  const Case cases[] = {
      {"PrintDialog=1|pages|3|5;SaveDialog=1|C:\\out\\a=b|2", 9, TPrintChoice{prPageNums, 3, 5}, "C:\\out\\a=b.jpg"},
      {"PrintDialog=1|selection;SaveDialog=1||3", 4, TPrintChoice{prSelection, 1, 4}, "site.pdf"},
      {"*=1", 7, TPrintChoice{prAllPages, 1, 7}, "site.bmp"},
      {"Dialog=2", 7, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    EnvAnswers answers(c.answers);
    const std::optional<TPrintChoice> print = RunPrintDialog(nullptr, {c.maxPage, true, true, prAllPages});
    ASSERT_EQ(print.has_value(), c.print.has_value()) << c.answers;
    if (print) {
      EXPECT_EQ(print->range, c.print->range) << c.answers;
      EXPECT_EQ(print->fromPage, c.print->fromPage) << c.answers;
      EXPECT_EQ(print->toPage, c.print->toPage) << c.answers;
    }
    EXPECT_EQ(RunSaveDialog(nullptr, "site"), c.saved) << c.answers;
  }
}

TEST(OutputDialogs, FileNamesFromTheFilterAndTheSiteHost) {
  const struct { const char* typed; int filter; const char* file; } names[] = {
      {"C:\\out\\page", 2, "C:\\out\\page.jpg"}, {"C:\\out\\page.pdf", 1, "C:\\out\\page.pdf"},
      {"C:\\my.dir\\page", 3, "C:\\my.dir\\page.pdf"}, {"page", 9, "page"}};
  for (const auto& n : names) EXPECT_EQ(SaveFileName(n.typed, n.filter), n.file) << n.typed;
  const struct { const char* host; const char* name; } hosts[] = {
      {"www.example.com", "example"}, {"shop.example.co.kr", "shop"}, {"localhost", "localhost"}, {"", ""},
      {"evil:stream.example", ""}, {"a\\b.example", ""}, {"x/y", ""}, {"a*b", ""}};
  for (const auto& h : hosts) EXPECT_EQ(DefaultSaveName(h.host), h.name) << h.host;
  EXPECT_EQ(PagesOfChoice({prPageNums, 3, 5}, 9), (TPageList{3, 4, 5}));
  EXPECT_EQ(PagesOfChoice({prPageNums, 0, 12}, 2), (TPageList{1, 2}));
  EXPECT_EQ(PagesOfChoice({prSelection, 2, 2}, 3), (TPageList{1, 2, 3}));
}

// The site's host is the page's word: no device is proposed as the file name, nor written to as
// a file whoever names it.
TEST(OutputDialogs, DeviceNamesAreNeitherProposedNorSaved) {
  TempDir dir;
  TPrintEngine engine(nullptr);
  for (const std::wstring& device : kDeviceNames) {
    const std::string name = ToAnsi(device);
    SCOPED_TRACE(name);
    EXPECT_EQ(DefaultSaveName(name + ".example.com"), "");
    EXPECT_EQ(DefaultSaveName("www." + name), "");
    for (const std::wstring& form : DeviceNameForms(device)) {
      DialogRecorder dialogs([&](const DialogRequest&) -> std::optional<DialogAnswer> {
        DialogAnswer answer(IDOK);
        answer.fileName = ToWide(dir.file(ToAnsi(form) + ".pdf")), answer.filterIndex = 3;
        return answer;
      });
      EXPECT_FALSE(SaveCommand(nullptr, engine, {1}, nullptr, ""));
      ASSERT_EQ(dialogs.requests.size(), 2u);
      EXPECT_EQ(dialogs.requests[1].name, "MessageBox");
      EXPECT_NE(dialogs.requests[1].text.find("device"), std::string::npos);
    }
  }
}

TEST(OutputPrinting, ThePageListPrintsOneSheetPerPageAsOneJob) {
  LaidOutEngine laid(6000);
  ASSERT_GE(laid.engine.GetPageCount(), 5);
  HostWindow owner(40, 40, 300, 200);
  PrintedPdf job("vt-page-list");
  TPrinter::Current().SetTitle(job.documentName());
  PrintPages(owner.get(), laid.engine, {3, 4, 5});
  TPrinter::Current().SetTitle("Vantrelle");
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));
  const std::string pdf = job.WaitForFile();
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfPages(pdf), 3);
}

TEST(OutputPrinting, AFailureFreesTheStatusFormAndOpensNoJob) {
  LaidOutEngine laid(2000);
  HostWindow owner(40, 40, 300, 200);
  NoPrinter none;
  EXPECT_THROW(PrintPages(owner.get(), laid.engine, {1}), Error);
  EXPECT_EQ(::FindWindowW(nullptr, L"Printing..."), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));
  DialogRecorder recorder;
  EXPECT_FALSE(CheckPrinter(MB_ICONSTOP));
  ASSERT_EQ(recorder.requests.size(), 1u);
  EXPECT_EQ(recorder.requests[0].text, LoadResString(kMsgNoDefaultPrinter));
  EXPECT_EQ(recorder.requests[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
}

// ---- The preview window's commands, driven with the mouse and the keyboard ----

namespace {

class PreviewOutput : public PreviewFixture {
protected:
  HWND Box() { return form_->ImgBox().Handle(); }
  // Select mode through the Select button, then a rectangle dragged on the view from `from` to `to`.
  void DrawSelection(POINT from, POINT to) {
    Click(form_->ToolBar().SelectBtn());
    ASSERT_TRUE(form_->ToolBar().SelectBtn().Down());
    Drag(from, to);
  }
  void Drag(POINT from, POINT to) {
    Mouse(Box(), WM_LBUTTONDOWN, MK_LBUTTON, from.x, from.y);
    Mouse(Box(), WM_MOUSEMOVE, MK_LBUTTON, (from.x + to.x) / 2, (from.y + to.y) / 2);
    Mouse(Box(), WM_MOUSEMOVE, MK_LBUTTON, to.x, to.y);
    Mouse(Box(), WM_LBUTTONUP, 0, to.x, to.y);
  }
  RECT Area() {
    const TSelectArea& a = form_->Selection().SelectArea();
    return RECT{a.Left(), a.Top(), a.Width(), a.Height()};
  }
  RECT Selection() { return form_->GetSelectionRect(); }
};

std::string Text(const RECT& r) { return Format("(%ld, %ld, %ld, %ld)", r.left, r.top, r.right, r.bottom); }

}  // namespace

TEST_F(PreviewOutput, ASelectionDrawnAtAnyZoomKeepsItsPlaceInThePicture) {
  Open(1000, 2600);
  // The mouse stays on the screen: far down the picture the view is scrolled there first.
  struct Case {
    int zoomIndex, scroll;
    POINT from, to;
    RECT area;       // left, top, width, height on the view
    RECT selection;  // capture pixels, clamped
  };
  const Case cases[] = {
      {0, 0, {100, 100}, {40, 60}, {40, 60, 60, 40}, {40, 60, 100, 100}},
      {2, 0, {10, 10}, {60, 60}, {10, 10, 50, 50}, {20, 20, 120, 120}},
      {0, 2200, {950, 2500}, {1100, 2700}, {950, 2500, 150, 200}, {950, 2500, 1000, 2600}},
  };
  for (const Case& c : cases) {
    form_->SelectZoomIndex(c.zoomIndex);
    form_->Scroller().SetVertPosition(c.scroll);
    DrawSelection(c.from, c.to);
    EXPECT_EQ(Text(Area()), Text(c.area)) << c.zoomIndex;
    EXPECT_TRUE(form_->Selection().SelectArea().Editable());
    EXPECT_FALSE(form_->ToolBar().SelectBtn().Down()) << "one rectangle ends select mode";
    EXPECT_EQ(Text(Selection()), Text(c.selection));
  }
  // Too small a drawing is dropped.
  DrawSelection({300, 2300}, {306, 2340});
  EXPECT_FALSE(form_->HasSelection());

  // At 50 % and scrolled, the area lies on the same picture pixels: its grab shows there.
  form_->Scroller().SetVertPosition(1400);
  DrawSelection({400, 1500}, {600, 1700});
  form_->SelectZoomIndex(2);
  EXPECT_EQ(Text(Area()), Text(RECT{200, 750, 100, 100}));
  form_->Scroller().SetVertPosition(600);
  ::UpdateWindow(Box());
  const TGrab& corner = form_->Selection().SelectArea().Grab(0);
  const POINT at = form_->FromView(Box(), POINT{corner.Bounds.left + 3, corner.Bounds.top + 3});
  HDC dc = ::GetDC(Box());
  EXPECT_EQ(::GetPixel(dc, at.x, at.y), RGB(255, 255, 0));
  ::ReleaseDC(Box(), dc);
}

TEST_F(PreviewOutput, GrabsResizeTheAreaAndItsInsideMovesIt) {
  Open(1000, 2600);
  DrawSelection({100, 100}, {200, 200});
  // The left grab dragged 20 pixels past the right edge.
  Drag({100, 149}, {220, 149});
  EXPECT_EQ(Text(Area()), Text(RECT{193, 100, 20, 100}));
  EXPECT_EQ(Text(form_->Selection().DocSelection()), Text(RECT{193, 100, 213, 200}));
  // A click beside it leaves editing; the next press inside edits again and moves it.
  Mouse(Box(), WM_LBUTTONDOWN, MK_LBUTTON, 600, 600);
  Mouse(Box(), WM_LBUTTONUP, 0, 600, 600);
  EXPECT_FALSE(form_->Selection().SelectArea().Editable());
  EXPECT_TRUE(form_->HasSelection());
  Drag({200, 150}, {250, 130});
  EXPECT_TRUE(form_->Selection().SelectArea().Editable());
  EXPECT_EQ(Text(form_->Selection().DocSelection()), Text(RECT{243, 80, 263, 180}));
  // Delete hides an area being edited; Esc hides it before it asks to quit.
  KeyDown(VK_DELETE);
  EXPECT_FALSE(form_->HasSelection());
  DrawSelection({10, 20}, {30, 50});
  DialogRecorder dialogs;
  KeyDown(VK_ESCAPE);
  EXPECT_FALSE(form_->HasSelection());
  EXPECT_TRUE(dialogs.requests.empty());

  // Ctrl+C still copies the hidden area.
  KeyUp('C', true);
  ASSERT_TRUE(::OpenClipboard(nullptr));
  HGLOBAL data = ::GetClipboardData(CF_DIB);
  ASSERT_NE(data, nullptr);
  const auto* info = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(data));
  EXPECT_EQ(info->biWidth, 20);
  EXPECT_EQ(info->biHeight, 30);
  const auto* top = reinterpret_cast<const uint8_t*>(info + 1) + TBitmap::StrideFor(20) * 29;
  EXPECT_EQ(RGB(top[2], top[1], top[0]), Blocks(10, 20));
  ::GlobalUnlock(data);
  ::CloseClipboard();
}

TEST_F(PreviewOutput, PrintsThePageRangeOrTheSelectionFittedToThePage) {
  TPrintEngine scratch(nullptr);
  const int pw = scratch.Geometry().PageWidth, ph = scratch.Geometry().PageHeight;
  Open(2 * pw + 20, 3 * ph);
  const int count = form_->Engine().GetPageCount();
  ASSERT_GE(count, 5);
  {
    NamedJob job("vt-range");
    DialogRecorder dialogs([](const DialogRequest& r) -> std::optional<DialogAnswer> {
      DialogAnswer answer(IDOK);
      answer.printRange = prPageNums, answer.fromPage = 3, answer.toPage = 5;
      return answer;
    });
    Click(form_->ToolBar().PrintBtn());
    const auto print = dialogs.Named("PrintDialog");
    ASSERT_EQ(print.size(), 1u);
    EXPECT_EQ(print[0].proposed.printRange, prAllPages);
    EXPECT_EQ(print[0].proposed.maxPage, count);
    EXPECT_NE(print[0].flags & PD_NOSELECTION, 0u);
    EXPECT_EQ(job.Pages(), 3);
  }
  // Two and a half pages high: three sheets at real size, two when twice as wide as the page.
  // Drawn at 10 %, so that the mouse stays on the screen.
  form_->SelectZoomIndex(4);
  const struct { int width, sheets; } selections[] = {{pw / 20, 3}, {pw / 5, 2}};
  for (const auto& s : selections) {
    NamedJob job("vt-selection");
    DrawSelection({0, 0}, {s.width, ph / 4});
    DialogRecorder dialogs;
    KeyUp('P', true);
    ASSERT_EQ(dialogs.Named("PrintDialog").size(), 1u);
    EXPECT_EQ(dialogs.requests[0].proposed.printRange, prSelection);
    EXPECT_EQ(job.Pages(), s.sheets) << s.width;
  }
}

namespace {

// Bands of colour 64 pixels wide and high: any part of a page printed out of place shows.
COLORREF Bands(int x, int y) {
  return RGB(40 + (x / 64) * 37 % 200, 40 + (y / 64) * 53 % 200, 40 + ((x / 64 + y / 64) * 71) % 200);
}

// What sheet `page` of a printed PDF shows over `area` of the printable page (screen pixels).
std::unique_ptr<TBitmap> PrintedArea(const std::string& pdf, int page, const RECT& area) {
  DeviceContext printer = TPrinter::Current().CreateDC();
  WindowDC screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX), printerDpi = ::GetDeviceCaps(printer.get(), LOGPIXELSX);
  const int left = ::GetDeviceCaps(printer.get(), PHYSICALOFFSETX) * dpi / printerDpi;
  const int top = ::GetDeviceCaps(printer.get(), PHYSICALOFFSETY) * dpi / printerDpi;
  return PdfPicture(pdf, page, dpi, RECT{left + area.left, top + area.top, left + area.right, top + area.bottom});
}

// The engine's pages are laid out `landscape` or not, the job's PDF holds one sheet of that
// orientation per page, and its sheet `page` shows in its printable area what the view draws for
// that page.
void ExpectPrintedAsShown(NamedJob& job, TPrintEngine& engine, bool landscape, int page) {
  EXPECT_EQ(engine.Geometry().PageWidth > engine.Geometry().PageHeight, landscape);
  const std::string pdf = job.pdf.WaitForFile();
  ASSERT_FALSE(pdf.empty());
  const std::vector<PdfSheet> sheets = PdfSheets(pdf);
  ASSERT_EQ(static_cast<int>(sheets.size()), engine.GetPageCount());
  for (const PdfSheet& sheet : sheets) EXPECT_EQ(sheet.width > sheet.height, landscape);
  const auto printed = PrintedArea(pdf, page, RECT{0, 0, engine.Geometry().PageWidth, engine.Geometry().PageHeight});
  ASSERT_NE(printed, nullptr);
  TBitmap shown(engine.Geometry().PageWidth, engine.Geometry().PageHeight);
  engine.RenderPage(shown.Canvas(), page);
  ::GdiFlush();
  EXPECT_LT(MeanChannelDifference(shown, *printed), 3.0) << "page " << page;
}

}  // namespace

TEST_F(PreviewOutput, ThePrintDialogsStartOnTheRequestsOrientationAndWhatIsChosenThereIsLaidOutAndPrinted) {
  std::vector<BYTE> before = TPrinter::Current().Settings();
  ASSERT_FALSE(before.empty());
  const ScopeGuard putBack([&] { TPrinter::Current().TakeSettings(*reinterpret_cast<DEVMODEW*>(before.data())); });
  // What /po:1 leaves.
  TPrinter::Current().SetOrientation(TPrinter::poLandscape);
  const TPrintEngine landscape(nullptr);
  ASSERT_GT(landscape.Geometry().PageWidth, landscape.Geometry().PageHeight);
  // As wide as a landscape page: its right edge is on every sheet.
  Open(landscape.Geometry().PageWidth, landscape.Geometry().PageHeight * 5 / 2, Bands);
  ASSERT_EQ(form_->Engine().GetPageCount(), 3);
  // The print and printer setup dialogs show for real.
  std::function<std::optional<DialogAnswer>()> pageSetup;
  DialogRecorder dialogs([&](const DialogRequest& r) -> std::optional<DialogAnswer> {
    if (r.name == "PrintDialog" || r.name == "PrintSetupDialog") return std::nullopt;
    if (r.name == "TfmPageSetupDlg") return pageSetup();
    return IDOK;
  });
  {
    NamedJob job("vt-landscape");
    DialogSteps ok({[](HWND dialog) { Press(dialog, IDOK); }});
    Click(form_->ToolBar().PrintBtn());
    EXPECT_TRUE(ok.Finished());
    ExpectPrintedAsShown(job, form_->Engine(), true, 3);
  }
  // The page setup's printer setup starts on landscape too; portrait and another paper chosen there
  // (and the page setup then cancelled) lay the pages out for the new sheets.
  short paper = DMPAPER_A4;
  {
    bool startedOnLandscape = false;
    DialogSteps portrait({[&](HWND dialog) {
                            startedOnLandscape = ::IsDlgButtonChecked(dialog, rad2) == BST_CHECKED;
                            Press(dialog, rad1);
                            HWND papers = ::GetDlgItem(dialog, cmb2);
                            const auto current = ::SendMessageW(papers, CB_GETCURSEL, 0, 0);
                            if (::SendMessageW(papers, CB_GETITEMDATA, current, 0) == DMPAPER_A4) paper = DMPAPER_LETTER;
                            for (int i = 0; i < ::SendMessageW(papers, CB_GETCOUNT, 0, 0); ++i)
                              if (::SendMessageW(papers, CB_GETITEMDATA, i, 0) == paper) ::SendMessageW(papers, CB_SETCURSEL, i, 0);
                            ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb2, CBN_SELCHANGE), reinterpret_cast<LPARAM>(papers));
                          },
                          [](HWND dialog) { Press(dialog, IDOK); }});
    pageSetup = [&]() -> std::optional<DialogAnswer> {
      ::SendMessageW(form_->PageSetupDialog()->PrintSetupBtn.Handle(), BM_CLICK, 0, 0);
      return IDCANCEL;
    };
    Click(form_->ToolBar().PageSetupBtn());
    EXPECT_TRUE(portrait.Finished());
    EXPECT_TRUE(startedOnLandscape);
  }
  {
    NamedJob job("vt-portrait");
    DialogSteps ok({[](HWND dialog) { Press(dialog, IDOK); }});
    KeyUp('P', true);
    EXPECT_TRUE(ok.Finished());
    ExpectPrintedAsShown(job, form_->Engine(), false, 2);
    // Points of A4 and of Letter paper.
    const PdfSheet expected = paper == DMPAPER_A4 ? PdfSheet{595.3, 841.9} : PdfSheet{612, 792};
    for (const PdfSheet& sheet : PdfSheets(job.pdf.WaitForFile())) {
      EXPECT_NEAR(sheet.width, expected.width, 1);
      EXPECT_NEAR(sheet.height, expected.height, 1);
    }
  }
  // Landscape chosen in the print dialog itself (answered here in its place) is laid out before
  // printing.
  DialogRecorder turned([](const DialogRequest&) -> std::optional<DialogAnswer> {
    TPrinter::Current().SetOrientation(TPrinter::poLandscape);
    return IDOK;
  });
  NamedJob job("vt-turned");
  Click(form_->ToolBar().PrintBtn());
  ExpectPrintedAsShown(job, form_->Engine(), true, 1);
  // Portrait chosen while the all-pages preview is open (answered here in its place): the view's
  // pages are laid out for it when that closes.
  DialogRecorder allPages([](const DialogRequest&) -> std::optional<DialogAnswer> {
    TPrinter::Current().SetOrientation(TPrinter::poPortrait);
    return IDOK;
  });
  Click(form_->ToolBar().PreviewBtn());
  ASSERT_EQ(allPages.Named("TfmPrintPreview").size(), 1u);
  TVantrelleDocument document;
  TPrintEngine portraitLayout(&document);
  portraitLayout.Layout(picture_.get(), nullptr, nullptr, true);
  EXPECT_LT(form_->Engine().Geometry().PageWidth, form_->Engine().Geometry().PageHeight);
  EXPECT_EQ(form_->Document().GetPageCount(), portraitLayout.GetPageCount());
}

namespace {

// Rows in bands of 16, each band of its own colour down four pages: a row of another page, or a
// few rows off, shows.
COLORREF Rows(int x, int y) {
  return RGB((y / 16) * 37 % 256, (y / 2048) * 50 + (x / 32) * 9 % 100, (x / 32) * 23 % 256);
}

// The picture's pixels over `r`.
std::unique_ptr<TBitmap> PictureOver(const RECT& r) {
  auto b = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top);
  for (int y = 0; y < b->Height(); ++y)
    for (int x = 0; x < b->Width(); ++x) b->SetPixel(x, y, Rows(r.left + x, r.top + y));
  return b;
}

}  // namespace

TEST_F(PreviewOutput, ASelectionDrawnInThePageViewIsThePartOfThePageItCovers) {
  // A header banner 100 pixels high above every page's piece of the picture.
  ComApartment com;
  TempDir dir;
  TURLImg urls;
  WriteBannerSetting(dir, "<top><width>100%</width><height>100</height></top>", urls);
  request_.settingImages = &urls;
  TPrintEngine scratch(nullptr);
  const int pw = scratch.Geometry().PageWidth, bh = scratch.Geometry().PageHeight - 100;
  // Ctrl+P, the print dialog answered as proposed: what the job's first sheet shows over `area`.
  auto printedSheet = [&](const char* jobName, const RECT& area) -> std::unique_ptr<TBitmap> {
    NamedJob job(jobName);
    DialogRecorder dialogs;
    KeyUp('P', true);
    EXPECT_EQ(dialogs.Named("PrintDialog").size(), 1u);
    const std::string pdf = job.pdf.WaitForFile();
    return pdf.empty() ? nullptr : PrintedArea(pdf, 1, area);
  };
  const struct {
    const char* name;
    TFitMode fit;
    int width, pageRows;  // the picture's width, the rows of one page
    int left;             // of the page's piece on the page
    int scale;            // picture pixels per page pixel
  } cases[] = {
      {"narrow at real size, centred", fitRealSize, 300, bh, (pw - 300) / 2, 1},
      {"twice the page's width, fitted to it", fitToWidth, 2 * pw, 2 * bh, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    form_.reset();
    request_.fitMode = c.fit;
    Open(c.width, 3 * c.pageRows + c.pageRows / 2, Rows);
    KeyUp('M', true);
    form_->SelectZoomIndex(2);
    KeyUp(VK_NEXT);
    KeyUp(VK_NEXT);
    ASSERT_EQ(form_->CurrentPage(), 3);
    // At 50 % a view pixel is two page pixels. Drawn from over the banner into the page's piece:
    // the selection starts at the piece's top.
    const POINT from{(c.left + 40) / 2, 10}, to{(c.left + 240) / 2, 90};
    DrawSelection(from, to);
    const RECT expected{(2 * from.x - c.left) * c.scale, 2 * c.pageRows, (2 * to.x - c.left) * c.scale,
                        2 * c.pageRows + (2 * to.y - 100) * c.scale};
    EXPECT_EQ(Text(Selection()), Text(expected));
    const std::unique_ptr<TBitmap> covered = PictureOver(expected);
    const int w = covered->Width(), h = covered->Height();

    // Printed at real size below the banner, centred.
    const int x = (pw - w) / 2;
    const auto printed = printedSheet("vt-page-view", RECT{x, 100, x + w, 100 + h});
    ASSERT_NE(printed, nullptr);
    EXPECT_LT(MeanChannelDifference(*covered, *printed), 3.0);

    // The next page under the area: it covers that page's rows, and keeps them at another zoom.
    KeyUp(VK_NEXT);
    form_->SelectZoomIndex(0);
    RECT next = expected;
    ::OffsetRect(&next, 0, c.pageRows);
    EXPECT_EQ(Text(Selection()), Text(next));
  }

  // The template left out in the page setup: the selection's printed page has no banner either,
  // its piece at the sheet's top.
  form_.reset();
  request_.fitMode = fitRealSize;
  Open(300, 3 * bh, Rows);
  {
    // The tool bar's Page Setup, its box ticked and OK pressed.
    DialogRecorder setup([&](const DialogRequest& r) -> std::optional<DialogAnswer> {
      if (r.name != "TfmPageSetupDlg") return IDOK;
      ::SendMessageW(form_->PageSetupDialog()->YangsicUseChk.Handle(), BM_CLICK, 0, 0);
      return IDOK;
    });
    Click(form_->ToolBar().PageSetupBtn());
    ASSERT_EQ(setup.Named("TfmPageSetupDlg").size(), 1u);
    ASSERT_TRUE(form_->Engine().Settings.NoHeaderFooter);
  }
  const RECT area{0, 0, 200, 80};
  DrawSelection({area.left, area.top}, {area.right, area.bottom});
  ASSERT_EQ(Text(Selection()), Text(area));
  const int x = (pw - 200) / 2;
  const auto printed = printedSheet("vt-no-template", RECT{x, 0, x + 200, 80});
  ASSERT_NE(printed, nullptr);
  EXPECT_LT(MeanChannelDifference(*PictureOver(area), *printed), 3.0);
  form_.reset();  // before the setting it lays pages out with
}

TEST_F(PreviewOutput, SavesPagesOrTheSelectionInTheFormatTheNameOrFilterGives) {
  request_.siteHost = "www.example.com";
  Open(1000, 2600);
  TempDir dir;
  const int count = form_->Engine().GetPageCount();
  ASSERT_LT(count, 10);
  struct Case {
    int filter;
    std::string typed;
    bool selection;
    std::string written;  // the first file
    int width, height;    // of a JPG written
  };
  const Case cases[] = {
      {2, "page", false, "page-1.jpg", form_->Engine().Geometry().PageWidth, form_->Engine().Geometry().PageHeight},
      {1, "doc.pdf", false, "doc.pdf", 0, 0},
      {2, "area", true, "area.jpg", 150, 120},
  };
  for (const Case& c : cases) {
    if (c.selection) DrawSelection({30, 40}, {180, 160});
    DialogRecorder dialogs([&](const DialogRequest&) -> std::optional<DialogAnswer> {
      DialogAnswer answer(IDOK);
      answer.fileName = ToWide(dir.file(c.typed)), answer.filterIndex = c.filter;
      return answer;
    });
    KeyUp('S', true);
    ASSERT_EQ(dialogs.requests.size(), 1u) << "no message follows a save";
    EXPECT_EQ(dialogs.requests[0].proposed.fileName, L"example");
    const std::string file = dir.file(c.written);
    ASSERT_TRUE(FileExists(file)) << file;
    if (c.width) {
      TBitmap picture;
      ASSERT_TRUE(DecodeJpegFile(file, picture));
      EXPECT_EQ(picture.Width(), c.width);
      EXPECT_EQ(picture.Height(), c.height);
    } else {
      EXPECT_EQ(PdfPages(file), count);
    }
  }
  // A folder that is not there: the error is shown and the window stays.
  DialogRecorder dialogs([&](const DialogRequest& r) -> std::optional<DialogAnswer> {
    DialogAnswer answer(IDOK);
    answer.fileName = ToWide(dir.file("missing\\deeper\\page.jpg")), answer.filterIndex = 2;
    return answer;
  });
  KeyUp('S', true);
  ASSERT_EQ(dialogs.requests.size(), 2u);
  EXPECT_EQ(dialogs.requests[1].name, "MessageBox");
  EXPECT_FALSE(dialogs.requests[1].text.empty());
  EXPECT_FALSE(form_->IsClosed());

  // A name the code page cannot hold is refused, naming the characters; its look-alike (an
  // unrelated file here) is not written over, nor is anything else written.
  const std::string lookAlike = dir.file("plain_a.pdf");
  WriteFileBytes(lookAlike, "unrelated");
  const struct { std::wstring typed; const char* named; } refused[] = {
      {L"plain_\u0101.pdf", "(U+0101)"},
      {L"\u5831\u544A\u5831.pdf", "(U+5831, U+544A)"},
      {L"clef_\U0001D11E", "(U+1D11E)"},
  };
  for (const auto& r : refused) {
    DialogRecorder named([&](const DialogRequest& request) -> std::optional<DialogAnswer> {
      if (request.name != "SaveDialog") return IDOK;
      DialogAnswer answer(IDOK);
      answer.fileName = ToWide(dir.path()) + L"\\" + r.typed, answer.filterIndex = 3;
      return answer;
    });
    KeyUp('S', true);
    ASSERT_EQ(named.requests.size(), 2u) << r.named;
    EXPECT_EQ(named.requests[1].name, "MessageBox");
    EXPECT_NE(named.requests[1].text.find(r.named), std::string::npos) << named.requests[1].text;
  }
  EXPECT_EQ(ReadFileBytes(lookAlike), "unrelated");
}

TEST_F(PreviewOutput, UnderProtectedModeOrLowIntegrityTheSaveButtonExplainsAndCtrlSSavesAnyway) {
  Open(400, 300);
  const std::string uacKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
  const std::string zoneKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\3";
  RegistryKeyScope uac(HKEY_LOCAL_MACHINE, uacKey), zone(HKEY_CURRENT_USER, zoneKey);
  SetDwordValue(HKEY_LOCAL_MACHINE, uacKey, "EnableLUA", 1);
  // The first dialog the Save button brings: the save dialog, or the message that says why not.
  const struct { bool protectedMode; uint8_t level; const char* first; } cases[] = {
      {false, 3, "SaveDialog"}, {false, 2, "MessageBox"}, {true, 3, "MessageBox"}};
  for (const auto& c : cases) {
    SetDwordValue(HKEY_CURRENT_USER, zoneKey, "2500", c.protectedMode ? 0 : 3);
    form_->ReadIntegrityLevel = [&] { return std::optional<uint8_t>(c.level); };
    DialogRecorder dialogs([](const DialogRequest&) -> std::optional<DialogAnswer> { return IDCANCEL; });
    Click(form_->ToolBar().SaveBtn());
    KeyUp('S', true);
    ASSERT_FALSE(dialogs.requests.empty());
    EXPECT_EQ(dialogs.requests[0].name, c.first) << c.protectedMode << " " << int(c.level);
    if (dialogs.requests[0].name == "MessageBox") {
      EXPECT_EQ(dialogs.requests[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    }
    EXPECT_EQ(dialogs.requests.back().name, "SaveDialog") << "Ctrl+S does not test";
  }
}

TEST_F(PreviewOutput, HelpStartsTheRegisteredBrowserWithItsNewWindowParameters) {
  request_.helpUrl = "http://help.test/h.html";
  Open(400, 300);
  TempDir programs;
  RegistryKeyScope htm(HKEY_CLASSES_ROOT, ".htm"), kind(HKEY_CLASSES_ROOT, "VantrelleTestPage");
  SetStringValue(HKEY_CLASSES_ROOT, ".htm", nullptr, "VantrelleTestPage");
  std::vector<std::pair<std::string, std::string>> started;
  form_->ShellStart = [&](const std::string& program, const std::string& parameters) {
    started.emplace_back(program, parameters);
  };
  const int tempFiles = temp_.FileCount();
  const struct { const char* browser; const char* parameters; } browsers[] = {
      {"firefox.exe", "-new-window \"http://help.test/h.html\""},
      {"opera.exe", "/newwindow \"http://help.test/h.html\""},
      {"Firefox.exe", "\"http://help.test/h.html\""},
      {"iexplore.exe", "\"http://help.test/h.html\""},
  };
  for (const auto& b : browsers) {
    const std::string program = programs.file(b.browser);
    WriteFileBytes(program, "MZ");
    SetStringValue(HKEY_CLASSES_ROOT, "VantrelleTestPage\\shell\\open\\command", nullptr, "\"" + program + "\" \"%1\"");
    started.clear();
    KeyUp(VK_F1);
    Click(form_->ToolBar().HelpBtn());
    ASSERT_EQ(started.size(), 2u) << b.browser;
    EXPECT_TRUE(SameTextAscii(started[0].first, program)) << started[0].first;
    EXPECT_EQ(started[0].second, b.parameters);
    ::DeleteFileA(program.c_str());
  }
  EXPECT_EQ(temp_.FileCount(), tempFiles) << "the help page's temporary file is gone";
}

// A page names the help address: only an absolute http or https address reaches the browser, as
// one quoted argument; anything else starts nothing and the request log says so.
TEST_F(PreviewOutput, HelpOpensOnlyAnAbsoluteWebAddressAsOneArgument) {
  Open(400, 300);
  TempDir programs;
  RegistryKeyScope htm(HKEY_CLASSES_ROOT, ".htm"), kind(HKEY_CLASSES_ROOT, "VantrelleTestPage");
  SetStringValue(HKEY_CLASSES_ROOT, ".htm", nullptr, "VantrelleTestPage");
  const std::string program = programs.file("iexplore.exe");
  WriteFileBytes(program, "MZ");
  SetStringValue(HKEY_CLASSES_ROOT, "VantrelleTestPage\\shell\\open\\command", nullptr, "\"" + program + "\" \"%1\"");
  std::vector<std::string> started;
  const struct { const char* url; const char* parameters; } cases[] = {
      {"http://help.test/h.html", "\"http://help.test/h.html\""},
      {"HTTPS://help.test:8443/a/b?x=1&y=--z#top", "\"HTTPS://help.test:8443/a/b?x=1&y=--z#top\""},
      {"--utility-cmd-prefix=\"cmd /c calc\" http://x", nullptr},
      {"http://x --new-window", nullptr},
      {"http://x/\" --kiosk \"", nullptr},
      {"http://x/a\\", nullptr},
      {"http://x/a\tb", nullptr},
      {"help.html", nullptr},
      {"//help.test/h.html", nullptr},
      {"help.test/h.html", nullptr},
      {"file:///C:/windows/system32/calc.exe", nullptr},
      {"javascript:alert(1)", nullptr},
      {"http://", nullptr},
      {"http://help.test:99999/h.html", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    LogLines log;
    request_.helpUrl = c.url;
    request_.log = &log;
    form_->ShowNonModal(request_);
    form_->ShellStart = [&](const std::string&, const std::string& parameters) { started.push_back(parameters); };
    started.clear();
    KeyUp(VK_F1);
    if (c.parameters) {
      EXPECT_EQ(started, std::vector<std::string>{c.parameters});
      EXPECT_TRUE(log.lines.empty());
    } else {
      EXPECT_TRUE(started.empty());
      ASSERT_EQ(log.lines.size(), 1u);
      EXPECT_EQ(log.lines[0].rfind("Preview::OpenHelpPage: The help address is refused", 0), 0u) << log.lines[0];
    }
  }

  // Started for real: the browser reads the address as one argument after its new-window switch.
  const std::string browser = programs.file("firefox.exe");
  ASSERT_TRUE(::CopyFileA((ProgramFolder() + "\\args_probe.exe").c_str(), browser.c_str(), FALSE));
  SetStringValue(HKEY_CLASSES_ROOT, "VantrelleTestPage\\shell\\open\\command", nullptr, "\"" + browser + "\" \"%1\"");
  request_.helpUrl = "https://help.test/h.html?x=1&y=--kiosk#top";
  form_->ShowNonModal(request_);
  form_->ShellStart = nullptr;
  KeyUp(VK_F1);
  // Read until it opens: the probe's rename may still hold it for a moment.
  ASSERT_TRUE(PumpUntil([&] { return !ReadFileBytes(browser + ".args").empty(); }, 30000));
  EXPECT_EQ(ReadFileBytes(browser + ".args"), "-new-window\nhttps://help.test/h.html?x=1&y=--kiosk#top\n");
  // The folder goes once the browser has ended.
  EXPECT_TRUE(PumpUntil([&] { return ::DeleteFileA(browser.c_str()) != FALSE; }, 30000));
}

TEST_F(PreviewOutput, FittingSizesTheWindowToThePictureWithinTheWorkArea) {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  request_.fitWindow = 1;
  // A picture narrower than the tool bar gets a window as wide as its buttons need, the close
  // button among them when it is shown.
  const struct { int width, height; const char* closeButton; } pictures[] = {
      {500, 300, "false"}, {500, 300, "true"}, {900, 300, "true"}, {300, 3 * workHeight, "false"}};
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.width);
    form_.reset();
    request_.closeButton = p.closeButton;
    Open(p.width, p.height);
    const RECT bounds = form_->Bounds();
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    RECT client{};
    ::GetClientRect(form_->Handle(), &client);
    TPreviewToolBar& bar = form_->ToolBar();
    TBtnImage& last = bar.CloseBtn().Visible() ? bar.CloseBtn() : bar.HelpBtn();
    const int buttons = last.Left() + last.Width();
    EXPECT_GE(client.right, buttons) << "every button on the window";
    EXPECT_GE(form_->Scroller().ClientWidth(), p.width) << "the whole picture";
    EXPECT_TRUE(client.right == buttons || form_->Scroller().ClientWidth() == p.width) << "no wider than either needs";
    EXPECT_EQ(bounds.left, workWidth / 2 - width / 2);
    if (p.height < workHeight) {
      EXPECT_EQ(form_->Scroller().ClientHeight(), p.height);
      EXPECT_EQ(bounds.top, workHeight / 2 - height / 2);
    } else {
      EXPECT_EQ(height, workHeight);
      EXPECT_EQ(bounds.top, 0);
    }
  }
}

TEST_F(PreviewOutput, PageSetupFromF7OrItsButtonLaysThePagesOutAgain) {
  const std::vector<int32_t> breaks{500, 1200};
  for (bool forced : {false, true}) {
    form_.reset();
    request_.pageBreaks = forced ? &breaks : nullptr;
    Open(1000, 2600);
    DialogRecorder dialogs([&](const DialogRequest&) -> std::optional<DialogAnswer> {
      form_->PageSetupDialog()->rb_FitToPage.SetChecked(true);
      return IDOK;
    });
    if (forced) KeyUp(VK_F7);
    else Click(form_->ToolBar().PageSetupBtn());
    ASSERT_EQ(dialogs.Named("TfmPageSetupDlg").size(), 1u);
    EXPECT_EQ(form_->PageSetupDialog()->rb_FitToWidth.Enabled(), !forced);
    EXPECT_EQ(form_->Engine().Settings.FitMode, fitToPage);
    EXPECT_EQ(form_->Document().GetPageCount(), forced ? 3 : 1) << "laid out again";
  }
}

namespace {
// A builder without memory for any picture.
class NoMemoryBuilder : public TBmpHtmlImageBuilder {
public:
  void BeginImage(int32_t, int32_t) override { throw std::bad_alloc(); }
};
}  // namespace

TEST_F(PreviewOutput, AnAreaWithoutMemoryToCutIsReportedAndTheWindowStays) {
  Open(1000, 2600);
  NoMemoryBuilder noMemory;
  request_.imageBuilder = &noMemory;
  form_->ShowNonModal(request_);
  DrawSelection({10, 10}, {300, 300});
  DialogRecorder dialogs;
  KeyUp('C', true);
  KeyUp('P', true);
  ASSERT_EQ(dialogs.Named("MessageBox").size(), 2u);
  for (const DialogRequest& r : dialogs.Named("MessageBox")) EXPECT_NE(r.text.find("memory"), std::string::npos);
  EXPECT_FALSE(form_->IsClosed());
  EXPECT_TRUE(form_->HasSelection());
}

TEST_F(PreviewOutput, WithoutAPrinterPrintAndThePrintPreviewSaySoAndDoNothingElse) {
  Open(1000, 2600);
  const int pages = form_->Document().GetPageCount();
  DrawSelection({10, 10}, {300, 300});
  {
    DialogRecorder dialogs;
    Click(form_->ToolBar().PreviewBtn());
    // Only the all-pages preview itself, which the recorder closes at once.
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].name, "TfmPrintPreview");
    EXPECT_EQ(form_->Document().GetPageCount(), pages) << "the main layout is kept";
  }
  NoPrinter none;
  DialogRecorder dialogs;
  Click(form_->ToolBar().PrintBtn());
  Click(form_->ToolBar().PreviewBtn());
  ASSERT_EQ(dialogs.requests.size(), 2u);
  const UINT icons[] = {MB_ICONSTOP, 0};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(dialogs.requests[i].text, LoadResString(kMsgNoDefaultPrinter));
    EXPECT_EQ(dialogs.requests[i].flags, static_cast<UINT>(MB_OK | icons[i]));
  }
}

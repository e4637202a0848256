// The page-break document: grid layouts, break lists, adding, moving and deleting breaks, page
// rectangles, and the printer's page size with and without a printer.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include "base/Dialogs.h"
#include "base/Printer.h"
#include "page/uVantrelleDocument.h"
#include "support/Scopes.h"

using namespace vt;

namespace {

// A picture of a given size; the document only asks for the size.
class SizedImage : public THtmlImage {
public:
  SizedImage(int32_t w, int32_t h) : w_(w), h_(h) {}
  void Assign(const THtmlImage&) override {}
  void SaveToClipboardFormat() override {}
  int32_t GetImageWidth() const override { return w_; }
  int32_t GetImageHeight() const override { return h_; }
  uint32_t DrawRect(HDC, const RECT&, const RECT&) override { return 0; }

private:
  int32_t w_, h_;
};

std::vector<int32_t> Verts(const TVantrelleDocument& d) {
  std::vector<int32_t> v;
  for (int i = 0; i < d.GetVertCount(); ++i) v.push_back(d.GetVert(i));
  return v;
}

std::vector<int32_t> Horzs(const TVantrelleDocument& d) {
  std::vector<int32_t> v;
  for (int i = 0; i < d.GetHorzCount(); ++i) v.push_back(d.GetHorz(i));
  return v;
}

using Breaks = std::vector<int32_t>;

void ExpectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

// A document over a 1,000 x 1,000 picture with vertical breaks at `xs` and horizontal ones at `ys`.
struct Doc {
  SizedImage image{1000, 1000};
  TVantrelleDocument d;
  Doc(const Breaks& xs, const Breaks& ys = {}) {
    d.Layout(&image, 5000, 5000, TVantrelleDocument::lmPageSize, 0);
    for (int32_t x : xs) d.AddVert(x);
    for (int32_t y : ys) d.AddHorz(y);
  }
};

using test::DialogRecorder;
using test::PrinterChoice;

}  // namespace

TEST(DocumentLayout, RegularGridOfTheGivenPageSize) {
  SizedImage image(1000, 3000);
  TVantrelleDocument d;
  EXPECT_EQ(d.GetPageCount(), 1);
  d.Layout(&image, 1000, 1000, TVantrelleDocument::lmPageSize, 7);
  EXPECT_TRUE(d.LaidOut());
  EXPECT_EQ(d.Image(), &image);
  EXPECT_EQ(d.Option(), 7);
  EXPECT_EQ(Verts(d), Breaks{});
  EXPECT_EQ(Horzs(d), (Breaks{1000, 2000}));
  EXPECT_EQ(d.ColSteps(), 1);
  EXPECT_EQ(d.RowSteps(), 3);
  EXPECT_EQ(d.GetPageCount(), 3);
  ExpectRect(d.GetPageRect(3), 0, 2000, 1000, 3000);

  // Two steps wide: one break at the step; two and a half: two.
  SizedImage twoAndHalf(2500, 2000);
  d.Layout(&twoAndHalf, 1000, 1000, TVantrelleDocument::lmPageSize, 0);
  EXPECT_EQ(Verts(d), (Breaks{1000, 2000}));  // the earlier breaks are gone
  EXPECT_EQ(Horzs(d), (Breaks{1000}));
  EXPECT_EQ(d.GetPageCount(), 6);
  ExpectRect(d.GetPageRect(6), 2000, 1000, 2500, 2000);

  // A page size of 0 in one direction gives no breaks there.
  d.Layout(&twoAndHalf, 1000, 0, TVantrelleDocument::lmPageSize, 0);
  EXPECT_EQ(Verts(d), (Breaks{1000, 2000}));
  EXPECT_EQ(Horzs(d), Breaks{});
  EXPECT_EQ(d.RowSteps(), 0);

  // No picture: no breaks, one empty page.
  d.Layout(nullptr, 100, 100, TVantrelleDocument::lmPageSize, 0);
  EXPECT_EQ(d.GetPageCount(), 1);
  ExpectRect(d.GetPageRect(1), 0, 0, 0, 0);
}

TEST(DocumentLayout, BreakListsGiveTheirPositionsInsideThePictureAscendingOnce) {
  SizedImage image(1000, 1500);
  TVantrelleDocument d;
  Breaks breaks{900, 1900};
  d.LayoutWithBreaks(&image, &breaks, 400, 1000, TVantrelleDocument::lmPageSize, 0);
  EXPECT_EQ(Horzs(d), (Breaks{900}));
  EXPECT_EQ(Verts(d), (Breaks{400, 800}));  // the vertical grid as usual
  EXPECT_EQ(d.RowSteps(), 1);
  EXPECT_EQ(d.GetPageCount(), 6);

  // Whatever a page passes: ascending, once each, inside the picture.
  const struct {
    const char* what;
    Breaks given, used;
  } lists[] = {
      {"unsorted", {300, 1200, 1500, 700}, {300, 700, 1200}},
      {"repeated", {700, 700, 300, 700, 300}, {300, 700}},
      {"outside", {-5, 0, 1, 1499, INT32_MIN, INT32_MAX}, {1, 1499}},
      {"500,001 times the same", Breaks(500001, 1), {1}},
  };
  for (const auto& l : lists) {
    d.LayoutWithBreaks(&image, &l.given, 400, 1000, TVantrelleDocument::lmPageSize, 0);
    EXPECT_EQ(Horzs(d), l.used) << l.what;
  }
  EXPECT_EQ(d.GetPageCount(), 6);

  d.LayoutWithBreaks(&image, nullptr, 400, 1000, TVantrelleDocument::lmPageSize, 0);
  EXPECT_EQ(Horzs(d), (Breaks{1000}));
}

TEST(DocumentPages, RectanglesRunLeftToRightThenDown) {
  Doc doc({400, 800}, {500});
  EXPECT_EQ(doc.d.GetPageCount(), 6);
  ExpectRect(doc.d.GetPageRect(1), 0, 0, 400, 500);
  ExpectRect(doc.d.GetPageRect(3), 800, 0, 1000, 500);
  ExpectRect(doc.d.GetPageRect(4), 0, 500, 400, 1000);
  ExpectRect(doc.d.GetPageRect(6), 800, 500, 1000, 1000);
  ExpectRect(doc.d.GetPageRect(0), 0, 0, 0, 0);
  ExpectRect(doc.d.GetPageRect(7), 0, 0, 0, 0);
  ExpectRect(doc.d.GetPageRect(-3), 0, 0, 0, 0);

  Doc empty({});
  EXPECT_EQ(empty.d.GetPageCount(), 1);
  ExpectRect(empty.d.GetPageRect(1), 0, 0, 1000, 1000);
}

TEST(DocumentEditing, AddKeepsTheListSortedAndRefusesOutsidersAndDuplicates) {
  Doc doc({});
  TVantrelleDocument& d = doc.d;
  // After the last, before the first, between; outside the width or already there: refused (0).
  const std::pair<int32_t, int32_t> adds[] = {{500, 500}, {900, 900}, {100, 100}, {700, 700}, {0, 0},
                                              {-5, 0},    {1000, 0},  {700, 0},   {1, 1},     {999, 999}};
  for (auto [x, result] : adds) EXPECT_EQ(d.AddVert(x), result) << x;
  EXPECT_EQ(Verts(d), (Breaks{1, 100, 500, 700, 900, 999}));
  // The twin list, against the height.
  SizedImage tall(100, 300);
  d.Layout(&tall, 1000, 1000, TVantrelleDocument::lmPageSize, 0);
  EXPECT_EQ(d.AddHorz(200), 200);
  EXPECT_EQ(d.AddHorz(300), 0);
  EXPECT_EQ(d.AddHorz(200), 0);
  EXPECT_EQ(d.AddVert(200), 0);  // wider than the picture
  EXPECT_EQ(Horzs(d), (Breaks{200}));
}

TEST(DocumentEditing, DeleteAndOutOfRangeIndices) {
  Doc doc({100, 200, 300}, {400});
  TVantrelleDocument& d = doc.d;
  EXPECT_EQ(d.GetVert(3), 0);
  EXPECT_EQ(d.GetVert(-1), 0);
  EXPECT_EQ(d.DeleteVert(3), 0);
  EXPECT_EQ(d.DeleteVert(-1), 0);
  EXPECT_EQ(d.MoveVert(3, 50, 0), 0);
  EXPECT_EQ(d.MoveVert(-1, 50, 0), 0);
  EXPECT_EQ(Verts(d), (Breaks{100, 200, 300}));
  EXPECT_EQ(d.DeleteVert(1), 0);
  EXPECT_EQ(Verts(d), (Breaks{100, 300}));
  EXPECT_EQ(d.DeleteHorz(0), 0);
  EXPECT_EQ(Horzs(d), Breaks{});
  EXPECT_EQ(d.GetPageCount(), 3);
  d.Clear();
  EXPECT_EQ(d.GetPageCount(), 1);
  EXPECT_EQ(d.Width(), 1000);  // sizes stay
}

TEST(DocumentEditing, MovingSwallowsOrShiftsAndDraggingOffDeletes) {
  const int32_t swallow = TVantrelleDocument::mmSwallow, shift = TVantrelleDocument::mmShift;
  struct Case { const char* what; Breaks start; int index; int32_t to, mode, result; Breaks expected; };
  const Case cases[] = {
      {"right, swallowing", {100, 200, 300}, 0, 250, swallow, 250, {250, 300}},
      {"right onto a break, swallowing it", {100, 200, 300}, 0, 300, swallow, 300, {300}},
      {"right, shifting", {100, 200, 300}, 0, 250, shift, 250, {250, 350, 450}},
      {"right, shifted past the width: dropped", {100, 600, 900, 950}, 1, 700, shift, 700, {100, 700}},
      {"another mode moves only the one break", {100, 200, 300}, 0, 250, 5, 250, {250, 200, 300}},
      {"left, swallowing", {100, 200, 300}, 2, 150, swallow, 150, {100, 150}},
      {"left onto a break, swallowing it", {100, 200, 300}, 2, 100, swallow, 100, {100}},
      {"left, shifting", {100, 200, 300}, 2, 250, shift, 250, {50, 150, 250}},
      {"left, shifted below 1: dropped", {100, 200, 300}, 2, 150, shift, 150, {50, 150}},
      {"left to 1, shifting", {100, 200, 300}, 2, 1, shift, 1, {1}},
  };
  for (const Case& c : cases) {
    Doc doc(c.start);
    EXPECT_EQ(doc.d.MoveVert(c.index, c.to, c.mode), c.result) << c.what;
    EXPECT_EQ(Verts(doc.d), c.expected) << c.what;
  }
  // Dragged off either end (or not moved) in either mode: 0, and the breaks it passed go too.
  const Case offCases[] = {
      {"to 0", {100, 200, 300, 400}, 1, 0, 0, 0, {300, 400}},
      {"below 0", {100, 200, 300, 400}, 2, -50, 0, 0, {400}},
      {"to the width", {100, 200, 300, 400}, 1, 1000, 0, 0, {100}},
      {"beyond the width", {100, 200, 300, 400}, 0, 5000, 0, 0, {}},
      {"not moved", {100, 200}, 1, 200, 0, 0, {100, 200}},
  };
  for (int32_t mode : {0, 1})
    for (const Case& c : offCases) {
      Doc doc(c.start);
      EXPECT_EQ(doc.d.MoveVert(c.index, c.to, mode), 0) << c.what << " mode " << mode;
      EXPECT_EQ(Verts(doc.d), c.expected) << c.what << " mode " << mode;
    }
}

TEST(DocumentEditing, HorizontalBreaksAreTheTwins) {
  Doc doc({}, {100, 200, 300});
  EXPECT_EQ(doc.d.MoveHorz(0, 250, TVantrelleDocument::mmShift), 250);
  EXPECT_EQ(Horzs(doc.d), (Breaks{250, 350, 450}));
  EXPECT_EQ(doc.d.MoveHorz(2, 300, TVantrelleDocument::mmSwallow), 300);
  EXPECT_EQ(Horzs(doc.d), (Breaks{250, 300}));
  EXPECT_EQ(doc.d.MoveHorz(0, 990, TVantrelleDocument::mmSwallow), 990);
  EXPECT_EQ(Horzs(doc.d), (Breaks{990}));
  EXPECT_EQ(doc.d.MoveHorz(0, 1000, TVantrelleDocument::mmSwallow), 0);
  EXPECT_EQ(Horzs(doc.d), Breaks{});
  EXPECT_EQ(Verts(doc.d), Breaks{});
}

TEST(PrinterPage, WithoutAPrinterPrintErrorIsShownAndTheSizeIs0) {
  PrinterChoice missing("Vantrelle test printer that does not exist");
  DialogRecorder dialogs;
  EXPECT_EQ(TVantrelleDocument::GetPrinterPageWidth(), 0);
  EXPECT_EQ(TVantrelleDocument::GetPrinterPageHeight(), 0);
  ASSERT_EQ(dialogs.requests.size(), 2u);
  EXPECT_EQ(dialogs.requests[0].name, "MessageBox");
  EXPECT_EQ(dialogs.requests[0].text, "Print Error");
  EXPECT_EQ(dialogs.requests[0].caption, "Vantrelle");
  EXPECT_EQ(dialogs.requests[0].flags, static_cast<UINT>(MB_OK));

  // A layout on the printer's page says it once and makes no breaks.
  SizedImage image(3000, 9000);
  TVantrelleDocument d;
  d.Layout(&image, 0, 0, TVantrelleDocument::lmPrinterPage, 0);
  EXPECT_EQ(dialogs.requests.size(), 3u);
  EXPECT_EQ(d.GetPageCount(), 1);
  EXPECT_EQ(d.ColSteps(), 0);
  d.Layout(&image, 0, 0, TVantrelleDocument::lmPageSize, 0);  // both sizes 0: the printer's page too
  EXPECT_EQ(dialogs.requests.size(), 4u);
  EXPECT_EQ(d.GetPageCount(), 1);
}

TEST(PrinterPage, TheDefaultPrinterGivesItsPrintableArea) {
  DialogRecorder dialogs;
  // Asked here directly of the platform.
  char name[512] = {};
  DWORD size = sizeof(name);
  DeviceContext printer;
  if (::GetDefaultPrinterA(name, &size)) printer.reset(::CreateDCA("WINSPOOL", name, nullptr, nullptr));
  SizedImage image(20000, 50000);
  TVantrelleDocument d;
  if (!printer) {
    // This machine has no printer: the same answer as for a missing one.
    EXPECT_EQ(TVantrelleDocument::GetPrinterPageWidth(), 0);
    EXPECT_EQ(dialogs.requests.size(), 1u);
    return;
  }
  const int w = ::GetDeviceCaps(printer.get(), HORZRES), h = ::GetDeviceCaps(printer.get(), VERTRES);
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  EXPECT_EQ(TPrinter::Current().Name(), name);
  EXPECT_EQ(TVantrelleDocument::GetPrinterPageWidth(), w);
  EXPECT_EQ(TVantrelleDocument::GetPrinterPageHeight(), h);
  d.Layout(&image, 1000, 1000, TVantrelleDocument::lmPrinterPage, 0);  // mode 0: sizes ignored
  EXPECT_EQ(d.ColSteps(), 20000 / w);
  EXPECT_EQ(d.RowSteps(), 50000 / h);
  ASSERT_GE(d.GetVertCount(), 1);
  EXPECT_EQ(d.GetVert(0), w);
  ASSERT_GE(d.GetHorzCount(), 1);
  EXPECT_EQ(d.GetHorz(0), h);
  EXPECT_TRUE(dialogs.requests.empty());
}

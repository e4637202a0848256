// The print engine: page geometry from the real printer and without one, layout with banners and
// fit modes, pages drawn on bitmaps and the printer, and pages written as JPG, BMP and PDF files
// that real decoders and readers check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "base/Dialogs.h"
#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Printer.h"
#include "base/ScopeGuard.h"
#include "page/uPrintEngine.h"
#include "support/BannerSetting.h"
#include "support/JpegDecode.h"
#include "support/Scopes.h"
#include "support/PrinterQueue.h"
#include "support/TestPictures.h"
#include "support/UnixTools.h"

using namespace vt;

namespace {

const char* kBanners =
    "<top><width>100%</width><height>100</height></top>"
    "<bottom><width>100%</width><height>60</height></bottom>";

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kHeaderColor = RGB(200, 40, 40), kFooterColor = RGB(40, 40, 200);

// Banners narrower than the page and coloured all over, so that where each one goes shows: a
// header of 200 x 100 and a footer of 200 x 60, placed across the page as the aligns say.
std::string PlacedBanners(const std::string& headerAlign, const std::string& footerAlign) {
  auto section = [](const std::string& name, int height, const std::string& align, const std::string& image) {
    return "<" + name + "><width>200</width><height>" + std::to_string(height) + "</height><align>" + align +
           "</align><imgcount>1</imgcount><img1><imgid>" + image + "</imgid><align>background</align></img1></" +
           name + ">";
  };
  return section("top", 100, headerAlign, "h") + section("bottom", 60, footerAlign, "f");
}

// The smallest rectangle that holds every pixel of the canvas that is not white.
RECT DrawnBounds(const TBitmap& canvas) {
  RECT bounds{canvas.Width(), canvas.Height(), 0, 0};
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x) {
      if (canvas.Pixel(x, y) == kWhite) continue;
      bounds = RECT{std::min<LONG>(bounds.left, x), std::min<LONG>(bounds.top, y), std::max<LONG>(bounds.right, x + 1),
                    std::max<LONG>(bounds.bottom, y + 1)};
    }
  return bounds;
}

using test::DialogRecorder;
using test::NoPrinter;

class PrintEngine : public ::testing::Test {
protected:
  // A picture of the given size through the tile builder, as a capture makes it.
  void MakePicture(int width, int height, const test::PixelFunction& pixel = test::Gradient) {
    image = test::WritePicture(builder, {width, height, 640, 480}, pixel);
    ASSERT_TRUE(image);
  }
  void LayOut(const std::string& sections = "", TFitMode fit = fitRealSize) {
    engine.Settings.FitMode = fit;
    const std::map<std::string, test::GifPicture> images{{"h", test::SolidGif(10, 10, kHeaderColor)},
                                                         {"f", test::SolidGif(10, 10, kFooterColor)}};
    if (!sections.empty()) test::WriteBannerSetting(dir, sections, urls, images);
    engine.Layout(image.get(), nullptr, sections.empty() ? nullptr : &urls, true);
  }
  // Smooth colours: what JPEG keeps well, so that a decoded page can be compared closely.
  static COLORREF Smooth(int x, int y) { return RGB(x & 0xFF, (y / 4) & 0xFF, 128); }

  std::unique_ptr<TBitmap> RenderToBitmap(int page) {
    auto canvas = std::make_unique<TBitmap>(engine.Geometry().PageWidth, engine.Geometry().PageHeight);
    engine.RenderPage(canvas->Canvas(), page);
    ::GdiFlush();
    return canvas;
  }

  ComApartment com;
  test::PrivateTempFolder temp;
  test::TempDir dir;
  TBmpHtmlImageBuilder builder;
  std::unique_ptr<TBmpHtmlImage> image;
  TURLImg urls;
  TVantrelleDocument document;
  TPrintEngine engine{&document};
};

TEST_F(PrintEngine, PageGeometryFollowsTheRealPrinter) {
  DeviceContext printer = TPrinter::Current().CreateDC();
  ASSERT_TRUE(printer) << "the test machine's PDF printer is missing";
  WindowDC screen(nullptr);
  const TPrinterRatio ratio = engine.GetPrinterRatio();
  EXPECT_TRUE(engine.HasPrinter());
  EXPECT_DOUBLE_EQ(static_cast<double>(ratio.X), static_cast<double>(GetDeviceCaps(printer.get(), LOGPIXELSX)) /
                                                GetDeviceCaps(screen.get(), LOGPIXELSX));
  engine.ComputePageSize();
  EXPECT_EQ(engine.Geometry().PageWidth, static_cast<int>(GetDeviceCaps(printer.get(), HORZRES) / ratio.X));
  EXPECT_EQ(engine.Geometry().PageHeight, static_cast<int>(GetDeviceCaps(printer.get(), VERTRES) / ratio.Y));
  EXPECT_EQ(engine.Geometry().BodyWidth, engine.Geometry().PageWidth);
  EXPECT_EQ(engine.Geometry().BodyHeight, engine.Geometry().PageHeight);
}

TEST_F(PrintEngine, WithoutAPrinterTheFixedPage) {
  NoPrinter none;
  const TPrinterRatio ratio = engine.GetPrinterRatio();
  EXPECT_EQ(ratio.X, 6.25L);
  EXPECT_EQ(ratio.Y, 6.25L);
  engine.ComputePageSize();
  EXPECT_FALSE(engine.HasPrinter());
  EXPECT_EQ(engine.Geometry().PageWidth, 761);
  EXPECT_EQ(engine.Geometry().PageHeight, 1084);
}

TEST_F(PrintEngine, BannersTakeTheirHeightOffTheBody) {
  NoPrinter none;
  MakePicture(700, 3000);
  LayOut(kBanners);
  EXPECT_EQ(engine.Geometry().OffsetY, 100);
  EXPECT_EQ(engine.Geometry().BodyHeight, 924);
  EXPECT_EQ(engine.Geometry().BodyWidth, 761);
  EXPECT_TRUE(engine.LaidOut());
  EXPECT_EQ(engine.Header().PageCount, engine.GetPageCount());
  // A layout with the template off, or without a setting, has no banners, whatever the one before had.
  for (bool templateOff : {true, false}) {
    LayOut(PlacedBanners("left", "left"));
    engine.Settings.NoHeaderFooter = templateOff;
    engine.Layout(image.get(), nullptr, templateOff ? &urls : nullptr, true);
    EXPECT_EQ(engine.Geometry().BodyHeight, 1084) << templateOff;
    EXPECT_EQ(engine.Geometry().OffsetY, 0) << templateOff;
    EXPECT_EQ(engine.Header().GetWidth(), 0) << templateOff;
    EXPECT_EQ(engine.Footer().GetWidth(), 0) << templateOff;
    EXPECT_EQ(test::FirstMismatch(*RenderToBitmap(1), RECT{0, 0, 700, 1084}, test::Gradient), "") << templateOff;
    engine.Settings.NoHeaderFooter = false;
  }
}

TEST_F(PrintEngine, BannersThatCannotBeUsedTakeNoRoomAndDrawNothing) {
  NoPrinter none;
  MakePicture(700, 3000);
  for (const char* sections :
       {"<top><width>100%</width><height>700</height></top><bottom><width>100%</width><height>600</height></bottom>",
        "<top><width>100%</width><height>100</height><imgcount>x</imgcount></top>"}) {  // sized, then failed
    LayOut(sections);
    EXPECT_EQ(engine.Geometry().BodyHeight, 1084) << sections;
    EXPECT_EQ(engine.Geometry().OffsetY, 0) << sections;
    EXPECT_GT(engine.GetPageCount(), 1) << sections;
    EXPECT_EQ(test::FirstMismatch(*RenderToBitmap(1), RECT{0, 0, 700, 1084}, test::Gradient), "") << sections;
  }
}

TEST_F(PrintEngine, FitModesSizeThePages) {
  NoPrinter none;
  MakePicture(1522, 4000);
  LayOut(kBanners, fitToWidth);  // r = 2: pages of 1,522 x 1,848
  RECT first = document.GetPageRect(1);
  EXPECT_EQ(first.right - first.left, 1522);
  EXPECT_EQ(first.bottom - first.top, 1848);
  EXPECT_EQ(engine.GetPageCount(), 3);

  MakePicture(500, 2000);
  LayOut(kBanners, fitToWidth);  // narrower than the body: pages of the body's size
  first = document.GetPageRect(1);
  EXPECT_EQ(first.right - first.left, 500);
  EXPECT_EQ(first.bottom - first.top, 924);
  EXPECT_EQ(document.GetHorzCount(), 2);

  MakePicture(900, 5000);
  LayOut("", fitToPage);
  EXPECT_EQ(engine.GetPageCount(), 1);
  MakePicture(3000, 300);
  LayOut("", fitToHeight);  // r = 300 / 1,084 < 1: body-sized pages
  EXPECT_EQ(document.GetVertCount(), 3);
}

TEST_F(PrintEngine, ForcedBreaksAndTheLandscapeList) {
  MakePicture(700, 5000);
  std::vector<int32_t> portrait{1000, 2500}, landscape{800};
  engine.Settings.PageBreaks = &portrait;
  engine.Settings.PageBreaksLandscape = &landscape;
  TPrinter::Current().SetOrientation(TPrinter::poLandscape);
  LayOut();
  EXPECT_EQ(document.GetHorzCount(), 1);
  EXPECT_EQ(document.GetHorz(0), 800);
  TPrinter::Current().SetOrientation(TPrinter::poPortrait);
  LayOut();
  ASSERT_EQ(document.GetHorzCount(), 2);
  EXPECT_EQ(document.GetHorz(1), 2500);
  {
    // No printer to ask for its orientation: the plain grid.
    NoPrinter none;
    DialogRecorder dialogs;
    LayOut();
    EXPECT_EQ(document.GetHorz(0), 1084);
  }
}

// Breaks edited after the layout draw every page, its banners' "of N" included, as a layout given
// the same breaks up front draws it.
TEST_F(PrintEngine, EditedBreaksDrawAsTheSameBreaksLaidOutUpFront) {
  NoPrinter none;
  MakePicture(700, 3500);
  const std::string sections =
      "<top><width>100%</width><height>40</height><text><value>Page ^page^ of ^pages^</value></text></top>"
      "<bottom><width>100%</width><height>40</height><text><value>^page^/^pages^</value></text></bottom>";
  LayOut(sections);
  ASSERT_EQ(engine.GetPageCount(), 4);
  const struct { const char* edit; std::function<void()> apply; } edits[] = {
      {"a break added", [&] { EXPECT_NE(document.AddHorz(500), 0); }},
      {"two breaks deleted", [&] { document.DeleteHorz(0);
                              document.DeleteHorz(0); }},
  };
  for (const auto& e : edits) {
    e.apply();
    std::vector<int32_t> breaks;
    for (int32_t i = 0; i < document.GetHorzCount(); ++i) breaks.push_back(document.GetHorz(i));
    TVantrelleDocument upFrontDocument;
    TPrintEngine upFront(&upFrontDocument);
    upFront.Settings.PageBreaks = &breaks;
    upFront.Layout(image.get(), nullptr, &urls, true);
    ASSERT_EQ(upFront.GetPageCount(), engine.GetPageCount()) << e.edit;
    for (int page = 1; page <= engine.GetPageCount(); ++page) {
      TBitmap expected(upFront.Geometry().PageWidth, upFront.Geometry().PageHeight);
      upFront.RenderPage(expected.Canvas(), page);
      ::GdiFlush();
      EXPECT_EQ(test::MaxChannelDifference(*RenderToBitmap(page), expected), 0) << e.edit << ", page " << page;
    }
  }
}

TEST_F(PrintEngine, LayoutWithoutAPictureChangesNothing) {
  engine.Layout(nullptr, nullptr, nullptr, true);
  EXPECT_FALSE(engine.LaidOut());
  auto canvas = std::make_unique<TBitmap>(50, 50);
  canvas->Fill(test::kMarker);
  engine.RenderPage(canvas->Canvas(), 1);  // nothing is drawn before a layout
  EXPECT_EQ(canvas->Pixel(10, 10), test::kMarker);
}

TEST_F(PrintEngine, APageOfTheBodysSizeIsDrawnAtScaleOneBelowTheHeader) {
  NoPrinter none;
  MakePicture(761, 924 * 2);
  LayOut(PlacedBanners("right", "center"));
  auto page = RenderToBitmap(2);
  EXPECT_EQ(test::FirstMismatch(*page, RECT{0, 100, 761, 1024},
                                [](int x, int y) { return test::Gradient(x, y + 924); }),
            "");
  // The header at the page's right edge, the footer in the middle: (761 - 200) div 2 = 280.
  EXPECT_EQ(test::FirstMismatch(*page, RECT{0, 0, 761, 100},
                                [](int x, int) { return x >= 561 ? kHeaderColor : kWhite; }),
            "");
  EXPECT_EQ(test::FirstMismatch(*page, RECT{0, 1024, 761, 1084},
                                [](int x, int) { return x >= 280 && x < 480 ? kFooterColor : kWhite; }),
            "");
}

TEST_F(PrintEngine, TallPagesShrinkToTheBodyAndCentre) {
  NoPrinter none;
  // One page (fit to page) larger than the body of 761 x 1,084, shrunk to fit it.
  const struct {
    int width, height;
    bool horz, vert;
    RECT drawn;
  } cases[] = {
      {761, 2168, true, true, {190, 0, 570, 1084}},  // scale 0.5: half the body's width, centred across
      {761, 2168, false, true, {0, 0, 380, 1084}},
      {1522, 1300, true, true, {0, 217, 761, 867}},  // scale 0.5: 650 rows, centred down the body
      {1522, 1300, true, false, {0, 0, 761, 650}},
  };
  for (const auto& c : cases) {
    MakePicture(c.width, c.height, test::Blocks);
    engine.Settings.FitMode = fitToPage;
    engine.Settings.CenterHorz = c.horz;
    engine.Settings.CenterVert = c.vert;
    engine.Layout(image.get(), nullptr, nullptr, true);
    const RECT drawn = DrawnBounds(*RenderToBitmap(1));
    EXPECT_EQ(std::vector<LONG>({drawn.left, drawn.top, drawn.right, drawn.bottom}),
              std::vector<LONG>({c.drawn.left, c.drawn.top, c.drawn.right, c.drawn.bottom}))
        << c.width << " x " << c.height << (c.horz ? " across" : "") << (c.vert ? " down" : "");
  }
}

TEST_F(PrintEngine, FactorScalesThePageToTheCanvas) {
  NoPrinter none;
  MakePicture(761, 1084, test::Blocks);
  LayOut();
  TBitmap half(engine.Geometry().PageWidth / 2, engine.Geometry().PageHeight / 2);
  engine.RenderPage(half.Canvas(), 1);
  ::GdiFlush();
  // Blocks halve exactly: every 2 x 2 block becomes one pixel.
  EXPECT_EQ(test::FirstMismatch(half, RECT{0, 0, 380, 542}, [](int x, int y) { return test::Blocks(2 * x, 2 * y); }),
            "");
}

TEST_F(PrintEngine, JpgAndBmpFilesPerPageNamedWithZeroPaddedNumbers) {
  NoPrinter none;
  MakePicture(761, 1084 * 12, Smooth);
  LayOut();
  ASSERT_EQ(engine.GetPageCount(), 12);
  engine.SaveToFile(TPageList::FromText("2,10,x,99,"), dir.file("out\\report.jpg"));
  EXPECT_TRUE(test::FileExists(dir.file("out\\report-02.jpg")));
  EXPECT_TRUE(test::FileExists(dir.file("out\\report-10.jpg")));
  EXPECT_FALSE(test::FileExists(dir.file("out\\report-99.jpg")));
  TBitmap decoded;
  ASSERT_TRUE(test::DecodeJpegFile(dir.file("out\\report-10.jpg"), decoded));
  EXPECT_LT(test::MeanChannelDifference(*RenderToBitmap(10), decoded), 3.0);
  EXPECT_EQ(test::CoarsestQuantStep(dir.file("out\\report-10.jpg")), 1);  // quality 100

  engine.SaveToFile(TPageList{7}, dir.file("X.BMP"));
  TBitmap bmp;
  bmp.LoadFromFile(dir.file("X-07.bmp"));
  EXPECT_EQ(test::MaxChannelDifference(*RenderToBitmap(7), bmp), 0);

  // At a drive's root the files go into the root, not into the current folder of that drive.
  char before[MAX_PATH];
  ::GetCurrentDirectoryA(MAX_PATH, before);
  ::SetCurrentDirectoryA(dir.path().c_str());
  const ScopeGuard backToBefore([&] { ::SetCurrentDirectoryA(before); });
  const char drive = dir.path()[0];
  const struct { std::string name, written, notInCurrentFolder; } roots[] = {
      {std::string(1, drive) + ":\\vt-root.jpg", std::string(1, drive) + ":\\vt-root-07.jpg", "vt-root-07.jpg"},
      {std::string(1, drive) + ":/vt-root.bmp", std::string(1, drive) + ":/vt-root-07.bmp", "vt-root-07.bmp"},
      {std::string(1, drive) + ":\\vt-root.pdf", std::string(1, drive) + ":\\vt-root.pdf", "vt-root.pdf"},
  };
  for (const auto& r : roots) {
    engine.SaveToFile(TPageList{7}, r.name);
    EXPECT_TRUE(test::FileExists(r.written)) << r.name;
    EXPECT_FALSE(test::FileExists(dir.file(r.notInCurrentFolder))) << r.name;
    ::DeleteFileA(r.written.c_str());
  }

  engine.SaveToFile(TPageList{}, dir.file("none.jpg"));
  engine.SaveToFile(TPageList{1}, dir.file("other.png"));
  EXPECT_FALSE(test::FileExists(dir.file("none-01.jpg")));
  EXPECT_FALSE(test::FileExists(dir.file("other-01.png")));

  EXPECT_EQ(TPrintEngine::ZeroPad(3, 7), "007");
  EXPECT_EQ(TPrintEngine::ZeroPad(1, 7), "7");
  EXPECT_EQ(TPrintEngine::ZeroPad(2, 123), "123");
}

TEST_F(PrintEngine, SavingEveryPageReadsEachTileOnceBesidesRowsTwoPagesShare) {
  NoPrinter none;
  MakePicture(761, 1084 * 5 + 300);  // pages end inside rows of tiles, in both columns
  LayOut();
  // Pages drawn side by side read a row of tiles that two of them share once for each.
  const int64_t most = image->TileCount() + image->Cols() * (engine.GetPageCount() - 1);
  engine.SaveAll(dir.file("pages.jpg"));
  EXPECT_GE(image->TileLoads(), image->TileCount());
  EXPECT_LE(image->TileLoads(), most);
  const int64_t afterJpg = image->TileLoads();
  engine.SaveAll(dir.file("pages.bmp"));
  EXPECT_LE(image->TileLoads() - afterJpg, most);
}

TEST_F(PrintEngine, FailedWritesReachTheCallerAndLeaveNoFile) {
  NoPrinter none;
  MakePicture(300, 300);
  LayOut();
  EXPECT_THROW(engine.SaveToFile(TPageList{1}, dir.file("a\\b\\c\\x.jpg")), Error);
  EXPECT_THROW(engine.SaveAll(dir.file("a\\b\\c\\x.pdf")), Error);
  EXPECT_FALSE(test::FileExists(dir.file("a\\b\\c\\x.pdf")));
  std::string busy = dir.file("busy.pdf");
  test::WriteFileBytes(busy, "old");
  HANDLE lock = ::CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_THROW(engine.SaveAll(busy), Error);
  ::CloseHandle(lock);
  EXPECT_EQ(test::ReadFileBytes(busy), "old");
  // A list that names no page of the document: no PDF, which readers would refuse.
  EXPECT_THROW(engine.SaveToFile(TPageList{0, 2}, dir.file("none.pdf")), Error);
  EXPECT_FALSE(test::FileExists(dir.file("none.pdf")));
  // A banner that cannot be drawn (no user string item for "userstr") fails the whole PDF.
  LayOut("<top><width>100%</width><height>50</height><text><value>^userstr^</value></text></top>");
  EXPECT_THROW(engine.SaveAll(busy), Error);
  EXPECT_EQ(test::ReadFileBytes(busy), "old");
}

class PdfOutput : public PrintEngine {
protected:
  std::string Run(const std::string& command, const std::string& pdf) {
    test::UnixResult r = test::RunUnixCommand(command + " " + test::ShellQuote(test::UnixPath(pdf)));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return r.output;
  }
  // Lines of `pdfimages -list` for the images of the file: page, width, height, encoding.
  struct Listed {
    int page, width, height;
    std::string encoding;
  };
  std::vector<Listed> Images(const std::string& pdf) {
    std::vector<Listed> list;
    std::string out = Run("pdfimages -list", pdf);
    size_t line = out.find("\n", out.find("-----"));
    while (line != std::string::npos && line + 1 < out.size()) {
      Listed item{};
      char type[32] = {}, color[32] = {}, enc[32] = {};
      int num = 0, comp = 0, bpc = 0;
      if (std::sscanf(out.c_str() + line + 1, "%d %d %31s %d %d %31s %d %d %31s", &item.page, &num, type, &item.width,
                      &item.height, color, &comp, &bpc, enc) == 9) {
        item.encoding = enc;
        list.push_back(item);
      }
      line = out.find("\n", line + 1);
    }
    return list;
  }
  // Page `page` saved as a PDF holds `pictures` pictures and, rendered by a real reader, looks like
  // the page drawn on a bitmap.
  void ExpectPdfPageAsDrawn(int page, size_t pictures) {
    SCOPED_TRACE("page " + std::to_string(page));
    const std::string pdf = dir.file("look.pdf"), png = test::UnixPath(dir.file("look"));
    engine.SaveToFile(TPageList{page}, pdf);
    EXPECT_EQ(Images(pdf).size(), pictures);
    test::UnixResult r = test::RunUnixCommand(
        "pdftoppm -r 72 -singlefile -png " + test::ShellQuote(test::UnixPath(pdf)) + " " + test::ShellQuote(png) +
        " && convert " + test::ShellQuote(png + ".png") + " -type TrueColor bmp3:" + test::ShellQuote(png + ".bmp"));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    TBitmap rendered;
    rendered.LoadFromFile(dir.file("look.bmp"));
    auto drawn = RenderToBitmap(page);
    ASSERT_EQ(rendered.Width(), drawn->Width());
    ASSERT_EQ(rendered.Height(), drawn->Height());
    EXPECT_LT(test::MeanChannelDifference(*drawn, rendered), 2.0);
  }
};

TEST_F(PdfOutput, OnePdfPageOfPageUnitsPerListedPageWithFullResolutionPictures) {
  NoPrinter none;
  MakePicture(1522, 5000);
  LayOut(kBanners, fitToWidth);
  ASSERT_EQ(engine.GetPageCount(), 3);
  engine.SaveToFile(TPageList{3, 1}, dir.file("doc.PDF"));
  std::string pdf = dir.file("doc.pdf");
  std::string info = Run("pdfinfo", pdf);
  EXPECT_EQ(test::PdfInfoField(info, "Pages"), "2");
  EXPECT_EQ(test::PdfInfoField(info, "Page size").substr(0, 15), "761 x 1084 pts");
  std::vector<Listed> images = Images(pdf);
  ASSERT_EQ(images.size(), 6u);
  // Page 3 first: header, body (the page's piece at capture resolution), footer.
  EXPECT_EQ(images[0].width, 761);
  EXPECT_EQ(images[0].height, 100);
  EXPECT_EQ(images[1].width, 1522);
  EXPECT_EQ(images[1].height, 5000 - 2 * 1848);
  EXPECT_EQ(images[2].height, 60);
  EXPECT_EQ(images[4].height, 1848);
  for (const Listed& image : images) EXPECT_EQ(image.encoding, "jpeg");
  test::UnixResult check = test::RunUnixCommand("qpdf --check " + test::ShellQuote(test::UnixPath(pdf)));
  EXPECT_EQ(check.exitCode, 0) << check.output;
}

TEST_F(PdfOutput, RenderedPdfPageLooksLikeTheDrawnPage) {
  NoPrinter none;
  // Page 2 is 600 x 500, smaller than the body of 761 x 924 both ways: it is centred both ways.
  MakePicture(600, 924 + 500, Smooth);
  engine.Settings.CenterHorz = engine.Settings.CenterVert = true;
  LayOut(PlacedBanners("center", "center"));
  ExpectPdfPageAsDrawn(2, 3);
  // The template switched off afterwards: page 1 fills the whole page's height, without banners.
  engine.Settings.NoHeaderFooter = true;
  engine.Layout(image.get(), nullptr, &urls, true);
  ExpectPdfPageAsDrawn(1, 1);
}

TEST_F(PdfOutput, PagesTallerThanAJpegImageGoInAsBands) {
  NoPrinter none;
  MakePicture(200, 70000);
  LayOut("", fitToPage);
  engine.SaveAll(dir.file("tall.pdf"));
  std::vector<Listed> images = Images(dir.file("tall.pdf"));
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].width, 200);
  EXPECT_EQ(images[0].height + images[1].height, 70000);
}

TEST_F(PdfOutput, SelectionAtScaleOneTopLeft) {
  NoPrinter none;
  MakePicture(1000, 3000, Smooth);
  LayOut();
  engine.SaveSelection(RECT{100, 200, 500, 800}, dir.file("sel.pdf"));
  std::vector<Listed> images = Images(dir.file("sel.pdf"));
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].width, 400);
  EXPECT_EQ(images[0].height, 600);
  engine.SaveSelection(RECT{100, 200, 500, 800}, dir.file("sel.bmp"));
  TBitmap bmp;
  bmp.LoadFromFile(dir.file("sel.bmp"));
  EXPECT_EQ(test::FirstMismatch(bmp, RECT{0, 0, 400, 600}, [](int x, int y) { return Smooth(x + 100, y + 200); }),
            "");
  engine.SaveSelection(RECT{100, 200, 500, 800}, dir.file("sel.jpg"));
  TBitmap decoded;
  ASSERT_TRUE(test::DecodeJpegFile(dir.file("sel.jpg"), decoded));
  EXPECT_LT(test::MeanChannelDifference(bmp, decoded), 3.0);
  EXPECT_EQ(test::CoarsestQuantStep(dir.file("sel.jpg")), 1);
}

TEST_F(PrintEngine, PrintsPagesOnTheRealPrinter) {
  MakePicture(700, 2500);
  LayOut(kBanners);
  ASSERT_TRUE(engine.HasPrinter());
  test::PrintedPdf job("vt-engine");
  DeviceContext printer = TPrinter::Current().CreateDC();
  ASSERT_TRUE(printer);
  DOCINFOA doc{sizeof(doc), job.documentName().c_str(), nullptr, nullptr, 0};
  ASSERT_GT(::StartDocA(printer.get(), &doc), 0);
  for (int page = 1; page <= engine.GetPageCount(); ++page) {
    ::StartPage(printer.get());
    engine.RenderPage(printer.get(), page);
    ::EndPage(printer.get());
  }
  ::EndDoc(printer.get());
  std::string path = job.WaitForFile();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(test::PdfInfoField(test::RunUnixCommand("pdfinfo " + test::ShellQuote(test::UnixPath(path))).output, "Pages"),
            std::to_string(engine.GetPageCount()));
}

TEST_F(PrintEngine, BannerErrorsOpenNoWindowOffTheUserInterfaceThread) {
  NoPrinter none;
  MakePicture(700, 2500);
  // The "userstr" macro with no user string item left makes drawing the banner fail.
  LayOut("<top><width>100%</width><height>50</height><text><value>^userstr^</value></text></top>");
  DialogRecorder dialogs;
  std::thread worker([&] {
    TBitmap canvas(engine.Geometry().PageWidth, engine.Geometry().PageHeight);
    engine.RenderPage(canvas.Canvas(), 1);
  });
  worker.join();
  EXPECT_TRUE(dialogs.requests.empty());
  auto page = RenderToBitmap(1);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].caption, "Vantrelle");
}

TEST(PrintEngineMessages, ShowMessageTrimsAndBreaksLines) {
  DialogRecorder dialogs;
  TPrintEngine::ShowMessage("  first#13#10second  ", nullptr);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].text, "first\r\nsecond");
  EXPECT_EQ(dialogs.requests[0].caption, "Vantrelle");
  EXPECT_EQ(dialogs.requests[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

// Sets a DWORD value for the scope and puts back what was there.
class RegistryValue {
public:
  RegistryValue(HKEY root, const std::string& path, const char* name) : name_(name) {
    ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
    DWORD size = sizeof(old_);
    had_ = ::RegQueryValueExA(key_.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == 0;
  }
  ~RegistryValue() {
    if (had_) Set(old_);
    else ::RegDeleteValueA(key_.get(), name_.c_str());
  }
  void Set(DWORD value) {
    ::RegSetValueExA(key_.get(), name_.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof(value));
  }
  void Remove() { ::RegDeleteValueA(key_.get(), name_.c_str()); }

private:
  RegKey key_;
  std::string name_;
  DWORD old_ = 0;
  bool had_ = false;
};

TEST(PrintEngineEnvironment, UacAndProtectedModeFromTheRegistry) {
  RegistryValue lua(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "EnableLUA");
  lua.Set(1);
  EXPECT_TRUE(TPrintEngine::IsUACEnabled());
  lua.Set(0);
  EXPECT_FALSE(TPrintEngine::IsUACEnabled());
  lua.Remove();
  EXPECT_FALSE(TPrintEngine::IsUACEnabled());

  const std::string zones = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\";
  RegistryValue intranet(HKEY_CURRENT_USER, zones + "2", "2500"), internet(HKEY_CURRENT_USER, zones + "3", "2500");
  intranet.Set(3);
  internet.Set(0);
  EXPECT_TRUE(TPrintEngine::IsIEProtectedMode());
  internet.Set(3);
  EXPECT_FALSE(TPrintEngine::IsIEProtectedMode());
  intranet.Set(0);
  EXPECT_TRUE(TPrintEngine::IsIEProtectedMode());
}

}  // namespace

// Pages drawn into bitmaps (JPG and BMP pages, thumbnails, the page view) are scaled by the tile
// image itself. They must look as the platform's halftone stretch copy drew them: the reference is
// the same drawing on a bitmap of the screen's format, whose pixels the image cannot reach.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "base/Bitmap.h"
#include "base/ComPtr.h"
#include "base/Handles.h"
#include "bench/BenchPicture.h"
#include "browser/PageFile.h"
#include "browser/PagePainter.h"
#include "page/uJpegEncoder.h"
#include "page/uPrintEngine.h"
#include "preview/uDIB.h"
#include "support/JpegDecode.h"
#include "support/Scopes.h"
#include "support/TestPictures.h"

using namespace vt;

namespace {

constexpr double kLeastPsnr = 35.0;

// What `draw` leaves on a device-dependent bitmap of the screen filled with `background`.
std::unique_ptr<TBitmap> ThroughStretchCopy(int width, int height, COLORREF background,
                                            const std::function<void(HDC)>& draw) {
  WindowDC screen(nullptr);
  MemoryDC dc(::CreateCompatibleDC(screen.get()));
  BitmapHandle bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
  {
    SelectObjectScope selected(dc.get(), bitmap.get());
    BrushHandle brush(::CreateSolidBrush(background));
    RECT all{0, 0, width, height};
    ::FillRect(dc.get(), &all, brush.get());
    draw(dc.get());
    ::GdiFlush();
  }
  auto pixels = std::make_unique<TBitmap>(width, height);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  EXPECT_EQ(::GetDIBits(screen.get(), bitmap.get(), 0, height, pixels->ScanLine(0), &info, DIB_RGB_COLORS), height);
  return pixels;
}

// A picture held in a bitmap, as the tile builder's pixel function.
test::PixelFunction PixelsOf(const TBitmap& picture) {
  return [&picture](int x, int y) {
    const uint8_t* p = picture.ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
  };
}

void PaintBenchPage(TBitmap& picture) {
  for (int y = 0; y < picture.Height(); ++y) bench::PaintBenchRow(picture.ScanLine(y), picture.Width(), y);
}

void PaintDemoReport(TBitmap& picture) {
  auto page = browser::LoadPageFile(std::string("Z:") + VANTRELLE_SOURCE_DIR + "/resources/demo/demo_page.xml");
  browser::PaintElement(picture.Canvas(), *page->top->html, 0, 0);
  ::GdiFlush();
}

class PageScaling : public ::testing::Test {
protected:
  // The picture in re-tiled 500 x 500 tiles, laid out fit to width on the page of no printer.
  void LayOut(int width, int height, const std::function<void(TBitmap&)>& paint) {
    picture.SetSize(width, height);
    paint(picture);
    image = test::WritePicture(builder, {width, height, 500, 500}, PixelsOf(picture));
    ASSERT_TRUE(image);
    engine.FitMode = fitToWidth;
    engine.Layout(image.get(), nullptr, nullptr, "", true);
  }
  std::unique_ptr<TBitmap> Reference(int page, int width, int height) {
    return ThroughStretchCopy(width, height, RGB(255, 255, 255), [&](HDC dc) { engine.RenderPage(dc, page); });
  }

  test::NoPrinter none;
  ComApartment com;
  test::PrivateTempFolder temp;
  test::TempDir dir;
  TBmpHtmlImageBuilder builder;
  TBitmap picture;
  std::unique_ptr<TBmpHtmlImage> image;
  TVantrelleDocument document;
  TPrintEngine engine{&document};
};

TEST_F(PageScaling, PagesAndThumbnailsMatchTheStretchCopy) {
  const struct {
    const char* name;
    int width, height;
    std::function<void(TBitmap&)> paint;
  } pictures[] = {{"benchmark page", 1264, 3700, PaintBenchPage}, {"demo report", 1200, 2400, PaintDemoReport}};
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.name);
    LayOut(p.width, p.height, p.paint);
    ASSERT_GE(engine.GetPageCount(), 2);
    engine.SaveAll(dir.file("page.jpg"));
    engine.SaveAll(dir.file("page.bmp"));
    for (int n = 1; n <= engine.GetPageCount(); ++n) {
      SCOPED_TRACE(n);
      const auto reference = Reference(n, engine.PageWidth, engine.PageHeight);
      TBitmap bmp, jpg, referenceJpg;
      bmp.LoadFromFile(dir.file("page-" + std::to_string(n) + ".bmp"));
      EXPECT_GE(test::Psnr(*reference, bmp), kLeastPsnr);
      // A JPG page against the reference page saved as a JPG page is saved.
      ASSERT_TRUE(test::DecodeJpegFile(dir.file("page-" + std::to_string(n) + ".jpg"), jpg));
      TJpegEncoder(100).SaveToFile(*reference, dir.file("reference.jpg"));
      ASSERT_TRUE(test::DecodeJpegFile(dir.file("reference.jpg"), referenceJpg));
      EXPECT_GE(test::Psnr(referenceJpg, jpg), kLeastPsnr);

      const int thumbWidth = engine.PageWidth / 5, thumbHeight = engine.PageHeight / 5;
      TBitmap thumbnail(thumbWidth, thumbHeight);
      engine.RenderPage(thumbnail.Canvas(), n);
      EXPECT_GE(test::Psnr(*Reference(n, thumbWidth, thumbHeight), thumbnail), kLeastPsnr);
    }
  }
}

TEST_F(PageScaling, CanvasesOfEveryKindDrawAsTheStretchCopy) {
  LayOut(1264, 2000, PaintBenchPage);
  const RECT dst{30, 20, 30 + 632, 20 + 1000}, src{0, 0, 1264, 2000};
  const struct {
    const char* name;
    std::function<void(HDC)> prepare;
  } mappings[] = {
      {"plain", [](HDC) {}},
      {"origin moved", [](HDC dc) { ::SetViewportOrgEx(dc, -17, 41, nullptr); }},
      {"clipped to a rectangle", [](HDC dc) { ::IntersectClipRect(dc, 100, 150, 500, 700); }},
      {"clipped to two rectangles",
       [](HDC dc) {
         RegionHandle two(::CreateRectRgn(0, 0, 300, 300));
         RegionHandle other(::CreateRectRgn(400, 400, 600, 900));
         ::CombineRgn(two.get(), two.get(), other.get(), RGN_OR);
         ::SelectClipRgn(dc, two.get());
       }},
  };
  const int width = 700, height = 1100;
  for (const auto& m : mappings) {
    SCOPED_TRACE(m.name);
    const auto reference = ThroughStretchCopy(width, height, test::kMarker, [&](HDC dc) {
      m.prepare(dc);
      image->DrawRect(dc, dst, src);
    });
    auto bitmap = test::MarkedCanvas(width, height);
    m.prepare(bitmap->Canvas());
    image->DrawRect(bitmap->Canvas(), dst, src);
    EXPECT_GE(test::Psnr(*reference, *bitmap), kLeastPsnr) << "24-bit bitmap";

    // The page view's surface: 32 bits a pixel.
    TDIBSurface surface(width, 4, height);
    BrushHandle marker(::CreateSolidBrush(test::kMarker));
    RECT all{0, 0, width, height};
    ::FillRect(surface.Canvas(), &all, marker.get());
    m.prepare(surface.Canvas());
    image->DrawRect(surface.Canvas(), dst, src);
    ::SetViewportOrgEx(surface.Canvas(), 0, 0, nullptr);
    TBitmap copy(width, height);
    ::BitBlt(copy.Canvas(), 0, 0, width, height, surface.Canvas(), 0, 0, SRCCOPY);
    EXPECT_GE(test::Psnr(*reference, copy), kLeastPsnr) << "32-bit surface";
  }
}

}  // namespace

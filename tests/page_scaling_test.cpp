// Pages drawn into bitmaps (JPG and BMP pages, thumbnails, the page view) are scaled by the tile
// image itself. They must look as the platform's halftone stretch copy drew them: the reference is
// the same drawing on a device-dependent bitmap of the screen, which only the stretch copy draws on.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "base/Bitmap.h"
#include "base/ComPtr.h"
#include "base/Handles.h"
#include "bench/BenchPicture.h"
#include "browser/PageFile.h"
#include "browser/PagePainter.h"
#include "page/uJpegEncoder.h"
#include "page/uPrintEngine.h"
#include "support/JpegDecode.h"
#include "support/Scopes.h"
#include "support/TestPictures.h"

using namespace vt;

namespace {

constexpr double kLeastPsnr = 35.0;

// What `draw` leaves on a memory DC of the screen holding a bitmap filled with `background`: a
// device-dependent one for `bits` 0, which only the stretch copy draws on, else a DIB section.
std::unique_ptr<TBitmap> DrawnOn(int bits, bool topDown, int width, int height, COLORREF background,
                                 const std::function<void(HDC)>& draw) {
  WindowDC screen(nullptr);
  MemoryDC dc(::CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = topDown ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bits);
  info.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  BitmapHandle bitmap(bits ? ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0)
                           : ::CreateCompatibleBitmap(screen.get(), width, height));
  {
    SelectObjectScope selected(dc.get(), bitmap.get());
    BrushHandle brush(::CreateSolidBrush(background));
    RECT all{0, 0, width, height};
    ::FillRect(dc.get(), &all, brush.get());
    draw(dc.get());
    ::GdiFlush();
  }
  auto pixels = std::make_unique<TBitmap>(width, height);
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biBitCount = 24;
  EXPECT_EQ(::GetDIBits(screen.get(), bitmap.get(), 0, height, pixels->ScanLine(0), &info, DIB_RGB_COLORS), height);
  return pixels;
}

std::unique_ptr<TBitmap> ThroughStretchCopy(int width, int height, COLORREF background,
                                            const std::function<void(HDC)>& draw) {
  return DrawnOn(0, true, width, height, background, draw);
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
    engine.Settings.FitMode = fitToWidth;
    engine.Layout(image.get(), nullptr, nullptr, true);
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
      const auto reference = Reference(n, engine.Geometry().PageWidth, engine.Geometry().PageHeight);
      TBitmap bmp, jpg, referenceJpg;
      bmp.LoadFromFile(dir.file("page-" + std::to_string(n) + ".bmp"));
      EXPECT_GE(test::Psnr(*reference, bmp), kLeastPsnr);
      // A JPG page against the reference page saved as a JPG page is saved.
      ASSERT_TRUE(test::DecodeJpegFile(dir.file("page-" + std::to_string(n) + ".jpg"), jpg));
      TJpegEncoder(100).SaveToFile(*reference, dir.file("reference.jpg"));
      ASSERT_TRUE(test::DecodeJpegFile(dir.file("reference.jpg"), referenceJpg));
      EXPECT_GE(test::Psnr(referenceJpg, jpg), kLeastPsnr);

      const int thumbWidth = engine.Geometry().PageWidth / 5, thumbHeight = engine.Geometry().PageHeight / 5;
      TBitmap thumbnail(thumbWidth, thumbHeight);
      engine.RenderPage(thumbnail.Canvas(), n);
      EXPECT_GE(test::Psnr(*Reference(n, thumbWidth, thumbHeight), thumbnail), kLeastPsnr);
    }
  }
}

TEST_F(PageScaling, CanvasesOfEveryKindDrawAsTheStretchCopy) {
  LayOut(1264, 2000, PaintBenchPage);
  const RECT dst{30, 20, 30 + 632, 20 + 1000}, src{0, 0, 1264, 2000};
  // The stretch copy samples a clipped place as if the place began at the clip: the reference is
  // drawn unclipped and what lies outside the clip is put back.
  const struct {
    const char* name;
    POINT origin;
    std::vector<RECT> clip;  // device pixels; none: no clip
  } mappings[] = {
      {"plain", {0, 0}, {}},
      {"origin moved", {-17, 41}, {}},
      {"clipped to a rectangle", {0, 0}, {{100, 150, 500, 700}}},
      {"clipped to two rectangles", {-17, 41}, {{0, 0, 300, 300}, {400, 400, 600, 900}}},
  };
  const struct {
    int bits;
    bool topDown;
  } canvases[] = {{24, true}, {24, false}, {32, true}};  // pages and thumbnails, other DIBs, the page view
  const int width = 700, height = 1100;
  for (const auto& m : mappings) {
    SCOPED_TRACE(m.name);
    auto unclipped = [&](HDC dc) {
      ::SetViewportOrgEx(dc, m.origin.x, m.origin.y, nullptr);
      image->DrawRect(dc, dst, src);
    };
    const auto reference = ThroughStretchCopy(width, height, test::kMarker, unclipped);
    for (int y = 0; y < height && !m.clip.empty(); ++y) {
      for (int x = 0; x < width; ++x) {
        const POINT p{x, y};
        if (std::none_of(m.clip.begin(), m.clip.end(), [&](const RECT& r) { return ::PtInRect(&r, p); }))
          reference->SetPixel(x, y, test::kMarker);
      }
    }
    auto clipped = [&](HDC dc) {
      if (!m.clip.empty()) {
        RegionHandle region(::CreateRectRgn(0, 0, 0, 0));
        for (const RECT& r : m.clip) {
          RegionHandle part(::CreateRectRgnIndirect(&r));
          ::CombineRgn(region.get(), region.get(), part.get(), RGN_OR);
        }
        ::SelectClipRgn(dc, region.get());
      }
      unclipped(dc);
    };
    for (const auto& c : canvases) {
      EXPECT_GE(test::Psnr(*reference, *DrawnOn(c.bits, c.topDown, width, height, test::kMarker, clipped)),
                kLeastPsnr)
          << c.bits << " bits, " << (c.topDown ? "top-down" : "bottom-up");
    }
  }
}

}  // namespace

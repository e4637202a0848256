// Known pictures for the tile image tests: written through the tile builder, compared pixel by pixel.
#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <utility>

#include "base/Bitmap.h"
#include "page/uHtmlImage.h"
#include "page/uHtmlImageBuilder.h"
#include "support/TestEnv.h"

namespace vt::test {

// The process's temporary folder moved to a folder of its own for the scope, so that tests
// running side by side never see each other's temporary files (names are reused once deleted).
class PrivateTempFolder {
public:
  PrivateTempFolder();
  ~PrivateTempFolder();
  PrivateTempFolder(const PrivateTempFolder&) = delete;
  PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;
  const std::string& path() const { return dir_.path(); }
  int FileCount() const;

private:
  TempDir dir_;
  std::string oldTmp_, oldTemp_;
};

using PixelFunction = std::function<COLORREF(int x, int y)>;

// Gradients in red and green, sharp edges in blue: an off-by-one anywhere changes the colour.
COLORREF Gradient(int x, int y);
// The same in 2 x 2 blocks, so that halving it has one right answer.
COLORREF Blocks(int x, int y);

struct PictureShape {
  int width, height, tileWidth, tileHeight;
  bool fullEdgeTiles = false;  // edge tiles of full size with junk past the picture, as a capture writes
};

// Writes the picture tile by tile, row-major, and returns the finished image.
std::unique_ptr<TBmpHtmlImage> WritePicture(TBmpHtmlImageBuilder& builder, const PictureShape& shape,
                                            const PixelFunction& pixel);

// A picture that draws another one, calling `beforeDraw` first (to watch or fail a drawing).
class WrappedPicture : public THtmlImage {
public:
  WrappedPicture(THtmlImage& image, std::function<void()> beforeDraw)
      : image_(image), beforeDraw_(std::move(beforeDraw)) {}
  void Assign(const THtmlImage&) override {}
  void SaveToClipboardFormat() override {}
  int32_t GetImageWidth() const override { return image_.GetImageWidth(); }
  int32_t GetImageHeight() const override { return image_.GetImageHeight(); }
  uint32_t DrawRect(HDC dc, const RECT& dst, const RECT& src) override {
    beforeDraw_();
    return image_.DrawRect(dc, dst, src);
  }

private:
  THtmlImage& image_;
  std::function<void()> beforeDraw_;
};

// A canvas filled with the marker colour.
constexpr COLORREF kMarker = RGB(255, 0, 255);
std::unique_ptr<TBitmap> MarkedCanvas(int width, int height);

// First pixel of `canvas` inside `area` that differs from expected(x - area.left, y - area.top),
// as "x,y: got ... expected ...", or empty when all match.
std::string FirstMismatch(const TBitmap& canvas, const RECT& area, const PixelFunction& expected);

}  // namespace vt::test

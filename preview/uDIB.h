// An off-screen drawing surface: a top-down DIB section of 1 to 4 bytes per pixel selected into
// its own memory device context (the canvas). The preview renders its current page into one.
#pragma once
#include <windows.h>
#include <cstdint>

#include "base/DibSection.h"

namespace vt {

class TDIBSurface {
public:
  // Throws vt::Error for bytes per pixel outside 1 to 4. A size that gives no bitmap (0 x 0
  // before the preview's first layout, or too large) leaves the surface without pixels: the
  // canvas then draws nothing.
  TDIBSurface(int width, int height, int bytesPerPixel);
  TDIBSurface(const TDIBSurface&) = delete;
  TDIBSurface& operator=(const TDIBSurface&) = delete;

  // Builds the surface again at the new size; the content is lost.
  void SetSize(int width, int height, int bytesPerPixel);

  HDC Canvas() const { return dib_.Canvas(); }
  HBITMAP Section() const { return dib_.Handle(); }
  // Rows top to bottom, BytesPerRow apart; null without a bitmap.
  uint8_t* Bits() const { return dib_.Bits(); }
  // Row length including the padding of every DIB row to 4 bytes; 0 without a bitmap.
  int BytesPerRow() const { return bytesPerRow_; }
  int ImageSize() const { return imageSize_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int BytesPerPixel() const { return bytesPerPixel_; }
  RECT Bounds() const { return RECT{0, 0, width_, height_}; }

private:
  void FillPalette(RGBQUAD* colors);

  DibSection dib_;
  int bytesPerRow_ = 0;
  int width_ = 0, height_ = 0;
  int bytesPerPixel_ = 0;
  int imageSize_ = 0;
};

}  // namespace vt

#include "preview/uDIB.h"

#include <climits>
#include <string>
#include <vector>

#include "base/Errors.h"

namespace vt {

TDIBSurface::TDIBSurface(int width, int height, int bytesPerPixel) { SetSize(width, height, bytesPerPixel); }

void TDIBSurface::SetSize(int width, int height, int bytesPerPixel) {
  if (bytesPerPixel < 1 || bytesPerPixel > 4)
    throw Error("A drawing surface has 1 to 4 bytes per pixel, not " + std::to_string(bytesPerPixel));
  dib_ = DibSection();
  bytesPerRow_ = imageSize_ = 0;
  bytesPerPixel_ = bytesPerPixel;
  width_ = width;
  height_ = height;
  const bool paletted = bytesPerPixel_ == 1;
  std::vector<uint8_t> header(sizeof(BITMAPINFOHEADER) + (paletted ? 256 * sizeof(RGBQUAD) : 0), 0);
  auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = width_;
  info->bmiHeader.biHeight = -height_;  // top-down rows
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = static_cast<WORD>(8 * bytesPerPixel_);
  info->bmiHeader.biCompression = BI_RGB;
  if (paletted) {
    info->bmiHeader.biClrUsed = info->bmiHeader.biClrImportant = 256;
    FillPalette(info->bmiColors);
  }
  // Every DIB row is padded to 4 bytes; walking the pixels needs the padded length.
  const int64_t rowBytes = (static_cast<int64_t>(width_) * bytesPerPixel_ + 3) & ~int64_t{3};
  const int64_t total = rowBytes * height_;
  // A size that gives no bitmap is no error: the canvas is there and drawing on it has no effect.
  dib_ = DibSection(width_ > 0 && height_ > 0 && total <= INT_MAX ? info : nullptr);
  if (!dib_.Bits()) return;
  bytesPerRow_ = static_cast<int>(rowBytes);
  imageSize_ = static_cast<int>(total);
}

// The system palette where the display has one (a colour cube where it cannot be read), with the
// 20 static colours of the default palette at both ends.
void TDIBSurface::FillPalette(RGBQUAD* colors) {
  for (int i = 0; i < 256; ++i)
    colors[i] = RGBQUAD{static_cast<BYTE>((i / 64) * 64), static_cast<BYTE>(((i / 8) % 8) * 32),
                        static_cast<BYTE>((i % 8) * 32), 0};
  PALETTEENTRY entries[256];
  {
    WindowDC screen(nullptr);
    if (screen && ::GetSystemPaletteEntries(screen.get(), 0, 256, entries) == 256)
      for (int i = 0; i < 256; ++i) colors[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
  }
  static const COLORREF kStatic[20] = {
      RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),   RGB(0, 0, 128),
      RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192), RGB(192, 220, 192), RGB(166, 202, 240),
      RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),
      RGB(255, 255, 0),   RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255)};
  auto* defaults = static_cast<HPALETTE>(::GetStockObject(DEFAULT_PALETTE));
  const bool fromDefault = defaults && ::GetPaletteEntries(defaults, 0, 20, entries) == 20;
  for (int k = 0; k < 20; ++k) {
    const int i = k < 10 ? k : 236 + k;
    const COLORREF c = fromDefault ? RGB(entries[k].peRed, entries[k].peGreen, entries[k].peBlue) : kStatic[k];
    colors[i] = RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
  }
}

}  // namespace vt

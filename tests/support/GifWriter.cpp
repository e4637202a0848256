#include "support/GifWriter.h"

#include <gif_lib.h>

#include <stdexcept>

namespace vt::test {
namespace {

ColorMapObject* MakeColorMap(const std::vector<COLORREF>& palette) {
  int size = 2;
  while (size < static_cast<int>(palette.size())) size *= 2;
  std::vector<GifColorType> colors(size, GifColorType{0, 0, 0});
  for (size_t i = 0; i < palette.size(); ++i)
    colors[i] = GifColorType{GetRValue(palette[i]), GetGValue(palette[i]), GetBValue(palette[i])};
  return GifMakeMapObject(size, colors.data());
}

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("giflib: ") + what);
}

}  // namespace

void WriteGif(const std::string& path, const GifPicture& p) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  Check(gif != nullptr, "open");
  EGifSetGifVersion(gif, true);
  ColorMapObject* map = MakeColorMap(p.palette);
  int screenWidth = p.screenWidth ? p.screenWidth : p.width;
  int screenHeight = p.screenHeight ? p.screenHeight : p.height;
  bool ok = EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, p.localPalette ? nullptr : map) == GIF_OK;
  if (ok && p.transparent >= 0) {
    GraphicsControlBlock control{};
    control.TransparentColor = p.transparent;
    GifByteType block[4];
    size_t length = EGifGCBToExtension(&control, block);
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block) == GIF_OK;
  }
  ok = ok && EGifPutImageDesc(gif, p.left, p.top, p.width, p.height, p.interlace,
                              p.localPalette ? map : nullptr) == GIF_OK;
  static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  int passes = p.interlace ? 4 : 1;
  for (int pass = 0; ok && pass < passes; ++pass)
    for (int row = p.interlace ? kStart[pass] : 0; ok && row < p.height; row += p.interlace ? kStep[pass] : 1) {
      std::vector<GifPixelType> line(p.pixels.begin() + static_cast<size_t>(row) * p.width,
                                     p.pixels.begin() + static_cast<size_t>(row + 1) * p.width);
      ok = EGifPutLine(gif, line.data(), p.width) == GIF_OK;
    }
  GifFreeMapObject(map);
  bool closed = EGifCloseFile(gif, &error) == GIF_OK;
  Check(ok && closed, "write");
}

GifPicture SolidGif(int width, int height, COLORREF color) {
  GifPicture p;
  p.width = width;
  p.height = height;
  p.palette = {color, RGB(0, 0, 0)};
  p.pixels.assign(static_cast<size_t>(width) * height, 0);
  return p;
}

COLORREF PatternColor(int x, int y) {
  static const COLORREF kColors[] = {RGB(200, 0, 0), RGB(0, 150, 0), RGB(0, 0, 220), RGB(120, 60, 0)};
  return kColors[(x / 4 + 2 * (y / 3)) % 4];
}

GifPicture PatternGif(int width, int height) {
  GifPicture p;
  p.width = width;
  p.height = height;
  p.palette = {RGB(200, 0, 0), RGB(0, 150, 0), RGB(0, 0, 220), RGB(120, 60, 0)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.pixels.push_back(static_cast<uint8_t>((x / 4 + 2 * (y / 3)) % 4));
  return p;
}

}  // namespace vt::test

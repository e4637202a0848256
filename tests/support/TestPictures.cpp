#include "support/TestPictures.h"

#include <algorithm>

#include "base/Strings.h"

namespace vt::test {

namespace {

std::string Variable(const char* name) {
  char value[MAX_PATH] = {};
  DWORD n = ::GetEnvironmentVariableA(name, value, MAX_PATH);
  return n && n < MAX_PATH ? value : "";
}

void SetVariable(const char* name, const std::string& value) {
  ::SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
}

}  // namespace

PrivateTempFolder::PrivateTempFolder() : oldTmp_(Variable("TMP")), oldTemp_(Variable("TEMP")) {
  SetVariable("TMP", dir_.path());
  SetVariable("TEMP", dir_.path());
}

PrivateTempFolder::~PrivateTempFolder() {
  SetVariable("TMP", oldTmp_);
  SetVariable("TEMP", oldTemp_);
}

int PrivateTempFolder::FileCount() const {
  int count = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((path() + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
  } while (::FindNextFileA(find, &data));
  ::FindClose(find);
  return count;
}

COLORREF Gradient(int x, int y) {
  return RGB(x & 0xFF, (y * 3) & 0xFF, ((x / 5 + y / 3) & 1) ? 0xF0 : 0x10);
}

COLORREF Blocks(int x, int y) { return Gradient(x & ~1, y & ~1); }

std::unique_ptr<TBmpHtmlImage> WritePicture(TBmpHtmlImageBuilder& builder, const PictureShape& s,
                                            const PixelFunction& pixel) {
  const int cols = (s.width + s.tileWidth - 1) / s.tileWidth, rows = (s.height + s.tileHeight - 1) / s.tileHeight;
  builder.BeginImage(s.width, s.height);
  builder.SetTileSize(s.tileWidth, s.tileHeight);
  builder.SetTileCount(cols, rows, cols * rows);
  TBitmap tile;
  for (int r = 0, index = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c, ++index) {
      const int left = c * s.tileWidth, top = r * s.tileHeight;
      const int w = s.fullEdgeTiles ? s.tileWidth : std::min(s.tileWidth, s.width - left);
      const int h = s.fullEdgeTiles ? s.tileHeight : std::min(s.tileHeight, s.height - top);
      tile.SetSize(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          bool inside = left + x < s.width && top + y < s.height;
          tile.SetPixel(x, y, inside ? pixel(left + x, top + y) : RGB(0, 255, 0));
        }
      builder.AddTile(c, r, index, RECT{left, top, left + w, top + h}, tile);
    }
  }
  std::unique_ptr<THtmlImage> image = builder.GetResult();
  return std::unique_ptr<TBmpHtmlImage>(static_cast<TBmpHtmlImage*>(image.release()));
}

std::unique_ptr<TBitmap> MarkedCanvas(int width, int height) {
  auto canvas = std::make_unique<TBitmap>(width, height);
  canvas->Fill(kMarker);
  return canvas;
}

std::string FirstMismatch(const TBitmap& canvas, const RECT& area, const PixelFunction& expected) {
  ::GdiFlush();
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      const uint8_t* p = canvas.ScanLine(y) + x * 3;
      COLORREF got = RGB(p[2], p[1], p[0]), want = expected(x - area.left, y - area.top);
      if (got != want) return Format("%d,%d: got %06lX expected %06lX", x, y, got, want);
    }
  return {};
}

}  // namespace vt::test

// A 24-bit device-independent bitmap with its own memory device context (its canvas).
#pragma once
#include <windows.h>
#include <cstdint>

#include "base/DibSection.h"
#include "base/Stream.h"

namespace vt {

// Where the pixels of a 24-bit BMP file form lie in a stream.
struct TBmpLayout {
  int width = 0, height = 0, stride = 0;
  bool topDown = false;
  int64_t pixelPos = 0;  // stream position of the first stored row
  int64_t PixelBytes() const { return static_cast<int64_t>(stride) * height; }
};

// Reads and checks the headers of a BMP file form at the stream's position. Throws vt::Error on
// anything that is not a sound 24-bit BMP of at most `maxPixels` whose pixels are all in the stream.
TBmpLayout ReadBmpLayout(TStream& stream, int64_t maxPixels);

class TBitmap {
public:
  TBitmap() = default;
  TBitmap(int width, int height);
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  ~TBitmap();

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }

  // New size; the pixels that still fit are kept, new ones are white. Throws vt::Error when
  // the bitmap cannot be made (zero or negative sizes give an empty bitmap).
  void SetSize(int width, int height);
  // Copy of another bitmap's size and pixels.
  void Assign(const TBitmap& source);

  // The canvas: a memory DC with the bitmap selected; valid while the size stays.
  HDC Canvas() const { return dib_.Canvas(); }
  HBITMAP Handle() const { return dib_.Handle(); }

  // Rows are top-down, BGR, padded to 4 bytes.
  uint8_t* ScanLine(int y) { return bits_ + static_cast<size_t>(y) * stride_; }
  const uint8_t* ScanLine(int y) const { return bits_ + static_cast<size_t>(y) * stride_; }
  int Stride() const { return stride_; }
  static int StrideFor(int width) { return (width * 3 + 3) & ~3; }

  COLORREF Pixel(int x, int y) const;
  void SetPixel(int x, int y, COLORREF color);
  void Fill(COLORREF color);
  void FillRect(const RECT& rect, COLORREF color);

  // BMP file form: file header, info header, bottom-up rows padded to 4 bytes with zeros.
  void SaveToStream(TStream& stream) const;
  // The headers of the BMP file form of a picture of `width` x `height`, at `out`
  // (kFormHeaderBytes); its rows follow them.
  static void PutFormHeaders(uint8_t* out, int width, int height);
  static constexpr size_t kFormHeaderBytes = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  // Reads a BMP file form from the stream's position. Throws vt::Error on anything that is not a
  // sound 24-bit BMP of at most `maxPixels` whose pixels are all in the stream; such a bitmap is
  // left as it was, as nothing is allocated before the headers have been checked. A read error
  // after that leaves the pixels undefined.
  void LoadFromStream(TStream& stream, int64_t maxPixels = kMaxLoadPixels);
  void SaveToFile(const std::string& path) const;
  void LoadFromFile(const std::string& path);

  static constexpr int64_t kMaxLoadPixels = 64LL * 1024 * 1024;

private:
  void Release();

  int width_ = 0, height_ = 0, stride_ = 0;
  uint8_t* bits_ = nullptr;
  DibSection dib_;
};

}  // namespace vt

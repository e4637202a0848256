#include "base/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/Errors.h"

namespace vt {

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::~TBitmap() = default;

void TBitmap::Release() {
  dib_ = DibSection();
  bits_ = nullptr;
  width_ = height_ = stride_ = 0;
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  if (width <= 0 || height <= 0) {
    Release();
    return;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  DibSection dib(&info);
  if (!dib.Bits()) throw Error("Out of system resources: cannot create a bitmap of " + std::to_string(width) +
                               " x " + std::to_string(height));
  int stride = StrideFor(width);
  uint8_t* newBits = dib.Bits();
  std::memset(newBits, 0xFF, static_cast<size_t>(stride) * height);
  for (int y = 0; y < std::min(height, height_); ++y)
    std::memcpy(newBits + static_cast<size_t>(y) * stride, ScanLine(y), std::min(width, width_) * 3);
  dib_ = std::move(dib);
  bits_ = newBits;
  width_ = width;
  height_ = height;
  stride_ = stride;
}

void TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return;
  if (source.Empty()) {
    Release();
    return;
  }
  SetSize(source.width_, source.height_);
  ::GdiFlush();
  std::memcpy(bits_, source.bits_, static_cast<size_t>(stride_) * height_);
}

COLORREF TBitmap::Pixel(int x, int y) const {
  ::GdiFlush();
  const uint8_t* p = ScanLine(y) + x * 3;
  return RGB(p[2], p[1], p[0]);
}

void TBitmap::SetPixel(int x, int y, COLORREF color) {
  ::GdiFlush();
  uint8_t* p = ScanLine(y) + x * 3;
  p[0] = GetBValue(color);
  p[1] = GetGValue(color);
  p[2] = GetRValue(color);
}

void TBitmap::Fill(COLORREF color) {
  RECT all{0, 0, width_, height_};
  FillRect(all, color);
}

void TBitmap::FillRect(const RECT& rect, COLORREF color) {
  if (Empty()) return;
  BrushHandle brush(::CreateSolidBrush(color));
  ::FillRect(Canvas(), &rect, brush.get());
}

void TBitmap::PutFormHeaders(uint8_t* out, int width, int height) {
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  const uint32_t imageSize = static_cast<uint32_t>(StrideFor(width)) * height;
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + imageSize;
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = imageSize;
  std::memcpy(out, &file, sizeof(file));
  std::memcpy(out + sizeof(file), &info, sizeof(info));
}

void TBitmap::SaveToStream(TStream& stream) const {
  ::GdiFlush();
  // The headers and the rows go out in blocks of about 1 MB: a write per row would cost a system
  // call each, and a write straight from the bitmap's memory is slow. The block is kept by the
  // thread, so that saving many tiles does not allocate for each.
  const size_t rowBytes = static_cast<size_t>(width_) * 3, blockBytes = 1 << 20;
  thread_local std::vector<uint8_t> block;
  block.clear();
  block.reserve(std::max<size_t>(blockBytes, kFormHeaderBytes + stride_));
  block.resize(kFormHeaderBytes);
  PutFormHeaders(block.data(), width_, height_);
  for (int y = height_ - 1; y >= 0; --y) {
    block.insert(block.end(), ScanLine(y), ScanLine(y) + rowBytes);
    block.resize(block.size() + (stride_ - rowBytes), 0);
    if (block.size() >= blockBytes) {
      stream.Write(block.data(), block.size());
      block.clear();
    }
  }
  if (!block.empty()) stream.Write(block.data(), block.size());
}

TBmpLayout ReadBmpLayout(TStream& stream, int64_t maxPixels) {
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  const int64_t start = stream.Position();
  stream.ReadExact(&file, sizeof(file));
  stream.ReadExact(&info, sizeof(info));
  if (file.bfType != 0x4D42 || info.biSize < sizeof(info) || info.biPlanes != 1 || info.biBitCount != 24 ||
      info.biCompression != BI_RGB || info.biWidth <= 0 || info.biHeight == 0 ||
      file.bfOffBits < sizeof(file) + static_cast<int64_t>(info.biSize))
    throw Error("Bitmap image is not valid");
  TBmpLayout layout;
  layout.topDown = info.biHeight < 0;
  const int64_t height = layout.topDown ? -static_cast<int64_t>(info.biHeight) : info.biHeight;
  if (static_cast<int64_t>(info.biWidth) * height > maxPixels) throw Error("Bitmap image is too large");
  layout.width = info.biWidth;
  layout.height = static_cast<int>(height);
  layout.stride = TBitmap::StrideFor(layout.width);
  layout.pixelPos = start + file.bfOffBits;
  // The pixels must all be there before anything is allocated for them.
  if (stream.Size() - layout.pixelPos < layout.PixelBytes()) throw Error("Bitmap image is truncated");
  return layout;
}

void TBitmap::LoadFromStream(TStream& stream, int64_t maxPixels) {
  const TBmpLayout layout = ReadBmpLayout(stream, maxPixels);
  stream.SetPosition(layout.pixelPos);
  SetSize(layout.width, layout.height);
  ::GdiFlush();
  if (layout.topDown) {
    stream.ReadExact(bits_, static_cast<size_t>(layout.PixelBytes()));
    return;
  }
  // Bottom-up rows: one read into a buffer kept by the thread, then each row to its place.
  thread_local std::vector<uint8_t> buffer;
  buffer.resize(static_cast<size_t>(layout.PixelBytes()));
  stream.ReadExact(buffer.data(), buffer.size());
  for (int y = 0; y < height_; ++y)
    std::memcpy(ScanLine(y), buffer.data() + static_cast<size_t>(height_ - 1 - y) * stride_, stride_);
}

void TBitmap::SaveToFile(const std::string& path) const {
  TFileStream stream(path, TFileStream::fmCreate);
  SaveToStream(stream);
}

void TBitmap::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileStream::fmOpenRead);
  LoadFromStream(stream);
}

}  // namespace vt

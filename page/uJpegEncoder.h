// Baseline JPEG encoding of 24-bit bitmaps with libjpeg-turbo.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Bitmap.h"

namespace vt {

class TJpegEncoder {
public:
  explicit TJpegEncoder(int quality = 90) : quality_(quality) {}
  int Quality() const { return quality_; }

  // The JPEG stream of the bitmap; throws vt::Error when encoding fails.
  std::vector<uint8_t> Encode(const TBitmap& bitmap) const;
  // The JPEG stream of a picture handed over row by row: `row(y)` gives row y (top-down, BGR)
  // and is called for y = 0, 1, ... in order, so a caller can render the picture in strips.
  std::vector<uint8_t> EncodeRows(int width, int height, const std::function<const uint8_t*(int y)>& row) const;

  // The largest side a JPEG stream can have.
  static constexpr int kMaxSide = 65500;
  // Writes the JPEG file; a failed write leaves no file under `path` and throws vt::Error.
  void SaveToFile(const TBitmap& bitmap, const std::string& path) const;

private:
  int quality_;
};

}  // namespace vt

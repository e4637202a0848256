// Baseline JPEG encoding of 24-bit bitmaps with libjpeg-turbo.
#pragma once
#include <cstdint>
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
  // Writes the JPEG file; a failed write leaves no file under `path` and throws vt::Error.
  void SaveToFile(const TBitmap& bitmap, const std::string& path) const;

private:
  int quality_;
};

}  // namespace vt

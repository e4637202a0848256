// Turning a downloaded GIF file of the header/footer setting into a 24-bit bitmap.
#pragma once
#include <cstdint>
#include <string>

#include "base/Bitmap.h"

namespace vt {

// Renders the first picture of the GIF file at `path` onto a white bitmap of the GIF's
// screen size; transparent pixels stay white, the banners' background. Throws vt::Error for
// anything that is not a sound GIF (wrong signature, damaged or truncated data, no picture)
// and for a screen or picture of more than `kMaxGifPixels`; `bitmap` is then unchanged.
void LoadGifFile(const std::string& path, TBitmap& bitmap);

constexpr int64_t kMaxGifPixels = 16LL * 1024 * 1024;

// What a GIF file takes before it is decoded: its bytes and the size of its screen, which is
// the size of the bitmap LoadGifFile makes. Throws vt::Error for a file that is no GIF.
struct TGifSize {
  int64_t bytes = 0;
  int32_t width = 0, height = 0;
};
TGifSize ReadGifSize(const std::string& path);

}  // namespace vt

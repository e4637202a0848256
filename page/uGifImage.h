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

}  // namespace vt

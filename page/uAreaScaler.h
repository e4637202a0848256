// Scaling areas of the picture for memory bitmaps with pixman, instead of the platform's
// halftone stretch copy. The filter is the stretch copy's own: bilinear, each target pixel
// sampling the area at its offset times the scale (no half-pixel shift), so that pages,
// thumbnails and the page view look as the stretch copy drew them, many times faster.
#pragma once
#include <windows.h>
#include <cstdint>
#include <optional>
#include <vector>

namespace vt {

// A device context the scaled areas may be handed to pixel for pixel: a memory DC of the screen
// holding a DIB section of 24 or 32 bits, with logical units that are its pixels (an origin may
// be moved). GDI still places the pixels, so clipping and the rows' order stay its own.
struct TPixelTarget {
  HDC dc = nullptr;
  int bytesPerPixel = 0;
  RECT clip{};  // logical bounds of what may be drawn

  static std::optional<TPixelTarget> Of(HDC dc);
};

class TAreaScaler {
public:
  // Scales a area of BGR pixels, `width` x `height` from column `left` of rows `rowWidth` pixels
  // wide, into `place` (logical units of the target), within the target's clip. `row` is the
  // 4-byte aligned start of the area's top row, and `step` bytes lead from a row to the next one
  // down (negative for rows stored bottom-up). False when `place` is mirrored: the caller draws
  // that another way.
  bool Scale(const uint8_t* row, int rowWidth, int step, int left, int width, int height, const TPixelTarget& target,
             const RECT& place);

private:
  std::vector<uint32_t> area_;   // the area as 32-bit pixels, which pixman scales fastest
  std::vector<uint32_t> scaled_;  // the scaled area
  std::vector<uint32_t> packed_;  // the same as 24-bit pixels, for a 24-bit target
};

}  // namespace vt

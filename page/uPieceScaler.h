// Scaling pieces of the picture straight into the pixels of a memory bitmap with pixman, instead
// of the platform's halftone stretch copy. The filter is the stretch copy's own: bilinear, each
// target pixel sampling the piece at its offset times the scale (no half-pixel shift), so that
// pages, thumbnails and the page view look as the stretch copy drew them, many times faster.
#pragma once
#include <windows.h>
#include <cstdint>
#include <optional>
#include <vector>

namespace vt {

// The pixels behind a device context where drawing may bypass the device: a memory DC of the
// screen holding a top-down 24- or 32-bit DIB section, with logical units that are device pixels
// (an origin may be moved) and a clip that is one rectangle or none.
struct TPixelTarget {
  uint8_t* bits = nullptr;  // the top row
  int width = 0, height = 0, stride = 0, bytesPerPixel = 0;
  POINT origin{};  // device pixel of logical (0, 0)
  RECT clip{};     // device pixels that may be drawn

  static std::optional<TPixelTarget> Of(HDC dc);
};

class TPieceScaler {
public:
  // Scales a piece of BGR pixels, `width` x `height` from column `left` of rows `rowWidth` pixels
  // wide, into `place` (logical units of the target), within the target's clip. `row` is the
  // 4-byte aligned start of the piece's top row, and `step` bytes lead from a row to the next one
  // down (negative for rows stored bottom-up). False when `place` is mirrored: the caller draws
  // that another way.
  bool Scale(const uint8_t* row, int rowWidth, int step, int left, int width, int height, const TPixelTarget& target,
             const RECT& place);

private:
  std::vector<uint32_t> piece_;   // the piece as 32-bit pixels, which pixman scales fastest
  std::vector<uint32_t> scaled_;  // the scaled piece, for a 24-bit target
};

}  // namespace vt

// The benchmark's synthetic captured page: text-like strokes on a gradient with photo-like noise,
// content JPEG cannot squeeze to nothing. The tests check page quality on it too.
#pragma once
#include <cstdint>

namespace vt::bench {

// Row `y` of a page `width` pixels wide, as BGR.
inline void PaintBenchRow(uint8_t* row, int width, int y) {
  uint32_t noise = static_cast<uint32_t>(y) * 2654435761u + 12345u;
  const bool textLine = (y % 24) >= 6 && (y % 24) < 18;
  for (int x = 0; x < width; ++x) {
    noise = noise * 1103515245u + 12345u;
    const int grain = static_cast<int>((noise >> 27) & 0x0F);
    uint8_t b = static_cast<uint8_t>((x * 200) / width + grain);
    uint8_t g = static_cast<uint8_t>(((y / 8) & 0x7F) + 60 + grain);
    uint8_t r = static_cast<uint8_t>(180 - ((x + y) & 0x3F) + grain);
    // Glyph-like strokes: short dark runs in text lines.
    if (textLine && ((x / 3 + y / 2 + (x * 7 + y) % 11) % 9 == 0) && (x % 160) < 140) b = g = r = 20;
    row[x * 3 + 0] = b;
    row[x * 3 + 1] = g;
    row[x * 3 + 2] = r;
  }
}

}  // namespace vt::bench

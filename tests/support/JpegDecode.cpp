#include "support/JpegDecode.h"

#include <algorithm>
#include <cstdlib>

#include "base/Errors.h"
#include "base/Picture.h"

namespace vt::test {

bool DecodeJpegFile(const std::string& path, TBitmap& out) {
  try {
    TFileStream file(path, TFileStream::fmOpenRead);
    LoadJpegFromStream(file, out);
    return true;
  } catch (const Error&) {
    return false;
  }
}

int MaxChannelDifference(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  ::GdiFlush();
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y) {
    const uint8_t* p = a.ScanLine(y);
    const uint8_t* q = b.ScanLine(y);
    for (int i = 0; i < a.Width() * 3; ++i) worst = std::max(worst, std::abs(p[i] - q[i]));
  }
  return worst;
}

double MeanChannelDifference(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  ::GdiFlush();
  double total = 0;
  for (int y = 0; y < a.Height(); ++y) {
    const uint8_t* p = a.ScanLine(y);
    const uint8_t* q = b.ScanLine(y);
    for (int i = 0; i < a.Width() * 3; ++i) total += std::abs(p[i] - q[i]);
  }
  return total / (3.0 * a.Width() * a.Height());
}

void PaintTestPattern(TBitmap& bitmap, int seed) {
  ::GdiFlush();
  uint32_t noise = static_cast<uint32_t>(seed) * 2654435761u;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      noise = noise * 1103515245u + 12345u;
      bool stroke = (x / 7 + y / 11) % 5 == 0;
      row[x * 3 + 0] = static_cast<uint8_t>(stroke ? 0 : (x * 255) / std::max(1, bitmap.Width() - 1));
      row[x * 3 + 1] = static_cast<uint8_t>(stroke ? 0 : (y * 3) & 0xFF);
      row[x * 3 + 2] = static_cast<uint8_t>((noise >> 24) & 0x3F) + static_cast<uint8_t>(stroke ? 0 : 150);
    }
  }
}

}  // namespace vt::test

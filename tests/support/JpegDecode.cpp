#include "support/JpegDecode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/Errors.h"
#include "base/JpegErrors.h"
#include "base/LibraryHandles.h"
#include "base/Picture.h"
#include "support/TestEnv.h"

namespace vt::test {

bool DecodeJpegFile(const std::string& path, TBitmap& out) {
  try {
    TFileStream file(path, TFileStream::fmOpenRead);
    return LoadJpegFromStream(file, out);
  } catch (const Error&) {
    return false;
  }
}

int CoarsestQuantStep(const std::string& path) {
  const std::string bytes = ReadFileBytes(path);
  jpeg_decompress_struct info{};
  TJpegErrors errors{};
  errors.Attach(info);
  const JpegDecompressor decompressor(&info);
  if (setjmp(errors.jump)) return -1;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  int coarsest = -1;
  for (const JQUANT_TBL* table : info.quant_tbl_ptrs) {
    if (!table) continue;
    coarsest = std::max(coarsest, static_cast<int>(*std::max_element(table->quantval, table->quantval + DCTSIZE2)));
  }
  return coarsest;
}

namespace {

// Calls add(difference) for every colour channel of two bitmaps of one size; false for other sizes.
template <class Add>
bool EachChannelDifference(const TBitmap& a, const TBitmap& b, Add add) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  ::GdiFlush();
  for (int y = 0; y < a.Height(); ++y) {
    const uint8_t* p = a.ScanLine(y);
    const uint8_t* q = b.ScanLine(y);
    for (int i = 0; i < a.Width() * 3; ++i) add(p[i] - q[i]);
  }
  return true;
}

}  // namespace

int MaxChannelDifference(const TBitmap& a, const TBitmap& b) {
  int worst = 0;
  return EachChannelDifference(a, b, [&](int d) { worst = std::max(worst, std::abs(d)); }) ? worst : -1;
}

double MeanChannelDifference(const TBitmap& a, const TBitmap& b) {
  double total = 0;
  if (!EachChannelDifference(a, b, [&](int d) { total += std::abs(d); })) return -1;
  return total / (3.0 * a.Width() * a.Height());
}

double Psnr(const TBitmap& a, const TBitmap& b) {
  double squares = 0;
  if (!EachChannelDifference(a, b, [&](int d) { squares += d * d; })) return -1;
  if (squares == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 * 3.0 * a.Width() * a.Height() / squares);
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

#include "page/uAreaEncoder.h"

#include "page/uBandReader.h"
#include "page/uJpegEncoder.h"

namespace vt {
namespace {

constexpr int kBandRows = 256;  // rows of the picture held at once while encoding

}  // namespace

std::vector<uint8_t> EncodeArea(THtmlImage& image, const RECT& area, int quality, TBitmap* band) {
  TBandReader rows(image, area, kBandRows, band);
  return TJpegEncoder(quality).EncodeRows(rows.Width(), rows.Height(), [&](int y) { return rows.Row(y); });
}

}  // namespace vt

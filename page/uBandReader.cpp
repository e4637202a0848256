#include "page/uBandReader.h"

#include <algorithm>

#include "base/Errors.h"

namespace vt {

TBandReader::TBandReader(THtmlImage& image, const RECT& area, int bandRows)
    : image_(image),
      area_(area),
      width_(std::max(0, static_cast<int>(area.right - area.left))),
      height_(std::max(0, static_cast<int>(area.bottom - area.top))),
      bandRows_(std::max(1, bandRows)) {}

const TBitmap& TBandReader::Band(int y) {
  if (y < 0 || y >= height_) throw Error("Row outside the area read");
  if (rows_ > 0 && y >= top_ && y < top_ + rows_) return band_;
  top_ = y - y % bandRows_;
  rows_ = std::min(bandRows_, height_ - top_);
  if (band_.Empty()) band_.SetSize(width_, std::min(bandRows_, height_));
  band_.Fill(RGB(255, 255, 255));
  image_.CopyRect(band_, 0, 0, RECT{area_.left, area_.top + top_, area_.right, area_.top + top_ + rows_});
  ::GdiFlush();
  return band_;
}

}  // namespace vt

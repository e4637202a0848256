#include "page/uBandReader.h"

#include <algorithm>

#include "base/Errors.h"

namespace vt {

TBandReader::TBandReader(THtmlImage& image, const RECT& area, int bandRows, TBitmap* band)
    : image_(image),
      area_(area),
      width_(std::max(0, static_cast<int>(area.right - area.left))),
      height_(std::max(0, static_cast<int>(area.bottom - area.top))),
      bandRows_(std::max(1, bandRows)),
      band_(band ? *band : ownBand_),
      inside_(area.left >= 0 && area.top >= 0 && area.right <= image.GetImageWidth() &&
              area.bottom <= image.GetImageHeight()) {}

const TBitmap& TBandReader::Band(int y) {
  if (y < 0 || y >= height_) throw Error("Row outside the area read");
  if (rows_ > 0 && y >= top_ && y < top_ + rows_) return band_;
  top_ = y - y % bandRows_;
  rows_ = std::min(bandRows_, height_ - top_);
  band_.SetSize(width_, std::min(bandRows_, height_));
  if (!inside_) band_.Fill(RGB(255, 255, 255));
  image_.CopyRect(band_, 0, 0, RECT{area_.left, area_.top + top_, area_.right, area_.top + top_ + rows_});
  ::GdiFlush();
  return band_;
}

const uint8_t* TBandReader::Row(int y) {
  if (inside_ && y >= 0 && y < height_)
    if (const uint8_t* direct = image_.RowPixels(area_.left, area_.right, area_.top + y)) return direct;
  return Band(y).ScanLine(y - top_);
}

}  // namespace vt

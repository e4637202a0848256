// An area of a picture read at scale 1 from top to bottom, a band of rows at a time. Every caller
// that walks a picture in bands reads through it, so that with the tile image's row cache each
// tile is read once per walk.
#pragma once
#include <windows.h>
#include <cstdint>

#include "base/Bitmap.h"
#include "page/uHtmlImage.h"

namespace vt {

class TBandReader {
public:
  // Bands of `bandRows` rows from the area's top; what the picture does not cover reads white.
  // The bands are read into `band` when given (a caller reading many areas keeps one), else into
  // a bitmap of the reader's own.
  TBandReader(THtmlImage& image, const RECT& area, int bandRows, TBitmap* band = nullptr);
  TBandReader(const TBandReader&) = delete;
  TBandReader& operator=(const TBandReader&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // The band that holds row `y` of the area (0 is the area's top), read unless it is the current
  // one; its first BandRows() rows are the area's rows from BandTop() on.
  const TBitmap& Band(int y);
  int BandTop() const { return top_; }
  int BandRows() const { return rows_; }
  // Row `y` of the area, BGR: straight from the picture where it keeps the row in one piece,
  // else from the band; valid until the next call.
  const uint8_t* Row(int y);

private:
  THtmlImage& image_;
  RECT area_;
  int width_, height_, bandRows_;
  TBitmap ownBand_;
  TBitmap& band_;
  bool inside_;  // the area lies within the picture: nothing to paint white
  int top_ = 0, rows_ = 0;
};

}  // namespace vt

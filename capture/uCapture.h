// The grid of views in which the page capture visits a picture: row by row, left to right;
// every view but those of the last column and row is one full view.
#pragma once
#include <windows.h>
#include <cstdint>

namespace vt {

struct TCaptureGrid {
  int32_t width = 0, height = 0;  // the picture
  int32_t viewW = 0, viewH = 0;   // one view: the tile size
  int32_t cols = 0, rows = 0;
  int32_t remX = 0, remY = 0;     // width of the last column and height of the last row when not 0

  int32_t Count() const { return cols * rows; }
  int32_t TileWidth(int32_t col) const { return col == cols - 1 && remX > 0 ? remX : viewW; }
  int32_t TileHeight(int32_t row) const { return row == rows - 1 && remY > 0 ? remY : viewH; }
  // The tile's place in the picture.
  RECT TileRect(int32_t col, int32_t row) const {
    return RECT{col * viewW, row * viewH, col * viewW + TileWidth(col), row * viewH + TileHeight(row)};
  }
};

// Throws vt::Error when a view size is 0: there is no grid to visit.
TCaptureGrid CaptureGrid(int32_t width, int32_t height, int32_t viewW, int32_t viewH);

}  // namespace vt

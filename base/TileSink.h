// Where a picture goes tile by tile: the page capture writes its views into one, the tile image
// builder is one.
#pragma once
#include <windows.h>
#include <cstdint>

#include "base/Bitmap.h"

namespace vt {

// Calling order: BeginImage, SetTileSize, SetTileCount, AddTile once per tile with the highest
// index last.
class ITileSink {
public:
  virtual ~ITileSink() = default;
  virtual void BeginImage(int32_t width, int32_t height) = 0;
  virtual void SetTileSize(int32_t tileWidth, int32_t tileHeight) = 0;
  virtual void SetTileCount(int32_t cols, int32_t rows, int32_t count) = 0;
  // `rect` is the tile's place in the picture; the caller keeps its bitmap.
  virtual void AddTile(int32_t col, int32_t row, int32_t index, const RECT& rect, const TBitmap& bitmap) = 0;
};

}  // namespace vt

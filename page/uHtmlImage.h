// The captured page as a graphic: a picture far larger than any bitmap, kept as 24-bit tiles in a
// tile file and drawn a rectangle at a time, scaled, onto any device context.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Bitmap.h"
#include "base/Stream.h"
#include "page/uAreaScaler.h"
#include "page/uTileFile.h"
#include "page/uTileRowCache.h"

namespace vt {

class THtmlImage {
public:
  virtual ~THtmlImage() = default;

  // Zoom by which Draw divides canvas coordinates to get picture coordinates; 0 until set.
  void SetScale(float value) { scale_ = value; }
  float GetScale() const { return scale_; }
  RECT GetImageRect() const { return RECT{0, 0, GetImageWidth(), GetImageHeight()}; }

  // Draws the part of the picture under the canvas's clip rectangle, the picture lying at `rect`'s
  // top-left corner at the scale (1 while no scale is set): the whole picture columns and rows that
  // the clip touches, each edge where it lies in the whole picture, so that any band of a view
  // meets the rest and the picture's last row and column reach its edge.
  virtual void Draw(HDC canvas, const RECT& rect);
  // Empty: width or height 0.
  virtual bool GetEmpty() const { return GetImageWidth() <= 0 || GetImageHeight() <= 0; }
  virtual int32_t GetWidth() const { return GetImageWidth(); }
  virtual int32_t GetHeight() const { return GetImageHeight(); }
  // The size comes only from the picture itself.
  virtual void SetWidth(int32_t) {}
  virtual void SetHeight(int32_t) {}
  virtual void Assign(const THtmlImage& source) = 0;
  // Puts the whole picture on the clipboard as one 24-bit bitmap (an empty picture puts nothing);
  // throws vt::Error on failure.
  virtual void SaveToClipboardFormat() = 0;

  virtual int32_t GetImageWidth() const = 0;
  virtual int32_t GetImageHeight() const = 0;
  // Draws the part `src` of the picture (picture pixels) stretched into `dst` (device units).
  // Returns 0, or the Windows error code of the first stretch copy that failed.
  virtual uint32_t DrawRect(HDC dc, const RECT& dst, const RECT& src) = 0;
  // Copies the part `src` of the picture at scale 1 into `dst` with its top-left corner at
  // (x, y); what lies outside either picture is left as it was.
  virtual void CopyRect(TBitmap& dst, int x, int y, const RECT& src);
  // The pixels of row `y` from column `left` to `right` where the picture keeps them in one piece,
  // valid until the picture is read again; null when they must be copied (CopyRect).
  virtual const uint8_t* RowPixels(int32_t, int32_t, int32_t) { return nullptr; }
  // A second, independent reader of the same picture for another thread, or null when the
  // picture cannot be read twice at once.
  virtual std::unique_ptr<THtmlImage> OpenReader() const { return nullptr; }

private:
  float scale_ = 0;
};

// Reads a tile file. Memory holds the current row of tiles (within a budget) whatever the
// picture's size, so that drawing or copying down the picture band by band reads each tile once;
// the file stays open, read-only and closed to writers, for the image's life.
class TBmpHtmlImage : public THtmlImage {
public:
  // Results of OpenTileFile.
  enum : uint8_t {
    otOpened = 0,
    otBadSignature = 2,
    otBadVersion = 3,
    otCannotOpen = 4,
    otDamaged = 5,  // a header that is cut short, or whose tiles do not cover the picture or fit the file
  };

  TBmpHtmlImage() = default;
  ~TBmpHtmlImage() override;
  TBmpHtmlImage(const TBmpHtmlImage&) = delete;
  TBmpHtmlImage& operator=(const TBmpHtmlImage&) = delete;

  // Any result but otOpened leaves an image of 0 x 0 that draws nothing.
  uint8_t OpenTileFile(const std::string& fileName);
  // Tile `index` (row-major), or null when it is outside the picture, missing or damaged. The
  // bitmap is the image's one copy of a tile, replaced by the next call.
  const TBitmap* GetTile(int32_t index);

  // Another TBmpHtmlImage: opens the same file with a stream of its own; anything else is ignored.
  void Assign(const THtmlImage& source) override;
  // Refused for a file that stores fewer bytes than the picture's pixels take: a cut picture never
  // does, and the buffer is not sized from a header alone.
  void SaveToClipboardFormat() override;
  int32_t GetImageWidth() const override { return width_; }
  int32_t GetImageHeight() const override { return height_; }
  // Into the pixels of a memory bitmap the pieces are scaled by the image itself, with the filter
  // of the stretch copy that draws them on any other device.
  uint32_t DrawRect(HDC dc, const RECT& dst, const RECT& src) override;
  // Straight from the tiles' pixels, without the device context; what the file lacks of the
  // picture reads white.
  void CopyRect(TBitmap& dst, int x, int y, const RECT& src) override;
  // Within one tile of the picture: a row of the tile as read.
  const uint8_t* RowPixels(int32_t left, int32_t right, int32_t y) override;
  std::unique_ptr<THtmlImage> OpenReader() const override;

  const std::string& FileName() const { return fileName_; }
  int32_t TileWidth() const { return tileWidth_; }
  int32_t TileHeight() const { return tileHeight_; }
  int32_t Cols() const { return cols_; }
  int32_t Rows() const { return rows_; }
  int32_t TileCount() const { return tileCount_; }
  // Tiles read from the file since it was opened, by the image and by the readers it opened.
  int64_t TileLoads() const { return *loads_; }

private:
  static constexpr int64_t kRowCacheBudget = 64LL << 20;
  friend class TBmpHtmlImageBuilder;  // hands over the temporary file it wrote
  void Close();
  // The stored pixels of tile (col, row), through the row cache; null when missing or damaged.
  const TTilePixels* Pixels(int64_t col, int64_t row);
  // The tile `index` read into `buffer` (a used one or a new one); none when it is missing or damaged.
  std::unique_ptr<TTilePixels> LoadTile(int32_t index, std::unique_ptr<TTilePixels> buffer);

  int32_t width_ = 0, height_ = 0, tileWidth_ = 0, tileHeight_ = 0;
  uint16_t cols_ = 0, rows_ = 0;
  int32_t tileCount_ = 0;
  int64_t fileBytes_ = 0;
  TTempTileFileRef tempFile_;  // before the stream: released after it
  std::unique_ptr<TFileStream> stream_;
  TTileRowCache rowCache_{kRowCacheBudget};
  std::shared_ptr<std::atomic<int64_t>> loads_ = std::make_shared<std::atomic<int64_t>>(0);
  std::unique_ptr<TBitmap> tile_;  // what GetTile hands out
  TAreaScaler scaler_;
  std::string fileName_;
};

}  // namespace vt

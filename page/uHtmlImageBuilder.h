// Writing a picture as tiles: the builder interface, the tile-file builder, and re-tiling a region
// of a picture into a new one.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Bitmap.h"
#include "base/Stream.h"
#include "base/TileSink.h"
#include "page/uHtmlImage.h"
#include "page/uTileFile.h"

namespace vt {

// A tile sink that makes a picture of the tiles: GetResult follows the sink's calls.
class THtmlImageBuilder : public ITileSink {
public:
  // The finished picture, or null; the caller owns it.
  virtual std::unique_ptr<THtmlImage> GetResult() = 0;
  // AddTile for a tile given in its BMP file form (TBitmap::SaveToStream's bytes), as a tile file
  // stores it: a builder that stores that form takes the bytes as they are.
  virtual void AddTileForm(int32_t col, int32_t row, int32_t index, const RECT& rect, const uint8_t* form,
                           size_t bytes);
};

// Writes each picture to a new temporary tile file. A picture the format cannot hold is refused
// by SetTileCount before a byte is written; that and write errors reach the caller as vt::Error,
// and the refused picture's file is deleted.
// A finished file lives as long as an image from GetResult reads it; a picture whose result
// nobody took is deleted when the next one begins or the builder goes.
class TBmpHtmlImageBuilder : public THtmlImageBuilder {
public:
  TBmpHtmlImageBuilder() = default;
  ~TBmpHtmlImageBuilder() override;
  TBmpHtmlImageBuilder(const TBmpHtmlImageBuilder&) = delete;
  TBmpHtmlImageBuilder& operator=(const TBmpHtmlImageBuilder&) = delete;

  std::unique_ptr<THtmlImage> GetResult() override;
  void BeginImage(int32_t width, int32_t height) override;
  void SetTileSize(int32_t tileWidth, int32_t tileHeight) override;
  void SetTileCount(int32_t cols, int32_t rows, int32_t count) override;
  void AddTile(int32_t col, int32_t row, int32_t index, const RECT& rect, const TBitmap& bitmap) override;
  void AddTileForm(int32_t col, int32_t row, int32_t index, const RECT& rect, const uint8_t* form,
                   size_t bytes) override;

  const std::string& FileName() const { return fileName_; }
  bool Writing() const { return stream_ != nullptr; }

private:
  void WriteHeader();
  void WriteTable();
  // Places tile `index` where `write` puts its BMP file form: the stream's position.
  void Store(int32_t index, const std::function<void()>& write);
  void Finish();
  [[noreturn]] void Refuse(const std::string& reason);

  TTileFileHeader header_{};
  TTempTileFileRef tempFile_;  // the file being written or not yet taken; before the stream
  std::weak_ptr<TTempTileFile> taken_;  // the finished file once images read it
  std::unique_ptr<TFileStream> stream_;
  std::string fileName_;
  int64_t count_ = 0;
  int64_t dataPos_ = 0;
  static constexpr size_t kTableRun = 16384;
  std::vector<uint32_t> table_;  // offsets of tiles tableFirst_, tableFirst_ + 1, ... not yet written
  int64_t tableFirst_ = 0;
};

// Cuts `rect` (picture pixels, taken as given) out of `image` into a new picture of 500 x 500
// tiles through `builder`; the caller takes it from the builder's GetResult. False, with no
// builder call, when there is no image or no builder. Memory stays within a fixed budget however
// wide the region: wide regions are cut in strips of columns, which add their tiles strip by strip.
bool BuildHtmlImage(THtmlImageBuilder* builder, THtmlImage* image, const RECT& rect);

}  // namespace vt

#include "page/uHtmlImageBuilder.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"
#include "base/Strings.h"
#include "capture/uWebUtils.h"

namespace vt {

TBmpHtmlImageBuilder::~TBmpHtmlImageBuilder() { Finish(); }

void TBmpHtmlImageBuilder::Finish() {
  stream_.reset();
  tempFile_.reset();
  taken_.reset();
}

void TBmpHtmlImageBuilder::WriteHeader() {
  stream_->SetPosition(0);
  stream_->Write(&header_, sizeof(header_));
}

void TBmpHtmlImageBuilder::BeginImage(int32_t width, int32_t height) {
  Finish();
  header_ = TTileFileHeader{};
  std::memcpy(header_.Signature, kTileFileSignature, sizeof(header_.Signature));
  header_.Version = kTileFileVersion;
  header_.Version2 = kTileFileVersion2;
  header_.Width = width;
  header_.Height = height;
  count_ = 0;
  fileName_ = GetTempFile("", "");
  if (fileName_.empty()) throw Error("Cannot create a temporary file in \"" + GetTempFolder() + "\"");
  tempFile_ = std::make_shared<TTempTileFile>(fileName_);
  stream_ = std::make_unique<TFileStream>(fileName_, TFileStream::fmCreate);
  WriteHeader();
  tablePos_ = stream_->Position();
  dataPos_ = tablePos_;
}

void TBmpHtmlImageBuilder::SetTileSize(int32_t tileWidth, int32_t tileHeight) {
  if (!stream_) return;
  header_.TileWidth = tileWidth;
  header_.TileHeight = tileHeight;
  WriteHeader();
}

void TBmpHtmlImageBuilder::SetTileCount(int32_t cols, int32_t rows, int32_t) {
  if (!stream_) return;
  // The header holds 16-bit counts and the table 32-bit offsets: refuse what would not fit.
  const int64_t count = static_cast<int64_t>(cols) * rows;
  if (cols < 0 || rows < 0 || cols > 0xFFFF || rows > 0xFFFF || tablePos_ + 4 * count > kMaxTileFileOffset)
    throw Error(Format("A picture of %d x %d tiles does not fit in a tile file", cols, rows));
  header_.Cols = static_cast<uint16_t>(cols);
  header_.Rows = static_cast<uint16_t>(rows);
  count_ = count;
  WriteHeader();
  dataPos_ = tablePos_ + 4 * count_;
  if (count_ == 0) stream_.reset();  // no tile will come: the file is complete
}

void TBmpHtmlImageBuilder::AddTile(int32_t, int32_t, int32_t index, const RECT&, const TBitmap& bitmap) {
  if (!stream_ || index < 0) return;
  if (index < count_) {
    if (dataPos_ > kMaxTileFileOffset) throw Error("The picture is too large for a tile file");
    const uint32_t offset = static_cast<uint32_t>(dataPos_);
    stream_->SetPosition(tablePos_ + 4LL * index);
    stream_->Write(&offset, sizeof(offset));
    stream_->SetPosition(dataPos_);
    bitmap.SaveToStream(*stream_);
    dataPos_ = stream_->Position();
  }
  if (index >= count_ - 1) stream_.reset();  // the file is complete and closed
}

std::unique_ptr<THtmlImage> TBmpHtmlImageBuilder::GetResult() {
  TTempTileFileRef file = tempFile_ ? tempFile_ : taken_.lock();
  if (!file || ::GetFileAttributesA(fileName_.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
  auto image = std::make_unique<TBmpHtmlImage>();
  image->OpenTileFile(fileName_);
  image->tempFile_ = file;
  if (!stream_) {  // finished: from now on the images alone keep it
    taken_ = file;
    tempFile_.reset();
  }
  return image;
}

bool BuildHtmlImage(THtmlImageBuilder* builder, THtmlImage* image, const RECT& rect) {
  constexpr int32_t kTile = 500;
  if (!builder || !image) return false;
  const int32_t width = std::max<int32_t>(0, rect.right - rect.left);
  const int32_t height = std::max<int32_t>(0, rect.bottom - rect.top);
  TBitmap work;
  builder->BeginImage(width, height);
  builder->SetTileSize(kTile, kTile);
  const int32_t cols = width / kTile + (width % kTile ? 1 : 0);
  const int32_t rows = height / kTile + (height % kTile ? 1 : 0);
  builder->SetTileCount(cols, rows, cols * rows);
  int32_t index = 0;
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t c = 0; c < cols; ++c) {
      const RECT part{rect.left + kTile * c, rect.top + kTile * r, std::min(rect.left + kTile * (c + 1), rect.right),
                      std::min(rect.top + kTile * (r + 1), rect.bottom)};
      const int32_t w = part.right - part.left, h = part.bottom - part.top;
      work.SetSize(w, h);
      work.Fill(RGB(255, 255, 255));  // what the picture does not cover stays white
      image->DrawRect(work.Canvas(), RECT{0, 0, w, h}, part);  // a failed copy leaves the tile as drawn
      const RECT place{part.left - rect.left, part.top - rect.top, part.right - rect.left, part.bottom - rect.top};
      builder->AddTile(c, r, index++, place, work);
    }
  }
  return true;
}

}  // namespace vt

#include "page/uHtmlImageBuilder.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "base/Boundary.h"
#include "base/Errors.h"
#include "base/Strings.h"
#include "base/TempFiles.h"
#include "page/uBandReader.h"

namespace vt {

namespace {

// Whether the table and `count` full tiles stay within the 4 GB that 32-bit offsets reach.
bool FitsInTileFile(int64_t count, int64_t tileWidth, int64_t tileHeight) {
  constexpr int64_t kLimit = kMaxTileFileOffset + 1;
  const int64_t room = kLimit - kTileTablePos - 4 * count;
  if (room < 0) return false;
  if (count == 0) return true;
  if (tileWidth * tileHeight > kLimit) return false;
  const int64_t tileBytes = kBmpHeadersSize + ((3 * tileWidth + 3) & ~3LL) * tileHeight;
  return tileBytes <= room / count;
}

constexpr int32_t kRetileSize = 500;
// Re-tiling holds a band of the source and two rows of tiles of one strip of columns. A strip is
// the whole width unless that would pass this budget: a page 100,000 pixels wide is cut in
// strips rather than needing some 450 MB in a 32-bit process.
constexpr int64_t kRetileBudget = 64LL << 20;
constexpr int32_t kStripCols = static_cast<int32_t>(kRetileBudget / (3 * 3LL * kRetileSize * kRetileSize));

// Fills the rows of tiles of a strip of a re-tiled picture from its source on a thread of its
// own, one row ahead of the caller, so that reading the source overlaps writing the tile file.
// Each row is filled row by row of pixels across the strip: the source is read from top to bottom
// and each of its tiles under the strip once. The tiles are filled in their BMP file form, so
// that the tile file's writer stores them without copying them again.
class TTileRowFiller {
public:
  TTileRowFiller(THtmlImage& image, const RECT& rect, int32_t cols, int32_t rows)
      : source_(image, rect, kRetileSize),
        width_(source_.Width()),
        height_(source_.Height()),
        rows_(rows),
        buffers_{std::vector<std::vector<uint8_t>>(cols), std::vector<std::vector<uint8_t>>(cols)},
        thread_([this] { Run(); }) {}
  ~TTileRowFiller() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  TTileRowFiller(const TTileRowFiller&) = delete;
  TTileRowFiller& operator=(const TTileRowFiller&) = delete;

  // The tiles of row `r` in BMP file form, rows taken in order; the caller is done with the row
  // before.
  const std::vector<std::vector<uint8_t>>& Take(int32_t r) {
    std::unique_lock<std::mutex> guard(lock_);
    taken_ = r;
    changed_.notify_all();
    changed_.wait(guard, [&] { return filled_ > r || failure_; });
    RaiseKept(failure_);
    return buffers_[r % 2];
  }

private:
  void Run() {
    for (int32_t r = 0; r < rows_; ++r) {
      {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return stop_ || r <= taken_ + 1; });  // its buffer is free again
        if (stop_) return;
      }
      // The thread cannot pass an exception on: Take raises it on the caller's thread.
      std::exception_ptr failure;
      if (!CallbackBoundary(failure, false, [&] {
            Fill(r, buffers_[r % 2]);
            return true;
          })) {
        std::lock_guard<std::mutex> guard(lock_);
        failure_ = failure;
        changed_.notify_all();
        return;
      }
      {
        std::lock_guard<std::mutex> guard(lock_);
        filled_ = r + 1;
      }
      changed_.notify_all();
    }
  }

  void Fill(int32_t r, std::vector<std::vector<uint8_t>>& tiles) {
    const int32_t top = kRetileSize * r, h = std::min(kRetileSize, height_ - top);
    for (size_t c = 0; c < tiles.size(); ++c) {
      const int32_t w = std::min<int32_t>(kRetileSize, width_ - kRetileSize * static_cast<int32_t>(c));
      tiles[c].resize(TBitmap::kFormHeaderBytes + static_cast<size_t>(TBitmap::StrideFor(w)) * h);
      TBitmap::PutFormHeaders(tiles[c].data(), w, h);
    }
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* row = source_.Row(top + y);
      for (size_t c = 0; c < tiles.size(); ++c) {
        // Rows bottom-up, each padded with zeros to its stride.
        const size_t stride = (tiles[c].size() - TBitmap::kFormHeaderBytes) / h;
        const size_t bytes = std::min<size_t>(3 * kRetileSize, 3 * (width_ - kRetileSize * c));
        uint8_t* to = tiles[c].data() + TBitmap::kFormHeaderBytes + stride * (h - 1 - y);
        std::memcpy(to, row + 3 * kRetileSize * c, bytes);
        std::memset(to + bytes, 0, stride - bytes);
      }
    }
  }

  TBandReader source_;
  const int32_t width_, height_, rows_;
  std::vector<std::vector<uint8_t>> buffers_[2];
  std::mutex lock_;
  std::condition_variable changed_;
  int32_t taken_ = -1, filled_ = 0;
  bool stop_ = false;
  std::exception_ptr failure_;
  std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace

void THtmlImageBuilder::AddTileForm(int32_t col, int32_t row, int32_t index, const RECT& rect, const uint8_t* form,
                                    size_t bytes) {
  TMemoryStream stream(std::vector<uint8_t>(form, form + bytes));
  TBitmap tile;
  tile.LoadFromStream(stream);
  AddTile(col, row, index, rect, tile);
}

TBmpHtmlImageBuilder::~TBmpHtmlImageBuilder() { Finish(); }

void TBmpHtmlImageBuilder::Finish() {
  table_.clear();
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
  std::optional<std::string> fileName = GetTempFile("", "");
  auto held = fileName ? std::make_shared<TTempTileFile>(*fileName) : nullptr;
  if (!held || !*held) throw Error("Cannot create a temporary file in \"" + GetTempFolder() + "\"");
  tempFile_ = std::move(held);
  fileName_ = std::move(*fileName);
  stream_ = std::make_unique<TFileStream>(fileName_, TFileStream::fmCreate);
  dataPos_ = kTileTablePos;
}

void TBmpHtmlImageBuilder::SetTileSize(int32_t tileWidth, int32_t tileHeight) {
  if (!stream_) return;
  header_.TileWidth = tileWidth;
  header_.TileHeight = tileHeight;
}

void TBmpHtmlImageBuilder::Refuse(const std::string& reason) {
  Finish();  // nothing of a refused picture stays in the temporary folder
  throw Error(reason);
}

void TBmpHtmlImageBuilder::SetTileCount(int32_t cols, int32_t rows, int32_t) {
  if (!stream_) return;
  // The header holds 16-bit counts and the table 32-bit offsets. The file's size is known before
  // a byte is written, as if every tile were full size (as a capture writes them): a picture
  // that cannot fit is refused now rather than after gigabytes.
  if (cols < 0 || rows < 0 || cols > 0xFFFF || rows > 0xFFFF)
    Refuse(Format("A picture of %d x %d tiles does not fit in a tile file", cols, rows));
  const int64_t count = static_cast<int64_t>(cols) * rows;
  if (count > 0 && (header_.TileWidth <= 0 || header_.TileHeight <= 0))
    Refuse(Format("Tiles of %d x %d pixels cannot be stored", header_.TileWidth, header_.TileHeight));
  if (!FitsInTileFile(count, header_.TileWidth, header_.TileHeight))
    Refuse(Format("The picture of %d x %d pixels is too large for a tile file", header_.Width, header_.Height));
  header_.Cols = static_cast<uint16_t>(cols);
  header_.Rows = static_cast<uint16_t>(rows);
  count_ = count;
  dataPos_ = kTileTablePos + 4 * count_;
  try {
    WriteHeader();
    stream_->SetPosition(dataPos_);
  } catch (const Error& e) {
    Refuse(e.what());
  }
  if (count_ == 0) stream_.reset();  // no tile will come: the file is complete
}

void TBmpHtmlImageBuilder::WriteTable() {
  if (table_.empty()) return;
  stream_->SetPosition(kTileTablePos + 4 * tableFirst_);
  stream_->Write(table_.data(), table_.size() * sizeof(table_[0]));
  stream_->SetPosition(dataPos_);
  table_.clear();
}

void TBmpHtmlImageBuilder::AddTile(int32_t, int32_t, int32_t index, const RECT&, const TBitmap& bitmap) {
  Store(index, [&] { bitmap.SaveToStream(*stream_); });
}

void TBmpHtmlImageBuilder::AddTileForm(int32_t, int32_t, int32_t index, const RECT&, const uint8_t* form,
                                       size_t bytes) {
  Store(index, [&] { stream_->Write(form, bytes); });
}

void TBmpHtmlImageBuilder::Store(int32_t index, const std::function<void()>& write) {
  if (!stream_ || index < 0) return;
  try {
    if (index < count_) {
      // Only a tile larger than its place can get here.
      if (dataPos_ > kMaxTileFileOffset) Refuse("The picture is too large for a tile file");
      // Offsets of tiles that come in order wait and go to the table together, so that the tiles
      // themselves are written one after the other without a seek.
      if (!table_.empty() && (index != tableFirst_ + static_cast<int64_t>(table_.size()) || table_.size() >= kTableRun))
        WriteTable();
      if (table_.empty()) tableFirst_ = index;
      table_.push_back(static_cast<uint32_t>(dataPos_));
      write();
      dataPos_ = stream_->Position();
    }
    if (index >= count_ - 1) {  // the file is complete and closed
      WriteTable();
      stream_.reset();
    }
  } catch (const Error& e) {
    Refuse(e.what());  // a disk that is full leaves no half-written file behind
  }
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
  if (!builder || !image) return false;
  const int32_t width = std::max<int32_t>(0, rect.right - rect.left);
  const int32_t height = std::max<int32_t>(0, rect.bottom - rect.top);
  builder->BeginImage(width, height);
  builder->SetTileSize(kRetileSize, kRetileSize);
  const int32_t cols = width / kRetileSize + (width % kRetileSize ? 1 : 0);
  const int32_t rows = height / kRetileSize + (height % kRetileSize ? 1 : 0);
  builder->SetTileCount(cols, rows, cols * rows);
  if (cols == 0 || rows == 0) return true;
  // Strip by strip, each from top to bottom: the tile with the last index still comes last.
  for (int32_t first = 0; first < cols; first += kStripCols) {
    const int32_t stripCols = std::min(kStripCols, cols - first);
    const int64_t left = static_cast<int64_t>(rect.left) + static_cast<int64_t>(kRetileSize) * first;
    const RECT strip{static_cast<LONG>(left), rect.top,
                     static_cast<LONG>(std::min<int64_t>(left + static_cast<int64_t>(kRetileSize) * stripCols,
                                                         static_cast<int64_t>(rect.left) + width)),
                     static_cast<LONG>(static_cast<int64_t>(rect.top) + height)};
    TTileRowFiller filler(*image, strip, stripCols, rows);
    for (int32_t r = 0; r < rows; ++r) {
      const std::vector<std::vector<uint8_t>>& tiles = filler.Take(r);
      for (int32_t c = first; c < first + stripCols; ++c) {
        const std::vector<uint8_t>& tile = tiles[c - first];
        const RECT place{kRetileSize * c, kRetileSize * r, std::min(kRetileSize * (c + 1), width),
                         std::min(kRetileSize * (r + 1), height)};
        builder->AddTileForm(c, r, r * cols + c, place, tile.data(), tile.size());
      }
    }
  }
  return true;
}

}  // namespace vt

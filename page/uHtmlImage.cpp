#include "page/uHtmlImage.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>
#include <optional>

#include "base/Errors.h"
#include "base/Handles.h"
#include "page/uBandReader.h"

namespace vt {
namespace {

// Round to the nearest integer, halves to the even neighbour (the default rounding mode).
int32_t RoundEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{};
  ::IntersectRect(&r, &a, &b);  // empty gives (0, 0, 0, 0)
  return r;
}

}  // namespace

void THtmlImage::Draw(HDC canvas, const RECT& rect) {
  RECT clip{};
  if (::GetClipBox(canvas, &clip) == ERROR) return;
  const RECT shown = Intersect(clip, rect);
  const double scale = scale_ > 0 ? scale_ : 1.0;
  // The picture's whole columns and rows under the clip, drawn where they lie at the scale: each
  // edge, the picture's last row and column among them, lands where it would in a whole view,
  // however the clip cuts the view.
  auto first = [&](LONG at, LONG origin) { return static_cast<LONG>(std::floor((at - origin) / scale)); };
  auto past = [&](LONG at, LONG origin, int32_t size) {
    return static_cast<LONG>(std::min<double>(size, std::ceil((at - origin) / scale)));
  };
  const RECT src{first(shown.left, rect.left), first(shown.top, rect.top),
                 past(shown.right, rect.left, GetImageWidth()), past(shown.bottom, rect.top, GetImageHeight())};
  if (src.left >= src.right || src.top >= src.bottom) return;
  const RECT dst{rect.left + RoundEven(src.left * scale), rect.top + RoundEven(src.top * scale),
                 rect.left + RoundEven(src.right * scale), rect.top + RoundEven(src.bottom * scale)};
  DrawRect(canvas, dst, src);
}

TBmpHtmlImage::~TBmpHtmlImage() { Close(); }

void TBmpHtmlImage::Close() {
  stream_.reset();
  tempFile_.reset();  // the last holder deletes a temporary file, once no stream is open on it
  rowCache_ = TTileRowCache(kRowCacheBudget);
  loads_ = std::make_shared<std::atomic<int64_t>>(0);
  tile_.reset();
  width_ = height_ = tileWidth_ = tileHeight_ = tileCount_ = 0;
  cols_ = rows_ = 0;
  fileBytes_ = 0;
}

namespace {

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

// The smallest tile a file can store: a BMP of one pixel, its row padded to four bytes.
constexpr int64_t kSmallestTileBytes = kBmpHeadersSize + 4;

// The file is untrusted: its tiles must cover the picture exactly, and the file must hold the
// table and the smallest tile for each entry, so that no tile count read from it costs more than
// the file itself. A tile may hold less than its place (a capture whose view failed to draw stores
// the tile before it again): what it lacks reads white, as does a tile whose offset lies outside
// the file.
bool HeaderFits(const TTileFileHeader& h, int64_t fileSize) {
  if (h.Width < 0 || h.Height < 0) return false;
  const int64_t count = static_cast<int64_t>(h.Cols) * h.Rows;
  if (h.Width == 0 || h.Height == 0) return count == 0;
  if (h.TileWidth <= 0 || h.TileHeight <= 0 ||
      static_cast<int64_t>(h.TileWidth) * h.TileHeight > TBitmap::kMaxLoadPixels)
    return false;
  if (h.Cols != CeilDiv(h.Width, h.TileWidth) || h.Rows != CeilDiv(h.Height, h.TileHeight)) return false;
  return kTileTablePos + count * (4 + kSmallestTileBytes) <= fileSize;
}

}  // namespace

uint8_t TBmpHtmlImage::OpenTileFile(const std::string& fileName) {
  // Sizes never outlive the file they came from: a failed open leaves 0 x 0.
  Close();
  fileName_ = fileName;
  std::unique_ptr<TFileStream> stream;
  try {
    stream = std::make_unique<TFileStream>(fileName, TFileStream::fmOpenRead);
  } catch (const Error&) {
    return otCannotOpen;
  }
  TTileFileHeader header{};
  const size_t got = stream->Read(&header, sizeof(header));
  if (got < sizeof(header.Signature) || std::memcmp(header.Signature, kTileFileSignature, 5) != 0)
    return otBadSignature;
  if (got < offsetof(TTileFileHeader, Reserved) || header.Version != kTileFileVersion ||
      header.Version2 != kTileFileVersion2)
    return otBadVersion;
  if (got != sizeof(header) || !HeaderFits(header, stream->Size())) return otDamaged;
  width_ = header.Width;
  height_ = header.Height;
  tileWidth_ = header.TileWidth;
  tileHeight_ = header.TileHeight;
  cols_ = header.Cols;
  rows_ = header.Rows;
  tileCount_ = cols_ * rows_;
  fileBytes_ = stream->Size();
  stream_ = std::move(stream);
  return otOpened;
}

std::unique_ptr<TTilePixels> TBmpHtmlImage::LoadTile(int32_t index, std::unique_ptr<TTilePixels> buffer) {
  try {
    uint32_t offset = 0;
    stream_->SetPosition(kTileTablePos + 4LL * index);
    stream_->ReadExact(&offset, sizeof(offset));
    // A tile never written has offset 0; no tile lies in the header or the table.
    if (offset < kTileTablePos + 4LL * tileCount_) return nullptr;
    stream_->SetPosition(offset);
    const TBmpLayout layout = ReadBmpLayout(*stream_, static_cast<int64_t>(tileWidth_) * tileHeight_);
    stream_->SetPosition(layout.pixelPos);
    buffer->bytes.resize(static_cast<size_t>(layout.PixelBytes()));
    stream_->ReadExact(buffer->bytes.data(), buffer->bytes.size());
    buffer->width = layout.width;
    buffer->height = layout.height;
    buffer->stride = layout.stride;
    buffer->topDown = layout.topDown;
    return buffer;
  } catch (const Error&) {  // a damaged or cut file
    return nullptr;
  }
}

const TTilePixels* TBmpHtmlImage::Pixels(int64_t col, int64_t row) {
  if (!stream_ || col < 0 || row < 0 || col >= cols_ || row >= rows_) return nullptr;
  const int32_t first = static_cast<int32_t>(row * cols_);
  return rowCache_.Get(static_cast<int32_t>(col), static_cast<int32_t>(row),
                       [&](int32_t c, std::unique_ptr<TTilePixels> buffer) {
                         ++*loads_;
                         return LoadTile(first + c, std::move(buffer));
                       });
}

const TBitmap* TBmpHtmlImage::GetTile(int32_t index) {
  if (index < 0 || index >= tileCount_) return nullptr;
  const TTilePixels* pixels = Pixels(index % cols_, index / cols_);
  if (!pixels) return nullptr;
  try {
    if (!tile_) tile_ = std::make_unique<TBitmap>();
    tile_->SetSize(pixels->width, pixels->height);
    ::GdiFlush();
    for (int y = 0; y < pixels->height; ++y) std::memcpy(tile_->ScanLine(y), pixels->Row(y), pixels->width * 3);
  } catch (const Error&) {  // no bitmap of that size now
    return nullptr;
  }
  return tile_.get();
}

void TBmpHtmlImage::Assign(const THtmlImage& source) {
  auto* other = dynamic_cast<const TBmpHtmlImage*>(&source);
  if (!other || other == this) return;
  TTempTileFileRef shared = other->tempFile_;
  OpenTileFile(other->fileName_);
  tempFile_ = std::move(shared);
}

uint32_t TBmpHtmlImage::DrawRect(HDC dc, const RECT& dst, const RECT& src) {
  const int64_t srcWidth = static_cast<int64_t>(src.right) - src.left;
  const int64_t srcHeight = static_cast<int64_t>(src.bottom) - src.top;
  if (srcWidth <= 0 || srcHeight <= 0 || tileCount_ == 0) return 0;
  const float sx = static_cast<float>(static_cast<double>(dst.right - dst.left) / srcWidth);
  const float sy = static_cast<float>(static_cast<double>(dst.bottom - dst.top) / srcHeight);
  // Only tiles of the picture: a range past its edge would wrap into the next row of tiles.
  const int64_t c0 = std::max<int64_t>(src.left / tileWidth_, 0);
  const int64_t c1 = std::min<int64_t>(src.right / tileWidth_, cols_ - 1);
  const int64_t r0 = std::max<int64_t>(src.top / tileHeight_, 0);
  const int64_t r1 = std::min<int64_t>(src.bottom / tileHeight_, rows_ - 1);
  if (::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY) {
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
  }
  const std::optional<TPixelTarget> pixels = TPixelTarget::Of(dc);
  for (int64_t r = r0; r <= r1; ++r) {
    for (int64_t c = c0; c <= c1; ++c) {
      const int64_t tileLeft = c * tileWidth_, tileTop = r * tileHeight_;
      int64_t left = std::max<int64_t>(tileLeft, src.left), top = std::max<int64_t>(tileTop, src.top);
      int64_t right = std::min<int64_t>(tileLeft + tileWidth_, src.right);
      int64_t bottom = std::min<int64_t>(tileTop + tileHeight_, src.bottom);
      if (left >= right || top >= bottom) continue;  // touches the tile only at its edge
      const TTilePixels* tile = Pixels(c, r);
      if (!tile) continue;
      // A tile smaller than its place gives what it holds.
      right = std::min<int64_t>(right, tileLeft + tile->width);
      bottom = std::min<int64_t>(bottom, tileTop + tile->height);
      if (left >= right || top >= bottom) continue;
      // Every edge from its own source edge, so neighbouring tiles meet without gap or overlap.
      const int32_t dl = RoundEven(static_cast<double>(left - src.left) * sx) + dst.left;
      const int32_t dt = RoundEven(static_cast<double>(top - src.top) * sy) + dst.top;
      const int32_t dr = RoundEven(static_cast<double>(right - src.left) * sx) + dst.left;
      const int32_t db = RoundEven(static_cast<double>(bottom - src.top) * sy) + dst.top;
      if (dl == dr || dt == db) continue;  // too small to show at this scale
      const int rows = static_cast<int>(bottom - top);
      if (pixels && scaler_.Scale(tile->Row(static_cast<int>(top - tileTop)), tile->width,
                                  tile->topDown ? tile->stride : -tile->stride, static_cast<int>(left - tileLeft),
                                  static_cast<int>(right - left), rows, *pixels, RECT{dl, dt, dr, db}))
        continue;
      // For the stretch copy, the rows wanted, handed over as a picture of their own: no source
      // origin to get wrong between top-down and bottom-up storage.
      const int firstStored = tile->topDown ? static_cast<int>(top - tileTop)
                                            : tile->height - static_cast<int>(bottom - tileTop);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(info.bmiHeader);
      info.bmiHeader.biWidth = tile->width;
      info.bmiHeader.biHeight = tile->topDown ? -rows : rows;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 24;
      info.bmiHeader.biCompression = BI_RGB;
      ::SetLastError(0);
      const int copied = ::StretchDIBits(dc, dl, dt, dr - dl, db - dt, static_cast<int>(left - tileLeft), 0,
                                         static_cast<int>(right - left), rows,
                                         tile->bytes.data() + static_cast<size_t>(firstStored) * tile->stride,
                                         &info, DIB_RGB_COLORS, SRCCOPY);
      if (copied == 0 || copied == static_cast<int>(GDI_ERROR)) {  // nothing copied may be nothing visible
        if (DWORD code = ::GetLastError()) return code;
      }
    }
  }
  return 0;
}

std::unique_ptr<THtmlImage> TBmpHtmlImage::OpenReader() const {
  auto reader = std::make_unique<TBmpHtmlImage>();
  reader->Assign(*this);
  if (reader->GetImageWidth() != width_ || reader->GetImageHeight() != height_) return nullptr;
  reader->loads_ = loads_;
  return reader;
}

void THtmlImage::CopyRect(TBitmap& dst, int x, int y, const RECT& src) {
  RECT to{x, y, x + (src.right - src.left), y + (src.bottom - src.top)};
  DrawRect(dst.Canvas(), to, src);
}

void TBmpHtmlImage::CopyRect(TBitmap& dst, int x, int y, const RECT& src) {
  // The part of `src` that exists in the picture and has room in `dst`.
  const int64_t left = std::max<int64_t>({src.left, 0, static_cast<int64_t>(src.left) - x});
  const int64_t top = std::max<int64_t>({src.top, 0, static_cast<int64_t>(src.top) - y});
  const int64_t right = std::min<int64_t>({src.right, width_, static_cast<int64_t>(src.left) - x + dst.Width()});
  const int64_t bottom = std::min<int64_t>({src.bottom, height_, static_cast<int64_t>(src.top) - y + dst.Height()});
  if (left >= right || top >= bottom || tileCount_ == 0) return;
  ::GdiFlush();
  // Row by row of tiles, so that a walk down the picture finds each row in the cache once.
  const int64_t c1 = std::min<int64_t>((right - 1) / tileWidth_, cols_ - 1);
  const int64_t r1 = std::min<int64_t>((bottom - 1) / tileHeight_, rows_ - 1);
  for (int64_t r = top / tileHeight_; r <= r1; ++r) {
    for (int64_t c = left / tileWidth_; c <= c1; ++c) {
      const int64_t tileLeft = c * tileWidth_, tileTop = r * tileHeight_;
      const int64_t l = std::max(left, tileLeft), t = std::max(top, tileTop);
      const int64_t rr = std::min(right, tileLeft + tileWidth_), b = std::min(bottom, tileTop + tileHeight_);
      if (l >= rr || t >= b) continue;
      // What the tile holds of its place; a missing or short tile leaves the rest white.
      const TTilePixels* tile = Pixels(c, r);
      const int64_t heldRight = tile ? std::min(rr, tileLeft + tile->width) : l;
      const int64_t heldBottom = tile ? std::min(b, tileTop + tile->height) : t;
      for (int64_t row = t; row < b; ++row) {
        uint8_t* to = dst.ScanLine(static_cast<int>(row - src.top + y)) + (l - src.left + x) * 3;
        const int64_t held = row < heldBottom ? std::max<int64_t>(heldRight - l, 0) : 0;
        if (held > 0) std::memcpy(to, tile->Row(static_cast<int>(row - tileTop)) + (l - tileLeft) * 3, held * 3);
        if (held < rr - l) std::memset(to + held * 3, 0xFF, static_cast<size_t>(rr - l - held) * 3);
      }
    }
  }
}

const uint8_t* TBmpHtmlImage::RowPixels(int32_t left, int32_t right, int32_t y) {
  if (left < 0 || left >= right || right > width_ || y < 0 || y >= height_) return nullptr;
  const int64_t c = left / tileWidth_, r = y / tileHeight_;
  if ((right - 1) / tileWidth_ != c) return nullptr;
  const TTilePixels* tile = Pixels(c, r);
  const int64_t tileLeft = c * tileWidth_, tileTop = r * tileHeight_;
  if (!tile || right > tileLeft + tile->width || y >= tileTop + tile->height) return nullptr;
  return tile->Row(static_cast<int>(y - tileTop)) + (left - tileLeft) * 3;
}

void TBmpHtmlImage::SaveToClipboardFormat() {
  const int32_t width = GetImageWidth(), height = GetImageHeight();
  if (GetEmpty()) return;
  // A packed DIB built strip by strip: the picture is never held twice.
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const int64_t stride = TBitmap::StrideFor(width);
  const int64_t imageBytes = stride * height;
  if (imageBytes > 0x7FFFFFFF - static_cast<int64_t>(sizeof(info)))
    throw Error("The picture is too large for the clipboard");
  // The buffer's size comes from the header: only a file that stores every pixel it claims (as a
  // cut picture does) may ask for it.
  if (3LL * width * height > fileBytes_) throw Error("The picture's tile file is damaged");
  info.biSizeImage = static_cast<DWORD>(imageBytes);
  GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, sizeof(info) + static_cast<size_t>(imageBytes)));
  if (!memory) throw Error("Not enough memory to copy the picture to the clipboard");
  {
    const GlobalLockScope locked(memory.get());
    auto* bytes = locked.As<uint8_t>();
    std::memcpy(bytes, &info, sizeof(info));
    uint8_t* pixels = bytes + sizeof(info);
    TBandReader rows(*this, GetImageRect(), static_cast<int>(std::max<int64_t>(1, (4 << 20) / stride)));
    for (int32_t y = 0; y < height; ++y)
      std::memcpy(pixels + static_cast<size_t>(height - 1 - y) * stride, rows.Row(y), static_cast<size_t>(width) * 3);
  }
  bool placed = false;
  {
    const ClipboardScope clipboard(nullptr, 10);
    if (!clipboard) throw Error("The clipboard cannot be opened");
    ::EmptyClipboard();
    placed = ::SetClipboardData(CF_DIB, memory.get()) != nullptr;
  }
  if (!placed) throw Error("The picture cannot be put on the clipboard");
  memory.release();  // the clipboard owns it now
}

}  // namespace vt

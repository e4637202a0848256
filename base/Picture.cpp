#include "base/Picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include "base/Errors.h"
#include "base/Handles.h"
#include "base/JpegErrors.h"
#include "base/LibraryHandles.h"
#include "base/Strings.h"

namespace vt {
namespace {

// Stops the decoder once it reaches a scan past kMaxJpegScans: each scan is a pass over the whole
// picture, and nothing else bounds their number.
struct TScanLimit {
  jpeg_progress_mgr base{};  // first: the library hands its address back
  volatile bool passed = false;

  static void Check(j_common_ptr info) {
    if (!info->is_decompressor || reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= kMaxJpegScans) return;
    reinterpret_cast<TScanLimit*>(info->progress)->passed = true;
    std::longjmp(reinterpret_cast<TJpegErrors*>(info->err)->jump, 1);
  }
};

// Decodes into `out`, which must be a bitmap of its own: a failure leaves it half written. False
// for a picture of more scans than kMaxJpegScans.
bool DecodeJpeg(const std::vector<uint8_t>& bytes, TBitmap& out, int64_t maxPixels) {
  jpeg_decompress_struct info{};
  TJpegErrors errors{};
  errors.Attach(info);
  const JpegDecompressor decompressor(&info);
  TScanLimit scans;
  scans.base.progress_monitor = &TScanLimit::Check;
  // Set before the jump point: what the error path reads must not live in registers.
  const char* volatile tooLarge = nullptr;
  if (setjmp(errors.jump)) {
    if (scans.passed) return false;
    throw Error(tooLarge ? tooLarge : std::string("JPEG error: ") + errors.message);
  }
  jpeg_create_decompress(&info);
  info.progress = &scans.base;
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;  // the bitmap's own byte order
  if (static_cast<int64_t>(info.image_width) * info.image_height > maxPixels) {
    tooLarge = "JPEG image is too large";
    std::longjmp(errors.jump, 1);
  }
  jpeg_start_decompress(&info);
  out.SetSize(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  ::GdiFlush();
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.ScanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return true;
}

std::string ExtensionOf(const std::string& path) {
  const size_t dot = path.find_last_of(".\\/:");
  return dot == std::string::npos || path[dot] != '.' ? std::string() : ToLowerAscii(path.substr(dot));
}

enum class TPictureFormat { bmp, jpeg };

TPictureFormat FormatOf(const std::string& path) {
  const std::string ext = ExtensionOf(path);
  if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe" || ext == ".jfif") return TPictureFormat::jpeg;
  if (ext != ".bmp") throw Error("Unknown picture file extension (" + ext + ")");
  return TPictureFormat::bmp;
}

// The frame size of a JPEG file, read through the library from the file as far as its headers go.
TPictureSize ReadJpegSize(const std::string& path) {
  const StdFile file(std::fopen(path.c_str(), "rb"));
  if (!file) throw Error("Cannot open " + path);
  jpeg_decompress_struct info{};
  TJpegErrors errors{};
  errors.Attach(info);
  const JpegDecompressor decompressor(&info);
  if (setjmp(errors.jump)) throw Error(std::string("JPEG error: ") + errors.message);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  jpeg_read_header(&info, TRUE);
  return TPictureSize{static_cast<int32_t>(info.image_width), static_cast<int32_t>(info.image_height)};
}

uint32_t LittleEndian32(const uint8_t* b) { return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24; }
uint32_t BigEndian32(const uint8_t* b) { return static_cast<uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3]; }
uint16_t LittleEndian16(const uint8_t* b) { return static_cast<uint16_t>(b[0] | b[1] << 8); }

// The size in the header of an icon's picture at `offset`: a PNG's IHDR, or a DIB's info header,
// whose height counts the mask below the colours.
std::optional<TPictureSize> ReadIconPictureSize(TStream& file, int64_t offset) {
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  uint8_t head[24] = {};
  file.SetPosition(offset);
  if (file.Read(head, sizeof head) != sizeof head) return std::nullopt;
  if (std::equal(std::begin(kPngSignature), std::end(kPngSignature), head)) {
    if (std::memcmp(head + 12, "IHDR", 4) != 0) return std::nullopt;
    const uint32_t w = BigEndian32(head + 16), h = BigEndian32(head + 20);
    if (w > INT32_MAX || h > INT32_MAX) return std::nullopt;
    return TPictureSize{static_cast<int32_t>(w), static_cast<int32_t>(h)};
  }
  const uint32_t headerSize = LittleEndian32(head);
  if (headerSize == sizeof(BITMAPCOREHEADER))
    return TPictureSize{LittleEndian16(head + 4), LittleEndian16(head + 6) / 2};
  if (headerSize < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  const int64_t w = static_cast<int32_t>(LittleEndian32(head + 4)), h = static_cast<int32_t>(LittleEndian32(head + 8));
  return TPictureSize{static_cast<int32_t>(std::min<int64_t>(std::abs(w), INT32_MAX)),
                      static_cast<int32_t>(std::min<int64_t>(std::abs(h) / 2, INT32_MAX))};
}

}  // namespace

std::optional<TPictureSize> ReadIconSize(const std::string& path) {
  TFileStream file(path, TFileStream::fmOpenRead);
  uint8_t dir[6];
  if (file.Read(dir, sizeof dir) != sizeof dir) return std::nullopt;
  const uint16_t reserved = LittleEndian16(dir), type = LittleEndian16(dir + 2), count = LittleEndian16(dir + 4);
  if (reserved != 0 || type != 1 || count == 0) return std::nullopt;
  TPictureSize largest;
  for (uint16_t i = 0; i < count; ++i) {
    uint8_t entry[16];
    file.SetPosition(6 + int64_t{i} * sizeof entry);
    if (file.Read(entry, sizeof entry) != sizeof entry) return std::nullopt;
    const std::optional<TPictureSize> size = ReadIconPictureSize(file, LittleEndian32(entry + 12));
    if (!size) return std::nullopt;
    largest.width = std::max(largest.width, size->width);
    largest.height = std::max(largest.height, size->height);
  }
  return largest;
}

bool LoadJpegFromStream(TStream& stream, TBitmap& bitmap, int64_t maxPixels) {
  const int64_t left = stream.Size() - stream.Position();
  if (left <= 0) throw Error("JPEG image is empty");
  std::vector<uint8_t> bytes(static_cast<size_t>(left));
  stream.ReadExact(bytes.data(), bytes.size());
  TBitmap decoded;
  if (!DecodeJpeg(bytes, decoded, maxPixels)) return false;
  bitmap.Assign(decoded);
  return true;
}

TPictureSize ReadPictureSize(const std::string& path) {
  if (FormatOf(path) == TPictureFormat::jpeg) return ReadJpegSize(path);
  TFileStream file(path, TFileStream::fmOpenRead);
  const TBmpLayout layout = ReadBmpLayout(file, std::numeric_limits<int64_t>::max());
  return TPictureSize{layout.width, layout.height};
}

bool LoadPictureFromFile(const std::string& path, TBitmap& bitmap) {
  const TPictureFormat format = FormatOf(path);
  TFileStream file(path, TFileStream::fmOpenRead);
  if (format == TPictureFormat::jpeg) return LoadJpegFromStream(file, bitmap);
  // A BMP that fails its checks leaves the bitmap alone; read into one of our own all the same,
  // so that a file cut short after its headers does too.
  TBitmap decoded;
  decoded.LoadFromStream(file);
  bitmap.Assign(decoded);
  return true;
}

}  // namespace vt

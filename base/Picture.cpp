#include "base/Picture.h"

#include <cstdio>
#include <limits>
#include <vector>

#include "base/Errors.h"
#include "base/Handles.h"
#include "base/JpegErrors.h"
#include "base/LibraryHandles.h"
#include "base/Strings.h"

namespace vt {
namespace {

// Decodes into `out`, which must be a bitmap of its own: a failure leaves it half written.
void DecodeJpeg(const std::vector<uint8_t>& bytes, TBitmap& out, int64_t maxPixels) {
  jpeg_decompress_struct info{};
  TJpegErrors errors{};
  errors.Attach(info);
  const JpegDecompressor decompressor(&info);
  // Set before the jump point: what the error path reads must not live in registers.
  const char* volatile tooLarge = nullptr;
  if (setjmp(errors.jump)) throw Error(tooLarge ? tooLarge : std::string("JPEG error: ") + errors.message);
  jpeg_create_decompress(&info);
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

}  // namespace

void LoadJpegFromStream(TStream& stream, TBitmap& bitmap, int64_t maxPixels) {
  const int64_t left = stream.Size() - stream.Position();
  if (left <= 0) throw Error("JPEG image is empty");
  std::vector<uint8_t> bytes(static_cast<size_t>(left));
  stream.ReadExact(bytes.data(), bytes.size());
  TBitmap decoded;
  DecodeJpeg(bytes, decoded, maxPixels);
  bitmap.Assign(decoded);
}

TPictureSize ReadPictureSize(const std::string& path) {
  if (FormatOf(path) == TPictureFormat::jpeg) return ReadJpegSize(path);
  TFileStream file(path, TFileStream::fmOpenRead);
  const TBmpLayout layout = ReadBmpLayout(file, std::numeric_limits<int64_t>::max());
  return TPictureSize{layout.width, layout.height};
}

void LoadPictureFromFile(const std::string& path, TBitmap& bitmap) {
  const TPictureFormat format = FormatOf(path);
  TFileStream file(path, TFileStream::fmOpenRead);
  if (format == TPictureFormat::jpeg) {
    LoadJpegFromStream(file, bitmap);
    return;
  }
  // A BMP that fails its checks leaves the bitmap alone; read into one of our own all the same,
  // so that a file cut short after its headers does too.
  TBitmap decoded;
  decoded.LoadFromStream(file);
  bitmap.Assign(decoded);
}

}  // namespace vt

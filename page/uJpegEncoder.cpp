#include "page/uJpegEncoder.h"

#include <cstdlib>

#include "base/Errors.h"
#include "base/JpegErrors.h"
#include "base/ReplaceFile.h"
#include "base/Stream.h"
#include "base/Strings.h"

namespace vt {

std::vector<uint8_t> TJpegEncoder::Encode(const TBitmap& bitmap) const {
  if (bitmap.Empty()) throw Error("Cannot encode an empty picture as JPEG");
  ::GdiFlush();
  return EncodeRows(bitmap.Width(), bitmap.Height(), [&](int y) { return bitmap.ScanLine(y); });
}

std::vector<uint8_t> TJpegEncoder::EncodeRows(int width, int height,
                                              const std::function<const uint8_t*(int y)>& row) const {
  if (width <= 0 || height <= 0) throw Error("Cannot encode an empty picture as JPEG");
  if (width > kMaxSide || height > kMaxSide)
    throw Error(Format("A picture of %d x %d pixels is too large for a JPEG image", width, height));
  jpeg_compress_struct info{};
  TJpegErrors errors{};
  errors.Attach(info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw Error(std::string("JPEG error: ") + errors.message);
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;  // the bitmap's own byte order
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality_, TRUE);
  jpeg_start_compress(&info, TRUE);
  try {
    while (info.next_scanline < info.image_height) {
      JSAMPROW samples = const_cast<JSAMPROW>(row(static_cast<int>(info.next_scanline)));
      jpeg_write_scanlines(&info, &samples, 1);
    }
  } catch (...) {  // the caller's rows failed: nothing of the stream is kept
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw;
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

void TJpegEncoder::SaveToFile(const TBitmap& bitmap, const std::string& path) const {
  std::vector<uint8_t> bytes = Encode(bitmap);
  TReplaceFile target(path);
  {
    TFileStream file(target.TempPath(), TFileStream::fmCreate);
    file.Write(bytes.data(), bytes.size());
  }
  target.Commit();
}

}  // namespace vt

#include "support/LargePictures.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "base/Bitmap.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/JpegErrors.h"
#include "base/LibraryHandles.h"
#include "page/uJpegEncoder.h"

namespace vt::test {

std::string JpegClaimingSize(int width, int height) {
  TBitmap picture(16, 16);
  picture.Fill(RGB(128, 128, 128));
  std::vector<uint8_t> jpeg = TJpegEncoder(90).Encode(picture);
  // The baseline frame header: FF C0, length, precision, then height and width, big-endian.
  for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] != 0xFF || jpeg[i + 1] != 0xC0) continue;
    jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
    jpeg[i + 6] = static_cast<uint8_t>(height);
    jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
    jpeg[i + 8] = static_cast<uint8_t>(width);
    return std::string(jpeg.begin(), jpeg.end());
  }
  throw Error("The encoder wrote no baseline frame header");
}

namespace {

// A progressive JPEG as the encoder writes it.
std::vector<uint8_t> EncodeProgressive(int width, int height) {
  jpeg_compress_struct info{};
  TJpegErrors errors{};
  errors.Attach(info);
  const JpegCompressor compressor(&info);
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.jump)) throw Error(std::string("JPEG error: ") + errors.message);
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &bytes, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3, 128);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(bytes, bytes + size);
  std::free(bytes);
  return out;
}

// Where the entropy-coded data that starts at `at` ends: at the next marker that is no stuffed
// byte and no restart marker.
size_t ScanDataEnd(const std::vector<uint8_t>& jpeg, size_t at) {
  for (; at + 1 < jpeg.size(); ++at)
    if (jpeg[at] == 0xFF && jpeg[at + 1] != 0 && (jpeg[at + 1] < 0xD0 || jpeg[at + 1] > 0xD7)) return at;
  throw Error("The encoder's scan has no end");
}

}  // namespace

std::string ProgressiveJpeg(int width, int height, int scans) {
  const std::vector<uint8_t> jpeg = EncodeProgressive(width, height);
  // Segments from SOI on, each FF, its code and (but for SOI and EOI) a big-endian length.
  size_t at = 2, lastScan = 0, lastScanEnd = 0;
  int found = 0;
  while (at + 4 <= jpeg.size() && jpeg[at + 1] != 0xD9) {
    const size_t length = static_cast<size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];
    if (jpeg[at + 1] != 0xDA) {
      at += 2 + length;
      continue;
    }
    ++found;
    lastScan = at;
    at = lastScanEnd = ScanDataEnd(jpeg, at + 2 + length);
  }
  if (found == 0 || found > scans) throw Error("The encoder wrote no scan, or more than asked for");
  std::string out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(lastScanEnd));
  const std::string again(jpeg.begin() + static_cast<std::ptrdiff_t>(lastScan),
                          jpeg.begin() + static_cast<std::ptrdiff_t>(lastScanEnd));
  for (int n = found; n < scans; ++n) out += again;
  return out + std::string(jpeg.begin() + static_cast<std::ptrdiff_t>(lastScanEnd), jpeg.end());
}

void WriteBlackBmp(const std::string& path, int width, int height) {
  uint8_t headers[TBitmap::kFormHeaderBytes];
  TBitmap::PutFormHeaders(headers, width, height);
  const FileHandle file(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(sizeof(headers)) + static_cast<LONGLONG>(TBitmap::StrideFor(width)) * height;
  if (!file || !::WriteFile(file.get(), headers, sizeof(headers), &written, nullptr) ||
      !::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file.get()))
    throw Error("Cannot write " + path);
}

}  // namespace vt::test

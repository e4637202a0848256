#include "support/LargePictures.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/Bitmap.h"
#include "base/Errors.h"
#include "base/Handles.h"
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

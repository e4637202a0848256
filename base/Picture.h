// Pictures from files and streams into bitmaps: BMP and JPEG, the format chosen by the file's
// extension as the class library's picture loader does.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "base/Bitmap.h"
#include "base/Stream.h"

namespace vt {

// Real progressive JPEG files have about ten scans, and each scan costs a pass over the whole
// picture: a file of more than six times that is not decoded.
constexpr int kMaxJpegScans = 64;

// Decodes a JPEG (JFIF) stream from the stream's position. False, `bitmap` as it was, for a picture
// of more than kMaxJpegScans scans. Throws vt::Error for anything that is no readable JPEG or is
// larger than `maxPixels`; `bitmap` then stays as it was too.
[[nodiscard]] bool LoadJpegFromStream(TStream& stream, TBitmap& bitmap, int64_t maxPixels = TBitmap::kMaxLoadPixels);

// A picture's size in pixels.
struct TPictureSize {
  int32_t width = 0, height = 0;
  int64_t Pixels() const { return int64_t{width} * height; }
};
// The size of the picture in a file that LoadPictureFromFile reads, from its header alone: nothing
// is decoded, and only the headers are read. Throws vt::Error where LoadPictureFromFile would for
// the file's extension or headers.
TPictureSize ReadPictureSize(const std::string& path);

// The largest width and the largest height among the pictures of an icon file, each read from the
// picture's own header (BMP or PNG) as the platform's icon loader reads it, whatever the file's
// directory says; nothing is decoded. None for a file that is no icon file; throws vt::Error when
// the file cannot be opened.
std::optional<TPictureSize> ReadIconSize(const std::string& path);

// Loads a picture file: ".bmp" as BMP, ".jpg", ".jpeg", ".jpe" and ".jfif" as JPEG (any letter case).
// False, `bitmap` as it was, for a JPEG that LoadJpegFromStream does not decode for its scans.
// Throws vt::Error for another extension, a file that cannot be read or one that does not decode;
// `bitmap` then stays as it was.
[[nodiscard]] bool LoadPictureFromFile(const std::string& path, TBitmap& bitmap);

}  // namespace vt

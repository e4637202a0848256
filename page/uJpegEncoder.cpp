#include "page/uJpegEncoder.h"

#include <algorithm>

#include "base/Boundary.h"
#include "base/Errors.h"
#include "base/JpegErrors.h"
#include "base/LibraryHandles.h"
#include "base/ReplaceFile.h"
#include "base/Stream.h"
#include "base/Strings.h"

namespace vt {
namespace {

// Compressed data straight into the vector that is returned: one buffer, sized for the usual
// stream at once and doubled when that is not enough, and no copy at the end.
struct VectorDestination {
  jpeg_destination_mgr base;
  std::vector<uint8_t>* out;
  size_t firstSize;
  std::exception_ptr failure;  // of a callback, raised again once libjpeg has been left
};

// Runs `body` inside a callback of libjpeg, whose C frames cannot pass an exception on: a failure
// (no memory for the buffer) is kept and libjpeg's error exit jumps back to EncodeRows.
template <class Body>
void InsideLibjpeg(j_compress_ptr info, Body&& body) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  if (!CallbackBoundary(dest->failure, false, [&] {
        body(*dest);
        return true;
      }))
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
}

void StartVector(j_compress_ptr info) {
  InsideLibjpeg(info, [](VectorDestination& dest) {
    dest.out->resize(dest.firstSize);
    dest.base.next_output_byte = dest.out->data();
    dest.base.free_in_buffer = dest.out->size();
  });
}

boolean GrowVector(j_compress_ptr info) {
  InsideLibjpeg(info, [](VectorDestination& dest) {
    const size_t used = dest.out->size();  // libjpeg asks only when the buffer is full
    dest.out->resize(used * 2);
    dest.base.next_output_byte = dest.out->data() + used;
    dest.base.free_in_buffer = dest.out->size() - used;
  });
  return TRUE;
}

void EndVector(j_compress_ptr info) {
  auto* dest = reinterpret_cast<VectorDestination*>(info->dest);
  dest->out->resize(dest->out->size() - dest->base.free_in_buffer);
}

}  // namespace

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
  const JpegCompressor compressor(&info);
  std::vector<uint8_t> out;
  // A quarter of the raw size holds a page at the usual qualities.
  const int64_t firstSize = std::min<int64_t>(static_cast<int64_t>(width) * height * 3 / 4 + 4096, 16 << 20);
  VectorDestination dest{{}, &out, static_cast<size_t>(firstSize), {}};
  dest.base.init_destination = StartVector;
  dest.base.empty_output_buffer = GrowVector;
  dest.base.term_destination = EndVector;
  if (setjmp(errors.jump)) {
    RaiseKept(dest.failure);
    throw Error(std::string("JPEG error: ") + errors.message);
  }
  jpeg_create_compress(&info);
  info.dest = &dest.base;
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;  // the bitmap's own byte order
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality_, TRUE);
  jpeg_start_compress(&info, TRUE);
  // A row that fails raises from here, between libjpeg's calls; the owner ends the compression.
  while (info.next_scanline < info.image_height) {
    JSAMPROW samples = const_cast<JSAMPROW>(row(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &samples, 1);
  }
  jpeg_finish_compress(&info);
  return out;
}

void TJpegEncoder::SaveToFile(const TBitmap& bitmap, const std::string& path) const {
  std::vector<uint8_t> bytes = Encode(bitmap);
  TReplaceFile target(path);
  target.File().Write(bytes.data(), bytes.size());
  target.Commit();
}

}  // namespace vt

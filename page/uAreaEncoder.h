// JPEG streams of areas of the captured picture at scale 1, as the PDF and JPG writers need them.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

#include "base/Bitmap.h"
#include "page/uHtmlImage.h"

namespace vt {

// One area, read a band of rows at a time so that memory stays at one band whatever its size;
// `band`, when given, is the bitmap the bands are read into (kept by a caller encoding many).
std::vector<uint8_t> EncodeArea(THtmlImage& image, const RECT& area, int quality, TBitmap* band = nullptr);

// Many areas, encoded side by side on worker threads, each reading the picture through a reader
// of its own; the results come back in the order of the areas. Pictures without separate readers
// are encoded on the calling thread.
class TAreaEncoder {
public:
  TAreaEncoder(const THtmlImage& image, int quality);
  // Calls `take(index, jpeg)` on the calling thread for every area, in order. At most a few
  // encoded areas wait at any time, so memory stays flat however many areas there are.
  // The first error of any worker is thrown here.
  template <class Take>
  void EncodeAll(const std::vector<RECT>& areas, Take take);

  // Threads that encode at once: one per processor the process may use, at most four.
  static int WorkerCount();

private:
  void Run(const std::vector<RECT>& areas, void (*take)(void*, size_t, std::vector<uint8_t>&), void* context);

  const THtmlImage& image_;
  int quality_;
};

template <class Take>
void TAreaEncoder::EncodeAll(const std::vector<RECT>& areas, Take take) {
  Run(areas, [](void* context, size_t index, std::vector<uint8_t>& jpeg) { (*static_cast<Take*>(context))(index, jpeg); },
      &take);
}

}  // namespace vt

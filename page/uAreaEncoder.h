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

}  // namespace vt

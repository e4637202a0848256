// Decodes a JPEG file into a bitmap for comparing test output with its source.
#pragma once
#include <string>

#include "base/Bitmap.h"

namespace vt::test {

// False when the file is no readable JPEG.
bool DecodeJpegFile(const std::string& path, TBitmap& out);

// The coarsest step of a JPEG file's quantisation tables: 1 for a file written at quality 100, more
// for any lower quality; -1 when the file is no readable JPEG.
int CoarsestQuantStep(const std::string& path);

// The largest difference of any colour channel between two bitmaps of one size (-1 for other sizes).
int MaxChannelDifference(const TBitmap& a, const TBitmap& b);

// The mean absolute difference per colour channel (-1 for other sizes).
double MeanChannelDifference(const TBitmap& a, const TBitmap& b);

// Peak signal-to-noise ratio of b against a in dB over the colour channels (99 when equal, -1 for
// other sizes).
double Psnr(const TBitmap& a, const TBitmap& b);

// A picture that shows off-by-one errors and compresses badly: gradients, edges and noise.
void PaintTestPattern(TBitmap& bitmap, int seed = 1);

}  // namespace vt::test

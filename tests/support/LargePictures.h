// Picture files whose headers claim large sizes, cheap to write: the tests of bounds that are
// decided from a picture's header before anything is decoded.
#pragma once
#include <string>

namespace vt::test {

// A JPEG file of a small grey picture whose frame header claims `width` x `height`: its size
// reads at once, while decoding it would be refused or costly.
std::string JpegClaimingSize(int width, int height);

// A progressive JPEG of a grey `width` x `height` picture made of `scans` scans: the encoder's own
// progression, then its last scan over and over, as a hostile file makes a decoder pass over the
// picture many times. Its size is the one the header gives.
std::string ProgressiveJpeg(int width, int height, int scans);

// Writes a real BMP of `width` x `height` whose pixels are all zero (black), its file extended
// rather than written (sparse where the file system allows).
void WriteBlackBmp(const std::string& path, int width, int height);

}  // namespace vt::test

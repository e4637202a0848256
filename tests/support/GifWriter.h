// GIF files for tests, encoded with giflib's own encoder.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace vt::test {

struct GifPicture {
  int width = 0, height = 0;
  std::vector<COLORREF> palette;   // up to 256 colours
  std::vector<uint8_t> pixels;     // width x height palette indexes, rows top-down
  int transparent = -1;            // palette index drawn as transparent, -1 for none
  bool interlace = false;
  bool localPalette = false;       // the palette goes with the picture, not the screen
  int left = 0, top = 0;           // the picture's place on the screen
  int screenWidth = 0, screenHeight = 0;  // 0: the picture's size
};

// Writes `picture` as a GIF89a file; throws std::runtime_error when giflib fails.
void WriteGif(const std::string& path, const GifPicture& picture);

// A picture of one colour.
GifPicture SolidGif(int width, int height, COLORREF color);
// A picture whose pixel (x, y) has colour PatternColor(x, y): a different colour per
// column band and row band, so that misplaced rows or columns show.
GifPicture PatternGif(int width, int height);
COLORREF PatternColor(int x, int y);

}  // namespace vt::test

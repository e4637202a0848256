// The tile file: a 33-byte header, an offset table and one BMP file form per tile.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "base/TempFiles.h"

namespace vt {

#pragma pack(push, 1)
struct TTileFileHeader {
  char Signature[5];   // "KELPF", no terminator
  uint16_t Version;    // 1
  uint16_t Version2;   // 0
  uint32_t Reserved;   // written 0, skipped by the reader
  int32_t Width;       // picture size in pixels
  int32_t Height;
  int32_t TileWidth;   // size of a full tile
  int32_t TileHeight;
  uint16_t Cols;
  uint16_t Rows;
};
#pragma pack(pop)
static_assert(sizeof(TTileFileHeader) == 33, "the tile file header is 33 bytes, packed");

constexpr char kTileFileSignature[5] = {'K', 'E', 'L', 'P', 'F'};
constexpr uint16_t kTileFileVersion = 1;
constexpr uint16_t kTileFileVersion2 = 0;
// The offset table follows the header: one uint32 file position per tile, row-major.
constexpr int64_t kTileTablePos = sizeof(TTileFileHeader);
constexpr int64_t kMaxTileFileOffset = 0xFFFFFFFFLL;
// Each tile is a BMP file form: its file and info headers come before its pixels.
constexpr int64_t kBmpHeadersSize = 14 + 40;

// A tile file in the temporary folder that nobody else knows of: deleted when the last image or
// builder holding it lets go and its streams are closed, or when the process ends, however it ends.
using TTempTileFile = DeleteOnCloseFile;
using TTempTileFileRef = std::shared_ptr<TTempTileFile>;

}  // namespace vt

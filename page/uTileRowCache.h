// The stored tiles of one row of a tile file, kept so that a walk down the picture reads each
// tile once.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vt {

// One tile's pixels as the file stores them: BGR rows of `stride` bytes, bottom-up unless topDown.
struct TTilePixels {
  int width = 0, height = 0, stride = 0;
  bool topDown = false;
  std::vector<uint8_t> bytes;
  const uint8_t* Row(int y) const {
    return bytes.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * stride;
  }
};

// Keeps the tiles asked for in the current row; asking for a tile of another row drops them.
// Past the byte budget a tile is kept only until the next load, so memory stays within one row of
// tiles and the budget whatever the file claims. Buffers are used again: a walk down a picture
// allocates for one row only.
class TTileRowCache {
public:
  // The tile of column `col` read into `buffer` (one used before, or a new one), handed back; none
  // when the tile is missing or damaged.
  using Loader = std::function<std::unique_ptr<TTilePixels>(int32_t col, std::unique_ptr<TTilePixels> buffer)>;

  explicit TTileRowCache(int64_t budget) : budget_(budget) {}
  // The tile at (col, row), or null; valid until the next call.
  const TTilePixels* Get(int32_t col, int32_t row, const Loader& load);
  void Clear();

private:
  int64_t budget_;
  int32_t row_ = -1;
  std::unordered_map<int32_t, std::unique_ptr<TTilePixels>> kept_;  // null: missing or damaged
  int64_t keptBytes_ = 0;
  std::vector<std::unique_ptr<TTilePixels>> free_;  // buffers of dropped tiles, used again
  std::unique_ptr<TTilePixels> spare_;
};

}  // namespace vt

#include "page/uTileRowCache.h"

#include <utility>

namespace vt {

void TTileRowCache::Clear() {
  for (auto& [col, tile] : kept_)
    if (tile) free_.push_back(std::move(tile));
  kept_.clear();
  keptBytes_ = 0;
  row_ = -1;
}

const TTilePixels* TTileRowCache::Get(int32_t col, int32_t row, const Loader& load) {
  if (row != row_) {
    Clear();
    row_ = row;
  }
  auto found = kept_.find(col);
  if (found != kept_.end()) return found->second.get();
  std::unique_ptr<TTilePixels> tile;
  if (!free_.empty()) {
    tile = std::move(free_.back());
    free_.pop_back();
  } else {
    tile = std::make_unique<TTilePixels>();
  }
  tile = load(col, std::move(tile));
  if (!tile) {
    kept_[col] = nullptr;  // not tried again in this row
    return nullptr;
  }
  const int64_t size = static_cast<int64_t>(tile->bytes.size());
  if (keptBytes_ + size > budget_) {
    // Not kept: a row wider than the budget reads its later columns again on the next band.
    if (spare_) free_.push_back(std::move(spare_));
    spare_ = std::move(tile);
    return spare_.get();
  }
  keptBytes_ += size;
  return (kept_[col] = std::move(tile)).get();
}

}  // namespace vt

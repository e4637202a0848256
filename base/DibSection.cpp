#include "base/DibSection.h"

#include <utility>

namespace vt {

DibSection::DibSection(const BITMAPINFO* info) : dc_(::CreateCompatibleDC(nullptr)) {
  if (!dc_ || !info) return;
  void* bits = nullptr;
  bitmap_.reset(::CreateDIBSection(dc_.get(), info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || !bits) {
    bitmap_.reset();
    return;
  }
  selected_ = SelectObjectScope(dc_.get(), bitmap_.get());
  bits_ = static_cast<uint8_t*>(bits);
}

void DibSection::Swap(DibSection& o) noexcept {
  std::swap(dc_, o.dc_);
  std::swap(bitmap_, o.bitmap_);
  std::swap(selected_, o.selected_);
  std::swap(bits_, o.bits_);
}

}  // namespace vt

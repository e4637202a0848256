// The one owner of a device-independent bitmap: a DIB section selected into a memory device
// context of its own (its canvas). The bitmap is taken out of the canvas before either goes.
#pragma once
#include <windows.h>
#include <cstdint>
#include <utility>

#include "base/Handles.h"

namespace vt {

class DibSection {
public:
  DibSection() = default;  // no canvas, no pixels
  // A canvas with the bitmap `info` describes selected into it. Where that bitmap cannot be made,
  // or `info` is null, the canvas is there without one: drawing on it has no effect.
  explicit DibSection(const BITMAPINFO* info);
  DibSection(DibSection&& o) noexcept { Swap(o); }
  DibSection& operator=(DibSection&& o) noexcept {
    DibSection gone(std::move(o));
    Swap(gone);
    return *this;
  }

  HDC Canvas() const { return dc_.get(); }
  HBITMAP Handle() const { return bitmap_.get(); }
  // The pixels as the bitmap's header describes them; null without a bitmap.
  uint8_t* Bits() const { return bits_; }

private:
  void Swap(DibSection& o) noexcept;

  // Destroyed from the last: the bitmap leaves the canvas, then the bitmap goes, then the canvas.
  MemoryDC dc_;
  BitmapHandle bitmap_;
  SelectObjectScope selected_;
  uint8_t* bits_ = nullptr;
};

}  // namespace vt

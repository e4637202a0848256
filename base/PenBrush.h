// Pen and brush settings as values; each makes its GDI object when something is drawn.
#pragma once
#include <windows.h>

#include "base/Handles.h"

namespace vt {

struct TPen {
  COLORREF Color = RGB(0, 0, 0);
  int Style = PS_SOLID;
  int Width = 1;

  PenHandle Make() const { return PenHandle(::CreatePen(Style, Width, Color)); }
  bool operator==(const TPen& o) const { return Color == o.Color && Style == o.Style && Width == o.Width; }
  bool operator!=(const TPen& o) const { return !(*this == o); }
};

struct TBrush {
  COLORREF Color = RGB(255, 255, 255);
  UINT Style = BS_SOLID;  // BS_SOLID or BS_NULL (nothing is filled)
  LONG Hatch = 0;         // with BS_HATCHED

  BrushHandle Make() const {
    LOGBRUSH lb{Style, Color, static_cast<ULONG_PTR>(Hatch)};
    return BrushHandle(::CreateBrushIndirect(&lb));
  }
  bool operator==(const TBrush& o) const { return Color == o.Color && Style == o.Style && Hatch == o.Hatch; }
  bool operator!=(const TBrush& o) const { return !(*this == o); }
};

}  // namespace vt

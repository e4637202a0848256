#include "browser/PagePainter.h"

#include <algorithm>

#include "base/Bitmap.h"
#include "base/Handles.h"

namespace vt::browser {
namespace {

constexpr COLORREF kTrackColor = RGB(0xE8, 0xE8, 0xE8);
constexpr COLORREF kThumbColor = RGB(0xA0, 0xA0, 0xA0);

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  BrushHandle brush(::CreateSolidBrush(color));
  ::FillRect(dc, &r, brush.get());
}

// Fills the content area whose origin is (ox, oy), pixel by pixel where the fill is a pattern;
// only the part inside the clipping is computed.
void PaintFill(HDC dc, const TElement& e, int ox, int oy, int width, int height) {
  RECT area{ox, oy, ox + width, oy + height}, clip, visible;
  if (::GetClipBox(dc, &clip) == ERROR || !::IntersectRect(&visible, &area, &clip)) return;
  if (e.fill == TFill::Solid) {
    FillSolid(dc, visible, e.color);
    return;
  }
  int w = visible.right - visible.left, h = visible.bottom - visible.top;
  TBitmap pixels(w, h);
  for (int j = 0; j < h; ++j) {
    uint8_t* row = pixels.ScanLine(j);
    for (int i = 0; i < w; ++i) {
      COLORREF c = FillColor(e, visible.left - ox + i, visible.top - oy + j);
      row[3 * i] = GetBValue(c);
      row[3 * i + 1] = GetGValue(c);
      row[3 * i + 2] = GetRValue(c);
    }
  }
  ::BitBlt(dc, visible.left, visible.top, w, h, pixels.Canvas(), 0, 0, SRCCOPY);
}

void PaintText(HDC dc, const TElement& e, int ox, int oy, int width) {
  FontHandle font(::CreateFontW(-e.fontSize, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                e.fontName.c_str()));
  SelectObjectScope select(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, e.textColor);
  RECT r{ox, oy, ox + std::max(width, 1), oy + 1000000};
  ::DrawTextW(dc, e.text.c_str(), static_cast<int>(e.text.size()), &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

// A track with a thumb whose length and place follow the client size and scroll position.
void PaintBar(HDC dc, RECT track, bool vertical, int client, int scrollSize, int position) {
  FillSolid(dc, track, kTrackColor);
  int length = vertical ? track.bottom - track.top : track.right - track.left;
  if (scrollSize <= 0 || length <= 0) return;
  int thumb = std::clamp(static_cast<int>(static_cast<int64_t>(length) * client / scrollSize), 8, length);
  int range = scrollSize - client;
  int offset = range > 0 ? static_cast<int>(static_cast<int64_t>(length - thumb) * position / range) : 0;
  RECT t = track;
  if (vertical) {
    t.top += offset;
    t.bottom = t.top + thumb;
  } else {
    t.left += offset;
    t.right = t.left + thumb;
  }
  ::InflateRect(&t, vertical ? -2 : 0, vertical ? 0 : -2);
  FillSolid(dc, t, kThumbColor);
}

}  // namespace

void PaintElement(HDC dc, const TElement& e, int x, int y) {
  const int w = BoxWidth(e), h = BoxHeight(e), b = e.border;
  if (w <= 0 || h <= 0) return;
  const SavedDCState outer(dc);
  ::IntersectClipRect(dc, x, y, x + w, y + h);
  if (b > 0) {
    FillSolid(dc, RECT{x, y, x + w, y + b}, e.borderColor);
    FillSolid(dc, RECT{x, y + h - b, x + w, y + h}, e.borderColor);
    FillSolid(dc, RECT{x, y, x + b, y + h}, e.borderColor);
    FillSolid(dc, RECT{x + w - b, y, x + w, y + h}, e.borderColor);
  }
  const bool vBar = HasVerticalBar(e), hBar = HasHorizontalBar(e);
  // The client area as painted (a quirks-mode html element reports none but still shows its body).
  const int cx = x + b, cy = y + b;
  const int cw = std::max(0, w - 2 * b - (vBar ? kScrollBarSize : 0));
  const int ch = std::max(0, h - 2 * b - (hBar ? kScrollBarSize : 0));
  const bool scrolling = IsScrolling(e);

  {
    const SavedDCState inner(dc);
    ::IntersectClipRect(dc, cx, cy, cx + cw, cy + ch);
    const int ox = cx - (scrolling ? e.scrollLeft : 0), oy = cy - (scrolling ? e.scrollTop : 0);
    const int fw = scrolling ? std::max(ScrollWidth(e), cw) : cw;
    const int fh = scrolling ? std::max(ScrollHeight(e), ch) : ch;
    if (e.fill != TFill::None) PaintFill(dc, e, ox, oy, fw, fh);
    if (e.image) ::BitBlt(dc, ox, oy, e.image->Width(), e.image->Height(), e.image->Canvas(), 0, 0, SRCCOPY);
    if (!e.text.empty()) PaintText(dc, e, ox, oy, fw);
    if (e.frame) PaintElement(dc, *e.frame->html, cx, cy);
    for (const auto& c : e.children) PaintElement(dc, *c, ox + c->x, oy + c->y);
  }

  if (vBar) PaintBar(dc, RECT{cx + cw, cy, cx + cw + kScrollBarSize, cy + ch}, true, ch, ScrollHeight(e), e.scrollTop);
  if (hBar) PaintBar(dc, RECT{cx, cy + ch, cx + cw, cy + ch + kScrollBarSize}, false, cw, ScrollWidth(e), e.scrollLeft);
  if (vBar && hBar) FillSolid(dc, RECT{cx + cw, cy + ch, cx + cw + kScrollBarSize, cy + ch + kScrollBarSize}, kTrackColor);
}

}  // namespace vt::browser

#include "preview/_SimpleLine.h"

namespace vt {

TSimpleLine::TSimpleLine(HWND parent) { CreateChild(L"VantrelleSimpleLine", parent, 0, 0, 128, 128); }

void TSimpleLine::SetPen(const TPen& pen) {
  if (pen == pen_) return;
  pen_ = pen;
  Invalidate();
}

void TSimpleLine::SetBrush(const TBrush& brush) {
  if (brush == brush_) return;
  brush_ = brush;
  Invalidate();
}

void TSimpleLine::Paint(HDC dc) {
  RECT client;
  ::GetClientRect(Handle(), &client);
  const int w = client.right, h = client.bottom, n = lineWidth_;
  BrushHandle brush = brush_.Make();
  ::FillRect(dc, &client, brush.get());
  PenHandle pen = pen_.Make();
  SelectObjectScope usePen(dc, pen.get());
  auto line = [dc](int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
  };
  switch (direction_) {
    case ldSlash:
      line(0, h, w, 0);
      break;
    case ldBackSlash:
      line(0, 0, w, h);
      break;
    case ldHorizontal:
      for (int i = 0; i < n; ++i) line(0, (h - n) / 2 + i, w, (h - n) / 2 + i);
      break;
    case ldVertical:
      for (int i = 0; i < n; ++i) line((w - n) / 2 + i, 0, (w - n) / 2 + i, h);
      break;
  }
}

}  // namespace vt

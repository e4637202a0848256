#include "preview/uSelectArea.h"

#include "base/Handles.h"

namespace vt {

namespace {
// Position kind of each grab, in index order.
constexpr int kGrabKinds[8] = {3, 0, 2, 1, 1, 2, 0, 3};

bool LeftColumn(int tag) { return tag == 0 || tag == 3 || tag == 5; }
bool RightColumn(int tag) { return tag == 2 || tag == 4 || tag == 7; }
bool TopRow(int tag) { return tag == 0 || tag == 1 || tag == 2; }
bool BottomRow(int tag) { return tag == 5 || tag == 6 || tag == 7; }

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }
}  // namespace

HCURSOR TGrab::Cursor() const {
  static const LPCWSTR kCursors[4] = {MAKEINTRESOURCEW(32645), MAKEINTRESOURCEW(32644), MAKEINTRESOURCEW(32643),
                                      MAKEINTRESOURCEW(32642)};  // IDC_SIZENS, SIZEWE, SIZENESW, SIZENWSE
  return ::LoadCursorW(nullptr, kCursors[kind_]);
}

TSelectArea::TSelectArea()
    : grabs_{TGrab(0, kGrabKinds[0]), TGrab(1, kGrabKinds[1]), TGrab(2, kGrabKinds[2]), TGrab(3, kGrabKinds[3]),
             TGrab(4, kGrabKinds[4]), TGrab(5, kGrabKinds[5]), TGrab(6, kGrabKinds[6]), TGrab(7, kGrabKinds[7])} {
  SetGrabSize(7);
}

void TSelectArea::SetParent(TWindow* parent) {
  parent_ = parent;
  UpdateGrabs();
}

void TSelectArea::SetGrabSize(int size) {
  grabSize_ = size;
  UpdateGrabs();
}

void TSelectArea::SetLeft(int value) { SetBounds(value, top_, width_, height_); }
void TSelectArea::SetTop(int value) { SetBounds(left_, value, width_, height_); }
void TSelectArea::SetWidth(int value) { SetBounds(left_, top_, value, height_); }
void TSelectArea::SetHeight(int value) { SetBounds(left_, top_, width_, value); }

void TSelectArea::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  UpdateGrabs();
}

void TSelectArea::SetVisible(bool visible) {
  visible_ = visible;
  for (TGrab& grab : grabs_) grab.Visible = editable_ && visible;
  Changed();
}

void TSelectArea::SetEditable(bool editable) {
  if (editable == editable_) return;
  editable_ = editable;
  for (TGrab& grab : grabs_) grab.Visible = editable && visible_;
  UpdateGrabs();
}

void TSelectArea::UpdateGrabs() {
  const int g = grabSize_, h = g / 2;
  const int L = left_, T = top_, W = width_, H = height_;
  const POINT at[8] = {{L - h, T - h},
                       {L + (W - g) / 2, T - h},
                       {L + W - 1 - h, T - h},
                       {L - h, T + (H - g) / 2},
                       {L + W - 1 - h, T + (H - g) / 2},
                       {L - h, T + H - 1 - h},
                       {L + (W - g) / 2, T + H - 1 - h},
                       {L + W - 1 - h, T + H - 1 - h}};
  for (int i = 0; i < 8; ++i) grabs_[i].Bounds = RECT{at[i].x, at[i].y, at[i].x + g, at[i].y + g};
  if (OnChange) OnChange();
  Changed();
}

void TSelectArea::Changed() {
  if (parent_) parent_->Invalidate();
}

int TSelectArea::HitTest(int x, int y) const {
  if (!visible_) return -1;
  for (const TGrab& grab : grabs_)
    if (grab.Visible && Inside(grab.Bounds, x, y)) return grab.Tag;
  return Inside(RECT{left_, top_, left_ + width_, top_ + height_}, x, y) ? kArea : -1;
}

HCURSOR TSelectArea::CursorAt(int x, int y) const {
  const int hit = HitTest(x, y);
  if (hit < 0 || (hit == kArea && !editable_)) return nullptr;
  return hit == kArea ? ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32646)) : grabs_[hit].Cursor();  // IDC_SIZEALL
}

void TSelectArea::MouseDown(int hit, TMouseButton button, POINT view, POINT screen) {
  if (button != mbLeft || hit < 0) return;
  if (hit != kArea && !editable_) return;
  const POINT click{view.x - left_, view.y - top_};
  if (hit == kArea && !editable_ && click.x >= 0 && click.y >= 0 && click.x <= width_ && click.y <= height_)
    SetEditable(true);
  dragging_ = hit;
  saved_ = RECT{left_, top_, left_ + width_, top_ + height_};
  savedWidth_ = width_;
  savedHeight_ = height_;
  click_ = click;
  startCursor_ = screen;
}

void TSelectArea::MouseMove(POINT view, POINT screen) {
  if (dragging_ < 0) return;
  if (dragging_ == kArea) {
    // The point under the mouse stays under it.
    SetBounds(view.x - click_.x, view.y - click_.y, width_, height_);
    return;
  }
  const int g = grabSize_, dx = screen.x - startCursor_.x, dy = screen.y - startCursor_.y;
  const int W0 = savedWidth_, H0 = savedHeight_;
  int left = left_, top = top_, width = width_, height = height_;
  if (LeftColumn(dragging_)) {
    if (dx < W0) left = saved_.left + dx, width = W0 - dx;
    else left = saved_.right - g, width = dx - W0;  // over the right edge
  } else if (RightColumn(dragging_)) {
    if (W0 + dx >= 1) left = saved_.left, width = W0 + dx;
    else left = saved_.left + W0 + dx, width = saved_.left - left + g;
  }
  if (TopRow(dragging_)) {
    if (dy < H0) top = saved_.top + dy, height = H0 - dy;
    else top = saved_.bottom - g, height = dy - H0;
  } else if (BottomRow(dragging_)) {
    if (H0 + dy >= 1) top = saved_.top, height = H0 + dy;
    else top = saved_.top + H0 + dy, height = saved_.top - top + g;
  }
  SetBounds(left, top, width, height);
}

void TSelectArea::MouseUp(TMouseButton button) {
  if (button != mbLeft || dragging_ < 0) return;
  dragging_ = -1;
  if (OnMouseUp) OnMouseUp();
}

void TSelectArea::Paint(HDC dc) const {
  if (!visible_) return;
  const PenHandle dotted(::CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
  const BrushHandle yellow(::CreateSolidBrush(RGB(255, 255, 0)));
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  {
    const SelectObjectScope pen(dc, dotted.get());
    const SelectObjectScope brush(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, left_, top_, left_ + width_, top_ + height_);
  }
  {
    const SelectObjectScope pen(dc, ::GetStockObject(BLACK_PEN));
    const SelectObjectScope brush(dc, yellow.get());
    for (const TGrab& grab : grabs_)
      if (grab.Visible) ::Rectangle(dc, grab.Bounds.left, grab.Bounds.top, grab.Bounds.right, grab.Bounds.bottom);
  }
  ::SetBkMode(dc, oldMode);
}

}  // namespace vt

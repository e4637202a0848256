#include "preview/uViewSelection.h"

#include <algorithm>
#include <cstdlib>

namespace vt {

namespace {
constexpr int kMinSelection = 7;  // a smaller drawing is dropped
HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }
}  // namespace

TViewSelection::TViewSelection(IPreviewView& view, TBtnImage& selectBtn)
    : view_(view), selectBtn_(selectBtn), viewCursor_(SystemCursor(IDC_HAND)) {
  selectArea_.SetParent(&view.ImgBox());
  selectArea_.OnMouseUp = [this] { AreaToDoc(); };
}

bool TViewSelection::SelectBtnDown() const { return selectBtn_.Down(); }

void TViewSelection::PlaceSelectArea() {
  if (!selectArea_.Visible()) return;
  const int left = view_.DocToScreenX(docSelection_.left), top = view_.DocToScreenY(docSelection_.top);
  selectArea_.SetBounds(left, top, view_.DocToScreenX(docSelection_.right) - left,
                        view_.DocToScreenY(docSelection_.bottom) - top);
}

void TViewSelection::SelectBtnMouseUp() {
  viewCursor_ = SystemCursor(SelectBtnDown() ? IDC_HAND : IDC_CROSS);
  SelectAreaLeaveEditing();
  HideSelectArea();
}

bool TViewSelection::AreaMouseDown(TMouseButton button, int x, int y) {
  HWND box = view_.ImgBox().Handle();
  const POINT view = view_.ToView(box, POINT{x, y});
  const int hit = selectArea_.HitTest(view.x, view.y);
  if (hit < 0) return false;
  POINT screen{x, y};
  ::ClientToScreen(box, &screen);
  selectArea_.MouseDown(hit, button, view, screen);
  areaMouse_ = selectArea_.Dragging();
  return true;
}

bool TViewSelection::AreaMouseMove(int x, int y) {
  if (!areaMouse_) return false;
  HWND box = view_.ImgBox().Handle();
  POINT screen{x, y};
  ::ClientToScreen(box, &screen);
  selectArea_.MouseMove(view_.ToView(box, POINT{x, y}), screen);
  return true;
}

bool TViewSelection::AreaMouseUp(TMouseButton button) {
  if (!areaMouse_) return false;
  if (button != mbLeft) return true;
  areaMouse_ = false;
  selectArea_.MouseUp(button);
  return true;
}

void TViewSelection::SelectMouseDown(int x, int y) {
  const POINT view = view_.ToView(view_.ImgBox().Handle(), POINT{x, y});
  selectArea_.SetBounds(view.x, view.y, 0, 0);
  selectArea_.SetEditable(false);
  selectArea_.SetVisible(true);
  docSelection_.left = view_.ScreenToDocX(view.x);
  docSelection_.top = view_.ScreenToDocY(view.y);
  selectStart_ = view;
  HWND scroller = view_.Scroller().Handle();
  if (::GetFocus() != scroller) ::SetFocus(scroller);
}

void TViewSelection::SelectMouseMove(int x, int y) {
  const POINT view = view_.ToView(view_.ImgBox().Handle(), POINT{x, y});
  const int left = std::min<int>(view.x, selectStart_.x), top = std::min<int>(view.y, selectStart_.y);
  const int width = std::abs(view.x - selectStart_.x), height = std::abs(view.y - selectStart_.y);
  selectArea_.SetBounds(left, top, width, height);
  docSelection_ = RECT{view_.ScreenToDocX(left), view_.ScreenToDocY(top), view_.ScreenToDocX(left + width),
                       view_.ScreenToDocY(top + height)};
}

void TViewSelection::SelectMouseUp() {
  // Select mode ends after one rectangle.
  viewCursor_ = SystemCursor(IDC_HAND);
  selectBtn_.SetDown(false);
  if (selectArea_.Width() >= kMinSelection && selectArea_.Height() >= kMinSelection)
    selectArea_.SetEditable(true);
  else
    selectArea_.SetVisible(false);
}

RECT TViewSelection::AreaInDoc() const {
  const TSelectArea& a = selectArea_;
  return RECT{view_.ScreenToDocX(a.Left()), view_.ScreenToDocY(a.Top()), view_.ScreenToDocX(a.Left() + a.Width()),
              view_.ScreenToDocY(a.Top() + a.Height())};
}

RECT TViewSelection::GetSelectionRect(const RECT& shown) {
  AreaToDoc();
  return RECT{std::clamp(docSelection_.left, shown.left, shown.right),
              std::clamp(docSelection_.top, shown.top, shown.bottom),
              std::clamp(docSelection_.right, shown.left, shown.right),
              std::clamp(docSelection_.bottom, shown.top, shown.bottom)};
}

}  // namespace vt

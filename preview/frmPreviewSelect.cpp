// The select area of the preview window: drawn with the mouse in select mode, kept in capture
// pixels as well so that it stays on its place in the picture across zoom changes, and read back
// clamped to the picture for the commands that act on it.
#include <algorithm>

#include "page/uHtmlImage.h"
#include "preview/frmPreviewForm.h"

namespace vt {

namespace {
constexpr int kMinSelection = 7;  // a smaller drawing is dropped
HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }
}  // namespace

bool TfmPreviewForm::HasSelection() const { return selectArea_.Visible(); }
bool TfmPreviewForm::SelectAreaVisible() const { return selectArea_.Visible(); }
void TfmPreviewForm::HideSelectArea() { selectArea_.SetVisible(false); }
void TfmPreviewForm::SelectAreaLeaveEditing() { selectArea_.SetEditable(false); }
bool TfmPreviewForm::SelectAreaEditing() const { return selectArea_.Editable(); }
bool TfmPreviewForm::SelectBtnDown() const { return selectBtn_->Down(); }

void TfmPreviewForm::PlaceSelectArea() {
  if (!selectArea_.Visible()) return;
  const int left = DocToScreenX(docSelection_.left), top = DocToScreenY(docSelection_.top);
  selectArea_.SetBounds(left, top, DocToScreenX(docSelection_.right) - left, DocToScreenY(docSelection_.bottom) - top);
}

void TfmPreviewForm::SelectBtnToggled() {
  // The button changes its own state after this.
  viewCursor_ = SystemCursor(SelectBtnDown() ? IDC_HAND : IDC_CROSS);
  SelectAreaLeaveEditing();
  HideSelectArea();
}

bool TfmPreviewForm::AreaMouseDown(TMouseButton button, int x, int y) {
  const POINT view = ToView(imgBox_->Handle(), POINT{x, y});
  const int hit = selectArea_.HitTest(view.x, view.y);
  if (hit < 0) return false;
  POINT screen{x, y};
  ::ClientToScreen(imgBox_->Handle(), &screen);
  selectArea_.MouseDown(hit, button, view, screen);
  areaMouse_ = selectArea_.Dragging();
  return true;
}

void TfmPreviewForm::SelectMouseDown(int x, int y) {
  const POINT view = ToView(imgBox_->Handle(), POINT{x, y});
  selectArea_.SetBounds(view.x, view.y, 0, 0);
  selectArea_.SetEditable(false);
  selectArea_.SetVisible(true);
  docSelection_.left = ScreenToDocX(view.x);
  docSelection_.top = ScreenToDocY(view.y);
  selectStart_ = view;
  if (::GetFocus() != scroller_->Handle()) ::SetFocus(scroller_->Handle());
  mouseDown_ = true;
}

void TfmPreviewForm::SelectMouseMove(int x, int y) {
  const POINT view = ToView(imgBox_->Handle(), POINT{x, y});
  const int left = std::min<int>(view.x, selectStart_.x), top = std::min<int>(view.y, selectStart_.y);
  const int width = std::abs(view.x - selectStart_.x), height = std::abs(view.y - selectStart_.y);
  selectArea_.SetBounds(left, top, width, height);
  docSelection_ = RECT{ScreenToDocX(left), ScreenToDocY(top), ScreenToDocX(left + width), ScreenToDocY(top + height)};
}

void TfmPreviewForm::SelectMouseUp() {
  // Select mode ends after one rectangle.
  viewCursor_ = SystemCursor(IDC_HAND);
  selectBtn_->SetDown(false);
  if (selectArea_.Width() >= kMinSelection && selectArea_.Height() >= kMinSelection)
    selectArea_.SetEditable(true);
  else
    selectArea_.SetVisible(false);
  mouseDown_ = false;
}

void TfmPreviewForm::SelectAreaMouseUp() {
  RECT rect;
  GetSelectionRect(rect);
}

void TfmPreviewForm::GetSelectionRect(RECT& rect) {
  const TSelectArea& a = selectArea_;
  docSelection_ = RECT{ScreenToDocX(a.Left()), ScreenToDocY(a.Top()), ScreenToDocX(a.Left() + a.Width()),
                       ScreenToDocY(a.Top() + a.Height())};
  const LONG width = captureGraphic_ ? captureGraphic_->GetImageWidth() : 0;
  const LONG height = captureGraphic_ ? captureGraphic_->GetImageHeight() : 0;
  rect = RECT{std::clamp<LONG>(docSelection_.left, 0, width), std::clamp<LONG>(docSelection_.top, 0, height),
              std::clamp<LONG>(docSelection_.right, 0, width), std::clamp<LONG>(docSelection_.bottom, 0, height)};
}

}  // namespace vt

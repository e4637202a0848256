// The view of the preview window: zoom, view mode, current page, the view box's place in the
// scroll box, and what the view box shows.
#include <cmath>

#include "base/Bitmap.h"
#include "page/uHtmlImage.h"
#include "preview/frmPreviewForm.h"

namespace vt {

namespace {
// Nearest integer, halves to the even neighbour.
int Round(double value) { return static_cast<int>(std::nearbyint(value)); }
}  // namespace

int TfmPreviewForm::DocToScreenX(int x) const { return Round(x * zoom_); }
int TfmPreviewForm::DocToScreenY(int y) const { return Round(y * zoom_); }
int TfmPreviewForm::ScreenToDocX(int x) const { return Round(x / zoom_); }
int TfmPreviewForm::ScreenToDocY(int y) const { return Round(y / zoom_); }

void TfmPreviewForm::SizeSurface() {
  if (zoom_ >= 1)
    surface_.SetSize(4, engine_.PageWidth, engine_.PageHeight);
  else
    surface_.SetSize(4, Round(engine_.PageWidth * zoom_), Round(engine_.PageHeight * zoom_));
}

void TfmPreviewForm::RenderView() {
  engine_.Layout(captureGraphic_, &captureRect_, settingImages_, settingSource_, true);
  SizeSurface();
  // The view draws through a reader of its own, so that its scale is not the request's.
  viewImage_ = captureGraphic_ ? captureGraphic_->OpenReader() : nullptr;
  ApplyZoom(zoom_);
  ShowPage(1);
  if (printWithoutPreview_) Print();
}

THtmlImage* TfmPreviewForm::ViewImage() const { return viewImage_ ? viewImage_.get() : captureGraphic_; }

void TfmPreviewForm::ApplyZoom(double zoom) {
  const double oldZoom = zoom_;
  zoom_ = zoom;
  if (THtmlImage* image = ViewImage()) image->SetScale(static_cast<float>(zoom));
  if (viewMode_ == vmCaptureView) {
    viewWidth_ = Round((captureRect_.right - captureRect_.left) * zoom);
    viewHeight_ = Round((captureRect_.bottom - captureRect_.top) * zoom);
  } else {
    viewWidth_ = Round(engine_.PageWidth * zoom);
    viewHeight_ = Round(engine_.PageHeight * zoom);
  }
  // The surface holds the current page at the view's size, at most 1:1.
  if (viewMode_ == vmPageView && zoom != oldZoom && (zoom < 1 || oldZoom < 1)) {
    SizeSurface();
    ShowPage(currentPage_);
  }
  ProcessResize();
  PlaceSelectArea();
}

void TfmPreviewForm::ProcessResize() {
  const int clientWidth = scroller_->ClientWidth(), clientHeight = scroller_->ClientHeight();
  const int left = clientWidth > viewWidth_ ? (clientWidth - viewWidth_) / 2 : 0;
  const int top = clientHeight > viewHeight_ ? (clientHeight - viewHeight_) / 2 : 0;
  // The scroll positions stay where they were, as far as the new size allows.
  scroller_->SetContent(imgBox_.get(), left, top, viewWidth_, viewHeight_);
  if (!delimiterDrag_) InitPageControls();
  ::OutputDebugStringA("ProcessResize()");
}

void TfmPreviewForm::SetViewMode(TViewMode mode) {
  const bool changed = mode != viewMode_;
  viewMode_ = mode;
  ApplyZoom(zoom_);
  if (!changed) return;
  HideSelectArea();
  if (mode == vmPageView) {
    SizeSurface();
    ShowPage(currentPage_);
  }
  imgBox_->Invalidate();
}

void TfmPreviewForm::ShowPage(int32_t page) {
  currentPage_ = page;
  engine_.RenderPage(surface_.Canvas(), page);
  ::GdiFlush();
  imgBox_->Invalidate();
}

void TfmPreviewForm::ShowNextPage() {
  if (currentPage_ < engine_.GetPageCount()) ShowPage(currentPage_ + 1);
}

void TfmPreviewForm::ShowPrevPage() {
  if (currentPage_ > 1) ShowPage(currentPage_ - 1);
}

int TfmPreviewForm::ZoomIndex() const {
  return static_cast<int>(::SendMessageW(zoomCombo_, CB_GETCURSEL, 0, 0));
}

void TfmPreviewForm::SelectZoomIndex(int index) {
  ::SendMessageW(zoomCombo_, CB_SETCURSEL, index, 0);
  ZoomComboChange();
}

void TfmPreviewForm::ZoomComboChange() {
  const int index = ZoomIndex();
  if (index >= 0 && index < TToolBar::kZoomCount) ApplyZoom(TToolBar::kZooms[index]);
}

void TfmPreviewForm::ZoomIn() {
  const int index = ZoomIndex();
  if (index > 0) ::SendMessageW(zoomCombo_, CB_SETCURSEL, index - 1, 0);
  ZoomComboChange();
}

void TfmPreviewForm::ZoomOut() {
  const int index = ZoomIndex();
  if (index < TToolBar::kZoomCount - 1) ::SendMessageW(zoomCombo_, CB_SETCURSEL, index + 1, 0);
  ZoomComboChange();
}

void TfmPreviewForm::ScrollerMouseWheel(int delta, UINT keys) {
  scroller_->ScrollByWheel(delta, keys);
  InitPageControls();
}

void TfmPreviewForm::ViewMouseDown(TMouseButton button, int x, int y) {
  if (viewMode_ == vmCaptureView) {
    // A page break under the mouse is taken for moving or deleting, whichever button holds it.
    const POINT pos = ToView(imgBox_->Handle(), POINT{x, y});
    for (bool vert : {true, false}) {
      const int32_t i = DelimiterAt(vert, vert ? pos.x : pos.y);
      if (i >= 0) {
        StartDelimiterDrag(vert, i);
        return;
      }
    }
  }
  if (button != mbLeft) return;
  if (SelectBtnDown()) {
    SelectMouseDown(x, y);
    return;
  }
  SelectAreaLeaveEditing();
  // Scroll-box coordinates: they stay put while the view box moves under the mouse.
  mousePos_ = POINT{x, y};
  ::MapWindowPoints(imgBox_->Handle(), scroller_->Handle(), &mousePos_, 1);
  if (::GetFocus() != scroller_->Handle()) ::SetFocus(scroller_->Handle());
  mouseDown_ = true;
}

void TfmPreviewForm::ViewMouseMove(UINT keys, int x, int y) {
  if (delimiterDrag_) {
    DragDelimiter(imgBox_->Handle(), keys, x, y);
    return;
  }
  if (!mouseDown_) return;
  if (SelectBtnDown()) {
    SelectMouseMove(x, y);
    return;
  }
  POINT pos{x, y};
  ::MapWindowPoints(imgBox_->Handle(), scroller_->Handle(), &pos, 1);
  scroller_->SetPositions(scroller_->HorzPosition() - (pos.x - mousePos_.x),
                          scroller_->VertPosition() - (pos.y - mousePos_.y));
  InitPageControls();
  ::UpdateWindow(scroller_->Handle());
  mousePos_ = pos;
}

void TfmPreviewForm::PaintView(HDC dc, const RECT& clip) {
  const int w = clip.right - clip.left, h = clip.bottom - clip.top;
  if (w <= 0 || h <= 0) return;
  // Drawn off the screen first, so that the picture and what lies over it show at once.
  TBitmap buffer(w, h);
  HDC canvas = buffer.Canvas();
  buffer.Fill(RGB(0, 0, 0));
  // View coordinates: the view box shows the view from the scroll box's content origin on.
  const POINT origin = scroller_->ContentOrigin();
  ::SetViewportOrgEx(canvas, -(clip.left + origin.x), -(clip.top + origin.y), nullptr);
  if (viewMode_ == vmCaptureView) {
    if (THtmlImage* image = ViewImage()) image->Draw(canvas, RECT{0, 0, viewWidth_, viewHeight_});
    PaintPageBreaks(canvas);
    PaintPageLabels(canvas);
    PaintGuideLines(canvas);
  } else if (surface_.Bits()) {
    // Page view: the current page as laid out for the printer, at the view's size.
    ::SetStretchBltMode(canvas, HALFTONE);
    ::SetBrushOrgEx(canvas, 0, 0, nullptr);
    ::StretchBlt(canvas, 0, 0, viewWidth_, viewHeight_, surface_.Canvas(), 0, 0, surface_.Width(),
                 surface_.Height(), SRCCOPY);
  }
  selectArea_.Paint(canvas);
  ::SetViewportOrgEx(canvas, 0, 0, nullptr);
  ::BitBlt(dc, clip.left, clip.top, w, h, canvas, 0, 0, SRCCOPY);
}

}  // namespace vt

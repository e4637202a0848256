// The view of the preview window: zoom, view mode, current page, the view box's place in the
// scroll box, and what the view box shows: the picture or a page, with the page breaks, guide lines
// and page numbers over the picture.
#include <algorithm>
#include <cmath>

#include "base/Bitmap.h"
#include "base/Handles.h"
#include "page/uHtmlImage.h"
#include "preview/frmPreviewForm.h"

namespace vt {

namespace {
// Nearest integer, halves to the even neighbour.
int Round(double value) { return static_cast<int>(std::nearbyint(value)); }

// The view along one direction: view = (offset + (capture - start) * scale) * zoom.
struct TViewAxis {
  double start = 0, offset = 0, scale = 1, zoom = 1;
  int ToView(int capture) const { return Round((offset + (capture - start) * scale) * zoom); }
  int ToCapture(int view) const { return Round(start + (view / zoom - offset) / scale); }
};

// The capture view shows the picture at the zoom; the page view a page, whose piece of the picture
// lies where the page puts it, at the page's scale.
TViewAxis ViewAxis(TViewMode mode, const TPrintEngine& engine, int32_t page, double zoom, bool horizontal) {
  TViewAxis axis;
  axis.zoom = zoom;
  if (mode != vmPageView) return axis;
  const TPagePlace place = engine.PagePlace(page);
  axis.start = horizontal ? place.area.left : place.area.top;
  axis.offset = horizontal ? place.x : place.y;
  if (place.scale > 0) axis.scale = place.scale;
  return axis;
}
}  // namespace

int TfmPreviewForm::DocToScreenX(int x) const {
  return ViewAxis(viewMode_, engine_, currentPage_, zoom_, true).ToView(x);
}
int TfmPreviewForm::DocToScreenY(int y) const {
  return ViewAxis(viewMode_, engine_, currentPage_, zoom_, false).ToView(y);
}
int TfmPreviewForm::ScreenToDocX(int x) const {
  return ViewAxis(viewMode_, engine_, currentPage_, zoom_, true).ToCapture(x);
}
int TfmPreviewForm::ScreenToDocY(int y) const {
  return ViewAxis(viewMode_, engine_, currentPage_, zoom_, false).ToCapture(y);
}

SIZE TfmPreviewForm::PictureExtent() const {
  if (!captureGraphic_) return SIZE{0, 0};
  return SIZE{Round(captureGraphic_->GetImageWidth() * zoom_), Round(captureGraphic_->GetImageHeight() * zoom_)};
}

void TfmPreviewForm::SizeSurface() {
  if (zoom_ >= 1)
    surface_.SetSize(engine_.Geometry().PageWidth, engine_.Geometry().PageHeight, 4);
  else
    surface_.SetSize(Round(engine_.Geometry().PageWidth * zoom_), Round(engine_.Geometry().PageHeight * zoom_), 4);
}

void TfmPreviewForm::RenderView() {
  engine_.Layout(captureGraphic_, &captureRect_, settingImages_, true);
  SizeSurface();
  // The view draws through a reader of its own, so that its scale is not the request's.
  viewImage_ = captureGraphic_ ? captureGraphic_->OpenReader() : nullptr;
  ApplyZoom(zoom_);
  ShowPage(1);
  if (printWithoutPreview_) Print();
}

void TfmPreviewForm::InitPageControls() {
  breaks_->UpdateDelimiters();
  ::OutputDebugStringA("InitPageControls");
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
    viewWidth_ = Round(engine_.Geometry().PageWidth * zoom);
    viewHeight_ = Round(engine_.Geometry().PageHeight * zoom);
  }
  // The surface holds the current page at the view's size, at most 1:1.
  if (viewMode_ == vmPageView && zoom != oldZoom && (zoom < 1 || oldZoom < 1)) {
    SizeSurface();
    ShowPage(currentPage_);
  }
  ProcessResize();
  selection_->PlaceSelectArea();
}

void TfmPreviewForm::ProcessResize() {
  const int clientWidth = scroller_->ClientWidth(), clientHeight = scroller_->ClientHeight();
  const int left = clientWidth > viewWidth_ ? (clientWidth - viewWidth_) / 2 : 0;
  const int top = clientHeight > viewHeight_ ? (clientHeight - viewHeight_) / 2 : 0;
  // The scroll positions stay where they were, as far as the new size allows.
  scroller_->SetContent(imgBox_.get(), left, top, viewWidth_, viewHeight_);
  if (!breaks_->Dragging()) InitPageControls();
  ::OutputDebugStringA("ProcessResize()");
}

void TfmPreviewForm::SetViewMode(TViewMode mode) {
  const bool changed = mode != viewMode_;
  viewMode_ = mode;
  // Breaks deleted in the capture view may have taken the page the page view showed.
  if (mode == vmPageView) currentPage_ = ExistingPage(currentPage_);
  ApplyZoom(zoom_);
  if (!changed) return;
  selection_->HideSelectArea();
  if (mode == vmPageView) {
    SizeSurface();
    ShowPage(currentPage_);
  }
  imgBox_->Invalidate();
}

int32_t TfmPreviewForm::ExistingPage(int32_t page) const {
  return std::clamp<int32_t>(page, 1, std::max<int32_t>(1, engine_.GetPageCount()));
}

void TfmPreviewForm::ShowPage(int32_t page) {
  page = ExistingPage(page);
  const bool otherPage = page != currentPage_;
  currentPage_ = page;
  // A selection shown in the page view stays where it is and covers the new page's picture.
  if (otherPage && viewMode_ == vmPageView) selection_->AreaToDoc();
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

bool TfmPreviewForm::HasSelection() const { return selection_->HasSelection(); }

RECT TfmPreviewForm::GetSelectionRect() {
  RECT shown = captureGraphic_ ? captureGraphic_->GetImageRect() : RECT{};
  // In the page view the area covers the page's piece of the picture and nothing beside it.
  if (viewMode_ == vmPageView) {
    const RECT piece = engine_.PagePlace(currentPage_).area;
    if (!::IntersectRect(&shown, &shown, &piece)) shown = RECT{};
  }
  return selection_->GetSelectionRect(shown);
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

void TfmPreviewForm::ImageMouseDown(TMouseButton button, int x, int y) {
  if (breaks_->ViewMouseDown(ToView(imgBox_->Handle(), POINT{x, y}))) return;
  if (button != mbLeft) return;
  if (selection_->SelectBtnDown()) {
    selection_->SelectMouseDown(x, y);
    mouseDown_ = true;
    return;
  }
  selection_->SelectAreaLeaveEditing();
  // Scroll-box coordinates: they stay put while the view box moves under the mouse.
  mousePos_ = POINT{x, y};
  ::MapWindowPoints(imgBox_->Handle(), scroller_->Handle(), &mousePos_, 1);
  if (::GetFocus() != scroller_->Handle()) ::SetFocus(scroller_->Handle());
  mouseDown_ = true;
}

void TfmPreviewForm::ImageMouseMove(UINT keys, int x, int y) {
  if (breaks_->Dragging()) {
    breaks_->DelimiterMouseMove(imgBox_->Handle(), keys, x, y);
    return;
  }
  if (!mouseDown_) return;
  if (selection_->SelectBtnDown()) {
    selection_->SelectMouseMove(x, y);
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

HCURSOR TfmPreviewForm::ViewCursor(int x, int y) {
  const POINT pos = ToView(imgBox_->Handle(), POINT{x, y});
  if (HCURSOR area = selection_->SelectArea().CursorAt(pos.x, pos.y)) return area;
  if (HCURSOR onBreak = breaks_->ViewCursor(pos)) return onBreak;
  return selection_->ViewCursor();
}

POINT TfmPreviewForm::ToView(HWND wnd, POINT client) const {
  ::MapWindowPoints(wnd, scroller_->Handle(), &client, 1);
  return POINT{client.x - scroller_->ContentLeft(), client.y - scroller_->ContentTop()};
}

POINT TfmPreviewForm::FromView(HWND wnd, POINT view) const {
  POINT client{view.x + scroller_->ContentLeft(), view.y + scroller_->ContentTop()};
  ::MapWindowPoints(scroller_->Handle(), wnd, &client, 1);
  return client;
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
    breaks_->PaintPageBreaks(canvas);
    PaintPageLabels(canvas);
    breaks_->PaintGuideLines(canvas);
  } else if (surface_.Bits()) {
    // Page view: the current page as laid out for the printer, at the view's size.
    ::SetStretchBltMode(canvas, HALFTONE);
    ::SetBrushOrgEx(canvas, 0, 0, nullptr);
    ::StretchBlt(canvas, 0, 0, viewWidth_, viewHeight_, surface_.Canvas(), 0, 0, surface_.Width(),
                 surface_.Height(), SRCCOPY);
  }
  selection_->SelectArea().Paint(canvas);
  ::SetViewportOrgEx(canvas, 0, 0, nullptr);
  ::BitBlt(dc, clip.left, clip.top, w, h, canvas, 0, 0, SRCCOPY);
}

void TfmPreviewForm::PaintPageLabels(HDC dc) {
  // 20 points at 100 %, truncated with the zoom.
  const int points = static_cast<int>(zoom_ * 20);
  if (points <= 0) return;
  FontHandle font(::CreateFontW(-::MulDiv(points, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0,
                                NONANTIALIASED_QUALITY, L"Arial Black"));
  const SelectObjectScope selected(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
  for (int32_t page = 1; page <= document_.GetPageCount(); ++page) {
    const RECT doc = document_.GetPageRect(page);
    RECT r{DocToScreenX(doc.left), DocToScreenY(doc.top), DocToScreenX(doc.right), DocToScreenY(doc.bottom)};
    const std::wstring caption = std::to_wstring(page) + L" Page";
    SIZE size{};
    ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    const int w = r.right - r.left, h = r.bottom - r.top;
    // Centred on its page; a label larger than the page starts at the page's edge, cut to it.
    RECT label{r.left + (w - size.cx) / 2, r.top + (h - size.cy) / 2, 0, 0};
    if (size.cx > w) label.left = r.left;
    if (size.cy > h) label.top = r.top;
    label.right = std::min<LONG>(label.left + size.cx, r.right);
    label.bottom = std::min<LONG>(label.top + size.cy, r.bottom);
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &label, DT_LEFT | DT_TOP | DT_SINGLELINE);
  }
}

}  // namespace vt

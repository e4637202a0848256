// The rulers along the view and the editing of page breaks with the mouse: a guide line that
// follows the mouse over a ruler and adds a break from the ruler's menu, breaks dragged to a new
// place (with Ctrl the breaks beyond them follow), dropped past the picture's edge to go, or
// deleted from their own menu. Breaks, guide lines and labels are painted, not windows: windows
// end at 32767 pixels, pictures do not.
#include <windows.h>

#include <string>

#include "base/Dialogs.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "preview/frmPreviewForm.h"
#include "resources/StringIds.h"

namespace vt {

namespace {
constexpr int kBreakThickness = 3;
constexpr UINT kMenuItem = 1;
constexpr COLORREF kRulerColor = RGB(192, 192, 192);

HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }
}  // namespace

void TfmPreviewForm::CreateRulers() {
  cursorDown_ = ::LoadCursorW(ThisModule(), L"CUSTOM_CURSOR_DOWN");
  cursorLeft_ = ::LoadCursorW(ThisModule(), L"CUSTOM_CURSOR_LEFT");
  panelTop_ = std::make_unique<TRuler>(Handle());
  panelLeft_ = std::make_unique<TRuler>(Handle());
  for (bool vert : {true, false}) {
    TRuler& ruler = vert ? *panelTop_ : *panelLeft_;
    ruler.OnPaint = [this, vert](HDC dc) { PaintRuler(dc, vert); };
    ruler.OnCursor = [this, vert](int x, int y) { return RulerCursor(vert, x, y); };
    ruler.OnLeave = [this, vert] { ShowGuide(vert, -1); };
    ruler.OnCaptureLost = [this] { CancelDelimiterDrag(); };
    ruler.OnMouseDown = [this, vert](TWindow&, TMouseButton button, UINT, int x, int y) {
      RulerMouseDown(vert, button, x, y);
    };
    ruler.OnMouseMove = [this, vert](TWindow&, TMouseButton, UINT keys, int x, int y) {
      RulerMouseMove(vert, keys, x, y);
    };
    ruler.OnMouseUp = [this, vert](TWindow& sender, TMouseButton button, UINT keys, int x, int y) {
      if (delimiterDrag_) DropDelimiter(sender.Handle(), button, keys, x, y);
      else RulerMouseUp(vert, button, x, y);
    };
  }
  imgBox_->OnCursor = [this](int x, int y) { return ViewCursor(x, y); };
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

void TfmPreviewForm::UpdateDelimiters() {
  // The breaks, labels and rulers follow the document and the zoom.
  imgBox_->Invalidate();
  panelTop_->Invalidate();
  panelLeft_->Invalidate();
}

int TfmPreviewForm::DelimiterViewPos(bool vert, int32_t i) const {
  if (delimiterDrag_ && dragVert_ == vert && dragIndex_ == i) return dragPos_;
  return vert ? DocToScreenX(document_.GetVert(i)) : DocToScreenY(document_.GetHorz(i));
}

int32_t TfmPreviewForm::DelimiterAt(bool vert, int pos) const {
  const int32_t count = vert ? document_.GetVertCount() : document_.GetHorzCount();
  // The last one drawn lies on top.
  for (int32_t i = count - 1; i >= 0; --i) {
    const int at = DelimiterViewPos(vert, i);
    if (pos >= at && pos < at + kBreakThickness) return i;
  }
  return -1;
}

void TfmPreviewForm::PaintRuler(HDC dc, bool vert) {
  TRuler& ruler = vert ? *panelTop_ : *panelLeft_;
  RECT client{};
  ::GetClientRect(ruler.Handle(), &client);
  BrushHandle silver(::CreateSolidBrush(kRulerColor));
  ::FillRect(dc, &client, silver.get());
  if (viewMode_ != vmCaptureView) return;
  // The picture's extent, one pixel in from the outer edge, and a mark for every break on it.
  const POINT origin = FromView(ruler.Handle(), POINT{0, 0});
  BrushHandle face(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
  const int32_t count = vert ? document_.GetVertCount() : document_.GetHorzCount();
  for (int32_t i = 0; i < count; ++i) {
    const int at = DelimiterViewPos(vert, i);
    const RECT mark = vert ? RECT{origin.x + at, 0, origin.x + at + kBreakThickness, client.bottom}
                           : RECT{0, origin.y + at, client.right, origin.y + at + kBreakThickness};
    ::FillRect(dc, &mark, face.get());
  }
}

void TfmPreviewForm::PaintGuideLines(HDC dc) {
  PenHandle pen(::CreatePen(PS_DOT, 1, RGB(0, 0, 255)));
  HGDIOBJ old = ::SelectObject(dc, pen.get());
  ::SetBkMode(dc, TRANSPARENT);
  for (int k = 0; k < kBreakThickness; ++k) {
    if (guide_[0] >= 0) {
      ::MoveToEx(dc, guide_[0] + k, 0, nullptr);
      ::LineTo(dc, guide_[0] + k, viewHeight_);
    }
    if (guide_[1] >= 0) {
      ::MoveToEx(dc, 0, guide_[1] + k, nullptr);
      ::LineTo(dc, viewWidth_, guide_[1] + k);
    }
  }
  ::SelectObject(dc, old);
}

void TfmPreviewForm::InvalidateBand(bool vert, int pos) {
  const POINT at = FromView(imgBox_->Handle(), POINT{pos, pos});
  RECT band{};
  ::GetClientRect(imgBox_->Handle(), &band);
  if (vert) {
    band.left = at.x - 1;
    band.right = at.x + kBreakThickness + 1;
  } else {
    band.top = at.y - 1;
    band.bottom = at.y + kBreakThickness + 1;
  }
  ::InvalidateRect(imgBox_->Handle(), &band, FALSE);
}

HCURSOR TfmPreviewForm::RulerCursor(bool vert, int x, int y) {
  if (viewMode_ == vmCaptureView) {
    const POINT pos = ToView((vert ? *panelTop_ : *panelLeft_).Handle(), POINT{x, y});
    if (DelimiterAt(vert, vert ? pos.x : pos.y) >= 0) return SystemCursor(vert ? IDC_SIZEWE : IDC_SIZENS);
    if (guide_[vert ? 0 : 1] >= 0) return vert ? cursorDown_ : cursorLeft_;
  }
  return SystemCursor(IDC_ARROW);
}

HCURSOR TfmPreviewForm::ViewCursor(int x, int y) {
  const POINT pos = ToView(imgBox_->Handle(), POINT{x, y});
  if (HCURSOR area = selectArea_.CursorAt(pos.x, pos.y)) return area;
  if (viewMode_ == vmCaptureView) {
    if (DelimiterAt(true, pos.x) >= 0) return SystemCursor(IDC_SIZEWE);
    if (DelimiterAt(false, pos.y) >= 0) return SystemCursor(IDC_SIZENS);
  }
  return viewCursor_;
}

void TfmPreviewForm::ShowGuide(bool vert, int pos) {
  int& guide = guide_[vert ? 0 : 1];
  if (guide == pos) return;
  if (guide >= 0) InvalidateBand(vert, guide);
  guide = pos;
  if (guide >= 0) InvalidateBand(vert, guide);
}

void TfmPreviewForm::RulerMouseMove(bool vert, UINT keys, int x, int y) {
  TRuler& ruler = vert ? *panelTop_ : *panelLeft_;
  if (delimiterDrag_) {
    DragDelimiter(ruler.Handle(), keys, x, y);
    return;
  }
  // The guide line follows the mouse over the picture's extent on the ruler, breaks excepted.
  const POINT view = ToView(ruler.Handle(), POINT{x, y});
  const int pos = vert ? view.x : view.y;
  const int extent = vert ? DocToScreenX(document_.Width()) : DocToScreenY(document_.Height());
  const bool onExtent = viewMode_ == vmCaptureView && ruler.ClientContains(x, y) && pos >= 0 && pos < extent;
  ShowGuide(vert, onExtent && DelimiterAt(vert, pos) < 0 ? pos : -1);
  ::SetCursor(RulerCursor(vert, x, y));
}

void TfmPreviewForm::RulerMouseDown(bool vert, TMouseButton, int x, int y) {
  if (viewMode_ != vmCaptureView) return;
  const POINT view = ToView((vert ? *panelTop_ : *panelLeft_).Handle(), POINT{x, y});
  const int32_t i = DelimiterAt(vert, vert ? view.x : view.y);
  if (i >= 0) StartDelimiterDrag(vert, i);
}

void TfmPreviewForm::RulerMouseUp(bool vert, TMouseButton button, int x, int y) {
  if (button != mbRight || guide_[vert ? 0 : 1] < 0) return;
  POINT screen{x, y};
  ::ClientToScreen((vert ? *panelTop_ : *panelLeft_).Handle(), &screen);
  if (PopUpMenu(vert ? "TopwhitePopupMenu" : "LeftwhitePopupMenu", kCaptionAddDelimiter, screen) == kMenuItem)
    AddDelimiterAtGuide(vert);
}

void TfmPreviewForm::AddDelimiterAtGuide(bool vert) {
  const int pos = guide_[vert ? 0 : 1];
  ShowGuide(vert, -1);
  if (pos < 0) return;
  // The document turns away positions off the picture and ones it already has.
  if (vert) document_.AddVert(ScreenToDocX(pos));
  else document_.AddHorz(ScreenToDocY(pos));
  UpdateDelimiters();
  ::SetCursor(SystemCursor(IDC_ARROW));
}

void TfmPreviewForm::DeleteMenuDelimiter(bool vert) {
  if (vert) document_.DeleteVert(menuDelimiter_);
  else document_.DeleteHorz(menuDelimiter_);
  menuDelimiter_ = -1;
  UpdateDelimiters();
  ::SetCursor(SystemCursor(IDC_ARROW));
}

void TfmPreviewForm::StartDelimiterDrag(bool vert, int32_t i) {
  ShowGuide(true, -1);
  ShowGuide(false, -1);
  dragPos_ = DelimiterViewPos(vert, i);
  dragVert_ = vert;
  dragIndex_ = i;
  delimiterDrag_ = true;
}

void TfmPreviewForm::DragDelimiter(HWND wnd, UINT keys, int x, int y) {
  if (!(keys & MK_LBUTTON)) return;
  const POINT view = ToView(wnd, POINT{x, y});
  InvalidateBand(dragVert_, dragPos_);
  dragPos_ = dragVert_ ? view.x : view.y;
  InvalidateBand(dragVert_, dragPos_);
  (dragVert_ ? *panelTop_ : *panelLeft_).Invalidate();
  ::UpdateWindow(imgBox_->Handle());
}

void TfmPreviewForm::DropDelimiter(HWND wnd, TMouseButton button, UINT keys, int x, int y) {
  const bool vert = dragVert_;
  const int32_t i = dragIndex_;
  delimiterDrag_ = false;
  dragIndex_ = -1;
  if (button == mbLeft) {
    // Ctrl moves the breaks beyond by the same distance; without it the breaks passed over go.
    const POINT view = ToView(wnd, POINT{x, y});
    const int32_t mode = (keys & MK_CONTROL) ? TVantrelleDocument::mmShift : TVantrelleDocument::mmSwallow;
    if (vert) document_.MoveVert(i, ScreenToDocX(view.x), mode);
    else document_.MoveHorz(i, ScreenToDocY(view.y), mode);
    // A resize skipped during the drag is caught up with here.
    ProcessResize();
  } else if (button == mbRight) {
    UpdateDelimiters();
    POINT screen{x, y};
    ::ClientToScreen(wnd, &screen);
    menuDelimiter_ = i;
    if (PopUpMenu(vert ? "TopPopupMenu" : "LeftPopupMenu", kCaptionDeleteDelimiter, screen) == kMenuItem)
      DeleteMenuDelimiter(vert);
  } else {
    UpdateDelimiters();
  }
}

void TfmPreviewForm::CancelDelimiterDrag() {
  // The mouse went elsewhere mid-drag (another window took it): the break stays where it was.
  if (!delimiterDrag_) return;
  delimiterDrag_ = false;
  dragIndex_ = -1;
  ProcessResize();
}

int TfmPreviewForm::PopUpMenu(const char* name, UINT captionId, POINT screen) {
  const std::string caption = LoadResString(captionId);
  return RunDialog(DialogRequest{name, "", caption, 0}, [&] {
    MenuHandle menu(::CreatePopupMenu());
    ::AppendMenuA(menu.get(), MF_STRING, kMenuItem, caption.c_str());
    return static_cast<int>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x,
                                             screen.y, 0, Handle(), nullptr));
  });
}

}  // namespace vt

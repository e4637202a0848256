#include "preview/uPageBreakEditor.h"

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

TPageBreakEditor::TPageBreakEditor(TfmPreviewForm& form) : form_(form) {
  cursorDown_ = ::LoadCursorW(ThisModule(), L"CUSTOM_CURSOR_DOWN");
  cursorLeft_ = ::LoadCursorW(ThisModule(), L"CUSTOM_CURSOR_LEFT");
  panelTop_ = std::make_unique<TRuler>(form.Handle());
  panelLeft_ = std::make_unique<TRuler>(form.Handle());
  for (bool vert : {true, false}) {
    TRuler& ruler = Ruler(vert);
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
      if (dragging_) DropDelimiter(sender.Handle(), button, keys, x, y);
      else RulerMouseUp(vert, button, x, y);
    };
  }
}

void TPageBreakEditor::UpdateDelimiters() {
  form_.ImgBox().Invalidate();
  panelTop_->Invalidate();
  panelLeft_->Invalidate();
}

int TPageBreakEditor::DelimiterViewPos(bool vert, int32_t i) const {
  if (dragging_ && dragVert_ == vert && dragIndex_ == i) return dragPos_;
  TVantrelleDocument& document = form_.Document();
  return vert ? form_.DocToScreenX(document.GetVert(i)) : form_.DocToScreenY(document.GetHorz(i));
}

int32_t TPageBreakEditor::DelimiterAt(bool vert, int pos) const {
  TVantrelleDocument& document = form_.Document();
  const int32_t count = vert ? document.GetVertCount() : document.GetHorzCount();
  // The last one drawn lies on top.
  for (int32_t i = count - 1; i >= 0; --i) {
    const int at = DelimiterViewPos(vert, i);
    if (pos >= at && pos < at + kBreakThickness) return i;
  }
  return -1;
}

void TPageBreakEditor::PaintPageBreaks(HDC dc) const {
  // Three dotted red lines side by side per break, the picture showing between the dots.
  TVantrelleDocument& document = form_.Document();
  PenHandle pen(::CreatePen(PS_DOT, 1, RGB(255, 0, 0)));
  HGDIOBJ old = ::SelectObject(dc, pen.get());
  ::SetBkMode(dc, TRANSPARENT);
  for (int32_t i = 0; i < document.GetVertCount(); ++i) {
    const int x = DelimiterViewPos(true, i);
    for (int k = 0; k < 3; ++k) {
      ::MoveToEx(dc, x + k, 0, nullptr);
      ::LineTo(dc, x + k, form_.ViewHeight());
    }
  }
  for (int32_t i = 0; i < document.GetHorzCount(); ++i) {
    const int y = DelimiterViewPos(false, i);
    for (int k = 0; k < 3; ++k) {
      ::MoveToEx(dc, 0, y + k, nullptr);
      ::LineTo(dc, form_.ViewWidth(), y + k);
    }
  }
  ::SelectObject(dc, old);
}

void TPageBreakEditor::PaintRuler(HDC dc, bool vert) {
  TRuler& ruler = Ruler(vert);
  RECT client{};
  ::GetClientRect(ruler.Handle(), &client);
  BrushHandle silver(::CreateSolidBrush(kRulerColor));
  ::FillRect(dc, &client, silver.get());
  if (form_.ViewMode() != vmCaptureView) return;
  // The picture's extent, one pixel in from the outer edge, and a mark for every break on it.
  const POINT origin = form_.FromView(ruler.Handle(), POINT{0, 0});
  BrushHandle face(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
  TVantrelleDocument& document = form_.Document();
  const int32_t count = vert ? document.GetVertCount() : document.GetHorzCount();
  for (int32_t i = 0; i < count; ++i) {
    const int at = DelimiterViewPos(vert, i);
    const RECT mark = vert ? RECT{origin.x + at, 0, origin.x + at + kBreakThickness, client.bottom}
                           : RECT{0, origin.y + at, client.right, origin.y + at + kBreakThickness};
    ::FillRect(dc, &mark, face.get());
  }
}

void TPageBreakEditor::PaintGuideLines(HDC dc) const {
  PenHandle pen(::CreatePen(PS_DOT, 1, RGB(0, 0, 255)));
  HGDIOBJ old = ::SelectObject(dc, pen.get());
  ::SetBkMode(dc, TRANSPARENT);
  for (int k = 0; k < kBreakThickness; ++k) {
    if (guide_[0] >= 0) {
      ::MoveToEx(dc, guide_[0] + k, 0, nullptr);
      ::LineTo(dc, guide_[0] + k, form_.ViewHeight());
    }
    if (guide_[1] >= 0) {
      ::MoveToEx(dc, 0, guide_[1] + k, nullptr);
      ::LineTo(dc, form_.ViewWidth(), guide_[1] + k);
    }
  }
  ::SelectObject(dc, old);
}

void TPageBreakEditor::InvalidateBand(bool vert, int pos) {
  HWND view = form_.ImgBox().Handle();
  const POINT at = form_.FromView(view, POINT{pos, pos});
  RECT band{};
  ::GetClientRect(view, &band);
  if (vert) {
    band.left = at.x - 1;
    band.right = at.x + kBreakThickness + 1;
  } else {
    band.top = at.y - 1;
    band.bottom = at.y + kBreakThickness + 1;
  }
  ::InvalidateRect(view, &band, FALSE);
}

HCURSOR TPageBreakEditor::RulerCursor(bool vert, int x, int y) {
  if (form_.ViewMode() == vmCaptureView) {
    const POINT pos = form_.ToView(Ruler(vert).Handle(), POINT{x, y});
    if (DelimiterAt(vert, vert ? pos.x : pos.y) >= 0) return SystemCursor(vert ? IDC_SIZEWE : IDC_SIZENS);
    if (guide_[vert ? 0 : 1] >= 0) return vert ? cursorDown_ : cursorLeft_;
  }
  return SystemCursor(IDC_ARROW);
}

HCURSOR TPageBreakEditor::ViewCursor(POINT view) const {
  if (form_.ViewMode() == vmCaptureView) {
    if (DelimiterAt(true, view.x) >= 0) return SystemCursor(IDC_SIZEWE);
    if (DelimiterAt(false, view.y) >= 0) return SystemCursor(IDC_SIZENS);
  }
  return nullptr;
}

void TPageBreakEditor::ShowGuide(bool vert, int pos) {
  int& guide = guide_[vert ? 0 : 1];
  if (guide == pos) return;
  if (guide >= 0) InvalidateBand(vert, guide);
  guide = pos;
  if (guide >= 0) InvalidateBand(vert, guide);
}

void TPageBreakEditor::RulerMouseMove(bool vert, UINT keys, int x, int y) {
  TRuler& ruler = Ruler(vert);
  if (dragging_) {
    DragDelimiter(ruler.Handle(), keys, x, y);
    return;
  }
  // The guide line follows the mouse over the picture's extent on the ruler, breaks excepted.
  const POINT view = form_.ToView(ruler.Handle(), POINT{x, y});
  const int pos = vert ? view.x : view.y;
  const TVantrelleDocument& document = form_.Document();
  const int extent = vert ? form_.DocToScreenX(document.Width()) : form_.DocToScreenY(document.Height());
  const bool onExtent = form_.ViewMode() == vmCaptureView && ruler.ClientContains(x, y) && pos >= 0 && pos < extent;
  ShowGuide(vert, onExtent && DelimiterAt(vert, pos) < 0 ? pos : -1);
  ::SetCursor(RulerCursor(vert, x, y));
}

void TPageBreakEditor::RulerMouseDown(bool vert, TMouseButton, int x, int y) {
  if (form_.ViewMode() != vmCaptureView) return;
  const POINT view = form_.ToView(Ruler(vert).Handle(), POINT{x, y});
  const int32_t i = DelimiterAt(vert, vert ? view.x : view.y);
  if (i >= 0) StartDelimiterDrag(vert, i);
}

bool TPageBreakEditor::ViewMouseDown(POINT view) {
  if (form_.ViewMode() != vmCaptureView) return false;
  for (bool vert : {true, false}) {
    const int32_t i = DelimiterAt(vert, vert ? view.x : view.y);
    if (i >= 0) {
      StartDelimiterDrag(vert, i);
      return true;
    }
  }
  return false;
}

void TPageBreakEditor::RulerMouseUp(bool vert, TMouseButton button, int x, int y) {
  if (button != mbRight || guide_[vert ? 0 : 1] < 0) return;
  POINT screen{x, y};
  ::ClientToScreen(Ruler(vert).Handle(), &screen);
  if (PopUpMenu(vert ? "TopwhitePopupMenu" : "LeftwhitePopupMenu", kCaptionAddDelimiter, screen) == kMenuItem)
    AddDelimiterAtGuide(vert);
}

void TPageBreakEditor::AddDelimiterAtGuide(bool vert) {
  const int pos = guide_[vert ? 0 : 1];
  ShowGuide(vert, -1);
  if (pos < 0) return;
  // The document turns away positions off the picture and ones it already has.
  if (vert) form_.Document().AddVert(form_.ScreenToDocX(pos));
  else form_.Document().AddHorz(form_.ScreenToDocY(pos));
  UpdateDelimiters();
  ::SetCursor(SystemCursor(IDC_ARROW));
}

void TPageBreakEditor::DeleteMenuDelimiter(bool vert) {
  if (vert) form_.Document().DeleteVert(menuDelimiter_);
  else form_.Document().DeleteHorz(menuDelimiter_);
  menuDelimiter_ = -1;
  UpdateDelimiters();
  ::SetCursor(SystemCursor(IDC_ARROW));
}

void TPageBreakEditor::StartDelimiterDrag(bool vert, int32_t i) {
  ShowGuide(true, -1);
  ShowGuide(false, -1);
  dragPos_ = DelimiterViewPos(vert, i);
  dragVert_ = vert;
  dragIndex_ = i;
  dragging_ = true;
}

void TPageBreakEditor::DragDelimiter(HWND wnd, UINT keys, int x, int y) {
  if (!(keys & MK_LBUTTON)) return;
  const POINT view = form_.ToView(wnd, POINT{x, y});
  InvalidateBand(dragVert_, dragPos_);
  dragPos_ = dragVert_ ? view.x : view.y;
  InvalidateBand(dragVert_, dragPos_);
  Ruler(dragVert_).Invalidate();
  ::UpdateWindow(form_.ImgBox().Handle());
}

void TPageBreakEditor::DropDelimiter(HWND wnd, TMouseButton button, UINT keys, int x, int y) {
  const bool vert = dragVert_;
  const int32_t i = dragIndex_;
  dragging_ = false;
  dragIndex_ = -1;
  if (button == mbLeft) {
    // Ctrl moves the breaks beyond by the same distance; without it the breaks passed over go.
    const POINT view = form_.ToView(wnd, POINT{x, y});
    const int32_t mode = (keys & MK_CONTROL) ? TVantrelleDocument::mmShift : TVantrelleDocument::mmSwallow;
    if (vert) form_.Document().MoveVert(i, form_.ScreenToDocX(view.x), mode);
    else form_.Document().MoveHorz(i, form_.ScreenToDocY(view.y), mode);
    // A resize skipped during the drag is caught up with here.
    form_.ProcessResize();
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

void TPageBreakEditor::CancelDelimiterDrag() {
  // The mouse went elsewhere mid-drag (another window took it): the break stays where it was.
  if (!dragging_) return;
  dragging_ = false;
  dragIndex_ = -1;
  form_.ProcessResize();
}

int TPageBreakEditor::PopUpMenu(const char* name, UINT captionId, POINT screen) {
  const std::string caption = LoadResString(captionId);
  return RunDialog(DialogRequest{name, "", caption, 0}, [&] {
    MenuHandle menu(::CreatePopupMenu());
    ::AppendMenuA(menu.get(), MF_STRING, kMenuItem, caption.c_str());
    return static_cast<int>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x,
                                             screen.y, 0, form_.Handle(), nullptr));
  });
}

}  // namespace vt

#include "preview/uPageBreakEditor.h"

#include <string>

#include "base/Dialogs.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "resources/StringIds.h"

namespace vt {

namespace {
constexpr int kBreakThickness = 3;
constexpr UINT kMenuItem = 1;
constexpr COLORREF kRulerColor = RGB(192, 192, 192);

HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }
}  // namespace

TPageBreakEditor::TPageBreakEditor(IPreviewView& view, HWND form) : view_(view), form_(form) {
  cursorDown_ = ::LoadCursorW(ThisModule(), L"CUSTOM_CURSOR_DOWN");
  cursorLeft_ = ::LoadCursorW(ThisModule(), L"CUSTOM_CURSOR_LEFT");
  panelTop_ = std::make_unique<TRuler>(form);
  panelLeft_ = std::make_unique<TRuler>(form);
  for (bool vert : {true, false}) {
    TRuler& ruler = Ruler(vert);
    ruler.OnPaint = [this, vert](HDC dc) { DrawPageArea(dc, vert); };
    ruler.OnCursor = [this, vert](int x, int y) { return RulerCursor(vert, x, y); };
    ruler.OnLeave = [this, vert] { ShowGuide(vert, -1); };
    ruler.OnCaptureLost = [this] { CancelDrag(); };
    ruler.OnMouseDown = [this, vert](TWindow&, TMouseButton button, UINT, int x, int y) {
      RulerMouseDown(vert, button, x, y);
    };
    ruler.OnMouseMove = [this, vert](TWindow&, TMouseButton, UINT keys, int x, int y) {
      RulerMouseMove(vert, keys, x, y);
    };
    ruler.OnMouseUp = [this, vert](TWindow& sender, TMouseButton button, UINT keys, int x, int y) {
      if (dragging_) DelimiterMouseUp(sender.Handle(), button, keys, x, y);
      else RulerMouseUp(vert, button, x, y);
    };
  }
}

void TPageBreakEditor::UpdateDelimiters() {
  view_.ImgBox().Invalidate();
  panelTop_->Invalidate();
  panelLeft_->Invalidate();
}

int TPageBreakEditor::DelimiterViewPos(bool vert, int32_t i) const {
  if (dragging_ && dragVert_ == vert && dragIndex_ == i) return dragPos_;
  TVantrelleDocument& document = view_.Document();
  return vert ? view_.DocToScreenX(document.GetVert(i)) : view_.DocToScreenY(document.GetHorz(i));
}

int32_t TPageBreakEditor::DelimiterAt(bool vert, int pos) const {
  TVantrelleDocument& document = view_.Document();
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
  TVantrelleDocument& document = view_.Document();
  PenHandle pen(::CreatePen(PS_DOT, 1, RGB(255, 0, 0)));
  const SelectObjectScope selected(dc, pen.get());
  ::SetBkMode(dc, TRANSPARENT);
  for (int32_t i = 0; i < document.GetVertCount(); ++i) {
    const int x = DelimiterViewPos(true, i);
    for (int k = 0; k < 3; ++k) {
      ::MoveToEx(dc, x + k, 0, nullptr);
      ::LineTo(dc, x + k, view_.ViewHeight());
    }
  }
  for (int32_t i = 0; i < document.GetHorzCount(); ++i) {
    const int y = DelimiterViewPos(false, i);
    for (int k = 0; k < 3; ++k) {
      ::MoveToEx(dc, 0, y + k, nullptr);
      ::LineTo(dc, view_.ViewWidth(), y + k);
    }
  }
}

void TPageBreakEditor::DrawPageArea(HDC dc, bool vert) {
  TRuler& ruler = Ruler(vert);
  RECT client{};
  ::GetClientRect(ruler.Handle(), &client);
  BrushHandle face(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
  ::FillRect(dc, &client, face.get());
  // The picture's extent, one pixel in from the outer edge: the ruler shows where the picture ends.
  const POINT origin = view_.FromView(ruler.Handle(), POINT{0, 0});
  const SIZE extent = view_.PictureExtent();
  const RECT area = vert ? RECT{origin.x, 1, origin.x + extent.cx, client.bottom}
                         : RECT{1, origin.y, client.right, origin.y + extent.cy};
  BrushHandle silver(::CreateSolidBrush(kRulerColor));
  ::FillRect(dc, &area, silver.get());
  if (view_.ViewMode() != vmCaptureView) return;
  // A mark for every break on it.
  TVantrelleDocument& document = view_.Document();
  const int32_t count = vert ? document.GetVertCount() : document.GetHorzCount();
  for (int32_t i = 0; i < count; ++i) {
    const int at = DelimiterViewPos(vert, i);
    const RECT band = vert ? RECT{origin.x + at, area.top, origin.x + at + kBreakThickness, area.bottom}
                           : RECT{area.left, origin.y + at, area.right, origin.y + at + kBreakThickness};
    RECT mark{};
    if (::IntersectRect(&mark, &band, &area)) ::FillRect(dc, &mark, face.get());
  }
}

void TPageBreakEditor::PaintGuideLines(HDC dc) const {
  PenHandle pen(::CreatePen(PS_DOT, 1, RGB(0, 0, 255)));
  const SelectObjectScope selected(dc, pen.get());
  ::SetBkMode(dc, TRANSPARENT);
  for (int k = 0; k < kBreakThickness; ++k) {
    if (guide_[0] >= 0) {
      ::MoveToEx(dc, guide_[0] + k, 0, nullptr);
      ::LineTo(dc, guide_[0] + k, view_.ViewHeight());
    }
    if (guide_[1] >= 0) {
      ::MoveToEx(dc, 0, guide_[1] + k, nullptr);
      ::LineTo(dc, view_.ViewWidth(), guide_[1] + k);
    }
  }
}

void TPageBreakEditor::InvalidateBand(bool vert, int pos) {
  HWND view = view_.ImgBox().Handle();
  const POINT at = view_.FromView(view, POINT{pos, pos});
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
  if (view_.ViewMode() == vmCaptureView) {
    const POINT pos = view_.ToView(Ruler(vert).Handle(), POINT{x, y});
    if (DelimiterAt(vert, vert ? pos.x : pos.y) >= 0) return SystemCursor(vert ? IDC_SIZEWE : IDC_SIZENS);
    if (guide_[vert ? 0 : 1] >= 0) return vert ? cursorDown_ : cursorLeft_;
  }
  return SystemCursor(IDC_ARROW);
}

HCURSOR TPageBreakEditor::ViewCursor(POINT view) const {
  if (view_.ViewMode() == vmCaptureView) {
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
    DelimiterMouseMove(ruler.Handle(), keys, x, y);
    return;
  }
  // The guide line follows the mouse over the picture's extent on the ruler, breaks excepted.
  const POINT view = view_.ToView(ruler.Handle(), POINT{x, y});
  const int pos = vert ? view.x : view.y;
  const int extent = vert ? view_.PictureExtent().cx : view_.PictureExtent().cy;
  const bool onExtent = view_.ViewMode() == vmCaptureView && ruler.ClientContains(x, y) && pos >= 0 && pos < extent;
  ShowGuide(vert, onExtent && DelimiterAt(vert, pos) < 0 ? pos : -1);
  ::SetCursor(RulerCursor(vert, x, y));
}

void TPageBreakEditor::RulerMouseDown(bool vert, TMouseButton, int x, int y) {
  if (view_.ViewMode() != vmCaptureView) return;
  const POINT view = view_.ToView(Ruler(vert).Handle(), POINT{x, y});
  const int32_t i = DelimiterAt(vert, vert ? view.x : view.y);
  if (i >= 0) DelimiterMouseDown(vert, i);
}

bool TPageBreakEditor::ViewMouseDown(POINT view) {
  if (view_.ViewMode() != vmCaptureView) return false;
  for (bool vert : {true, false}) {
    const int32_t i = DelimiterAt(vert, vert ? view.x : view.y);
    if (i >= 0) {
      DelimiterMouseDown(vert, i);
      return true;
    }
  }
  return false;
}

void TPageBreakEditor::RulerMouseUp(bool vert, TMouseButton button, int x, int y) {
  // Taken now: on its way to the menu the mouse leaves the ruler, which hides the guide line.
  const int pos = guide_[vert ? 0 : 1];
  if (button != mbRight || pos < 0) return;
  POINT screen{x, y};
  ::ClientToScreen(Ruler(vert).Handle(), &screen);
  if (PopUpMenu(vert ? "TopwhitePopupMenu" : "LeftwhitePopupMenu", kCaptionAddDelimiter, screen) == kMenuItem)
    AddDelClick(vert, pos);
}

void TPageBreakEditor::AddDelClick(bool vert, int pos) {
  ShowGuide(vert, -1);
  // The document turns away positions off the picture and ones it already has.
  if (vert) view_.Document().AddVert(view_.ScreenToDocX(pos));
  else view_.Document().AddHorz(view_.ScreenToDocY(pos));
  UpdateDelimiters();
  ::SetCursor(SystemCursor(IDC_ARROW));
}

void TPageBreakEditor::DeleteDelClick(bool vert) {
  if (vert) view_.Document().DeleteVert(menuDelimiter_);
  else view_.Document().DeleteHorz(menuDelimiter_);
  menuDelimiter_ = -1;
  UpdateDelimiters();
  ::SetCursor(SystemCursor(IDC_ARROW));
}

void TPageBreakEditor::DelimiterMouseDown(bool vert, int32_t i) {
  ShowGuide(true, -1);
  ShowGuide(false, -1);
  dragPos_ = DelimiterViewPos(vert, i);
  dragVert_ = vert;
  dragIndex_ = i;
  dragging_ = true;
}

void TPageBreakEditor::DelimiterMouseMove(HWND wnd, UINT keys, int x, int y) {
  if (!(keys & MK_LBUTTON)) return;
  const POINT view = view_.ToView(wnd, POINT{x, y});
  InvalidateBand(dragVert_, dragPos_);
  dragPos_ = dragVert_ ? view.x : view.y;
  InvalidateBand(dragVert_, dragPos_);
  Ruler(dragVert_).Invalidate();
  ::UpdateWindow(view_.ImgBox().Handle());
}

void TPageBreakEditor::DelimiterMouseUp(HWND wnd, TMouseButton button, UINT keys, int x, int y) {
  const bool vert = dragVert_;
  const int32_t i = dragIndex_;
  dragging_ = false;
  dragIndex_ = -1;
  if (button == mbLeft) {
    // Ctrl moves the breaks beyond by the same distance; without it the breaks passed over go.
    const POINT view = view_.ToView(wnd, POINT{x, y});
    const int32_t mode = (keys & MK_CONTROL) ? TVantrelleDocument::mmShift : TVantrelleDocument::mmSwallow;
    if (vert) view_.Document().MoveVert(i, view_.ScreenToDocX(view.x), mode);
    else view_.Document().MoveHorz(i, view_.ScreenToDocY(view.y), mode);
    // A resize skipped during the drag is caught up with here.
    view_.ProcessResize();
  } else if (button == mbRight) {
    UpdateDelimiters();
    POINT screen{x, y};
    ::ClientToScreen(wnd, &screen);
    menuDelimiter_ = i;
    if (PopUpMenu(vert ? "TopPopupMenu" : "LeftPopupMenu", kCaptionDeleteDelimiter, screen) == kMenuItem)
      DeleteDelClick(vert);
  } else {
    UpdateDelimiters();
  }
}

void TPageBreakEditor::CancelDrag() {
  if (!dragging_) return;
  dragging_ = false;
  dragIndex_ = -1;
  view_.ProcessResize();
}

int TPageBreakEditor::PopUpMenu(const char* name, UINT captionId, POINT screen) {
  const std::string caption = LoadResString(captionId);
  return RunDialog(DialogRequest{name, "", caption, 0}, [&] {
    MenuHandle menu(::CreatePopupMenu());
    ::AppendMenuA(menu.get(), MF_STRING, kMenuItem, caption.c_str());
    return static_cast<int>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x,
                                             screen.y, 0, form_, nullptr));
  });
}

}  // namespace vt

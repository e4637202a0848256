#include "preview/uPreviewControls.h"

#include <algorithm>

#include "base/Handles.h"

namespace vt {

namespace {
void FillColor(HDC dc, COLORREF color) {
  RECT clip{};
  ::GetClipBox(dc, &clip);
  BrushHandle brush(::CreateSolidBrush(color));
  ::FillRect(dc, &clip, brush.get());
}
}  // namespace

TPlainPanel::TPlainPanel(HWND parent, COLORREF color) : color_(color) {
  CreateChild(L"VantrellePlainPanel", parent, 0, 0, 0, 0);
}

void TPlainPanel::SetColor(COLORREF color) {
  color_ = color;
  Invalidate();
}

void TPlainPanel::Paint(HDC dc) { FillColor(dc, color_); }

TPaintBox::TPaintBox(HWND parent) {
  CreateHandle(L"VantrellePaintBox", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, parent, 0, 0, 0,
               0);
}

LRESULT TPaintBox::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT && OnCursor) {
    POINT pos{};
    ::GetCursorPos(&pos);
    ::ScreenToClient(Handle(), &pos);
    if (HCURSOR cursor = OnCursor(pos.x, pos.y)) {
      ::SetCursor(cursor);
      return TRUE;
    }
  }
  return TWindow::HandleMessage(msg, wParam, lParam);
}

void TPaintBox::Paint(HDC dc) {
  RECT clip{};
  ::GetClipBox(dc, &clip);
  if (OnPaint) OnPaint(dc, clip);
}

TScroller::TScroller(HWND parent, bool horzBar, bool sunken) : horzBar_(horzBar) {
  CreateHandle(L"VantrelleScroller",
               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL | (horzBar ? WS_HSCROLL : 0),
               sunken ? WS_EX_CLIENTEDGE : 0, parent, 0, 0, 0, 0);
  UpdateBars();
}

int TScroller::ClientWidth() const {
  RECT r{};
  ::GetClientRect(Handle(), &r);
  return r.right;
}

int TScroller::ClientHeight() const {
  RECT r{};
  ::GetClientRect(Handle(), &r);
  return r.bottom;
}

void TScroller::SetContent(TWindow* content, int left, int top, int width, int height) {
  content_ = content;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  SetPositions(horz_, vert_);
}

void TScroller::SetPositions(int horz, int vert) {
  horz_ = std::clamp(horz, 0, std::max(0, left_ + width_ - ClientWidth()));
  vert_ = std::clamp(vert, 0, std::max(0, top_ + height_ - ClientHeight()));
  const RECT content{ContentLeft(), ContentTop(), ContentLeft() + width_, ContentTop() + height_};
  const RECT client{0, 0, ClientWidth(), ClientHeight()};
  RECT shown{};
  if (!::IntersectRect(&shown, &content, &client)) shown = RECT{content.left, content.top, content.left, content.top};
  origin_ = POINT{shown.left - content.left, shown.top - content.top};
  if (content_) {
    content_->SetBounds(shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top);
    content_->Invalidate();  // the same window shows another part now
  }
  UpdateBars();
}

void TScroller::ScrollByWheel(int delta, UINT keys) {
  if (keys & MK_CONTROL)
    SetHorzPosition(horz_ - delta);
  else
    SetVertPosition(vert_ - delta);
}

void TScroller::UpdateBars() {
  SCROLLINFO si{sizeof(si), SIF_ALL | SIF_DISABLENOSCROLL, 0, 0, 0, 0, 0};
  si.nMax = std::max(0, left_ + width_ - 1);
  si.nPage = static_cast<UINT>(ClientWidth());
  si.nPos = horz_;
  if (horzBar_) ::SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
  si.nMax = std::max(0, top_ + height_ - 1);
  si.nPage = static_cast<UINT>(ClientHeight());
  si.nPos = vert_;
  ::SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
}

void TScroller::Scroll(int bar, int code) {
  const bool horz = bar == SB_HORZ;
  const int page = horz ? ClientWidth() : ClientHeight();
  int pos = horz ? horz_ : vert_;
  SCROLLINFO si{sizeof(si), SIF_TRACKPOS, 0, 0, 0, 0, 0};
  ::GetScrollInfo(Handle(), bar, &si);
  switch (code) {
    case SB_LINEUP: pos -= 8; break;
    case SB_LINEDOWN: pos += 8; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = si.nTrackPos; break;  // smooth tracking
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = 1 << 30; break;
    default: return;
  }
  if (horz) SetPositions(pos, vert_); else SetPositions(horz_, pos);
  if (OnScroll) OnScroll();
}

LRESULT TScroller::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_HSCROLL: Scroll(SB_HORZ, LOWORD(wParam)); return 0;
    case WM_VSCROLL: Scroll(SB_VERT, LOWORD(wParam)); return 0;
    case WM_SIZE:
      UpdateBars();
      if (OnResize) OnResize();
      return 0;
    case WM_MOUSEWHEEL:
      if (OnWheel) OnWheel(GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
      return 0;
    case WM_KEYDOWN: case WM_KEYUP:
      if (OnKey) OnKey(msg, wParam, lParam);
      return 0;
    case WM_SYSKEYDOWN: case WM_SYSKEYUP:
      // Alt+F4 and the other system keys are the platform's unless the owner takes them.
      if (!OnKey) return TWindow::HandleMessage(msg, wParam, lParam);
      OnKey(msg, wParam, lParam);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    default:
      return TWindow::HandleMessage(msg, wParam, lParam);
  }
}

void TScroller::Paint(HDC dc) { FillColor(dc, ::GetSysColor(COLOR_BTNFACE)); }

}  // namespace vt

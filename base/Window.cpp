#include "base/Window.h"

#include <windowsx.h>

#include <string>
#include <utility>

#include "base/Boundary.h"
#include "base/Errors.h"
#include "base/Strings.h"

namespace vt {

TWindow::~TWindow() {
  if (!wnd_) return;
  // Messages sent while the window goes away find no object any more.
  ::SetWindowLongPtrW(wnd_.get(), 0, 0);
  wnd_.reset();
}

TWindow* TWindow::FromHandle(HWND wnd) {
  if (!wnd || static_cast<ULONG_PTR>(::GetClassLongPtrW(wnd, GCLP_WNDPROC)) != reinterpret_cast<ULONG_PTR>(&WindowProc)) return nullptr;
  return reinterpret_cast<TWindow*>(::GetWindowLongPtrW(wnd, 0));
}

void TWindow::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, int left, int top,
                           int width, int height, LPCWSTR cursor) {
  HINSTANCE instance = ThisModule();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (!::GetClassInfoExW(instance, className, &wc)) {
    wc.lpfnWndProc = &WindowProc;
    wc.cbWndExtra = sizeof(TWindow*);
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, cursor);
    wc.lpszClassName = className;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw Error("Cannot register a window class: " + SystemErrorText(::GetLastError()));
  }
  if (!::CreateWindowExW(exStyle, className, L"", style, left, top, width, height, parent, nullptr, instance, this))
    throw Error("Cannot create a window: " + SystemErrorText(::GetLastError()));
}

void TWindow::CreateChild(const wchar_t* className, HWND parent, int left, int top, int width, int height,
                          LPCWSTR cursor) {
  CreateHandle(className, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent, left, top, width, height, cursor);
  // The system puts a new child below its siblings; a control made later covers earlier ones.
  ::SetWindowPos(wnd_.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK TWindow::WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->wnd_.reset(wnd);
    ::SetWindowLongPtrW(wnd, 0, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TWindow*>(::GetWindowLongPtrW(wnd, 0));
  if (!self) return ::DefWindowProcW(wnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(wnd, 0, 0);
    self->wnd_.release();  // going by itself
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
  }
  return MessageBoundary("Window message failed", LRESULT(0), [&] { return self->HandleMessage(msg, wParam, lParam); });
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      const PaintDC dc(wnd_.get());
      if (dc) Paint(dc.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // Paint covers the whole client area
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
      HandleMouse(msg, wParam, lParam);
      return 0;
    case WM_MOUSELEAVE:
      if (mouseInside_) {
        mouseInside_ = false;
        MouseLeave();
      }
      return 0;
    case WM_CAPTURECHANGED:
      // A release of our own is told after the handlers of the button's release.
      if (releasing_ || reinterpret_cast<HWND>(lParam) == wnd_.get()) return 0;
      if (clickPending_) {
        clickPending_ = false;
        CaptureLost();
      }
      if (OnCaptureLost) OnCaptureLost();
      return 0;
    default:
      return ::DefWindowProcW(wnd_.get(), msg, wParam, lParam);
  }
}

void TWindow::HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
  // Disabled windows get no real input; posted messages are turned away the same.
  if (!Enabled()) return;
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  const UINT keys = GET_KEYSTATE_WPARAM(wParam);
  const TMouseButton button = msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP   ? mbRight
                              : msg == WM_MBUTTONDOWN || msg == WM_MBUTTONUP ? mbMiddle
                                                                             : mbLeft;
  switch (msg) {
    case WM_MOUSEMOVE:
      TrackMouse(x, y);
      MouseMove(keys, x, y);
      return;
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
      // Held buttons keep the mouse, so that the release outside comes here too.
      if (::GetCapture() != wnd_.get()) ::SetCapture(wnd_.get());
      if (button == mbLeft) clickPending_ = true;
      MouseDown(button, keys, x, y);
      return;
    default: {
      const bool click = button == mbLeft && clickPending_ && ClientContains(x, y);
      if (button == mbLeft) clickPending_ = false;
      // The mouse is let go before the handlers run: a window they open takes the next click.
      const bool released = !(keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && ::GetCapture() == wnd_.get();
      if (released) {
        releasing_ = true;
        ::ReleaseCapture();
        releasing_ = false;
      }
      MouseUp(button, keys, x, y);
      if (click) Click();
      if (released && OnCaptureLost) OnCaptureLost();
      return;
    }
  }
}

void TWindow::TrackMouse(int x, int y) {
  const bool inside = ClientContains(x, y);
  if (inside == mouseInside_) return;
  mouseInside_ = inside;
  if (inside) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, wnd_.get(), 0};
    ::TrackMouseEvent(&track);
    MouseEnter();
  } else {
    MouseLeave();  // a move outside while the mouse is held here
  }
}

void TWindow::MouseDown(TMouseButton button, UINT keys, int x, int y) {
  if (OnMouseDown) OnMouseDown(*this, button, keys, x, y);
}

void TWindow::MouseMove(UINT keys, int x, int y) {
  if (OnMouseMove) OnMouseMove(*this, mbLeft, keys, x, y);
}

void TWindow::MouseUp(TMouseButton button, UINT keys, int x, int y) {
  if (OnMouseUp) OnMouseUp(*this, button, keys, x, y);
}

void TWindow::Click() {
  if (OnClick) OnClick(*this);
}

RECT TWindow::Bounds() const {
  RECT r{};
  ::GetWindowRect(wnd_.get(), &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetAncestor(wnd_.get(), GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void TWindow::SetBounds(int left, int top, int width, int height) {
  ::SetWindowPos(wnd_.get(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWindow::SetSize(int width, int height) {
  ::SetWindowPos(wnd_.get(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

}  // namespace vt

// A thin owner of one Win32 window of the control's own window classes. Messages come to the
// object's HandleMessage; painting and mouse input to virtual handlers that derived controls
// replace, mouse input also to events that forms hook.
#pragma once
#include <windows.h>
#include <functional>

#include "base/Handles.h"

namespace vt {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

class TWindow;
// button: the one pressed or released (mbLeft for moves); keys: the MK_ flags of the message;
// x, y: client coordinates (outside the window while a button is held on it).
using TMouseEvent = std::function<void(TWindow& sender, TMouseButton button, UINT keys, int x, int y)>;
using TNotifyEvent = std::function<void(TWindow& sender)>;

class TWindow {
public:
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  HWND Handle() const { return wnd_.get(); }
  // The object behind a window of our classes; null for any other window.
  static TWindow* FromHandle(HWND wnd);

  // Position and size in the parent's client coordinates (the screen's for a top-level window).
  RECT Bounds() const;
  int Left() const { return Bounds().left; }
  int Top() const { return Bounds().top; }
  int Width() const { const RECT r = Bounds(); return r.right - r.left; }
  int Height() const { const RECT r = Bounds(); return r.bottom - r.top; }
  void SetBounds(int left, int top, int width, int height);
  void SetSize(int width, int height);
  bool Enabled() const { return ::IsWindowEnabled(wnd_.get()) != FALSE; }
  void SetEnabled(bool enabled) { ::EnableWindow(wnd_.get(), enabled); }
  bool Visible() const { return ::IsWindowVisible(wnd_.get()) != FALSE; }
  void SetVisible(bool visible) { ::ShowWindow(wnd_.get(), visible ? SW_SHOWNA : SW_HIDE); }
  void Invalidate() { ::InvalidateRect(wnd_.get(), nullptr, FALSE); }
  // True when the client point lies on the window (right and bottom edges excluded).
  bool ClientContains(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }

  TMouseEvent OnMouseDown, OnMouseMove, OnMouseUp;
  // The left button was pressed and released on the window.
  TNotifyEvent OnClick;
  // The window lost the mouse capture: taken by another window, or released with the last button
  // (after that release's OnMouseUp and OnClick, which already run without it).
  std::function<void()> OnCaptureLost;

protected:
  TWindow() = default;
  // Creates the window of `className` (registered on first use, with `cursor`, a system cursor)
  // with the given styles; `parent` is the parent of a child window, the owner of a top-level one.
  // Throws vt::Error when it cannot.
  void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, int left, int top, int width,
                    int height, LPCWSTR cursor = MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  // A visible child control on top of its siblings.
  void CreateChild(const wchar_t* className, HWND parent, int left, int top, int width, int height,
                   LPCWSTR cursor = MAKEINTRESOURCEW(32512) /* IDC_ARROW */);

  // The message map: derived classes handle what they need and pass the rest on.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Paints the whole client area (for WM_PAINT and WM_PRINTCLIENT).
  virtual void Paint(HDC dc) {}
  // Each of these fires its event; a disabled window gets no mouse input at all.
  virtual void MouseDown(TMouseButton button, UINT keys, int x, int y);
  virtual void MouseMove(UINT keys, int x, int y);
  virtual void MouseUp(TMouseButton button, UINT keys, int x, int y);
  virtual void Click();
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  // Another window took the mouse while the left button was held on this one.
  virtual void CaptureLost() {}

private:
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void HandleMouse(UINT msg, WPARAM wParam, LPARAM lParam);
  void TrackMouse(int x, int y);

  WindowHandle wnd_;
  bool mouseInside_ = false;
  bool clickPending_ = false;
  bool releasing_ = false;
};

}  // namespace vt

// Helpers of tests that show windows: message pumping and pixels of device contexts.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "base/Bitmap.h"
#include "base/Strings.h"

namespace vt::test {

inline void PumpMessages(DWORD ms) {
  DWORD start = ::GetTickCount();
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  } while (::GetTickCount() - start < ms);
}

inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    PumpMessages(5);
  }
  return true;
}

// A w x h area of a device context, copied.
inline std::unique_ptr<TBitmap> Grab(HDC dc, int x, int y, int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h);
  ::BitBlt(b->Canvas(), 0, 0, w, h, dc, x, y, SRCCOPY);
  return b;
}

// The first pixel of the area (x, y, w, h) of `b` that differs from expected(x, y), described;
// empty when all match.
inline std::string FirstMismatch(const TBitmap& b, int x, int y, int w, int h,
                                 const std::function<COLORREF(int, int)>& expected) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i)
      if (b.Pixel(i, j) != expected(i, j))
        return Format("pixel (%d, %d) is %06lx, expected %06lx", i, j, b.Pixel(i, j), expected(i, j));
  return "";
}

// A shown top-level window to hold the controls of a test, at a fixed place on the screen.
class HostWindow {
public:
  HostWindow(int left, int top, int width, int height)
      : wnd_(::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, left, top,
                               width, height, nullptr, nullptr, nullptr, nullptr)) {
    ::SetForegroundWindow(wnd_);
    PumpMessages(30);
  }
  ~HostWindow() { ::DestroyWindow(wnd_); }
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  HWND get() const { return wnd_; }

private:
  HWND wnd_;
};

// Dispatches what is waiting in this thread's queue.
inline void PumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Posts a mouse message at a client point of `wnd` (negative values too) and dispatches it.
inline void PostMouse(HWND wnd, UINT msg, WPARAM keys, int x, int y) {
  ::PostMessageW(wnd, msg, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  PumpPending();
}

// What the window shows on the screen after painting what was pending.
inline std::unique_ptr<TBitmap> Screenshot(HWND wnd) {
  ::UpdateWindow(wnd);
  RECT r;
  ::GetClientRect(wnd, &r);
  HDC dc = ::GetDC(wnd);
  auto shot = Grab(dc, 0, 0, r.right, r.bottom);
  ::ReleaseDC(wnd, dc);
  return shot;
}

}  // namespace vt::test

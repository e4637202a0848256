// The browser's top-level window, which the control sizes for a scroll capture and restores after.
#pragma once
#include <windows.h>
#include <cstdint>

namespace vt {

// The root window above `wnd`: the browser's top-level window for its document view. A window
// without parent, and a handle that is no window, is its own top parent.
HWND GetTopParentWindow(HWND wnd);

// Moves `wnd` to (left, top) and gives it the size width x height; true when it moved.
bool MoveIEWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd);

}  // namespace vt

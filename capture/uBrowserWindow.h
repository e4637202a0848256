// The browser's top-level window, which the control sizes for a scroll capture and restores after.
#pragma once
#include <windows.h>

namespace vt {

// The root window above `wnd`: the browser's top-level window for its document view. A window
// without parent, and a handle that is no window, is its own top parent.
HWND GetTopParentWindow(HWND wnd);

}  // namespace vt

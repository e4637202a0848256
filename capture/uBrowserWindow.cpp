#include "capture/uBrowserWindow.h"

#include "base/Strings.h"

namespace vt {

HWND GetTopParentWindow(HWND wnd) {
  // GA_ROOT stops at the top-level window itself: GetParent would go on from an owned popup (a
  // dialog frame holding a page) to its owner, a window that does not show the document.
  HWND root = ::GetAncestor(wnd, GA_ROOT);
  return root ? root : wnd;
}

bool MoveIEWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd) {
  ::OutputDebugStringA(Format("Move Window(IE Handle) : %d", static_cast<int>(reinterpret_cast<intptr_t>(wnd))).c_str());
  bool moved = ::MoveWindow(wnd, left, top, width, height, TRUE) != FALSE;
  ::OutputDebugStringA(Format("Move Window Last Error : %d", static_cast<int>(::GetLastError())).c_str());
  return moved;
}

}  // namespace vt

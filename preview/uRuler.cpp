#include "preview/uRuler.h"

namespace vt {

TRuler::TRuler(HWND parent) { CreateChild(L"VantrelleRuler", parent, 0, 0, 0, 0); }

LRESULT TRuler::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT && OnCursor) {
    POINT pos{};
    ::GetCursorPos(&pos);
    ::ScreenToClient(Handle(), &pos);
    ::SetCursor(OnCursor(pos.x, pos.y));
    return TRUE;
  }
  return TWindow::HandleMessage(msg, wParam, lParam);
}

void TRuler::Paint(HDC dc) {
  if (OnPaint) OnPaint(dc);
}

void TRuler::MouseLeave() {
  if (OnLeave) OnLeave();
}

}  // namespace vt

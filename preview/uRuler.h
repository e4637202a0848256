// A ruler strip of the preview window. It only paints and reports: the form draws the picture's
// extent and the break marks on it and decides what the mouse does there.
#pragma once
#include <windows.h>
#include <functional>

#include "base/Window.h"

namespace vt {

class TRuler : public TWindow {
public:
  explicit TRuler(HWND parent);

  std::function<void(HDC dc)> OnPaint;
  // The cursor at a client point.
  std::function<HCURSOR(int x, int y)> OnCursor;
  // The mouse left the ruler (no button held on it).
  std::function<void()> OnLeave;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;
  void MouseLeave() override;
};

}  // namespace vt

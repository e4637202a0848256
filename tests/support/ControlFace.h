// A top-level window with the face of a control inside it, as the window of a browser that hosts
// the control has: the only kind of window that RunCompatibilityIEWinSize of a control in no page
// (the elevated instance) acts on.
#pragma once
#include <windows.h>

#include "base/Handles.h"
#include "control/uVantrelleForm.h"

namespace vt::test {

class FacedWindow {
public:
  FacedWindow(int left, int top, int width, int height)
      : top_(::CreateWindowExA(0, "STATIC", "browser", WS_POPUP | WS_CLIPCHILDREN, left, top, width, height, nullptr,
                               nullptr, nullptr, nullptr)) {
    const RECT place{0, 0, width / 2, height / 2};
    face_.Create(top_.get(), place);
  }
  HWND Handle() const { return top_.get(); }
  HWND Face() const { return face_.Handle(); }

private:
  struct TNoEvents : TFormEvents {
    void FormActivate() override {}
    void FormClick() override {}
    void FormDblClick() override {}
    void FormDeactivate() override {}
    void FormDestroy() override {}
    void FormKeyPress(char&) override {}
    void FormMouseEnter() override {}
    void FormMouseLeave() override {}
    void FormPaint() override {}
  };
  WindowHandle top_;  // goes after the face inside it
  TNoEvents events_;
  TVantrelleForm face_{events_};
};

}  // namespace vt::test

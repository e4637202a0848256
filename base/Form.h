// A top-level form holding standard controls: shown modeless, or modally through its own message
// loop that disables the owner and holds the process's modal state. The form sees the key strokes
// of its controls first (OnKeyUp) and routes their clicks to their OnClick.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/Handles.h"
#include "base/ModalState.h"
#include "base/Window.h"

namespace vt {

class TForm;
using TKeyEvent = std::function<void(TForm& sender, WORD key)>;

class TForm : public TWindow {
public:
  // A hidden form of the given client size centred on the desktop; `owner` may be null. Controls
  // made on it take its font.
  TForm(HWND owner, DWORD style, DWORD exStyle, int clientWidth, int clientHeight, const wchar_t* fontFace,
        int fontPixelHeight);

  void SetCaption(const std::wstring& caption) { ::SetWindowTextW(Handle(), caption.c_str()); }
  std::wstring Caption() const;

  // Shows the form modally and returns its modal result (IDOK, IDCANCEL...). The owner is disabled
  // and the modal state held until the loop ends; a WM_QUIT ends it with IDCANCEL and is posted again.
  // `waiting`, windows the caller disabled for the form, are enabled with the owner before it hides.
  int ShowModal(TaskWindowList waiting = {});
  bool Modal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  // While modal, a result other than 0 closes the form when its message ends.
  void SetModalResult(int result) { modalResult_ = result; }
  // Shown without activation and without a modal loop.
  void Show();
  void Hide() { ::ShowWindow(Handle(), SW_HIDE); }

  // Key releases in the form or any of its controls, before they get them.
  TKeyEvent OnKeyUp;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;
  // The person asked to close the form (close box, Alt+F4); a modal form ends with IDCANCEL.
  virtual void CloseRequested();

private:
  FontHandle font_;
  bool modal_ = false;
  int modalResult_ = 0;
};

}  // namespace vt

#include "base/Form.h"

#include <optional>
#include <utility>

#include "base/Controls.h"
#include "base/Errors.h"
#include "base/ModalState.h"
#include "base/ScopeGuard.h"

namespace vt {
TForm::TForm(HWND owner, DWORD style, DWORD exStyle, int clientWidth, int clientHeight, const wchar_t* fontFace,
             int fontPixelHeight)
    : font_(::CreateFontW(-fontPixelHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          fontFace)) {
  RECT r{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
  const int width = r.right - r.left, height = r.bottom - r.top;
  const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  CreateHandle(L"VantrelleForm", style & ~WS_VISIBLE, exStyle, owner, left, top, width, height);
}

std::wstring TForm::Caption() const {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(Handle())) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
  return text;
}

int TForm::ShowModal(TaskWindowList waiting) {
  ScopeGuard enableWaiting([&waiting] { EnableTaskWindows(waiting); });
  if (modal_) throw Error("The form is shown modally already");
  TModalScope scope;  // before the form shows: the modal guard leaves it enabled
  std::optional<TOwnerDisabled> owner(std::in_place, ::GetWindow(Handle(), GW_OWNER));
  modal_ = true;
  modalResult_ = 0;
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetForegroundWindow(Handle());
  if (HWND first = ::GetNextDlgTabItem(Handle(), nullptr, FALSE)) ::SetFocus(first);
  while (modalResult_ == 0 && Handle()) {
    MSG msg;
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the host's own loop
    if (got <= 0) {
      modalResult_ = IDCANCEL;
      break;
    }
    if (!::IsDialogMessageW(Handle(), &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  modal_ = false;
  const int result = std::exchange(modalResult_, 0);
  // The windows that waited come back before the form hides, so that the activation returns to them.
  owner.reset();
  EnableTaskWindows(waiting);
  if (Handle()) ::ShowWindow(Handle(), SW_HIDE);
  return result;
}

void TForm::Show() { ::ShowWindow(Handle(), SW_SHOWNA); }

void TForm::CloseRequested() {
  if (modal_)
    modalResult_ = IDCANCEL;
  else
    Hide();
}

void TForm::Paint(HDC dc) {
  RECT r;
  ::GetClientRect(Handle(), &r);
  ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT TForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == KeyPreviewMessage()) {
    if (lParam == WM_KEYUP && OnKeyUp) OnKeyUp(*this, static_cast<WORD>(wParam));
    return 0;
  }
  switch (msg) {
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_.get());
    case WM_KEYUP:
      if (OnKeyUp) OnKeyUp(*this, static_cast<WORD>(wParam));
      return 0;
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      // Enter and Esc come from the dialog manager without a control: they act as that button.
      HWND from = lParam ? reinterpret_cast<HWND>(lParam) : ::GetDlgItem(Handle(), id);
      const WORD code = lParam ? HIWORD(wParam) : static_cast<WORD>(BN_CLICKED);
      if (TControl* control = TControl::FromHandle(from)) {
        if (!control->Enabled()) return 0;
        control->Notify(code);
      }
      if (id == IDCANCEL && code == BN_CLICKED && modal_) modalResult_ = IDCANCEL;
      return 0;
    }
    case WM_CLOSE:
      CloseRequested();
      return 0;
    default:
      return TWindow::HandleMessage(msg, wParam, lParam);
  }
}

}  // namespace vt

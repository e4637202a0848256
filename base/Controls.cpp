#include "base/Controls.h"

#include <string>
#include <utility>

#include "base/Boundary.h"
#include "base/Errors.h"
#include "base/Strings.h"

namespace vt {
namespace {

const wchar_t kObjectProperty[] = L"VantrelleControl";

}  // namespace

UINT KeyPreviewMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"VantrelleKeyPreview");
  return message;
}

TControl::TControl(const wchar_t* className, DWORD style, HWND parent, int id, int left, int top, int width,
                   int height, const std::wstring& text) {
  wnd_.reset(::CreateWindowExW(0, className, text.c_str(), WS_CHILD | style, left, top, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr));
  if (!wnd_) throw Error("Cannot create a control: " + SystemErrorText(::GetLastError()));
  ::SetPropW(wnd_.get(), kObjectProperty, this);
  original_ = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(wnd_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
  if (HFONT font = reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0))) SetFont(font);
}

TControl::~TControl() {
  if (!wnd_) return;
  ::RemovePropW(wnd_.get(), kObjectProperty);
  ::SetWindowLongPtrW(wnd_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  wnd_.reset();
}

TControl* TControl::FromHandle(HWND wnd) {
  return wnd ? static_cast<TControl*>(::GetPropW(wnd, kObjectProperty)) : nullptr;
}

std::wstring TControl::Text() const {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(wnd_.get())) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(wnd_.get(), text.data(), static_cast<int>(text.size()))));
  return text;
}

void TControl::SetText(const std::wstring& text) { ::SetWindowTextW(wnd_.get(), text.c_str()); }

void TControl::Notify(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick(*this);
}

LRESULT CALLBACK TControl::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TControl* self = FromHandle(wnd);
  if (!self) return ::DefWindowProcW(wnd, msg, wParam, lParam);
  return MessageBoundary("Control message failed", LRESULT(0), [&] { return self->HandleMessage(msg, wParam, lParam); });
}

LRESULT TControl::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  // A disabled button takes no click from a program either (the system's button would).
  if (msg == BM_CLICK && !Enabled()) return 0;
  if (msg == WM_KEYDOWN || msg == WM_KEYUP) {
    ::SendMessageW(::GetParent(wnd_.get()), KeyPreviewMessage(), wParam, msg);
  }
  if (msg == WM_CHAR && OnKeyPress) {
    wchar_t key = static_cast<wchar_t>(wParam);
    OnKeyPress(*this, key);
    if (!key) return 0;
    wParam = key;
  }
  return ::CallWindowProcW(original_, wnd_.get(), msg, wParam, lParam);
}

TButton::TButton(HWND parent, int id, int left, int top, int width, int height, const std::wstring& caption)
    : TControl(L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, parent, id, left, top, width, height, caption) {}

TCheckBox::TCheckBox(HWND parent, int id, int left, int top, int width, int height, const std::wstring& caption)
    : TCheckBox(WS_TABSTOP | BS_AUTOCHECKBOX, parent, id, left, top, width, height, caption) {}

TCheckBox::TCheckBox(DWORD style, HWND parent, int id, int left, int top, int width, int height,
                     const std::wstring& caption)
    : TControl(L"BUTTON", WS_VISIBLE | style, parent, id, left, top, width, height, caption) {}

bool TCheckBox::Checked() const { return ::SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool checked) {
  ::SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

TRadioButton::TRadioButton(HWND parent, int id, bool firstOfGroup, int left, int top, int width, int height,
                           const std::wstring& caption)
    : TCheckBox(BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0), parent, id, left, top, width,
                height, caption) {}

void TRadioButton::SetChecked(bool checked) {
  TCheckBox::SetChecked(checked);
  if (!checked) return;
  // The group runs from the sibling with WS_GROUP at or before this one to the next such sibling.
  auto startsGroup = [](HWND w) { return (::GetWindowLongW(w, GWL_STYLE) & WS_GROUP) != 0; };
  HWND first = Handle();
  while (!startsGroup(first)) {
    HWND previous = ::GetWindow(first, GW_HWNDPREV);
    if (!previous) break;
    first = previous;
  }
  for (HWND w = first; w; w = ::GetWindow(w, GW_HWNDNEXT)) {
    if (w != first && startsGroup(w)) break;
    auto* other = dynamic_cast<TRadioButton*>(FromHandle(w));
    if (other && other != this) other->TCheckBox::SetChecked(false);
  }
}

TGroupBox::TGroupBox(HWND parent, int left, int top, int width, int height, const std::wstring& caption)
    : TControl(L"BUTTON", WS_VISIBLE | WS_GROUP | BS_GROUPBOX, parent, -1, left, top, width, height, caption) {}

TLabel::TLabel(HWND parent, int left, int top, int width, int height, const std::wstring& caption)
    : TControl(L"STATIC", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, parent, -1, left, top, width, height, caption) {}

TEdit::TEdit(HWND parent, int id, int left, int top, int width, int height, const std::wstring& text)
    : TControl(L"EDIT", WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, parent, id, left, top,
               width, height, text) {}

}  // namespace vt

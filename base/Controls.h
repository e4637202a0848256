// The standard child controls of the forms: real system controls (buttons, check boxes, radio
// buttons, group boxes, labels, edit boxes) made with CreateWindowEx and subclassed, so that the
// form hears their clicks and key strokes whether they come from a person or from messages sent
// to them.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "base/Handles.h"

namespace vt {

// Sent to a control's parent before the control handles a key message: wParam the virtual key,
// lParam the message (WM_KEYDOWN, WM_KEYUP), so that forms see keys first.
UINT KeyPreviewMessage();

class TControl;
using TControlEvent = std::function<void(TControl& sender)>;
// `key` is the character typed; setting it to 0 discards it.
using TKeyPressEvent = std::function<void(TControl& sender, wchar_t& key)>;

class TControl {
public:
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  HWND Handle() const { return wnd_.get(); }
  int Id() const { return ::GetDlgCtrlID(wnd_.get()); }
  // The object behind a control made by this class; null for any other window.
  static TControl* FromHandle(HWND wnd);

  std::wstring Text() const;
  void SetText(const std::wstring& text);
  bool Enabled() const { return ::IsWindowEnabled(wnd_.get()) != FALSE; }
  void SetEnabled(bool enabled) { ::EnableWindow(wnd_.get(), enabled); }
  // Whether the control itself is shown, whatever its form is.
  bool Visible() const { return (::GetWindowLongW(wnd_.get(), GWL_STYLE) & WS_VISIBLE) != 0; }
  void SetVisible(bool visible) { ::ShowWindow(wnd_.get(), visible ? SW_SHOWNA : SW_HIDE); }
  void SetFont(HFONT font) { ::SendMessageW(wnd_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

  // Buttons of every kind: the control was clicked (BN_CLICKED at its parent).
  TControlEvent OnClick;
  TKeyPressEvent OnKeyPress;

  // Called by the parent form for the notification codes of WM_COMMAND.
  virtual void Notify(WORD code);

protected:
  // `parent` is the form; `id` the control's id (IDOK and IDCANCEL answer Enter and Esc).
  TControl(const wchar_t* className, DWORD style, HWND parent, int id, int left, int top, int width, int height,
           const std::wstring& text);

private:
  static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  WindowHandle wnd_;
  WNDPROC original_ = nullptr;
};

class TButton : public TControl {
public:
  TButton(HWND parent, int id, int left, int top, int width, int height, const std::wstring& caption = L"");
};

class TCheckBox : public TControl {
public:
  TCheckBox(HWND parent, int id, int left, int top, int width, int height, const std::wstring& caption = L"");
  bool Checked() const;
  void SetChecked(bool checked);

protected:
  TCheckBox(DWORD style, HWND parent, int id, int left, int top, int width, int height, const std::wstring& caption);
};

// Radio buttons made one after another form one group; `firstOfGroup` starts a new group.
class TRadioButton : public TCheckBox {
public:
  TRadioButton(HWND parent, int id, bool firstOfGroup, int left, int top, int width, int height,
               const std::wstring& caption = L"");
  // Checking one unchecks the others of its group, enabled or not.
  void SetChecked(bool checked);
};

class TGroupBox : public TControl {
public:
  TGroupBox(HWND parent, int left, int top, int width, int height, const std::wstring& caption = L"");
};

class TLabel : public TControl {
public:
  TLabel(HWND parent, int left, int top, int width, int height, const std::wstring& caption = L"");
};

class TEdit : public TControl {
public:
  TEdit(HWND parent, int id, int left, int top, int width, int height, const std::wstring& text = L"");
};

}  // namespace vt

#include "preview/frmPrintStatus.h"

#include <cwchar>
#include <string>

#include "base/MessagePump.h"
#include "base/Strings.h"
#include "resources/StringIds.h"

namespace vt {
namespace {

// IDI_INFORMATION, whose header macro is the narrow kind under this build's settings.
const LPCWSTR kInformationIcon = MAKEINTRESOURCEW(32516);

}  // namespace

TfmPrintStatus::TPicture::TPicture(HWND parent, int left, int top, int width, int height)
    : TControl(L"STATIC", WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, parent, -1, left, top, width, height, L"") {
  ::SendMessageW(Handle(), STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, kInformationIcon)), 0);
  ::SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

TfmPrintStatus::TfmPrintStatus(HWND owner)
    : TForm(owner, WS_POPUP | WS_CAPTION, WS_EX_TOPMOST, 426, 106, L"Tahoma", 11),
      Image1(Handle(), 16, 8, 56, 56),
      Label1(Handle(), 80, 16, 330, 16),
      lblStatus(Handle(), 88, 40, 322, 16),
      btnCancel(Handle(), IDCANCEL, 176, 73, 75, 25) {
  SetCaption(L"Printing...");
  btnCancel.SetVisible(false);
  FormCreate();
}

void TfmPrintStatus::FormCreate() {
  Label1.SetText(LoadResStringW(kTextPrintingPleaseWait));
  lblStatus.SetText(LoadResStringW(kTextPrintProgress));
  btnCancel.SetText(LoadResStringW(kCaptionCancel));
}

void TfmPrintStatus::SetProgress(int32_t page, int32_t total) {
  // The tables hold at most the two %d conversions the writer passes (checked by their tests).
  const std::wstring format = LoadResStringW(kTextPrintProgress);
  wchar_t text[256];
  if (std::swprintf(text, sizeof(text) / sizeof(text[0]), format.c_str(), page, total) < 0) text[0] = L'\0';
  lblStatus.SetText(text);
  ::UpdateWindow(lblStatus.Handle());
  ProcessMessages();
}

}  // namespace vt

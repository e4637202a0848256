#include "support/PlatformDialogs.h"

#include <gtest/gtest.h>

#include <string>

namespace vt::test {
namespace {

constexpr UINT kTickMs = 50;
constexpr int kTicksLeftOpen = 40;

BOOL CALLBACK TakeActiveDialog(HWND wnd, LPARAM found) {
  wchar_t name[16] = L"";
  ::GetClassNameW(wnd, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(wnd) || !::IsWindowEnabled(wnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = wnd;
  return FALSE;
}

// The platform dialog of this thread that takes input now (a dialog with a message box of its own
// on top is disabled); none when no dialog is up.
HWND ActiveDialog() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &TakeActiveDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

DialogSteps::DialogSteps(std::vector<Step> steps) : steps_(std::move(steps)) {
  current_ = this;
  timer_ = ::SetTimer(nullptr, 0, kTickMs, &Tick);
}

DialogSteps::~DialogSteps() {
  ::KillTimer(nullptr, timer_);
  current_ = nullptr;
}

void CALLBACK DialogSteps::Tick(HWND, UINT, UINT_PTR, DWORD) {
  DialogSteps* self = current_;
  HWND dialog = ActiveDialog();
  if (!self || !dialog) return;
  if (self->Finished()) {
    if (++self->ticksLeftOpen_ > kTicksLeftOpen) {
      ADD_FAILURE() << "a dialog was still open after the last step";
      ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    return;
  }
  // Counted before it runs: a step may bring up a dialog whose loop ticks again.
  const Step& step = self->steps_[self->next_++];
  step(dialog);
}

void Press(HWND dialog, int buttonId) { ::SendMessageW(::GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0); }

}  // namespace vt::test

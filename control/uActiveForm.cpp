#include "control/uActiveForm.h"

#include <exception>
#include <memory>

#include "base/ScopeGuard.h"

namespace vt {
namespace {

struct DisableRecord {
  HWND excluded;
  DWORD processId;
  TaskWindowList windows;
  std::exception_ptr failure;
};

// Exceptions must not unwind through the system's enumeration: one stops it and is kept.
BOOL CALLBACK DisableProcessWindowProc(HWND window, LPARAM param) {
  auto& record = *reinterpret_cast<DisableRecord*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != record.processId || window == record.excluded || !::IsWindowVisible(window) ||
      !::IsWindowEnabled(window))
    return TRUE;
  try {
    record.windows.push_front(window);
  } catch (...) {
    record.failure = std::current_exception();
    return FALSE;
  }
  ::EnableWindow(window, FALSE);
  return TRUE;
}

std::unique_ptr<TModalProtector>& TheGuard() {
  static std::unique_ptr<TModalProtector> guard;
  return guard;
}

}  // namespace

TaskWindowList DisableProcessWindows(HWND excluded) {
  DisableRecord record{excluded, ::GetCurrentProcessId(), {}, nullptr};
  ::EnumWindows(DisableProcessWindowProc, reinterpret_cast<LPARAM>(&record));
  if (record.failure) {
    EnableTaskWindows(record.windows);
    std::rethrow_exception(record.failure);
  }
  return std::move(record.windows);
}

TModalProtector::TModalProtector() {
  FPrevious = SetModalHandlers({[this] { ModalBegin(); }, [this] { ModalEnd(); }});
}

TModalProtector::~TModalProtector() {
  SetModalHandlers(std::move(FPrevious));
  while (!FWindowLists.empty()) {
    EnableTaskWindows(FWindowLists.back());
    FWindowLists.pop_back();
  }
}

void TModalProtector::ModalBegin() {
  TaskWindowList windows = DisableProcessWindows(nullptr);
  ScopeGuard notKept([&windows] { EnableTaskWindows(windows); });
  FWindowLists.push_back(std::move(windows));
  notKept.Dismiss();
}

void TModalProtector::ModalEnd() {
  if (FWindowLists.empty()) return;
  TaskWindowList windows = std::move(FWindowLists.back());
  FWindowLists.pop_back();
  EnableTaskWindows(windows);
}

void EnsureModalProtector() {
  if (!TheGuard()) TheGuard() = std::make_unique<TModalProtector>();
}

void FreeModalProtector() { TheGuard().reset(); }

TModalProtector* ModalProtector() { return TheGuard().get(); }

}  // namespace vt

#include "base/ModalState.h"

#include <exception>
#include <utility>

#include "base/Boundary.h"
#include "base/ScopeGuard.h"

namespace vt {
namespace {

struct State {
  int level = 0;
  ModalHandlers handlers;
};

// Never destroyed: a guard freed while the module unloads still finds the state alive.
State& TheState() {
  static State* state = new State;
  return *state;
}

}  // namespace

ModalHandlers SetModalHandlers(ModalHandlers handlers) {
  std::swap(TheState().handlers, handlers);
  return handlers;
}

int ModalLevel() { return TheState().level; }

void ModalStarted() {
  State& s = TheState();
  if (++s.level != 1 || !s.handlers.onBegin) return;
  ScopeGuard notStarted([&s] { --s.level; });
  s.handlers.onBegin();
  notStarted.Dismiss();
}

void ModalFinished() {
  State& s = TheState();
  if (s.level == 0) return;
  if (--s.level == 0 && s.handlers.onEnd) s.handlers.onEnd();
}

// The modal window has closed either way; a failing end handler must not end the process.
TModalScope::~TModalScope() { CleanUpBoundary("The end of a modal episode failed", &ModalFinished); }

namespace {
struct DisableRecord {
  HWND excluded;
  DWORD processId;
  TaskWindowList windows;
  std::exception_ptr failure;
};

BOOL CALLBACK DisableProcessWindowProc(HWND window, LPARAM param) {
  auto& record = *reinterpret_cast<DisableRecord*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != record.processId || window == record.excluded || !::IsWindowVisible(window) ||
      !::IsWindowEnabled(window))
    return TRUE;
  // A failure stops the enumeration and is raised once it has returned.
  return CallbackBoundary(record.failure, FALSE, [&] {
    record.windows.push_front(window);
    ::EnableWindow(window, FALSE);
    return TRUE;
  });
}

// Those disabled before a failure are enabled again.
TaskWindowList DisabledOrRaise(DisableRecord& record) {
  if (record.failure) EnableTaskWindows(record.windows);
  RaiseKept(record.failure);
  return std::move(record.windows);
}
}  // namespace

TaskWindowList DisableTaskWindows(HWND excluded) {
  DisableRecord record{excluded, ::GetCurrentProcessId(), {}, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), DisableProcessWindowProc, reinterpret_cast<LPARAM>(&record));
  return DisabledOrRaise(record);
}

TaskWindowList DisableProcessWindows(HWND excluded) {
  DisableRecord record{excluded, ::GetCurrentProcessId(), {}, nullptr};
  ::EnumWindows(DisableProcessWindowProc, reinterpret_cast<LPARAM>(&record));
  return DisabledOrRaise(record);
}

void EnableTaskWindows(TaskWindowList& list) {
  const DWORD self = ::GetCurrentProcessId();
  while (!list.empty()) {
    HWND window = list.front();
    list.pop_front();
    // A window destroyed meanwhile may have left its handle to another program's window.
    DWORD owner = 0;
    if (::IsWindow(window) && ::GetWindowThreadProcessId(window, &owner) && owner == self)
      ::EnableWindow(window, TRUE);
  }
}

TOwnerDisabled::TOwnerDisabled(HWND owner) : owner_(owner && ::IsWindowEnabled(owner) ? owner : nullptr) {
  if (owner_) ::EnableWindow(owner_, FALSE);
}

TOwnerDisabled::~TOwnerDisabled() {
  if (owner_ && ::IsWindow(owner_)) ::EnableWindow(owner_, TRUE);
}

}  // namespace vt

#include "base/ModalState.h"

#include <utility>

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

TModalScope::~TModalScope() {
  try {
    ModalFinished();
  } catch (...) {
    // The modal window has closed either way; a failing handler must not end the process.
  }
}

namespace {
BOOL CALLBACK DisableTaskWindow(HWND window, LPARAM param) {
  auto& list = *reinterpret_cast<std::pair<HWND, TaskWindowList>*>(param);
  if (window == list.first || !::IsWindowVisible(window) || !::IsWindowEnabled(window)) return TRUE;
  list.second.push_front(window);
  ::EnableWindow(window, FALSE);
  return TRUE;
}
}  // namespace

TaskWindowList DisableTaskWindows(HWND excluded) {
  std::pair<HWND, TaskWindowList> list{excluded, {}};
  ::EnumThreadWindows(::GetCurrentThreadId(), DisableTaskWindow, reinterpret_cast<LPARAM>(&list));
  return std::move(list.second);
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

}  // namespace vt

// The process's modal state. Every form or dialog of the control that runs its own modal loop holds
// a TModalScope for the length of that loop. The first scope opened and the last one closed call the
// installed begin and end handlers, so one modal episode is seen once, whatever nests inside it.
// Used on the user-interface thread that runs the control.
#pragma once
#include <windows.h>

#include <forward_list>
#include <functional>

namespace vt {

struct ModalHandlers {
  std::function<void()> onBegin;  // the level rose from 0 to 1, before the modal window shows
  std::function<void()> onEnd;    // the level fell back to 0, after the last modal window closed
};

// Installs the handlers (empty ones for none); returns those installed before.
ModalHandlers SetModalHandlers(ModalHandlers handlers);
int ModalLevel();

// Raise and lower the level. A begin handler that throws leaves the level as it was.
void ModalStarted();
void ModalFinished();

class TModalScope {
public:
  TModalScope() { ModalStarted(); }
  ~TModalScope();
  TModalScope(const TModalScope&) = delete;
  TModalScope& operator=(const TModalScope&) = delete;
};

// Top-level windows disabled for a modal episode, the last disabled first.
using TaskWindowList = std::forward_list<HWND>;

// Disables the visible, enabled top-level windows of this thread but `excluded`, as a modal window
// does for its time, and lists them. When that fails part-way, those disabled are enabled again.
TaskWindowList DisableTaskWindows(HWND excluded);
// The same for the windows of this process, whichever thread owns them.
TaskWindowList DisableProcessWindows(HWND excluded);
// Enables every window of the list that still exists in this process, and empties the list.
void EnableTaskWindows(TaskWindowList& list);

// The owner of a window that runs its own loop, disabled for the loop's length unless someone (the
// modal guard) already did.
class TOwnerDisabled {
public:
  explicit TOwnerDisabled(HWND owner);
  ~TOwnerDisabled();
  TOwnerDisabled(const TOwnerDisabled&) = delete;
  TOwnerDisabled& operator=(const TOwnerDisabled&) = delete;

private:
  HWND owner_;
};

}  // namespace vt

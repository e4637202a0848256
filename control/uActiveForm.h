// The modal guard. A form shown modally disables only the windows of its own thread; the browser
// runs windows on several threads, and a user could reach the page (and start a second request)
// through any of them. While the control's modal state lasts, the guard disables every visible,
// enabled top-level window of the process and enables exactly those again when it ends.
#pragma once
#include <windows.h>

#include <vector>

#include "base/ModalState.h"

namespace vt {

class TModalProtector {
public:
  // Installs itself as the modal state's begin and end handlers.
  TModalProtector();
  // Puts back the handlers installed before and enables the windows of an episode still running,
  // which nothing else would enable any more.
  ~TModalProtector();
  TModalProtector(const TModalProtector&) = delete;
  TModalProtector& operator=(const TModalProtector&) = delete;

  void ModalBegin();
  // Does nothing for an episode that began before the guard existed.
  void ModalEnd();

private:
  std::vector<TaskWindowList> windowLists_;  // one per modal episode, the newest last
  ModalHandlers previous_;
};

// The single guard of the process: created at the start of a request and kept across requests.
void EnsureModalProtector();
void FreeModalProtector();
TModalProtector* ModalProtector();

}  // namespace vt

#include "control/uActiveForm.h"

#include <memory>
#include <utility>

#include "base/ScopeGuard.h"

namespace vt {
namespace {

std::unique_ptr<TModalProtector>& TheGuard() {
  static std::unique_ptr<TModalProtector> guard;
  return guard;
}

}  // namespace

TModalProtector::TModalProtector() {
  previous_ = SetModalHandlers({[this] { ModalBegin(); }, [this] { ModalEnd(); }});
}

TModalProtector::~TModalProtector() {
  SetModalHandlers(std::move(previous_));
  while (!windowLists_.empty()) {
    EnableTaskWindows(windowLists_.back());
    windowLists_.pop_back();
  }
}

void TModalProtector::ModalBegin() {
  TaskWindowList windows = DisableProcessWindows(nullptr);
  ScopeGuard notKept([&windows] { EnableTaskWindows(windows); });
  windowLists_.push_back(std::move(windows));
  notKept.Dismiss();
}

void TModalProtector::ModalEnd() {
  if (windowLists_.empty()) return;
  TaskWindowList windows = std::move(windowLists_.back());
  windowLists_.pop_back();
  EnableTaskWindows(windows);
}

void EnsureModalProtector() {
  if (!TheGuard()) TheGuard() = std::make_unique<TModalProtector>();
}

void FreeModalProtector() { TheGuard().reset(); }

TModalProtector* ModalProtector() { return TheGuard().get(); }

}  // namespace vt

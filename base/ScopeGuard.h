// The one "finally" of the code, for the rare clean-up that no owner of Handles.h, ComPtr.h or
// Variant.h covers: an action run when the scope ends, however it ends, unless dismissed.
#pragma once
#include <type_traits>
#include <utility>

#include "base/Boundary.h"

namespace vt {

// The action runs in a destructor, where an exception would end the process: one that fails is
// told to the debugger's output and goes no further (CleanUpBoundary), so that it neither hides
// what ended the scope nor ends the process.
template <class Action>
class ScopeGuard {
public:
  explicit ScopeGuard(Action action) noexcept(std::is_nothrow_move_constructible_v<Action>)
      : action_(std::move(action)) {}
  ~ScopeGuard() noexcept {
    if (armed_) CleanUpBoundary("A clean-up failed", action_);
  }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

  // The scope got where the clean-up is no longer wanted (the work it undoes succeeded).
  void Dismiss() noexcept { armed_ = false; }

private:
  Action action_;
  bool armed_ = true;
};

}  // namespace vt

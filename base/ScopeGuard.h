// The one "finally" of the code, for the rare clean-up that no owner of Handles.h, ComPtr.h or
// Variant.h covers: an action run when the scope ends, however it ends.
#pragma once
#include <exception>
#include <utility>

namespace vt {

// An action that fails while an exception is already leaving the scope is dropped, so that a
// clean-up cannot hide what ended the scope; on a normal end its exception goes on.
template <class Action>
class ScopeGuard {
public:
  explicit ScopeGuard(Action action) : action_(std::move(action)), exceptions_(std::uncaught_exceptions()) {}
  ~ScopeGuard() noexcept(false) {
    if (std::uncaught_exceptions() == exceptions_) {
      action_();
      return;
    }
    try {
      action_();
    } catch (...) {
    }
  }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
  Action action_;
  int exceptions_;
};

}  // namespace vt

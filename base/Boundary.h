// Where an exception must stop: the frames that the system or a C library calls into, which cannot
// pass an exception on, the clean-ups that run in destructors, and the commands of the person whose
// failure is shown to them. Each kind has its one helper here; the COM boundary has SafeCall
// (control/uSafeCall.h). Everywhere else an exception goes on until it reaches one of them.
#pragma once
#include <windows.h>

#include <exception>
#include <new>
#include <string>

namespace vt {

// Called inside a handler: tells the debugger's output that `where` stopped the exception being
// handled, with its message. Allocates nothing, so that it cannot fail itself.
void ReportStopped(const char* where) noexcept;

// A window, dialog or hook procedure: the system's message dispatch cannot take an exception.
// `handle` answers the message; when it raises, the exception is reported after `where` and the
// message answered with `failed`.
template <class Result, class Handle>
Result MessageBoundary(const char* where, Result failed, Handle&& handle) noexcept {
  try {
    return handle();
  } catch (...) {
    ReportStopped(where);
    return failed;
  }
}

// A thread procedure: nothing above it takes an exception. Runs `work` and gives the thread's exit
// code: 0, or 1 when `work` raised (the exception is reported after `where`).
template <class Work>
DWORD ThreadBoundary(const char* where, Work&& work) noexcept {
  try {
    work();
    return 0;
  } catch (...) {
    ReportStopped(where);
    return 1;
  }
}

// A callback of a C library or of the system (a stream reader, a window enumeration), or the work
// of a thread whose caller takes its failure: the frames between cannot pass an exception on. When
// `body` raises, the exception is kept in `failure` and the callback answers `failed`, which should
// end the C call; the code that made the call raises it again once the call has returned
// (RaiseKept).
template <class Result, class Body>
Result CallbackBoundary(std::exception_ptr& failure, Result failed, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    failure = std::current_exception();
    return failed;
  }
}

// Raises what a callback kept, if it kept anything.
inline void RaiseKept(const std::exception_ptr& failure) {
  if (failure) std::rethrow_exception(failure);
}

// A clean-up in a destructor (ScopeGuard's action, the end of a scope object): an exception there
// would end the process. One that leaves `cleanUp` is reported after `where` and goes no further.
template <class CleanUp>
void CleanUpBoundary(const char* where, CleanUp&& cleanUp) noexcept {
  try {
    cleanUp();
  } catch (...) {
    ReportStopped(where);
  }
}

// Shows a failure to the person: a message box of the control through the dialog seam.
void ShowFailure(const std::string& text);

// A command the person gave (a button, a key) whose failure is shown to them: its message goes to
// ShowFailure and no further, and the window stays usable. When memory ran out, `outOfMemory` is
// shown in its place where one is given. True when the command ran to its end.
template <class Command>
bool CommandBoundary(const std::string& outOfMemory, Command&& command) {
  try {
    command();
    return true;
  } catch (const std::bad_alloc& e) {
    ShowFailure(outOfMemory.empty() ? std::string(e.what()) : outOfMemory);
  } catch (const std::exception& e) {
    ShowFailure(e.what());
  }
  return false;
}

}  // namespace vt

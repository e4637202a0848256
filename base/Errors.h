// How the code reports failure: one contract for every folder.
//
// - A routine that can fail for an expected reason (no such element, a frame not found, a value
//   that is no number, a download refused) says so in its result and in its declaration: it
//   returns a std::optional (none), a ComPtr that may be empty, or a bool (false). It has no
//   out-parameters for its answer, and it does not catch exceptions to make such a result.
// - Anything else is unexpected (a failed platform call, a damaged file, no memory, a programming
//   error) and raises vt::Error, or the exception of the library that failed.
// - At the COM boundary, and only there, SafeCall (control/uSafeCall.h) turns an exception into a
//   failed HRESULT with the exception's message as its error description.
// - Where the system or a C library calls in (window, dialog and hook procedures, thread procedures,
//   callbacks), in destructors, and at a command whose failure the person is shown, an exception
//   stops in the helper of base/Boundary.h for that kind of place, and nowhere else.
#pragma once
#include <windows.h>
#include <stdexcept>
#include <string>

namespace vt {

// An exception of the control: a message for the person, and an HRESULT for COM callers.
class Error : public std::runtime_error {
public:
  explicit Error(const std::string& message, HRESULT code = E_UNEXPECTED)
      : std::runtime_error(message), code_(code) {}
  HRESULT code() const noexcept { return code_; }

private:
  HRESULT code_;
};

// Text of a Win32 error code, from the system's message table.
std::string SystemErrorText(DWORD code);

// Raises an Error carrying `hr` when a COM call failed: the system's text for it, after `what`
// and a colon when `what` is given.
void OleCheck(HRESULT hr, const char* what = nullptr);

}  // namespace vt

// Exceptions of the control: a message for the person, and an HRESULT for COM callers.
#pragma once
#include <windows.h>
#include <stdexcept>
#include <string>

namespace vt {

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

// Raises an Error carrying `hr`, with the system's text for it, when a COM call failed.
void OleCheck(HRESULT hr);

}  // namespace vt

// The safe-call frame of the automation members: an exception that leaves a member becomes a failed
// HRESULT, and its message the COM error description that callers read through IErrorInfo.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <exception>
#include <string>

#include "base/Errors.h"

namespace vt {

// Sets the thread's error object (description in the system code page) and returns `code`;
// a code that is not a failure becomes E_UNEXPECTED.
HRESULT FailWithErrorInfo(HRESULT code, const std::string& description, REFIID iid);

template <class Body>
HRESULT SafeCall(REFIID iid, Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const Error& e) {
    return FailWithErrorInfo(e.code(), e.what(), iid);
  } catch (const std::exception& e) {
    return FailWithErrorInfo(E_UNEXPECTED, e.what(), iid);
  } catch (...) {
    return FailWithErrorInfo(E_UNEXPECTED, "Unexpected error", iid);
  }
}

}  // namespace vt

#include "base/Boundary.h"

#include "base/Dialogs.h"

namespace vt {

void ReportStopped(const char* where) noexcept {
  ::OutputDebugStringA(where);
  try {
    throw;
  } catch (const std::exception& e) {
    ::OutputDebugStringA(": ");
    ::OutputDebugStringA(e.what());
  } catch (...) {
    // No message to tell.
  }
  ::OutputDebugStringA("\n");
}

void ShowFailure(const std::string& text) { ShowMessageBox(nullptr, text, "Vantrelle", MB_OK); }

}  // namespace vt

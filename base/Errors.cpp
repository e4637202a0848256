#include "base/Errors.h"

#include "base/Handles.h"
#include "base/Strings.h"

namespace vt {

std::string SystemErrorText(DWORD code) {
  LocalMemory buffer;
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<LPSTR>(buffer.put()), 0, nullptr);
  return n && buffer ? Trim(std::string(static_cast<const char*>(buffer.get()), n)) : Format("System error %lu", code);
}

void OleCheck(HRESULT hr, const char* what) {
  if (SUCCEEDED(hr)) return;
  const std::string text = SystemErrorText(static_cast<DWORD>(hr));
  throw Error(what ? std::string(what) + ": " + text : text, hr);
}

}  // namespace vt

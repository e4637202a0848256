#include "base/Errors.h"

#include "base/Strings.h"

namespace vt {

std::string SystemErrorText(DWORD code) {
  char* buffer = nullptr;
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = n && buffer ? Trim(std::string(buffer, n)) : Format("System error %lu", code);
  if (buffer) ::LocalFree(buffer);
  return text;
}

void OleCheck(HRESULT hr) {
  if (FAILED(hr)) throw Error(SystemErrorText(static_cast<DWORD>(hr)), hr);
}

}  // namespace vt

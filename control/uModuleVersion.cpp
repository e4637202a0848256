#include "control/uModuleVersion.h"

#include <vector>

#include "base/Strings.h"

namespace vt {

std::string ModulePath(HMODULE module) {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) return ToAnsi(std::wstring(path.data(), n));
    path.resize(path.size() * 2);
  }
}

std::string FileVersionText(const std::string& path) {
  WORD part[4] = {0, 0, 0, 0};
  DWORD ignored = 0;
  DWORD size = path.empty() ? 0 : ::GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size > 0) {
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (::GetFileVersionInfoA(path.c_str(), 0, size, data.data()) &&
        ::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) && info &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
      part[0] = HIWORD(info->dwFileVersionMS);
      part[1] = LOWORD(info->dwFileVersionMS);
      part[2] = HIWORD(info->dwFileVersionLS);
      part[3] = LOWORD(info->dwFileVersionLS);
    }
  }
  return Format("%d.%d.%d.%d", part[0], part[1], part[2], part[3]);
}

}  // namespace vt

#include "capture/uGetIEVersion.h"

#include <windows.h>

#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Numbers.h"

namespace vt {

int32_t IEVersionFromText(const std::string& version) {
  return StrToIntDef(version.substr(0, version.find('.')), 6);
}

int32_t GetIEVersion() {
  RegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\microsoft\\internet explorer", 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS)
    return 6;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(key.get(), "Version", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return 6;
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw Error("Invalid data type for 'Version'");
  std::string text(size, '\0');
  if (::RegQueryValueExA(key.get(), "Version", nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
      ERROR_SUCCESS)
    return 6;
  text.resize(size);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return IEVersionFromText(text);
}

}  // namespace vt

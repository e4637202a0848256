#include "base/IniFile.h"

#include <windows.h>

#include <vector>

#include "base/Errors.h"

namespace vt {

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  // The profile functions cut a value to the buffer without saying so: grow until it fits.
  std::vector<char> buffer(2048);
  for (;;) {
    DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                         static_cast<DWORD>(buffer.size()), path_.c_str());
    if (n + 1 < buffer.size() || buffer.size() >= (1u << 20)) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 4);
  }
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (!::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str()))
    throw Error("Unable to write to " + path_ + ": " + SystemErrorText(::GetLastError()));
}

}  // namespace vt

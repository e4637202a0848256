// The registry object: a root key, an access mask and one open key at a time. Values are read
// and written through the open key; errors of values and key creation are raised as vt::Error.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "base/Handles.h"

namespace vt {

class TRegistry {
public:
  explicit TRegistry(REGSAM access = KEY_ALL_ACCESS, HKEY rootKey = HKEY_CURRENT_USER)
      : access_(access), root_(rootKey) {}
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // A key starting with "\" is taken from the root key, any other from the open key. With
  // `canCreate` missing keys are created. False when the key can be neither opened nor created.
  bool OpenKey(const std::string& key, bool canCreate);

  // Creates `key` (placed as for OpenKey) and leaves the open key as it was. Raises on failure.
  void CreateKey(const std::string& key);

  bool ValueExists(const std::string& name) const;
  // Raises when the value is missing or not a 32-bit integer (REG_DWORD).
  int32_t ReadInteger(const std::string& name) const;
  // Writes a REG_DWORD; raises on failure.
  void WriteInteger(const std::string& name, int32_t value);

private:
  // The key under which `key` lies, and `key` without its leading and trailing backslashes.
  struct TKeyPlace {
    HKEY base;
    std::string subKey;
  };
  TKeyPlace PlaceOf(const std::string& key) const;

  REGSAM access_;
  HKEY root_;
  RegKey current_;
};

}  // namespace vt

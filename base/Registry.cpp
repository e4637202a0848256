#include "base/Registry.h"

#include <objbase.h>

#include "base/Errors.h"
#include "base/Strings.h"

namespace vt {

TRegistry::TKeyPlace TRegistry::PlaceOf(const std::string& key) const {
  const bool relative = key.empty() || key.front() != '\\';
  const size_t first = key.find_first_not_of('\\');
  const size_t last = key.find_last_not_of('\\');
  return TKeyPlace{relative && current_ ? current_.get() : root_,
                   first == std::string::npos ? std::string() : key.substr(first, last - first + 1)};
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  const TKeyPlace place = PlaceOf(key);
  RegKey opened;
  LONG rc = canCreate ? ::RegCreateKeyExA(place.base, place.subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          access_, nullptr, opened.put(), nullptr)
                      : ::RegOpenKeyExA(place.base, place.subKey.c_str(), 0, access_, opened.put());
  if (rc != ERROR_SUCCESS) return false;
  current_ = std::move(opened);
  return true;
}

void TRegistry::CreateKey(const std::string& key) {
  const TKeyPlace place = PlaceOf(key);
  RegKey created;
  if (::RegCreateKeyExA(place.base, place.subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr,
                        created.put(), nullptr) != ERROR_SUCCESS)
    throw Error(Format("Failed to create key %s", key.c_str()));
}

bool TRegistry::ValueExists(const std::string& name) const {
  return current_ &&
         ::RegQueryValueExA(current_.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

int32_t TRegistry::ReadInteger(const std::string& name) const {
  DWORD type = 0, value = 0, size = 0;
  if (!current_ || ::RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    throw Error(Format("Failed to get data for '%s'", name.c_str()));
  if (type != REG_DWORD || size != sizeof(value)) throw Error(Format("Invalid data type for '%s'", name.c_str()));
  if (::RegQueryValueExA(current_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS)
    throw Error(Format("Failed to get data for '%s'", name.c_str()));
  return static_cast<int32_t>(value);
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
  DWORD data = static_cast<DWORD>(value);
  if (!current_ || ::RegSetValueExA(current_.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                    sizeof(data)) != ERROR_SUCCESS)
    throw Error(Format("Failed to set data for '%s'", name.c_str()));
}

}  // namespace vt

#include "control/uRegistration.h"

#include <oleauto.h>

#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "resources/VantrelleTypeLib.h"

namespace vt {
namespace {

const char kRegistryError[] = "Error creating system registry entry";
const char kDescription[] = "Vantrelle Control";

// Opens or creates `root`\`keyName` for writing; raises on failure.
RegKey CreateKey(HKEY root, const std::string& keyName) {
  RegKey key;
  if (::RegCreateKeyExA(root, keyName.c_str(), 0, const_cast<char*>(""), 0, KEY_READ | KEY_WRITE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
    throw Error(kRegistryError);
  return key;
}

void SetValue(HKEY root, const std::string& keyName, const std::string& valueName, DWORD type, const void* data,
              DWORD size) {
  const RegKey key = CreateKey(root, keyName);
  if (::RegSetValueExA(key.get(), valueName.empty() ? nullptr : valueName.c_str(), 0, type,
                       static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
    throw Error(kRegistryError);
}

// Removes a key with everything below it; an absent key is passed over.
void DeleteTree(const std::string& keyName) {
  ::RegDeleteTreeA(HKEY_CLASSES_ROOT, keyName.c_str());
  ::RegDeleteKeyA(HKEY_CLASSES_ROOT, keyName.c_str());
}

std::wstring WidePath(const std::string& path) { return ToWide(path); }

void RegisterClassEntries(const std::string& clsidKey, const std::string& clsid, const std::string& modulePath) {
  CreateRegStringValue(clsidKey, "", kDescription);
  CreateRegStringValue(clsidKey + "\\InprocServer32", "", modulePath);
  CreateRegStringValue(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment");
  CreateRegStringValue(clsidKey + "\\ProgID", "", kControlProgId);
  CreateRegStringValue(kControlProgId, "", kDescription);
  CreateRegStringValue(std::string(kControlProgId) + "\\Clsid", "", clsid);
  CreateRegStringValue(clsidKey + "\\TypeLib", "", GuidText(LIBID_VantrelleActiveX));
  CreateRegStringValue(clsidKey + "\\Version", "", "1.0");
  CreateRegStringValue(clsidKey + "\\MiscStatus", "", "0");
  CreateRegStringValue(clsidKey + "\\MiscStatus\\1", "", std::to_string(kControlMiscStatus));
  CreateRegStringValue(clsidKey + "\\ToolboxBitmap32", "", modulePath + ",1");
  CreateRegStringValue(clsidKey + "\\Control", "", "");
  CreateRegStringValue(clsidKey + "\\Verb", "", "");
  CreateRegStringValue(clsidKey + "\\Verb\\0", "", "Properties,0,2");

  ComPtr<ITypeLib> library;
  std::wstring path = WidePath(modulePath);
  HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, library.put());
  if (FAILED(hr)) throw Error(Format("The type library cannot be registered (0x%08lX)", static_cast<unsigned long>(hr)), hr);
}

void UnregisterClassEntries(const std::string& clsidKey) {
  ::UnRegisterTypeLib(LIBID_VantrelleActiveX, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
  DeleteTree(kControlProgId);
  DeleteTree(clsidKey);
}

}  // namespace

void CreateRegDWordValue(const std::string& keyName, const std::string& valueName, DWORD value, HKEY root) {
  SetValue(root, keyName, valueName, REG_DWORD, &value, sizeof(value));
}

void CreateRegStringValue(const std::string& keyName, const std::string& valueName, const std::string& value,
                          HKEY root) {
  SetValue(root, keyName, valueName, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void UpdateRegistry(bool doRegister, const std::string& modulePath) {
  const std::string clsid = GuidText(CLSID_Vantrelle);
  const std::string clsidKey = "CLSID\\" + clsid;
  const std::string appIdKey = "AppID\\" + clsid;
  if (doRegister) {
    RegisterClassEntries(clsidKey, clsid, modulePath);
    // What COM needs to start an elevated copy of the control in the default surrogate.
    CreateRegStringValue(clsidKey, "AppID", clsid);
    CreateRegStringValue(clsidKey, "LocalizedString", "@" + modulePath + ",-" + std::to_string(kLocalizedNameId));
    CreateRegDWordValue(clsidKey + "\\Elevation", "Enabled", 1);
    CreateRegStringValue(appIdKey, "", "");
    CreateRegStringValue(appIdKey, "DllSurrogate", "");
  } else {
    DeleteTree(clsidKey + "\\Elevation");
    DeleteTree(appIdKey);
    UnregisterClassEntries(clsidKey);
  }
}

}  // namespace vt

// The registry entries of the control: what DllRegisterServer writes and DllUnregisterServer
// removes under HKEY_CLASSES_ROOT, the elevation entries included.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

namespace vt {

// Writes a REG_DWORD under `root`\`keyName`, creating the key; raises vt::Error
// ("Error creating system registry entry") when the key cannot be created or the value written.
void CreateRegDWordValue(const std::string& keyName, const std::string& valueName, DWORD value,
                         HKEY root = HKEY_CLASSES_ROOT);
// The same for a REG_SZ value; an empty value name is the key's default value.
void CreateRegStringValue(const std::string& keyName, const std::string& valueName, const std::string& value,
                          HKEY root = HKEY_CLASSES_ROOT);

// The control's registration; `modulePath` is the DLL's full path. Raises vt::Error on a failed
// write; entries written before stay.
void UpdateRegistry(bool doRegister, const std::string& modulePath);

// Misc status registered for the control: its own flags and those every hosted form has.
constexpr DWORD kControlMiscStatus = OLEMISC_SIMPLEFRAME | OLEMISC_ACTSLIKELABEL | OLEMISC_RECOMPOSEONRESIZE |
                                     OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                                     OLEMISC_SETCLIENTSITEFIRST;
// The resource id of the name the elevation prompt shows.
constexpr UINT kLocalizedNameId = 2009;
// The control's programmatic identifier.
constexpr char kControlProgId[] = "VantrelleActiveX.Vantrelle";

}  // namespace vt

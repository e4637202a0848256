// The registry routines of the control: each works inside one error trap, so that no registry
// error reaches the request; the trap logs it and the routine returns what it had reached. The
// registry object closes its key on every way out.
#include "capture/uBrowserSettings.h"

#include <exception>

#include "base/Registry.h"
#include "base/Strings.h"
#include "control/VantrelleImpl.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

constexpr const char* kCompatibilityCaption = "ActiveX::SetCompatibilityMode >> ";
constexpr const char* kZoomCaption = "ActiveX::GetIEZoomSize >> ";
constexpr const char* kAllSitesCaption = "ActiveX::SetAllSiteSetup >> ";

constexpr REGSAM kReadAccess = KEY_READ;
constexpr REGSAM kReadWriteAccess = KEY_READ | KEY_WRITE;

// Two lines under the routine's caption for an error the registry object raised.
void LogRegistryError(TVantrelle& control, const char* caption, const std::exception& e) {
  control.WriteLog(caption, "OpenKey Exception");
  control.WriteLog(caption, LoadResString(kLogError) + " = [" + e.what() + "]");
}

}  // namespace

std::string AllowedDomainsKey(const GUID& clsid) {
  return "\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\" + GuidText(clsid) +
         "\\iexplore\\AllowedDomains";
}

bool TVantrelle::IsCompatibilityModeSet() {
  WriteLog(kCompatibilityCaption, LoadResString(kLogCheckingCompatibilityView));
  bool result = false;
  TRegistry registry(kReadAccess, HKEY_CURRENT_USER);
  try {
    if (registry.OpenKey(kBrowserEmulationKey, false)) {
      if (registry.ValueExists(kAllSitesCompatibilityValue)) {
        WriteLog(kCompatibilityCaption, LoadResString(kLogCompatibilityValueExists));
        if (registry.ReadInteger(kAllSitesCompatibilityValue) == 1) {
          WriteLog(kCompatibilityCaption, LoadResString(kLogCompatibilityViewIsOn));
          result = true;
        }
      }
    }
  } catch (const std::exception& e) {
    LogRegistryError(*this, kCompatibilityCaption, e);
  }
  return result;
}

bool TVantrelle::SetCompatibilityMode() {
  WriteLog(kCompatibilityCaption, LoadResString(kLogSettingCompatibilityView));
  bool result = false;
  TRegistry registry(kReadWriteAccess, HKEY_CURRENT_USER);
  WriteLog(kCompatibilityCaption, "TRegistry Create");
  try {
    if (!registry.OpenKey(kBrowserEmulationKey, true)) return false;
    WriteLog(kCompatibilityCaption, "OpenKey Rsult : True");
    if (registry.ValueExists(kAllSitesCompatibilityValue)) {
      WriteLog(kCompatibilityCaption, LoadResString(kLogCompatibilityValueExists));
      if (registry.ReadInteger(kAllSitesCompatibilityValue) == 1) {
        WriteLog(kCompatibilityCaption, LoadResString(kLogCompatibilityViewIsOn));
        return false;
      }
    }
    WriteLog(kCompatibilityCaption, LoadResString(kLogTurningCompatibilityViewOn));
    registry.WriteInteger(kAllSitesCompatibilityValue, 1);
    WriteLog(kCompatibilityCaption, LoadResString(kLogCompatibilityViewTurnedOn));
    result = true;
  } catch (const std::exception& e) {
    LogRegistryError(*this, kCompatibilityCaption, e);
  }
  return result;
}

std::optional<int32_t> TVantrelle::GetIEZoomSize() {
  std::optional<int32_t> result;
  TRegistry registry(kReadAccess, HKEY_CURRENT_USER);
  try {
    if (registry.OpenKey(kZoomKey, true) && registry.ValueExists(kZoomFactorValue))
      result = registry.ReadInteger(kZoomFactorValue);
  } catch (const std::exception& e) {
    LogRegistryError(*this, kZoomCaption, e);
  }
  return result;
}

void TVantrelle::SetAllSiteSetup() {
  const std::string domainsKey = AllowedDomainsKey(kVantrelleClassId);
  TRegistry registry(kReadWriteAccess, HKEY_CURRENT_USER);
  try {
    if (registry.OpenKey(domainsKey + "\\*", false)) return;  // already allowed
    if (registry.OpenKey(domainsKey, true)) {
      registry.CreateKey("*");
      WriteLog(kAllSitesCaption, LoadResString(kLogAllSitesAllowed));
    }
  } catch (const std::exception& e) {
    LogRegistryError(*this, kAllSitesCaption, e);
  }
}

}  // namespace vt

// The registry routines of the browser settings: each works inside one error trap (RegistryTrap),
// so that no registry error reaches the request; the trap logs it and the routine returns what it
// had reached. The registry object closes its key on every way out.
#include "capture/uBrowserSettings.h"

#include "base/Errors.h"
#include "base/Registry.h"
#include "base/Strings.h"
#include "capture/uBrowserWindow.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

constexpr const char* kCompatibilityCaption = "ActiveX::SetCompatibilityMode >> ";
constexpr const char* kZoomCaption = "ActiveX::GetIEZoomSize >> ";
constexpr const char* kAllSitesCaption = "ActiveX::SetAllSiteSetup >> ";

constexpr REGSAM kReadAccess = KEY_READ;
constexpr REGSAM kReadWriteAccess = KEY_READ | KEY_WRITE;

// Runs `work`. What the registry object refuses (a value of another type, a key or value it cannot
// write) is expected of a user's registry: two lines under the routine's caption, and the routine
// goes on with what it had reached.
template <class Work>
void RegistryTrap(ILogSink& log, const char* caption, Work&& work) {
  try {
    work();
  } catch (const Error& e) {
    log.WriteLog(caption, "OpenKey Exception");
    log.WriteLog(caption, LoadResString(kLogError) + " = [" + e.what() + "]");
  }
}

}  // namespace

std::string AllowedDomainsKey(const GUID& clsid) {
  return "\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\" + GuidText(clsid) +
         "\\iexplore\\AllowedDomains";
}

bool TBrowserSettings::IsCompatibilityModeSet() {
  log_.WriteLogText(kCompatibilityCaption, kLogCheckingCompatibilityView);
  bool result = false;
  TRegistry registry(kReadAccess, HKEY_CURRENT_USER);
  RegistryTrap(log_, kCompatibilityCaption, [&] {
    if (!registry.OpenKey(kBrowserEmulationKey, false) || !registry.ValueExists(kAllSitesCompatibilityValue)) return;
    log_.WriteLogText(kCompatibilityCaption, kLogCompatibilityValueExists);
    if (registry.ReadInteger(kAllSitesCompatibilityValue) != 1) return;
    log_.WriteLogText(kCompatibilityCaption, kLogCompatibilityViewIsOn);
    result = true;
  });
  return result;
}

bool TBrowserSettings::SetCompatibilityMode() {
  log_.WriteLogText(kCompatibilityCaption, kLogSettingCompatibilityView);
  bool result = false;
  TRegistry registry(kReadWriteAccess, HKEY_CURRENT_USER);
  log_.WriteLog(kCompatibilityCaption, "TRegistry Create");
  RegistryTrap(log_, kCompatibilityCaption, [&] {
    if (!registry.OpenKey(kBrowserEmulationKey, true)) return;
    log_.WriteLog(kCompatibilityCaption, "OpenKey Rsult : True");
    if (registry.ValueExists(kAllSitesCompatibilityValue)) {
      log_.WriteLogText(kCompatibilityCaption, kLogCompatibilityValueExists);
      if (registry.ReadInteger(kAllSitesCompatibilityValue) == 1) {
        log_.WriteLogText(kCompatibilityCaption, kLogCompatibilityViewIsOn);
        return;
      }
    }
    log_.WriteLogText(kCompatibilityCaption, kLogTurningCompatibilityViewOn);
    registry.WriteInteger(kAllSitesCompatibilityValue, 1);
    log_.WriteLogText(kCompatibilityCaption, kLogCompatibilityViewTurnedOn);
    result = true;
  });
  return result;
}

std::optional<int32_t> TBrowserSettings::GetIEZoomSize() {
  std::optional<int32_t> result;
  TRegistry registry(kReadAccess, HKEY_CURRENT_USER);
  RegistryTrap(log_, kZoomCaption, [&] {
    if (registry.OpenKey(kZoomKey, true) && registry.ValueExists(kZoomFactorValue))
      result = registry.ReadInteger(kZoomFactorValue);
  });
  return result;
}

void TBrowserSettings::SetAllSiteSetup() {
  const std::string domainsKey = AllowedDomainsKey(controlClassId_);
  TRegistry registry(kReadWriteAccess, HKEY_CURRENT_USER);
  RegistryTrap(log_, kAllSitesCaption, [&] {
    if (registry.OpenKey(domainsKey + "\\*", false)) return;  // already allowed
    if (registry.OpenKey(domainsKey, true)) {
      registry.CreateKey("*");
      log_.WriteLogText(kAllSitesCaption, kLogAllSitesAllowed);
    }
  });
}

bool TBrowserSettings::MoveIEWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd) {
  return vt::MoveIEWindow(left, top, width, height, wnd);
}

}  // namespace vt

// A second instance of the control at high integrity, through the COM elevation moniker; the
// control in a protected-mode browser uses it for the registry and window work low integrity forbids.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <string>

namespace vt {

// "Elevation:Administrator!new:{clsid}".
std::wstring ElevationMonikerName(REFCLSID clsid);

// Binds the elevation moniker with `window` as the owner of the consent prompt. Every failure
// (consent refused, entries missing, no surrogate) comes back only as the HRESULT; *instance stays
// null then. Never throws.
HRESULT CreateElevatedInstance(HWND window, REFCLSID clsid, REFIID iid, void** instance);

// The moniker binding CreateElevatedInstance calls: CoGetObject unless a test put another in place.
using TCoGetObject = HRESULT(WINAPI*)(LPCWSTR name, BIND_OPTS* options, REFIID iid, void** out);
// Returns the previous binding; nullptr restores CoGetObject.
TCoGetObject SetCoGetObject(TCoGetObject bind);

}  // namespace vt

#include <memory>

#include "capture/uBrowserSettings.h"

namespace vt {

// A new elevated instance's settings methods, or the HRESULT that refused it.
struct TElevatedInstance {
  HRESULT result = E_FAIL;
  std::unique_ptr<IBrowserSettingsWriter> settings;  // there exactly when `result` succeeded
};

// The settings methods of a new elevated instance of the control (CreateElevatedInstance with the
// control's class and IVantrelle): its RunCompatibilityMode, RunCompatibilityIEWinSize and
// RunCompatibilityAllsite.
TElevatedInstance CreateElevatedControlSettings(HWND owner);

// Makes the request driver reach the elevated instance through CreateElevatedControlSettings.
void InstallElevatedInstanceFactory();

}  // namespace vt

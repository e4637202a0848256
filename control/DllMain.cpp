// Entry points of the control DLL.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include "base/Strings.h"
#include "control/uClassFactory.h"
#include "control/uElevation.h"
#include "control/uModuleVersion.h"
#include "control/uRegistration.h"
#include "control/uSafeCall.h"
#include "resources/VantrelleTypeLib.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_Vantrelle) return CLASS_E_CLASSNOTAVAILABLE;
  // A control in a protected-mode browser reaches its elevated copy through this.
  static bool installed = false;
  if (!installed) {
    vt::InstallElevatedInstanceFactory();
    installed = true;
  }
  return vt::ControlClassFactory()->QueryInterface(iid, object);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return vt::CanUnloadModule() ? S_OK : S_FALSE; }

// Registration tools know one failure: E_FAIL, whatever the registry refused.
static HRESULT UpdateRegistry(bool doRegister) {
  const HRESULT hr =
      vt::SafeCall(IID_NULL, [doRegister] { vt::UpdateRegistry(doRegister, vt::ModulePath(vt::ThisModule())); });
  return SUCCEEDED(hr) ? S_OK : E_FAIL;
}

extern "C" HRESULT WINAPI DllRegisterServer() { return UpdateRegistry(true); }

extern "C" HRESULT WINAPI DllUnregisterServer() { return UpdateRegistry(false); }

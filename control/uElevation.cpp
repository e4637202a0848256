#include "control/uElevation.h"

namespace vt {
namespace {

HRESULT WINAPI SystemCoGetObject(LPCWSTR name, BIND_OPTS* options, REFIID iid, void** out) {
  return ::CoGetObject(name, options, iid, out);
}

TCoGetObject gCoGetObject = SystemCoGetObject;

}  // namespace

std::wstring ElevationMonikerName(REFCLSID clsid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(clsid, text, 40);
  return std::wstring(L"Elevation:Administrator!new:") + text;
}

HRESULT CreateElevatedInstance(HWND window, REFCLSID clsid, REFIID iid, void** instance) {
  if (!instance) return E_POINTER;
  *instance = nullptr;
  std::wstring name = ElevationMonikerName(clsid);
  static_assert(sizeof(BIND_OPTS3) == 36, "BIND_OPTS3 of a 32-bit process");
  BIND_OPTS3 options;
  ZeroMemory(&options, sizeof(options));
  options.cbStruct = sizeof(options);
  options.dwClassContext = CLSCTX_LOCAL_SERVER;
  options.hwnd = window;
  HRESULT hr;
  try {
    hr = gCoGetObject(name.c_str(), reinterpret_cast<BIND_OPTS*>(&options), iid, instance);
  } catch (...) {
    hr = E_UNEXPECTED;
  }
  if (FAILED(hr) && *instance) {
    // A binder that failed must not hand out an object.
    static_cast<IUnknown*>(*instance)->Release();
    *instance = nullptr;
  }
  return hr;
}

TCoGetObject SetCoGetObject(TCoGetObject bind) {
  TCoGetObject previous = gCoGetObject;
  gCoGetObject = bind ? bind : SystemCoGetObject;
  return previous;
}

}  // namespace vt

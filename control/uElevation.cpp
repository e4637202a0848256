#include "control/uElevation.h"

#include <utility>

#include "base/ComPtr.h"
#include "base/Strings.h"
#include "control/uRequestDriver.h"
#include "resources/VantrelleTypeLib.h"

namespace vt {
namespace {

HRESULT WINAPI SystemCoGetObject(LPCWSTR name, BIND_OPTS* options, REFIID iid, void** out) {
  return ::CoGetObject(name, options, iid, out);
}

TCoGetObject gCoGetObject = SystemCoGetObject;

}  // namespace

std::wstring ElevationMonikerName(REFCLSID clsid) {
  return L"Elevation:Administrator!new:" + ToWide(GuidText(clsid));
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
  const HRESULT hr = gCoGetObject(name.c_str(), reinterpret_cast<BIND_OPTS*>(&options), iid, instance);
  // A binder that failed must not hand out an object.
  if (FAILED(hr)) ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(std::exchange(*instance, nullptr)));
  return hr;
}

TCoGetObject SetCoGetObject(TCoGetObject bind) {
  TCoGetObject previous = gCoGetObject;
  gCoGetObject = bind ? bind : SystemCoGetObject;
  return previous;
}

namespace {

// The browser settings of the elevated instance, through its automation interface.
class TElevatedSettings : public IBrowserSettingsWriter {
public:
  explicit TElevatedSettings(ComPtr<IVantrelle> instance) : instance_(std::move(instance)) {}
  bool SetCompatibilityMode() override {
    VARIANT_BOOL set = VARIANT_FALSE;
    return SUCCEEDED(instance_->RunCompatibilityMode(&set)) && set != VARIANT_FALSE;
  }
  bool MoveIEWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd) override {
    VARIANT_BOOL moved = VARIANT_FALSE;
    LONG handle = static_cast<LONG>(reinterpret_cast<LONG_PTR>(wnd));
    return SUCCEEDED(instance_->RunCompatibilityIEWinSize(left, top, width, height, handle, &moved)) &&
           moved != VARIANT_FALSE;
  }
  void SetAllSiteSetup() override {
    VARIANT_BOOL ignored = VARIANT_FALSE;
    instance_->RunCompatibilityAllsite(&ignored);
  }

private:
  ComPtr<IVantrelle> instance_;
};

}  // namespace

TElevatedInstance CreateElevatedControlSettings(HWND owner) {
  ComPtr<IVantrelle> elevated;
  const HRESULT hr = CreateElevatedInstance(owner, CLSID_Vantrelle, IID_IVantrelle, elevated.put_void());
  if (FAILED(hr)) return {hr, nullptr};
  if (!elevated) return {E_NOINTERFACE, nullptr};
  return {hr, std::make_unique<TElevatedSettings>(std::move(elevated))};
}

void InstallElevatedInstanceFactory() { SetElevatedInstanceFactory(CreateElevatedControlSettings); }

}  // namespace vt

#include "control/uClassFactory.h"

#include <new>

#include "base/ComPtr.h"
#include "control/VantrelleControl.h"

namespace vt {
namespace {

LONG gModuleLocks = 0;

class TActiveFormElevationFactory : public IClassFactory {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    TVantrelleControl* control = new (std::nothrow) TVantrelleControl();
    if (!control) return E_OUTOFMEMORY;
    // Held while asked, so that a failed query frees the new control.
    const ComPtr<IVantrelle> first(control);
    return first->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }
};

TActiveFormElevationFactory gFactory;

}  // namespace

IClassFactory* ControlClassFactory() { return &gFactory; }

void LockModule(bool lock) {
  if (lock) ::InterlockedIncrement(&gModuleLocks);
  else ::InterlockedDecrement(&gModuleLocks);
}

bool CanUnloadModule() { return ::InterlockedCompareExchange(&gModuleLocks, 0, 0) == 0; }

}  // namespace vt

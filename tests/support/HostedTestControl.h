// A control object that the stand-in browser hosts in a test: the browser creates it by class
// identifier and gives it a client site, through which the control finds its page.
#pragma once
#include <windows.h>
#include <ole2.h>

#include "base/ComPtr.h"
#include "browser/HtmlObjects.h"

namespace vt::test {

// The control's COM object as far as the browser's site needs it.
class TTestOleObject : public browser::ComObject<browser::IOleObjectStub> {
public:
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    site_ = ComPtr<IOleClientSite>(site);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = ComPtr<IOleClientSite>(site_).Detach();
    return *site ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override { return S_OK; }

private:
  ComPtr<IOleClientSite> site_;
};

// Hands out one object to whoever creates the class, as the browser creates the page's control.
class TSingleObjectFactory : public browser::ComObject<browser::IClassFactoryStub> {
public:
  explicit TSingleObjectFactory(IUnknown* object) : object_(object) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    return object_->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
  ComPtr<IUnknown> object_;
};

}  // namespace vt::test

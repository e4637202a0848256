// A small ActiveX control of the tests, an in-process COM server registered with regsvr32: the
// stand-in browser hosts it in a page, and its Run2 walks from its client site to the document,
// the browser and their windows the way the product's control does, does what its parameter asks
// to the browser, and reports what it found through its one event, Done(text).
//
// Run2 words (separated by blanks): zoom:<percent>, refresh, hide (the element "Vantrelle" as
// the product hides it), move:<left>,<top>,<width>,<height> (the top-level window), disable
// (the top-level window, then enabled again), fail (the call fails with a description).
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>
#include <oleacc.h>
#include <olectl.h>

#include <sstream>
#include <string>

#include "base/ComPtr.h"
#include "base/Strings.h"
#include "browser/ComObject.h"
#include "browser/HtmlObjects.h"

using namespace vt;
using namespace vt::browser;

namespace {

// {A7C3E1D2-5B4F-4C8A-9E21-3D4F5A6B7C80}
constexpr CLSID kClsid = {0xa7c3e1d2, 0x5b4f, 0x4c8a, {0x9e, 0x21, 0x3d, 0x4f, 0x5a, 0x6b, 0x7c, 0x80}};
// {A7C3E1D2-5B4F-4C8A-9E21-3D4F5A6B7C81}
constexpr IID kEventsIid = {0xa7c3e1d2, 0x5b4f, 0x4c8a, {0x9e, 0x21, 0x3d, 0x4f, 0x5a, 0x6b, 0x7c, 0x81}};
constexpr DISPID kRun2 = 232, kGetVersion = 233, kDone = 1;
const wchar_t kWindowClass[] = L"VtTestControl";
constexpr COLORREF kFaceColor = RGB(0x33, 0x66, 0x99);

std::string ClassName(HWND wnd) {
  char name[64] = {};
  if (wnd) ::GetClassNameA(wnd, name, sizeof(name));
  return name[0] ? name : "none";
}

class TConnectionPoint : public ComObject<IConnectionPointStub> {
public:
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = kEventsIid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    if (sink_) return CONNECT_E_ADVISELIMIT;
    if (FAILED(sink->QueryInterface(kEventsIid, sink_.put_void()))) return CONNECT_E_CANNOTCONNECT;
    *cookie = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    if (cookie != 1 || !sink_) return CONNECT_E_NOCONNECTION;
    sink_.reset();
    return S_OK;
  }
  void FireDone(const std::string& text) {
    if (!sink_) return;
    VARIANT arg;
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = ::SysAllocString(FromUtf8(text).c_str());
    DISPPARAMS params{&arg, nullptr, 1, 0};
    sink_->Invoke(kDone, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    ::VariantClear(&arg);
  }

private:
  ComPtr<IDispatch> sink_;
};

class TTestControl : public ComObject<IDispatchStub, IOleObjectStub, IOleInPlaceObjectStub,
                                      IConnectionPointContainerStub, IProvideClassInfo2Stub, IPersistStreamInitStub> {
public:
  TTestControl() : events_(MakeCom<TConnectionPoint>()) {}
  ~TTestControl() override { Deactivate(); }

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    site_ = ComPtr<IOleClientSite>(site);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override { return ReturnInterface(site_, site); }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override {
    Deactivate();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT position) override {
    return Activate(parent, position);
  }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override {
    if (size) extent_ = *size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
  }

  // IOleWindow, IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override {
    if (!wnd) return E_POINTER;
    *wnd = wnd_;
    return wnd_ ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
    Deactivate();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override {
    if (wnd_ && position)
      ::MoveWindow(wnd_, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
  }

  // IConnectionPointContainer, IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != kEventsIid) return CONNECT_E_NOCONNECTION;
    return ReturnInterface(events_, point);
  }
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = kEventsIid;
    return S_OK;
  }

  // IPersist, IPersistStreamInit
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = kClsid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }

protected:
  DISPID DispIdOf(const wchar_t* name) override {
    if (_wcsicmp(name, L"Run2") == 0) return kRun2;
    if (_wcsicmp(name, L"GetVtnVersion") == 0) return kGetVersion;
    if (_wcsicmp(name, L"Caption") == 0) return DISPID_CAPTION;
    return DISPID_UNKNOWN;
  }
  HRESULT InvokeDispId(DISPID id, WORD flags, DISPPARAMS& params, VARIANT& result) override {
    auto arg = [&](UINT i) -> VARIANT* { return i < params.cArgs ? &params.rgvarg[params.cArgs - 1 - i] : nullptr; };
    if (id == kRun2 && (flags & DISPATCH_METHOD)) {
      VARIANT* param = arg(0);
      if (!param || V_VT(param) != VT_BSTR) return DISP_E_TYPEMISMATCH;
      return Run2(V_BSTR(param), arg(1));
    }
    if (id == kGetVersion && (flags & DISPATCH_METHOD)) {
      VARIANT* out = arg(0);
      if (!out || V_VT(out) != (VT_BYREF | VT_VARIANT)) return DISP_E_TYPEMISMATCH;
      ::VariantClear(V_VARIANTREF(out));
      V_VT(V_VARIANTREF(out)) = VT_BSTR;
      V_BSTR(V_VARIANTREF(out)) = ::SysAllocString(L"1.0.0.0");
      return S_OK;
    }
    if (id == DISPID_CAPTION && (flags & DISPATCH_PROPERTYGET)) {
      V_VT(&result) = VT_BSTR;
      return ReturnBstr(caption_, &V_BSTR(&result));
    }
    if (id == DISPID_CAPTION && (flags & DISPATCH_PROPERTYPUT) && arg(0)) {
      caption_ = VariantText(*arg(0));
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

private:
  static LRESULT CALLBACK FaceProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(wnd, &ps);
      RECT r;
      ::GetClientRect(wnd, &r);
      HBRUSH brush = ::CreateSolidBrush(kFaceColor);
      ::FillRect(dc, &r, brush);
      ::DeleteObject(brush);
      ::EndPaint(wnd, &ps);
      return 0;
    }
    return ::DefWindowProcW(wnd, msg, wp, lp);
  }

  HRESULT Activate(HWND parent, LPCRECT position) {
    if (wnd_) return S_OK;
    auto inPlace = site_.As<IOleInPlaceSite>();
    if (!inPlace || inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlace->OnInPlaceActivate();
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof(info);
    if (FAILED(inPlace->GetWindowContext(frame.put(), document.put(), &pos, &clip, &info))) return E_FAIL;
    if (position) pos = *position;
    HWND host = nullptr;
    inPlace->GetWindow(&host);
    WNDCLASSW wc{};
    wc.lpfnWndProc = FaceProc;
    wc.hInstance = ThisModule();
    wc.lpszClassName = kWindowClass;
    ::RegisterClassW(&wc);
    wnd_ = ::CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE, pos.left, pos.top, pos.right - pos.left,
                             pos.bottom - pos.top, host ? host : parent, nullptr, ThisModule(), nullptr);
    return wnd_ ? S_OK : E_FAIL;
  }

  void Deactivate() {
    if (!wnd_) return;
    ::DestroyWindow(wnd_);
    wnd_ = nullptr;
    if (auto inPlace = site_.As<IOleInPlaceSite>()) inPlace->OnInPlaceDeactivate();
  }

  HRESULT Run2(BSTR param, VARIANT* divObj) {
    std::string words = ToUtf8(param);
    ComPtr<IOleContainer> container;
    if (site_) site_->GetContainer(container.put());
    auto doc = container.As<IHTMLDocument2>();
    ComPtr<IWebBrowser2> browser;
    if (auto provider = site_.As<IServiceProvider>())
      provider->QueryService(kWebBrowserAppService, IID_IWebBrowser2, browser.put_void());
    HWND view = nullptr;
    if (auto window = doc.As<IOleWindow>()) window->GetWindow(&view);
    HWND top = view;
    while (top && ::GetParent(top)) top = ::GetParent(top);

    // The browser again, from the view window, as the product finds it.
    HRESULT found = S_FALSE;
    ComPtr<IHTMLDocument2> doc2;
    ComPtr<IWebBrowser2> browser2;
    if (HMODULE oleacc = ::LoadLibraryA("Oleacc.dll")) {
      using TObjectFromLresult = HRESULT(WINAPI*)(LRESULT, REFIID, WPARAM, void**);
      auto objectFromLresult = reinterpret_cast<TObjectFromLresult>(::GetProcAddress(oleacc, "ObjectFromLresult"));
      DWORD_PTR answer = 0;
      ::SendMessageTimeoutA(view, ::RegisterWindowMessageA("WM_HTML_GETOBJECT"), 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
      if (objectFromLresult) found = objectFromLresult(answer, IID_IHTMLDocument2, 0, doc2.put_void());
      ::FreeLibrary(oleacc);
    }
    ComPtr<IHTMLWindow2> parentWindow;
    if (doc2) doc2->get_parentWindow(parentWindow.put());
    if (auto provider = parentWindow.As<IServiceProvider>())
      provider->QueryService(kWebBrowserAppService, IID_IWebBrowser2, browser2.put_void());

    std::string div = "none";
    if (divObj && V_VT(divObj) == VT_DISPATCH && V_DISPATCH(divObj)) {
      ComPtr<IDispatch> d(V_DISPATCH(divObj));
      Bstr id;
      if (auto element = d.As<IHTMLElement>()) element->get_id(id.put());
      div = "#" + ToUtf8(id.str());
    }
    Bstr ready;
    if (doc) doc->get_readyState(ready.put());

    std::istringstream in(words);
    for (std::string word; in >> word;) {
      if (word == "fail") return Fail(L"asked to fail");
      if (word.rfind("zoom:", 0) == 0 && browser) {
        VARIANT percent;
        V_VT(&percent) = VT_I4;
        V_I4(&percent) = std::atoi(word.c_str() + 5);
        browser->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &percent, nullptr);
      } else if (word == "refresh" && browser) {
        browser->Refresh();
      } else if (word == "hide" && doc) {
        Hide(doc.get());
      } else if (word.rfind("move:", 0) == 0 && top) {
        int l = 0, t = 0, w = 0, h = 0;
        if (std::sscanf(word.c_str() + 5, "%d,%d,%d,%d", &l, &t, &w, &h) == 4) ::MoveWindow(top, l, t, w, h, TRUE);
      } else if (word == "disable" && top) {
        ::EnableWindow(top, FALSE);
        ::EnableWindow(top, TRUE);
      }
    }
    events_->FireDone(Format("container=%d browser=%d view=%s top=%s getobject=0x%08lx same=%d browser2=%d div=%s ready=%s",
                             doc ? 1 : 0, browser ? 1 : 0, ClassName(view).c_str(), ClassName(top).c_str(),
                             static_cast<unsigned long>(found), doc2 && doc2.get() == doc.get(),
                             browser2 && browser2.get() == browser.get(), div.c_str(), ToUtf8(ready.str()).c_str()));
    return S_OK;
  }

  static void Hide(IHTMLDocument2* doc) {
    ComPtr<IHTMLElement> element;
    Bstr id(L"Vantrelle");
    if (auto doc3 = ComPtr<IHTMLDocument2>(doc).As<IHTMLDocument3>()) doc3->getElementById(id.get(), element.put());
    if (!element) return;
    VARIANT_BOOL removed;
    Bstr width(L"width"), height(L"height");
    element->removeAttribute(width.get(), 0, &removed);
    element->removeAttribute(height.get(), 0, &removed);
    ComPtr<IHTMLStyle> style;
    element->get_style(style.put());
    if (!style) return;
    VARIANT zero, away;
    V_VT(&zero) = V_VT(&away) = VT_BSTR;
    V_BSTR(&zero) = ::SysAllocString(L"0");
    V_BSTR(&away) = ::SysAllocString(L"-1024");
    style->put_width(zero);
    style->put_height(zero);
    style->put_left(away);
    style->put_top(away);
    ::VariantClear(&zero);
    ::VariantClear(&away);
  }

  static HRESULT Fail(const wchar_t* description) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
      create->SetDescription(const_cast<LPOLESTR>(description));
      if (auto info = create.As<IErrorInfo>()) ::SetErrorInfo(0, info.get());
    }
    return E_FAIL;
  }

  ComPtr<IOleClientSite> site_;
  ComPtr<TConnectionPoint> events_;
  SIZEL extent_{};
  HWND wnd_ = nullptr;
  std::wstring caption_ = L"Test control";
};


std::wstring ClsidKey() { return L"CLSID\\" + ToWide(GuidText(kClsid)); }

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return MakeCom<TClassFactory<TTestControl>>()->QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }

extern "C" HRESULT WINAPI DllRegisterServer() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(ThisModule(), path, MAX_PATH);
  HKEY key = nullptr;
  std::wstring name = ClsidKey() + L"\\InprocServer32";
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)) return SELFREG_E_CLASS;
  const wchar_t apartment[] = L"Apartment";
  LONG a = ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), (lstrlenW(path) + 1) * 2);
  LONG b = ::RegSetValueExW(key, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(apartment), sizeof(apartment));
  ::RegCloseKey(key);
  return a || b ? SELFREG_E_CLASS : S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  LONG r = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, ClsidKey().c_str());
  if (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND) ::RegDeleteKeyW(HKEY_CLASSES_ROOT, ClsidKey().c_str());
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

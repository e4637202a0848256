// The document object.
#include <mshtmdid.h>

#include "base/Strings.h"
#include "browser/ComObject.h"
#include "browser/HtmlObjects.h"
#include "browser/InprocMarshal.h"

namespace vt::browser {
namespace {

class TDocumentObject : public ComObject<IHTMLDocument2Stub, IHTMLDocument3Stub, IOleWindowStub, IOleContainerStub,
                                         IServiceProviderStub, IMarshalStub> {
public:
  explicit TDocumentObject(TDocument* d) : page_(d->page->shared_from_this()), d_(d) {
    d_->documentObject = static_cast<IHTMLDocument2*>(this);
  }
  ~TDocumentObject() override { d_->documentObject = nullptr; }

  // IHTMLDocument2
  HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) override {
    return ReturnInterface(CollectionObject(*page_, d_->AllElements()), p);
  }
  HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override { return ReturnInterface(ElementObject(d_->body), p); }
  HRESULT STDMETHODCALLTYPE get_readyState(BSTR* p) override { return ReturnBstr(d_->ReadyState(), p); }
  HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** p) override {
    return ReturnInterface(WindowObject(d_), p);
  }
  HRESULT STDMETHODCALLTYPE get_parentWindow(IHTMLWindow2** p) override { return ReturnInterface(WindowObject(d_), p); }
  HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override { return ReturnBstr(d_->title, p); }
  HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override { return ReturnBstr(d_->url, p); }
  HRESULT STDMETHODCALLTYPE get_domain(BSTR* p) override { return ReturnBstr(d_->domain, p); }

  // IHTMLDocument3
  HRESULT STDMETHODCALLTYPE get_documentElement(IHTMLElement** p) override {
    return ReturnInterface(ElementObject(d_->html.get()), p);
  }
  HRESULT STDMETHODCALLTYPE getElementById(BSTR v, IHTMLElement** p) override {
    std::string wanted = v ? ToUtf8(v) : std::string();
    for (TElement* e : d_->AllElements())
      if (e->id == wanted) return ReturnInterface(ElementObject(e), p);
    return ReturnInterface(ComPtr<IHTMLElement>(), p);
  }
  HRESULT STDMETHODCALLTYPE getElementsByTagName(BSTR v, IHTMLElementCollection** p) override {
    std::wstring tag = v ? std::wstring(v, ::SysStringLen(v)) : std::wstring();
    return ReturnInterface(CollectionObject(*page_, ElementsByTag(d_->AllElements(), tag)), p);
  }

  // IOleWindow: every document shows in the top view window (frames have no windows of their own).
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override {
    if (!wnd) return E_POINTER;
    *wnd = page_->host ? page_->host->ViewWindow() : nullptr;
    return *wnd ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleContainer
  HRESULT STDMETHODCALLTYPE LockContainer(BOOL) override { return S_OK; }

  // IServiceProvider
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (service != kWebBrowserAppService && service != IID_IWebBrowser2) return E_NOINTERFACE;
    return BrowserObject(d_)->QueryInterface(iid, out);
  }

  // IMarshal, for WM_HTML_GETOBJECT
  HRESULT STDMETHODCALLTYPE GetUnmarshalClass(REFIID, void*, DWORD, void*, DWORD, CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = InprocUnmarshalerClsid();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMarshalSizeMax(REFIID, void*, DWORD, void*, DWORD, DWORD* size) override {
    if (!size) return E_POINTER;
    *size = kInprocMarshalSize;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE MarshalInterface(IStream* stream, REFIID iid, void*, DWORD, void*, DWORD) override {
    return InprocMarshalInterface(static_cast<IHTMLDocument2*>(this), stream, iid);
  }
  HRESULT STDMETHODCALLTYPE ReleaseMarshalData(IStream* stream) override { return InprocReleaseMarshalData(stream); }
  HRESULT STDMETHODCALLTYPE DisconnectObject(DWORD) override { return S_OK; }

protected:
  DISPID DispIdOf(const wchar_t* name) override {
    if (_wcsicmp(name, L"documentMode") == 0) return DISPID_IHTMLDOCUMENT6_DOCUMENTMODE;
    if (_wcsicmp(name, L"readyState") == 0) return DISPID_IHTMLDOCUMENT2_READYSTATE;
    return DISPID_UNKNOWN;
  }
  // documentMode reads as a floating-point number, as the browser's own document reports it.
  HRESULT InvokeDispId(DISPID id, WORD flags, DISPPARAMS&, VARIANT& result) override {
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
    if (id == DISPID_IHTMLDOCUMENT6_DOCUMENTMODE) {
      V_VT(&result) = VT_R4;
      V_R4(&result) = static_cast<float>(d_->documentMode);
      return S_OK;
    }
    if (id == DISPID_IHTMLDOCUMENT2_READYSTATE) {
      V_VT(&result) = VT_BSTR;
      return ReturnBstr(d_->ReadyState(), &V_BSTR(&result));
    }
    return DISP_E_MEMBERNOTFOUND;
  }

private:
  std::shared_ptr<TPage> page_;
  TDocument* d_;
};

}  // namespace

ComPtr<IHTMLDocument2> DocumentObject(TDocument* d) {
  return CachedObject<TDocumentObject, IHTMLDocument2>(d, &TDocument::documentObject);
}

}  // namespace vt::browser

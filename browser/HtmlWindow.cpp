// Window objects (a document's window and its frames collection) and browser objects.

#include "base/Strings.h"
#include "base/Variant.h"
#include "browser/ComObject.h"
#include "browser/HtmlObjects.h"

namespace vt::browser {
namespace {

// A frame is named in the action record by its name, else by its element.
std::string FrameLabel(const TDocument& d) {
  if (!d.frameElement) return "top";
  return d.frameElement->name.empty() ? d.frameElement->Label() : d.frameElement->name;
}

HRESULT QueryBrowser(TDocument* d, REFGUID service, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (service != kWebBrowserAppService && service != IID_IWebBrowser2) return E_NOINTERFACE;
  return BrowserObject(d)->QueryInterface(iid, out);
}

class TWindowObject : public ComObject<IHTMLWindow2Stub, IServiceProviderStub> {
public:
  explicit TWindowObject(TDocument* d) : page_(d->page->shared_from_this()), d_(d) {
    d_->windowObject = static_cast<IHTMLWindow2*>(this);
  }
  ~TWindowObject() override { d_->windowObject = nullptr; }

  // IHTMLFramesCollection2: frames by position (a number) or by name (a text).
  HRESULT STDMETHODCALLTYPE item(VARIANT* index, VARIANT* result) override {
    if (!index || !result) return E_POINTER;
    ::VariantInit(result);
    const VARIANT& key = V_VT(index) == (VT_BYREF | VT_VARIANT) ? *V_VARIANTREF(index) : *index;
    std::vector<TElement*> frames = d_->Frames();
    TElement* found = nullptr;
    if (V_VT(&key) == VT_BSTR) {
      std::string wanted = ToUtf8(VariantText(key));
      for (TElement* f : frames)
        if (f->name == wanted) {
          found = f;
          break;
        }
    } else {
      long i = -1;
      if (VariantInt(key, i) && i >= 0 && i < static_cast<long>(frames.size())) found = frames[i];
    }
    if (!found) return E_INVALIDARG;
    ToVariant(WindowObject(found->frame.get()), result);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_length(LONG* p) override { return ReturnLong(static_cast<long>(d_->Frames().size()), p); }

  // IHTMLWindow2
  HRESULT STDMETHODCALLTYPE get_frames(IHTMLFramesCollection2** p) override { return ReturnInterface(Self(), p); }
  HRESULT STDMETHODCALLTYPE get_document(IHTMLDocument2** p) override { return ReturnInterface(DocumentObject(d_), p); }
  HRESULT STDMETHODCALLTYPE get_parent(IHTMLWindow2** p) override {
    TDocument* parent = d_->Parent();
    return ReturnInterface(parent ? WindowObject(parent) : Self(), p);
  }
  HRESULT STDMETHODCALLTYPE get_top(IHTMLWindow2** p) override { return ReturnInterface(WindowObject(page_->top.get()), p); }
  HRESULT STDMETHODCALLTYPE get_self(IHTMLWindow2** p) override { return ReturnInterface(Self(), p); }
  HRESULT STDMETHODCALLTYPE get_window(IHTMLWindow2** p) override { return ReturnInterface(Self(), p); }
  HRESULT STDMETHODCALLTYPE get_name(BSTR* p) override {
    return ReturnBstr(d_->frameElement ? FromUtf8(d_->frameElement->name) : std::wstring(), p);
  }
  HRESULT STDMETHODCALLTYPE get_closed(VARIANT_BOOL* p) override {
    if (!p) return E_POINTER;
    *p = VARIANT_FALSE;
    return S_OK;
  }
  // The top window sizes the browser's frame window; a frame window sizes its frame element.
  HRESULT STDMETHODCALLTYPE resizeTo(LONG width, LONG height) override {
    page_->Record(Format("resizeTo %s %ld %ld", FrameLabel(*d_).c_str(), width, height));
    if (TElement* f = d_->frameElement) {
      f->width = width;
      f->height = height;
      page_->Changed();
    } else if (page_->host) {
      page_->host->ResizeFrameWindow(width, height);
    }
    return S_OK;
  }

  // IServiceProvider
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override {
    return QueryBrowser(d_, service, iid, out);
  }

private:
  ComPtr<IHTMLWindow2> Self() { return ComPtr<IHTMLWindow2>(static_cast<IHTMLWindow2*>(this)); }

  std::shared_ptr<TPage> page_;
  TDocument* d_;
};

// The browser showing a document. Frames have browsers of their own whose Document is the
// frame's; window, zoom and refresh belong to the one browser window.
class TBrowserObject : public ComObject<IWebBrowser2Stub, IServiceProviderStub> {
public:
  explicit TBrowserObject(TDocument* d) : page_(d->page->shared_from_this()), d_(d) {
    d_->browserObject = static_cast<IWebBrowser2*>(this);
  }
  ~TBrowserObject() override { d_->browserObject = nullptr; }

  HRESULT STDMETHODCALLTYPE get_Document(IDispatch** p) override { return ReturnInterface(DocumentObject(d_), p); }
  HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* p) override {
    if (!p) return E_POINTER;
    HWND frame = page_->host ? page_->host->FrameWindow() : nullptr;
    *p = reinterpret_cast<SHANDLE_PTR>(frame);
    return frame ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE Refresh() override {
    if (page_->host) page_->host->Refresh();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override { return Refresh(); }
  HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID command, OLECMDF* status) override {
    if (!status) return E_POINTER;
    *status = command == OLECMDID_OPTICAL_ZOOM ? static_cast<OLECMDF>(OLECMDF_SUPPORTED | OLECMDF_ENABLED)
                                               : static_cast<OLECMDF>(0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID command, OLECMDEXECOPT, VARIANT* in, VARIANT* out) override {
    if (command != OLECMDID_OPTICAL_ZOOM) return OLECMDERR_E_NOTSUPPORTED;
    if (!page_->host) return E_FAIL;
    long percent = 0;
    if (in && V_VT(in) != VT_EMPTY) {
      if (!VariantInt(*in, percent) || percent < 10 || percent > 1000) return E_INVALIDARG;
      page_->host->SetZoom(percent);
    }
    // VariantCopy clears what the caller's variant held first.
    if (out) ::VariantCopy(out, Variant::FromInt(page_->host->Zoom()).get());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* p) override {
    if (!p) return E_POINTER;
    *p = d_->complete ? READYSTATE_COMPLETE : READYSTATE_INTERACTIVE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* p) override {
    if (!p) return E_POINTER;
    *p = d_->complete ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* p) override {
    if (!p) return E_POINTER;
    *p = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* p) override { return ReturnBstr(d_->url, p); }
  HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* p) override { return ReturnBstr(d_->title, p); }
  HRESULT STDMETHODCALLTYPE get_Left(LONG* p) override { return Edge(p, &RECT::left, false); }
  HRESULT STDMETHODCALLTYPE get_Top(LONG* p) override { return Edge(p, &RECT::top, false); }
  HRESULT STDMETHODCALLTYPE get_Width(LONG* p) override { return Edge(p, &RECT::right, true); }
  HRESULT STDMETHODCALLTYPE get_Height(LONG* p) override { return Edge(p, &RECT::bottom, true); }

  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override {
    return QueryBrowser(d_, service, iid, out);
  }

private:
  // A coordinate of the frame window's rectangle; `size` gives width or height instead of an edge.
  HRESULT Edge(LONG* p, LONG RECT::*edge, bool size) {
    if (!p) return E_POINTER;
    RECT r{};
    if (!page_->host || !::GetWindowRect(page_->host->FrameWindow(), &r)) return E_FAIL;
    *p = size ? (edge == &RECT::right ? r.right - r.left : r.bottom - r.top) : r.*edge;
    return S_OK;
  }

  std::shared_ptr<TPage> page_;
  TDocument* d_;
};

}  // namespace

ComPtr<IHTMLWindow2> WindowObject(TDocument* d) {
  return CachedObject<TWindowObject, IHTMLWindow2>(d, &TDocument::windowObject);
}

ComPtr<IWebBrowser2> BrowserObject(TDocument* d) {
  return CachedObject<TBrowserObject, IWebBrowser2>(d, &TDocument::browserObject);
}

}  // namespace vt::browser

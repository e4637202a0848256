#include "browser/HostedControl.h"

#include <ocidl.h>
#include <olectl.h>

#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "browser/ComObject.h"
#include "browser/HtmlObjects.h"

namespace vt::browser {

// The frame that the control sees while in place: the browser's frame window. No menus and
// no tool space are offered.
class TInPlaceFrame : public ComObject<IOleInPlaceFrameStub> {
public:
  explicit TInPlaceFrame(HWND frame) : frame_(frame) {}
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override {
    if (!wnd) return E_POINTER;
    *wnd = frame_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
  HWND frame_;
};

// The control's client site: in-place site in the document view, control site, container (the
// page's document), service provider (the browser) and ambient properties.
class TControlSite : public ComObject<IOleClientSiteStub, IOleInPlaceSiteStub, IOleControlSiteStub,
                                      IServiceProviderStub, IDispatchStub> {
public:
  explicit TControlSite(THostedControl* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    if (!container) return E_POINTER;
    *container = nullptr;
    if (!owner_) return E_UNEXPECTED;
    return DocumentObject(owner_->Element().document->page->top.get())
        ->QueryInterface(IID_IOleContainer, reinterpret_cast<void**>(container));
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }

  // IOleWindow, IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override {
    if (!wnd) return E_POINTER;
    *wnd = owner_ ? owner_->Window().ViewWindow() : nullptr;
    return *wnd ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return owner_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = nullptr;
    *document = nullptr;  // the document window is the frame window's
    if (!owner_) return E_UNEXPECTED;
    HWND frameWindow = owner_->Window().FrameWindow();
    *frame = MakeCom<TInPlaceFrame>(frameWindow).Detach();
    *position = owner_->Position();
    *clip = owner_->Clip();
    info->fMDIApp = FALSE;
    info->hwndFrame = frameWindow;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
  // The page decides where the control sits: its requests are answered with the element's place.
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override {
    if (owner_) owner_->Layout();
    return S_OK;
  }

  // IOleControlSite: the container's units are screen pixels.
  HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
    if (!himetric || !container) return E_POINTER;
    float dpiX = 0, dpiY = 0;
    {
      const WindowDC screen(nullptr);
      dpiX = static_cast<float>(::GetDeviceCaps(screen.get(), LOGPIXELSX));
      dpiY = static_cast<float>(::GetDeviceCaps(screen.get(), LOGPIXELSY));
    }
    if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
      container->x = himetric->x * dpiX / 2540.0f;
      container->y = himetric->y * dpiY / 2540.0f;
    } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
      himetric->x = static_cast<LONG>(container->x * 2540.0f / dpiX + 0.5f);
      himetric->y = static_cast<LONG>(container->y * 2540.0f / dpiY + 0.5f);
    } else {
      return E_INVALIDARG;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }

  // IServiceProvider: the browser.
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!owner_ || (service != kWebBrowserAppService && service != IID_IWebBrowser2)) return E_NOINTERFACE;
    return owner_->Window().Browser()->QueryInterface(iid, out);
  }

protected:
  // Ambient properties: the control runs in user mode on a white page.
  HRESULT InvokeDispId(DISPID id, WORD flags, DISPPARAMS&, VARIANT& result) override {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    auto boolean = [&](bool b) {
      V_VT(&result) = VT_BOOL;
      V_BOOL(&result) = b ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    };
    auto integer = [&](LONG v) {
      V_VT(&result) = VT_I4;
      V_I4(&result) = v;
      return S_OK;
    };
    switch (id) {
      case DISPID_AMBIENT_USERMODE: return boolean(true);
      case DISPID_AMBIENT_UIDEAD: return boolean(false);
      case DISPID_AMBIENT_SHOWGRABHANDLES: return boolean(false);
      case DISPID_AMBIENT_SHOWHATCHING: return boolean(false);
      case DISPID_AMBIENT_DISPLAYASDEFAULT: return boolean(false);
      case DISPID_AMBIENT_MESSAGEREFLECT: return boolean(false);
      case DISPID_AMBIENT_SUPPORTSMNEMONICS: return boolean(false);
      case DISPID_AMBIENT_BACKCOLOR: return integer(0xFFFFFF);
      case DISPID_AMBIENT_FORECOLOR: return integer(0);
      case DISPID_AMBIENT_LOCALEID: return integer(static_cast<LONG>(::GetUserDefaultLCID()));
      case DISPID_AMBIENT_DISPLAYNAME:
        if (!owner_) break;
        V_VT(&result) = VT_BSTR;
        return ReturnBstr(FromUtf8(owner_->Element().id), &V_BSTR(&result));
    }
    return DISP_E_MEMBERNOTFOUND;
  }

private:
  THostedControl* owner_;
};

namespace {

// Receives the control's events: it answers the event interface and IDispatch.
class TEventSink : public ComObject<IDispatchStub> {
public:
  TEventSink(const IID& iid, ComPtr<ITypeInfo> names, TEventHandler handler)
      : iid_(iid), names_(std::move(names)), handler_(std::move(handler)) {}

protected:
  HRESULT QueryExtra(REFIID iid, void** out) override {
    if (iid != iid_) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    return S_OK;
  }
  HRESULT InvokeDispId(DISPID id, WORD, DISPPARAMS& params, VARIANT&) override {
    std::wstring name = L"#" + std::to_wstring(id);
    Bstr found;
    UINT count = 0;
    if (names_ && SUCCEEDED(names_->GetNames(id, found.put(), 1, &count)) && count == 1) name = found.str();
    if (handler_) handler_(name, params);
    return S_OK;
  }

private:
  IID iid_;
  ComPtr<ITypeInfo> names_;
  TEventHandler handler_;
};

// The default source interface of a coclass's type information, and its own type information.
bool DefaultSource(ITypeInfo* coclass, IID& iid, ComPtr<ITypeInfo>& source) {
  TYPEATTR* attr = nullptr;
  if (FAILED(coclass->GetTypeAttr(&attr))) return false;
  WORD count = attr->cImplTypes;
  coclass->ReleaseTypeAttr(attr);
  for (UINT i = 0; i < count; ++i) {
    INT flags = 0;
    HREFTYPE ref;
    if (FAILED(coclass->GetImplTypeFlags(i, &flags)) ||
        (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) != (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) ||
        FAILED(coclass->GetRefTypeOfImplType(i, &ref)) || FAILED(coclass->GetRefTypeInfo(ref, source.put())))
      continue;
    TYPEATTR* sourceAttr = nullptr;
    if (FAILED(source->GetTypeAttr(&sourceAttr))) continue;
    iid = sourceAttr->guid;
    source->ReleaseTypeAttr(sourceAttr);
    return true;
  }
  return false;
}

std::string HresultText(HRESULT hr) { return Format("0x%08lx", static_cast<unsigned long>(hr)); }

}  // namespace

CLSID ParseClassId(const std::string& text) {
  std::string id = Trim(text);
  if (id.size() > 6 && SameTextAscii(id.substr(0, 6), "clsid:")) id = "{" + id.substr(6) + "}";
  CLSID clsid;
  std::wstring wide = FromUtf8(id);
  if (FAILED(::CLSIDFromString(wide.c_str(), &clsid))) throw Error("\"" + text + "\" is not a class identifier");
  return clsid;
}

THostedControl::THostedControl(TBrowserWindow& window, TElement& element, const CLSID& clsid, TEventHandler onEvent)
    : window_(window), element_(element) {
  HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object_.put_void());
  if (FAILED(hr)) throw Error("the control cannot be created: " + HresultText(hr), hr);
  site_ = MakeCom<TControlSite>(this);
  IOleClientSite* site = static_cast<IOleClientSite*>(site_.get());
  DWORD misc = 0;
  object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
  bool siteFirst = misc & OLEMISC_SETCLIENTSITEFIRST;
  if (siteFirst) object_->SetClientSite(site);
  if (auto persist = object_.As<IPersistStreamInit>()) persist->InitNew();
  if (!siteFirst) object_->SetClientSite(site);
  ConnectEvents(std::move(onEvent));

  RECT position = Position();
  SIZEL extent{::MulDiv(position.right - position.left, 2540, 96), ::MulDiv(position.bottom - position.top, 2540, 96)};
  object_->SetExtent(DVASPECT_CONTENT, &extent);
  hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, window_.ViewWindow(), &position);
  if (FAILED(hr)) {
    Close();
    throw Error("the control cannot be activated: " + HresultText(hr), hr);
  }
  dispatch_ = object_.As<IDispatch>();
  window_.SetLayoutListener([this] { Layout(); });
}

THostedControl::~THostedControl() { Close(); }

void THostedControl::Close() {
  window_.SetLayoutListener(nullptr);
  if (connection_) connection_->Unadvise(cookie_);
  connection_.reset();
  if (object_) {
    if (auto inPlace = object_.As<IOleInPlaceObject>()) inPlace->InPlaceDeactivate();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
  if (site_) site_->Detach();
  dispatch_.reset();
  object_.reset();
  site_.reset();
}

void THostedControl::ConnectEvents(TEventHandler onEvent) {
  ComPtr<ITypeInfo> names;
  if (auto info = object_.As<IProvideClassInfo>()) {
    ComPtr<ITypeInfo> coclass;
    if (SUCCEEDED(info->GetClassInfo(coclass.put())) && coclass) DefaultSource(coclass.get(), eventIid_, names);
  }
  if (auto info2 = object_.As<IProvideClassInfo2>()) {
    IID iid;
    if (SUCCEEDED(info2->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &iid))) eventIid_ = iid;
  }
  auto container = object_.As<IConnectionPointContainer>();
  if (eventIid_ == IID_NULL || !container) return;
  if (FAILED(container->FindConnectionPoint(eventIid_, connection_.put())) || !connection_) return;
  auto sink = MakeCom<TEventSink>(eventIid_, names, std::move(onEvent));
  if (FAILED(connection_->Advise(static_cast<IDispatch*>(sink.get()), &cookie_))) connection_.reset();
}

RECT THostedControl::Position() const { return WindowRect(element_); }

RECT THostedControl::Clip() const {
  RECT client{};
  ::GetClientRect(window_.ViewWindow(), &client);
  return client;
}

void THostedControl::Layout() {
  auto inPlace = object_.As<IOleInPlaceObject>();
  if (!inPlace) return;
  RECT position = Position(), clip = Clip();
  inPlace->SetObjectRects(&position, &clip);
}

}  // namespace vt::browser

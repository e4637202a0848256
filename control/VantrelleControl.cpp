#include "control/VantrelleControl.h"

#include "base/Dialogs.h"
#include "base/Strings.h"
#include "base/Variant.h"
#include "control/uClassFactory.h"
#include "control/uElevation.h"
#include "control/uModuleVersion.h"
#include "control/uRegistration.h"
#include "control/uSafeCall.h"

namespace vt {
namespace {

// Debugger trace texts (Korean, code page 949): "start" and "normal end".
const char kTraceCreate[] = "TVantrelle.ActiveFormCreate \xBD\xC3\xC0\xDB";
const char kTraceDestroy[] = "TVantrelle \xC1\xA4\xBB\xF3 \xC1\xBE\xB7\xE1";
constexpr DISPID kOnDestroy = 205, kOnKeyPress = 207, kRun2 = 232, kGetVtnVersion = 233;

VARIANT_BOOL ToVariantBool(bool b) { return b ? VARIANT_TRUE : VARIANT_FALSE; }

ComPtr<IFontDisp> CreateFormFont() {
  // Tahoma, 11 pixels high at 96 pixels per inch: 8.25 points.
  FONTDESC desc{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Tahoma"), {}, FW_NORMAL, DEFAULT_CHARSET, FALSE, FALSE, FALSE};
  desc.cySize.int64 = 82500;
  ComPtr<IFontDisp> font;
  ::OleCreateFontIndirect(&desc, IID_IFontDisp, font.put_void());
  return font;
}

}  // namespace

// ---- the event connection point: its references are the control's ----

HRESULT TEventConnectionPoint::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
  *out = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}
ULONG TEventConnectionPoint::AddRef() { return static_cast<IVantrelle&>(owner_).AddRef(); }
ULONG TEventConnectionPoint::Release() { return static_cast<IVantrelle&>(owner_).Release(); }

HRESULT TEventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = DIID_IVantrelleEvents;
  return S_OK;
}

HRESULT TEventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = &owner_;
  (*container)->AddRef();
  return S_OK;
}

HRESULT TEventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  if (owner_.HasEventSink()) return CONNECT_E_ADVISELIMIT;
  ComPtr<IDispatch> events;
  if (FAILED(sink->QueryInterface(DIID_IVantrelleEvents, events.put_void())) || !events) return CONNECT_E_CANNOTCONNECT;
  owner_.EventSinkChanged(events.get());
  *cookie = 1;
  return S_OK;
}

HRESULT TEventConnectionPoint::Unadvise(DWORD cookie) {
  if (cookie != 1 || !owner_.HasEventSink()) return CONNECT_E_NOCONNECTION;
  owner_.EventSinkChanged(nullptr);
  return S_OK;
}

HRESULT TEventConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections) *connections = nullptr;
  return E_NOTIMPL;
}

// ---- creation, identity ----

TVantrelleControl::TVantrelleControl() : form_(*this), events_(*this) {
  LockModule(true);
  extent_ = {::MulDiv(bounds_.right, 2540, 96), ::MulDiv(bounds_.bottom, 2540, 96)};  // HIMETRIC at 96 dpi
  font_ = CreateFormFont();
  ActiveFormCreate();
}

TVantrelleControl::~TVantrelleControl() {
  eventSink_.reset();  // the form's OnDestroy must not call out of an object that is going
  form_.Destroy();
  LockModule(false);
}

void TVantrelleControl::ActiveFormCreate() {
  ::OutputDebugStringA(kTraceCreate);
  running_ = true;
  protectedMode_ = false;
}

void TVantrelleControl::EventSinkChanged(IDispatch* sink) {
  eventSink_ = ComPtr<IDispatch>();
  if (sink && FAILED(sink->QueryInterface(DIID_IVantrelleEvents, eventSink_.put_void()))) eventSink_.reset();
}

HRESULT TVantrelleControl::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IVantrelle)
    *out = static_cast<IVantrelle*>(this);
  else if (iid == IID_IOleObject)
    *out = static_cast<IOleObject*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
    *out = static_cast<IOleInPlaceObject*>(this);
  else if (iid == IID_IOleInPlaceActiveObject)
    *out = static_cast<IOleInPlaceActiveObject*>(this);
  else if (iid == IID_IOleControl)
    *out = static_cast<IOleControl*>(this);
  else if (iid == IID_IViewObject || iid == IID_IViewObject2)
    *out = static_cast<IViewObject2*>(this);
  else if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
    *out = static_cast<IPersistStreamInit*>(this);
  else if (iid == IID_IPersistPropertyBag)
    *out = static_cast<IPersistPropertyBag*>(this);
  else if (iid == IID_IConnectionPointContainer)
    *out = static_cast<IConnectionPointContainer*>(this);
  else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
    *out = static_cast<IProvideClassInfo2*>(this);
  else if (iid == IID_ISupportErrorInfo)
    *out = static_cast<ISupportErrorInfo*>(this);
  if (!*out) return E_NOINTERFACE;
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

ULONG TVantrelleControl::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG TVantrelleControl::Release() {
  LONG left = ::InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// ---- events ----

void TVantrelleControl::FireEvent(DISPID id, DISPPARAMS* params) {
  if (!eventSink_) return;
  ComPtr<IDispatch> sink = eventSink_;  // the sink may disconnect while it handles the event
  ComPtr<IVantrelle> self(this);
  DISPPARAMS none{};
  sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params ? params : &none, nullptr, nullptr, nullptr);
}

void TVantrelleControl::FormDestroy() {
  FireEvent(kOnDestroy);
  ::OutputDebugStringA(kTraceDestroy);
}

void TVantrelleControl::FormKeyPress(char& key) {
  if (!eventSink_) return;
  SHORT wide = static_cast<unsigned char>(key);
  VARIANT arg;
  V_VT(&arg) = VT_I2 | VT_BYREF;
  V_I2REF(&arg) = &wide;
  DISPPARAMS params{&arg, nullptr, 1, 0};
  FireEvent(kOnKeyPress, &params);
  key = static_cast<char>(wide & 0xFF);
}

void TVantrelleControl::LogChanged() {
  form_.ShowLog(LogVisible(), RequestLog().Lines());
}

// ---- IDispatch: through the type library ----

ComPtr<ITypeInfo> TVantrelleControl::TypeInfoOf(REFGUID guid) {
  if (!typeLib_) {
    std::wstring path = ToWide(ModulePath(ThisModule()));
    OleCheck(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib_.put()), "The type library cannot be loaded");
  }
  ComPtr<ITypeInfo> info;
  OleCheck(typeLib_->GetTypeInfoOfGuid(guid, info.put()), "The type information cannot be found");
  return info;
}

HRESULT TVantrelleControl::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT TVantrelleControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return SafeCall(IID_IDispatch, [&] { *info = TypeInfoOf(IID_IVantrelle).Detach(); });
}

HRESULT TVantrelleControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  ComPtr<ITypeInfo> info;
  HRESULT hr = SafeCall(IID_IDispatch, [&] { info = TypeInfoOf(IID_IVantrelle); });
  if (FAILED(hr)) return hr;
  return ::DispGetIDsOfNames(info.get(), names, count, ids);
}

HRESULT TVantrelleControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* error, UINT* badArg) {
  // A script cannot pass a variant by reference: GetVtnVersion called without one, or with a
  // value, gives the version as the call's result.
  if (id == kGetVtnVersion && (flags & DISPATCH_METHOD) && params && params->cNamedArgs == 0 &&
      (params->cArgs == 0 || (params->cArgs == 1 && !(V_VT(&params->rgvarg[0]) & VT_BYREF)))) {
    Variant version;
    HRESULT hr = GetVtnVersion(version.get());
    if (SUCCEEDED(hr) && result) *result = version.release();
    return hr;
  }
  ComPtr<ITypeInfo> info;
  HRESULT hr = SafeCall(IID_IDispatch, [&] { info = TypeInfoOf(IID_IVantrelle); });
  if (FAILED(hr)) return hr;
  ::SetErrorInfo(0, nullptr);
  // Run2 called with the switches alone: the element is missing, as an optional argument is.
  if (id == kRun2 && (flags & DISPATCH_METHOD) && params && params->cArgs == 1 && params->cNamedArgs == 0) {
    VARIANT args[2];
    V_VT(&args[0]) = VT_ERROR;
    V_ERROR(&args[0]) = DISP_E_PARAMNOTFOUND;
    args[1] = params->rgvarg[0];
    DISPPARAMS both{args, nullptr, 2, 0};
    return info->Invoke(static_cast<IVantrelle*>(this), id, flags, &both, result, error, badArg);
  }
  return info->Invoke(static_cast<IVantrelle*>(this), id, flags, params, result, error, badArg);
}

// ---- IVantrelle: properties ----

template <class T, class Get>
HRESULT TVantrelleControl::GetProperty(T* out, Get&& get) {
  if (!out) return E_POINTER;
  return SafeCall(IID_IVantrelle, [&] { *out = get(); });
}

template <class Put>
HRESULT TVantrelleControl::PutProperty(Put&& put) {
  return SafeCall(IID_IVantrelle, put);
}

#define VT_BOOL_PROPERTY(Name, getter, setter)                                              \
  HRESULT TVantrelleControl::get_##Name(VARIANT_BOOL* value) {                            \
    return GetProperty(value, [&] { return ToVariantBool(getter); });                     \
  }                                                                                       \
  HRESULT TVantrelleControl::put_##Name(VARIANT_BOOL value) {                             \
    return PutProperty([&] { setter(value != VARIANT_FALSE); });                          \
  }
#define VT_FIELD_PROPERTY(Name, Type, field)                                                   \
  HRESULT TVantrelleControl::get_##Name(Type* value) {                                         \
    return GetProperty(value, [&] { return field; });                                          \
  }                                                                                            \
  HRESULT TVantrelleControl::put_##Name(Type value) {                                          \
    return PutProperty([&] { field = value; });                                                \
  }
#define VT_BOOL_FIELD(Name, field) VT_BOOL_PROPERTY(Name, field, [&](bool b) { field = b; })
#define VT_READ_ONLY(Name, Type, expression)                                                   \
  HRESULT TVantrelleControl::get_##Name(Type* value) {                                         \
    return GetProperty(value, [&] { return expression; });                                     \
  }

VT_BOOL_PROPERTY(Visible, form_.Visible(), [&](bool b) { form_.SetVisible(b); })
VT_BOOL_PROPERTY(Enabled, form_.Enabled(), [&](bool b) { form_.SetEnabled(b); })
VT_BOOL_FIELD(AutoScroll, autoScroll_)
VT_BOOL_FIELD(AutoSize, autoSize_)
VT_BOOL_FIELD(KeyPreview, keyPreview_)
VT_BOOL_FIELD(Scaled, scaled_)
VT_BOOL_FIELD(DropTarget, dropTarget_)
VT_BOOL_FIELD(ScreenSnap, screenSnap_)
VT_BOOL_FIELD(DockSite, dockSite_)
VT_BOOL_FIELD(DoubleBuffered, doubleBuffered_)
VT_BOOL_FIELD(UseDockManager, useDockManager_)
VT_BOOL_FIELD(AlignWithMargins, alignWithMargins_)
VT_FIELD_PROPERTY(AxBorderStyle, TxActiveFormBorderStyle, borderStyle_)
VT_FIELD_PROPERTY(PrintScale, TxPrintScale, printScale_)
VT_FIELD_PROPERTY(PopupMode, TxPopupMode, popupMode_)
VT_FIELD_PROPERTY(PixelsPerInch, LONG, pixelsPerInch_)
VT_FIELD_PROPERTY(SnapBuffer, LONG, snapBuffer_)
VT_READ_ONLY(Active, VARIANT_BOOL, ToVariantBool(uiActive_))
VT_READ_ONLY(AlignDisabled, VARIANT_BOOL, ToVariantBool(false))
VT_READ_ONLY(MouseInClient, VARIANT_BOOL, ToVariantBool(form_.MouseInClient()))
VT_READ_ONLY(VisibleDockClientCount, LONG, 0)
VT_READ_ONLY(ExplicitLeft, LONG, bounds_.left)
VT_READ_ONLY(ExplicitTop, LONG, bounds_.top)
VT_READ_ONLY(ExplicitWidth, LONG, bounds_.right - bounds_.left)
VT_READ_ONLY(ExplicitHeight, LONG, bounds_.bottom - bounds_.top)

HRESULT TVantrelleControl::get_Color(OLE_COLOR* value) {
  return GetProperty(value, [&] { return static_cast<OLE_COLOR>(form_.Color()); });
}
HRESULT TVantrelleControl::put_Color(OLE_COLOR value) {
  return PutProperty([&] { form_.SetColor(value); });
}

HRESULT TVantrelleControl::get_Caption(BSTR* value) {
  return GetProperty(value, [&] { return ::SysAllocString(ToWide(form_.Caption()).c_str()); });
}
HRESULT TVantrelleControl::put_Caption(BSTR value) {
  return PutProperty([&] { form_.SetCaption(ToAnsi(value ? value : L"")); });
}

HRESULT TVantrelleControl::get_HelpFile(BSTR* value) {
  return GetProperty(value, [&] { return ::SysAllocStringLen(helpFile_.data(), static_cast<UINT>(helpFile_.size())); });
}
HRESULT TVantrelleControl::put_HelpFile(BSTR value) {
  return PutProperty([&] { helpFile_ = value ? std::wstring(value, ::SysStringLen(value)) : std::wstring(); });
}

HRESULT TVantrelleControl::get_Font(IFontDisp** value) {
  return GetProperty(value, [&] { return ComPtr<IFontDisp>(font_).Detach(); });
}
HRESULT TVantrelleControl::put_Font(IFontDisp* value) {
  // The form keeps its own font object and takes over the given font's attributes.
  return PutProperty([&] {
    if (!value) throw Error("No font was given", E_POINTER);
    ComPtr<IFont> given = ComPtr<IFontDisp>(value).As<IFont>();
    if (!given) throw Error("The value is not a font", E_INVALIDARG);
    ComPtr<IFont> copy;
    OleCheck(given->Clone(copy.put()), "The font cannot be copied");
    font_ = copy.As<IFontDisp>();
    if (form_.Handle()) ::InvalidateRect(form_.Handle(), nullptr, TRUE);
  });
}
HRESULT TVantrelleControl::putref_Font(IFontDisp* value) { return put_Font(value); }

// ---- IVantrelle: methods ----

HRESULT TVantrelleControl::Run(BSTR newParam) {
  return SafeCall(IID_IVantrelle, [&] {
    VARIANT noElement;
    V_VT(&noElement) = VT_I4;
    V_I4(&noElement) = 0;
    TVantrelle::Run2(newParam ? std::wstring(newParam, ::SysStringLen(newParam)) : std::wstring(), noElement);
  });
}

HRESULT TVantrelleControl::RunCompatibility() { return S_OK; }

HRESULT TVantrelleControl::RunUAC(VARIANT* value) {
  if (!value) return E_POINTER;
  return SafeCall(IID_IVantrelle, [&] {
    ComPtr<IVantrelle> instance;
    HRESULT hr = CreateElevatedInstance(FormHandle(), CLSID_Vantrelle, IID_IVantrelle, instance.put_void());
    ShowMessageBox(nullptr, Format("Code : [%u]", static_cast<unsigned>(hr)), "Result", MB_OK);
    ::VariantInit(value);
    V_VT(value) = VT_DISPATCH;
    V_DISPATCH(value) = instance.Detach();
  });
}

// The registry and window work of the browser settings, for the request driver of a control at
// low integrity that calls these on its elevated second instance.
HRESULT TVantrelleControl::RunCompatibilityMode(VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  return SafeCall(IID_IVantrelle, [&] { *value = ToVariantBool(BrowserSettings().SetCompatibilityMode()); });
}

HRESULT TVantrelleControl::RunCompatibilityIEWinSize(LONG left, LONG top, LONG right, LONG bottom, LONG iehandle,
                                                     VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  // right and bottom are the width and the height. Only the hosting browser's top window is moved:
  // a page must not move another program's window, least of all through the elevated instance.
  HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(iehandle));
  return SafeCall(IID_IVantrelle,
                  [&] { *value = ToVariantBool(MoveHostBrowserWindow(left, top, right, bottom, window)); });
}

HRESULT TVantrelleControl::RunCompatibilityAllsite(VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  // The setting yields no success value: the answer is always false.
  return SafeCall(IID_IVantrelle, [&] {
    BrowserSettings().SetAllSiteSetup();
    *value = VARIANT_FALSE;
  });
}

HRESULT TVantrelleControl::Run2(BSTR newParam, VARIANT divObj) {
  return SafeCall(IID_IVantrelle, [&] {
    TVantrelle::Run2(newParam ? std::wstring(newParam, ::SysStringLen(newParam)) : std::wstring(), divObj);
  });
}

HRESULT TVantrelleControl::GetVtnVersion(VARIANT* paramVerStr) {
  if (!paramVerStr) return E_POINTER;
  return SafeCall(IID_IVantrelle, [&] {
    std::wstring text = ToWide(FileVersionText(ModulePath(ThisModule())));
    BSTR version = ::SysAllocString(text.c_str());
    if (!version) throw Error("Out of memory", E_OUTOFMEMORY);
    // An [out] variant holds nothing of the caller's: a native caller may pass it uninitialised.
    ::VariantInit(paramVerStr);
    V_VT(paramVerStr) = VT_BSTR;
    V_BSTR(paramVerStr) = version;
  });
}

// ---- IOleObject ----

HRESULT TVantrelleControl::SetClientSite(IOleClientSite* site) {
  clientSite_ = ComPtr<IOleClientSite>(site);
  if (!site) inPlaceSite_.reset();
  return S_OK;
}

HRESULT TVantrelleControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = ComPtr<IOleClientSite>(clientSite_).Detach();
  return S_OK;
}

HRESULT TVantrelleControl::Close(DWORD) {
  InPlaceDeactivate();
  if (adviseHolder_) adviseHolder_->SendOnClose();
  return S_OK;
}

HRESULT TVantrelleControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT TVantrelleControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT TVantrelleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
      return InPlaceActivate(activeSite, parent, position, false);
    case OLEIVERB_UIACTIVATE:
      return InPlaceActivate(activeSite, parent, position, true);
    case OLEIVERB_HIDE:
      if (form_.Handle()) ::ShowWindow(form_.Handle(), SW_HIDE);
      return S_OK;
  }
  return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
}

HRESULT TVantrelleControl::InPlaceActivate(IOleClientSite* activeSite, HWND parent, LPCRECT position, bool uiActivate) {
  ComPtr<IOleClientSite> site = clientSite_ ? clientSite_ : ComPtr<IOleClientSite>(activeSite);
  if (!inPlaceSite_) inPlaceSite_ = site.As<IOleInPlaceSite>();
  if (!inPlaceSite_) return E_FAIL;
  if (!inPlaceActive_) {
    if (inPlaceSite_->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlaceSite_->OnInPlaceActivate();
    inPlaceActive_ = true;
  }
  ComPtr<IOleInPlaceFrame> frame;
  ComPtr<IOleInPlaceUIWindow> document;
  RECT place{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof(info);
  if (SUCCEEDED(inPlaceSite_->GetWindowContext(frame.put(), document.put(), &place, &clip, &info)) && !position)
    position = &place;
  HWND host = nullptr;
  if (FAILED(inPlaceSite_->GetWindow(&host)) || !host) host = parent;
  if (position) bounds_ = *position;
  form_.Create(host, bounds_);
  if (!form_.Handle()) return E_FAIL;
  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    if (frame) frame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
    ::SetFocus(form_.Handle());
  }
  return S_OK;
}

HRESULT TVantrelleControl::EnumVerbs(IEnumOLEVERB** verbs) { return ::OleRegEnumVerbs(CLSID_Vantrelle, verbs); }

HRESULT TVantrelleControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT TVantrelleControl::GetUserType(DWORD form, LPOLESTR* type) {
  return ::OleRegGetUserType(CLSID_Vantrelle, form, type);
}

HRESULT TVantrelleControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

HRESULT TVantrelleControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

HRESULT TVantrelleControl::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!adviseHolder_ && FAILED(::CreateOleAdviseHolder(adviseHolder_.put()))) return E_OUTOFMEMORY;
  return adviseHolder_->Advise(sink, connection);
}

HRESULT TVantrelleControl::Unadvise(DWORD connection) {
  return adviseHolder_ ? adviseHolder_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

HRESULT TVantrelleControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  return adviseHolder_ ? adviseHolder_->EnumAdvise(advise) : S_OK;
}

HRESULT TVantrelleControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = kControlMiscStatus;
  return S_OK;
}

// ---- in place ----

HRESULT TVantrelleControl::GetWindow(HWND* wnd) {
  if (!wnd) return E_POINTER;
  *wnd = form_.Handle();
  return *wnd ? S_OK : E_FAIL;
}

HRESULT TVantrelleControl::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  UIDeactivate();
  inPlaceActive_ = false;
  form_.Destroy();
  if (inPlaceSite_) inPlaceSite_->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT TVantrelleControl::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT TVantrelleControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  bounds_ = *position;
  form_.SetBounds(bounds_);
  return S_OK;
}

HRESULT TVantrelleControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

// ---- view ----

HRESULT TVantrelleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                                BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  RECT r{bounds->left, bounds->top, bounds->right, bounds->bottom};
  form_.PaintFace(dc, r);
  return S_OK;
}

HRESULT TVantrelleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAspects_ = aspects;
  viewFlags_ = flags;
  viewSink_ = ComPtr<IAdviseSink>(sink);
  return S_OK;
}

HRESULT TVantrelleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) *sink = ComPtr<IAdviseSink>(viewSink_).Detach();
  return S_OK;
}

HRESULT TVantrelleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- persistence, connection points, class information, errors ----

HRESULT TVantrelleControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_Vantrelle;
  return S_OK;
}

HRESULT TVantrelleControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

HRESULT TVantrelleControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points) *points = nullptr;
  return E_NOTIMPL;
}

HRESULT TVantrelleControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != DIID_IVantrelleEvents) return CONNECT_E_NOCONNECTION;
  *point = &events_;
  events_.AddRef();
  return S_OK;
}

HRESULT TVantrelleControl::GetClassInfo(ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  return SafeCall(IID_IProvideClassInfo, [&] { *info = TypeInfoOf(CLSID_Vantrelle).Detach(); });
}

HRESULT TVantrelleControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *guid = DIID_IVantrelleEvents;
  return S_OK;
}

HRESULT TVantrelleControl::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID_IVantrelle || iid == IID_IDispatch ? S_OK : S_FALSE;
}

}  // namespace vt

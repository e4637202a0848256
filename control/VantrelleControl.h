// The COM object of the control: what the browser creates through the class factory, sites in
// the page and activates in place, and what the page's script calls. It is the control
// (TVantrelle) with its face (TVantrelleForm), its automation interface IVantrelle (dual, every
// member safe-call), its event source IVantrelleEvents and the OLE control interfaces a container uses.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "base/ComPtr.h"
#include "control/VantrelleImpl.h"
#include "control/uVantrelleForm.h"
#include "resources/VantrelleTypeLib.h"

namespace vt {

class TVantrelleControl;

// The single connection point of the event interface: one sink at a time.
class TEventConnectionPoint : public IConnectionPoint {
public:
  explicit TEventConnectionPoint(TVantrelleControl& owner) : owner_(owner) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

private:
  TVantrelleControl& owner_;
};

class TVantrelleControl : public TVantrelle,
                          public IVantrelle,
                          public IOleObject,
                          public IOleInPlaceObject,
                          public IOleInPlaceActiveObject,
                          public IOleControl,
                          public IViewObject2,
                          public IPersistStreamInit,
                          public IPersistPropertyBag,
                          public IConnectionPointContainer,
                          public IProvideClassInfo2,
                          public ISupportErrorInfo,
                          private TFormEvents {
public:
  TVantrelleControl();
  ~TVantrelleControl() override;

  // TVantrelle
  HWND FormHandle() const override { return form_.Handle(); }

  // The connected sink, queried for the event interface (none when `sink` is none).
  void EventSinkChanged(IDispatch* sink);
  bool HasEventSink() const { return static_cast<bool>(eventSink_); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* error, UINT* badArg) override;

  // IVantrelle: form properties
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AutoScroll(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_AutoScroll(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AutoSize(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_AutoSize(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AxBorderStyle(TxActiveFormBorderStyle* value) override;
  HRESULT STDMETHODCALLTYPE put_AxBorderStyle(TxActiveFormBorderStyle value) override;
  HRESULT STDMETHODCALLTYPE get_Caption(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Color(OLE_COLOR* value) override;
  HRESULT STDMETHODCALLTYPE put_Color(OLE_COLOR value) override;
  HRESULT STDMETHODCALLTYPE get_Font(IFontDisp** value) override;
  HRESULT STDMETHODCALLTYPE put_Font(IFontDisp* value) override;
  HRESULT STDMETHODCALLTYPE putref_Font(IFontDisp* value) override;
  HRESULT STDMETHODCALLTYPE get_KeyPreview(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_KeyPreview(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_PixelsPerInch(LONG* value) override;
  HRESULT STDMETHODCALLTYPE put_PixelsPerInch(LONG value) override;
  HRESULT STDMETHODCALLTYPE get_PrintScale(TxPrintScale* value) override;
  HRESULT STDMETHODCALLTYPE put_PrintScale(TxPrintScale value) override;
  HRESULT STDMETHODCALLTYPE get_Scaled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Scaled(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Active(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE get_DropTarget(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_DropTarget(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_HelpFile(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_PopupMode(TxPopupMode* value) override;
  HRESULT STDMETHODCALLTYPE put_PopupMode(TxPopupMode value) override;
  HRESULT STDMETHODCALLTYPE get_ScreenSnap(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_ScreenSnap(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_SnapBuffer(LONG* value) override;
  HRESULT STDMETHODCALLTYPE put_SnapBuffer(LONG value) override;
  HRESULT STDMETHODCALLTYPE get_DockSite(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_DockSite(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AlignDisabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE get_MouseInClient(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_UseDockManager(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_UseDockManager(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_ExplicitLeft(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_ExplicitTop(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_ExplicitWidth(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_ExplicitHeight(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_AlignWithMargins(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_AlignWithMargins(VARIANT_BOOL value) override;
  // IVantrelle: methods
  HRESULT STDMETHODCALLTYPE Run(BSTR newParam) override;
  HRESULT STDMETHODCALLTYPE RunCompatibility() override;
  HRESULT STDMETHODCALLTYPE RunUAC(VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE RunCompatibilityMode(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE RunCompatibilityIEWinSize(LONG left, LONG top, LONG right, LONG bottom, LONG iehandle,
                                                      VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE Run2(BSTR newParam, VARIANT divObj) override;
  HRESULT STDMETHODCALLTYPE GetVtnVersion(VARIANT* paramVerStr) override;
  HRESULT STDMETHODCALLTYPE RunCompatibilityAllsite(VARIANT_BOOL* value) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                                   LPCRECT position) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* type) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

  // IViewObject, IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                                 BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

  // IPersist, IPersistStreamInit, IPersistPropertyBag: the control keeps nothing.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag*, IErrorLog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override { return S_OK; }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // IProvideClassInfo, IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

protected:
  void LogChanged() override;
  IUnknown* ControlObject() override { return static_cast<IVantrelle*>(this); }

private:
  // The form's OnCreate handler.
  void ActiveFormCreate();
  // Forwards one form event to the sink, late-bound; nothing without a sink.
  void FireEvent(DISPID id, DISPPARAMS* params = nullptr);

  // TFormEvents. OnCreate (203) is never fired: the form exists before its forwarders are set.
  void FormActivate() override { FireEvent(201); }
  void FormClick() override { FireEvent(202); }
  void FormDblClick() override { FireEvent(204); }
  void FormDestroy() override;
  void FormDeactivate() override { FireEvent(206); }
  void FormKeyPress(char& key) override;
  void FormMouseEnter() override { FireEvent(208); }
  void FormMouseLeave() override { FireEvent(209); }
  void FormPaint() override { FireEvent(210); }

  HRESULT InPlaceActivate(IOleClientSite* activeSite, HWND parent, LPCRECT position, bool uiActivate);
  ComPtr<ITypeInfo> TypeInfoOf(REFGUID guid);
  template <class T, class Get>
  HRESULT GetProperty(T* out, Get&& get);
  template <class Put>
  HRESULT PutProperty(Put&& put);

  LONG refs_ = 0;
  TVantrelleForm form_;
  TEventConnectionPoint events_;
  ComPtr<IDispatch> eventSink_;  // the connected sink, answering the event interface
  ComPtr<IOleClientSite> clientSite_;
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleAdviseHolder> adviseHolder_;
  ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0, viewFlags_ = 0;
  ComPtr<ITypeLib> typeLib_;
  ComPtr<IFontDisp> font_;
  SIZEL extent_{};
  RECT bounds_{0, 0, TVantrelleForm::kDesignWidth, TVantrelleForm::kDesignHeight};
  bool inPlaceActive_ = false, uiActive_ = false;

  // Form properties the face does not show; kept as the page sets them.
  bool autoScroll_ = false, autoSize_ = false, keyPreview_ = false, scaled_ = true, dropTarget_ = false;
  bool screenSnap_ = false, dockSite_ = false, doubleBuffered_ = false, useDockManager_ = false;
  bool alignWithMargins_ = false;
  TxActiveFormBorderStyle borderStyle_ = afbNone;
  TxPrintScale printScale_ = poProportional;
  TxPopupMode popupMode_ = pmNone;
  LONG pixelsPerInch_ = 96, snapBuffer_ = 10;
  std::wstring helpFile_;
};

}  // namespace vt

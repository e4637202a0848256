// The control created through COM from its registered DLL, as a page's script reaches it: members
// called late-bound through IDispatch and early-bound through the dual interface, failures that
// arrive as failed results with their descriptions, and the rules of its event connection point.
#include <gtest/gtest.h>

#include <ocidl.h>
#include <olectl.h>

#include "base/ComPtr.h"
#include "base/Strings.h"
#include "resources/VantrelleTypeLib.h"
#include "support/ControlFace.h"
#include "support/OleEnvironment.h"
#include "support/TestEnv.h"

using namespace vt;
using namespace vt::test;

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

// A sink that answers only what it is told to.
class TSink : public IDispatch {
public:
  explicit TSink(IID answers) : answers_(answers) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != answers_) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return S_OK;
  }
  LONG refs = 1;

private:
  IID answers_;
};

class ControlObject : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(RunChild("regsvr32 /s \"" + ProgramFolder() + "\\..\\Vantrelle.ocx\"").exitCode, 0);
  }
  void SetUp() override {
    ASSERT_EQ(::CoCreateInstance(CLSID_Vantrelle, nullptr, CLSCTX_INPROC_SERVER, IID_IVantrelle, control_.put_void()),
              S_OK);
  }

  DISPID IdOf(const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names = const_cast<LPOLESTR>(name);
    EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << ToUtf8(name);
    return id;
  }

  // Invokes a member by name with arguments in script order; returns the HRESULT.
  HRESULT Call(const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result,
               EXCEPINFO* error = nullptr) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      params.rgdispidNamedArgs = &put;
      params.cNamedArgs = 1;
    }
    EXCEPINFO ignored{};
    UINT badArg = 0;
    HRESULT hr = control_->Invoke(IdOf(name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                  error ? error : &ignored, &badArg);
    if (!error) {
      ::SysFreeString(ignored.bstrDescription);
      ::SysFreeString(ignored.bstrSource);
      ::SysFreeString(ignored.bstrHelpFile);
    }
    return hr;
  }

  static VARIANT Text(const wchar_t* s) {
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = ::SysAllocString(s);
    return v;
  }

  static std::wstring ErrorDescription() {
    ComPtr<IErrorInfo> info;
    Bstr text;
    if (::GetErrorInfo(0, info.put()) != S_OK || !info) return L"<none>";
    info->GetDescription(text.put());
    return text.str();
  }

  ComPtr<IVantrelle> control_;
};

}  // namespace

TEST_F(ControlObject, AnswersTheInterfacesAContainerAndAScriptUse) {
  for (const IID* iid : {&IID_IDispatch, &IID_IOleObject, &IID_IOleInPlaceObject, &IID_IOleInPlaceActiveObject,
                         &IID_IOleControl, &IID_IViewObject2, &IID_IPersistStreamInit, &IID_IPersistPropertyBag,
                         &IID_IConnectionPointContainer, &IID_IProvideClassInfo2, &IID_ISupportErrorInfo}) {
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(control_->QueryInterface(*iid, unknown.put_void()), S_OK);
  }
  auto object = control_.As<IOleObject>();
  DWORD misc = 0;
  object->GetMiscStatus(DVASPECT_CONTENT, &misc);
  EXPECT_EQ(misc, 205201u);
  SIZEL extent{};
  object->GetExtent(DVASPECT_CONTENT, &extent);
  EXPECT_EQ(extent.cx, ::MulDiv(800, 2540, 96));
  EXPECT_EQ(extent.cy, ::MulDiv(200, 2540, 96));
  EXPECT_EQ(control_.As<ISupportErrorInfo>()->InterfaceSupportsErrorInfo(IID_IVantrelle), S_OK);
  GUID events{};
  EXPECT_EQ(control_.As<IProvideClassInfo2>()->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_EQ(events, DIID_IVantrelleEvents);
  ComPtr<ITypeInfo> coclass;
  EXPECT_EQ(control_.As<IProvideClassInfo>()->GetClassInfo(coclass.put()), S_OK);
}

TEST_F(ControlObject, TheDllStaysWhileAControlLivesOrTheServerIsLocked) {
  HMODULE dll = ::GetModuleHandleA("Vantrelle.ocx");
  ASSERT_NE(dll, nullptr);
  using TCanUnload = HRESULT(WINAPI*)();
  auto canUnload = reinterpret_cast<TCanUnload>(::GetProcAddress(dll, "DllCanUnloadNow"));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_FALSE);
  control_.reset();
  EXPECT_EQ(canUnload(), S_OK);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(::CoGetClassObject(CLSID_Vantrelle, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.put_void()),
            S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(canUnload(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(canUnload(), S_OK);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, aggregated.put_void()), CLASS_E_NOAGGREGATION);
}

TEST_F(ControlObject, MembersThroughIDispatch) {
  VARIANT result;
  ::VariantInit(&result);
  // GetVtnVersion with the script's by-reference variant, and without one.
  VARIANT out;
  ::VariantInit(&out);
  VARIANT byRef;
  V_VT(&byRef) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&byRef) = &out;
  EXPECT_EQ(Call(L"GetVtnVersion", DISPATCH_METHOD, {byRef}, &result), S_OK);
  ASSERT_EQ(V_VT(&out), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&out), L"1.6.4.0");
  ::VariantClear(&out);
  EXPECT_EQ(Call(L"GetVtnVersion", DISPATCH_METHOD, {}, &result), S_OK);
  ASSERT_EQ(V_VT(&result), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&result), L"1.6.4.0");
  ::VariantClear(&result);

  // Properties: defaults of the form, and what the page sets.
  EXPECT_EQ(Call(L"Caption", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_STREQ(V_BSTR(&result), L"Vantrelle");
  ::VariantClear(&result);
  VARIANT title = Text(L"Print this page");
  EXPECT_EQ(Call(L"Caption", DISPATCH_PROPERTYPUT, {title}, nullptr), S_OK);
  ::VariantClear(&title);
  EXPECT_EQ(Call(L"Caption", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_STREQ(V_BSTR(&result), L"Print this page");
  ::VariantClear(&result);
  EXPECT_EQ(Call(L"Visible", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(V_VT(&result), VT_BOOL);
  EXPECT_EQ(V_BOOL(&result), VARIANT_TRUE);
  VARIANT two;
  V_VT(&two) = VT_I4;
  V_I4(&two) = 2;  // an enumeration by its ordinal
  EXPECT_EQ(Call(L"PrintScale", DISPATCH_PROPERTYPUT, {two}, nullptr), S_OK);
  EXPECT_EQ(Call(L"PrintScale", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(V_I4(&result), 2);
  // Any non-zero value sets a boolean property to true.
  VARIANT five;
  V_VT(&five) = VT_I4;
  V_I4(&five) = 5;
  EXPECT_EQ(Call(L"AutoScroll", DISPATCH_PROPERTYPUT, {five}, nullptr), S_OK);
  VARIANT_BOOL autoScroll = VARIANT_FALSE;
  EXPECT_EQ(control_->get_AutoScroll(&autoScroll), S_OK);
  EXPECT_EQ(autoScroll, VARIANT_TRUE);

  // Run and Run2 log the request; RunCompatibility does nothing.
  VARIANT switches = Text(L"/log");
  EXPECT_EQ(Call(L"Run", DISPATCH_METHOD, {switches}, &result), S_OK);
  EXPECT_EQ(Call(L"Run2", DISPATCH_METHOD, {switches, five}, &result), S_OK);
  ::VariantClear(&switches);
  EXPECT_EQ(Call(L"RunCompatibility", DISPATCH_METHOD, {}, &result), S_OK);
  DISPID unknown = DISPID_UNKNOWN;
  LPOLESTR missing = const_cast<LPOLESTR>(L"NoSuchMember");
  EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, &missing, 1, 0, &unknown), DISP_E_UNKNOWNNAME);
}

// Version, caption and RunCompatibility through the dual interface land in the same members as
// through IDispatch above; here only what a script cannot reach.
TEST_F(ControlObject, MembersThroughTheDualInterface) {
  OLE_COLOR color = 0;
  EXPECT_EQ(control_->get_Color(&color), S_OK);
  EXPECT_EQ(color, 0x8000000Fu);  // clBtnFace
  LONG ppi = 0;
  EXPECT_EQ(control_->get_PixelsPerInch(&ppi), S_OK);
  EXPECT_EQ(ppi, 96);
  ComPtr<IFontDisp> font;
  ASSERT_EQ(control_->get_Font(font.put()), S_OK);
  CY size{};
  font.As<IFont>()->get_Size(&size);
  EXPECT_EQ(size.int64, 82500);  // 8.25 points: 11 pixels at 96 dpi
  // Setting a font copies it.
  ComPtr<IFont> bold;
  font.As<IFont>()->Clone(bold.put());
  bold->put_Bold(TRUE);
  EXPECT_EQ(control_->putref_Font(bold.As<IFontDisp>().get()), S_OK);
  ComPtr<IFontDisp> now;
  control_->get_Font(now.put());
  EXPECT_NE(now.get(), bold.As<IFontDisp>().get());
  BOOL isBold = FALSE;
  now.As<IFont>()->get_Bold(&isBold);
  EXPECT_TRUE(isBold);
  VARIANT none;
  V_VT(&none) = VT_I4;
  V_I4(&none) = 0;
  EXPECT_EQ(control_->Run2(Bstr(L"/scr").get(), none), S_OK);  // a capture without a page around it
}

TEST_F(ControlObject, RunCompatibilityIEWinSizeMovesAndSizesTheWindow) {
  // The control is in no page, as the elevated instance is: it moves a top window that holds the
  // face of a control of this process, the window of the browser that hosts that control.
  const FacedWindow window(10, 10, 300, 200);
  ASSERT_NE(window.Face(), nullptr);
  auto handle = [](HWND wnd) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(wnd)); };
  VARIANT_BOOL moved = VARIANT_FALSE;
  // right and bottom are the width and the height.
  EXPECT_EQ(control_->RunCompatibilityIEWinSize(40, 50, 640, 480, handle(window.Handle()), &moved), S_OK);
  EXPECT_EQ(moved, VARIANT_TRUE);
  RECT r{};
  ::GetWindowRect(window.Handle(), &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(r.bottom - r.top, 480);

  // Any other window is refused with an error and stays where it is: the face itself (no top
  // window), one that holds no face (another program's, say).
  EXPECT_EQ(control_->RunCompatibilityIEWinSize(0, 0, 640, 480, handle(window.Face()), &moved), E_ACCESSDENIED);
  const WindowHandle other(::CreateWindowExA(0, "STATIC", "other", WS_POPUP, 10, 10, 300, 200, nullptr, nullptr,
                                             nullptr, nullptr));
  EXPECT_EQ(control_->RunCompatibilityIEWinSize(0, 0, 640, 480, handle(other.get()), &moved), E_ACCESSDENIED);
  EXPECT_EQ(ErrorDescription(), ToWide(Format("Window %u is not the top window of the browser that hosts the control",
                                              static_cast<unsigned>(reinterpret_cast<uintptr_t>(other.get())))));
  ::GetWindowRect(other.get(), &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right - r.left, 300);
}

TEST_F(ControlObject, FailuresArriveAsFailedResultsWithTheirDescriptions) {
  // An exception inside a member: its code and message, through the error object.
  ::SetErrorInfo(0, nullptr);
  EXPECT_EQ(control_->put_Font(nullptr), E_POINTER);
  EXPECT_EQ(ErrorDescription(), L"No font was given");
  TSink notAFont(IID_IDispatch);
  EXPECT_EQ(control_->put_Font(reinterpret_cast<IFontDisp*>(static_cast<IDispatch*>(&notAFont))), E_INVALIDARG);
  EXPECT_EQ(ErrorDescription(), L"The value is not a font");
  // The same through IDispatch: DISP_E_EXCEPTION with the code and the description.
  VARIANT result;
  ::VariantInit(&result);
  VARIANT noFont;
  V_VT(&noFont) = VT_DISPATCH;
  V_DISPATCH(&noFont) = nullptr;
  EXCEPINFO error{};
  EXPECT_EQ(Call(L"Font", DISPATCH_PROPERTYPUTREF, {noFont}, &result, &error), DISP_E_EXCEPTION);
  if (error.pfnDeferredFillIn) error.pfnDeferredFillIn(&error);
  EXPECT_EQ(error.scode, E_POINTER);
  ASSERT_NE(error.bstrDescription, nullptr);
  EXPECT_STREQ(error.bstrDescription, L"No font was given");
  ::SysFreeString(error.bstrDescription);
  ::SysFreeString(error.bstrSource);
  ::SysFreeString(error.bstrHelpFile);
  // A missing out pointer is refused without a crash.
  EXPECT_EQ(control_->GetVtnVersion(nullptr), E_POINTER);
  EXPECT_EQ(control_->RunUAC(nullptr), E_POINTER);
  // An out variant is written, never cleared: what it held before is not the control's.
  TSink stale(IID_IDispatch);
  VARIANT out;
  V_VT(&out) = VT_DISPATCH;
  V_DISPATCH(&out) = &stale;
  EXPECT_EQ(control_->GetVtnVersion(&out), S_OK);
  EXPECT_EQ(stale.refs, 1);
  ASSERT_EQ(V_VT(&out), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&out), L"1.6.4.0");
  ::VariantClear(&out);
}

TEST_F(ControlObject, OneEventSinkAtATimeAndOnlyOneAnsweringTheEvents) {
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(control_.As<IConnectionPointContainer>()->FindConnectionPoint(DIID_IVantrelleEvents, point.put()), S_OK);
  ComPtr<IConnectionPoint> none;
  EXPECT_EQ(control_.As<IConnectionPointContainer>()->FindConnectionPoint(IID_IPropertyNotifySink, none.put()),
            CONNECT_E_NOCONNECTION);
  IID iid{};
  point->GetConnectionInterface(&iid);
  EXPECT_EQ(iid, DIID_IVantrelleEvents);

  TSink stranger(IID_IDispatch), sink(DIID_IVantrelleEvents), second(DIID_IVantrelleEvents);
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(&stranger, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(stranger.refs, 1);
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_GT(sink.refs, 1);
  DWORD other = 0;
  EXPECT_EQ(point->Advise(&second, &other), CONNECT_E_ADVISELIMIT);
  EXPECT_EQ(point->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.refs, 1);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  // Released by the control when it goes.
  ASSERT_EQ(point->Advise(&second, &other), S_OK);
  point.reset();
  control_.reset();
  EXPECT_EQ(second.refs, 1);
}

// The elevated second instance through the elevation moniker: the moniker has no handler under
// Wine, so a test binder stands in for CoGetObject to refuse or to hand out an instance; RunUAC
// reports either outcome; and the control's file version as GetVtnVersion reads it.
#include <gtest/gtest.h>

#include "base/ComPtr.h"
#include "control/VantrelleControl.h"
#include "control/uClassFactory.h"
#include "control/uElevation.h"
#include "control/uModuleVersion.h"
#include "resources/StringIds.h"
#include "support/ControlFace.h"
#include "support/Scopes.h"
#include "support/OleEnvironment.h"
#include "support/TestEnv.h"

using namespace vt;
using namespace vt::test;

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

// What the binder saw, and what it answers.
struct TBinding {
  std::wstring name;
  BIND_OPTS3 options{};
  IID iid{};
  HRESULT answer = S_OK;
  IUnknown* instance = nullptr;
  bool handsOutOnFailure = false;
};
TBinding* gBinding = nullptr;

HRESULT WINAPI TestBinder(LPCWSTR name, BIND_OPTS* options, REFIID iid, void** out) {
  gBinding->name = name;
  gBinding->options = *reinterpret_cast<BIND_OPTS3*>(options);
  gBinding->iid = iid;
  if (FAILED(gBinding->answer)) {
    if (gBinding->handsOutOnFailure && gBinding->instance) gBinding->instance->QueryInterface(iid, out);
    return gBinding->answer;
  }
  return gBinding->instance->QueryInterface(iid, out);
}

class Binder {
public:
  explicit Binder(TBinding& binding) : previous_(SetCoGetObject(TestBinder)) { gBinding = &binding; }
  ~Binder() {
    SetCoGetObject(previous_);
    gBinding = nullptr;
  }

private:
  TCoGetObject previous_;
};

ComPtr<IVantrelle> NewControl() {
  ComPtr<IVantrelle> control;
  ControlClassFactory()->CreateInstance(nullptr, IID_IVantrelle, control.put_void());
  return control;
}

constexpr HRESULT kCancelled = HRESULT_FROM_WIN32(ERROR_CANCELLED);

}  // namespace

TEST(Elevation, BindsTheElevationMonikerWithTheOwnerWindow) {
  auto instance = NewControl();
  TBinding binding;
  binding.instance = instance.get();
  Binder binder(binding);
  HWND owner = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));
  ComPtr<IVantrelle> elevated;
  EXPECT_EQ(CreateElevatedInstance(owner, CLSID_Vantrelle, IID_IVantrelle, elevated.put_void()), S_OK);
  EXPECT_EQ(elevated.get(), instance.get());
  EXPECT_EQ(binding.name, L"Elevation:Administrator!new:{F251BE2C-F8B2-4194-95C7-6A65EB70935D}");
  EXPECT_EQ(binding.options.cbStruct, 36u);
  EXPECT_EQ(binding.options.dwClassContext, static_cast<DWORD>(CLSCTX_LOCAL_SERVER));
  EXPECT_EQ(binding.options.hwnd, owner);
  EXPECT_EQ(binding.options.grfFlags, 0u);
  EXPECT_EQ(binding.options.pServerInfo, nullptr);
  EXPECT_EQ(binding.iid, IID_IVantrelle);
}

TEST(Elevation, ARefusalComesBackOnlyAsItsResult) {
  TBinding binding;
  binding.answer = kCancelled;
  Binder binder(binding);
  ComPtr<IVantrelle> elevated;
  EXPECT_EQ(CreateElevatedInstance(nullptr, CLSID_Vantrelle, IID_IVantrelle, elevated.put_void()), kCancelled);
  EXPECT_FALSE(elevated);
  // A binder that fails yet hands out an object: the object is dropped, not passed on.
  auto instance = NewControl();
  binding.instance = instance.get();
  binding.handsOutOnFailure = true;
  EXPECT_EQ(CreateElevatedInstance(nullptr, CLSID_Vantrelle, IID_IVantrelle, elevated.put_void()), kCancelled);
  EXPECT_FALSE(elevated);
}

TEST(Elevation, WithoutTheElevationEntriesTheSystemBindingFails) {
  // This program's control class is not registered for elevation in the test prefix.
  ComPtr<IVantrelle> elevated;
  const CLSID unknown = {0x0badc0de, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44}};
  HRESULT hr = CreateElevatedInstance(nullptr, unknown, IID_IVantrelle, elevated.put_void());
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
  EXPECT_FALSE(elevated);
}

TEST(Elevation, RunUACShowsTheResultAndReturnsTheInstance) {
  auto control = NewControl();
  auto instance = NewControl();
  TBinding binding;
  binding.instance = instance.get();
  Binder binder(binding);
  {
    DialogRecorder dialogs;
    VARIANT result;
    ::VariantInit(&result);
    ASSERT_EQ(control->RunUAC(&result), S_OK);
    ASSERT_EQ(V_VT(&result), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&result), static_cast<IDispatch*>(instance.get()));
    ::VariantClear(&result);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].caption, "Result");
    EXPECT_EQ(dialogs.requests[0].text, "Code : [0]");
    EXPECT_EQ(dialogs.requests[0].flags, static_cast<UINT>(MB_OK));
  }
  // The user refuses the consent prompt: the box shows the code, the script gets a null object.
  binding.answer = kCancelled;
  DialogRecorder dialogs;
  VARIANT result;
  ::VariantInit(&result);
  ASSERT_EQ(control->RunUAC(&result), S_OK);
  EXPECT_EQ(V_VT(&result), VT_DISPATCH);
  EXPECT_EQ(V_DISPATCH(&result), nullptr);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].text, "Code : [2147943623]");
}

TEST(Elevation, ANewControlIsRunningAndNotInProtectedMode) {
  auto control = NewControl();
  auto* impl = static_cast<TVantrelleControl*>(control.get());
  // The request state a new control starts with, through a view of its fields.
  struct TView : TVantrelle {
    static bool Running(const TVantrelle& v) { return v.*(&TView::running_); }
    static bool Protected(const TVantrelle& v) { return v.*(&TView::protectedMode_); }
  };
  EXPECT_TRUE(TView::Running(*impl));
  EXPECT_FALSE(TView::Protected(*impl));
  EXPECT_EQ(impl->FormHandle(), nullptr);  // no window before the container shows it
}

TEST(ModuleVersion, ReadsTheFixedFileVersionOrZeros) {
  EXPECT_EQ(FileVersionText(ProgramFolder() + "\\..\\Vantrelle.ocx"), "1.6.4.0");
  // This test program carries no version resource.
  EXPECT_EQ(FileVersionText(ModulePath(nullptr)), "0.0.0.0");
  EXPECT_EQ(FileVersionText(ProgramFolder() + "\\no such file.dll"), "0.0.0.0");
  EXPECT_EQ(FileVersionText(""), "0.0.0.0");
  // The control linked into this program reads this program's file.
  auto control = NewControl();
  VARIANT version;
  ::VariantInit(&version);
  ASSERT_EQ(control->GetVtnVersion(&version), S_OK);
  EXPECT_STREQ(V_BSTR(&version), L"0.0.0.0");
  ::VariantClear(&version);
}

TEST(Elevation, TheRequestDriverReachesTheElevatedInstancesSettings) {
  auto instance = NewControl();
  TBinding binding;
  binding.instance = instance.get();
  Binder binder(binding);
  // The browser's window, which holds the face of the control that asks.
  auto browser = std::make_unique<FacedWindow>(10, 10, 300, 200);
  HWND window = browser->Handle();
  TElevatedInstance elevated = CreateElevatedControlSettings(window);
  ASSERT_EQ(elevated.result, S_OK);
  ASSERT_TRUE(elevated.settings);
  IBrowserSettingsWriter* settings = elevated.settings.get();
  EXPECT_EQ(binding.options.hwnd, window);
  // The elevated instance's RunCompatibilityIEWinSize: left, top, width, height.
  EXPECT_TRUE(settings->MoveIEWindow(30, 40, 500, 300, window));
  RECT r{};
  ::GetWindowRect(window, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right - r.left, 500);
  EXPECT_EQ(r.bottom - r.top, 300);
  // Another program's window (one without a control's face) is refused and stays where it is;
  // the instance logs the refusal.
  HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP, 10, 10, 300, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(settings->MoveIEWindow(0, 0, 500, 300, other));
  ::GetWindowRect(other, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right - r.left, 300);
  const auto& lines = static_cast<TVantrelleControl*>(instance.get())->RequestLog().Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("[ActiveX::RunCompatibilityIEWinSize] >> ", 0), 0u) << lines.back();
  EXPECT_NE(lines.back().find(Format(LoadResString(kLogWindowRefused).c_str(),
                                     static_cast<unsigned>(reinterpret_cast<uintptr_t>(other)))),
            std::string::npos)
      << lines.back();
  ::DestroyWindow(other);
  browser.reset();
  EXPECT_FALSE(settings->MoveIEWindow(0, 0, 500, 300, window));
  // Refused: no settings writer.
  binding.answer = kCancelled;
  const TElevatedInstance refused = CreateElevatedControlSettings(nullptr);
  EXPECT_EQ(refused.result, kCancelled);
  EXPECT_FALSE(refused.settings);
}

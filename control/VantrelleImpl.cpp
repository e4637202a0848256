#include "control/VantrelleImpl.h"

#include <rpc.h>

#include <cstring>

#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Strings.h"
#include "capture/uBrowserWindow.h"
#include "capture/uHostBrowser.h"
#include "control/uParameter.h"
#include "control/uRequestDriver.h"
#include "control/uSwitchTable.h"
#include "control/uVantrelleForm.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

constexpr const char* kWinSizeCaption = "ActiveX::RunCompatibilityIEWinSize";

// The process whose call this thread serves: the calling process when the call came through COM
// from another process (none when that cannot be told), else this process.
std::optional<DWORD> CallingProcess() {
  ComPtr<IServerSecurity> security;
  if (FAILED(::CoGetCallContext(IID_IServerSecurity, security.put_void()))) return ::GetCurrentProcessId();
  using TInqClientPid = RPC_STATUS(RPC_ENTRY*)(RPC_BINDING_HANDLE, unsigned long*);
  if (HMODULE rpc = ::GetModuleHandleA("rpcrt4.dll")) {
    // Looked up at run time: the name is not part of every system's documented exports.
    auto inquire = reinterpret_cast<TInqClientPid>(::GetProcAddress(rpc, "I_RpcBindingInqLocalClientPID"));
    unsigned long process = 0;
    if (inquire && inquire(nullptr, &process) == RPC_S_OK && process) return process;
  }
  return std::nullopt;
}

struct TFaceSearch {
  std::optional<DWORD> process;
  bool found = false;
};

BOOL CALLBACK FindControlFace(HWND wnd, LPARAM data) {
  auto& search = *reinterpret_cast<TFaceSearch*>(data);
  char name[64] = "";
  ::GetClassNameA(wnd, name, sizeof name);
  if (std::strcmp(name, TVantrelleForm::kClassName) != 0) return TRUE;
  DWORD owner = 0;
  ::GetWindowThreadProcessId(wnd, &owner);
  search.found = !search.process || owner == *search.process;
  return search.found ? FALSE : TRUE;
}

// Whether one of the windows inside `wnd` is the face of a control of `process` (of any process
// when none is given).
bool HoldsControlFace(HWND wnd, std::optional<DWORD> process) {
  TFaceSearch search{process};
  ::EnumChildWindows(wnd, FindControlFace, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

// {F251BE2C-F8B2-4194-95C7-6A65EB70935D}, CLSID_Vantrelle of resources/Vantrelle.idl.
const CLSID kVantrelleClassId = {0xf251be2c, 0xf8b2, 0x4194, {0x95, 0xc7, 0x6a, 0x65, 0xeb, 0x70, 0x93, 0x5d}};

void TVantrelle::WriteLog(const std::string& caption, const std::string& message) {
  requestLog_.WriteLog(caption, message);
}

void TVantrelle::Run2(const std::wstring& newParam, const VARIANT& divObj) {
  // A call inside a running request changes nothing of it, not even the log box.
  if (RefuseNestedRequest()) return;
  const std::string params = ToAnsi(newParam);
  // The log box is shown (and cleared) for /log, hidden otherwise with its lines kept.
  ShowLog(TSwitches(params).Has(swLog));
  Run2Request(params, ElementDispatch(divObj));
}

void TVantrelle::ShowLog(bool show) {
  logVisible_ = show;
  if (show) requestLog_.Clear();
  LogChanged();
}

std::vector<int32_t> TVantrelle::ParsePageBreakList(const std::string& text, int32_t step, int32_t height) {
  return vt::ParsePageBreakList(text, step, height, requestLog_);
}

bool TVantrelle::IsHostBrowserWindow(HWND wnd) {
  if (!wnd || !::IsWindow(wnd) || GetTopParentWindow(wnd) != wnd) return false;
  if (HWND view = GetHostBrowser(ControlObject()).docHwnd) return GetTopParentWindow(view) == wnd;
  return HoldsControlFace(wnd, CallingProcess());
}

bool TVantrelle::MoveHostBrowserWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd) {
  if (!IsHostBrowserWindow(wnd)) {
    const auto handle = static_cast<unsigned>(reinterpret_cast<uintptr_t>(wnd));
    WriteLog(kWinSizeCaption, Format(LoadResString(kLogWindowRefused).c_str(), handle));
    throw Error(Format("Window %u is not the top window of the browser that hosts the control", handle),
                E_ACCESSDENIED);
  }
  return browserSettings_.MoveIEWindow(left, top, width, height, wnd);
}

}  // namespace vt

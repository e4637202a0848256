#include "capture/uInstanceMutex.h"

#include "base/Strings.h"
#include "control/VantrelleImpl.h"
#include "resources/StringIds.h"

namespace vt {

namespace {
constexpr const char* kMutexIdCaption = "MutexID >> ID";
constexpr const char* kMutexCaption = "Mutex >> ";
}  // namespace

std::string InstanceMutexName(DWORD processId) { return Format("$$VTNS$$_%lu", processId); }

bool TVantrelle::CreateInstanceMutex() {
  const std::string name = InstanceMutexName(::GetCurrentProcessId());
  WriteLog(kMutexIdCaption, name);
  // The answer of CreateMutex is read before anything else can change the thread's last error.
  Handle mutex(::CreateMutexA(nullptr, TRUE, name.c_str()));
  const DWORD error = ::GetLastError();
  WriteLog(kMutexCaption, Format("Mutext Handle : %d", static_cast<int>(reinterpret_cast<intptr_t>(mutex.get()))));
  if (error == ERROR_ALREADY_EXISTS) {
    // Refused. A mutex this control's own running request holds stays in the field, so that
    // that request's clean-up still closes it.
    WriteLog(kMutexCaption, LoadResString(kLogAlreadyRunning));
    return false;
  }
  WriteLog(kMutexCaption, LoadResString(kLogNoRunningInstance));
  // A failed creation (no handle) lets the request run unguarded rather than not at all.
  FInstanceMutex = std::move(mutex);
  return true;
}

}  // namespace vt

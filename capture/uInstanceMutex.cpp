#include "capture/uInstanceMutex.h"

#include "base/Strings.h"
#include "resources/StringIds.h"

namespace vt {

namespace {
constexpr const char* kMutexIdCaption = "MutexID >> ID";
constexpr const char* kMutexCaption = "Mutex >> ";
}  // namespace

std::string InstanceMutexName(DWORD processId) { return Format("$$VTNS$$_%lu", processId); }

std::optional<Handle> CreateInstanceMutex(ILogSink& log) {
  const std::string name = InstanceMutexName(::GetCurrentProcessId());
  log.WriteLog(kMutexIdCaption, name);
  // The answer of CreateMutex is read before anything else can change the thread's last error.
  Handle created(::CreateMutexA(nullptr, TRUE, name.c_str()));
  const DWORD error = ::GetLastError();
  const int handle = static_cast<int>(reinterpret_cast<intptr_t>(created.get()));
  log.WriteLog(kMutexCaption, Format("Mutext Handle : %d", handle));
  if (error == ERROR_ALREADY_EXISTS) {
    // Refused: the handle just opened goes; a mutex this control's own running request holds
    // stays where it is, so that that request's clean-up still closes it.
    log.WriteLogText(kMutexCaption, kLogAlreadyRunning);
    return std::nullopt;
  }
  log.WriteLogText(kMutexCaption, kLogNoRunningInstance);
  // A failed creation (no handle) lets the request run unguarded rather than not at all.
  return created;
}

}  // namespace vt

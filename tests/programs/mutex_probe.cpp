// A second browser process for the instance mutex. Prints three words:
//   1. what a control of this process gets from CreateInstanceMutex (1 or 0);
//   2. the mutex of process <pid> (the first argument): "owned" when it exists and another process
//      holds it, "free" when it exists unowned, "none" when it does not exist;
//   3. this process's own mutex name.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "base/Handles.h"
#include "capture/uInstanceMutex.h"
#include "control/uRequestLog.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  vt::TRequestLog log;
  const std::optional<vt::Handle> mutex = vt::CreateInstanceMutex(log);
  const bool own = mutex.has_value();
  DWORD otherPid = std::strtoul(argv[1], nullptr, 10);
  vt::Handle other(::OpenMutexA(SYNCHRONIZE, FALSE, vt::InstanceMutexName(otherPid).c_str()));
  const char* state = "none";
  if (other) {
    DWORD wait = ::WaitForSingleObject(other.get(), 0);
    state = wait == WAIT_TIMEOUT ? "owned" : "free";
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ::ReleaseMutex(other.get());
  }
  std::printf("%d %s %s\n", own ? 1 : 0, state, vt::InstanceMutexName(::GetCurrentProcessId()).c_str());
  return 0;
}

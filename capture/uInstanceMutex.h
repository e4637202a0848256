// One request at a time per browser process in protected mode: a named mutex per process id.
#pragma once
#include <windows.h>
#include <string>

namespace vt {

// "$$VTNS$$_" followed by the process id in decimal.
std::string InstanceMutexName(DWORD processId);

}  // namespace vt

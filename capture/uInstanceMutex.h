// One request at a time per browser process in protected mode: a named mutex per process id.
#pragma once
#include <windows.h>
#include <string>

#include "base/Handles.h"
#include "base/LogSink.h"

namespace vt {

// "$$VTNS$$_" followed by the process id in decimal.
std::string InstanceMutexName(DWORD processId);

// Takes this process's mutex into `mutex`: true when this request now holds it (or when it could
// not be created at all: the request then runs unguarded), false when another request of this
// process holds it; `mutex` is then left as it was.
bool CreateInstanceMutex(ILogSink& log, Handle& mutex);

}  // namespace vt

// One request at a time per browser process in protected mode: a named mutex per process id.
#pragma once
#include <windows.h>
#include <optional>
#include <string>

#include "base/Handles.h"
#include "base/LogSink.h"

namespace vt {

// "$$VTNS$$_" followed by the process id in decimal.
std::string InstanceMutexName(DWORD processId);

// Takes this process's mutex: the handle this request now holds (empty when the mutex could not be
// created at all: the request then runs unguarded); none when another request of this process
// holds it.
std::optional<Handle> CreateInstanceMutex(ILogSink& log);

}  // namespace vt

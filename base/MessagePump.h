// Message processing inside a call that must let the host's thread go on running: page script,
// timers and the browser's own windows keep working while the control waits.
#pragma once

namespace vt {

// Dispatches the thread's pending messages once. False when a WM_QUIT arrived: it is posted again
// and left for the host's own loop, so the application still ends.
bool ProcessMessages();

}  // namespace vt

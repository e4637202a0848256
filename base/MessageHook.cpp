#include "base/MessageHook.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "base/Boundary.h"
#include "base/Handles.h"

namespace vt {
namespace {

struct ThreadHook {
  HookHandle hook;
  std::vector<TMessageHook*> listeners;
};
// Made with the thread's first listener and freed with its last: a thread-local object with a
// destructor would run code of this module at the thread's end, after the module may be unloaded.
thread_local ThreadHook* threadHook = nullptr;

}  // namespace

TMessageHook::TMessageHook(Listener listener) : listener_(std::move(listener)) {
  if (!threadHook) threadHook = new ThreadHook;
  if (!threadHook->hook)
    threadHook->hook.reset(::SetWindowsHookExA(WH_GETMESSAGE, HookProc, nullptr, ::GetCurrentThreadId()));
  threadHook->listeners.push_back(this);
}

TMessageHook::~TMessageHook() {
  std::vector<TMessageHook*>& listeners = threadHook->listeners;
  listeners.erase(std::remove(listeners.begin(), listeners.end(), this), listeners.end());
  if (!listeners.empty()) return;
  // The last listener takes the thread's hook with it.
  std::unique_ptr<ThreadHook> last(std::exchange(threadHook, nullptr));
}

LRESULT CALLBACK TMessageHook::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE && threadHook) {
    // By index, looked up afresh each time: a listener may come or go while another one runs.
    // One listener that fails leaves the others their turn.
    for (size_t i = 0; threadHook && i < threadHook->listeners.size(); ++i) {
      MessageBoundary("Message listener failed", 0, [&] {
        threadHook->listeners[i]->listener_(*reinterpret_cast<MSG*>(lParam));
        return 0;
      });
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace vt

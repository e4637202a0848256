#include "base/MessageHook.h"

#include <algorithm>
#include <vector>

namespace vt {
namespace {

struct ThreadHook {
  HHOOK hook = nullptr;
  std::vector<TMessageHook*> listeners;
};
thread_local ThreadHook threadHook;

}  // namespace

TMessageHook::TMessageHook(Listener listener) : listener_(std::move(listener)) {
  ThreadHook& thread = threadHook;
  if (!thread.hook) thread.hook = ::SetWindowsHookExA(WH_GETMESSAGE, HookProc, nullptr, ::GetCurrentThreadId());
  thread.listeners.push_back(this);
}

TMessageHook::~TMessageHook() {
  ThreadHook& thread = threadHook;
  thread.listeners.erase(std::remove(thread.listeners.begin(), thread.listeners.end(), this),
                         thread.listeners.end());
  if (thread.listeners.empty() && thread.hook) {
    ::UnhookWindowsHookEx(thread.hook);
    thread.hook = nullptr;
  }
}

LRESULT CALLBACK TMessageHook::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    // By index: a listener that goes away meanwhile is not called, and none is called twice.
    const std::vector<TMessageHook*>& listeners = threadHook.listeners;
    for (size_t i = 0; i < listeners.size(); ++i) {
      try {
        listeners[i]->listener_(*reinterpret_cast<MSG*>(lParam));
      } catch (...) {
        // Exceptions must not unwind through the system's hook chain.
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace vt

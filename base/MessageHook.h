// Watching the messages of the thread: a listener sees every message that a message loop of the
// thread takes from its queue, before the message is dispatched (WH_GETMESSAGE).
#pragma once
#include <windows.h>

#include <functional>

namespace vt {

// The listeners of one thread share one system hook, set with the first and removed with the
// last, so each sees every message however many others come and go. Made and destroyed on the
// thread it listens to.
class TMessageHook {
public:
  using Listener = std::function<void(MSG& msg)>;
  // A listener that throws loses that message; the exception goes no further.
  explicit TMessageHook(Listener listener);
  ~TMessageHook();
  TMessageHook(const TMessageHook&) = delete;
  TMessageHook& operator=(const TMessageHook&) = delete;

private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  Listener listener_;
};

}  // namespace vt

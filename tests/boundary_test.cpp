// Where exceptions stop: through the system's own message dispatch, window enumeration and thread
// start, and at a command whose failure the person is shown.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "base/Boundary.h"
#include "base/Handles.h"
#include "base/Window.h"
#include "support/Scopes.h"

using namespace vt;

namespace {

constexpr UINT kFail = WM_APP, kAnswer = WM_APP + 1;

class TFailingWindow : public TWindow {
public:
  TFailingWindow() { CreateHandle(L"VtBoundaryTestWindow", WS_POPUP, 0, nullptr, 0, 0, 10, 10); }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kFail) throw std::runtime_error("message failed");
    if (msg == kAnswer) return 42;
    return TWindow::HandleMessage(msg, wParam, lParam);
  }
};

struct EnumRecord {
  int calls = 0;
  std::exception_ptr failure;
};

BOOL CALLBACK FailingEnumProc(HWND, LPARAM param) {
  auto& record = *reinterpret_cast<EnumRecord*>(param);
  return CallbackBoundary(record.failure, FALSE, [&]() -> BOOL {
    ++record.calls;
    throw std::runtime_error("enumeration failed");
  });
}

DWORD WINAPI FailingThread(void*) {
  return ThreadBoundary("Test thread", [] { throw std::runtime_error("thread failed"); });
}

}  // namespace

TEST(Boundary, AMessageThatRaisesIsAnsweredAndTheWindowGoesOn) {
  TFailingWindow window;
  EXPECT_EQ(::SendMessageW(window.Handle(), kFail, 0, 0), 0);
  EXPECT_EQ(::SendMessageW(window.Handle(), kAnswer, 0, 0), 42);
}

TEST(Boundary, ACallbackFailureEndsTheEnumerationAndIsRaisedAfterIt) {
  WindowHandle first(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  WindowHandle second(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  EnumRecord record;
  ::EnumThreadWindows(::GetCurrentThreadId(), FailingEnumProc, reinterpret_cast<LPARAM>(&record));
  EXPECT_EQ(record.calls, 1);
  EXPECT_THROW(RaiseKept(record.failure), std::runtime_error);
  EXPECT_NO_THROW(RaiseKept(nullptr));
}

TEST(Boundary, AThreadThatRaisesEndsWithExitCodeOne) {
  const Handle thread(::CreateThread(nullptr, 0, FailingThread, nullptr, 0, nullptr));
  ASSERT_TRUE(thread);
  ASSERT_EQ(::WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
  DWORD code = 0;
  ::GetExitCodeThread(thread.get(), &code);
  EXPECT_EQ(code, 1u);
}

TEST(Boundary, ACommandShowsItsFailureThroughTheDialogSeam) {
  const struct {
    const char* name;
    void (*command)();
    std::string outOfMemory;
    const char* shown;  // null: nothing shown, the command ran to its end
  } cases[] = {
      {"done", [] {}, "", nullptr},
      {"failed", [] { throw std::runtime_error("disk full"); }, "no memory", "disk full"},
      {"out of memory", [] { throw std::bad_alloc(); }, "no memory", "no memory"},
      {"out of memory, no text of its own", [] { throw std::bad_alloc(); }, "", "std::bad_alloc"},
  };
  for (const auto& c : cases) {
    test::DialogRecorder dialogs;
    EXPECT_EQ(CommandBoundary(c.outOfMemory, c.command), c.shown == nullptr) << c.name;
    ASSERT_EQ(dialogs.requests.size(), c.shown ? 1u : 0u) << c.name;
    if (!c.shown) continue;
    EXPECT_EQ(dialogs.requests[0].name, "MessageBox") << c.name;
    EXPECT_EQ(dialogs.requests[0].caption, "Vantrelle") << c.name;
    EXPECT_EQ(dialogs.requests[0].text, c.shown) << c.name;
  }
}

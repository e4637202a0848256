// The modal guard with real top-level windows owned by several threads of this process and by
// another process: which are disabled while a modal episode lasts and which are enabled after it.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ModalState.h"
#include "control/uActiveForm.h"
#include "support/TestEnv.h"

using namespace vt;

namespace {

enum WindowKind { kVisible, kDisabled, kHidden };

HWND MakeWindow(WindowKind kind) {
  DWORD style = WS_OVERLAPPEDWINDOW | (kind == kHidden ? 0 : WS_VISIBLE) | (kind == kDisabled ? WS_DISABLED : 0);
  return ::CreateWindowExA(0, "STATIC", "modal guard test", style, 20, 20, 160, 80, nullptr, nullptr,
                           ::GetModuleHandleA(nullptr), nullptr);
}

// A thread owning top-level windows and pumping their messages until it is stopped.
class WindowThread {
public:
  explicit WindowThread(std::vector<WindowKind> kinds) {
    thread_ = std::thread([this, kinds] {
      MSG msg;
      ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's message queue
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (WindowKind k : kinds) windows_.push_back(MakeWindow(k));
        threadId_ = ::GetCurrentThreadId();
      }
      ready_.notify_all();
      while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    });
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return threadId_ != 0; });
  }
  ~WindowThread() { Stop(); }

  HWND operator[](size_t i) const { return windows_.at(i); }
  // Ends the thread; its windows go with it.
  void Stop() {
    if (!thread_.joinable()) return;
    ::PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }

private:
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::vector<HWND> windows_;
  DWORD threadId_ = 0;
};

// Windows of this thread, destroyed at scope end.
class OwnWindows {
public:
  explicit OwnWindows(std::vector<WindowKind> kinds) {
    for (WindowKind k : kinds) windows_.push_back(MakeWindow(k));
  }
  ~OwnWindows() {
    for (HWND w : windows_) ::DestroyWindow(w);
  }
  HWND operator[](size_t i) const { return windows_.at(i); }

private:
  std::vector<HWND> windows_;
};

// Every test starts and ends without a guard and outside any modal episode.
class ModalGuard : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(ModalLevel(), 0); }
  void TearDown() override {
    FreeModalProtector();
    EXPECT_EQ(ModalLevel(), 0);
  }
};

std::string States(std::initializer_list<HWND> windows) {
  std::string s;
  for (HWND w : windows) s += !::IsWindow(w) ? 'x' : ::IsWindowEnabled(w) ? 'e' : 'd';
  return s;
}

}  // namespace

TEST_F(ModalGuard, DisablesTheWindowsOfEveryThreadAndEnablesExactlyThose) {
  OwnWindows own({kVisible, kDisabled, kHidden});
  WindowThread first({kVisible, kDisabled}), second({kVisible, kHidden, kVisible});
  auto all = {own[0], own[1], own[2], first[0], first[1], second[0], second[1], second[2]};
  ASSERT_EQ(States(all), "edeedeee");

  EnsureModalProtector();
  {
    TModalScope preview;
    EXPECT_EQ(States(all), "ddeddded");
    {
      // A dialog opened from the modal preview starts no episode of its own.
      OwnWindows dialog({kVisible});
      TModalScope nested;
      EXPECT_EQ(ModalLevel(), 2);
      EXPECT_EQ(States({dialog[0]}), "e");
      EXPECT_EQ(States(all), "ddeddded");
    }
    EXPECT_EQ(States(all), "ddeddded");
  }
  // Windows disabled before stay disabled; hidden ones were never touched.
  EXPECT_EQ(States(all), "edeedeee");

  // The guard serves the next episode too.
  {
    TModalScope again;
    EXPECT_EQ(States(all), "ddeddded");
  }
  EXPECT_EQ(States(all), "edeedeee");
}

TEST_F(ModalGuard, WindowsDestroyedWhileGuarded) {
  WindowThread first({kVisible, kVisible}), second({kVisible});
  OwnWindows own({kVisible});
  EnsureModalProtector();
  {
    TModalScope preview;
    EXPECT_EQ(States({first[0], first[1], second[0], own[0]}), "dddd");
    ::SendMessageA(first[0], WM_CLOSE, 0, 0);  // destroyed by its own thread
    second.Stop();                             // the thread ends and its window goes with it
    EXPECT_EQ(States({first[0], first[1], second[0], own[0]}), "xdxd");
  }
  EXPECT_EQ(States({first[0], first[1], second[0], own[0]}), "xexe");
}

TEST_F(ModalGuard, LeavesWindowsOfOtherProcessesAlone) {
  const std::string title = "modal guard other process " + std::to_string(::GetCurrentProcessId());
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::string command = "\"" + test::ProgramFolder() + "\\window_holder.exe\" \"" + title + "\"";
  ASSERT_TRUE(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  HWND other = nullptr;
  // The window exists before it is shown: wait for both.
  for (int i = 0; i < 1000 && !(other && ::IsWindowVisible(other)); ++i) {
    other = ::FindWindowA("VtWindowHolder", title.c_str());
    if (!other || !::IsWindowVisible(other)) ::Sleep(10);
  }
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(::IsWindowVisible(other));

  OwnWindows own({kVisible});
  EnsureModalProtector();
  {
    TModalScope preview;
    EXPECT_EQ(States({own[0], other}), "de");
    // The same holds for the routine on its own, which also skips the window it is told to.
    WindowThread thread({kVisible, kVisible});
    TaskWindowList list = DisableProcessWindows(thread[1]);
    EXPECT_EQ(std::vector<HWND>(list.begin(), list.end()), std::vector<HWND>{thread[0]});
    EXPECT_EQ(States({thread[0], thread[1], other}), "dee");
    EnableTaskWindows(list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(States({thread[0], thread[1], other}), "eee");
  }
  EXPECT_EQ(States({own[0], other}), "ee");

  ::PostMessageA(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
  ::TerminateProcess(pi.hProcess, 1);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
}

TEST_F(ModalGuard, OneGuardAcrossRequestsAndHandlersBackWhenFreed) {
  int before = 0, after = 0;
  ModalHandlers previous = SetModalHandlers({[&] { ++before; }, [&] { ++after; }});
  EnsureModalProtector();
  TModalProtector* guard = ModalProtector();
  ASSERT_NE(guard, nullptr);
  EnsureModalProtector();
  EXPECT_EQ(ModalProtector(), guard);

  OwnWindows own({kVisible});
  { TModalScope preview; EXPECT_EQ(States({own[0]}), "d"); }
  EXPECT_EQ(States({own[0]}), "e");
  EXPECT_EQ(before + after, 0);  // the guard replaced them

  FreeModalProtector();
  EXPECT_EQ(ModalProtector(), nullptr);
  FreeModalProtector();  // none: nothing happens
  { TModalScope preview; EXPECT_EQ(States({own[0]}), "e"); }
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  SetModalHandlers(std::move(previous));
}

TEST_F(ModalGuard, EpisodesTheGuardDidNotSeeBegin) {
  OwnWindows own({kVisible});
  WindowThread thread({kVisible});
  // An episode already running when the guard comes: its end finds no list.
  {
    TModalScope early;
    EnsureModalProtector();
    EXPECT_EQ(States({own[0], thread[0]}), "ee");
    ::EnableWindow(own[0], FALSE);  // someone else's business
  }
  EXPECT_EQ(States({own[0], thread[0]}), "de");
  ::EnableWindow(own[0], TRUE);

  // No visible enabled window at all: an empty list, and the next episode still pairs up.
  ::ShowWindow(own[0], SW_HIDE);
  ::EnableWindow(thread[0], FALSE);
  {
    TModalScope empty;
    EXPECT_EQ(States({own[0], thread[0]}), "ed");
  }
  EXPECT_EQ(States({own[0], thread[0]}), "ed");
  ::ShowWindow(own[0], SW_SHOW);
  ::EnableWindow(thread[0], TRUE);
  {
    TModalScope next;
    EXPECT_EQ(States({own[0], thread[0]}), "dd");
  }
  EXPECT_EQ(States({own[0], thread[0]}), "ee");
}

TEST_F(ModalGuard, FreedDuringAnEpisodeGivesTheWindowsBack) {
  OwnWindows own({kVisible});
  WindowThread thread({kVisible, kDisabled});
  EnsureModalProtector();
  {
    TModalScope preview;
    EXPECT_EQ(States({own[0], thread[0], thread[1]}), "ddd");
    FreeModalProtector();
    EXPECT_EQ(States({own[0], thread[0], thread[1]}), "eed");
  }
  EXPECT_EQ(States({own[0], thread[0], thread[1]}), "eed");
}

TEST(ModalState, HandlerFailureLeavesTheLevel) {
  ModalHandlers previous = SetModalHandlers({[] { throw std::runtime_error("no"); }, [] { throw std::runtime_error("no"); }});
  EXPECT_THROW(ModalStarted(), std::runtime_error);
  EXPECT_EQ(ModalLevel(), 0);
  {
    SetModalHandlers({nullptr, [] { throw std::runtime_error("no"); }});
    TModalScope scope;
    EXPECT_EQ(ModalLevel(), 1);
  }  // the end handler's failure stays inside the scope
  EXPECT_EQ(ModalLevel(), 0);
  ModalFinished();  // unpaired: nothing happens
  EXPECT_EQ(ModalLevel(), 0);
  SetModalHandlers(std::move(previous));
}

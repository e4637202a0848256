// The per-process single-request mutex: one request at a time in one browser process, each
// browser process with a mutex of its own.
#include <gtest/gtest.h>

#include <sstream>

#include "base/Strings.h"
#include "capture/uInstanceMutex.h"
#include "control/uRequestLog.h"
#include "resources/StringIds.h"
#include "support/TestEnv.h"

using namespace vt;

namespace {

// What a control holds for the mutex: its request log and the handle.
struct TMutexHolder {
  TRequestLog log;
  Handle mutex;
  // A refused call leaves the held handle where it is.
  bool Create() {
    std::optional<Handle> held = CreateInstanceMutex(log);
    if (held) mutex = std::move(*held);
    return held.has_value();
  }
};

const std::string kOwnName = InstanceMutexName(::GetCurrentProcessId());

bool MutexExists(const std::string& name) {
  Handle mutex(::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
  return static_cast<bool>(mutex);
}

// The message of each log line.
std::vector<std::string> LogMessages(const TMutexHolder& holder) {
  std::vector<std::string> messages;
  for (const std::string& line : holder.log.Lines()) {
    std::string rest = line.substr(line.find("] >> ") + 5);
    messages.push_back(line.substr(0, line.find("] >> ") + 1) + rest.substr(rest.find(" >>") + 3));
  }
  return messages;
}

struct ProbeAnswer {
  int own = -1;
  std::string parentMutex, ownName;
};

ProbeAnswer RunProbe() {
  auto r = test::RunChild(Format("\"%s\\mutex_probe.exe\" %lu", test::ProgramFolder().c_str(), ::GetCurrentProcessId()));
  EXPECT_EQ(r.exitCode, 0);
  ProbeAnswer a;
  std::istringstream(r.output) >> a.own >> a.parentMutex >> a.ownName;
  return a;
}

}  // namespace

TEST(InstanceMutex, NamedAfterTheProcessId) { EXPECT_EQ(InstanceMutexName(4711), "$$VTNS$$_4711"); }

TEST(InstanceMutex, SecondControlOfTheProcessIsRefused) {
  ASSERT_FALSE(MutexExists(kOwnName));
  TMutexHolder first, second;
  ASSERT_TRUE(first.Create());
  ASSERT_TRUE(first.mutex);
  HANDLE held = first.mutex.get();
  EXPECT_EQ(LogMessages(first),
            (std::vector<std::string>{"[MutexID >> ID]" + kOwnName,
                                      Format("[Mutex >> ]Mutext Handle : %d", static_cast<int>(reinterpret_cast<intptr_t>(held))),
                                      "[Mutex >> ]" + LoadResString(kLogNoRunningInstance)}));

  EXPECT_FALSE(second.Create());
  EXPECT_FALSE(second.mutex);
  EXPECT_EQ(first.mutex.get(), held);
  std::vector<std::string> log = LogMessages(second);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], "[MutexID >> ID]" + kOwnName);
  EXPECT_EQ(log[2], "[Mutex >> ]" + LoadResString(kLogAlreadyRunning));
  // The refused call left nothing open: closing the first control's handle ends the mutex.
  first.mutex.reset();
  EXPECT_FALSE(MutexExists(kOwnName));

  EXPECT_TRUE(second.Create());
  second.mutex.reset();
}

// A page's script may call again while the control's own request still runs its preview.
TEST(InstanceMutex, RefusedSecondCallKeepsTheHeldMutexForItsCleanUp) {
  TMutexHolder control;
  ASSERT_TRUE(control.Create());
  HANDLE held = control.mutex.get();
  EXPECT_FALSE(control.Create());
  EXPECT_EQ(control.mutex.get(), held);
  EXPECT_TRUE(MutexExists(kOwnName));
  control.mutex.reset();  // the first request's clean-up
  EXPECT_FALSE(MutexExists(kOwnName));
}

TEST(InstanceMutex, EachBrowserProcessHasItsOwn) {
  TMutexHolder control;
  ASSERT_TRUE(control.Create());
  ProbeAnswer held = RunProbe();
  EXPECT_EQ(held.own, 1);                  // the other process's request runs
  EXPECT_EQ(held.parentMutex, "owned");    // while this process's mutex is held by this request
  EXPECT_NE(held.ownName, kOwnName);
  EXPECT_EQ(held.ownName.rfind("$$VTNS$$_", 0), 0u);

  control.mutex.reset();
  ProbeAnswer released = RunProbe();
  EXPECT_EQ(released.own, 1);
  EXPECT_EQ(released.parentMutex, "none");
}

// The control's request state after creation, its log, and what it releases when it goes.
#include <gtest/gtest.h>

#include "base/Strings.h"
#include "control/VantrelleImpl.h"

using namespace vt;

namespace {

// Opens the request state to the test.
struct TVantrelleProbe : TVantrelle {
  using TVantrelle::frameStartX_;
  using TVantrelle::frameStartY_;
  using TVantrelle::heldMessage_;
  using TVantrelle::instanceMutex_;
  using TVantrelle::protectedMode_;
  using TVantrelle::quitRequested_;
  using TVantrelle::running_;
};

bool AllZero(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i)
    if (bytes[i]) return false;
  return true;
}

}  // namespace

TEST(RequestState, NewControlIsRunningAndNotProtected) {
  TVantrelleProbe control;
  EXPECT_TRUE(control.running_);
  EXPECT_FALSE(control.protectedMode_);
  EXPECT_FALSE(control.quitRequested_);
  EXPECT_FALSE(control.instanceMutex_);
  EXPECT_EQ(control.frameStartX_, 0);
  EXPECT_EQ(control.frameStartY_, 0);
  EXPECT_TRUE(AllZero(&control.heldMessage_, sizeof(control.heldMessage_)));
  EXPECT_EQ(sizeof(control.heldMessage_), 7 * 4u);  // window, message, wParam, lParam, time, cursor x and y
  EXPECT_TRUE(control.RequestLog().Lines().empty());
}

TEST(RequestState, WriteLogAppendsToTheRequestLog) {
  TVantrelle control;
  control.WriteLog("ActiveX::Run", "start");
  control.WriteLog("Mutex >> ", "");
  const std::vector<std::string>& lines = control.RequestLog().Lines();
  ASSERT_EQ(lines.size(), 2u);
  // The time between is the log's own format, checked with the log; the clock may tick here.
  EXPECT_EQ(lines[0].rfind("[ActiveX::Run] >> ", 0), 0u);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 8), " >>start");
  EXPECT_EQ(lines[1].rfind("[Mutex >> ] >> ", 0), 0u);
  EXPECT_EQ(lines[1].substr(lines[1].size() - 3), " >>");
}

TEST(RequestState, ControlClosesTheMutexItStillHolds) {
  const std::string name = Format("vt-test-mutex-%lu", ::GetCurrentProcessId());
  {
    TVantrelleProbe control;
    control.instanceMutex_.reset(::CreateMutexA(nullptr, TRUE, name.c_str()));
    ASSERT_TRUE(control.instanceMutex_);
    Handle seen(::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
    EXPECT_TRUE(seen);
  }
  // The last handle is gone with the control, so is the named mutex.
  Handle after(::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()));
  const DWORD error = ::GetLastError();
  EXPECT_FALSE(after);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

#include "preview/uPagePreviewDisplayThread.h"

#include <string>

#include "base/Boundary.h"
#include "base/Errors.h"
#include "base/ScopeGuard.h"

namespace vt {

TEngineLock::TEngineLock() : mutex_(::CreateMutexW(nullptr, FALSE, nullptr)) {
  if (!mutex_) throw Error("Cannot create a lock: " + SystemErrorText(::GetLastError()));
}

MutexTurn TEngineLock::Acquire(HANDLE giveUp) {
  if (!giveUp)
    return ::WaitForSingleObject(mutex_.get(), INFINITE) != WAIT_FAILED ? MutexTurn(mutex_.get()) : MutexTurn();
  // The stop request first: when both are there, the worker stops.
  const HANDLE waits[] = {giveUp, mutex_.get()};
  const DWORD result = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  // A turn its last holder left unreleased (a thread that ended) is ours as well.
  const bool taken = result == WAIT_OBJECT_0 + 1 || result == WAIT_ABANDONED_0 + 1;
  return taken ? MutexTurn(mutex_.get()) : MutexTurn();
}

TPagePreviewDisplayThread::TPagePreviewDisplayThread(TEngineLock* lock)
    : lock_(lock),
      doneEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      stopEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!doneEvent_ || !stopEvent_) throw Error("Cannot create an event: " + SystemErrorText(::GetLastError()));
}

TPagePreviewDisplayThread::~TPagePreviewDisplayThread() { Stop(); }

void TPagePreviewDisplayThread::Start(IPagePreviewDisplayer* displayer, bool wait) {
  if (!displayer) return;
  thread_.reset(::CreateThread(nullptr, 0, &ThreadProc, this, CREATE_SUSPENDED, nullptr));
  if (!thread_) return;
  displayer_ = displayer;
  ::ResetEvent(stopEvent_.get());
  ::ResumeThread(thread_.get());
  if (wait) ::WaitForSingleObject(doneEvent_.get(), INFINITE);
}

void TPagePreviewDisplayThread::Stop() {
  if (!thread_) return;
  ::SetEvent(stopEvent_.get());
  // The thread's end, not the done event: code of this module runs on after the event, and the
  // module may be unloaded once the worker's owner is gone.
  ::WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
}

bool TPagePreviewDisplayThread::Stopping() const {
  return ::WaitForSingleObject(stopEvent_.get(), 0) == WAIT_OBJECT_0;
}

DWORD WINAPI TPagePreviewDisplayThread::ThreadProc(void* self) {
  return ThreadBoundary("Thumbnail worker failed", [self] { static_cast<TExcutable*>(self)->Execute(); });
}

void TPagePreviewDisplayThread::Execute() {
  // Set however the run ends, or the window would wait for this worker for ever.
  const ScopeGuard done([this] { ::SetEvent(doneEvent_.get()); });
  if (!displayer_) return;
  const int32_t count = displayer_->GetPageCount();
  for (int32_t i = 0; i < count; ++i) {
    if (Stopping()) return;
    MutexTurn turn;
    if (lock_ && !(turn = lock_->Acquire(stopEvent_.get()))) return;
    // A page that fails stays blank; the next one follows.
    const std::string where = "Thumbnail " + std::to_string(i + 1) + " not drawn";
    ThreadBoundary(where.c_str(), [&] { displayer_->DisplayPage(i); });
  }
}

}  // namespace vt

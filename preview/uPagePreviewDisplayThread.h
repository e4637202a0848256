// The one worker thread of the control: it draws the thumbnails of the all-pages preview page after
// page through IPagePreviewDisplayer while the window stays usable, and stops between two pages when
// asked. A new worker object serves each layout of the thumbnails, as its done event is never reset.
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/Handles.h"

namespace vt {

// What the worker draws from: the page count, and the drawing of page index + 1 into its
// thumbnail (called on the worker).
class IPagePreviewDisplayer {
public:
  virtual int32_t GetPageCount() = 0;
  virtual void DisplayPage(int32_t index) = 0;

protected:
  ~IPagePreviewDisplayer() = default;
};

// Turns at drawing through one print engine, for the worker page by page and for the window's
// printing and saving. A worker stops waiting for its turn when it is asked to stop, so that a
// window waiting for its worker never waits on itself.
class TEngineLock {
public:
  TEngineLock();
  // Waits for the turn, held until the result goes; none when `giveUp` (may be null) is set first.
  MutexTurn Acquire(HANDLE giveUp);

private:
  Handle mutex_;
};

// Something run on a thread of its own.
class TExcutable {
public:
  virtual ~TExcutable() = default;
  virtual void Execute() = 0;
};

class TPagePreviewDisplayThread : public TExcutable {
public:
  // `lock` (may be null) is taken around each page.
  explicit TPagePreviewDisplayThread(TEngineLock* lock = nullptr);
  // Stops the worker, then closes the events.
  ~TPagePreviewDisplayThread() override;
  TPagePreviewDisplayThread(const TPagePreviewDisplayThread&) = delete;
  TPagePreviewDisplayThread& operator=(const TPagePreviewDisplayThread&) = delete;

  // Starts the worker on `displayer` (nothing for null, and nothing more when the thread cannot be
  // made); with `wait`, returns when it has ended.
  void Start(IPagePreviewDisplayer* displayer, bool wait);
  // Asks the worker to stop and waits without time limit until its thread has ended: a page being
  // drawn is finished first.
  void Stop();
  // The worker: pages 0 .. n - 1 in order, the stop request tested before each; the done event is
  // set at the end whatever happened. A page whose drawing fails is left as it is and the next one
  // follows.
  void Execute() override;

  HANDLE DoneEvent() const { return doneEvent_.get(); }

private:
  static DWORD WINAPI ThreadProc(void* self);
  bool Stopping() const;

  IPagePreviewDisplayer* displayer_ = nullptr;
  TEngineLock* lock_;
  Handle doneEvent_, stopEvent_;
  Handle thread_;
};

}  // namespace vt

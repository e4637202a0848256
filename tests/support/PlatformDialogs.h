// The platform's own dialogs (print, printer setup) shown for real in a test and pressed with window
// messages from a timer that ticks inside their modal loop.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

namespace vt::test {

// While it lives, each timer tick that finds a platform dialog (#32770) of this thread up and
// enabled runs the next step on it. A dialog still up when the steps are spent is cancelled after a
// while, with a test failure, so that no test waits on a window.
class DialogSteps {
public:
  using Step = std::function<void(HWND dialog)>;
  explicit DialogSteps(std::vector<Step> steps);
  ~DialogSteps();
  DialogSteps(const DialogSteps&) = delete;
  DialogSteps& operator=(const DialogSteps&) = delete;
  bool Finished() const { return next_ == steps_.size(); }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

  static inline DialogSteps* current_ = nullptr;
  std::vector<Step> steps_;
  size_t next_ = 0;
  int ticksLeftOpen_ = 0;
  UINT_PTR timer_ = 0;
};

// Presses a button of a dialog as a click does.
void Press(HWND dialog, int buttonId);

}  // namespace vt::test

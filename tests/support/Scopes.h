// Settings of the process changed for the length of a test.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "base/Dialogs.h"
#include "base/Printer.h"

namespace vt::test {

// Records the message boxes and dialogs shown while it lives and answers them: with OK, or as
// `answer` says (nothing lets the real dialog show).
class DialogRecorder {
public:
  explicit DialogRecorder(DialogHandler answer = nullptr) {
    previous_ = SetDialogHandler([this, answer](const DialogRequest& r) -> std::optional<DialogAnswer> {
      requests.push_back(r);
      return answer ? answer(r) : std::optional<DialogAnswer>(IDOK);
    });
  }
  ~DialogRecorder() { SetDialogHandler(previous_); }
  DialogRecorder(const DialogRecorder&) = delete;
  DialogRecorder& operator=(const DialogRecorder&) = delete;
  std::vector<DialogRequest> requests;
  // The requests of one dialog, by name.
  std::vector<DialogRequest> Named(const std::string& name) const {
    std::vector<DialogRequest> found;
    for (const DialogRequest& r : requests)
      if (r.name == name) found.push_back(r);
    return found;
  }

private:
  DialogHandler previous_;
};

// Chooses a printer by name, then goes back to the default one.
class PrinterChoice {
public:
  explicit PrinterChoice(const std::string& name) { TPrinter::Current().SetName(name); }
  ~PrinterChoice() { TPrinter::Current().SetName(""); }
  PrinterChoice(const PrinterChoice&) = delete;
  PrinterChoice& operator=(const PrinterChoice&) = delete;
};

// No printer answers: a name no queue has.
class NoPrinter : public PrinterChoice {
public:
  NoPrinter() : PrinterChoice("Vantrelle test printer that does not exist") {}
};

}  // namespace vt::test

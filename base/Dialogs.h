// The one road for every message box and modal dialog of the control, so that
// tests (and the demo) can answer them instead of a person.
//
// In-process callers install a handler. Out of process (the control hosted in
// another program), the environment variable VANTRELLE_DIALOG_ANSWERS holds
// "key=answer" pairs separated by ";": the first key found in the dialog's name,
// caption or text (or "*") gives the answer. VANTRELLE_DIALOG_LOG names a file
// to which every request is appended as "name|caption|text=answer".
#pragma once
#include <windows.h>
#include <functional>
#include <optional>
#include <string>

namespace vt {

struct DialogRequest {
  std::string name;     // "MessageBox", "PrintDialog", "SaveDialog", a form's class name...
  std::string caption;
  std::string text;
  UINT flags = 0;       // MessageBox flags, where they apply
};

// Returns the answer, or nothing to let the real dialog show.
using DialogHandler = std::function<std::optional<int>(const DialogRequest&)>;

// Installs a handler for this process; returns the previous one.
DialogHandler SetDialogHandler(DialogHandler handler);

// Asks the handler (or the environment's answers); without an answer runs `show`.
int RunDialog(const DialogRequest& request, const std::function<int()>& show);

// MessageBoxA through the seam.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

}  // namespace vt

// The one road for every message box and modal dialog of the control, so that
// tests (and the demo) can answer them instead of a person.
//
// In-process callers install a handler. Out of process (the control hosted in
// another program), the environment variable VANTRELLE_DIALOG_ANSWERS holds
// "key=answer" pairs separated by ";": the first key found in the dialog's name,
// caption or text (or "*") gives the answer. A key ends at its first "=". An answer
// is the dialog's result (1 OK or Yes, 2 Cancel, 6 Yes, 7 No...) optionally
// followed by the choices made in a common dialog, each after a "|":
//   SaveDialog=1|C:\out\report.pdf|3     file name, filter index (1 BMP, 2 JPG, 3 PDF)
//   PrintDialog=1|pages|3|5               print range (all, selection, pages), from, to
// Choices left out keep what the dialog proposed. VANTRELLE_DIALOG_LOG names a file
// to which every request is appended as "name|caption|text=answer".
#pragma once
#include <windows.h>
#include <functional>
#include <optional>
#include <string>

namespace vt {

// The print ranges of the print dialog (the PRINTDLG flags).
enum TPrintRange : int { prAllPages = 0 /* PD_ALLPAGES */, prSelection = 1 /* PD_SELECTION */,
                         prPageNums = 2 /* PD_PAGENUMS */ };

// What a dialog answers: its result, and for the common dialogs the choices made in them. As a
// proposal (DialogRequest::proposed) it is what the dialog opens with.
struct DialogAnswer {
  DialogAnswer(int result = 0) : result(result) {}  // NOLINT: a plain result is an answer
  int result;
  // Save dialog.
  std::wstring fileName;  // as typed, whatever the code page holds; empty: as proposed
  int filterIndex = 0;   // 1-based; 0: as proposed
  // Print dialog.
  int printRange = -1;   // a TPrintRange; -1: as proposed
  int fromPage = 0, toPage = 0;  // 0: as proposed
  int maxPage = 0;       // proposal only: the highest page the dialog accepts
};

struct DialogRequest {
  std::string name;     // "MessageBox", "PrintDialog", "SaveDialog", a form's class name...
  std::string caption;
  std::string text;
  UINT flags = 0;       // MessageBox flags; PRINTDLG flags for the print dialog
  DialogAnswer proposed{};  // what a common dialog opens with
};

// Returns the answer, or nothing to let the real dialog show.
using DialogHandler = std::function<std::optional<DialogAnswer>(const DialogRequest&)>;

// Installs a handler for this process; returns the previous one.
DialogHandler SetDialogHandler(DialogHandler handler);

// Asks the handler (or the environment's answers); without an answer runs `show`. Choices an
// answer leaves out are taken from the request's proposal.
DialogAnswer AskDialog(const DialogRequest& request, const std::function<DialogAnswer()>& show);
// The same for dialogs that only have a result.
int RunDialog(const DialogRequest& request, const std::function<int()>& show);

// MessageBoxA through the seam.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

}  // namespace vt

// Print and save as both preview windows (the request's preview and the all-pages preview) carry
// them out: the platform's print and save dialogs through the dialog seam, the print loop over a
// list of pages, writing pages or a selection to files with errors shown, the printer test and
// the save test under the browser's protected mode.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Dialogs.h"
#include "page/uPrintEngine.h"

namespace vt {

// What the print dialog offers and starts on.
struct TPrintDialogSetup {
  int32_t maxPage = 1;        // pages 1 .. maxPage; the dialog starts on all of them
  bool pageNumbers = true;    // a page range can be chosen
  bool selection = false;     // "Selection" can be chosen
  TPrintRange range = prAllPages;  // chosen when the dialog opens
};

struct TPrintChoice {
  TPrintRange range = prAllPages;
  int32_t fromPage = 1, toPage = 1;
};

// The platform's print dialog (collate on) through the dialog seam, name "PrintDialog"; the seam's
// proposal holds the setup's range, pages 1 .. maxPage and maxPage. It runs as RunPrinterDialog.
// Nothing when cancelled.
std::optional<TPrintChoice> RunPrintDialog(HWND owner, const TPrintDialogSetup& setup);

// The page numbers a choice names among `pageCount` pages: the selection and all pages are every
// page; a page range is from .. to, kept within 1 .. pageCount.
TPageList PagesOfChoice(const TPrintChoice& choice, int32_t pageCount);

// Prints `pages` (1-based page numbers of the engine, in order) as one job on the current printer,
// named by the printer's title: the print status form (owned by `owner`, which is disabled
// meanwhile) counts the pages; a new sheet starts between pages and none after the last; the job
// ends. A failure (no printer, the printer refuses a step) aborts the job, frees the status form and
// reaches the caller as vt::Error. No pages: no job.
void PrintPages(HWND owner, TPrintEngine& engine, const TPageList& pages);

// The save dialog's filters, index 1 BMP, 2 JPG, 3 PDF.
extern const char* const kSaveFilter;
// ".bmp", ".jpg", ".pdf" for filter index 1, 2, 3; empty for any other.
std::string FilterExtension(int filterIndex);
// The file to write: `typed` as typed when it has an extension (trimmed, not empty), otherwise
// with the filter's extension appended.
std::string SaveFileName(const std::string& typed, int filterIndex);
// A default file name from a site's host: the first "www." removed, then everything from the
// first "." on ("www.example.com" gives "example"); none when that is no plain file name (a
// device, a stream, a path).
std::string DefaultSaveName(const std::string& siteHost);

// The platform's save dialog through the dialog seam, name "SaveDialog" (the proposal holds
// `defaultName` and filter index 1); returns the file to write (SaveFileName), or empty when
// cancelled. Throws vt::Error, naming them, when the name holds characters that the ANSI code page
// cannot hold: no other file is written in its place.
std::string RunSaveDialog(HWND owner, const std::string& defaultName);

// The save command of both previews: the save dialog, then the selection (picture pixels, at
// scale 1, without banners) when one is given, otherwise the listed pages (as
// TPrintEngine::SaveToFile takes them). An error while writing, a file name whose extension names
// none of the three formats, one that names a device, or one the code page cannot hold, is shown in a message box without owner, caption "Vantrelle";
// nothing else is said. True when the files were written.
bool SaveCommand(HWND owner, TPrintEngine& engine, const TPageList& pages, const RECT* selection,
                 const std::string& defaultName);

// Saving from inside the browser on Vista and later with UAC on: under the browser's protected
// mode (string 10028) or an integrity level below medium (string 10029) the message is shown
// through TPrintEngine::ShowMessage owned by `owner`, and the answer is false.
bool SaveAllowed(HWND owner);
// The same with the integrity level read by `readIntegrityLevel` (none when it cannot be read).
bool SaveAllowed(HWND owner, const std::function<std::optional<uint8_t>()>& readIntegrityLevel);

// False, after string 10005 in a message box without owner (caption "Vantrelle", OK and `icon`),
// when no printer answers.
bool CheckPrinter(UINT icon);

// The platform's print or printer setup dialog, as `pd` asks for it, started on the current printer
// and its settings (orientation and paper); on OK the printer, orientation and paper chosen in it
// become the current ones. The blocks the dialog returns are freed. True on OK.
bool RunPrinterDialog(PRINTDLGW& pd);

}  // namespace vt

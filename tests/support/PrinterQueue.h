// The PDF printer of the test machine: where a printed document arrives.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

#include "base/Bitmap.h"

namespace vt::test {

std::string DefaultPrinterName();

// A print job to watch: give the document this name; WaitForFile returns the
// Windows path of the PDF the queue wrote for it (empty after the time-out).
class PrintedPdf {
public:
  explicit PrintedPdf(const std::string& prefix);
  ~PrintedPdf();
  const std::string& documentName() const { return name_; }
  std::string WaitForFile(DWORD timeoutMs = 60000);

private:
  std::string name_;
  std::string found_;
};

// The number of pages of a PDF file as poppler's pdfinfo reads it; -1 when it cannot.
int PdfPages(const std::string& windowsPath);

// The size of each sheet of a PDF file in points as it is shown (a sheet turned by 90 or 270
// degrees with its sides swapped); empty when it cannot be read.
struct PdfSheet {
  double width = 0, height = 0;
};
std::vector<PdfSheet> PdfSheets(const std::string& windowsPath);

// The part `area` of sheet `page` (from 1) of a PDF file drawn at `dpi`; null when it cannot be.
std::unique_ptr<TBitmap> PdfPicture(const std::string& windowsPath, int page, int dpi, const RECT& area);

// The printer's print jobs named for a test for the scope, so that their PDF can be found.
class NamedJob {
public:
  explicit NamedJob(const std::string& prefix);
  ~NamedJob();
  NamedJob(const NamedJob&) = delete;
  NamedJob& operator=(const NamedJob&) = delete;
  // The pages of the PDF printed under the name; -1 when none came.
  int Pages();

  PrintedPdf pdf;
};

}  // namespace vt::test

// The PDF printer of the test machine: where a printed document arrives.
#pragma once
#include <windows.h>
#include <string>

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

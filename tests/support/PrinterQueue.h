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

}  // namespace vt::test

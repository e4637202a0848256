#include "support/PrinterQueue.h"

#include <winspool.h>

#include <cstdlib>

#include "base/Printer.h"
#include "support/UnixTools.h"

namespace vt::test {

std::string DefaultPrinterName() {
  char name[512] = {};
  DWORD size = sizeof(name);
  return ::GetDefaultPrinterA(name, &size) ? std::string(name) : std::string();
}

PrintedPdf::PrintedPdf(const std::string& prefix)
    : name_(prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount())) {}

PrintedPdf::~PrintedPdf() {
  if (!found_.empty()) ::DeleteFileA(found_.c_str());
}

std::string PrintedPdf::WaitForFile(DWORD timeoutMs) {
  const char* out = std::getenv("VANTRELLE_PRINT_OUT");
  if (!out) return {};
  std::string folder = WindowsPath(out);
  DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < timeoutMs) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\" + name_ + "*.pdf").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      ::FindClose(find);
      std::string path = folder + "\\" + data.cFileName;
      // cups-pdf writes the file in place: wait until its size holds still.
      LARGE_INTEGER last{}, now{};
      for (int i = 0; i < 50; ++i) {
        ::Sleep(200);
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        ::GetFileSizeEx(h, &now);
        ::CloseHandle(h);
        if (now.QuadPart > 0 && now.QuadPart == last.QuadPart) break;
        last = now;
      }
      found_ = path;
      return path;
    }
    ::Sleep(200);
  }
  return {};
}

int PdfPages(const std::string& windowsPath) {
  const UnixResult info = RunUnixCommand("pdfinfo " + ShellQuote(UnixPath(windowsPath)));
  return info.exitCode == 0 ? std::atoi(PdfInfoField(info.output, "Pages").c_str()) : -1;
}

NamedJob::NamedJob(const std::string& prefix) : pdf(prefix) { TPrinter::Current().SetTitle(pdf.documentName()); }

NamedJob::~NamedJob() { TPrinter::Current().SetTitle("Vantrelle"); }

int NamedJob::Pages() {
  const std::string path = pdf.WaitForFile();
  return path.empty() ? -1 : PdfPages(path);
}

}  // namespace vt::test

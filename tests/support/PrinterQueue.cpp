#include "support/PrinterQueue.h"

#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "base/Printer.h"
#include "base/Strings.h"
#include "support/TestEnv.h"
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

std::vector<PdfSheet> PdfSheets(const std::string& windowsPath) {
  const UnixResult info = RunUnixCommand("pdfinfo -f 1 -l 100000 " + ShellQuote(UnixPath(windowsPath)));
  std::vector<PdfSheet> sheets;
  if (info.exitCode != 0) return sheets;
  std::istringstream lines(info.output);
  std::string line;
  while (std::getline(lines, line)) {
    int page = 0, rotation = 0;
    PdfSheet sheet;
    if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &page, &sheet.width, &sheet.height) == 3) {
      sheets.push_back(sheet);
    } else if (std::sscanf(line.c_str(), "Page %d rot: %d", &page, &rotation) == 2 && rotation % 180 != 0 &&
               page == static_cast<int>(sheets.size())) {
      std::swap(sheets.back().width, sheets.back().height);
    }
  }
  return sheets;
}

std::unique_ptr<TBitmap> PdfPicture(const std::string& windowsPath, int page, int dpi, const RECT& area) {
  TempDir dir;
  const std::string picture = UnixPath(dir.file("page"));
  const UnixResult drawn = RunUnixCommand(
      Format("pdftoppm -r %d -f %d -l %d -x %ld -y %ld -W %ld -H %ld -singlefile -png ", dpi, page, page, area.left,
             area.top, area.right - area.left, area.bottom - area.top) +
      ShellQuote(UnixPath(windowsPath)) + " " + ShellQuote(picture) + " && convert " + ShellQuote(picture + ".png") +
      " -type TrueColor bmp3:" + ShellQuote(picture + ".bmp"));
  if (drawn.exitCode != 0) return nullptr;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->LoadFromFile(dir.file("page.bmp"));
  return bitmap;
}

NamedJob::NamedJob(const std::string& prefix) : pdf(prefix) { TPrinter::Current().SetTitle(pdf.documentName()); }

NamedJob::~NamedJob() { TPrinter::Current().SetTitle("Vantrelle"); }

int NamedJob::Pages() {
  const std::string path = pdf.WaitForFile();
  return path.empty() ? -1 : PdfPages(path);
}

}  // namespace vt::test

// The test machine's PDF printer queue, as the control's printing will meet it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/PrinterQueue.h"
#include "support/UnixTools.h"

using namespace vt::test;

TEST(PrinterQueue, DefaultPrinterPrintsPagesIntoAPdf) {
  std::string printer = DefaultPrinterName();
  ASSERT_FALSE(printer.empty()) << "no default printer";
  PrintedPdf pdf("vt-queue-check");
  HDC dc = ::CreateDCA(nullptr, printer.c_str(), nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  DOCINFOA doc{sizeof(doc), pdf.documentName().c_str(), nullptr, nullptr, 0};
  ASSERT_GT(::StartDocA(dc, &doc), 0);
  for (int page = 0; page < 3; ++page) {
    ::StartPage(dc);
    ::Rectangle(dc, 100, 100, 1000, 1000);
    ::EndPage(dc);
  }
  ::EndDoc(dc);
  ::DeleteDC(dc);
  std::string path = pdf.WaitForFile();
  ASSERT_FALSE(path.empty()) << "no PDF arrived";
  UnixResult info = RunUnixCommand("pdfinfo " + ShellQuote(UnixPath(path)));
  ASSERT_EQ(info.exitCode, 0) << info.output;
  EXPECT_EQ(PdfInfoField(info.output, "Pages"), "3") << info.output;
}

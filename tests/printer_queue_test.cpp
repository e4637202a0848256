// The test machine's PDF printer queue, as the control's printing meets it through its job owner.
#include <gtest/gtest.h>

#include "base/Handles.h"
#include "base/PrintJob.h"
#include "support/PrinterQueue.h"
#include "support/UnixTools.h"

using namespace vt;
using namespace vt::test;

namespace {
// Prints `pages` pages on a device context of its own, as every print command does.
void PrintJobOf(const std::string& document, int pages, bool finish) {
  DeviceContext dc(::CreateDCA(nullptr, DefaultPrinterName().c_str(), nullptr, nullptr));
  ASSERT_TRUE(dc);
  TPrintJob job(dc.get(), document);
  for (int page = 0; page < pages; ++page) {
    job.StartPage();
    ::Rectangle(dc.get(), 100, 100, 1000, 1000);
    job.EndPage();
  }
  if (finish) job.Finish();
}
}  // namespace

TEST(PrinterQueue, FinishedJobArrivesAsAPdfAndAnAbandonedOneNever) {
  ASSERT_FALSE(DefaultPrinterName().empty()) << "no default printer";
  PrintedPdf abandoned("vt-queue-abandoned");
  PrintJobOf(abandoned.documentName(), 2, false);
  PrintedPdf pdf("vt-queue-check");
  PrintJobOf(pdf.documentName(), 3, true);
  std::string path = pdf.WaitForFile();
  ASSERT_FALSE(path.empty()) << "no PDF arrived";
  UnixResult info = RunUnixCommand("pdfinfo " + ShellQuote(UnixPath(path)));
  ASSERT_EQ(info.exitCode, 0) << info.output;
  EXPECT_EQ(PdfInfoField(info.output, "Pages"), "3") << info.output;
  // The queue prints in order: the abandoned job, sent first, would be there by now.
  EXPECT_EQ(abandoned.WaitForFile(0), "");
}

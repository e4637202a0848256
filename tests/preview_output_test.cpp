// Printing and saving as both preview windows carry them out: the print and save dialogs answered
// through the dialog seam (in process and through the environment), the file name rules, and the
// print loop over a list of pages on the test PDF printer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "base/Printer.h"
#include "preview/uPrintSave.h"
#include "resources/StringIds.h"
#include "support/PrinterQueue.h"
#include "support/Scopes.h"
#include "support/TestPictures.h"
#include "support/UnixTools.h"
#include "support/WindowTesting.h"

using namespace vt;
using namespace vt::test;

namespace {

// The environment's answers for the scope.
class EnvAnswers {
public:
  explicit EnvAnswers(const std::string& answers) { _putenv(("VANTRELLE_DIALOG_ANSWERS=" + answers).c_str()); }
  ~EnvAnswers() { _putenv("VANTRELLE_DIALOG_ANSWERS="); }
};

// An engine laid out over a picture of `height` pixels.
struct LaidOutEngine {
  explicit LaidOutEngine(int height) : picture(WritePicture(builder, {800, height, 256, 256}, Blocks)) {
    engine.FitMode = fitRealSize;
    engine.Layout(picture.get(), nullptr, nullptr, "", true);
  }
  PrivateTempFolder temp;
  TBmpHtmlImageBuilder builder;
  std::unique_ptr<TBmpHtmlImage> picture;
  TVantrelleDocument document;
  TPrintEngine engine{&document};
};

int PdfPages(const std::string& windowsPath) {
  const UnixResult info = RunUnixCommand("pdfinfo " + ShellQuote(UnixPath(windowsPath)));
  return info.exitCode == 0 ? std::atoi(PdfInfoField(info.output, "Pages").c_str()) : -1;
}

}  // namespace

TEST(OutputDialogs, TheEnvironmentAnswersTheCommonDialogsWithTheirChoices) {
  struct Case {
    const char* answers;
    int maxPage;
    std::optional<TPrintChoice> print;  // expected
    std::string saved;                  // expected file from the save dialog proposing "site"
  };
  const Case cases[] = {
      {"PrintDialog=1|pages|3|5;SaveDialog=1|C:\\out\\a=b|2", 9, TPrintChoice{prPageNums, 3, 5}, "C:\\out\\a=b.jpg"},
      {"PrintDialog=1|selection;SaveDialog=1||3", 4, TPrintChoice{prSelection, 1, 4}, "site.pdf"},
      {"*=1", 7, TPrintChoice{prAllPages, 1, 7}, "site.bmp"},
      {"Dialog=2", 7, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    EnvAnswers answers(c.answers);
    const std::optional<TPrintChoice> print = RunPrintDialog(nullptr, {c.maxPage, true, true, prAllPages});
    ASSERT_EQ(print.has_value(), c.print.has_value()) << c.answers;
    if (print) {
      EXPECT_EQ(print->range, c.print->range) << c.answers;
      EXPECT_EQ(print->fromPage, c.print->fromPage) << c.answers;
      EXPECT_EQ(print->toPage, c.print->toPage) << c.answers;
    }
    EXPECT_EQ(RunSaveDialog(nullptr, "site"), c.saved) << c.answers;
  }
}

TEST(OutputDialogs, FileNamesFromTheFilterAndTheSiteHost) {
  const struct { const char* typed; int filter; const char* file; } names[] = {
      {"C:\\out\\page", 2, "C:\\out\\page.jpg"}, {"C:\\out\\page.pdf", 1, "C:\\out\\page.pdf"},
      {"C:\\my.dir\\page", 3, "C:\\my.dir\\page.pdf"}, {"page", 9, "page"}};
  for (const auto& n : names) EXPECT_EQ(SaveFileName(n.typed, n.filter), n.file) << n.typed;
  const struct { const char* host; const char* name; } hosts[] = {
      {"www.example.com", "example"}, {"shop.example.co.kr", "shop"}, {"localhost", "localhost"}, {"", ""}};
  for (const auto& h : hosts) EXPECT_EQ(DefaultSaveName(h.host), h.name) << h.host;
  EXPECT_EQ(PagesOfChoice({prPageNums, 3, 5}, 9), (std::vector<int32_t>{3, 4, 5}));
  EXPECT_EQ(PagesOfChoice({prPageNums, 0, 12}, 2), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(PagesOfChoice({prSelection, 2, 2}, 3), (std::vector<int32_t>{1, 2, 3}));
}

TEST(OutputPrinting, ThePageListPrintsOneSheetPerPageAsOneJob) {
  LaidOutEngine laid(6000);
  ASSERT_GE(laid.engine.GetPageCount(), 5);
  HostWindow owner(40, 40, 300, 200);
  PrintedPdf job("vt-page-list");
  TPrinter::Current().SetTitle(job.documentName());
  PrintPageList(owner.get(), laid.engine, {3, 4, 5});
  TPrinter::Current().SetTitle("Vantrelle");
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));
  const std::string pdf = job.WaitForFile();
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfPages(pdf), 3);
}

TEST(OutputPrinting, AFailureFreesTheStatusFormAndOpensNoJob) {
  LaidOutEngine laid(2000);
  HostWindow owner(40, 40, 300, 200);
  NoPrinter none;
  EXPECT_THROW(PrintPageList(owner.get(), laid.engine, {1}), Error);
  EXPECT_EQ(::FindWindowW(nullptr, L"Printing..."), nullptr);
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));
  DialogRecorder recorder;
  EXPECT_FALSE(CheckPrinter(MB_ICONSTOP));
  ASSERT_EQ(recorder.requests.size(), 1u);
  EXPECT_EQ(recorder.requests[0].text, LoadResString(kMsgNoDefaultPrinter));
  EXPECT_EQ(recorder.requests[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
}

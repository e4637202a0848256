// The print status window: its texts from the string table, its status line set by the print loop
// before each page of a real print job on the test printer, and that the person cannot close or
// cancel it. ctest runs it once more on a Korean system, whose table fills the page numbers in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "base/Strings.h"
#include "preview/frmPrintStatus.h"
#include "preview/uPrintSave.h"
#include "resources/StringIds.h"
#include "support/PreviewFixture.h"
#include "support/PrinterQueue.h"
#include "support/TestPictures.h"
#include "support/WindowTesting.h"

using namespace vt;

namespace {

bool KoreanSystem() { return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_KOREAN; }

// What the status line should read for page `page` of `total` in this system's language.
std::wstring Expected(int page, int total) {
  if (KoreanSystem()) return std::to_wstring(page) + L"/" + std::to_wstring(total) + L" \uD398\uC774\uC9C0 \uC778\uC1C4\uC911";
  if (PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_ENGLISH) return L"Prepare printing..";
  wchar_t text[256];
  std::swprintf(text, 256, LoadResStringW(kTextPrintProgress).c_str(), page, total);
  return text;
}

TEST(PrintStatus, TextsFromTheStringTableOnAnAlwaysOnTopWindowWithoutCommands) {
  test::HostWindow owner(40, 40, 300, 200);
  TfmPrintStatus status(owner.get());
  EXPECT_EQ(status.Caption(), L"Printing...");
  EXPECT_EQ(status.Label1.Text(), LoadResStringW(kTextPrintingPleaseWait));
  EXPECT_EQ(status.lblStatus.Text(), LoadResStringW(kTextPrintProgress));
  EXPECT_EQ(status.btnCancel.Text(), LoadResStringW(kCaptionCancel));
  EXPECT_FALSE(status.btnCancel.Visible());
  EXPECT_EQ(::GetWindow(status.Handle(), GW_OWNER), owner.get());
  const LONG style = ::GetWindowLongW(status.Handle(), GWL_STYLE);
  EXPECT_EQ(style & WS_SYSMENU, 0);
  EXPECT_EQ(style & WS_THICKFRAME, 0);
  EXPECT_NE(::GetWindowLongW(status.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  RECT client;
  ::GetClientRect(status.Handle(), &client);
  EXPECT_EQ(client.right, 426);
  EXPECT_EQ(client.bottom, 106);

  // Neither the close command nor the hidden cancel button ends it.
  status.Show();
  ::SendMessageW(status.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  ::SendMessageW(status.Handle(), WM_CLOSE, 0, 0);
  ::SendMessageW(status.btnCancel.Handle(), BM_CLICK, 0, 0);
  test::PumpMessages(50);
  EXPECT_TRUE(::IsWindow(status.Handle()));
  EXPECT_TRUE(::IsWindowVisible(status.Handle()));
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));  // not modal
}

TEST(PrintStatus, TheStatusLineIsSetBeforeEachPrintedPage) {
  if (const char* language = std::getenv("VANTRELLE_TEST_LANGUAGE"); language && std::string(language) == "Korean") {
    ASSERT_TRUE(KoreanSystem());
  }
  const TPrintEngine sheet(nullptr);
  test::LaidOutEngine laid(2 * sheet.Geometry().PageHeight + sheet.Geometry().PageHeight / 2, sheet.Geometry().PageWidth / 2);
  ASSERT_EQ(laid.engine.GetPageCount(), 3);
  // The status line's label, at its place in the status window, read as each page is drawn.
  std::vector<std::wstring> seen;
  test::WrappedPicture picture(*laid.picture, [&] {
    wchar_t line[256] = L"";
    HWND status = ::FindWindowW(nullptr, L"Printing...");
    HWND label = status ? ::ChildWindowFromPointEx(status, POINT{100, 46}, CWP_ALL) : nullptr;
    if (label && ::IsWindowVisible(status)) ::GetWindowTextW(label, line, 256);
    seen.push_back(line);
  });
  laid.engine.SetImage(&picture);
  test::HostWindow owner(40, 40, 300, 200);
  test::NamedJob job("vt-status");
  PrintPages(owner.get(), laid.engine, {1, 2, 3});
  ASSERT_EQ(seen.size(), 3u);
  for (int page = 1; page <= 3; ++page) EXPECT_EQ(seen[page - 1], Expected(page, 3)) << "page " << page;
  EXPECT_EQ(::FindWindowW(nullptr, L"Printing..."), nullptr);
  EXPECT_EQ(job.Pages(), 3);
}

TEST(PrintStatus, SettingTheProgressLetsTheWindowRepaint) {
  test::HostWindow owner(40, 40, 300, 200);
  TfmPrintStatus status(owner.get());
  status.Show();
  test::PumpMessages(50);
  // Text drawn over the label is painted away by the label's own repaint inside SetProgress.
  HDC dc = ::GetDC(status.lblStatus.Handle());
  RECT r;
  ::GetClientRect(status.lblStatus.Handle(), &r);
  ::FillRect(dc, &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::ReleaseDC(status.lblStatus.Handle(), dc);
  ::InvalidateRect(status.lblStatus.Handle(), nullptr, TRUE);
  status.SetProgress(2, 5);
  EXPECT_EQ(status.lblStatus.Text(), Expected(2, 5));
  auto shot = test::Screenshot(status.lblStatus.Handle());
  int black = 0;
  for (int y = 0; y < shot->Height(); ++y)
    for (int x = 0; x < shot->Width(); ++x) black += shot->Pixel(x, y) == RGB(0, 0, 0);
  EXPECT_LT(black, shot->Width() * shot->Height() / 4);
}

}  // namespace

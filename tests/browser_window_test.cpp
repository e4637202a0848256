// The browser's top-level window: found from the document view, moved and sized for a capture
// and put back, with the stand-in browser's real windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "capture/uBrowserWindow.h"
#include "support/BrowserPage.h"

using namespace vt;
using test::BrowserPage;

namespace {

struct OleEnvironment : ::testing::Environment {
  void SetUp() override { ::OleInitialize(nullptr); }
  void TearDown() override { ::OleUninitialize(); }
};
const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

const char kPage[] = R"(<page width="600" height="400" background="#FFFFFF"/>)";

browser::TBrowserOptions At(int left, int top, int width, int height) {
  browser::TBrowserOptions options;
  options.left = left;
  options.top = top;
  options.viewWidth = width;
  options.viewHeight = height;
  return options;
}

// A top-level window of the system's static class.
HWND CreatePlainWindow(DWORD style, HWND parentOrOwner) {
  return ::CreateWindowExA(0, "STATIC", "", style, 10, 10, 200, 150, parentOrOwner, nullptr, nullptr, nullptr);
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(BrowserTopWindow, FoundFromTheDocumentView) {
  BrowserPage p(kPage);
  HWND frame = GetTopParentWindow(p.View());
  EXPECT_EQ(frame, p.Window().FrameWindow());
  EXPECT_EQ(GetTopParentWindow(frame), frame);  // a window without parent is its own top parent
  HWND notAWindow = reinterpret_cast<HWND>(static_cast<intptr_t>(0x7ff0));
  EXPECT_EQ(GetTopParentWindow(notAWindow), notAWindow);
  EXPECT_EQ(GetTopParentWindow(nullptr), nullptr);
}

// A page in a dialog frame owned by the browser's window: the dialog frame is what shows it.
TEST(BrowserTopWindow, OwnedPopupIsItsOwnTopWindow) {
  HWND owner = CreatePlainWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr);
  HWND popup = CreatePlainWindow(WS_POPUP | WS_VISIBLE, owner);
  HWND view = CreatePlainWindow(WS_CHILD | WS_VISIBLE, popup);
  ASSERT_TRUE(owner && popup && view);
  ASSERT_EQ(::GetParent(popup), owner);  // GetParent answers a popup's owner
  EXPECT_EQ(GetTopParentWindow(view), popup);
  EXPECT_EQ(GetTopParentWindow(popup), popup);
  ::DestroyWindow(owner);  // destroys the owned popup and its child too
}

TEST(BrowserTopWindow, MovedAndSizedForTheCaptureThenPutBack) {
  BrowserPage p(kPage, At(40, 30, 640, 480));
  HWND frame = GetTopParentWindow(p.View());
  RECT saved;
  ASSERT_TRUE(::GetWindowRect(frame, &saved));

  ASSERT_TRUE(MoveIEWindow(0, 0, 900, 700, frame));
  test::PumpMessages(30);
  RECT r, frameClient, viewClient;
  ::GetWindowRect(frame, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 900);
  EXPECT_EQ(r.bottom, 700);
  // The document view follows the frame, and the page sees the new view size.
  ::GetClientRect(frame, &frameClient);
  ::GetClientRect(p.View(), &viewClient);
  EXPECT_TRUE(::EqualRect(&frameClient, &viewClient));
  EXPECT_EQ(test::Get(p.ScrollElement().get(), &IHTMLElement2::get_clientWidth), viewClient.right);
  EXPECT_EQ(test::Get(p.ScrollElement().get(), &IHTMLElement2::get_clientHeight), viewClient.bottom);

  ASSERT_TRUE(MoveIEWindow(saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top, frame));
  test::PumpMessages(30);
  ::GetWindowRect(frame, &r);
  EXPECT_TRUE(::EqualRect(&r, &saved));
  std::vector<std::string> record = p.Record();
  EXPECT_TRUE(HasLine(record, "window 0 0 900 700"));
  EXPECT_TRUE(HasLine(record, Format("window %ld %ld %ld %ld", saved.left, saved.top, saved.right - saved.left,
                                     saved.bottom - saved.top)));
}

TEST(BrowserTopWindow, HandleThatIsNoWindowIsNotMoved) {
  EXPECT_FALSE(MoveIEWindow(0, 0, 100, 100, reinterpret_cast<HWND>(static_cast<intptr_t>(0x7ff0))));
  EXPECT_FALSE(MoveIEWindow(0, 0, 100, 100, nullptr));
  HWND gone = CreatePlainWindow(WS_OVERLAPPEDWINDOW, nullptr);
  ASSERT_TRUE(gone);
  ::DestroyWindow(gone);
  EXPECT_FALSE(MoveIEWindow(0, 0, 100, 100, gone));
}

// Picture buttons driven by real mouse messages: the picture on the screen by state, the events
// the forms see, check buttons and their groups, disabled buttons.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "preview/BtnImage.h"
#include "support/WindowTesting.h"

using namespace vt;
using namespace vt::test;

namespace {

const COLORREF kNormal = RGB(220, 40, 40), kDown = RGB(40, 40, 220), kActive = RGB(40, 200, 40),
               kDisabled = RGB(128, 128, 128), kCorner = RGB(255, 255, 0);

// A solid picture with its own colour in the top-left pixel, so that a flipped or shifted
// picture shows.
std::unique_ptr<TBitmap> Picture(int w, int h, COLORREF color) {
  auto b = std::make_unique<TBitmap>(w, h);
  b->Fill(color);
  b->SetPixel(0, 0, kCorner);
  return b;
}

class ButtonTest : public ::testing::Test {
protected:
  // Pictures of four sizes: the button takes the size of the one it shows where it should.
  std::unique_ptr<TBtnImage> Button(int left, bool withActive = true, bool withDisabled = false) {
    auto b = std::make_unique<TBtnImage>(host_.get(), left, 20, 30, 30);
    b->SetNormalStateImage(*Picture(40, 20, kNormal));
    b->SetDownStateImage(*Picture(42, 22, kDown));
    if (withActive) b->SetActiveStateImage(*Picture(44, 24, kActive));
    if (withDisabled) b->SetDisableStateImage(*Picture(40, 20, kDisabled));
    b->OnMouseUp = [this](TWindow& sender, TMouseButton button, UINT, int x, int y) {
      auto& btn = static_cast<TBtnImage&>(sender);
      events_.push_back(Format("up %d %d,%d down=%d state=%d", button, x, y, btn.Down(), btn.State()));
    };
    b->OnMouseDown = [this](TWindow&, TMouseButton button, UINT, int x, int y) {
      events_.push_back(Format("down %d %d,%d", button, x, y));
    };
    b->OnClick = [this](TWindow&) { events_.push_back("click"); };
    return b;
  }

  // The picture the button shows on the screen: its colour over the picture's size, the corner
  // marker at the top-left.
  static std::string Shows(const TBtnImage& b, COLORREF color, int w, int h) {
    auto shot = Screenshot(b.Handle());
    if (shot->Width() < w || shot->Height() < h)
      return Format("button is %d x %d, picture %d x %d", shot->Width(), shot->Height(), w, h);
    return FirstMismatch(*shot, 0, 0, w, h, [&](int x, int y) { return x == 0 && y == 0 ? kCorner : color; });
  }

  static void Press(const TBtnImage& b, int x, int y) { PostMouse(b.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, x, y); }
  static void Release(const TBtnImage& b, int x, int y) { PostMouse(b.Handle(), WM_LBUTTONUP, 0, x, y); }

  // Moves the real cursor to a point of the host and lets the system's mouse messages come.
  void MoveCursor(int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(host_.get(), &p);
    ::SetCursorPos(p.x, p.y);
    PumpMessages(100);
  }

  HostWindow host_{80, 80, 400, 200};
  std::vector<std::string> events_;
};

TEST_F(ButtonTest, PushButtonShowsThePressedPictureUntilTheRelease) {
  auto b = Button(10);
  EXPECT_EQ(b->State(), bsNormal);
  EXPECT_EQ(b->Width(), 30);  // setting a picture does not resize
  EXPECT_EQ(Shows(*b, kNormal, 30, 20), "");

  Press(*b, 5, 5);
  EXPECT_EQ(b->State(), bsDown);
  EXPECT_EQ(b->Width(), 42);
  EXPECT_EQ(b->Height(), 22);
  EXPECT_EQ(Shows(*b, kDown, 42, 22), "");
  EXPECT_EQ(::GetCapture(), b->Handle());

  Release(*b, 5, 5);
  EXPECT_EQ(b->State(), bsNormal);  // also with the mouse still over it
  EXPECT_EQ(b->Width(), 40);
  EXPECT_EQ(b->Height(), 20);
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
  EXPECT_EQ(::GetCapture(), nullptr);
  // The handler sees the picture state of before the release; the click comes last.
  EXPECT_EQ(events_, (std::vector<std::string>{"down 0 5,5", "up 0 5,5 down=0 state=1", "click"}));
}

TEST_F(ButtonTest, OnlyALeftReleaseInsideClicks) {
  auto b = Button(10);
  // Released beside, above and on the far edges: the mouse stays with the button while held.
  for (auto p : {std::pair{-1, 5}, std::pair{5, -3}, std::pair{42, 5}, std::pair{5, 22}, std::pair{300, 90}}) {
    Press(*b, 5, 5);
    Release(*b, p.first, p.second);
    EXPECT_EQ(b->State(), bsNormal);
    EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
  }
  for (const auto& e : events_) EXPECT_NE(e, "click");
  EXPECT_EQ(events_.back(), "up 0 300,90 down=0 state=1");  // the form decides with the release point

  // The last pixel inside still counts.
  events_.clear();
  Press(*b, 0, 0);
  Release(*b, 41, 21);
  EXPECT_EQ(events_.back(), "click");

  // The right button changes no picture and clicks nothing.
  events_.clear();
  PostMouse(b->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, 5, 5);
  EXPECT_EQ(b->State(), bsNormal);
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
  PostMouse(b->Handle(), WM_RBUTTONUP, 0, 5, 5);
  EXPECT_EQ(events_, (std::vector<std::string>{"down 1 5,5", "up 1 5,5 down=0 state=0"}));

  // A release without a press on the button is no click either.
  events_.clear();
  Release(*b, 5, 5);
  EXPECT_EQ(events_, (std::vector<std::string>{"up 0 5,5 down=0 state=0"}));
}

TEST_F(ButtonTest, RealMouseHoverAndClick) {
  auto b = Button(10);
  auto plain = Button(200, false);
  MoveCursor(20, 30);
  ASSERT_TRUE(PumpUntil([&] { return b->State() == bsActive; }, 2000));
  EXPECT_EQ(b->Width(), 44);
  EXPECT_EQ(Shows(*b, kActive, 44, 24), "");

  MoveCursor(150, 150);
  ASSERT_TRUE(PumpUntil([&] { return b->State() == bsNormal; }, 2000));
  EXPECT_EQ(b->Width(), 40);
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");

  // Without a hover picture the normal one stays.
  MoveCursor(210, 30);
  PumpMessages(100);
  EXPECT_EQ(plain->State(), bsNormal);
  EXPECT_EQ(Shows(*plain, kNormal, 30, 20), "");

  // A click of the real mouse.
  MoveCursor(20, 30);
  INPUT input[2]{};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  events_.clear();
  ASSERT_EQ(::SendInput(2, input, sizeof(INPUT)), 2u);
  ASSERT_TRUE(PumpUntil([&] { return !events_.empty() && events_.back() == "click"; }, 2000));
  EXPECT_EQ(events_.front(), "down 0 10,10");
  MoveCursor(150, 150);
}

TEST_F(ButtonTest, CheckButtonTogglesOnAReleaseInside) {
  auto b = Button(10);
  b->SetStyle(bsCheck);
  Press(*b, 5, 5);
  EXPECT_EQ(b->State(), bsDown);
  EXPECT_EQ(Shows(*b, kDown, 42, 22), "");
  Release(*b, 5, 5);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(b->State(), bsDown);
  EXPECT_EQ(Shows(*b, kDown, 42, 22), "");

  Press(*b, 5, 5);
  Release(*b, 5, 5);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->State(), bsNormal);
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
  // Each handler read Down as it was before its release.
  EXPECT_EQ(events_, (std::vector<std::string>{"down 0 5,5", "up 0 5,5 down=0 state=1", "click", "down 0 5,5",
                                               "up 0 5,5 down=1 state=1", "click"}));
}

TEST_F(ButtonTest, CheckButtonReleasedOutsideEndsUp) {
  auto b = Button(10);
  b->SetStyle(bsCheck);
  // Up before: the pressed picture goes again.
  Press(*b, 5, 5);
  Release(*b, 60, 5);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(b->State(), bsNormal);
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
  // Down before: up as well.
  b->SetDown(true);
  Press(*b, 5, 5);
  Release(*b, -10, -10);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
}

TEST_F(ButtonTest, CheckButtonHasNoHover) {
  auto b = Button(10);
  b->SetStyle(bsCheck);
  b->SetDown(true);
  MoveCursor(20, 30);
  MoveCursor(150, 150);
  MoveCursor(20, 30);
  EXPECT_EQ(b->State(), bsDown);
  EXPECT_EQ(Shows(*b, kDown, 42, 22), "");
  b->SetDown(false);
  MoveCursor(25, 30);
  EXPECT_EQ(b->State(), bsNormal);
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
  MoveCursor(150, 150);
}

TEST_F(ButtonTest, CheckButtonWithoutPressedPictureKeepsItsPicture) {
  auto b = std::make_unique<TBtnImage>(host_.get(), 10, 20, 40, 20);
  b->SetStyle(bsCheck);
  b->SetNormalStateImage(*Picture(40, 20, kNormal));
  Press(*b, 5, 5);
  Release(*b, 5, 5);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(b->Width(), 40);
  EXPECT_EQ(b->Height(), 20);
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
}

TEST_F(ButtonTest, OneButtonOfAGroupIsDown) {
  std::vector<std::unique_ptr<TBtnImage>> buttons;
  const int groups[] = {1, 1, 1, 2, 0, 0};
  for (int i = 0; i < 6; ++i) {
    buttons.push_back(Button(10 + 60 * i));
    buttons.back()->SetStyle(bsCheck);
    buttons.back()->SetGroupIndex(groups[i]);
  }
  auto downs = [&] {
    std::string s;
    for (auto& b : buttons) s += b->Down() ? '1' : '0';
    return s;
  };
  buttons[3]->SetDown(true);
  buttons[4]->SetDown(true);
  buttons[0]->SetDown(true);
  EXPECT_EQ(downs(), "100110");
  Press(*buttons[1], 5, 5);
  Release(*buttons[1], 5, 5);
  EXPECT_EQ(downs(), "010110");
  EXPECT_EQ(Shows(*buttons[0], kNormal, 40, 20), "");
  EXPECT_EQ(Shows(*buttons[1], kDown, 42, 22), "");
  // Group 0 is no group.
  buttons[5]->SetDown(true);
  EXPECT_EQ(downs(), "010111");
  buttons[2]->SetDown(true);
  EXPECT_EQ(downs(), "001111");
  // Same group under another parent: not in the group.
  HostWindow other(80, 300, 200, 80);
  TBtnImage stranger(other.get(), 0, 0, 10, 10);
  stranger.SetStyle(bsCheck);
  stranger.SetGroupIndex(1);
  stranger.SetDown(true);
  EXPECT_EQ(downs(), "001111");
}

TEST_F(ButtonTest, DisabledButtonShowsItsDisabledPictureAndIgnoresTheMouse) {
  auto plain = Button(10);
  auto grey = Button(200, true, true);
  plain->SetEnabled(false);
  grey->SetEnabled(false);
  EXPECT_EQ(Shows(*plain, kNormal, 30, 20), "");
  EXPECT_EQ(Shows(*grey, kDisabled, 30, 20), "");

  Press(*grey, 5, 5);
  Release(*grey, 5, 5);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(grey->State(), bsNormal);
  EXPECT_EQ(Shows(*grey, kDisabled, 30, 20), "");

  grey->SetEnabled(true);
  EXPECT_EQ(grey->State(), bsNormal);
  EXPECT_EQ(Shows(*grey, kNormal, 30, 20), "");
  plain->SetEnabled(true);
  EXPECT_EQ(Shows(*plain, kNormal, 30, 20), "");

  // Pictures given while disabled: an empty disabled picture shows the normal one.
  plain->SetEnabled(false);
  plain->SetDisableStateImage(*Picture(40, 20, kDisabled));
  EXPECT_EQ(Shows(*plain, kDisabled, 30, 20), "");
  plain->SetDisableStateImage(TBitmap());
  EXPECT_EQ(Shows(*plain, kNormal, 30, 20), "");

  // A check button that is down comes back down.
  grey->SetStyle(bsCheck);
  grey->SetDown(true);
  grey->SetEnabled(false);
  EXPECT_EQ(Shows(*grey, kDisabled, 40, 20), "");
  grey->SetEnabled(true);
  EXPECT_TRUE(grey->Down());
  EXPECT_EQ(grey->State(), bsDown);
  EXPECT_EQ(Shows(*grey, kDown, 42, 22), "");
}

TEST_F(ButtonTest, NewPicturesShowInTheirStateOnly) {
  auto b = Button(10);
  b->SetNormalStateImage(*Picture(40, 20, RGB(1, 2, 3)));
  EXPECT_EQ(Shows(*b, RGB(1, 2, 3), 30, 20), "");
  b->SetDownStateImage(*Picture(42, 22, RGB(4, 5, 6)));  // not pressed: not shown
  EXPECT_EQ(Shows(*b, RGB(1, 2, 3), 30, 20), "");
  b->SetNormalStateImage(TBitmap());  // an empty picture is not shown
  EXPECT_EQ(Shows(*b, RGB(1, 2, 3), 30, 20), "");
  Press(*b, 5, 5);
  b->SetDownStateImage(*Picture(42, 22, RGB(7, 8, 9)));
  EXPECT_EQ(Shows(*b, RGB(7, 8, 9), 42, 22), "");
  Release(*b, 5, 5);
  // Without a normal picture the button keeps showing the pressed one.
  EXPECT_EQ(b->State(), bsNormal);
  EXPECT_EQ(Shows(*b, RGB(7, 8, 9), 42, 22), "");
}

TEST_F(ButtonTest, LosingTheMouseWhilePressedReturnsToNormal) {
  auto b = Button(10);
  Press(*b, 5, 5);
  ASSERT_EQ(b->State(), bsDown);
  HWND thief = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 300, 0, 10, 10, host_.get(), nullptr,
                                 nullptr, nullptr);
  ::SetCapture(thief);
  PumpPending();
  EXPECT_EQ(b->State(), bsNormal);
  EXPECT_EQ(Shows(*b, kNormal, 40, 20), "");
  ::ReleaseCapture();
  // The release that follows elsewhere is no click.
  Release(*b, 5, 5);
  for (const auto& e : events_) EXPECT_NE(e, "click");
  ::DestroyWindow(thief);
}

TEST_F(ButtonTest, PrintsIntoAnyDeviceContext) {
  auto b = Button(10);
  TBitmap picture(30, 30);
  ::SendMessageW(b->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.Canvas()), PRF_CLIENT);
  EXPECT_EQ(FirstMismatch(picture, 0, 0, 30, 20, [](int x, int y) { return x + y == 0 ? kCorner : kNormal; }), "");
  // Below the picture: the face colour of buttons.
  EXPECT_EQ(FirstMismatch(picture, 0, 20, 30, 10, [](int, int) { return ::GetSysColor(COLOR_BTNFACE); }), "");
}

TEST_F(ButtonTest, FoundBehindItsWindow) {
  auto b = Button(10);
  EXPECT_EQ(b->Left(), 10);
  EXPECT_EQ(b->Top(), 20);
  EXPECT_EQ(TWindow::FromHandle(b->Handle()), b.get());
  EXPECT_EQ(TWindow::FromHandle(host_.get()), nullptr);
  EXPECT_EQ(TWindow::FromHandle(nullptr), nullptr);
  HWND wnd = b->Handle();
  b.reset();
  EXPECT_FALSE(::IsWindow(wnd));
}

}  // namespace

// The preview's rulers and the page breaks edited with the mouse: marks at each zoom, the guide
// line that follows the mouse over a ruler, breaks added from the ruler's menu, dragged (alone or
// with the breaks beyond), dropped off the picture, deleted from their menu, and the document's
// pages following each edit.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Dialogs.h"
#include "base/Handles.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "preview/frmPreviewForm.h"
#include "support/PreviewFixture.h"
#include "support/TestPictures.h"
#include "support/UnixTools.h"
#include "support/WindowTesting.h"

using namespace vt;
using namespace vt::test;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kSilver = RGB(192, 192, 192);

// Answers the rulers' pop-up menus with `answer` (1 picks the item, 0 dismisses) and records them.
class MenuAnswers {
public:
  explicit MenuAnswers(int answer) {
    previous_ = SetDialogHandler([this, answer](const DialogRequest& r) -> std::optional<int> {
      if (r.name == "TfmPreviewForm") return std::nullopt;
      requests.push_back(r);
      return answer;
    });
  }
  ~MenuAnswers() { SetDialogHandler(previous_); }
  std::vector<DialogRequest> requests;

private:
  DialogHandler previous_;
};

std::vector<int32_t> Verts(TVantrelleDocument& doc) {
  std::vector<int32_t> v;
  for (int32_t i = 0; i < doc.GetVertCount(); ++i) v.push_back(doc.GetVert(i));
  return v;
}
std::vector<int32_t> Horzs(TVantrelleDocument& doc) {
  std::vector<int32_t> v;
  for (int32_t i = 0; i < doc.GetHorzCount(); ++i) v.push_back(doc.GetHorz(i));
  return v;
}

class PreviewRulers : public PreviewFixture {
protected:
  void Open(int width, int height) { PreviewFixture::Open(width, height, [](int, int) { return kWhite; }); }
  // Gives the document these breaks and brings the window in step.
  void SetBreaks(const std::vector<int32_t>& verts, const std::vector<int32_t>& horzs, int zoomIndex = 0) {
    TVantrelleDocument& doc = form_->Document();
    doc.Clear();
    for (int32_t x : verts) doc.AddVert(x);
    for (int32_t y : horzs) doc.AddHorz(y);
    form_->SelectZoomIndex(zoomIndex);
    PumpMessages(20);
  }
  // The cursor goes back to the screen's corner, away from the next test's windows: over a ruler
  // it would show a guide line there.
  void TearDown() override {
    ::SetCursorPos(0, 0);
    PreviewFixture::TearDown();
  }

  HWND Top() { return form_->BreakEditor().TopRuler().Handle(); }
  HWND Left() { return form_->BreakEditor().LeftRuler().Handle(); }
  // A mouse message on the middle of a ruler's thickness, at a view position along it.
  void OnRuler(bool top, UINT msg, WPARAM keys, int pos) {
    HWND ruler = top ? Top() : Left();
    POINT client = form_->FromView(ruler, POINT{pos, pos});
    if (top) client.y = 8; else client.x = 8;
    POINT screen = client;
    ::ClientToScreen(ruler, &screen);
    ::SetCursorPos(screen.x, screen.y);
    PostMouse(ruler, msg, keys, client.x, client.y);
  }
  // Presses a break on a ruler at `from`, drags it to `to` and lets it go there.
  void DragOnRuler(bool top, int from, int to, WPARAM extraKeys = 0) {
    OnRuler(top, WM_LBUTTONDOWN, MK_LBUTTON | extraKeys, from);
    OnRuler(top, WM_MOUSEMOVE, MK_LBUTTON | extraKeys, (from + to) / 2);
    OnRuler(top, WM_MOUSEMOVE, MK_LBUTTON | extraKeys, to);
    OnRuler(top, WM_LBUTTONUP, extraKeys, to);
    PumpMessages(20);
  }
  // Colours of a ruler along its length at its middle, in view positions [from, from + n).
  std::vector<COLORREF> RulerRow(bool top, int from, int n) {
    HWND ruler = top ? Top() : Left();
    ::UpdateWindow(ruler);
    const POINT at = form_->FromView(ruler, POINT{from, from});
    HDC dc = ::GetDC(ruler);
    std::vector<COLORREF> row;
    for (int k = 0; k < n; ++k) row.push_back(top ? ::GetPixel(dc, at.x + k, 8) : ::GetPixel(dc, 8, at.y + k));
    ::ReleaseDC(ruler, dc);
    return row;
  }
  // How many pixels of the view's column x (or row y), over its first 200 pixels, have `color`.
  int CountInView(bool column, int pos, COLORREF color) {
    HWND box = form_->ImgBox().Handle();
    ::UpdateWindow(form_->Scroller().Handle());
    ::UpdateWindow(box);
    HDC dc = ::GetDC(box);
    int n = 0;
    for (int k = 0; k < 200; ++k) {
      const POINT p = form_->FromView(box, column ? POINT{pos, k} : POINT{k, pos});
      n += ::GetPixel(dc, p.x, p.y) == color;
    }
    ::ReleaseDC(box, dc);
    return n;
  }
};

TEST_F(PreviewRulers, MarkEveryBreakAtTheZoomAndNoneWithoutBreaks) {
  Open(1000, 2600);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  ASSERT_NE(face, kSilver);
  for (int zoomIndex : {0, 2}) {
    SetBreaks({301, 600}, {101, 250}, zoomIndex);
    for (bool top : {true, false}) {
      for (int32_t doc : top ? std::vector<int32_t>{301, 600} : std::vector<int32_t>{101, 250}) {
        const int at = top ? form_->DocToScreenX(doc) : form_->DocToScreenY(doc);
        const std::vector<COLORREF> row = RulerRow(top, at - 2, 7);
        EXPECT_EQ(row, (std::vector<COLORREF>{kSilver, kSilver, face, face, face, kSilver, kSilver}))
            << "zoom index " << zoomIndex << (top ? " x " : " y ") << doc;
      }
    }
  }
  // Half of 301 is 150.5: drawn at 150.
  EXPECT_EQ(form_->DocToScreenX(301), 150);
  EXPECT_EQ(RulerRow(true, 150, 1)[0], face);

  SetBreaks({}, {});
  EXPECT_EQ(form_->Document().GetPageCount(), 1);
  for (bool top : {true, false})
    for (COLORREF c : RulerRow(top, 0, 300)) ASSERT_EQ(c, kSilver);
}

TEST_F(PreviewRulers, TheRulersSpanThePictureAndNoMore) {
  Open(1000, 1000);
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  auto all = [](const std::vector<COLORREF>& row, COLORREF c) {
    return std::count(row.begin(), row.end(), c) == static_cast<int>(row.size());
  };
  // At 10 % the picture is 100 view pixels square, centred in the scroll box: the rulers are silver
  // along it, one pixel in from their outer edge, and plain before and after it; so in the page view.
  for (TViewMode mode : {vmCaptureView, vmPageView}) {
    form_->SetViewMode(mode);
    SetBreaks({}, {}, 4);
    for (bool top : {true, false}) {
      SCOPED_TRACE(std::string(mode == vmPageView ? "page view, " : "capture view, ") + (top ? "top" : "left"));
      EXPECT_TRUE(all(RulerRow(top, -10, 10), face));
      EXPECT_TRUE(all(RulerRow(top, 0, 100), kSilver));
      EXPECT_TRUE(all(RulerRow(top, 100, 10), face));
      HWND ruler = top ? Top() : Left();
      const POINT middle = form_->FromView(ruler, POINT{50, 50});
      HDC dc = ::GetDC(ruler);
      EXPECT_EQ(::GetPixel(dc, top ? middle.x : 0, top ? 0 : middle.y), face) << "the outer edge";
      EXPECT_EQ(::GetPixel(dc, top ? middle.x : 1, top ? 1 : middle.y), kSilver);
      ::ReleaseDC(ruler, dc);
    }
  }
}

TEST_F(PreviewRulers, TheGuideLineFollowsTheMouseOverARulerAndGoesWhenItLeaves) {
  Open(1000, 2600);
  SetBreaks({600}, {});
  OnRuler(true, WM_MOUSEMOVE, 0, 300);
  EXPECT_EQ(form_->BreakEditor().GuideX(), 300);
  EXPECT_GT(CountInView(true, 300, kBlue), 50);
  EXPECT_EQ(CountInView(true, 299, kBlue), 0);
  OnRuler(true, WM_MOUSEMOVE, 0, 320);
  EXPECT_EQ(form_->BreakEditor().GuideX(), 320);
  EXPECT_EQ(CountInView(true, 300, kBlue), 0) << "the old place is repainted";
  // Over a break's mark there is no guide: the break is taken there instead.
  OnRuler(true, WM_MOUSEMOVE, 0, 601);
  EXPECT_EQ(form_->BreakEditor().GuideX(), -1);
  OnRuler(false, WM_MOUSEMOVE, 0, 120);
  EXPECT_EQ(form_->BreakEditor().GuideY(), 120);
  EXPECT_GT(CountInView(false, 120, kBlue), 50);
  // Off the ruler (here: below the top ruler's strip) the guide goes and the mouse is free.
  PostMouse(Left(), WM_MOUSEMOVE, 0, 30, 100);
  EXPECT_EQ(form_->BreakEditor().GuideY(), -1);
  EXPECT_NE(::GetCapture(), Left());
  EXPECT_EQ(CountInView(false, 120, kBlue), 0);
  // Past the picture's end on the ruler there is nothing to add a break to.
  SetBreaks({}, {}, 4);  // 10 %: the picture is 100 pixels wide
  OnRuler(true, WM_MOUSEMOVE, 0, 150);
  EXPECT_EQ(form_->BreakEditor().GuideX(), -1);
}

TEST_F(PreviewRulers, TheRulerMenuAddsABreakAtTheGuideLine) {
  Open(1000, 2600);
  SetBreaks({}, {});
  {
    MenuAnswers menu(0);  // dismissed
    OnRuler(true, WM_MOUSEMOVE, 0, 300);
    OnRuler(true, WM_RBUTTONDOWN, MK_RBUTTON, 300);
    OnRuler(true, WM_RBUTTONUP, 0, 300);
    ASSERT_EQ(menu.requests.size(), 1u);
    EXPECT_EQ(menu.requests[0].name, "TopwhitePopupMenu");
    EXPECT_EQ(menu.requests[0].text, "Add Delimiter");
    EXPECT_EQ(form_->Document().GetVertCount(), 0);
  }
  MenuAnswers menu(1);
  OnRuler(true, WM_MOUSEMOVE, 0, 300);
  OnRuler(true, WM_RBUTTONDOWN, MK_RBUTTON, 300);
  OnRuler(true, WM_RBUTTONUP, 0, 300);
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{300});
  EXPECT_EQ(form_->BreakEditor().GuideX(), -1);
  EXPECT_EQ(form_->Document().GetPageCount(), 2);
  EXPECT_GT(CountInView(true, 300, kRed), 50);
  EXPECT_EQ(RulerRow(true, 300, 1)[0], ::GetSysColor(COLOR_BTNFACE));

  OnRuler(false, WM_MOUSEMOVE, 0, 150);
  OnRuler(false, WM_RBUTTONDOWN, MK_RBUTTON, 150);
  OnRuler(false, WM_RBUTTONUP, 0, 150);
  EXPECT_EQ(menu.requests.back().name, "LeftwhitePopupMenu");
  EXPECT_EQ(Horzs(form_->Document()), std::vector<int32_t>{150});
  EXPECT_EQ(form_->Document().GetPageCount(), 4);
  EXPECT_GT(CountInView(false, 150, kRed), 50);

  // At 50 % view x 151 is capture x 302.
  SetBreaks({}, {}, 2);
  OnRuler(true, WM_MOUSEMOVE, 0, 151);
  OnRuler(true, WM_RBUTTONDOWN, MK_RBUTTON, 151);
  OnRuler(true, WM_RBUTTONUP, 0, 151);
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{302});
}

// The pop-up menu shown on the screen, or none.
HWND VisibleMenu() {
  const auto menuClass = reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(32768));  // the system's menu windows
  for (HWND menu = nullptr; (menu = ::FindWindowExW(nullptr, menu, menuClass, nullptr));)
    if (::IsWindowVisible(menu)) return menu;
  return nullptr;
}

std::string XPoint(POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

// A person at the real menu: the mouse goes from `from` over to the menu's item, leaving the ruler
// on its way, and clicks the item once the ruler has seen it leave (`left` set).
void ClickMenuItem(POINT from, HANDLE left) {
  HWND menu = nullptr;
  for (int i = 0; i < 500 && !(menu = VisibleMenu()); ++i) ::Sleep(10);
  if (!menu) return;
  RECT item{};
  ::GetWindowRect(menu, &item);
  const POINT to{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  std::string path;
  for (int step = 1; step <= 5; ++step)
    path += " mousemove " + XPoint(POINT{from.x + (to.x - from.x) * step / 5, from.y + (to.y - from.y) * step / 5}) +
            " sleep 0.02";
  XMouse(path);
  ::WaitForSingleObject(left, 5000);
  XMouse("click 1");
}

TEST_F(PreviewRulers, TheRealMenuClickedWithTheMouseAddsTheBreakWhereItOpened) {
  Open(1000, 2600);
  for (bool top : {true, false}) {
    SCOPED_TRACE(top ? "top ruler" : "left ruler");
    SetBreaks({}, {});
    TRuler& ruler = top ? form_->BreakEditor().TopRuler() : form_->BreakEditor().LeftRuler();
    const Handle left(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const std::function<void()> leave = ruler.OnLeave;
    ruler.OnLeave = [&] {
      ::SetEvent(left.get());
      leave();
    };
    const ScopeGuard restore([&] { ruler.OnLeave = leave; });
    POINT at = form_->FromView(ruler.Handle(), POINT{300, 300});
    (top ? at.y : at.x) = 8;
    ::ClientToScreen(ruler.Handle(), &at);
    auto guide = [&] { return top ? form_->BreakEditor().GuideX() : form_->BreakEditor().GuideY(); };
    ASSERT_TRUE(XMouse("mousemove " + XPoint(at)));
    ASSERT_TRUE(PumpUntil([&] { return guide() == 300; }, 5000));

    std::atomic<bool> clicked{false};
    std::thread person([&] {
      ClickMenuItem(at, left.get());
      clicked = true;
    });
    // The menu opens on the release and holds this thread until its item is clicked.
    XMouse("click 3");
    PumpUntil([&] { return clicked.load(); }, 30000);
    person.join();
    PumpMessages(50);
    EXPECT_EQ(::WaitForSingleObject(left.get(), 0), WAIT_OBJECT_0) << "the mouse left the ruler";
    EXPECT_EQ(VisibleMenu(), nullptr);
    EXPECT_EQ(top ? Verts(form_->Document()) : Horzs(form_->Document()), std::vector<int32_t>{300});
    EXPECT_EQ(form_->Document().GetPageCount(), 2);
    EXPECT_EQ(guide(), -1);
  }
}

TEST_F(PreviewRulers, DraggingABreakMovesItAndWithCtrlTheBreaksBeyond) {
  Open(1000, 2600);
  SetBreaks({300, 600, 800}, {});
  OnRuler(true, WM_LBUTTONDOWN, MK_LBUTTON, 301);
  OnRuler(true, WM_MOUSEMOVE, MK_LBUTTON, 450);
  EXPECT_TRUE(form_->BreakEditor().Dragging());
  // The dragged break shows where the mouse is, on the ruler and over the picture.
  EXPECT_GT(CountInView(true, 450, kRed), 50);
  EXPECT_EQ(CountInView(true, 300, kRed), 0);
  EXPECT_EQ(RulerRow(true, 450, 1)[0], ::GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Verts(form_->Document()), (std::vector<int32_t>{300, 600, 800})) << "not before the drop";
  OnRuler(true, WM_LBUTTONUP, 0, 450);
  EXPECT_FALSE(form_->BreakEditor().Dragging());
  EXPECT_EQ(Verts(form_->Document()), (std::vector<int32_t>{450, 600, 800}));

  // Past its neighbour without Ctrl: the neighbour goes.
  DragOnRuler(true, 450, 700);
  EXPECT_EQ(Verts(form_->Document()), (std::vector<int32_t>{700, 800}));
  EXPECT_EQ(CountInView(true, 600, kRed), 0);
  EXPECT_EQ(form_->Document().GetPageCount(), 3);

  // With Ctrl the breaks beyond move by the same distance.
  SetBreaks({300, 600, 800}, {});
  DragOnRuler(true, 300, 400, MK_CONTROL);
  EXPECT_EQ(Verts(form_->Document()), (std::vector<int32_t>{400, 700, 900}));

  // The left ruler moves the horizontal breaks the same way.
  SetBreaks({}, {100, 200, 300});
  DragOnRuler(false, 100, 250);
  EXPECT_EQ(Horzs(form_->Document()), (std::vector<int32_t>{250, 300}));
  DragOnRuler(false, 250, 260, MK_CONTROL);
  EXPECT_EQ(Horzs(form_->Document()), (std::vector<int32_t>{260, 310}));

  // At 50 % a drop at view x 151 lands at capture x 302.
  SetBreaks({301}, {}, 2);
  DragOnRuler(true, 150, 151);
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{302});
}

TEST_F(PreviewRulers, TheBreakLinesOverThePictureDragToo) {
  Open(1000, 2600);
  SetBreaks({300}, {200});
  HWND box = form_->ImgBox().Handle();
  Mouse(box, WM_LBUTTONDOWN, MK_LBUTTON, 301, 50);
  Mouse(box, WM_MOUSEMOVE, MK_LBUTTON, 350, 50);
  Mouse(box, WM_LBUTTONUP, 0, 350, 50);
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{350});
  Mouse(box, WM_LBUTTONDOWN, MK_LBUTTON, 100, 201);
  Mouse(box, WM_MOUSEMOVE, MK_LBUTTON, 100, 120);
  Mouse(box, WM_LBUTTONUP, 0, 100, 120);
  EXPECT_EQ(Horzs(form_->Document()), std::vector<int32_t>{120});
  // A press away from the breaks pans the view as before and moves no break.
  Mouse(box, WM_LBUTTONDOWN, MK_LBUTTON, 100, 50);
  Mouse(box, WM_LBUTTONUP, 0, 100, 50);
  EXPECT_FALSE(form_->BreakEditor().Dragging());
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{350});
}

TEST_F(PreviewRulers, DroppedOffEitherEndABreakGoesWithTheBreaksBeyond) {
  Open(1000, 2600);
  // Past the right end (the picture is 500 view pixels wide at 50 %).
  SetBreaks({300, 600, 800}, {}, 2);
  DragOnRuler(true, 300, 520);
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{300});
  EXPECT_EQ(form_->Document().GetPageCount(), 2);
  // Before the left end: it goes with the breaks before it.
  SetBreaks({300, 600, 800}, {}, 2);
  DragOnRuler(true, 300, -5);
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{800});
  EXPECT_EQ(CountInView(true, 150, kRed), 0);
  EXPECT_GT(CountInView(true, 400, kRed), 50);
}

TEST_F(PreviewRulers, TheBreakMenuDeletesTheBreak) {
  Open(1000, 2600);
  SetBreaks({300, 600}, {250});
  {
    MenuAnswers menu(0);
    OnRuler(true, WM_RBUTTONDOWN, MK_RBUTTON, 301);
    OnRuler(true, WM_RBUTTONUP, 0, 301);
    ASSERT_EQ(menu.requests.size(), 1u);
    EXPECT_EQ(menu.requests[0].name, "TopPopupMenu");
    EXPECT_EQ(menu.requests[0].text, "Delete Delimiter");
    EXPECT_EQ(form_->Document().GetVertCount(), 2);
    EXPECT_FALSE(form_->BreakEditor().Dragging());
  }
  MenuAnswers menu(1);
  OnRuler(true, WM_RBUTTONDOWN, MK_RBUTTON, 301);
  OnRuler(true, WM_RBUTTONUP, 0, 301);
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{600});
  EXPECT_EQ(form_->Document().GetPageCount(), 4);
  EXPECT_EQ(CountInView(true, 300, kRed), 0);
  EXPECT_EQ(RulerRow(true, 300, 1)[0], kSilver);

  Mouse(form_->ImgBox().Handle(), WM_RBUTTONDOWN, MK_RBUTTON, 50, 251);
  Mouse(form_->ImgBox().Handle(), WM_RBUTTONUP, 0, 50, 251);
  EXPECT_EQ(menu.requests.back().name, "LeftPopupMenu");
  EXPECT_EQ(form_->Document().GetHorzCount(), 0);
  EXPECT_EQ(form_->Document().GetPageCount(), 2);
}

TEST_F(PreviewRulers, ADragCutShortLeavesTheBreakAndTheViewInStep) {
  Open(1000, 2600);
  SetBreaks({300}, {});
  OnRuler(true, WM_LBUTTONDOWN, MK_LBUTTON, 301);
  OnRuler(true, WM_MOUSEMOVE, MK_LBUTTON, 450);
  ASSERT_TRUE(form_->BreakEditor().Dragging());
  // The window is resized mid-drag, then another window takes the mouse.
  ::SetWindowPos(form_->Handle(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
  ::ReleaseCapture();
  PumpMessages(20);
  EXPECT_FALSE(form_->BreakEditor().Dragging());
  EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{300});
  EXPECT_GT(CountInView(true, 300, kRed), 50);
  EXPECT_EQ(CountInView(true, 450, kRed), 0);
}

TEST_F(PreviewRulers, ADragEndsWhenTheMouseIsTakenEscIsPressedOrTheWindowGoesInactive) {
  Open(1000, 2600);
  HostWindow other(0, 0, 20, 20);
  MenuAnswers answers(0);  // an Esc that asked whether to quit would show here
  HWND box = form_->ImgBox().Handle();
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"capture taken", [&] { ::SetCapture(other.get()); }},
      {"Esc", [&] { KeyDown(VK_ESCAPE); }},
      {"deactivated", [&] { ::SetActiveWindow(other.get()); }},
  };
  for (bool onRuler : {true, false}) {
    for (const auto& [way, takeAway] : ways) {
      SCOPED_TRACE(std::string(way) + (onRuler ? ", drag on the ruler" : ", drag on the picture"));
      SetBreaks({300}, {});
      ::SetActiveWindow(form_->Handle());
      if (onRuler) {
        OnRuler(true, WM_LBUTTONDOWN, MK_LBUTTON, 301);
        OnRuler(true, WM_MOUSEMOVE, MK_LBUTTON, 450);
      } else {
        Mouse(box, WM_LBUTTONDOWN, MK_LBUTTON, 301, 50);
        Mouse(box, WM_MOUSEMOVE, MK_LBUTTON, 450, 50);
      }
      ASSERT_TRUE(form_->BreakEditor().Dragging());
      takeAway();
      PumpMessages(20);
      EXPECT_FALSE(form_->BreakEditor().Dragging());
      ::ReleaseCapture();  // the button goes up elsewhere
      // The next plain click on the picture moves no break.
      Mouse(box, WM_LBUTTONDOWN, MK_LBUTTON, 100, 50);
      Mouse(box, WM_LBUTTONUP, 0, 100, 50);
      EXPECT_EQ(Verts(form_->Document()), std::vector<int32_t>{300});
      EXPECT_GT(CountInView(true, 300, kRed), 50);
    }
  }
  EXPECT_TRUE(answers.requests.empty());
}

// The cursor `wnd` sets for the real cursor's place.
HCURSOR CursorOver(HWND wnd) {
  ::SendMessageW(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  return ::GetCursor();
}
HCURSOR SystemCursor(LPSTR id) { return ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)); }

TEST_F(PreviewRulers, CursorsShowWhatTheMouseWouldDo) {
  Open(1000, 2600);
  SetBreaks({300}, {200});
  OnRuler(true, WM_MOUSEMOVE, 0, 100);
  const HCURSOR down = ::LoadCursorW(ThisModule(), L"CUSTOM_CURSOR_DOWN");
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(CursorOver(Top()), down);
  OnRuler(true, WM_MOUSEMOVE, 0, 301);
  EXPECT_EQ(CursorOver(Top()), SystemCursor(IDC_SIZEWE));
  OnRuler(false, WM_MOUSEMOVE, 0, 100);
  const HCURSOR left = ::LoadCursorW(ThisModule(), L"CUSTOM_CURSOR_LEFT");
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(CursorOver(Left()), left);
  OnRuler(false, WM_MOUSEMOVE, 0, 201);
  EXPECT_EQ(CursorOver(Left()), SystemCursor(IDC_SIZENS));
  HWND box = form_->ImgBox().Handle();
  Mouse(box, WM_MOUSEMOVE, 0, 302, 50);
  EXPECT_EQ(CursorOver(box), SystemCursor(IDC_SIZEWE));
  Mouse(box, WM_MOUSEMOVE, 0, 100, 200);
  EXPECT_EQ(CursorOver(box), SystemCursor(IDC_SIZENS));
  Mouse(box, WM_MOUSEMOVE, 0, 100, 100);
  EXPECT_EQ(CursorOver(box), SystemCursor(IDC_HAND));
}

TEST_F(PreviewRulers, RulersStayQuietInThePageView) {
  Open(1000, 2600);
  SetBreaks({300}, {});
  form_->SetViewMode(vmPageView);
  PumpMessages(20);
  for (COLORREF c : RulerRow(true, 0, 400)) ASSERT_EQ(c, kSilver);
  OnRuler(true, WM_MOUSEMOVE, 0, 100);
  EXPECT_EQ(form_->BreakEditor().GuideX(), -1);
  OnRuler(true, WM_LBUTTONDOWN, MK_LBUTTON, 301);
  EXPECT_FALSE(form_->BreakEditor().Dragging());
  OnRuler(true, WM_LBUTTONUP, 0, 301);
}

}  // namespace

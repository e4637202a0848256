// Line windows drawn where they should be, and off-screen surfaces of 1 to 4 bytes per pixel.
#include <gtest/gtest.h>

#include <set>

#include "base/Errors.h"
#include "preview/_SimpleLine.h"
#include "preview/uDIB.h"
#include "support/WindowTesting.h"

using namespace vt;
using namespace vt::test;

namespace {

const COLORREF kPen = RGB(200, 30, 40), kBrush = RGB(250, 250, 250);

class SimpleLineTest : public ::testing::Test {
protected:
  std::unique_ptr<TSimpleLine> Line(int width, int height, TLineDirection direction, int lineWidth) {
    auto line = std::make_unique<TSimpleLine>(host_.get());
    line->SetBounds(10, 10, width, height);
    line->SetPen(TPen{kPen});
    line->SetBrush(TBrush{kBrush});
    line->SetDirection(direction);
    line->SetLineWidth(lineWidth);
    return line;
  }

  HostWindow host_{60, 60, 300, 200};
};

TEST_F(SimpleLineTest, CreatedAsAVisibleChildOf128Pixels) {
  TSimpleLine line(host_.get());
  EXPECT_EQ(::GetParent(line.Handle()), host_.get());
  EXPECT_TRUE(line.Visible());
  EXPECT_EQ(line.Width(), 128);
  EXPECT_EQ(line.Height(), 128);
  EXPECT_EQ(line.LineWidth(), 1);
  EXPECT_EQ(line.Direction(), ldSlash);
}

TEST_F(SimpleLineTest, VerticalBandFillsItsColumnsOverTheFullHeight) {
  auto line = Line(3, 40, ldVertical, 3);
  auto shot = Screenshot(line->Handle());
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 3, 40, [](int, int) { return kPen; }), "");
}

TEST_F(SimpleLineTest, BandsSitInTheMiddle) {
  auto one = Line(50, 3, ldHorizontal, 1);
  auto shot = Screenshot(one->Handle());
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 50, 3, [](int, int y) { return y == 1 ? kPen : kBrush; }), "");

  auto four = Line(50, 10, ldHorizontal, 4);  // rows (10 - 4) / 2 = 3 to 6
  shot = Screenshot(four->Handle());
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 50, 10, [](int, int y) { return y >= 3 && y <= 6 ? kPen : kBrush; }), "");

  auto column = Line(9, 30, ldVertical, 2);  // columns 3 and 4
  shot = Screenshot(column->Handle());
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 9, 30, [](int x, int) { return x == 3 || x == 4 ? kPen : kBrush; }), "");
}

TEST_F(SimpleLineTest, DiagonalsRunCornerToCorner) {
  auto back = Line(20, 20, ldBackSlash, 1);
  auto shot = Screenshot(back->Handle());
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 20, 20, [](int x, int y) { return x == y ? kPen : kBrush; }), "");

  auto slash = Line(20, 20, ldSlash, 1);  // from (0, 20), outside, up to (20, 0), not drawn
  shot = Screenshot(slash->Handle());
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 20, 20, [](int x, int y) { return x > 0 && x + y == 20 ? kPen : kBrush; }),
            "");
}

TEST_F(SimpleLineTest, NoLineWidthDrawsNoBand) {
  for (int width : {0, -2}) {
    auto line = Line(30, 10, ldHorizontal, width);
    auto shot = Screenshot(line->Handle());
    EXPECT_EQ(FirstMismatch(*shot, 0, 0, 30, 10, [](int, int) { return kBrush; }), "") << width;
  }
}

TEST_F(SimpleLineTest, PenAndBrushChangesRepaintDirectionAndWidthWaitForTheNextPainting) {
  auto line = Line(30, 5, ldHorizontal, 1);
  ::UpdateWindow(line->Handle());
  EXPECT_FALSE(::GetUpdateRect(line->Handle(), nullptr, FALSE));

  line->SetLineWidth(5);
  line->SetDirection(ldVertical);
  EXPECT_FALSE(::GetUpdateRect(line->Handle(), nullptr, FALSE));
  // The window still shows the old line until something repaints it.
  auto shot = Screenshot(line->Handle());
  EXPECT_EQ(shot->Pixel(0, 2), kPen);

  line->SetPen(TPen{RGB(0, 0, 255)});
  EXPECT_TRUE(::GetUpdateRect(line->Handle(), nullptr, FALSE));
  shot = Screenshot(line->Handle());
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 30, 5, [](int x, int) { return x >= 12 && x <= 16 ? RGB(0, 0, 255) : kBrush; }),
            "");

  line->SetBrush(TBrush{RGB(0, 0, 0)});
  EXPECT_TRUE(::GetUpdateRect(line->Handle(), nullptr, FALSE));
  shot = Screenshot(line->Handle());
  EXPECT_EQ(shot->Pixel(0, 0), RGB(0, 0, 0));
}

TEST_F(SimpleLineTest, PrintsIntoAnyDeviceContext) {
  auto line = Line(12, 12, ldBackSlash, 1);
  TBitmap picture(12, 12);
  ::SendMessageW(line->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.Canvas()), PRF_CLIENT);
  EXPECT_EQ(FirstMismatch(picture, 0, 0, 12, 12, [](int x, int y) { return x == y ? kPen : kBrush; }), "");
}

TEST_F(SimpleLineTest, MouseEventsReachTheForm) {
  auto line = Line(40, 4, ldHorizontal, 2);
  std::vector<std::string> seen;
  line->OnMouseDown = [&](TWindow& sender, TMouseButton b, UINT, int x, int y) {
    EXPECT_EQ(&sender, line.get());
    seen.push_back(Format("down %d %d,%d", b, x, y));
  };
  line->OnMouseMove = [&](TWindow&, TMouseButton, UINT, int x, int y) { seen.push_back(Format("move %d,%d", x, y)); };
  line->OnMouseUp = [&](TWindow&, TMouseButton b, UINT, int x, int y) { seen.push_back(Format("up %d %d,%d", b, x, y)); };
  PostMouse(line->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 5, 2);
  EXPECT_EQ(::GetCapture(), line->Handle());  // a drag keeps the mouse
  PostMouse(line->Handle(), WM_MOUSEMOVE, MK_LBUTTON, 5, 60);
  PostMouse(line->Handle(), WM_LBUTTONUP, 0, 5, 60);
  EXPECT_EQ(::GetCapture(), nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"down 0 5,2", "move 5,60", "up 0 5,60"}));
}

// Surfaces

uint8_t* At(const TDIBSurface& s, int x, int y) { return s.Bits() + y * s.BytesPerRow() + x * s.BytesPerPixel(); }

void Paint(const TDIBSurface& s, int x, int y, COLORREF color) {
  RECT r{x, y, x + 1, y + 1};
  BrushHandle brush(::CreateSolidBrush(color));
  ::FillRect(s.Canvas(), &r, brush.get());
  ::GdiFlush();
}

TEST(DIBSurface, FromNothingTo800By600) {
  TDIBSurface surface(0, 0, 4);
  EXPECT_EQ(surface.Bits(), nullptr);
  EXPECT_NE(surface.Canvas(), nullptr);
  EXPECT_EQ(surface.BytesPerRow(), 0);
  Paint(surface, 0, 0, RGB(1, 2, 3));  // draws nothing, harms nothing

  surface.SetSize(800, 600, 4);
  ASSERT_NE(surface.Bits(), nullptr);
  EXPECT_EQ(surface.Width(), 800);
  EXPECT_EQ(surface.Height(), 600);
  EXPECT_EQ(surface.BytesPerRow(), 3200);
  EXPECT_EQ(surface.ImageSize(), 3200 * 600);
  RECT bounds = surface.Bounds();
  EXPECT_EQ(bounds.right, 800);
  EXPECT_EQ(bounds.bottom, 600);
  BITMAP bm{};
  ::GetObject(::GetCurrentObject(surface.Canvas(), OBJ_BITMAP), sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 800);
  EXPECT_EQ(bm.bmHeight, 600);

  // Rows run top to bottom.
  Paint(surface, 799, 0, RGB(10, 20, 30));
  Paint(surface, 10, 599, RGB(40, 50, 60));
  const uint8_t* first = At(surface, 799, 0);
  const uint8_t* last = At(surface, 10, 599);
  EXPECT_EQ((std::vector<int>{first[0], first[1], first[2]}), (std::vector<int>{30, 20, 10}));
  EXPECT_EQ((std::vector<int>{last[0], last[1], last[2]}), (std::vector<int>{60, 50, 40}));
}

TEST(DIBSurface, RowsArePaddedToFourBytes) {
  TDIBSurface surface(5, 3, 3);
  EXPECT_EQ(surface.BytesPerRow(), 16);
  EXPECT_EQ(surface.ImageSize(), 48);
  Paint(surface, 4, 1, RGB(1, 2, 3));
  Paint(surface, 0, 2, RGB(4, 5, 6));
  EXPECT_EQ(At(surface, 4, 1)[2], 1);
  EXPECT_EQ(At(surface, 4, 1)[0], 3);
  EXPECT_EQ(At(surface, 0, 2)[0], 6);
  EXPECT_EQ(surface.Bits() + 32, At(surface, 0, 2));

  surface.SetSize(3, 2, 2);  // 16-bit 5-5-5 rows of 6 bytes, padded to 8
  EXPECT_EQ(surface.BytesPerRow(), 8);
  Paint(surface, 2, 1, RGB(255, 255, 255));
  EXPECT_EQ(At(surface, 2, 1)[0] | (At(surface, 2, 1)[1] << 8), 0x7FFF);
}

TEST(DIBSurface, NewSizeStartsBlank) {
  TDIBSurface surface(4, 4, 4);
  Paint(surface, 1, 1, RGB(255, 255, 255));
  surface.SetSize(4, 4, 4);
  EXPECT_EQ(At(surface, 1, 1)[0], 0);
}

TEST(DIBSurface, PalettedSurfaceHasTheStaticColoursAtBothEnds) {
  TDIBSurface surface(8, 2, 1);
  ASSERT_NE(surface.Bits(), nullptr);
  EXPECT_EQ(surface.BytesPerRow(), 8);
  RGBQUAD table[256];
  ASSERT_EQ(::GetDIBColorTable(surface.Canvas(), 0, 256, table), 256u);
  auto rgb = [&](int i) { return RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue); };
  EXPECT_EQ(rgb(0), RGB(0, 0, 0));
  EXPECT_EQ(rgb(7), RGB(192, 192, 192));
  EXPECT_EQ(rgb(8), RGB(192, 220, 192));
  EXPECT_EQ(rgb(9), RGB(166, 202, 240));
  EXPECT_EQ(rgb(246), RGB(255, 251, 240));
  EXPECT_EQ(rgb(249), RGB(255, 0, 0));
  EXPECT_EQ(rgb(255), RGB(255, 255, 255));
  std::set<COLORREF> distinct;
  for (int i = 0; i < 256; ++i) distinct.insert(rgb(i));
  EXPECT_GT(distinct.size(), 200u);  // a usable palette between the static colours

  Paint(surface, 3, 1, RGB(255, 0, 0));
  EXPECT_EQ(*At(surface, 3, 1), 249);
}

TEST(DIBSurface, OnlyOneToFourBytesPerPixel) {
  EXPECT_THROW(TDIBSurface(4, 4, 0), Error);
  EXPECT_THROW(TDIBSurface(4, 4, 5), Error);
  TDIBSurface surface(4, 4, 1);
  EXPECT_THROW(surface.SetSize(4, 4, 8), Error);
  EXPECT_NE(surface.Bits(), nullptr);  // kept as it was
}

TEST(DIBSurface, SizesThatGiveNoBitmapLeaveACanvasThatDrawsNothing) {
  for (auto size : {std::pair{-5, 10}, std::pair{10, 0}, std::pair{1 << 20, 1 << 20}}) {
    TDIBSurface surface(size.first, size.second, 4);
    EXPECT_EQ(surface.Bits(), nullptr);
    EXPECT_EQ(surface.Section(), nullptr);
    EXPECT_EQ(surface.ImageSize(), 0);
    Paint(surface, 0, 0, RGB(9, 9, 9));
  }
}

}  // namespace

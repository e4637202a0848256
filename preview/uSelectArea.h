// The rubber-band rectangle a person marks on the preview's view: a dotted frame with eight
// square grabs on its corners and edge midpoints. Dragging its inside moves it, dragging a grab
// resizes it (past the opposite edge too). Like the page breaks it is painted by the view box, not
// a window of its own, so that it can lie anywhere on a picture taller than a window can be; its
// coordinates are view coordinates (the picture at the current zoom).
#pragma once
#include <windows.h>

#include <array>
#include <functional>

#include "base/Window.h"

namespace vt {

// One handle of the area.
class TGrab {
public:
  // Position kinds and their cursors: 0 north-south, 1 west-east, 2 north-east/south-west,
  // 3 north-west/south-east.
  TGrab(int tag, int kind) : Tag(tag), kind_(kind) {}
  int Tag;  // 0..7: top-left, top, top-right, left, right, bottom-left, bottom, bottom-right
  int Kind() const { return kind_; }
  HCURSOR Cursor() const;
  RECT Bounds{};
  bool Visible = false;

private:
  int kind_;
};

class TSelectArea {
public:
  static constexpr int kArea = 8;  // HitTest: inside the area, off the grabs

  TSelectArea();

  // The window that paints the area (the view box): it is invalidated on every change.
  void SetParent(TWindow* parent);
  void SetGrabSize(int size);
  int GrabSize() const { return grabSize_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Each stores the value and places the grabs again.
  void SetLeft(int value);
  void SetTop(int value);
  void SetWidth(int value);
  void SetHeight(int value);
  void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Editable: grabs shown, the area can be moved and resized.
  bool Editable() const { return editable_; }
  void SetEditable(bool editable);
  bool Dragging() const { return dragging_ >= 0; }
  const TGrab& Grab(int index) const { return grabs_[index]; }

  // What lies at a view point: a grab's index (shown grabs only), kArea, or -1.
  int HitTest(int x, int y) const;
  // The cursor over a view point; null off the area or over a frame that cannot be edited.
  HCURSOR CursorAt(int x, int y) const;

  // Mouse input on what HitTest found (`hit`), at a view point and the same point on the screen.
  void MouseDown(int hit, TMouseButton button, POINT view, POINT screen);
  void MouseMove(POINT view, POINT screen);
  void MouseUp(TMouseButton button);

  // The dotted frame and the shown grabs, on a canvas in view coordinates.
  void Paint(HDC dc) const;

  std::function<void()> OnChange;   // after every placement of the grabs
  std::function<void()> OnMouseUp;  // the left button released after a move or a resize

private:
  void UpdateGrabs();
  void Changed();

  TWindow* parent_ = nullptr;
  int grabSize_ = 7;
  bool editable_ = false;
  bool visible_ = false;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  // Taken when a move or resize starts.
  RECT saved_{};
  POINT startCursor_{};
  int savedWidth_ = 0, savedHeight_ = 0;
  POINT click_{};       // in the area's own coordinates
  int dragging_ = -1;   // what is dragged: a grab index or kArea
  std::array<TGrab, 8> grabs_;
};

}  // namespace vt

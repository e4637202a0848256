// The selection on the preview window's view: with the select button down a drag draws the select
// area (select mode ends after one rectangle); the area can then be moved and resized. It is kept
// in capture pixels as well, so that it stays on its place in the picture across zoom changes, and
// is read back clamped to the picture for the commands that act on it.
#pragma once
#include <windows.h>

#include "base/Window.h"
#include "preview/BtnImage.h"
#include "preview/uPreviewView.h"
#include "preview/uSelectArea.h"

namespace vt {

class TViewSelection {
public:
  // The area painted by the view box of `view`; `selectBtn` (a check button) turns select mode on.
  TViewSelection(IPreviewView& view, TBtnImage& selectBtn);

  TSelectArea& SelectArea() { return selectArea_; }
  // Capture pixels of the select area, as last drawn, moved or resized.
  const RECT& DocSelection() const { return docSelection_; }
  // The view box's cursor off the area: the hand, or the cross in select mode.
  HCURSOR ViewCursor() const { return viewCursor_; }

  // The select area is shown.
  bool HasSelection() const { return selectArea_.Visible(); }
  // Its place in capture pixels clamped to `shown`, the part of the picture the view shows.
  RECT GetSelectionRect(const RECT& shown);
  // The capture pixels taken again from the area's place on the view: after it was moved or
  // resized, or another page came under it.
  void AreaToDoc() { docSelection_ = AreaInDoc(); }
  void HideSelectArea() { selectArea_.SetVisible(false); }
  void SelectAreaLeaveEditing() { selectArea_.SetEditable(false); }
  bool SelectAreaEditing() const { return selectArea_.Editable(); }
  // The area on its capture pixels again, after the zoom changed.
  void PlaceSelectArea();
  bool SelectBtnDown() const;
  // The select button was clicked; it changes its own state after this.
  void SelectBtnMouseUp();

  // Mouse input on the view box at client point x, y. The area takes a press on itself (false when
  // it is not under the mouse) and holds the mouse until the left button is released: false from
  // AreaMouseMove and AreaMouseUp while it does not hold it.
  bool AreaMouseDown(TMouseButton button, int x, int y);
  bool AreaMouseMove(int x, int y);
  bool AreaMouseUp(TMouseButton button);
  // Drawing a new area in select mode.
  void SelectMouseDown(int x, int y);
  void SelectMouseMove(int x, int y);
  void SelectMouseUp();

private:
  // The area's view bounds in capture pixels.
  RECT AreaInDoc() const;

  IPreviewView& view_;
  TBtnImage& selectBtn_;
  TSelectArea selectArea_;
  RECT docSelection_{};
  POINT selectStart_{};         // where the drawing of a selection started
  bool areaMouse_ = false;      // the select area holds the mouse
  HCURSOR viewCursor_ = nullptr;
};

}  // namespace vt

// The page-break editing of the preview window: the two rulers along the view, a guide line that
// follows the mouse over a ruler and adds a break from the ruler's menu, breaks dragged to a new
// place (with Ctrl the breaks beyond them follow), dropped past the picture's edge to go, or
// deleted from their own menu. Breaks and guide lines are painted by the view box, not windows:
// windows end at 32767 pixels, pictures do not. `vert` names the vertical breaks (x positions, top ruler);
// otherwise the horizontal ones (y positions, left ruler).
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "base/Window.h"
#include "preview/uPreviewView.h"
#include "preview/uRuler.h"

namespace vt {

class TPageBreakEditor {
public:
  // The rulers, as children of `form`, on the document and mapping of `view`.
  TPageBreakEditor(IPreviewView& view, HWND form);

  TRuler& TopRuler() { return *panelTop_; }
  TRuler& LeftRuler() { return *panelLeft_; }
  // The guide line's view position on the picture (x for the top ruler, y for the left one); -1
  // while hidden.
  int GuideX() const { return guide_[0]; }
  int GuideY() const { return guide_[1]; }
  bool Dragging() const { return dragging_; }
  // Ends a drag without moving its break: the mouse went elsewhere (capture lost, the window
  // deactivated), Esc was pressed, or a new request starts.
  void CancelDrag();

  // The breaks, labels and rulers follow the document and the zoom.
  void UpdateDelimiters();
  // On a canvas in view coordinates.
  void PaintPageBreaks(HDC dc) const;
  void PaintGuideLines(HDC dc) const;
  // The cursor over a break at a view point in capture view; null elsewhere.
  HCURSOR ViewCursor(POINT view) const;
  // A button pressed at a view point in capture view: a break under it is taken for moving or
  // deleting, whichever button holds it. False when there is none.
  bool ViewMouseDown(POINT view);
  // The mouse on `wnd` (a ruler or the view box) while a break is dragged.
  void DelimiterMouseMove(HWND wnd, UINT keys, int x, int y);
  void DelimiterMouseUp(HWND wnd, TMouseButton button, UINT keys, int x, int y);

private:
  TRuler& Ruler(bool vert) const { return vert ? *panelTop_ : *panelLeft_; }
  int DelimiterViewPos(bool vert, int32_t i) const;
  int32_t DelimiterAt(bool vert, int pos) const;
  // A ruler: the picture's extent on it and a mark for every break.
  void DrawPageArea(HDC dc, bool vert);
  HCURSOR RulerCursor(bool vert, int x, int y);
  void RulerMouseDown(bool vert, TMouseButton button, int x, int y);
  void RulerMouseMove(bool vert, UINT keys, int x, int y);
  void RulerMouseUp(bool vert, TMouseButton button, int x, int y);
  void ShowGuide(bool vert, int pos);
  // The rulers' menu items: a break added at view position `pos` (the guide line's when the menu
  // opened), the break whose menu is open deleted.
  void AddDelClick(bool vert, int pos);
  void DeleteDelClick(bool vert);
  // Break `i` taken for moving or deleting.
  void DelimiterMouseDown(bool vert, int32_t i);
  void InvalidateBand(bool vert, int pos);
  int PopUpMenu(const char* name, UINT captionId, POINT screen);

  IPreviewView& view_;
  HWND form_;  // the rulers' parent, the menus' owner
  std::unique_ptr<TRuler> panelTop_, panelLeft_;
  HCURSOR cursorDown_ = nullptr, cursorLeft_ = nullptr;
  bool dragging_ = false;
  bool dragVert_ = true;
  int32_t dragIndex_ = -1;
  int dragPos_ = 0;             // view position of the dragged break
  int32_t menuDelimiter_ = -1;  // the break whose delete menu is open
  int guide_[2] = {-1, -1};     // top ruler's x, left ruler's y; -1: hidden
};

}  // namespace vt

// The plain child windows of the preview window: a panel of one colour, the scroll box that holds
// the view box, and the view box itself, which leaves its painting to the form.
#pragma once
#include <windows.h>
#include <functional>

#include "base/Window.h"

namespace vt {

class TPlainPanel : public TWindow {
public:
  TPlainPanel(HWND parent, COLORREF color);
  void SetColor(COLORREF color);

protected:
  void Paint(HDC dc) override;

private:
  COLORREF color_;
};

// A window of the form that paints through a callback (the view box).
class TPaintBox : public TWindow {
public:
  explicit TPaintBox(HWND parent);
  std::function<void(HDC dc, const RECT& clip)> OnPaint;
  // The cursor at a client point; null leaves the class cursor.
  std::function<HCURSOR(int x, int y)> OnCursor;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;
};

// A scroll box with one content window. The scroll bars always show (disabled when the content
// fits), so that the client size does not change with the content. The content window covers only
// the visible part of the content: windows cannot reach past 32767 pixels, pictures can, so the
// window paints the content from ContentOrigin on (and places its controls from there).
class TScroller : public TWindow {
public:
  // `horzBar` false: no horizontal bar; the content still scrolls sideways (by the wheel).
  // `sunken`: a sunken edge of 2 pixels around the box.
  explicit TScroller(HWND parent, bool horzBar = true, bool sunken = false);

  // The content's bounds at scroll position 0; the positions are clamped to the new range.
  void SetContent(TWindow* content, int left, int top, int width, int height);
  int HorzPosition() const { return horz_; }
  int VertPosition() const { return vert_; }
  void SetHorzPosition(int position) { SetPositions(position, vert_); }
  void SetVertPosition(int position) { SetPositions(horz_, position); }
  void SetPositions(int horz, int vert);
  // A wheel turn of `delta`: down by it, or sideways with Ctrl among `keys` (MK_ flags).
  void ScrollByWheel(int delta, UINT keys);
  // Where the content's top-left corner lies in the client area (negative when scrolled past).
  int ContentLeft() const { return left_ - horz_; }
  int ContentTop() const { return top_ - vert_; }
  // The content point at the content window's top-left corner.
  POINT ContentOrigin() const { return origin_; }
  int ClientWidth() const;
  int ClientHeight() const;

  std::function<void()> OnResize;
  // Keys and wheel turns that reach the box go to the form; without OnKey the system keys go on to
  // the platform (Alt+F4 closes the window).
  std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)> OnKey;
  std::function<void(int delta, UINT keys)> OnWheel;
  std::function<void()> OnScroll;

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

private:
  void Scroll(int bar, int code);
  void UpdateBars();

  bool horzBar_;
  TWindow* content_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int horz_ = 0, vert_ = 0;
  POINT origin_{};
};

}  // namespace vt

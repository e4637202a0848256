// A child window that draws one straight line, or a band of parallel one-pixel lines, across
// its bounds: the page-break and guide lines over the preview's picture.
#pragma once
#include <cstdint>

#include "base/PenBrush.h"
#include "base/Window.h"

namespace vt {

enum TLineDirection : uint8_t { ldSlash, ldBackSlash, ldHorizontal, ldVertical };

class TSimpleLine : public TWindow {
public:
  // 128 x 128 pixels at the parent's top-left corner.
  explicit TSimpleLine(HWND parent);

  const TPen& Pen() const { return pen_; }
  const TBrush& Brush() const { return brush_; }
  // Each change repaints the line; the brush fills the window behind the lines.
  void SetPen(const TPen& pen);
  void SetBrush(const TBrush& brush);

  // Parallel lines of the horizontal and vertical directions; 0 or less draws none of them.
  int LineWidth() const { return lineWidth_; }
  TLineDirection Direction() const { return direction_; }
  // These two take effect at the next painting.
  void SetLineWidth(int width) { lineWidth_ = width; }
  void SetDirection(TLineDirection direction) { direction_ = direction; }

protected:
  void Paint(HDC dc) override;

private:
  TPen pen_;
  TBrush brush_;
  int lineWidth_ = 1;
  TLineDirection direction_ = ldSlash;
};

}  // namespace vt

// A child window that shows a picture at its top-left corner, or stretched over the window; the
// rest of the window shows the face colour of buttons.
#pragma once
#include "base/Bitmap.h"
#include "base/Window.h"

namespace vt {

class TImage : public TWindow {
public:
  TImage(HWND parent, int left, int top, int width, int height);

  const TBitmap& Picture() const { return picture_; }
  // Shows a copy of `picture`; the window keeps its size.
  void SetPicture(const TBitmap& picture);
  // Width and height := the picture's.
  void SizeToPicture() { SetSize(picture_.Width(), picture_.Height()); }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);

protected:
  // An image of a window class of its own, showing `cursor`.
  TImage(const wchar_t* className, LPCWSTR cursor, HWND parent, int left, int top, int width, int height);
  void Paint(HDC dc) override;

private:
  TBitmap picture_;
  bool stretch_ = false;
};

}  // namespace vt

#include "base/Image.h"

namespace vt {

TImage::TImage(HWND parent, int left, int top, int width, int height) {
  CreateChild(L"VantrelleImage", parent, left, top, width, height);
}

TImage::TImage(const wchar_t* className, LPCWSTR cursor, HWND parent, int left, int top, int width, int height) {
  CreateChild(className, parent, left, top, width, height, cursor);
}

void TImage::SetPicture(const TBitmap& picture) {
  picture_.Assign(picture);
  Invalidate();
}

void TImage::SetStretch(bool stretch) {
  stretch_ = stretch;
  Invalidate();
}

void TImage::Paint(HDC dc) {
  RECT client;
  ::GetClientRect(Handle(), &client);
  if (stretch_ && !picture_.Empty()) {
    ::SetStretchBltMode(dc, HALFTONE);
    ::SetBrushOrgEx(dc, 0, 0, nullptr);
    ::StretchBlt(dc, 0, 0, client.right, client.bottom, picture_.Canvas(), 0, 0, picture_.Width(), picture_.Height(),
                 SRCCOPY);
    return;
  }
  const int w = picture_.Width(), h = picture_.Height();
  if (w > 0 && h > 0) ::BitBlt(dc, 0, 0, w, h, picture_.Canvas(), 0, 0, SRCCOPY);
  // Only the parts beside and below the picture, so that nothing flickers.
  HBRUSH face = ::GetSysColorBrush(COLOR_BTNFACE);
  RECT right{w, 0, client.right, client.bottom}, below{0, h, w, client.bottom};
  if (right.left < right.right) ::FillRect(dc, &right, face);
  if (below.top < below.bottom) ::FillRect(dc, &below, face);
}

}  // namespace vt

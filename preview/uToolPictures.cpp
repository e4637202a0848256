#include "preview/uToolPictures.h"

#include <cstring>

#include "base/Bitmap.h"
#include "base/Handles.h"

namespace vt {

namespace {
void DrawFace(TBitmap& bitmap, const char* text, COLORREF face, COLORREF ink, bool sunken) {
  bitmap.SetSize(kPlainButtonWidth, kPlainButtonHeight);
  bitmap.Fill(face);
  HDC dc = bitmap.Canvas();
  RECT r{0, 0, kPlainButtonWidth, kPlainButtonHeight};
  ::DrawEdge(dc, &r, sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  FontHandle font(::CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  HGDIOBJ old = ::SelectObject(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ink);
  ::DrawTextA(dc, text, static_cast<int>(std::strlen(text)), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SelectObject(dc, old);
  ::GdiFlush();
}
}  // namespace

void SetPlainButtonPictures(TBtnImage& button, const char* text) {
  TBitmap picture;
  DrawFace(picture, text, RGB(236, 236, 236), RGB(0, 0, 0), false);
  button.SetNormalStateImage(picture);
  DrawFace(picture, text, RGB(200, 200, 200), RGB(0, 0, 0), true);
  button.SetDownStateImage(picture);
  DrawFace(picture, text, RGB(250, 250, 210), RGB(0, 0, 0), false);
  button.SetActiveStateImage(picture);
  DrawFace(picture, text, RGB(236, 236, 236), RGB(160, 160, 160), false);
  button.SetDisableStateImage(picture);
  button.SetSize(kPlainButtonWidth, kPlainButtonHeight);
}

}  // namespace vt

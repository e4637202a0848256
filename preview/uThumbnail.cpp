#include "preview/uThumbnail.h"

#include <utility>

namespace vt {

TThumbnail::TThumbnail(HWND parent) { CreateChild(L"VantrelleThumbnail", parent, 0, 0, 0, 0); }

void TThumbnail::SetPicture(std::unique_ptr<TBitmap> picture) {
  picture_ = std::move(picture);
  Invalidate();
}

void TThumbnail::Clear() { SetPicture(nullptr); }

void TThumbnail::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  if (picture_) {
    ::BitBlt(dc, 0, 0, picture_->Width(), picture_->Height(), picture_->Canvas(), 0, 0, SRCCOPY);
    ::ExcludeClipRect(dc, 0, 0, picture_->Width(), picture_->Height());
  }
  ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

}  // namespace vt

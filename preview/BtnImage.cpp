#include "preview/BtnImage.h"

namespace vt {

namespace {
const TBitmap& PresentOr(const TBitmap& picture, const TBitmap& fallback) {
  return picture.Empty() ? fallback : picture;
}
}  // namespace

TBtnImage::TBtnImage(HWND parent, int left, int top, int width, int height)
    : TImage(L"VantrelleButtonImage", MAKEINTRESOURCEW(32649) /* IDC_HAND */, parent, left, top, width, height) {}

void TBtnImage::SetNormalStateImage(const TBitmap& picture) {
  normal_.Assign(picture);
  if (state_ == bsNormal && !normal_.Empty()) SetPicture(normal_);
}

void TBtnImage::SetDownStateImage(const TBitmap& picture) {
  down_.Assign(picture);
  if (state_ == bsDown && !down_.Empty()) SetPicture(down_);
}

void TBtnImage::SetActiveStateImage(const TBitmap& picture) {
  active_.Assign(picture);
  if (state_ == bsActive && !active_.Empty()) SetPicture(active_);
}

void TBtnImage::SetDisableStateImage(const TBitmap& picture) {
  disabled_.Assign(picture);
  if (!Enabled()) SetPicture(PresentOr(disabled_, normal_));
}

void TBtnImage::SetDown(bool down) {
  if (down == isDown_) return;
  HWND parent = ::GetParent(Handle());
  if (down && groupIndex_ > 0 && parent) {
    for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
      auto* other = dynamic_cast<TBtnImage*>(FromHandle(w));
      if (other && other != this && other->groupIndex_ == groupIndex_ && other->isDown_) other->SetDown(false);
    }
  }
  isDown_ = down;
  ShowDownFlag();
}

LRESULT TBtnImage::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ENABLE) {
    EnabledChanged(wParam != FALSE);
    return 0;
  }
  return TImage::HandleMessage(msg, wParam, lParam);
}

void TBtnImage::EnabledChanged(bool enabled) {
  if (!enabled) {
    SetPicture(PresentOr(disabled_, normal_));  // the state is kept
    return;
  }
  // A button that is down stays down when it comes back.
  state_ = isDown_ ? bsDown : bsNormal;
  SetPicture(isDown_ ? PresentOr(down_, normal_) : normal_);
}

void TBtnImage::MouseEnter() {
  if (Enabled() && !active_.Empty() && state_ != bsDown && style_ == bsButton) ShowState(active_, bsActive);
}

void TBtnImage::MouseLeave() {
  if (Enabled() && !normal_.Empty() && state_ != bsDown && style_ == bsButton) ShowState(normal_, bsNormal);
}

void TBtnImage::MouseDown(TMouseButton button, UINT keys, int x, int y) {
  TImage::MouseDown(button, keys, x, y);
  if (Enabled() && !down_.Empty() && button == mbLeft && clickable_) ShowState(down_, bsDown);
}

void TBtnImage::MouseUp(TMouseButton button, UINT keys, int x, int y) {
  // The handlers see Down and the picture as they were before the release.
  TImage::MouseUp(button, keys, x, y);
  if (!Enabled() || button != mbLeft) return;
  if (style_ == bsButton) {
    // Back to normal even with the mouse still over the button.
    ShowState(normal_, bsNormal);
  } else if (clickable_) {
    SetDown(ClientContains(x, y) ? !isDown_ : false);
    ShowDownFlag();  // also after a press that changed nothing
  }
}

void TBtnImage::CaptureLost() { ShowDownFlag(); }

void TBtnImage::ShowState(const TBitmap& picture, TButtonState state) {
  state_ = state;
  if (picture.Empty()) return;
  SetPicture(picture);
  SizeToPicture();
}

void TBtnImage::ShowDownFlag() { ShowState(isDown_ ? down_ : normal_, isDown_ ? bsDown : bsNormal); }

}  // namespace vt

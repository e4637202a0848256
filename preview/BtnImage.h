// The picture button of the preview tool bars: one of four pictures by state (normal, pressed,
// hovered, disabled), as a push button or as a check button that stays down, optionally in a
// group of which one button at a time is down. It has no caption and takes no focus; forms act
// on its mouse events.
#pragma once
#include <cstdint>

#include "base/Bitmap.h"
#include "base/Image.h"

namespace vt {

enum TButtonStyle : uint8_t { bsButton, bsCheck };
// The picture shown: normal, pressed (or a check button that is down), hovered.
enum TButtonState : uint8_t { bsNormal = 0, bsDown = 1, bsActive = 2 };

class TBtnImage : public TImage {
public:
  TBtnImage(HWND parent, int left, int top, int width, int height);

  const TBitmap& NormalStateImage() const { return normal_; }
  const TBitmap& DownStateImage() const { return down_; }
  const TBitmap& ActiveStateImage() const { return active_; }
  const TBitmap& DisableStateImage() const { return disabled_; }
  // Each copies the picture; none resizes the button.
  void SetNormalStateImage(const TBitmap& picture);
  void SetDownStateImage(const TBitmap& picture);
  void SetActiveStateImage(const TBitmap& picture);
  void SetDisableStateImage(const TBitmap& picture);

  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle style) { style_ = style; }
  // Check buttons of the same index > 0 under one parent window are down one at a time.
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int index) { groupIndex_ = index; }
  bool Down() const { return isDown_; }
  void SetDown(bool down);
  bool Clickable() const { return clickable_; }
  TButtonState State() const { return state_; }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void MouseDown(TMouseButton button, UINT keys, int x, int y) override;
  void MouseUp(TMouseButton button, UINT keys, int x, int y) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void CaptureLost() override;

private:
  void EnabledChanged(bool enabled);
  // Shows `picture` sized to it and takes `state`; a missing picture leaves the current one.
  void ShowState(const TBitmap& picture, TButtonState state);
  // The picture and state that follow Down.
  void ShowDownFlag();

  TBitmap normal_, down_, active_, disabled_;
  TButtonStyle style_ = bsButton;
  int groupIndex_ = 0;
  bool isDown_ = false;
  bool clickable_ = true;
  TButtonState state_ = bsNormal;
};

}  // namespace vt

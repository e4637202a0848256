// Pictures of the preview's tool-bar buttons until a skin gives them their own: the button's
// text on a plain face, one picture per state.
#pragma once
#include "preview/BtnImage.h"

namespace vt {

constexpr int kPlainButtonWidth = 56;
constexpr int kPlainButtonHeight = 40;

// Gives `button` its four state pictures with `text` on them and sizes it to them.
void SetPlainButtonPictures(TBtnImage& button, const char* text);

}  // namespace vt

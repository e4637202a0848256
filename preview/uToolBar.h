// The tool bar that both preview windows share: a panel with a background picture stretched over
// it, the zoom-in button, the zoom list on its picture, the zoom-out button and the window's own
// buttons. The pictures start as the ones built into the control; a skin's files or the built-in
// images of a language replace them.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "base/Handles.h"
#include "base/Image.h"
#include "preview/BtnImage.h"
#include "preview/uPreviewControls.h"
#include "preview/uSkinFile.h"
#include "preview/uSkinPictures.h"

namespace vt {

class TToolBar {
public:
  // The zoom list's items, index 0 to 4.
  static constexpr int kZoomCount = 5;
  static const double kZooms[kZoomCount];
  static const char* const kZoomTexts[kZoomCount];

  // The controls on `form`, the zoom list showing item `zoomIndex` in `comboFontFace` at
  // `comboFontPixels`; the zoom-in button at `zoomInLeft` and the others after it.
  TToolBar(HWND form, int zoomInLeft, const wchar_t* comboFontFace, int comboFontPixels, int zoomIndex);

  // A button of the window's own on the tool bar, with the built-in pictures `upName` and
  // `downName` (RCDATA JPEG images of this module).
  std::unique_ptr<TBtnImage> NewButton(int left, const char* upName, const char* downName,
                                       TButtonStyle style = bsButton);

  TPlainPanel& Panel() { return *panel_; }
  TImage& Back() { return *back_; }
  TBtnImage& ZoomIn() { return *zoomIn_; }
  TImage& ZoomBar() { return *zoomBar_; }
  HWND Combo() const { return combo_; }
  TBtnImage& ZoomOut() { return *zoomOut_; }
  int Height() const { return height_; }
  HWND Form() const { return form_; }
  // The panel and its background across the form's width.
  void SetWidth(int width);
  // How wide the panel must be to show every button shown on it.
  int ButtonsWidth() const;

  int ZoomIndex() const;
  void SetZoomIndex(int index);
  // The zoom list's font size in points.
  void SetComboFontSize(int points);

  // The skin's icon, when it can be used, as the icon of `form`; kept until the tool bar goes.
  void ApplySkinIcon(HWND form, TSkinPictures& pictures);

  // Places the zoom-in button at 0 and each control of `order` (the zoom list's picture and the
  // zoom-out button among them) right after the one before, and `closeButton`, shown or not, after
  // the last; sizes the zoom list to its picture and fits it into the picture's height; the panel
  // takes the height of the highest control of `order`.
  void Arrange(std::initializer_list<TWindow*> order, TWindow& closeButton, int comboFontSize);
  // Where the zoom list goes on its picture, integer arithmetic as the skins were designed for: the
  // list's top, or none when the picture is not higher than the list (the list then moves to the
  // picture's top and the picture takes the list's height). Heights less tops, not heights alone.
  static std::optional<int> ComboTopOnBar(int barTop, int barHeight, int comboTop, int comboHeight);

private:
  HWND form_;
  std::unique_ptr<TPlainPanel> panel_;
  std::unique_ptr<TImage> back_;
  std::unique_ptr<TBtnImage> zoomIn_;
  std::unique_ptr<TImage> zoomBar_;
  HWND combo_ = nullptr;
  std::unique_ptr<TBtnImage> zoomOut_;
  std::wstring comboFontFace_;
  FontHandle comboFont_;
  IconHandle icon_;
  int height_;
};

}  // namespace vt

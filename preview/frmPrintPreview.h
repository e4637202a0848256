// The all-pages print preview: every page of a laid-out print engine at once, as a grid of
// thumbnails with a check box each (TThumbnailGrid), and a tool bar with the zoom, save and print.
// The person ticks pages and prints or saves just those.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/Form.h"
#include "page/uPrintEngine.h"
#include "preview/BtnImage.h"
#include "preview/uThumbnailGrid.h"
#include "preview/uToolBar.h"

namespace vt {

class TfmPrintPreview : public TForm {
public:
  static constexpr int kStatusBarHeight = 22;

  TfmPrintPreview();

  // The skin of a button-image package (as the preview window's, with the zoom buttons, the zoom
  // list's picture, the background, the save and print buttons and the icon), then the tool bar
  // laid out again. Throws vt::ConversionError for a zoom list font size that is no decimal
  // integer (after the pictures), vt::Error for a picture file that does not decode.
  void LoadSkin(const std::string& section, const std::string& iniPath);
  // The save and print buttons in the system's language; everything else stays.
  void LoadLanguageImages();
  void SetCloseButtonVisible(bool visible) { btnClose_->SetVisible(visible); }

  // Shows every page of `engine` modally (through the dialog seam, name "TfmPrintPreview"),
  // maximized; returns when the window has closed. The worker may still be drawing then: `engine`
  // must outlive this window.
  void ShowPreview(TPrintEngine& engine);
  // The same without a modal loop of its own (hosts and tests that pump).
  void ShowNonModal(TPrintEngine& engine);

  // Commands.
  void PrintBtnClick();
  void SaveBtnClick();
  void PrintSaveToFile();
  void SelectZoomIndex(int index);
  void ZoomIn();
  void ZoomOut();
  void Close() { CloseRequested(); }

  // State, for tests.
  float Zoom() const { return zoom_; }
  TThumbnailGrid& Grid() { return *grid_; }
  TToolBar& ToolBar() { return *toolBar_; }
  TBtnImage& SaveBtn() { return *saveBtn_; }
  TBtnImage& PrintBtn() { return *printBtn_; }
  TBtnImage& CloseBtn() { return *btnClose_; }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

private:
  void Open(TPrintEngine& engine);
  void LayoutControls();
  void FormResize();
  void ZoomComboChange();
  void FocusView();
  // The cursor of the window under the mouse again, after the worker started or ended a page.
  void RefreshCursor();
  void ArrangeToolBar(int fontSize);
  // The save and print buttons from `skin` (may be null), else the built-in pictures of `language`.
  void ApplyLanguageButtons(const std::string& language, const TSkinSettings* skin);

  std::unique_ptr<TToolBar> toolBar_;
  std::unique_ptr<TBtnImage> saveBtn_, printBtn_, btnClose_;
  float zoom_ = 0.5f;
  bool building_ = false;
  // Last, so that it goes first: its worker stops before the window does.
  std::unique_ptr<TThumbnailGrid> grid_;
};

}  // namespace vt

// The all-pages print preview: every page of a laid-out print engine at once, as a grid of
// thumbnails with a check box each (TThumbnailGrid), under a tool bar with the zoom, save and print
// (TPrintPreviewToolBar). The person ticks pages and prints or saves just those.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/Form.h"
#include "page/uPrintEngine.h"
#include "preview/uPrintPreviewToolBar.h"
#include "preview/uThumbnailGrid.h"

namespace vt {

class TfmPrintPreview : public TForm {
public:
  static constexpr int kStatusBarHeight = 22;

  TfmPrintPreview();

  // The skin of a button-image package (see TPrintPreviewToolBar::LoadSkin), then the window laid
  // out again for the tool bar's new height.
  void LoadSkin(const std::string& section, const std::string& iniPath, ILogSink* log = nullptr);
  // The save and print buttons in the system's language; everything else stays.
  void LoadLanguageImages() { toolBar_->LoadLanguageImages(); }
  void SetCloseButtonVisible(bool visible) { toolBar_->CloseBtn().SetVisible(visible); }

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
  TPrintPreviewToolBar& ToolBar() { return *toolBar_; }

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

  std::unique_ptr<TPrintPreviewToolBar> toolBar_;
  float zoom_ = 0.5f;
  bool building_ = false;
  // Last, so that it goes first: its worker stops before the window does.
  std::unique_ptr<TThumbnailGrid> grid_;
};

}  // namespace vt

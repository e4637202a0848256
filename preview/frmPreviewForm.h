// The main preview window of a request: the captured page at a chosen zoom with its page breaks
// and page numbers over it, a page view of one printer page, the tool bar, and the keyboard
// commands. It owns the page-break document and the print engine built on it. Its parts keep their
// own state: the tool bar (TPreviewToolBar), the rulers and page-break editing (TPageBreakEditor)
// and the select area (TViewSelection), the last two working on the window as IPreviewView; the
// commands are in frmPreviewCommands.cpp, the view in frmPreviewView.cpp.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Handles.h"
#include "base/ModalState.h"
#include "base/Window.h"
#include "page/uPrintEngine.h"
#include "page/uVantrelleDocument.h"
#include "preview/uDIB.h"
#include "preview/uHelpPage.h"
#include "preview/uPageBreakEditor.h"
#include "preview/uPreviewControls.h"
#include "preview/uPreviewRequest.h"
#include "preview/uPreviewToolBar.h"
#include "preview/uPreviewView.h"
#include "preview/uViewSelection.h"

namespace vt {

class THtmlImage;
class THtmlImageBuilder;
class TURLImg;
class TfmPageSetupDlg;

class TfmPreviewForm : public TWindow, public IPreviewView {
public:
  static constexpr int kRulerSize = 16;
  static constexpr int kStatusBarHeight = 20;

  // `hostWindow` becomes the window's owner, so that the preview stays above the browser.
  explicit TfmPreviewForm(HWND hostWindow);
  ~TfmPreviewForm() override;

  // Sets the window up for the request and shows it modally through the dialog seam (name
  // "TfmPreviewForm"); returns when it has closed, or at once when printing without preview.
  // Throws vt::ConversionError for a close-button text that is not a boolean.
  void ShowPreview(const TPreviewRequest& request);
  // The same set-up, then the window shows without a loop of its own (tests and hosts that pump).
  void ShowNonModal(const TPreviewRequest& request);
  bool IsClosed() const { return closed_; }
  // Closes the window as its close box does.
  void Close();
  // Shown maximized (its bounds are where it goes back to).
  void SetMaximized(bool maximized) { maximized_ = maximized; }
  bool Maximized() const { return maximized_; }

  const std::string& GetUserStr() const { return userStr_; }
  void SetUserStr(const std::string& value);

  // View operations.
  void RenderView();
  void SetViewMode(TViewMode mode);
  void ApplyZoom(double zoom);
  // Shows `page`, or the nearest page the document has.
  void ShowPage(int32_t page);
  void ShowFirstPage() { ShowPage(1); }
  void ShowLastPage() { ShowPage(engine_.GetPageCount()); }
  void ShowNextPage();
  void ShowPrevPage();
  void ProcessResize() override;
  void ZoomIn();
  void ZoomOut();
  void SelectZoomIndex(int index);

  // Capture pixels to view-box pixels and back (round half to even).
  int DocToScreenX(int x) const override;
  int DocToScreenY(int y) const override;
  int ScreenToDocX(int x) const override;
  int ScreenToDocY(int y) const override;

  // The skin of a button-image package (see TPreviewToolBar::LoadSkin), then the window laid out
  // again for the tool bar's new height.
  void LoadSkin(const std::string& section, const std::string& iniPath, ILogSink* log = nullptr);
  // The built-in images of the system's language; the tool bar keeps its places.
  void LoadLanguageImages() { toolBar_->LoadLanguageImages(); }

  // Commands of the tool bar and keys that other parts of the window carry out.
  void Print();
  void Save();
  void CopySelection();
  void OpenPrintPreview();
  void OpenPageSetup();
  void OpenHelpPage();
  // The window sized to show the whole picture, and at least the tool bar's buttons, centred in
  // the work area and no larger than it.
  void FitToImage(THtmlImage* graphic);
  // The select area: shown, and its place in capture pixels clamped to the picture.
  bool HasSelection() const;
  RECT GetSelectionRect();
  // The status bar's one panel.
  void SetStatusText(const std::string& text);
  const std::string& StatusText() const { return statusText_; }

  // Starts the help page's browser; tests record it instead.
  TShellStart ShellStart;
  // Reads the process's integrity level for the Save button's test; tests play a low one. Unset:
  // the process's own.
  std::function<std::optional<uint8_t>()> ReadIntegrityLevel;

  // State, for the window's own parts and for tests.
  double Zoom() const { return zoom_; }
  int ZoomIndex() const;
  TViewMode ViewMode() const override { return viewMode_; }
  int32_t CurrentPage() const { return currentPage_; }
  int ViewWidth() const override { return viewWidth_; }
  int ViewHeight() const override { return viewHeight_; }
  SIZE PictureExtent() const override;
  TVantrelleDocument& Document() override { return document_; }
  TPrintEngine& Engine() { return engine_; }
  TDIBSurface& Surface() { return surface_; }
  TScroller& Scroller() override { return *scroller_; }
  TPaintBox& ImgBox() override { return *imgBox_; }
  HWND ZoomCombo() const { return zoomCombo_; }
  TPreviewToolBar& ToolBar() { return *toolBar_; }
  TViewSelection& Selection() { return *selection_; }
  TfmPageSetupDlg* PageSetupDialog() { return pageSetupDlg_.get(); }
  THtmlImage* SelectionImage() const { return selectionImage_.get(); }
  const std::string& HelpUrl() const { return helpUrl_; }
  TPageBreakEditor& BreakEditor() { return *breaks_; }
  // View coordinates (the picture at the zoom) of a client point of `wnd` and back.
  POINT ToView(HWND wnd, POINT client) const override;
  POINT FromView(HWND wnd, POINT view) const override;

  // Keys as the window sees them before its controls.
  void FormKeyDown(WPARAM key);
  void FormKeyUp(WPARAM key, bool ctrl);

  // The left button released inside `sender` (edges included) while it can be clicked.
  static bool IsReleaseInside(int x, int y, TWindow& sender, TMouseButton button);

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

private:
  void CreateControls();
  void LayoutControls();
  void SetUp(const TPreviewRequest& request);
  void RunModalLoop();
  void SizeSurface();
  // `page`, or the nearest page the document has.
  int32_t ExistingPage(int32_t page) const;
  void ZoomComboChange();
  void ScrollerMouseWheel(int delta, UINT keys);
  void ImageMouseDown(TMouseButton button, int x, int y);
  void ImageMouseMove(UINT keys, int x, int y);
  void PaintView(HDC dc, const RECT& clip);
  THtmlImage* ViewImage() const;
  // Page breaks, guide lines and page labels over the captured picture, kept in step.
  void InitPageControls();
  void PaintPageLabels(HDC dc);
  HCURSOR ViewCursor(int x, int y);
  void SaveBtnMouseUp();
  // Cuts the selection out of the capture and lays `engine` out over it: the cut picture, which the
  // engine draws from, or none when nothing could be cut.
  std::unique_ptr<THtmlImage> BuildSelectionEngine(TPrintEngine& engine);
  // The all-pages print preview on `engine` (the main one or a selection's).
  void ShowAllPagesPreview(TPrintEngine& engine);

  HWND hostWindow_;
  TaskWindowList disabledWindows_;  // while shown modally
  bool closed_ = false;
  bool maximized_ = false;
  THtmlImage* captureGraphic_ = nullptr;
  THtmlImageBuilder* imageBuilder_ = nullptr;
  std::unique_ptr<THtmlImage> viewImage_;  // the view's own reader of the capture
  TDIBSurface surface_{0, 0, 4};
  TURLImg* settingImages_ = nullptr;
  int viewWidth_ = 0, viewHeight_ = 0;
  bool mouseDown_ = false;
  POINT mousePos_{};
  int32_t currentPage_ = 1;
  TVantrelleDocument document_;
  TPrintEngine engine_{&document_};
  double zoom_ = 1.0;
  TViewMode viewMode_ = vmPageView;
  RECT captureRect_{};
  int32_t printWithoutPreview_ = 0;
  std::string userStr_;
  std::string helpUrl_;
  ILogSink* log_ = nullptr;  // the request's, when it gave one
  std::string siteHost_;
  std::string statusText_ = "Vantrelle";
  std::unique_ptr<THtmlImage> selectionImage_;  // the selection cut for the last print
  std::unique_ptr<TfmPageSetupDlg> pageSetupDlg_;

  std::unique_ptr<TPreviewToolBar> toolBar_;
  std::unique_ptr<TPageBreakEditor> breaks_;
  std::unique_ptr<TViewSelection> selection_;
  std::unique_ptr<TScroller> scroller_;
  std::unique_ptr<TPaintBox> imgBox_;
  HWND zoomCombo_ = nullptr;
  FontHandle font_;
  // settingImages_ when the request gave them to the window; last, so that they go first.
  std::unique_ptr<TURLImg> ownedSettingImages_;
};

}  // namespace vt

// The all-pages print preview: every page of a laid-out print engine at once, as a grid of
// thumbnails with a grey drop shadow and a check box each, drawn one by one by a worker thread while
// the window stays usable. The person ticks pages and prints or saves just those.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/Bitmap.h"
#include "base/Controls.h"
#include "base/Form.h"
#include "base/Handles.h"
#include "page/uPrintEngine.h"
#include "preview/BtnImage.h"
#include "preview/uPagePreviewDisplayThread.h"
#include "preview/uPreviewControls.h"
#include "preview/uToolBar.h"

namespace vt {

// A thumbnail: its picture, or a blank white page until the picture comes.
class TThumbnail : public TWindow {
public:
  explicit TThumbnail(HWND parent);
  void SetPicture(std::unique_ptr<TBitmap> picture);
  const TBitmap* Picture() const { return picture_.get(); }
  void Clear();

protected:
  void Paint(HDC dc) override;

private:
  std::unique_ptr<TBitmap> picture_;
};

class TfmPrintPreview : public TForm, private IPagePreviewDisplayer {
public:
  static constexpr int kStatusBarHeight = 22;

  TfmPrintPreview();
  // Stops the worker before anything it draws into goes.
  ~TfmPrintPreview() override;

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
  int32_t PageCount() const { return pageCount_; }
  int32_t ThumbWidth() const { return thumbWidth_; }
  int32_t ThumbHeight() const { return thumbHeight_; }
  // The worker has ended and every thumbnail it drew is in its control.
  bool Idle();
  // The worker is drawing a thumbnail (the hourglass shows over the window).
  bool Drawing() const { return drawing_; }
  TToolBar& ToolBar() { return *toolBar_; }
  TBtnImage& SaveBtn() { return *saveBtn_; }
  TBtnImage& PrintBtn() { return *printBtn_; }
  TBtnImage& CloseBtn() { return *btnClose_; }
  TScroller& View() { return *sbView_; }
  TPlainPanel& ViewPanel() { return *pnlView_; }
  TThumbnail& Image(int32_t i) { return *pages_[i].image; }
  TCheckBox& CheckBox(int32_t i) { return *pages_[i].check; }
  TPlainPanel& Shadow(int32_t i) { return *pages_[i].shadow; }

protected:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void Paint(HDC dc) override;

private:
  // Where a page's thumbnail is: none, wanted from the worker, or drawn by it (coming or shown).
  enum TThumbState : uint8_t { tsNone, tsWanted, tsDrawn };
  struct TPageControls {
    std::unique_ptr<TPlainPanel> shadow;
    std::unique_ptr<TThumbnail> image;
    std::unique_ptr<TCheckBox> check;
    POINT at{};  // the thumbnail's place in the grid
  };

  // IPagePreviewDisplayer, for the worker.
  int32_t GetPageCount() override;
  void DisplayPage(int32_t index) override;

  void Open(TPrintEngine& engine);
  void CreatePageControls();
  void LayoutControls();
  void LayoutPages();
  // The controls of the pages in sight placed from the view's scroll position; the others hidden.
  // The thumbnails of pages near the view are wanted from the worker, those of pages far from it
  // let go. True when a page became wanted.
  bool PlacePageControls();
  // After a scroll: a worker for the pages that became wanted.
  void Scrolled();
  void StartWorker();
  void FormResize();
  void ZoomComboChange();
  void ViewMouseWheel(int delta, UINT keys);
  void FocusView();
  // Hands the thumbnails the worker finished to their controls (on this thread).
  void TakeThumbnails();
  // The cursor of the window under the mouse again, after the worker started or ended a page.
  void RefreshCursor();
  void ArrangeToolBar(int fontSize);
  // The save and print buttons from `skin` (may be null), else the built-in pictures of `language`.
  void ApplyLanguageButtons(const std::string& language, const TSkinSettings* skin);
  std::vector<int32_t> CheckedPages() const;

  std::unique_ptr<TToolBar> toolBar_;
  std::unique_ptr<TBtnImage> saveBtn_, printBtn_, btnClose_;
  std::unique_ptr<TScroller> sbView_;
  std::unique_ptr<TPlainPanel> pnlView_;
  FontHandle checkFont_;
  std::vector<TPageControls> pages_;
  float zoom_ = 0.5f;
  TPrintEngine* engine_ = nullptr;  // not owned
  TEngineLock engineLock_;
  std::unique_ptr<TPagePreviewDisplayThread> displayThread_;
  int32_t pageCount_ = 0;
  int32_t thumbWidth_ = 0, thumbHeight_ = 0;
  bool building_ = false;
  std::atomic<bool> drawing_{false};
  // By page; the worker claims a wanted page by making it drawn.
  std::unique_ptr<std::atomic<uint8_t>[]> states_;
  // Thumbnails the worker finished, by page index, until this thread takes them.
  std::mutex finishedLock_;
  std::vector<std::pair<int32_t, std::unique_ptr<TBitmap>>> finished_;
};

}  // namespace vt

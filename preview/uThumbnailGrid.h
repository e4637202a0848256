// The pages of the all-pages preview as a grid of thumbnails in a scroll box, each with a grey drop
// shadow and a check box, drawn one by one by a worker thread while the window stays usable. Only
// the pages in sight have their controls shown, and only those near the view keep a thumbnail, so
// that neither the grid's height nor the memory it takes grows past what the view needs.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "base/Bitmap.h"
#include "base/Controls.h"
#include "base/Handles.h"
#include "page/uPageList.h"
#include "page/uPrintEngine.h"
#include "preview/uPagePreviewDisplayThread.h"
#include "preview/uPreviewControls.h"
#include "preview/uThumbnail.h"

namespace vt {

class TThumbnailGrid : private IPagePreviewDisplayer {
public:
  // Posted by the worker to the window: thumbnails are waiting (the window calls TakeThumbnails), a
  // page began or ended (the window's cursor shows it).
  static constexpr UINT kThumbnailsMessage = WM_APP + 1, kCursorMessage = WM_APP + 2;

  // The scroll box and its panel on `form`, which hears the worker's messages.
  explicit TThumbnailGrid(HWND form);
  // Stops the worker before anything it draws into goes.
  ~TThumbnailGrid();

  // The engine whose pages the grid shows; it must outlive the grid's worker.
  void SetEngine(TPrintEngine& engine) { engine_ = &engine; }
  TPrintEngine* Engine() const { return engine_; }
  // A shadow, thumbnail and ticked check box for each page of the engine that has none yet.
  void CreatePageControls();
  // The grid laid out again for thumbnails of `zoom` times the page size, and a new worker.
  void LayoutPages(float zoom);
  // After a scroll: a worker for the pages that became wanted.
  void Scrolled();
  void ViewMouseWheel(int delta, UINT keys);
  // Hands the thumbnails the worker finished to their controls (on the window's thread).
  void TakeThumbnails();
  // The ticked pages, from 1.
  TPageList CheckedPages() const;
  // Turns at drawing through the engine: the worker waits while the window prints or saves.
  TEngineLock& EngineLock() { return engineLock_; }

  // State, for the window and tests.
  int32_t PageCount() const { return pageCount_; }
  int32_t ThumbWidth() const { return thumbWidth_; }
  int32_t ThumbHeight() const { return thumbHeight_; }
  // The worker has ended and every thumbnail it drew is in its control.
  bool Idle();
  // The worker is drawing a thumbnail (the hourglass shows over the window).
  bool Drawing() const { return drawing_; }
  TScroller& View() { return *sbView_; }
  TPlainPanel& ViewPanel() { return *pnlView_; }
  TThumbnail& Image(int32_t i) { return *pages_[i].image; }
  TCheckBox& CheckBox(int32_t i) { return *pages_[i].check; }
  TPlainPanel& Shadow(int32_t i) { return *pages_[i].shadow; }

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

  // The controls of the pages in sight placed from the view's scroll position; the others hidden.
  // The thumbnails of pages near the view are wanted from the worker, those of pages far from it
  // let go. True when a page became wanted.
  bool PlacePageControls();
  void StartWorker();

  HWND form_;
  std::unique_ptr<TScroller> sbView_;
  std::unique_ptr<TPlainPanel> pnlView_;
  FontHandle checkFont_;
  std::vector<TPageControls> pages_;
  TPrintEngine* engine_ = nullptr;  // not owned
  TEngineLock engineLock_;
  std::unique_ptr<TPagePreviewDisplayThread> displayThread_;
  int32_t pageCount_ = 0;
  int32_t thumbWidth_ = 0, thumbHeight_ = 0;
  std::atomic<bool> drawing_{false};
  // By page, one for each of `pages_`; the worker claims a wanted page by making it drawn.
  std::vector<std::atomic<uint8_t>> states_;
  // Thumbnails the worker finished, by page index, until the window's thread takes them.
  std::mutex finishedLock_;
  std::vector<std::pair<int32_t, std::unique_ptr<TBitmap>>> finished_;
};

}  // namespace vt

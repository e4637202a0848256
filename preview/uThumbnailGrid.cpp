#include "preview/uThumbnailGrid.h"

#include <algorithm>
#include <string>

#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

constexpr int kGap = 20;         // between thumbnails across
constexpr int kRowGap = 30;      // between rows, where the check box sits
constexpr int kMargin = 100;     // the grid's room around it
constexpr int kTopOfTall = 50;   // the first row of a grid higher than the view
constexpr int kShadowOffset = 4;
constexpr int kCheckBoxHeight = 17;
constexpr COLORREF kShadowColor = RGB(128, 128, 128);

}  // namespace

TThumbnailGrid::TThumbnailGrid(HWND form) : form_(form) {
  sbView_ = std::make_unique<TScroller>(form, false, true);
  pnlView_ = std::make_unique<TPlainPanel>(sbView_->Handle(), ::GetSysColor(COLOR_BTNFACE));
  WindowDC screen(nullptr);
  checkFont_.reset(::CreateFontW(-::MulDiv(9, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0,
                                 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  sbView_->OnWheel = [this](int delta, UINT keys) { ViewMouseWheel(delta, keys); };
  sbView_->OnScroll = [this] { Scrolled(); };
}

TThumbnailGrid::~TThumbnailGrid() { displayThread_.reset(); }

void TThumbnailGrid::CreatePageControls() {
  const int32_t count = engine_->GetPageCount();
  if (count > static_cast<int32_t>(pages_.size())) {
    // The worker reads the states: it goes before they are sized for the new pages.
    displayThread_.reset();
    states_ = std::vector<std::atomic<uint8_t>>(count);
  }
  for (int32_t i = static_cast<int32_t>(pages_.size()); i < count; ++i) {
    TPageControls page;
    // In this order, so that the shadow lies beneath the thumbnail.
    page.shadow = std::make_unique<TPlainPanel>(pnlView_->Handle(), kShadowColor);
    page.image = std::make_unique<TThumbnail>(pnlView_->Handle());
    page.check = std::make_unique<TCheckBox>(pnlView_->Handle(), -1, 0, 0, 0, 0);
    page.check->SetFont(checkFont_.get());
    page.check->SetChecked(true);
    pages_.push_back(std::move(page));
  }
}

void TThumbnailGrid::LayoutPages(float zoom) {
  displayThread_.reset();
  {
    // What the stopped worker finished for the old layout is not shown.
    std::lock_guard<std::mutex> guard(finishedLock_);
    finished_.clear();
  }
  pageCount_ = std::min<int32_t>(engine_->GetPageCount(), static_cast<int32_t>(pages_.size()));
  thumbWidth_ = static_cast<int32_t>(engine_->Geometry().PageWidth * zoom);
  thumbHeight_ = static_cast<int32_t>(engine_->Geometry().PageHeight * zoom);
  const int horz = sbView_->HorzPosition(), vert = sbView_->VertPosition();
  sbView_->SetPositions(0, 0);
  pnlView_->SetVisible(false);

  const int w = sbView_->Width() - 4, h = sbView_->Height() - 4;
  // As many columns as fit with the margins, at least one, at most one per page.
  int columns = (w - kMargin + kGap) / (thumbWidth_ + kGap);
  if (columns >= pageCount_) columns = pageCount_;
  if (columns < 1) columns = 1;
  const int rows = pageCount_ / columns + (pageCount_ % columns != 0 ? 1 : 0);
  const int contentWidth = columns * thumbWidth_ + (columns - 1) * kGap;
  const int panelWidth = std::max(contentWidth + kMargin, w);
  const int contentHeight = (thumbHeight_ + kRowGap) * rows;
  int panelHeight = contentHeight + kMargin;
  const bool fits = panelHeight < h;
  if (fits) panelHeight = h;

  const std::wstring caption = L"%d/%d " + LoadResStringW(kCaptionPage);
  int x = 0, y = 0;
  for (int32_t i = 1; i <= pageCount_; ++i) {
    if (i % columns == 1 || columns == 1) {
      x = (w - contentWidth) / 2;
      y = i > 1 ? y + thumbHeight_ + kRowGap : fits ? (h - contentHeight) / 2 : kTopOfTall;
    } else {
      x += thumbWidth_ + kGap;
    }
    TPageControls& page = pages_[i - 1];
    page.at = POINT{x, y};
    page.image->Clear();
    states_[i - 1] = tsNone;
    wchar_t text[128];
    swprintf(text, sizeof(text) / sizeof(text[0]), caption.c_str(), i, pageCount_);
    page.check->SetText(text);
  }
  // Pages that other sheets no longer give keep their controls for a later layout, out of sight.
  for (size_t i = pageCount_; i < pages_.size(); ++i) {
    TPageControls& page = pages_[i];
    states_[i] = tsNone;
    page.image->Clear();
    for (HWND wnd : {page.shadow->Handle(), page.image->Handle(), page.check->Handle()}) ::ShowWindow(wnd, SW_HIDE);
  }
  sbView_->SetContent(pnlView_.get(), 0, 0, panelWidth, panelHeight);
  pnlView_->SetVisible(true);
  sbView_->SetPositions(horz, vert);
  PlacePageControls();
  StartWorker();
}

void TThumbnailGrid::StartWorker() {
  displayThread_.reset();
  displayThread_ = std::make_unique<TPagePreviewDisplayThread>(&engineLock_);
  displayThread_->Start(this, false);
}

void TThumbnailGrid::Scrolled() {
  if (PlacePageControls()) StartWorker();
}

bool TThumbnailGrid::Idle() {
  TakeThumbnails();
  return !displayThread_ || ::WaitForSingleObject(displayThread_->DoneEvent(), 0) == WAIT_OBJECT_0;
}

bool TThumbnailGrid::PlacePageControls() {
  // A grid may be higher than a window can be: only the pages in sight have their controls shown,
  // placed from the part of the grid the panel shows. Thumbnails are kept for the pages within a
  // view's size of it, so that the memory they take does not grow with the document.
  TakeThumbnails();
  const POINT origin = sbView_->ContentOrigin();
  const int w = pnlView_->Width(), h = pnlView_->Height();
  bool wanted = false;
  for (int32_t i = 0; i < pageCount_; ++i) {
    TPageControls& page = pages_[i];
    const int x = page.at.x - origin.x, y = page.at.y - origin.y;
    const int right = x + thumbWidth_ + kShadowOffset, bottom = y + thumbHeight_ + kRowGap;
    const bool inSight = right > 0 && x < w && bottom > 0 && y < h;
    if (right > -w && x < 2 * w && bottom > -h && y < 2 * h) {
      uint8_t none = tsNone;
      wanted |= states_[i].compare_exchange_strong(none, tsWanted);
    } else {
      states_[i] = tsNone;
      page.image->Clear();
    }
    const std::pair<HWND, RECT> controls[] = {
        {page.shadow->Handle(), RECT{x + kShadowOffset, y + kShadowOffset, thumbWidth_, thumbHeight_}},
        {page.image->Handle(), RECT{x, y, thumbWidth_, thumbHeight_}},
        {page.check->Handle(), RECT{x + kShadowOffset, y + kShadowOffset + thumbHeight_ + 2, thumbWidth_,
                                    kCheckBoxHeight}}};
    for (const auto& [wnd, r] : controls) {
      // Moved first: a window shown or hidden by the same call keeps its place.
      if (inSight) ::SetWindowPos(wnd, nullptr, r.left, r.top, r.right, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
      ::ShowWindow(wnd, inSight ? SW_SHOWNA : SW_HIDE);
    }
  }
  return wanted;
}

int32_t TThumbnailGrid::GetPageCount() { return pageCount_; }

void TThumbnailGrid::DisplayPage(int32_t index) {
  // Only a page near the view, and only once.
  uint8_t wanted = tsWanted;
  if (!states_[index].compare_exchange_strong(wanted, tsDrawn)) return;
  // The hourglass for the page's time, however its drawing ends.
  drawing_ = true;
  ::PostMessageW(form_, kCursorMessage, 0, 0);
  const ScopeGuard drawn([this] {
    drawing_ = false;
    ::PostMessageW(form_, kCursorMessage, 0, 0);
  });
  // A bitmap of the worker's own; the window's thread takes it over when it is finished.
  auto picture = std::make_unique<TBitmap>(thumbWidth_, thumbHeight_);
  if (picture->Empty()) return;
  engine_->RenderPage(picture->Canvas(), index + 1);
  ::GdiFlush();
  {
    std::lock_guard<std::mutex> guard(finishedLock_);
    finished_.emplace_back(index, std::move(picture));
  }
  ::PostMessageW(form_, kThumbnailsMessage, 0, 0);
}

void TThumbnailGrid::TakeThumbnails() {
  std::vector<std::pair<int32_t, std::unique_ptr<TBitmap>>> taken;
  {
    std::lock_guard<std::mutex> guard(finishedLock_);
    taken.swap(finished_);
  }
  for (auto& [index, picture] : taken) {
    // A page that went far from the view meanwhile lets its thumbnail go.
    if (index < pageCount_ && states_[index] == tsDrawn) pages_[index].image->SetPicture(std::move(picture));
  }
}

void TThumbnailGrid::ViewMouseWheel(int delta, UINT keys) {
  sbView_->ScrollByWheel(delta, keys);
  Scrolled();
}

TPageList TThumbnailGrid::CheckedPages() const {
  std::vector<int32_t> pages;
  for (int32_t i = 0; i < pageCount_; ++i)
    if (pages_[i].check->Checked()) pages.push_back(i + 1);
  return TPageList(std::move(pages));
}

}  // namespace vt

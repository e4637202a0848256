#include "preview/frmPrintPreview.h"

#include <algorithm>

#include "base/Dialogs.h"
#include "base/MessagePump.h"
#include "base/ModalState.h"
#include "base/Strings.h"
#include "preview/uPrintSave.h"
#include "preview/uSkinFile.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

constexpr int kClientWidth = 754, kClientHeight = 545;
constexpr int kGap = 20;         // between thumbnails across
constexpr int kRowGap = 30;      // between rows, where the check box sits
constexpr int kMargin = 100;     // the grid's room around it
constexpr int kTopOfTall = 50;   // the first row of a grid higher than the view
constexpr int kShadowOffset = 4;
constexpr int kCheckBoxHeight = 17;
constexpr COLORREF kShadowColor = RGB(128, 128, 128);
// Posted by the worker: thumbnails are waiting (kThumbnailsMessage), a page began or ended
// (kCursorMessage).
constexpr UINT kThumbnailsMessage = WM_APP + 1, kCursorMessage = WM_APP + 2;

// Gulim, the face the zoom list was designed with.
const wchar_t kComboFace[] = L"\uAD74\uB9BC";

}  // namespace

TThumbnail::TThumbnail(HWND parent) { CreateChild(L"VantrelleThumbnail", parent, 0, 0, 0, 0); }

void TThumbnail::SetPicture(std::unique_ptr<TBitmap> picture) {
  picture_ = std::move(picture);
  Invalidate();
}

void TThumbnail::Clear() { SetPicture(nullptr); }

void TThumbnail::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  if (picture_) {
    ::BitBlt(dc, 0, 0, picture_->Width(), picture_->Height(), picture_->Canvas(), 0, 0, SRCCOPY);
    ::ExcludeClipRect(dc, 0, 0, picture_->Width(), picture_->Height());
  }
  ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

TfmPrintPreview::TfmPrintPreview()
    : TForm(nullptr, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, kClientWidth, kClientHeight, L"Arial", 11) {
  SetCaption(LoadResStringW(kCaptionPrintPreview));
  toolBar_ = std::make_unique<TToolBar>(Handle(), 1, kComboFace, 12, 2);
  saveBtn_ = toolBar_->NewButton(164, "ID_ENG_SAVE_UP", "ID_ENG_SAVE_DOWN");
  printBtn_ = toolBar_->NewButton(243, "ID_ENG_PRINT_UP", "ID_ENG_PRINT_DOWN");
  btnClose_ = toolBar_->NewButton(397, "TOOL_CLOSE_UP", "TOOL_CLOSE_DOWN");
  btnClose_->SetVisible(false);
  sbView_ = std::make_unique<TScroller>(Handle(), false, true);
  pnlView_ = std::make_unique<TPlainPanel>(sbView_->Handle(), ::GetSysColor(COLOR_BTNFACE));
  WindowDC screen(nullptr);
  checkFont_.reset(::CreateFontW(-::MulDiv(9, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0,
                                 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));

  toolBar_->ZoomIn().OnClick = [this](TWindow&) { ZoomIn(); };
  toolBar_->ZoomOut().OnClick = [this](TWindow&) { ZoomOut(); };
  printBtn_->OnClick = [this](TWindow&) { PrintBtnClick(); };
  saveBtn_->OnClick = [this](TWindow&) { SaveBtnClick(); };
  btnClose_->OnClick = [this](TWindow&) { Close(); };
  sbView_->OnWheel = [this](int delta, UINT keys) { ViewMouseWheel(delta, keys); };
  sbView_->OnScroll = [this] { Scrolled(); };
  pnlView_->OnClick = [this](TWindow&) { FocusView(); };
  LayoutControls();
}

TfmPrintPreview::~TfmPrintPreview() { displayThread_.reset(); }

void TfmPrintPreview::LayoutControls() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  toolBar_->SetWidth(client.right);
  const int top = toolBar_->Height();
  sbView_->SetBounds(0, top, client.right, std::max<int>(0, client.bottom - top - kStatusBarHeight));
  Invalidate();
}

void TfmPrintPreview::Paint(HDC dc) {
  TForm::Paint(dc);
  // The status bar: no panels, nothing written to it.
  RECT client{};
  ::GetClientRect(Handle(), &client);
  RECT bar{0, client.bottom - kStatusBarHeight, client.right, client.bottom};
  ::DrawEdge(dc, &bar, BDR_RAISEDINNER, BF_TOP);
}

void TfmPrintPreview::ShowPreview(TPrintEngine& engine) {
  // Modal from before the window shows, so that the modal guard leaves it enabled.
  TModalScope modal;
  struct TDisabled {
    TaskWindowList list;
    ~TDisabled() { EnableTaskWindows(list); }
  } others{DisableTaskWindows(Handle())};
  Open(engine);
  RunDialog(DialogRequest{"TfmPrintPreview", ToAnsi(Caption()), "", 0}, [this] { return ShowModal(); });
}

void TfmPrintPreview::ShowNonModal(TPrintEngine& engine) { Open(engine); }

void TfmPrintPreview::Open(TPrintEngine& engine) {
  engine_ = &engine;
  zoom_ = 0.5f;
  building_ = true;
  CreatePageControls();
  ::ShowWindow(Handle(), SW_SHOWMAXIMIZED);
  ProcessMessages();
  LayoutPages();
  building_ = false;
  FocusView();
}

void TfmPrintPreview::CreatePageControls() {
  const int32_t count = engine_->GetPageCount();
  if (!states_) {
    states_ = std::make_unique<std::atomic<uint8_t>[]>(count);
    for (int32_t i = 0; i < count; ++i) states_[i] = tsNone;
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

void TfmPrintPreview::LayoutPages() {
  displayThread_.reset();
  {
    // What the stopped worker finished for the old layout is not shown.
    std::lock_guard<std::mutex> guard(finishedLock_);
    finished_.clear();
  }
  pageCount_ = std::min<int32_t>(engine_->GetPageCount(), static_cast<int32_t>(pages_.size()));
  thumbWidth_ = static_cast<int32_t>(engine_->PageWidth * zoom_);
  thumbHeight_ = static_cast<int32_t>(engine_->PageHeight * zoom_);
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
  sbView_->SetContent(pnlView_.get(), 0, 0, panelWidth, panelHeight);
  pnlView_->SetVisible(true);
  sbView_->SetPositions(horz, vert);
  PlacePageControls();
  StartWorker();
}

void TfmPrintPreview::StartWorker() {
  displayThread_.reset();
  displayThread_ = std::make_unique<TPagePreviewDisplayThread>(&engineLock_);
  displayThread_->Start(this, false);
}

void TfmPrintPreview::Scrolled() {
  if (PlacePageControls()) StartWorker();
}

bool TfmPrintPreview::Idle() {
  TakeThumbnails();
  return !displayThread_ || ::WaitForSingleObject(displayThread_->DoneEvent(), 0) == WAIT_OBJECT_0;
}

bool TfmPrintPreview::PlacePageControls() {
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

int32_t TfmPrintPreview::GetPageCount() { return pageCount_; }

void TfmPrintPreview::DisplayPage(int32_t index) {
  // Only a page near the view, and only once.
  uint8_t wanted = tsWanted;
  if (!states_[index].compare_exchange_strong(wanted, tsDrawn)) return;
  // The hourglass for the page's time, however its drawing ends.
  struct TDrawing {
    TfmPrintPreview& form;
    explicit TDrawing(TfmPrintPreview& f) : form(f) {
      form.drawing_ = true;
      ::PostMessageW(form.Handle(), kCursorMessage, 0, 0);
    }
    ~TDrawing() {
      form.drawing_ = false;
      ::PostMessageW(form.Handle(), kCursorMessage, 0, 0);
    }
  } drawing(*this);
  // A bitmap of the worker's own; the window's thread takes it over when it is finished.
  auto picture = std::make_unique<TBitmap>(thumbWidth_, thumbHeight_);
  if (picture->Empty()) return;
  engine_->RenderPage(picture->Canvas(), index + 1);
  ::GdiFlush();
  {
    std::lock_guard<std::mutex> guard(finishedLock_);
    finished_.emplace_back(index, std::move(picture));
  }
  ::PostMessageW(Handle(), kThumbnailsMessage, 0, 0);
}

void TfmPrintPreview::TakeThumbnails() {
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

void TfmPrintPreview::RefreshCursor() {
  POINT pos{};
  ::GetCursorPos(&pos);
  HWND under = ::WindowFromPoint(pos);
  if (under && (under == Handle() || ::IsChild(Handle(), under)))
    ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void TfmPrintPreview::FocusView() {
  if (::IsWindowVisible(Handle())) ::SetFocus(sbView_->Handle());
}

void TfmPrintPreview::FormResize() {
  if (building_ || !engine_) return;
  LayoutPages();
  FocusView();
}

void TfmPrintPreview::ZoomComboChange() {
  const int index = toolBar_->ZoomIndex();
  if (index >= 0 && index < TToolBar::kZoomCount) zoom_ = static_cast<float>(TToolBar::kZooms[index]);
  if (engine_) LayoutPages();
  FocusView();
}

void TfmPrintPreview::SelectZoomIndex(int index) {
  toolBar_->SetZoomIndex(index);
  ZoomComboChange();
}

void TfmPrintPreview::ZoomIn() { SelectZoomIndex(std::max(toolBar_->ZoomIndex() - 1, 0)); }

void TfmPrintPreview::ZoomOut() { SelectZoomIndex(std::min(toolBar_->ZoomIndex() + 1, TToolBar::kZoomCount - 1)); }

void TfmPrintPreview::ViewMouseWheel(int delta, UINT keys) {
  sbView_->ScrollByWheel(delta, keys);
  Scrolled();
}

std::vector<int32_t> TfmPrintPreview::CheckedPages() const {
  std::vector<int32_t> pages;
  for (int32_t i = 0; i < pageCount_; ++i)
    if (pages_[i].check->Checked()) pages.push_back(i + 1);
  return pages;
}

void TfmPrintPreview::PrintBtnClick() {
  const std::vector<int32_t> checked = CheckedPages();
  const bool any = !checked.empty();
  // Ticked pages are offered as the selection; with none ticked only all pages are.
  const std::optional<TPrintChoice> choice =
      RunPrintDialog(Handle(), {pageCount_, false, any, any ? prSelection : prAllPages});
  if (!choice) return;
  std::vector<int32_t> pages;
  if (choice->range == prAllPages)
    for (int32_t i = 1; i <= pageCount_; ++i) pages.push_back(i);
  else if (choice->range == prSelection)
    pages = checked;
  try {
    // The engine draws for one thread at a time: the worker waits meanwhile.
    TEngineLock::THold turn(engineLock_);
    PrintPageList(Handle(), *engine_, pages);
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
}

void TfmPrintPreview::SaveBtnClick() {
  if (SaveAllowed(Handle())) PrintSaveToFile();
}

void TfmPrintPreview::PrintSaveToFile() {
  std::string list;
  for (int32_t page : CheckedPages()) list += std::to_string(page) + ",";
  if (list.empty()) {
    ShowMessageBox(Handle(), LoadResString(kMsgSelectPagesToSaveOrPrint), "Vantrelle", MB_ICONEXCLAMATION | MB_OK);
    return;
  }
  // The worker waits while the dialog is open and the files are written.
  TEngineLock::THold turn(engineLock_);
  SaveCommand(Handle(), *engine_, list, nullptr, "");
}

LRESULT TfmPrintPreview::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kThumbnailsMessage:
      TakeThumbnails();
      return 0;
    case kCursorMessage:
      RefreshCursor();
      return 0;
    case WM_SETCURSOR:
      if (drawing_ && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514) /* IDC_WAIT */));
        return TRUE;
      }
      break;
    case WM_SIZE:
      if (!sbView_) break;
      LayoutControls();
      if (wParam != SIZE_MINIMIZED) FormResize();
      return 0;
    case WM_COMMAND:
      if (toolBar_ && reinterpret_cast<HWND>(lParam) == toolBar_->Combo()) {
        if (HIWORD(wParam) == CBN_SELCHANGE) ZoomComboChange();
        return 0;
      }
      break;
    case WM_MOUSEWHEEL:
      ViewMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && sbView_) ::SetFocus(sbView_->Handle());
      return 0;
    default:
      break;
  }
  return TForm::HandleMessage(msg, wParam, lParam);
}

}  // namespace vt

#include "preview/frmPrintPreview.h"

#include <algorithm>
#include <utility>

#include "base/Boundary.h"
#include "base/Dialogs.h"
#include "base/MessagePump.h"
#include "base/ModalState.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "preview/uPrintSave.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

constexpr int kClientWidth = 754, kClientHeight = 545;

}  // namespace

TfmPrintPreview::TfmPrintPreview()
    : TForm(nullptr, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, kClientWidth, kClientHeight, L"Arial", 11) {
  SetCaption(LoadResStringW(kCaptionPrintPreview));
  toolBar_ = std::make_unique<TPrintPreviewToolBar>(Handle());
  grid_ = std::make_unique<TThumbnailGrid>(Handle());

  toolBar_->ZoomIn().OnClick = [this](TWindow&) { ZoomIn(); };
  toolBar_->ZoomOut().OnClick = [this](TWindow&) { ZoomOut(); };
  toolBar_->PrintBtn().OnClick = [this](TWindow&) { PrintBtnClick(); };
  toolBar_->SaveBtn().OnClick = [this](TWindow&) { SaveBtnClick(); };
  toolBar_->CloseBtn().OnClick = [this](TWindow&) { Close(); };
  grid_->ViewPanel().OnClick = [this](TWindow&) { FocusView(); };
  LayoutControls();
}

void TfmPrintPreview::LoadSkin(const std::string& section, const std::string& iniPath, ILogSink* log) {
  toolBar_->LoadSkin(section, iniPath, log);
  LayoutControls();
}

void TfmPrintPreview::LayoutControls() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  toolBar_->SetWidth(client.right);
  const int top = toolBar_->Height();
  grid_->View().SetBounds(0, top, client.right, std::max<int>(0, client.bottom - top - kStatusBarHeight));
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
  TaskWindowList others = DisableTaskWindows(Handle());
  const ScopeGuard enableOthers([&] { EnableTaskWindows(others); });
  Open(engine);
  RunDialog(DialogRequest{"TfmPrintPreview", ToAnsi(Caption()), "", 0},
            [&] { return ShowModal(std::exchange(others, {})); });
}

void TfmPrintPreview::ShowNonModal(TPrintEngine& engine) { Open(engine); }

void TfmPrintPreview::Open(TPrintEngine& engine) {
  grid_->SetEngine(engine);
  zoom_ = 0.5f;
  building_ = true;
  grid_->CreatePageControls();
  ::ShowWindow(Handle(), SW_SHOWMAXIMIZED);
  ProcessMessages();
  grid_->LayoutPages(zoom_);
  building_ = false;
  FocusView();
}

void TfmPrintPreview::RefreshCursor() {
  POINT pos{};
  ::GetCursorPos(&pos);
  HWND under = ::WindowFromPoint(pos);
  if (under && (under == Handle() || ::IsChild(Handle(), under)))
    ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

void TfmPrintPreview::FocusView() {
  if (::IsWindowVisible(Handle())) ::SetFocus(grid_->View().Handle());
}

void TfmPrintPreview::FormResize() {
  if (building_ || !grid_->Engine()) return;
  grid_->LayoutPages(zoom_);
  FocusView();
}

void TfmPrintPreview::ZoomComboChange() {
  const int index = toolBar_->ZoomIndex();
  if (index >= 0 && index < TToolBar::kZoomCount) zoom_ = static_cast<float>(TToolBar::kZooms[index]);
  if (grid_->Engine()) grid_->LayoutPages(zoom_);
  FocusView();
}

void TfmPrintPreview::SelectZoomIndex(int index) {
  toolBar_->SetZoomIndex(index);
  ZoomComboChange();
}

void TfmPrintPreview::ZoomIn() { SelectZoomIndex(std::max(toolBar_->ZoomIndex() - 1, 0)); }

void TfmPrintPreview::ZoomOut() { SelectZoomIndex(std::min(toolBar_->ZoomIndex() + 1, TToolBar::kZoomCount - 1)); }

void TfmPrintPreview::PrintBtnClick() {
  // Ticked pages are offered as the selection; with none ticked only all pages are.
  const bool any = !grid_->CheckedPages().Empty();
  const std::optional<TPrintChoice> choice =
      RunPrintDialog(Handle(), {grid_->PageCount(), false, any, any ? prSelection : prAllPages});
  if (!choice) return;
  CommandBoundary("", [&] {
    // The engine draws for one thread at a time: the worker waits meanwhile.
    const MutexTurn turn = grid_->EngineLock().Acquire(nullptr);
    // Sheets of another size chosen in the dialog: pages and thumbnails are laid out for them first.
    if (!grid_->Engine()->FitsPrinter()) {
      grid_->Engine()->LayoutAgain();
      grid_->CreatePageControls();
      grid_->LayoutPages(zoom_);
    }
    TPageList pages;
    if (choice->range == prAllPages) pages = TPageList::Range(1, grid_->PageCount());
    else if (choice->range == prSelection) pages = grid_->CheckedPages();
    PrintPages(Handle(), *grid_->Engine(), pages);
  });
}

void TfmPrintPreview::SaveBtnClick() {
  if (SaveAllowed(Handle())) PrintSaveToFile();
}

void TfmPrintPreview::PrintSaveToFile() {
  const TPageList pages = grid_->CheckedPages();
  if (pages.Empty()) {
    ShowMessageBox(Handle(), LoadResString(kMsgSelectPagesToSaveOrPrint), "Vantrelle", MB_ICONEXCLAMATION | MB_OK);
    return;
  }
  // The worker waits while the dialog is open and the files are written.
  const MutexTurn turn = grid_->EngineLock().Acquire(nullptr);
  SaveCommand(Handle(), *grid_->Engine(), pages, nullptr, "");
}

LRESULT TfmPrintPreview::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case TThumbnailGrid::kThumbnailsMessage:
      grid_->TakeThumbnails();
      return 0;
    case TThumbnailGrid::kCursorMessage:
      RefreshCursor();
      return 0;
    case WM_SETCURSOR:
      if (grid_ && grid_->Drawing() && LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514) /* IDC_WAIT */));
        return TRUE;
      }
      break;
    case WM_SIZE:
      if (!grid_) break;
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
      grid_->ViewMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && grid_) ::SetFocus(grid_->View().Handle());
      return 0;
    default:
      break;
  }
  return TForm::HandleMessage(msg, wParam, lParam);
}

}  // namespace vt

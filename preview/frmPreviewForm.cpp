#include "preview/frmPreviewForm.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "base/Dialogs.h"
#include "base/ModalState.h"
#include "base/Numbers.h"
#include "base/Strings.h"
#include "capture/uWebUtils.h"
#include "page/uDateTimeFormat.h"
#include "page/uHtmlImage.h"
#include "page/uURLImg.h"
#include "preview/frmPageSetupDlg.h"
#include "resources/StringIds.h"

namespace vt {

namespace {
constexpr int kClientWidth = 838, kClientHeight = 494;

// "true"/"false" in any letter case, or an integer (non-zero is true).
bool CloseButtonFlag(const std::string& text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower == "true") return true;
  if (lower == "false") return false;
  std::optional<int32_t> number = TryStrToInt(text);
  if (!number) throw ConversionError("'" + text + "' is not a valid boolean value");
  return *number != 0;
}
}  // namespace

TfmPreviewForm::TfmPreviewForm(HWND hostWindow) : hostWindow_(hostWindow) {
  RECT frame{0, 0, kClientWidth, kClientHeight};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  ::AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT work{0, 0, 1024, 768};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  // The owner keeps the preview above the browser window.
  CreateHandle(L"VantrellePreviewForm", style, 0, hostWindow, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height);
  ::SetWindowTextW(Handle(), L"Vantrelle S");
  font_.reset(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  engine_.Settings.CenterHorz = true;
  engine_.Settings.CenterVert = false;
  engine_.Settings.DateTime = NowDateTime();
  engine_.Settings.UserIP = GetLocalIP();
  CreateControls();
  LayoutControls();
}

// A drag ends while the view is whole: destroying the rulers and the view box takes the mouse
// from them.
TfmPreviewForm::~TfmPreviewForm() { breaks_->CancelDrag(); }

void TfmPreviewForm::CreateControls() {
  // The form's own buttons come with the tool bar, in English until the request chooses.
  toolBar_ = std::make_unique<TPreviewToolBar>(Handle());
  zoomCombo_ = toolBar_->Combo();
  scroller_ = std::make_unique<TScroller>(Handle());
  imgBox_ = std::make_unique<TPaintBox>(scroller_->Handle());
  breaks_ = std::make_unique<TPageBreakEditor>(*this, Handle());
  imgBox_->OnCursor = [this](int x, int y) { return ViewCursor(x, y); };
  imgBox_->OnPaint = [this](HDC dc, const RECT& clip) { PaintView(dc, clip); };
  selection_ = std::make_unique<TViewSelection>(*this, toolBar_->SelectBtn());
  ::SetClassLongPtrW(imgBox_->Handle(), GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(selection_->ViewCursor()));

  TPreviewToolBar& bar = *toolBar_;
  bar.ArrangeToolBar(9);
  LayoutControls();

  auto checked = [this](void (TfmPreviewForm::*action)()) {
    return [this, action](TWindow& sender, TMouseButton button, UINT, int x, int y) {
      if (IsReleaseInside(x, y, sender, button)) (this->*action)();
    };
  };
  bar.ZoomIn().OnMouseUp = checked(&TfmPreviewForm::ZoomIn);
  bar.ZoomOut().OnMouseUp = checked(&TfmPreviewForm::ZoomOut);
  bar.PageSetupBtn().OnMouseUp = checked(&TfmPreviewForm::OpenPageSetup);
  bar.PrintBtn().OnMouseUp = checked(&TfmPreviewForm::Print);
  bar.SelectBtn().OnMouseUp = [this](TWindow& sender, TMouseButton button, UINT, int x, int y) {
    if (IsReleaseInside(x, y, sender, button)) selection_->SelectBtnMouseUp();
  };
  // Save, Help and Close act on any release.
  bar.SaveBtn().OnMouseUp = [this](TWindow&, TMouseButton, UINT, int, int) { SaveBtnMouseUp(); };
  bar.HelpBtn().OnMouseUp = [this](TWindow&, TMouseButton, UINT, int, int) { OpenHelpPage(); };
  bar.CloseBtn().OnMouseUp = [this](TWindow&, TMouseButton, UINT, int, int) { Close(); };
  bar.PreviewBtn().OnClick = [this](TWindow&) { OpenPrintPreview(); };

  scroller_->OnResize = [this] { ProcessResize(); };
  scroller_->OnKey = [this](UINT msg, WPARAM wParam, LPARAM lParam) { HandleMessage(msg, wParam, lParam); };
  scroller_->OnWheel = [this](int delta, UINT keys) { ScrollerMouseWheel(delta, keys); };
  scroller_->OnScroll = [this] { InitPageControls(); };
  scroller_->OnMouseDown = [this](TWindow&, TMouseButton button, UINT, int, int) {
    if (button != mbLeft) return;
    if (::GetFocus() != scroller_->Handle()) ::SetFocus(scroller_->Handle());
    selection_->SelectAreaLeaveEditing();
  };
  // A click on the scroll box applies the combo's zoom again.
  scroller_->OnClick = [this](TWindow&) { ZoomComboChange(); };
  imgBox_->OnMouseDown = [this](TWindow&, TMouseButton button, UINT, int x, int y) {
    if (!selection_->AreaMouseDown(button, x, y)) ImageMouseDown(button, x, y);
  };
  imgBox_->OnMouseMove = [this](TWindow&, TMouseButton, UINT keys, int x, int y) {
    if (!selection_->AreaMouseMove(x, y)) ImageMouseMove(keys, x, y);
  };
  imgBox_->OnMouseUp = [this](TWindow& sender, TMouseButton button, UINT keys, int x, int y) {
    if (selection_->AreaMouseUp(button)) return;
    if (breaks_->Dragging()) breaks_->DelimiterMouseUp(sender.Handle(), button, keys, x, y);
    if (button != mbLeft) return;
    if (mouseDown_ && selection_->SelectBtnDown()) selection_->SelectMouseUp();
    mouseDown_ = false;
  };
  // A drag that lost the mouse would otherwise drop its break at the next click.
  imgBox_->OnCaptureLost = [this] { breaks_->CancelDrag(); };
}

void TfmPreviewForm::LoadSkin(const std::string& section, const std::string& iniPath, ILogSink* log) {
  toolBar_->LoadSkin(section, iniPath, log);
  LayoutControls();
}

void TfmPreviewForm::LayoutControls() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int w = client.right, h = client.bottom;
  const int top = toolBar_->Height() + kRulerSize;
  const int bodyHeight = std::max(0, h - top - kStatusBarHeight);
  toolBar_->SetWidth(w);
  breaks_->TopRuler().SetBounds(0, toolBar_->Height(), w, kRulerSize);
  breaks_->LeftRuler().SetBounds(0, top, kRulerSize, bodyHeight);
  scroller_->SetBounds(kRulerSize, top, std::max(0, w - kRulerSize), bodyHeight);
  Invalidate();
}

void TfmPreviewForm::Paint(HDC dc) {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  BrushHandle face(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
  ::FillRect(dc, &client, face.get());
  // The status bar: one panel of 200 pixels.
  RECT panel{2, client.bottom - kStatusBarHeight + 2, 200, client.bottom - 2};
  ::DrawEdge(dc, &panel, BDR_SUNKENOUTER, BF_RECT);
  const SelectObjectScope selected(dc, font_.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  panel.left += 4;
  ::DrawTextA(dc, statusText_.c_str(), -1, &panel, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void TfmPreviewForm::SetStatusText(const std::string& text) {
  statusText_ = text;
  Invalidate();
}

void TfmPreviewForm::SetUserStr(const std::string& value) {
  userStr_ = value;
  engine_.Settings.UserStr = value;
}

void TfmPreviewForm::SetUp(const TPreviewRequest& request) {
  captureGraphic_ = request.captureGraphic;
  imageBuilder_ = request.imageBuilder;
  ::SendMessageW(zoomCombo_, CB_SETCURSEL, 0, 0);
  zoom_ = 1.0;
  viewMode_ = vmPageView;
  // The same images given again change hands without being freed.
  if (ownedSettingImages_.get() == request.settingImages) ownedSettingImages_.release();
  ownedSettingImages_.reset(request.ownsSettingImages ? request.settingImages : nullptr);
  settingImages_ = request.settingImages;
  captureRect_ = request.captureRect;
  printWithoutPreview_ = request.printWithoutPreview;
  ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  if (!request.userStr.empty()) SetUserStr(request.userStr);
  helpUrl_ = request.helpUrl;
  log_ = request.log;
  siteHost_ = request.siteHost;
  if (!request.closeButton.empty()) toolBar_->CloseBtn().SetVisible(CloseButtonFlag(request.closeButton));
  if (request.pageBreaks) engine_.Settings.PageBreaks = request.pageBreaks;
  if (!request.pageBreaksLandscape)
    engine_.Settings.PageBreaksLandscape = nullptr;
  else if (request.pageBreaksLandscape->size() > 1)
    engine_.Settings.PageBreaksLandscape = request.pageBreaksLandscape;
  breaks_->CancelDrag();
  engine_.Settings.FitMode = request.fitMode;
  engine_.Settings.CenterVert = request.centerVert;
  engine_.Settings.CenterHorz = request.centerHorz;
  RenderView();
  SetViewMode(vmCaptureView);
  ApplyZoom(1.0);
  mouseDown_ = false;
  if (request.fitWindow == 1) FitToImage(captureGraphic_);
}

void TfmPreviewForm::ShowPreview(const TPreviewRequest& request) {
  SetUp(request);
  if (printWithoutPreview_ || closed_) return;
  RunModalLoop();
}

void TfmPreviewForm::ShowNonModal(const TPreviewRequest& request) {
  SetUp(request);
  if (printWithoutPreview_ || closed_) return;
  ::ShowWindow(Handle(), maximized_ ? SW_SHOWMAXIMIZED : SW_SHOW);
  ::SetForegroundWindow(Handle());
  ::SetFocus(scroller_->Handle());
}

void TfmPreviewForm::RunModalLoop() {
  TModalScope modal;
  char caption[256] = "";
  ::GetWindowTextA(Handle(), caption, sizeof(caption));
  RunDialog(DialogRequest{"TfmPreviewForm", caption, "", 0}, [this] {
    // As any modal form: the other windows of the thread, the owner among them, wait for it.
    disabledWindows_ = DisableTaskWindows(Handle());
    ::ShowWindow(Handle(), maximized_ ? SW_SHOWMAXIMIZED : SW_SHOW);
    ::SetForegroundWindow(Handle());
    ::SetFocus(scroller_->Handle());
    MSG msg;
    while (!closed_) {
      const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
      if (got <= 0) {
        // A quit request ends the loop and stays for the loop outside.
        if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      // The window sees keys before its combo box does.
      const bool comboKey = (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) &&
                            (msg.hwnd == zoomCombo_ || ::IsChild(zoomCombo_, msg.hwnd));
      if (comboKey) {
        HandleMessage(msg.message, msg.wParam, msg.lParam);
        if (closed_) break;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    EnableTaskWindows(disabledWindows_);
    ::ShowWindow(Handle(), SW_HIDE);
    return IDOK;
  });
  closed_ = true;
}

void TfmPreviewForm::Close() {
  closed_ = true;
  // The other windows come back before this one goes, so that activation returns to the owner.
  EnableTaskWindows(disabledWindows_);
  ::ShowWindow(Handle(), SW_HIDE);
}

void TfmPreviewForm::FitToImage(THtmlImage* graphic) {
  if (!graphic) return;
  RECT work{}, window{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::GetWindowRect(Handle(), &window);
  const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  // The window around a scroll box whose client area is the picture's size.
  int width = (window.right - window.left) - scroller_->ClientWidth() + graphic->GetImageWidth();
  int height = (window.bottom - window.top) - scroller_->ClientHeight() + graphic->GetImageHeight();
  // A narrow picture does not cut the tool bar off.
  RECT client{};
  ::GetClientRect(Handle(), &client);
  width = std::max<int>(width, (window.right - window.left) - client.right + toolBar_->ButtonsWidth());
  int left = 0, top = 0;
  if (height <= workHeight) top = workHeight / 2 - height / 2;
  else height = workHeight;
  if (width <= workWidth) left = workWidth / 2 - width / 2;
  else width = workWidth;
  ::OutputDebugStringA(Format("FitToImage: %d x %d at %d, %d", width, height, left, top).c_str());
  SetBounds(left, top, width, height);
  ::InvalidateRect(scroller_->Handle(), nullptr, TRUE);
}

bool TfmPreviewForm::IsReleaseInside(int x, int y, TWindow& sender, TMouseButton button) {
  if (button != mbLeft) return false;
  RECT client{};
  ::GetClientRect(sender.Handle(), &client);
  if (x < 0 || y < 0 || x > client.right || y > client.bottom) return false;
  auto* picture = dynamic_cast<TBtnImage*>(&sender);
  return !picture || picture->Clickable();
}

void TfmPreviewForm::FormKeyDown(WPARAM key) {
  if (key == VK_ESCAPE) {
    if (breaks_->Dragging()) {
      breaks_->CancelDrag();
      return;
    }
    if (selection_->HasSelection()) {
      selection_->HideSelectArea();
      return;
    }
    if (ShowMessageBox(Handle(), LoadResString(kMsgAskToQuit), "Vantrelle", MB_YESNO | MB_ICONQUESTION) == IDYES)
      Close();
  } else if (key == VK_DELETE) {
    if (!toolBar_->SelectBtn().Down() && selection_->SelectAreaEditing()) selection_->HideSelectArea();
  }
}

void TfmPreviewForm::FormKeyUp(WPARAM key, bool ctrl) {
  const bool captureView = viewMode_ == vmCaptureView;
  if (ctrl && key == 'C') CopySelection();
  else if (ctrl && key == 'S') Save();
  else if (ctrl && key == 'P') Print();
  else if (ctrl && key == 'M') SetViewMode(captureView ? vmPageView : vmCaptureView);
  else if (ctrl && (key == VK_ADD || key == VK_OEM_PLUS) && !captureView) ZoomIn();
  else if (ctrl && (key == VK_SUBTRACT || key == VK_OEM_MINUS) && !captureView) ZoomOut();
  else if (key == VK_PRIOR && !captureView) ShowPrevPage();
  else if (key == VK_NEXT && !captureView) ShowNextPage();
  else if (key == VK_HOME && !captureView) ShowFirstPage();
  else if (key == VK_END && !captureView) ShowLastPage();
  else if (key == VK_F7) OpenPageSetup();
  else if (key == VK_F1) OpenHelpPage();
}

LRESULT TfmPreviewForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_KEYDOWN:
      FormKeyDown(wParam);
      return 0;
    case WM_KEYUP:
      FormKeyUp(wParam, ::GetKeyState(VK_CONTROL) < 0);
      return 0;
    case WM_SIZE:
      LayoutControls();
      return 0;
    case WM_MOUSEWHEEL:
      ScrollerMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == zoomCombo_ && HIWORD(wParam) == CBN_SELCHANGE) {
        ZoomComboChange();
        ::SetFocus(scroller_->Handle());
      }
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        if (scroller_) ::SetFocus(scroller_->Handle());
      } else if (breaks_) {
        breaks_->CancelDrag();
      }
      return 0;
    default:
      return TWindow::HandleMessage(msg, wParam, lParam);
  }
}

}  // namespace vt

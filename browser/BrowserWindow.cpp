#include "browser/BrowserWindow.h"

#include <oleacc.h>

#include "base/Bitmap.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "browser/HtmlObjects.h"
#include "browser/InprocMarshal.h"
#include "browser/PagePainter.h"

namespace vt::browser {
namespace {

const wchar_t kFrameClass[] = L"IEFrame";
const wchar_t kHostClass[] = L"Shell DocObject View";
const wchar_t kViewClass[] = L"Internet Explorer_Server";

void RegisterClasses(WNDPROC frame, WNDPROC host, WNDPROC view) {
  static bool done = false;
  if (done) return;
  struct { const wchar_t* name; WNDPROC proc; } classes[] = {{kFrameClass, frame}, {kHostClass, host}, {kViewClass, view}};
  for (auto& c : classes) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = c.proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = c.name;
    if (!::RegisterClassExW(&wc)) throw Error("cannot register the window class: " + SystemErrorText(::GetLastError()));
  }
  done = true;
}

UINT GetObjectMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
  return message;
}

TBrowserWindow* Owner(HWND wnd) { return reinterpret_cast<TBrowserWindow*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA)); }

LRESULT KeepOwner(HWND wnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE)
    ::SetWindowLongPtrW(wnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  return 0;
}

// The zoom the browser starts with: its setting for new windows, 1000 per percent.
int SavedZoom() {
  DWORD factor = 0, size = sizeof(factor);
  if (::RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Zoom", "ZoomFactor",
                     RRF_RT_REG_DWORD, nullptr, &factor, &size) != ERROR_SUCCESS)
    return 100;
  int percent = static_cast<int>(factor / 1000);
  return percent >= 10 && percent <= 1000 ? percent : 100;
}

// Scroll positions stay within the scroll ranges when the view's size changes.
void ClampScrollPositions(TPage& page) {
  std::vector<TDocument*> docs;
  page.top->CollectDocuments(docs);
  for (TDocument* d : docs)
    for (TElement* e : d->AllElements()) {
      SetScrollLeft(*e, e->scrollLeft);
      SetScrollTop(*e, e->scrollTop);
    }
}

}  // namespace

TBrowserWindow::TBrowserWindow(std::shared_ptr<TPage> page, const TBrowserOptions& options)
    : page_(std::move(page)), record_(options.recordPath), zoom_(SavedZoom()) {
  RegisterClasses(FrameProc, HostProc, ViewProc);
  HRESULT hr = EnsureInprocUnmarshaler();
  if (FAILED(hr)) throw Error(Format("cannot register the document unmarshaler: 0x%08lx", hr), hr);
  page_->host = this;
  page_->top->CollectDocuments(documents_);

  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  DWORD exStyle = options.topmost ? WS_EX_TOPMOST : 0;
  RECT outer{0, 0, options.viewWidth, options.viewHeight};
  ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  std::wstring title = page_->top->title.empty() ? page_->top->url : page_->top->title;
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  frame_.reset(::CreateWindowExW(exStyle, kFrameClass, title.c_str(), style, options.left, options.top,
                                 outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, this));
  if (frame_)
    host_ = ::CreateWindowExW(0, kHostClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, frame_.get(),
                              nullptr, instance, this);
  if (host_)
    view_ = ::CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0, host_, nullptr,
                              instance, this);
  if (!view_) {
    std::string reason = SystemErrorText(::GetLastError());
    frame_.reset();
    page_->host = nullptr;
    throw Error("cannot create the browser window: " + reason);
  }
  RECT client;
  ::GetClientRect(frame_.get(), &client);
  ::MoveWindow(host_, 0, 0, client.right, client.bottom, FALSE);
  StartLoading();
  ::ShowWindow(frame_.get(), SW_SHOWNORMAL);
  ::UpdateWindow(frame_.get());
  ::GetWindowRect(frame_.get(), &recordedRect_);
  recording_ = true;
}

TBrowserWindow::~TBrowserWindow() {
  layoutListener_ = nullptr;
  closedListener_ = nullptr;
  frame_.reset();
  page_->host = nullptr;
}

ComPtr<IWebBrowser2> TBrowserWindow::Browser() { return BrowserObject(page_->top.get()); }
ComPtr<IHTMLDocument2> TBrowserWindow::Document() { return DocumentObject(page_->top.get()); }

void TBrowserWindow::PageChanged() {
  if (!view_) return;
  ::RedrawWindow(view_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // Wine shows painted windows on the screen when the thread looks for input; a capture from the
  // desktop's device context right after a scroll must find the new pixels there.
  ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
  if (layoutListener_) layoutListener_();
}

void TBrowserWindow::ResizeFrameWindow(int width, int height) {
  if (frame_) ::SetWindowPos(frame_.get(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TBrowserWindow::SetZoom(int percent) {
  zoom_ = percent;
  Record(Format("zoom %d", percent));
}

void TBrowserWindow::Refresh() {
  Record("refresh");
  for (TDocument* d : documents_)
    for (TElement* e : d->AllElements()) e->scrollLeft = e->scrollTop = 0;
  StartLoading();
  PageChanged();
}

void TBrowserWindow::StartLoading() {
  for (size_t i = 0; i < documents_.size(); ++i) {
    TDocument* d = documents_[i];
    d->complete = d->readyDelayMs == 0;
    ::KillTimer(view_, i + 1);
    if (d->readyDelayMs > 0) ::SetTimer(view_, i + 1, static_cast<UINT>(d->readyDelayMs), nullptr);
  }
}

void TBrowserWindow::RecordFramePosition() {
  RECT r;
  if (!recording_ || !::GetWindowRect(frame_.get(), &r) || ::EqualRect(&r, &recordedRect_)) return;
  recordedRect_ = r;
  Record(Format("window %ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top));
}

void TBrowserWindow::Paint() {
  const PaintDC paint(view_);
  HDC dc = paint.get();
  RECT client;
  ::GetClientRect(view_, &client);
  if (client.right > 0 && client.bottom > 0) {
    try {
      // Painted off screen first so that the window never shows a half-drawn page.
      TBitmap buffer(client.right, client.bottom);
      PaintElement(buffer.Canvas(), *page_->top->html, 0, 0);
      ::BitBlt(dc, 0, 0, client.right, client.bottom, buffer.Canvas(), 0, 0, SRCCOPY);
    } catch (const Error&) {
      ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));  // no memory for the page
    }
  }
}

LRESULT CALLBACK TBrowserWindow::FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  KeepOwner(wnd, msg, lp);
  TBrowserWindow* self = Owner(wnd);
  return self && self->frame_.get() == wnd ? self->OnFrameMessage(wnd, msg, wp, lp)
                                            : ::DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT CALLBACK TBrowserWindow::HostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  KeepOwner(wnd, msg, lp);
  TBrowserWindow* self = Owner(wnd);
  if (msg == WM_SIZE && self && self->view_) ::MoveWindow(self->view_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
  return ::DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT CALLBACK TBrowserWindow::ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  KeepOwner(wnd, msg, lp);
  TBrowserWindow* self = Owner(wnd);
  return self && self->view_ == wnd ? self->OnViewMessage(wnd, msg, wp, lp) : ::DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT TBrowserWindow::OnFrameMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SIZE:
      if (host_) ::MoveWindow(host_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      break;
    case WM_WINDOWPOSCHANGED:
      RecordFramePosition();
      break;  // DefWindowProc sends WM_SIZE
    case WM_ENABLE:
      if (recording_) Record(wp ? "enabled 1" : "enabled 0");
      return 0;
    case WM_DESTROY:
      if (closedListener_) closedListener_();
      break;
    case WM_NCDESTROY:
      frame_.release();  // going by itself
      host_ = view_ = nullptr;
      page_->host = nullptr;
      break;
  }
  return ::DefWindowProcW(wnd, msg, wp, lp);
}

LRESULT TBrowserWindow::OnViewMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == GetObjectMessage()) {
    if (!page_->top->answersGetObject) return 0;
    auto document = Document();
    return ::LresultFromObject(IID_IHTMLDocument2, wp, document.get());
  }
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      page_->viewWidth = LOWORD(lp);
      page_->viewHeight = HIWORD(lp);
      ClampScrollPositions(*page_);
      ::InvalidateRect(view_, nullptr, FALSE);
      if (layoutListener_) layoutListener_();
      return 0;
    case WM_TIMER:
      ::KillTimer(view_, wp);
      if (wp >= 1 && wp <= documents_.size()) documents_[wp - 1]->complete = true;
      return 0;
  }
  return ::DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace vt::browser

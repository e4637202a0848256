#include "control/uVantrelleForm.h"

#include <olectl.h>

#include "base/Boundary.h"
#include "base/Handles.h"
#include "base/Strings.h"

namespace vt {
namespace {

constexpr const char* kFormClass = TVantrelleForm::kClassName;
constexpr COLORREF kLabel1Color = RGB(0x33, 0x66, 0x99);
constexpr COLORREF kLabel2Color = RGB(0x00, 0x80, 0x00);  // clGreen
constexpr COLORREF kShapeColor = RGB(0x83, 0xB7, 0x17);

COLORREF ToColorRef(COLORREF oleColor) {
  COLORREF c = 0;
  if (FAILED(::OleTranslateColor(oleColor, nullptr, &c))) c = ::GetSysColor(COLOR_BTNFACE);
  return c;
}

void DrawLabel(HDC dc, int x, int y, const char* text, COLORREF color, HFONT font) {
  const SelectObjectScope selected(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, color);
  ::TextOutA(dc, x, y, text, lstrlenA(text));
}

void RegisterFormClass() {
  WNDCLASSA wc{};
  if (::GetClassInfoA(ThisModule(), kFormClass, &wc)) return;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ::DefWindowProcA;  // replaced per window, see Create
  wc.hInstance = ThisModule();
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kFormClass;
  ::RegisterClassA(&wc);
}

}  // namespace

void TVantrelleForm::Create(HWND parent, const RECT& position) {
  if (wnd_) {
    ::SetParent(wnd_.get(), parent);
    SetBounds(position);
    return;
  }
  RegisterFormClass();
  DWORD style = WS_CHILD | WS_CLIPCHILDREN | (visible_ ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED);
  wnd_.reset(::CreateWindowExA(WS_EX_CONTROLPARENT, kFormClass, caption_.c_str(), style, position.left,
                               position.top, position.right - position.left, position.bottom - position.top,
                               parent, nullptr, ThisModule(), nullptr));
  if (!wnd_) return;
  ::SetWindowLongPtrA(wnd_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrA(wnd_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TVantrelleForm::WindowProc));
  memoLog_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", logText_.c_str(),
                               WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY |
                                   (logVisible_ ? WS_VISIBLE : 0),
                               0, kPanelHeight, 0, 0, wnd_.get(), nullptr, ThisModule(), nullptr);
  ::SendMessageA(memoLog_, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  ::SendMessageA(memoLog_, EM_SETLIMITTEXT, 0, 0);  // the log grows over all requests of the control
  LayoutLog();
}

void TVantrelleForm::Destroy() {
  if (!wnd_) return;
  wnd_.reset();  // WM_DESTROY, while the form still holds the window, fires the form's OnDestroy
  memoLog_ = nullptr;
}

void TVantrelleForm::SetBounds(const RECT& p) {
  if (wnd_) ::MoveWindow(wnd_.get(), p.left, p.top, p.right - p.left, p.bottom - p.top, TRUE);
  LayoutLog();
}

void TVantrelleForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (wnd_) ::SetWindowTextA(wnd_.get(), caption.c_str());
}

void TVantrelleForm::SetColor(COLORREF color) {
  color_ = color;
  if (wnd_) ::InvalidateRect(wnd_.get(), nullptr, TRUE);
}

void TVantrelleForm::SetVisible(bool visible) {
  visible_ = visible;
  if (wnd_) ::ShowWindow(wnd_.get(), visible ? SW_SHOWNA : SW_HIDE);
}

void TVantrelleForm::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (wnd_) ::EnableWindow(wnd_.get(), enabled);
}

void TVantrelleForm::ShowLog(bool show, const std::vector<std::string>& lines) {
  logVisible_ = show;
  SetLogLines(lines);
  if (memoLog_) ::ShowWindow(memoLog_, show ? SW_SHOWNA : SW_HIDE);
}

void TVantrelleForm::SetLogLines(const std::vector<std::string>& lines) {
  // The box is told of every line: only what is new goes in, so a long log costs no more per line.
  if (lines.size() < logLines_) {
    logText_.clear();
    logLines_ = 0;
    if (memoLog_) ::SetWindowTextA(memoLog_, "");
  }
  std::string added;
  for (; logLines_ < lines.size(); ++logLines_) added += lines[logLines_] + "\r\n";
  logText_ += added;
  if (memoLog_ && !added.empty()) {
    const int end = ::GetWindowTextLengthW(memoLog_);  // in characters, as the box counts
    ::SendMessageA(memoLog_, EM_SETSEL, end, end);
    ::SendMessageA(memoLog_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
    ::SendMessageA(memoLog_, EM_SCROLLCARET, 0, 0);
  }
}

void TVantrelleForm::LayoutLog() {
  if (!wnd_ || !memoLog_) return;
  RECT client{};
  ::GetClientRect(wnd_.get(), &client);
  int height = client.bottom - kPanelHeight;
  ::MoveWindow(memoLog_, 0, kPanelHeight, client.right, height > 0 ? height : 0, TRUE);
}

void TVantrelleForm::PaintFace(HDC dc, const RECT& b) const {
  BrushHandle face(::CreateSolidBrush(ToColorRef(color_)));
  ::FillRect(dc, &b, face.get());
  // Title band: no bevel, same colour as the form.
  FontHandle tahoma(::CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
  BrushHandle mark(::CreateSolidBrush(kShapeColor));
  {
    const SelectObjectScope brush(dc, mark.get());
    const SelectObjectScope pen(dc, ::GetStockObject(NULL_PEN));
    // A NULL pen leaves the right and bottom edge of the shape out: one pixel more each way.
    ::RoundRect(dc, b.left + 4, b.top + 7, b.left + 4 + 9 + 1, b.top + 7 + 29 + 1, 4, 4);
  }
  DrawLabel(dc, b.left + 16, b.top + 5, "Vantrelle S 1.6.4", kLabel1Color, tahoma.get());
  DrawLabel(dc, b.left + 16, b.top + 21, "Cardenvoss Co.,Ltd.", kLabel2Color, tahoma.get());
}

LRESULT CALLBACK TVantrelleForm::WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* form = reinterpret_cast<TVantrelleForm*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
  if (!form || form->wnd_.get() != wnd) return ::DefWindowProcA(wnd, msg, wp, lp);
  return MessageBoundary("Form message failed", LRESULT(0), [&] { return form->HandleMessage(msg, wp, lp); });
}

LRESULT TVantrelleForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      {
        const PaintDC dc(wnd_.get());
        RECT client{};
        ::GetClientRect(wnd_.get(), &client);
        PaintFace(dc.get(), client);
      }
      events_.FormPaint();
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      LayoutLog();
      break;
    case WM_SETFOCUS:
      events_.FormActivate();
      break;
    case WM_KILLFOCUS:
      if (!wp || !::IsChild(wnd_.get(), reinterpret_cast<HWND>(wp))) events_.FormDeactivate();
      break;
    case WM_CHAR: {
      char key = static_cast<char>(wp);
      events_.FormKeyPress(key);
      if (key == 0) return 0;
      wp = static_cast<unsigned char>(key);
      break;
    }
    case WM_LBUTTONDOWN:
      leftDown_ = true;
      ::SetFocus(wnd_.get());
      break;
    case WM_LBUTTONUP:
      if (leftDown_) {
        leftDown_ = false;
        events_.FormClick();
      }
      break;
    case WM_LBUTTONDBLCLK:
      events_.FormDblClick();
      break;
    case WM_MOUSEMOVE:
      if (!mouseIn_) {
        mouseIn_ = true;
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, wnd_.get(), 0};
        ::TrackMouseEvent(&track);
        events_.FormMouseEnter();
      }
      break;
    case WM_MOUSELEAVE:
      mouseIn_ = false;
      events_.FormMouseLeave();
      break;
    case WM_DESTROY:
      events_.FormDestroy();
      break;
  }
  return ::DefWindowProcA(wnd_.get(), msg, wp, lp);
}

}  // namespace vt

#include "preview/uToolBar.h"

#include <algorithm>

#include "base/Strings.h"

namespace vt {

const double TToolBar::kZooms[kZoomCount] = {1.0, 0.75, 0.5, 0.25, 0.1};
const char* const TToolBar::kZoomTexts[kZoomCount] = {"100%", "75%", "50%", "25%", "10%"};

namespace {

constexpr int kDesignHeight = 49;
// The zoom list on its picture as the form was designed.
constexpr int kComboInset = 5, kComboTop = 16, kComboWidth = 67;
// A drop-down list's window height is that of the list dropped; the closed box takes the font's.
constexpr int kComboDropHeight = 200;

// A child window's bounds in its parent's client coordinates.
RECT ChildRect(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void LoadBuiltinPicture(TImage& image, const char* name) {
  TBitmap picture;
  LoadBuiltinImage(name, picture);
  image.SetPicture(picture);
  image.SizeToPicture();
}

}  // namespace

TToolBar::TToolBar(HWND form, int zoomInLeft, const wchar_t* comboFontFace, int comboFontPixels, int zoomIndex)
    : form_(form), comboFontFace_(comboFontFace), height_(kDesignHeight) {
  panel_ = std::make_unique<TPlainPanel>(form, ::GetSysColor(COLOR_BTNFACE));
  panel_->SetBounds(0, 0, 0, height_);
  // Made first, so that every other control of the panel lies over it.
  back_ = std::make_unique<TImage>(panel_->Handle(), 0, 0, 0, height_);
  back_->SetStretch(true);
  LoadBuiltinPicture(*back_, "TOOL_BACK");
  zoomIn_ = NewButton(zoomInLeft, "TOOL_ZOOM_IN_UP", "TOOL_ZOOM_IN_DOWN");
  const int barLeft = zoomIn_->Left() + zoomIn_->Width();
  zoomBar_ = std::make_unique<TImage>(panel_->Handle(), barLeft, 0, 0, 0);
  LoadBuiltinPicture(*zoomBar_, "TOOL_ZOOM_BAR");
  zoomOut_ = NewButton(zoomBar_->Left() + zoomBar_->Width(), "TOOL_ZOOM_OUT_UP", "TOOL_ZOOM_OUT_DOWN");

  // A child of the form above the panel: the form hears its notifications.
  combo_ = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST,
                             barLeft + kComboInset, kComboTop, kComboWidth, kComboDropHeight, form, nullptr, nullptr, nullptr);
  ::SetWindowPos(combo_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  comboFont_.reset(::CreateFontW(-comboFontPixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                 comboFontFace));
  ::SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(comboFont_.get()), FALSE);
  for (const char* text : kZoomTexts) ::SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  SetZoomIndex(zoomIndex);
}

std::unique_ptr<TBtnImage> TToolBar::NewButton(int left, const char* upName, const char* downName,
                                               TButtonStyle style) {
  auto button = std::make_unique<TBtnImage>(panel_->Handle(), left, 0, 0, 0);
  button->SetStyle(style);
  SetButtonImageFromResourceName(*button, upName, downName);
  return button;
}

void TToolBar::SetWidth(int width) {
  panel_->SetBounds(0, 0, width, height_);
  back_->SetBounds(0, 0, width, height_);
}

int TToolBar::ButtonsWidth() const {
  int right = 0;
  for (HWND child = ::GetWindow(panel_->Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    // The background stretches to whatever width the panel has.
    if (child == back_->Handle() || !(::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    right = std::max<int>(right, ChildRect(child).right);
  }
  return right;
}

int TToolBar::ZoomIndex() const { return static_cast<int>(::SendMessageW(combo_, CB_GETCURSEL, 0, 0)); }

void TToolBar::SetZoomIndex(int index) { ::SendMessageW(combo_, CB_SETCURSEL, index, 0); }

void TToolBar::SetComboFontSize(int points) {
  WindowDC screen(nullptr);
  const int pixels = ::MulDiv(points, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
  FontHandle font(::CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                comboFontFace_.c_str()));
  ::SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  comboFont_ = std::move(font);
}

void TToolBar::ApplySkinIcon(HWND form, TSkinPictures& pictures) {
  IconHandle icon = pictures.LoadIcon();
  if (!icon) return;
  ::SendMessageA(form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
  icon_ = std::move(icon);
}

void TToolBar::Arrange(std::initializer_list<TWindow*> order, TWindow& closeButton, int comboFontSize) {
  int left = 0, highest = 0;
  for (TWindow* control : order) {
    const RECT r = control->Bounds();
    control->SetBounds(left, r.top, r.right - r.left, r.bottom - r.top);
    left += r.right - r.left;
    highest = std::max<int>(highest, r.bottom - r.top);
  }
  const RECT close = closeButton.Bounds();
  closeButton.SetBounds(left, close.top, close.right - close.left, close.bottom - close.top);
  SetComboFontSize(comboFontSize);
  // The list as wide as its picture, and the picture as wide as the list turned out.
  RECT combo = ChildRect(combo_);
  const int comboHeight = combo.bottom - combo.top;
  ::SetWindowPos(combo_, nullptr, zoomBar_->Left(), combo.top, zoomBar_->Width(), kComboDropHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  combo = ChildRect(combo_);
  zoomBar_->SetSize(combo.right - combo.left, zoomBar_->Height());
  const std::optional<int> onBar = ComboTopOnBar(zoomBar_->Top(), zoomBar_->Height(), combo.top, comboHeight);
  const int top = onBar.value_or(0);
  if (onBar) {
    ::SetWindowPos(combo_, nullptr, zoomBar_->Left(), top, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
  } else {
    ::SetWindowPos(combo_, nullptr, zoomBar_->Left(), zoomBar_->Top(), 0, 0,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    zoomBar_->SetSize(zoomBar_->Width(), comboHeight);
  }
  ::OutputDebugStringA(Format("Tool bar: height %d, zoom list top %d", highest, top).c_str());
  height_ = highest;
  SetWidth(panel_->Width());
}

std::optional<int> TToolBar::ComboTopOnBar(int barTop, int barHeight, int comboTop, int comboHeight) {
  const int bh = barHeight - barTop, ch = comboHeight - comboTop;
  if (bh <= ch) return std::nullopt;
  return ((bh / 2) - (ch / 2)) / 2 + barTop + 2;
}

}  // namespace vt

// The page breaks of the document and a number on every page, drawn over the captured picture.
#include <cmath>
#include <string>

#include "base/Handles.h"
#include "preview/frmPreviewForm.h"

namespace vt {

void TfmPreviewForm::InitPageControls() {
  UpdateDelimiters();
  ::OutputDebugStringA("InitPageControls");
}

void TfmPreviewForm::PaintPageBreaks(HDC dc) {
  // Three dotted red lines side by side per break, the picture showing between the dots.
  PenHandle pen(::CreatePen(PS_DOT, 1, RGB(255, 0, 0)));
  HGDIOBJ old = ::SelectObject(dc, pen.get());
  ::SetBkMode(dc, TRANSPARENT);
  for (int32_t i = 0; i < document_.GetVertCount(); ++i) {
    const int x = DelimiterViewPos(true, i);
    for (int k = 0; k < 3; ++k) {
      ::MoveToEx(dc, x + k, 0, nullptr);
      ::LineTo(dc, x + k, viewHeight_);
    }
  }
  for (int32_t i = 0; i < document_.GetHorzCount(); ++i) {
    const int y = DelimiterViewPos(false, i);
    for (int k = 0; k < 3; ++k) {
      ::MoveToEx(dc, 0, y + k, nullptr);
      ::LineTo(dc, viewWidth_, y + k);
    }
  }
  ::SelectObject(dc, old);
}

void TfmPreviewForm::PaintPageLabels(HDC dc) {
  // 20 points at 100 %, truncated with the zoom.
  const int points = static_cast<int>(zoom_ * 20);
  if (points <= 0) return;
  FontHandle font(::CreateFontW(-::MulDiv(points, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0,
                                NONANTIALIASED_QUALITY, L"Arial Black"));
  HGDIOBJ old = ::SelectObject(dc, font.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
  for (int32_t page = 1; page <= document_.GetPageCount(); ++page) {
    const RECT doc = document_.GetPageRect(page);
    RECT r{DocToScreenX(doc.left), DocToScreenY(doc.top), DocToScreenX(doc.right), DocToScreenY(doc.bottom)};
    const std::wstring caption = std::to_wstring(page) + L" Page";
    SIZE size{};
    ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    const int w = r.right - r.left, h = r.bottom - r.top;
    // Centred on its page; a label larger than the page starts at the page's edge, cut to it.
    RECT label{r.left + (w - size.cx) / 2, r.top + (h - size.cy) / 2, 0, 0};
    if (size.cx > w) label.left = r.left;
    if (size.cy > h) label.top = r.top;
    label.right = std::min<LONG>(label.left + size.cx, r.right);
    label.bottom = std::min<LONG>(label.top + size.cy, r.bottom);
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &label, DT_LEFT | DT_TOP | DT_SINGLELINE);
  }
  ::SelectObject(dc, old);
}

}  // namespace vt

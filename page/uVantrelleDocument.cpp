#include "page/uVantrelleDocument.h"

#include <algorithm>

#include "base/Dialogs.h"
#include "base/Printer.h"

namespace vt {

void TVantrelleDocument::Clear() {
  ClearHorz();
  ClearVert();
}

void TVantrelleDocument::Layout(THtmlImage* image, int32_t pageWidth, int32_t pageHeight, int32_t mode,
                                int32_t option) {
  LayoutWithBreaks(image, nullptr, pageWidth, pageHeight, mode, option);
}

void TVantrelleDocument::LayoutWithBreaks(THtmlImage* image, const std::vector<int32_t>* breaks,
                                          int32_t pageWidth, int32_t pageHeight, int32_t mode, int32_t option) {
  if (laidOut_) Clear();
  image_ = image;
  width_ = image ? image->GetImageWidth() : 0;
  height_ = image ? image->GetImageHeight() : 0;
  mode_ = mode;
  option_ = option;
  SIZE step{pageWidth, pageHeight};
  if (mode == lmPrinterPage || (pageWidth == 0 && pageHeight == 0)) step = PrinterPageSize();
  colSteps_ = Grid(vert_, step.cx, width_);
  if (breaks) {
    rowSteps_ = step.cy > 0 ? height_ / step.cy : 0;
    // The list comes from the page: taken as a set of positions inside the picture, so that no
    // page has a negative or zero height and repeats make no pages.
    std::vector<int32_t> inside;
    for (int32_t p : *breaks)
      if (p >= 1 && p < height_) inside.push_back(p);
    std::sort(inside.begin(), inside.end());
    inside.erase(std::unique(inside.begin(), inside.end()), inside.end());
    for (int32_t p : inside) horz_.emplace_back(p);
  } else {
    rowSteps_ = Grid(horz_, step.cy, height_);
  }
  laidOut_ = true;
}

// Appends a break at every multiple of `step` inside the size; returns size div step.
int32_t TVantrelleDocument::Grid(List& list, int32_t step, int32_t size) {
  if (step < 1) return 0;
  const int32_t steps = size / step;
  for (int32_t i = 1; i <= steps; ++i)
    if (i * step < size) list.emplace_back(i * step);
  return steps;
}

int32_t TVantrelleDocument::PositionIn(const List& list, int32_t i) {
  return i >= 0 && i < static_cast<int32_t>(list.size()) ? list[i].Position : 0;
}

int32_t TVantrelleDocument::AddTo(List& list, int32_t position, int32_t size) {
  if (position < 1 || position >= size) return 0;
  auto at = std::find_if(list.begin(), list.end(), [&](const TDelimiter& d) { return d.Position >= position; });
  if (at != list.end() && at->Position == position) return 0;
  list.insert(at, TDelimiter(position));
  return position;
}

int32_t TVantrelleDocument::MoveIn(List& list, int32_t i, int32_t position, int32_t mode, int32_t size) {
  const int32_t count = static_cast<int32_t>(list.size());
  if (i < 0 || i >= count) return 0;
  const int32_t old = list[i].Position;
  if (1 <= position && position < old) {
    // Toward the start: the breaks before it, nearest first.
    if (mode == mmSwallow) {
      int32_t k = i - 1;
      while (k >= 0 && list[k].Position >= position) --k;
      list.erase(list.begin() + (k + 1), list.begin() + i);
      i = k + 1;
    } else if (mode == mmShift) {
      for (int32_t k = 0; k < i; ++k) list[k].Position -= old - position;
      auto kept = std::remove_if(list.begin(), list.begin() + i, [](const TDelimiter& d) { return d.Position < 1; });
      const int32_t removed = static_cast<int32_t>(list.begin() + i - kept);
      list.erase(kept, list.begin() + i);
      i -= removed;
    }
    list[i].Position = position;
    return position;
  }
  if (old < position && position < size) {
    // Toward the end: the breaks after it, nearest first.
    if (mode == mmSwallow) {
      int32_t k = i + 1;
      while (k < count && list[k].Position <= position) ++k;
      list.erase(list.begin() + (i + 1), list.begin() + k);
    } else if (mode == mmShift) {
      for (int32_t k = i + 1; k < count; ++k) list[k].Position += position - old;
      list.erase(std::remove_if(list.begin() + (i + 1), list.end(),
                                [&](const TDelimiter& d) { return d.Position >= size; }),
                 list.end());
    }
    list[i].Position = position;
    return position;
  }
  if (position == old) return 0;
  if (position >= size) list.erase(list.begin() + i, list.end());  // dragged off the end
  else if (position <= 0) list.erase(list.begin(), list.begin() + (i + 1));  // off the start
  return 0;
}

int32_t TVantrelleDocument::DeleteFrom(List& list, int32_t i) {
  if (i >= 0 && i < static_cast<int32_t>(list.size())) list.erase(list.begin() + i);
  return 0;
}

RECT TVantrelleDocument::GetPageRect(int32_t n) const {
  if (n < 1 || n > GetPageCount()) return RECT{0, 0, 0, 0};
  const int32_t perRow = GetVertCount() + 1;
  const int32_t c = (n - 1) % perRow, r = (n - 1) / perRow;
  RECT rect;
  rect.left = c == 0 ? 0 : GetVert(c - 1);
  rect.right = c < GetVertCount() ? GetVert(c) : width_;
  rect.top = r == 0 ? 0 : GetHorz(r - 1);
  rect.bottom = r < GetHorzCount() ? GetHorz(r) : height_;
  return rect;
}

// One printer device context for both sizes, so that a missing printer is reported once.
SIZE TVantrelleDocument::PrinterPageSize() {
  DeviceContext printer = TPrinter::Current().CreateDC();
  if (!printer) {
    ShowMessageBox(nullptr, "Print Error", "Vantrelle", MB_OK);
    return SIZE{0, 0};
  }
  return SIZE{::GetDeviceCaps(printer.get(), HORZRES), ::GetDeviceCaps(printer.get(), VERTRES)};
}

int32_t TVantrelleDocument::GetPrinterPageWidth() { return PrinterPageSize().cx; }

int32_t TVantrelleDocument::GetPrinterPageHeight() { return PrinterPageSize().cy; }

}  // namespace vt

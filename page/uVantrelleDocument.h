// The document of page breaks: the picture's size and two sorted lists of break positions that cut
// it into pages, numbered from 1 left to right within a row of pages, rows top to bottom.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

#include "page/uHtmlImage.h"

namespace vt {

struct TDelimiter {
  explicit TDelimiter(int32_t position) : Position(position) {}
  int32_t Position;  // picture pixels
};

class TVantrelleDocument {
public:
  // Layout modes.
  enum : int32_t { lmPrinterPage = 0, lmPageSize = 1 };
  // Move modes: a moved break swallows the breaks it passes, or pushes them along.
  enum : int32_t { mmSwallow = 0, mmShift = 1 };

  TVantrelleDocument() = default;

  void Clear();  // both lists; sizes stay
  void ClearHorz() { horz_.clear(); }
  void ClearVert() { vert_.clear(); }

  // A regular grid of pages of the printer's page (mode 0, or both sizes 0) or of the given size.
  // A step below 1 gives no breaks in its direction.
  void Layout(THtmlImage* image, int32_t pageWidth, int32_t pageHeight, int32_t mode, int32_t option);
  // As Layout, but with `breaks` (y positions in any order) as the horizontal breaks when given:
  // used ascending and once each, those outside 1 .. height - 1 dropped.
  void LayoutWithBreaks(THtmlImage* image, const std::vector<int32_t>* breaks, int32_t pageWidth,
                        int32_t pageHeight, int32_t mode, int32_t option);

  int32_t GetVertCount() const { return static_cast<int32_t>(vert_.size()); }
  int32_t GetHorzCount() const { return static_cast<int32_t>(horz_.size()); }
  // Position of delimiter i; 0 when i is out of range.
  int32_t GetVert(int32_t i) const { return PositionIn(vert_, i); }
  int32_t GetHorz(int32_t i) const { return PositionIn(horz_, i); }
  // Sorted insert; the position, or 0 when outside 1 .. size - 1 or already there.
  int32_t AddVert(int32_t x) { return AddTo(vert_, x, width_); }
  int32_t AddHorz(int32_t y) { return AddTo(horz_, y, height_); }
  // The new position, or 0 when the break did not move (unchanged, deleted, or i out of range).
  // Dragged to 0 or below it goes with every break before it; to the size or beyond, with every
  // break after it.
  int32_t MoveVert(int32_t i, int32_t x, int32_t mode) { return MoveIn(vert_, i, x, mode, width_); }
  int32_t MoveHorz(int32_t i, int32_t y, int32_t mode) { return MoveIn(horz_, i, y, mode, height_); }
  // Removes delimiter i (nothing when out of range); returns 0.
  int32_t DeleteVert(int32_t i) { return DeleteFrom(vert_, i); }
  int32_t DeleteHorz(int32_t i) { return DeleteFrom(horz_, i); }

  int32_t GetPageCount() const { return (GetVertCount() + 1) * (GetHorzCount() + 1); }
  // Page n (1-based) in picture pixels; an empty rectangle for a page that does not exist.
  RECT GetPageRect(int32_t n) const;

  // The current printer's printable page in printer pixels; 0, after the message "Print Error",
  // when no printer answers.
  static int32_t GetPrinterPageWidth();
  static int32_t GetPrinterPageHeight();

  THtmlImage* Image() const { return image_; }
  int32_t Mode() const { return mode_; }
  int32_t Option() const { return option_; }
  int32_t ColSteps() const { return colSteps_; }
  int32_t RowSteps() const { return rowSteps_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool LaidOut() const { return laidOut_; }

private:
  using List = std::vector<TDelimiter>;
  static SIZE PrinterPageSize();
  static int32_t PositionIn(const List& list, int32_t i);
  static int32_t AddTo(List& list, int32_t position, int32_t size);
  static int32_t MoveIn(List& list, int32_t i, int32_t position, int32_t mode, int32_t size);
  static int32_t DeleteFrom(List& list, int32_t i);
  static int32_t Grid(List& list, int32_t step, int32_t size);

  THtmlImage* image_ = nullptr;  // not owned
  int32_t mode_ = 0, option_ = 0, colSteps_ = 0, rowSteps_ = 0;
  List vert_;  // x positions
  List horz_;  // y positions
  int32_t width_ = 0, height_ = 0;
  bool laidOut_ = false;
};

}  // namespace vt

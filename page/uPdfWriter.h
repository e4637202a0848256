// A PDF document of pages that carry stretched JPEG pictures, written with libharu.
// Units are PDF points; rectangles are given from the page's top-left corner.
#pragma once
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vt {

class TPdfWriter {
public:
  TPdfWriter();
  ~TPdfWriter();
  TPdfWriter(const TPdfWriter&) = delete;
  TPdfWriter& operator=(const TPdfWriter&) = delete;

  void AddPage(int width, int height);
  // Places a JPEG stream stretched into `bounds` on the current page; empty bounds add nothing.
  // The writer keeps the stream until the document is saved, so that it is copied only then.
  void DrawJpeg(std::vector<uint8_t> jpeg, const RECT& bounds);
  // Writes the document; throws vt::Error and leaves no file under `path` when that fails.
  void SaveToFile(const std::string& path);
  int PageCount() const { return pages_; }

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int pages_ = 0;
};

}  // namespace vt

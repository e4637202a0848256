// The pages to print or save, as page numbers in the order given: one list for printing, for
// saving and for the pages ticked in the all-pages preview.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace vt {

class TPageList {
public:
  TPageList() = default;
  explicit TPageList(std::vector<int32_t> pages) : pages_(std::move(pages)) {}
  TPageList(std::initializer_list<int32_t> pages) : pages_(pages) {}

  // Pages first .. last; none when last is below first.
  static TPageList Range(int32_t first, int32_t last);
  // The text form "1,3,4,": entries cut at commas; one that is no integer (the empty one after the
  // last comma among them) names no page and is skipped.
  static TPageList FromText(const std::string& text);
  // The pages that name a page of a document of `pageCount` pages, in list order.
  std::vector<int32_t> Within(int32_t pageCount) const;
  const std::vector<int32_t>& Pages() const { return pages_; }
  bool Empty() const { return pages_.empty(); }
  bool operator==(const TPageList& o) const { return pages_ == o.pages_; }

private:
  std::vector<int32_t> pages_;
};

}  // namespace vt

#include "page/uPageList.h"

#include "base/Numbers.h"
#include "base/Strings.h"

namespace vt {

TPageList TPageList::Range(int32_t first, int32_t last) {
  std::vector<int32_t> pages;
  for (int32_t page = first; page <= last; ++page) pages.push_back(page);
  return TPageList(std::move(pages));
}

TPageList TPageList::FromText(const std::string& text) {
  std::vector<int32_t> pages;
  for (const std::string& entry : SplitStr(',', text))
    if (auto n = TryStrToInt(entry)) pages.push_back(*n);
  return TPageList(std::move(pages));
}

std::vector<int32_t> TPageList::Within(int32_t pageCount) const {
  std::vector<int32_t> pages;
  // Numbers that name no page of the document are skipped like any other non-page entry.
  for (int32_t page : pages_)
    if (page >= 1 && page <= pageCount) pages.push_back(page);
  return pages;
}

}  // namespace vt

#include "base/FileTree.h"

#include "base/Handles.h"

namespace vt {
namespace {

void ListInto(const std::wstring& root, const std::wstring& relative, std::vector<TTreeEntry>& entries) {
  WIN32_FIND_DATAW data;
  std::wstring pattern = root + (relative.empty() ? L"" : L"\\" + relative) + L"\\*";
  const FindHandle find(::FindFirstFileW(pattern.c_str(), &data));
  if (!find) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    TTreeEntry entry{relative.empty() ? name : relative + L"\\" + name, data.dwFileAttributes};
    entries.push_back(entry);
    if (entry.IsFolder() && !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ListInto(root, entry.path, entries);
  } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

std::vector<TTreeEntry> ListTree(const std::wstring& folder) {
  std::vector<TTreeEntry> entries;
  ListInto(folder, L"", entries);
  return entries;
}

void RemoveTree(const std::wstring& folder) {
  std::vector<TTreeEntry> entries = ListTree(folder);
  // What a folder holds comes after it: from the end, every folder is empty when it is reached.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    std::wstring path = folder + L"\\" + it->path;
    if (it->IsFolder()) {
      ::RemoveDirectoryW(path.c_str());
    } else {
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(path.c_str());
    }
  }
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace vt

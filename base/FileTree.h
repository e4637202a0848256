// Whole folders: what is in them, and removing them with everything they hold.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vt {

struct TTreeEntry {
  std::wstring path;  // relative to the folder listed, parts joined by "\"
  DWORD attributes = 0;
  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// Every file and folder below `folder`, each folder before what it holds. A link is listed as
// what it is and never followed.
std::vector<TTreeEntry> ListTree(const std::wstring& folder);

// Deletes `folder` with everything in it, as far as it can: what cannot be deleted stays. Links are
// removed, never followed.
void RemoveTree(const std::wstring& folder);

}  // namespace vt

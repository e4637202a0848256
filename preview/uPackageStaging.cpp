#include "preview/uPackageStaging.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <optional>

#include "base/Errors.h"
#include "base/FileTree.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "base/SystemInfo.h"

namespace vt {

namespace {

// The site's folder, ".~", the process's id, "-", a number of the process's own.
const char kStagingMark[] = ".~";
// In it: the unpacked package, and the earlier files it replaces.
const char kUnpackedFolder[] = "\\package", kAsideFolder[] = "\\replaced";

std::string StagingName(const std::string& siteFolder, DWORD processId, unsigned number) {
  return siteFolder + kStagingMark + Format("%lu-%u", processId, number);
}

// The id of the process that made the staging folder `name` of the site `siteName`, or none when
// `name` is no staging folder of that site.
std::optional<DWORD> StagingProcess(const std::string& name, const std::string& siteName) {
  const std::string prefix = siteName + kStagingMark;
  if (name.size() <= prefix.size() || lstrcmpiA(name.substr(0, prefix.size()).c_str(), prefix.c_str()) != 0)
    return std::nullopt;
  const std::string rest = name.substr(prefix.size());
  const size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size() ||
      rest.find_first_not_of("0123456789-") != std::string::npos || rest.find('-', dash + 1) != std::string::npos)
    return std::nullopt;
  return static_cast<DWORD>(std::strtoul(rest.c_str(), nullptr, 10));
}

// The earlier files that the dead fetch of `root` set aside, back in the site's folder, unless its
// package went in whole (its settings file has then left the unpacked folder). False when one
// cannot go back.
bool PutBackSetAside(const std::wstring& root, const std::wstring& siteFolder) {
  if (::GetFileAttributesW((root + ToWide(kUnpackedFolder) + L"\\" + kPackageSettingsName).c_str()) ==
      INVALID_FILE_ATTRIBUTES)
    return true;
  const std::wstring aside = root + ToWide(kAsideFolder);
  bool all = true;
  // The folders they lie in were the site's before the fetch, and no fetch removes one of those.
  for (const TTreeEntry& entry : ListTree(aside))
    if (!entry.IsFolder() && !::MoveFileExW((aside + L"\\" + entry.path).c_str(),
                                            (siteFolder + L"\\" + entry.path).c_str(), MOVEFILE_REPLACE_EXISTING))
      all = false;
  return all;
}

}  // namespace

TPackageStaging::TPackageStaging(const std::string& siteFolder) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string root = StagingName(siteFolder, ::GetCurrentProcessId(), counter++);
    if (::CreateDirectoryA(root.c_str(), nullptr)) {
      root_ = TempFolder(ToWide(root));
      zip = root + "\\package.zip";
      folder = root + kUnpackedFolder;
      aside = root + kAsideFolder;
      if (::CreateDirectoryA(folder.c_str(), nullptr) && ::CreateDirectoryA(aside.c_str(), nullptr)) return;
      break;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  DWORD error = ::GetLastError();
  root_.reset();
  throw Error("Unable to create a folder beside " + siteFolder + ": " + SystemErrorText(error));
}

void RemoveStaleStaging(const std::string& siteFolder) {
  const size_t cut = siteFolder.find_last_of('\\');
  const std::string parent = siteFolder.substr(0, cut + 1), siteName = siteFolder.substr(cut + 1);
  WIN32_FIND_DATAA data;
  const FindHandle find(::FindFirstFileA((siteFolder + kStagingMark + "*").c_str(), &data));
  if (!find) return;
  do {
    const std::optional<DWORD> process = StagingProcess(data.cFileName, siteName);
    // Left by a fetch that can no longer finish: the site's own, taken over and removed.
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !process || IsProcessRunning(*process)) continue;
    TempFolder stale(ToWide(parent + data.cFileName));
    if (!PutBackSetAside(stale.get(), ToWide(siteFolder))) stale.release();
  } while (::FindNextFileA(find.get(), &data));
}

}  // namespace vt

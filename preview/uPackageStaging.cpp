#include "preview/uPackageStaging.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "base/Errors.h"
#include "base/FileTree.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "preview/uSkinFile.h"

namespace vt {

namespace {

// The site's folder, ".~", the process's id, "-", a number of the process's own.
const char kStagingMark[] = ".~";
// In it: the unpacked package, and the earlier files it replaces.
const char kUnpackedFolder[] = "\\package", kAsideFolder[] = "\\replaced";
// And the fetch's mark. Another process can open it only once the fetch has ended, whoever has its
// process id by then; it holds the site's settings file as the fetch found it.
const char kMarkName[] = "\\fetching";
// The site's settings are compared up to one byte past what a package may place.
constexpr DWORD kMaxSettingsCompared = kMaxSkinFileBytes + 1;

std::string StagingName(const std::string& siteFolder, DWORD processId, unsigned number) {
  return siteFolder + kStagingMark + Format("%lu-%u", processId, number);
}

// Whether `name` is a staging folder of the site `siteName`.
bool IsStagingName(const std::string& name, const std::string& siteName) {
  const std::string prefix = siteName + kStagingMark;
  if (name.size() <= prefix.size() || lstrcmpiA(name.substr(0, prefix.size()).c_str(), prefix.c_str()) != 0)
    return false;
  const std::string rest = name.substr(prefix.size());
  const size_t dash = rest.find('-');
  return dash != 0 && dash != std::string::npos && dash + 1 != rest.size() &&
         rest.find_first_not_of("0123456789-") == std::string::npos && rest.find('-', dash + 1) == std::string::npos;
}

// The name of the site's claim: a mutex name holds no "\\", so the folder, in capitals as the file
// system compares it, is hashed (FNV-1a). Two sites of one hash only wait for each other.
std::string SiteClaimName(const std::string& siteFolder) {
  std::wstring path = ToWide(siteFolder);
  ::CharUpperBuffW(&path[0], static_cast<DWORD>(path.size()));
  uint64_t hash = 14695981039346656037ull;
  for (const wchar_t c : path) hash = (hash ^ static_cast<uint16_t>(c)) * 1099511628211ull;
  return Format("$$VTPKG$$_%08lX%08lX", static_cast<unsigned long>(hash >> 32), static_cast<unsigned long>(hash));
}

// What is left of an open file from where it stands, up to kMaxSettingsCompared bytes.
std::string ReadRest(HANDLE file) {
  std::string bytes(kMaxSettingsCompared, '\0');
  DWORD got = 0, read = 0;
  while (got < bytes.size() && ::ReadFile(file, &bytes[got], kMaxSettingsCompared - got, &read, nullptr) && read)
    got += read;
  bytes.resize(got);
  return bytes;
}

// The site's settings file as it stands; empty when it has none.
std::string SiteSettings(const std::string& siteFolder) {
  const std::string path = siteFolder + "\\" + ToAnsi(kPackageSettingsName);
  const FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? ReadRest(file.get()) : std::string();
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The earlier files that the dead fetch of `root` set aside, back in the site's folder, unless its
// package went in whole (its settings file has then left the unpacked folder) or another went in
// since (they are not its files): the site then holds neither the settings `found` before it nor,
// the fetch killed between moving them aside and the new ones in, no settings at all.
// False when one cannot go back.
bool PutBackSetAside(const std::wstring& root, const std::string& siteFolder, const std::string& found) {
  const std::wstring aside = root + ToWide(kAsideFolder);
  const bool packageIn = !IsFile(root + ToWide(kUnpackedFolder) + L"\\" + kPackageSettingsName);
  const bool settingsAside = !IsFile(ToWide(siteFolder) + L"\\" + kPackageSettingsName) &&
                             IsFile(aside + L"\\" + kPackageSettingsName);
  if (packageIn || !(settingsAside || SiteSettings(siteFolder) == found)) return true;
  bool all = true;
  // The folders they lie in were the site's before the fetch, and no fetch removes one of those.
  for (const TTreeEntry& entry : ListTree(aside))
    if (!entry.IsFolder() && !::MoveFileExW((aside + L"\\" + entry.path).c_str(),
                                            (ToWide(siteFolder) + L"\\" + entry.path).c_str(),
                                            MOVEFILE_REPLACE_EXISTING))
      all = false;
  return all;
}

}  // namespace

TSiteClaim::TSiteClaim(const std::string& siteFolder)
    : mutex_(::CreateMutexA(nullptr, FALSE, SiteClaimName(siteFolder).c_str())) {
  // An abandoned claim is taken as well: its holder's process has ended.
  const DWORD waited = mutex_ ? ::WaitForSingleObject(mutex_.get(), kSiteClaimWaitMs) : WAIT_FAILED;
  if (waited == WAIT_FAILED) {
    DWORD error = ::GetLastError();
    throw Error("Unable to claim " + siteFolder + ": " + SystemErrorText(error));
  }
  if (waited != WAIT_TIMEOUT) turn_ = MutexTurn(mutex_.get());
}

TPackageStaging::TPackageStaging(const std::string& siteFolder) : siteFolder_(siteFolder) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string root = StagingName(siteFolder, ::GetCurrentProcessId(), counter++);
    if (::CreateDirectoryA(root.c_str(), nullptr)) {
      root_ = TempFolder(ToWide(root));
      mark_ = FileHandle(::CreateFileA((root + kMarkName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
      zip = root + "\\package.zip";
      folder = root + kUnpackedFolder;
      aside = root + kAsideFolder;
      if (mark_ && ::CreateDirectoryA(folder.c_str(), nullptr) && ::CreateDirectoryA(aside.c_str(), nullptr)) return;
      break;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  DWORD error = ::GetLastError();
  mark_.reset();
  root_.reset();
  throw Error("Unable to create a folder beside " + siteFolder + ": " + SystemErrorText(error));
}

void TPackageStaging::RecordSiteSettings() {
  const std::string found = SiteSettings(siteFolder_);
  DWORD written = 0;
  if (!::WriteFile(mark_.get(), found.data(), static_cast<DWORD>(found.size()), &written, nullptr) ||
      written != found.size()) {
    DWORD error = ::GetLastError();
    throw Error("Unable to write beside " + siteFolder_ + ": " + SystemErrorText(error));
  }
}

void RemoveStaleStaging(const std::string& siteFolder) {
  const size_t cut = siteFolder.find_last_of('\\');
  const std::string parent = siteFolder.substr(0, cut + 1), siteName = siteFolder.substr(cut + 1);
  WIN32_FIND_DATAA data;
  const FindHandle find(::FindFirstFileA((siteFolder + kStagingMark + "*").c_str(), &data));
  if (!find) return;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsStagingName(data.cFileName, siteName)) continue;
    const std::string root = parent + data.cFileName;
    // Left by a fetch that can no longer finish: the site's own, taken over and removed. Its mark is
    // held meanwhile, and closed before the folder goes. One without a mark ended before it made
    // one (the folder and its mark are made under the claim), or while its folder was removed.
    bool dealtWith = false;
    {
      const FileHandle mark(::CreateFileA((root + kMarkName).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!mark && ::GetLastError() != ERROR_FILE_NOT_FOUND) continue;
      // Without a mark nothing tells what the site held: nothing goes back.
      dealtWith = !mark || PutBackSetAside(ToWide(root), siteFolder, ReadRest(mark.get()));
    }
    if (dealtWith) TempFolder(ToWide(root)).reset();
  } while (::FindNextFileA(find.get(), &data));
}

}  // namespace vt

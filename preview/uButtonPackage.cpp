#include "preview/uButtonPackage.h"

#include <zip.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "base/Errors.h"
#include "base/FileNames.h"
#include "base/FileTree.h"
#include "base/Handles.h"
#include "base/IniFile.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "base/TempFiles.h"
#include "capture/uHttpDate.h"
#include "capture/uWebUtils.h"
#include "preview/uPackageStaging.h"
#include "preview/uSkinFile.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

const char kCaption[] = "ActiveX::ImgBtnDownProc";
// The folder of the pages that have no domain (local files): with its "~" no site's name names it.
const char kNoDomainFolder[] = "~local";

bool IsFolder(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EnsureFolder(const std::string& path) { return IsFolder(path) || ::CreateDirectoryA(path.c_str(), nullptr); }

// A site's domain names one folder under the cache root, never a path, and never another
// folder's short name ("EXAMPL~1.COM"), nor the staging folders beside it.
bool IsFolderName(const std::string& domain) {
  std::wstring name = ToWide(domain);
  return name.find(L'~') == std::wstring::npos && IsPlainName(name);
}

std::string ZipErrorText(zip_error_t* error) {
  std::string text = zip_error_strerror(error);
  zip_error_fini(error);
  return text;
}

// Writes one entry to `path`, counting its bytes against what the package may still unpack.
void ExtractEntry(zip_t* archive, zip_uint64_t index, const std::wstring& path, uint64_t& budget) {
  const ZipEntry entry(zip_fopen_index(archive, index, 0));
  if (!entry) throw Error(std::string("Unable to read the button-image package: ") + zip_strerror(archive));
  WideTempFile partial(path);  // declared before the file, so that it is closed before it goes
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    partial.release();  // nothing was made under that name
    throw Error("Unable to create " + ToAnsi(path) + ": " + SystemErrorText(::GetLastError()));
  }
  std::vector<char> block(64 * 1024);
  for (;;) {
    // The sizes in the archive are the sender's word: count what really comes out.
    zip_int64_t read = zip_fread(entry.get(), block.data(), block.size());
    if (read < 0) throw Error(std::string("The button-image package is damaged: ") + zip_file_strerror(entry.get()));
    if (read == 0) break;
    if (static_cast<uint64_t>(read) > budget) throw Error("The button-image package unpacks to too many bytes");
    budget -= static_cast<uint64_t>(read);
    DWORD written = 0;
    if (!::WriteFile(file.get(), block.data(), static_cast<DWORD>(read), &written, nullptr) ||
        written != static_cast<DWORD>(read))
      throw Error("Unable to write " + ToAnsi(path) + ": " + SystemErrorText(::GetLastError()));
  }
  partial.release();
}

void CreateFolders(const std::wstring& base, const std::wstring& relative) {
  for (size_t cut = relative.find(L'\\'); cut != std::wstring::npos; cut = relative.find(L'\\', cut + 1)) {
    std::wstring folder = base + L"\\" + relative.substr(0, cut);
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
      throw Error("Unable to create " + ToAnsi(folder) + ": " + SystemErrorText(::GetLastError()));
  }
}

// The package's settings file within the bound of a skin file, before the profile functions read it
// whole.
void CheckSettingsSize(const std::string& settings) {
  if (SkinFileTooLarge(settings))
    throw Error(Format("The button-image package's index.ini is larger than %u bytes",
                       static_cast<unsigned>(kMaxSkinFileBytes)));
}

// Moves an unpacked package into the site's folder, over files of the same names, all or nothing:
// a file it replaces is moved aside first, and a step that fails undoes every step made before
// it. A file where the package has a folder, or the other way round, refuses the package before
// anything moves. The settings file goes last: a process killed halfway leaves the earlier settings
// (or none), never the new ones over half a package, and its staging folder says what to put back.
void PlacePackage(const std::wstring& from, const std::wstring& to, const std::wstring& aside) {
  std::vector<TTreeEntry> entries = ListTree(from);
  std::stable_partition(entries.begin(), entries.end(), [](const TTreeEntry& entry) {
    return ::lstrcmpiW(entry.path.c_str(), kPackageSettingsName) != 0;
  });
  for (const TTreeEntry& entry : entries) {
    DWORD attributes = ::GetFileAttributesW((to + L"\\" + entry.path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != entry.IsFolder())
      throw Error("The button-image package cannot be put in place of " + ToAnsi(entry.path));
  }
  // Until every entry is in place, what was done is undone when this ends: the new files go (last
  // declared, so first), the earlier files come back, then the folders made for the package go.
  std::vector<TempFolder> madeFolders;
  std::vector<std::pair<std::wstring, std::wstring>> movedAside;  // the earlier file, where it waits
  madeFolders.reserve(entries.size());
  movedAside.reserve(entries.size());
  ScopeGuard moveBack([&] {
    for (const auto& [earlier, kept] : movedAside)
      ::MoveFileExW(kept.c_str(), earlier.c_str(), MOVEFILE_REPLACE_EXISTING);
  });
  std::vector<WideTempFile> placed;
  placed.reserve(entries.size());
  for (const TTreeEntry& entry : entries) {
    const std::wstring source = from + L"\\" + entry.path, target = to + L"\\" + entry.path;
    const std::wstring kept = aside + L"\\" + entry.path;
    auto fail = [&] {
      DWORD error = ::GetLastError();
      throw Error("Unable to put " + ToAnsi(target) + " in place: " + SystemErrorText(error));
    };
    if (entry.IsFolder()) {
      if (!::CreateDirectoryW(kept.c_str(), nullptr)) fail();
      if (::CreateDirectoryW(target.c_str(), nullptr))
        madeFolders.emplace_back(target);
      else if (::GetLastError() != ERROR_ALREADY_EXISTS)
        fail();
      continue;
    }
    if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
      // The earlier file comes back under its own name, though the package may name it in other
      // letters or by its short name; over whatever stands there, should the new file not go.
      const std::wstring earlier = SpeltOnDisk(target);
      if (!::MoveFileExW(earlier.c_str(), kept.c_str(), 0)) fail();
      movedAside.emplace_back(earlier, kept);
    }
    if (!::MoveFileExW(source.c_str(), target.c_str(), 0)) fail();
    placed.emplace_back(target);
  }
  for (WideTempFile& file : placed) file.release();
  moveBack.Dismiss();
  for (TempFolder& folder : madeFolders) folder.release();
}

}  // namespace

std::optional<SYSTEMTIME> GetURLLastModified(const std::string& url, const THttpLimits& limits) {
  // The header is read as text and parsed here: the platform's own reading of a date that is not
  // one cannot be trusted with a server's text.
  const THttpResult head = HttpGet(url, "", limits);
  if (!head.ok) return std::nullopt;
  const std::optional<SYSTEMTIME> utc = ParseHttpDate(head.answer.lastModified);
  FILETIME universal, local;
  SYSTEMTIME time;
  if (!utc || !::SystemTimeToFileTime(&*utc, &universal) || !::FileTimeToLocalFileTime(&universal, &local) ||
      !::FileTimeToSystemTime(&local, &time))
    return std::nullopt;
  return time;
}

std::string FileDateText(const SYSTEMTIME& time) {
  char separator[8] = ":";
  if (!::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STIME, separator, sizeof(separator))) lstrcpyA(separator, ":");
  return Format("%04u-%02u-%02u %02u%s%02u%s%02u", time.wYear, time.wMonth, time.wDay, time.wHour, separator,
                time.wMinute, separator, time.wSecond);
}

std::string PackageFileName(const std::string& url) {
  std::string name = url.substr(url.rfind('/') + 1);
  size_t cut = name.find_last_of("\\:");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

void UnzipPackage(const std::string& zipPath, const std::string& targetFolder, const TUnzipLimits& limits) {
  if (!IsFile(zipPath)) return;
  std::wstring folder = ToWide(targetFolder);

  zip_error_t error;
  zip_error_init(&error);
  ZipSource source(zip_source_win32a_create(zipPath.c_str(), 0, -1, &error));
  if (!source) throw Error("Unable to open the button-image package: " + ZipErrorText(&error));
  const ZipArchive archive(zip_open_from_source(source.get(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!archive) throw Error("The button-image package is not a readable zip file: " + ZipErrorText(&error));
  source.release();  // the archive owns it now
  zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  if (count < 0 || static_cast<uint64_t>(count) > limits.maxEntries)
    throw Error("The button-image package holds too many entries");

  // Every name and declared size is checked first, so that a refused package writes nothing.
  std::vector<std::wstring> names;
  uint64_t declared = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    if (zip_stat_index(archive.get(), i, ZIP_FL_ENC_GUESS, &stat) != 0 || !(stat.valid & ZIP_STAT_NAME))
      throw Error(std::string("The button-image package is damaged: ") + zip_strerror(archive.get()));
    std::wstring name = FromUtf8(stat.name);
    for (wchar_t& c : name)
      if (c == L'/') c = L'\\';
    if (!StaysInFolder(name))
      throw Error("The button-image package holds an entry that may not be unpacked: " + ToAnsi(name));
    if (stat.valid & ZIP_STAT_SIZE) declared += stat.size;
    if (declared > limits.maxBytes) throw Error("The button-image package unpacks to too many bytes");
    names.push_back(name);
  }
  uint64_t budget = limits.maxBytes;
  for (size_t i = 0; i < names.size(); ++i) {
    CreateFolders(folder, names[i]);
    if (names[i].back() != L'\\') ExtractEntry(archive.get(), i, folder + L"\\" + names[i], budget);
  }
}

TPackageFetch ImgBtnDownProc(ILogSink& log, const std::string& domain, const std::string& url) {
  TPackageFetch fetch;
  const std::optional<SYSTEMTIME> known = GetURLLastModified(url);
  const SYSTEMTIME modified = known.value_or(SYSTEMTIME{});
  log.WriteLog(kCaption, Format(LoadResString(kLogPackageModifiedTime).c_str(), modified.wYear, modified.wMonth,
                                modified.wDay, modified.wHour, modified.wMinute, modified.wSecond));
  if (!known) return fetch;
  std::string remote = FileDateText(modified);

  std::string root = GetTempFolder() + "\\Vantrelle";
  if (!EnsureFolder(root)) {
    ::OutputDebugStringA("0-3-3");
    return fetch;
  }
  // The domain comes from the page: it may name one folder under the root and nothing else.
  if (!domain.empty() && !IsFolderName(domain)) {
    log.WriteLog(kCaption, "Refused site folder name : " + domain);
    return fetch;
  }
  std::string folder = root + "\\" + (domain.empty() ? kNoDomainFolder : domain);
  log.WriteLog(kCaption, LoadResString(kLogPackageExtractFolder) + " : " + folder);
  if (!EnsureFolder(folder)) return fetch;

  std::string name = PackageFileName(url);
  log.WriteLog(kCaption, LoadResString(kLogPackageFileName) + " : " + name);
  // The name is the page's: one the platform would read as a device is no package.
  if (name.empty() || NamesDevice(name)) return fetch;
  fetch.iniPath = folder + "\\index.ini";
  log.WriteLog(kCaption, LoadResString(kLogPackageSettingsPath) + " : " + fetch.iniPath);

  // One fetch of the site at a time, in any process, cleans up what dead fetches left, makes its
  // staging folder and places a package; the download goes on without the claim. A fetch that
  // cannot have it in time goes on with what the cache holds, as a failed one does.
  auto claimed = [&](const TSiteClaim& claim) {
    if (!claim)
      log.WriteLog(kCaption, Format("Another fetch kept the site's folder for %lu ms: the cache is used as it is",
                                    kSiteClaimWaitMs));
    return static_cast<bool>(claim);
  };
  // Nothing reaches the site's folder before the whole package was accepted: a refused package
  // leaves the earlier one as it was. The zip is never stored under a name the URL chose.
  try {
    std::optional<TPackageStaging> staging;
    {
      const TSiteClaim claim(folder);
      if (!claimed(claim)) return fetch;
      RemoveStaleStaging(folder);
      // One too large to be read (an earlier version took it) is fetched again.
      if (IsFile(fetch.iniPath) && !SkinFileTooLarge(fetch.iniPath)) {
        std::string stored = TIniFile(fetch.iniPath).ReadString("INFO", "FILEDATE", "");
        if (!stored.empty() && stored == remote) {
          fetch.usable = true;
          return fetch;
        }
      }
      staging.emplace(folder);
    }
    if (!DownloadURLToFile(url, staging->zip, kMaxPackageBytes).ok) return fetch;
    UnzipPackage(staging->zip, staging->folder);
    // The package goes in place with its date, in its own settings file or in a new one.
    const std::string settings = staging->folder + "\\index.ini";
    if (IsFolder(settings)) throw Error("The button-image package holds a folder in place of index.ini");
    CheckSettingsSize(settings);
    TIniFile(settings).WriteString("INFO", "FILEDATE", remote);
    CheckSettingsSize(settings);  // with its date, as it will lie in the cache
    const TSiteClaim claim(folder);
    if (!claimed(claim)) return fetch;
    RemoveStaleStaging(folder);  // a fetch that died while this one downloaded
    staging->RecordSiteSettings();
    PlacePackage(ToWide(staging->folder), ToWide(folder), ToWide(staging->aside));
  } catch (const Error& e) {
    // A bad package is a failed fetch: the request goes on with what the cache already holds.
    log.WriteLog(kCaption, e.what());
    return fetch;
  }
  fetch.usable = true;
  return fetch;
}

}  // namespace vt

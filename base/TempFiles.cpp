#include "base/TempFiles.h"

#include <shlobj.h>

#include <cstdint>

#include "base/Handles.h"
#include "base/Strings.h"
#include "base/SystemInfo.h"

namespace vt {
namespace {

// GetTempPath without its trailing backslash.
std::string PlatformTempFolder() {
  char buffer[MAX_PATH] = {};
  DWORD n = ::GetTempPathA(MAX_PATH, buffer);
  std::string folder(buffer, n < MAX_PATH ? n : 0);
  if (!folder.empty()) folder.pop_back();
  return folder;
}

}  // namespace

DeleteOnCloseFile::DeleteOnCloseFile(const std::string& path)
    : path_(path),
      holder_(::CreateFileA(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr)) {
  if (!holder_) TempFile(path).reset();
}

std::optional<std::wstring> GetKnownFolderPath(REFGUID folderId, DWORD flags, HANDLE token) {
  using Fn = HRESULT(WINAPI*)(REFGUID, DWORD, HANDLE, PWSTR*);
  Module shell(::LoadLibraryA("shell32.dll"));
  if (!shell) return std::nullopt;
  auto fn = reinterpret_cast<Fn>(::GetProcAddress(shell.get(), "SHGetKnownFolderPath"));
  if (!fn) return std::nullopt;
  CoTaskMemory<wchar_t> path;
  if (FAILED(fn(folderId, flags, token, path.put())) || !path) return std::nullopt;
  return std::wstring(path.get());
}

std::optional<std::string> GetLocalAppDataLowPath() {
  static const GUID kLocalAppDataLow = {0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};
  const std::optional<std::wstring> path = GetKnownFolderPath(kLocalAppDataLow, 0, nullptr);
  if (!path) return std::nullopt;
  return ToAnsi(*path);
}

std::string GetTempFolder() {
  if (GetProcessIntegrityLevel(0).value_or(3) <= 2) {
    // Without the folder's path this is \Temp at the root of the current drive, as it has always been.
    std::string folder = GetLocalAppDataLowPath().value_or("") + "\\Temp";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
  }
  return PlatformTempFolder();
}

std::optional<std::string> GetTempFile(const std::string& folder, const std::string& prefix) {
  char current[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, current);
  std::string dir = folder.empty() ? GetTempFolder() : folder == "." ? std::string(current) : folder;
  std::optional<std::string> result;
  if (::SetCurrentDirectoryA(dir.c_str())) {
    char name[MAX_PATH] = {};
    if (::GetTempFileNameA(".", prefix.c_str(), 0, name)) {
      std::string full(name);
      size_t cut = full.find_last_of("\\:");
      result = dir + "\\" + (cut == std::string::npos ? full : full.substr(cut + 1));
    }
  }
  // None: the folder could not be entered or no file made there.
  ::SetCurrentDirectoryA(current);
  return result;
}

std::optional<std::string> CreateTempFileName(const std::string& extension) {
  char name[MAX_PATH + 1] = "";
  if (!::GetTempFileNameA(PlatformTempFolder().c_str(), "TMP", 0, name)) return std::nullopt;
  // The platform made the name unique by creating the file: that one goes, the caller's comes.
  TempFile(name).reset();
  std::string path = name;
  const size_t dot = path.rfind('.');
  return (dot == std::string::npos ? path : path.substr(0, dot)) + extension;
}

}  // namespace vt

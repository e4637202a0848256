#include "base/FileNames.h"

#include <windows.h>

#include <cwchar>

#include "base/Handles.h"
#include "base/Strings.h"

namespace vt {
namespace {

bool IsDeviceDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || c == L'\x00B9' || c == L'\x00B2' || c == L'\x00B3'; }

// One part of a path, as the platform reads it for a device: what comes before the extension or
// the stream, without trailing blanks and dots, upper-cased as the file system compares names.
bool IsDevicePart(std::wstring part) {
  size_t cut = part.find_first_of(L".:");
  if (cut != std::wstring::npos) part.resize(cut);
  while (!part.empty() && (part.back() == L' ' || part.back() == L'.')) part.pop_back();
  if (part.empty() || part.size() > 7) return false;
  ::CharUpperBuffW(part.data(), static_cast<DWORD>(part.size()));
  if (part == L"CON" || part == L"PRN" || part == L"AUX" || part == L"NUL" || part == L"CONIN$" || part == L"CONOUT$")
    return true;
  return part.size() == 4 && (part.compare(0, 3, L"COM") == 0 || part.compare(0, 3, L"LPT") == 0) &&
         IsDeviceDigit(part[3]);
}

}  // namespace

bool NamesDevice(const std::wstring& path) {
  size_t start = 0;
  for (;;) {
    size_t end = path.find_first_of(L"\\/", start);
    if (IsDevicePart(path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start))) return true;
    if (end == std::wstring::npos) return false;
    start = end + 1;
  }
}

bool NamesDevice(const std::string& path) { return NamesDevice(ToWide(path)); }

bool StaysInFolder(const std::wstring& path) {
  if (path.empty() || path.find(L':') != std::wstring::npos || NamesDevice(path)) return false;
  size_t start = 0;
  for (;;) {
    size_t end = path.find_first_of(L"\\/", start);
    std::wstring part = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    bool last = end == std::wstring::npos || end + 1 == path.size();
    // An empty part is a root, a doubled slash, or the closing slash of a folder entry.
    if (part.empty() && !(last && start > 0)) return false;
    if (!part.empty()) {
      // The file system drops trailing dots and blanks, which would turn "..." into "..".
      if (part.back() == L'.' || part.back() == L' ') return false;
      for (wchar_t c : part)
        if (c < 32 || wcschr(L"<>\"|?*", c)) return false;
    }
    if (last) return true;
    start = end + 1;
  }
}

bool IsPlainName(const std::wstring& name) {
  return name.find_first_of(L"\\/") == std::wstring::npos && StaysInFolder(name);
}

std::wstring SpeltOnDisk(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  const FindHandle find(::FindFirstFileW(path.c_str(), &data));
  if (!find) return path;
  return path.substr(0, path.find_last_of(L"\\/") + 1) + data.cFileName;
}

}  // namespace vt

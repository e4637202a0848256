#include "capture/uWebUtils.h"

#include <shlobj.h>
#include <winsock.h>

#include <cstring>

#include "base/Handles.h"
#include "base/Numbers.h"
#include "base/Strings.h"

namespace vt {
namespace {

bool ReadReportedVersion(ReportedVersion& out) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);  // the 148-byte record
  if (!::GetVersionExA(&info)) return false;
  out.platform = info.dwPlatformId;
  out.major = info.dwMajorVersion;
  out.minor = info.dwMinorVersion;
  out.build = info.dwBuildNumber;
  out.servicePack = info.szCSDVersion;
  return true;
}

}  // namespace

uint8_t IntegrityLevelFromRid(DWORD rid) {
  if (rid == 0) return 1;
  if (rid < 0x2000) return 2;
  if (rid < 0x4000) return 3;
  if (rid < 0x5000) return 4;
  return 5;
}

bool GetProcessIntegrityLevel(DWORD processId, uint8_t& level) {
  ReportedVersion v;
  if (!ReadReportedVersion(v) || v.platform != VER_PLATFORM_WIN32_NT || v.major != 6) return false;
  if (processId == 0) processId = ::GetCurrentProcessId();
  Handle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
  if (!process) return false;
  Handle token;
  if (!::OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_QUERY_SOURCE, token.put())) return false;
  DWORD size = 0;
  if (::GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size) ||
      ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return false;
  LocalMemory buffer(::LocalAlloc(LMEM_FIXED, size));
  if (!buffer || !::GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.get(), size, &size)) return false;
  PSID sid = static_cast<TOKEN_MANDATORY_LABEL*>(buffer.get())->Label.Sid;
  DWORD rid = *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1);
  level = IntegrityLevelFromRid(rid);
  return true;
}

uint8_t WindowsVersionCode(const ReportedVersion& v) {
  if (v.platform == VER_PLATFORM_WIN32_WINDOWS) {
    std::string mark = v.servicePack.size() > 1 ? Trim(v.servicePack.substr(1, 1)) : "";
    if (v.minor == 0) return mark == "B" ? 2 : 1;
    if (v.minor == 10) return mark == "A" ? 4 : 3;
    if (v.minor == 90 && v.build == 0x045A0BB8) return 5;
    return 0;
  }
  if (v.platform != VER_PLATFORM_WIN32_NT) return 0;
  switch (v.major) {
    case 3: return 6;
    case 4: return 7;
    case 5: return v.minor == 0 ? 8 : v.minor == 1 ? 9 : 0;
    case 6: return v.minor <= 3 ? static_cast<uint8_t>(10 + v.minor) : 0;
    default: return 0;
  }
}

uint8_t GetWindowsVersion() {
  ReportedVersion v;
  return ReadReportedVersion(v) ? WindowsVersionCode(v) : 0;
}

bool IsVistaOrLater() {
  uint8_t code = GetWindowsVersion();
  return code >= 10 && code <= 13;
}
bool IsWin8OrLater() {
  uint8_t code = GetWindowsVersion();
  return code == 12 || code == 13;
}
bool IsWin81() { return GetWindowsVersion() == 13; }

HRESULT GetKnownFolderPath(REFGUID folderId, DWORD flags, HANDLE token, PWSTR* path) {
  using Fn = HRESULT(WINAPI*)(REFGUID, DWORD, HANDLE, PWSTR*);
  Module shell(::LoadLibraryA("shell32.dll"));
  if (!shell) return E_FAIL;
  auto fn = reinterpret_cast<Fn>(::GetProcAddress(shell.get(), "SHGetKnownFolderPath"));
  if (!fn) return E_FAIL;
  return fn(folderId, flags, token, path);
}

std::string GetLocalAppDataLowPath() {
  static const GUID kLocalAppDataLow = {0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};
  PWSTR path = nullptr;
  if (FAILED(GetKnownFolderPath(kLocalAppDataLow, 0, nullptr, &path)) || !path) return {};
  std::string result = ToAnsi(path);
  ::CoTaskMemFree(path);
  return result;
}

std::string GetTempFolder() {
  uint8_t level = 0;
  if (GetProcessIntegrityLevel(0, level) && level <= 2) {
    std::string folder = GetLocalAppDataLowPath() + "\\Temp";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
  }
  char buffer[MAX_PATH] = {};
  DWORD n = ::GetTempPathA(MAX_PATH, buffer);
  std::string folder(buffer, n < MAX_PATH ? n : 0);
  if (!folder.empty()) folder.pop_back();
  return folder;
}

std::string GetTempFile(const std::string& folder, const std::string& prefix) {
  char current[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, current);
  std::string dir = folder.empty() ? GetTempFolder() : folder == "." ? std::string(current) : folder;
  std::string result;
  if (::SetCurrentDirectoryA(dir.c_str())) {
    char name[MAX_PATH] = {};
    if (::GetTempFileNameA(".", prefix.c_str(), 0, name)) {
      std::string full(name);
      size_t cut = full.find_last_of("\\:");
      result = dir + "\\" + (cut == std::string::npos ? full : full.substr(cut + 1));
    }
  }
  // An empty result: the folder could not be entered or no file made there.
  ::SetCurrentDirectoryA(current);
  return result;
}

bool SplitURL(const std::string& url, std::string& scheme, std::string& host, std::string& path, uint16_t& port) {
  scheme.clear();
  host.clear();
  path.clear();
  port = 0;
  std::string rest = url;
  size_t sep = url.find("://");
  if (sep != std::string::npos) {
    scheme = url.substr(0, sep);
    rest = url.substr(sep + 3);
  } else {
    scheme = "http";
  }
  size_t slash = rest.find('/');
  std::string hostPart = slash == std::string::npos ? rest : rest.substr(0, slash);
  if (slash != std::string::npos) path = rest.substr(slash + 1);
  size_t colon = hostPart.find(':');
  if (colon != std::string::npos) {
    host = hostPart.substr(0, colon);
    std::string text = hostPart.substr(colon + 1);
    auto number = TryStrToInt(text);
    // A number, even one too long for any integer, is a port and must be one: no wrapping round
    // to another port. Only a text that is no number at all stands for the default.
    bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (number ? *number < 1 || *number > 65535 : digits) return false;
    port = number ? static_cast<uint16_t>(*number) : 80;
  } else {
    host = hostPart;
    if (SameTextAscii(scheme, "https")) port = 443;
    else if (SameTextAscii(scheme, "http")) port = 80;
  }
  return true;
}

UrlParts SplitURL(const std::string& url) {
  UrlParts parts;
  SplitURL(url, parts.scheme, parts.host, parts.path, parts.port);
  return parts;
}

int32_t GetHttpStatusCode(HINTERNET request) {
  DWORD status = 0, size = sizeof(status), index = 0;
  if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index)) return -1;
  return static_cast<int32_t>(status);
}

bool DownloadURLToFile(const std::string& url, const std::string& fileName, int32_t& status, const THttpLimits& limits) {
  THttpAnswer answer;
  bool ok = HttpGet(url, fileName, limits, answer);
  if (answer.answered) status = answer.status;
  return ok;
}

std::string GetLocalIP() {
  WSADATA data;
  if (::WSAStartup(0x0101, &data) != 0) return {};
  std::string result;
  char name[64] = {};
  if (::gethostname(name, sizeof(name)) == 0) {
    if (hostent* host = ::gethostbyname(name)) {
      for (char** entry = host->h_addr_list; entry && *entry; ++entry) {
        in_addr address;
        std::memcpy(&address, *entry, sizeof(address));
        if (!result.empty()) result += ".";
        result += ::inet_ntoa(address);
      }
    }
  }
  ::WSACleanup();
  return result;
}

}  // namespace vt

// Free-standing system and web routines shared by the whole control.
#pragma once
#include <windows.h>
#include <wininet.h>
#include <cstdint>
#include <string>

#include "base/Handles.h"
#include "capture/uHttpGet.h"

namespace vt {

// Integrity level 1..5 from a mandatory-label RID (1 untrusted, 2 low, 3 medium/high, 4 system, 5 protected).
uint8_t IntegrityLevelFromRid(DWORD rid);
// Only on a platform reporting NT 6.x; process id 0 is the current process.
bool GetProcessIntegrityLevel(DWORD processId, uint8_t& level);

// Version codes of the platform reported by GetVersionExA (10 Vista .. 13 Windows 8.1, 0 unknown).
struct ReportedVersion {
  DWORD platform = 0, major = 0, minor = 0, build = 0;
  std::string servicePack;
};
uint8_t WindowsVersionCode(const ReportedVersion& v);
uint8_t GetWindowsVersion();
bool IsVistaOrLater();
bool IsWin8OrLater();
bool IsWin81();

HRESULT GetKnownFolderPath(REFGUID folderId, DWORD flags, HANDLE token, PWSTR* path);
std::string GetLocalAppDataLowPath();
std::string GetTempFolder();
std::string GetTempFile(const std::string& folder, const std::string& prefix);

struct UrlParts {
  std::string scheme, host, path;
  uint16_t port = 0;
};
// False, with the port 0, when the URL names a port outside 1 to 65535.
bool SplitURL(const std::string& url, std::string& scheme, std::string& host, std::string& path, uint16_t& port);
UrlParts SplitURL(const std::string& url);

struct InternetHandleTraits {
  using Type = HINTERNET;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::InternetCloseHandle(h); }
};
using InternetHandle = UniqueHandle<InternetHandleTraits>;

int32_t GetHttpStatusCode(HINTERNET request);
// True when the whole body of a 200 answer is in the file (HttpGet; `limits` gives the most that
// the caller's use may need). The status of the last answer is written once an answer came; on
// false there is no file of that name.
bool DownloadURLToFile(const std::string& url, const std::string& fileName, int32_t& status, const THttpLimits& limits);

std::string GetLocalIP();

}  // namespace vt

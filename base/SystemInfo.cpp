#include "base/SystemInfo.h"

#include "base/Handles.h"
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

std::optional<uint8_t> GetProcessIntegrityLevel(DWORD processId) {
  ReportedVersion v;
  if (!ReadReportedVersion(v) || v.platform != VER_PLATFORM_WIN32_NT || v.major != 6) return std::nullopt;
  if (processId == 0) processId = ::GetCurrentProcessId();
  Handle process(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
  if (!process) return std::nullopt;
  Handle token;
  if (!::OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_QUERY_SOURCE, token.put())) return std::nullopt;
  DWORD size = 0;
  if (::GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size) ||
      ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return std::nullopt;
  LocalMemory buffer(::LocalAlloc(LMEM_FIXED, size));
  if (!buffer || !::GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.get(), size, &size)) return std::nullopt;
  PSID sid = static_cast<TOKEN_MANDATORY_LABEL*>(buffer.get())->Label.Sid;
  DWORD rid = *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1);
  return IntegrityLevelFromRid(rid);
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

}  // namespace vt

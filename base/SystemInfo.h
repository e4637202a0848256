// What the platform says about this process and system: its integrity level, whether another
// process runs, and the Windows version.
#pragma once
#include <windows.h>
#include <cstdint>
#include <optional>
#include <string>

namespace vt {

// Integrity level 1..5 from a mandatory-label RID (1 untrusted, 2 low, 3 medium/high, 4 system, 5 protected).
uint8_t IntegrityLevelFromRid(DWORD rid);
// Only on a platform reporting NT 6.x, none elsewhere and when the process or its token cannot be
// read; process id 0 is the current process.
std::optional<uint8_t> GetProcessIntegrityLevel(DWORD processId);

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

}  // namespace vt

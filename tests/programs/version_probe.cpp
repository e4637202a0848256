// Prints what the control's version and integrity routines see in this process:
// "<version code> <vista> <win8> <win81> <integrity read> <level> <temp folder>".
#include <cstdio>

#include "base/SystemInfo.h"
#include "base/TempFiles.h"

int main() {
  const std::optional<uint8_t> level = vt::GetProcessIntegrityLevel(0);
  std::printf("%d %d %d %d %d %d %s\n", vt::GetWindowsVersion(), vt::IsVistaOrLater(), vt::IsWin8OrLater(),
              vt::IsWin81(), level.has_value(), level.value_or(0), vt::GetTempFolder().c_str());
  return 0;
}

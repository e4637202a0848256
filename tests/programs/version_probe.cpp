// Prints what the control's version and integrity routines see in this process:
// "<version code> <vista> <win8> <win81> <integrity read> <level> <temp folder>".
#include <cstdio>

#include "base/SystemInfo.h"
#include "base/TempFiles.h"

int main() {
  uint8_t level = 0;
  bool read = vt::GetProcessIntegrityLevel(0, level);
  std::printf("%d %d %d %d %d %d %s\n", vt::GetWindowsVersion(), vt::IsVistaOrLater(), vt::IsWin8OrLater(),
              vt::IsWin81(), read, level, vt::GetTempFolder().c_str());
  return 0;
}

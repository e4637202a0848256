// Another browser process fetching a button-image package: the site's name is the first argument,
// the package's URL the second. Prints 1 when a usable package is in the site's folder, else 0.
// With "stop-at-new-settings" third, the fetch stops for good once it has set the site's settings
// file aside, before the new one goes in: a test kills it in that moment.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "control/uRequestLog.h"
#include "preview/uButtonPackage.h"

namespace {

using MoveFunction = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
// This program's import of MoveFileExW: every call of it in the program goes through it.
extern "C" MoveFunction importedMoveFileExW asm("__imp__MoveFileExW@12");
MoveFunction platformMoveFileExW;

BOOL WINAPI MoveStoppingAtNewSettings(LPCWSTR from, LPCWSTR to, DWORD flags) {
  const std::wstring source = from, newSettings = L"\\package\\index.ini";
  if (source.size() > newSettings.size() && source.compare(source.size() - newSettings.size(), newSettings.size(), newSettings) == 0)
    ::Sleep(INFINITE);
  return platformMoveFileExW(from, to, flags);
}

void StopAtNewSettings() {
  platformMoveFileExW = importedMoveFileExW;
  DWORD protection = 0;
  ::VirtualProtect(&importedMoveFileExW, sizeof(importedMoveFileExW), PAGE_READWRITE, &protection);
  importedMoveFileExW = MoveStoppingAtNewSettings;
  ::VirtualProtect(&importedMoveFileExW, sizeof(importedMoveFileExW), protection, &protection);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  if (argc > 3 && std::strcmp(argv[3], "stop-at-new-settings") == 0) StopAtNewSettings();
  vt::TRequestLog log;
  std::printf("%d\n", vt::ImgBtnDownProc(log, argv[1], argv[2]).usable ? 1 : 0);
  return 0;
}

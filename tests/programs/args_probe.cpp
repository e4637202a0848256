// Writes the arguments it was started with, one a line, as a program reads its command line, to
// its own path + ".args": what a browser that the help page starts receives.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/Strings.h"
#include "support/TestEnv.h"

int main() {
  int count = 0;
  LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::string text;
  for (int i = 1; i < count; ++i) text += vt::ToUtf8(args[i]) + "\n";
  char self[MAX_PATH] = "";
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path = std::string(self) + ".args";
  // Whole or not at all, for the test that waits for it.
  vt::test::WriteFileBytes(path + ".new", text);
  return ::MoveFileExA((path + ".new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

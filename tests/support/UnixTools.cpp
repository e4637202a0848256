#include "support/UnixTools.h"

#include <windows.h>

#include "base/Strings.h"
#include "support/TestEnv.h"

namespace vt::test {
namespace {

using SpawnFn = LONG(__cdecl*)(char* const argv[], int wait);
using UnixNameFn = char*(CDECL*)(LPCWSTR);
using DosNameFn = WCHAR*(CDECL*)(LPCSTR);

template <class Fn>
Fn WineEntry(const char* module, const char* name) {
  return reinterpret_cast<Fn>(::GetProcAddress(::GetModuleHandleA(module), name));
}

}  // namespace

std::string ShellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string PdfInfoField(const std::string& pdfinfoOutput, const std::string& name) {
  size_t at = pdfinfoOutput.find("\n" + name + ":");
  if (pdfinfoOutput.rfind(name + ":", 0) == 0) at = 0;
  else if (at == std::string::npos) return {};
  else ++at;
  size_t begin = pdfinfoOutput.find_first_not_of(' ', at + name.size() + 1);
  size_t end = pdfinfoOutput.find('\n', at);
  return begin == std::string::npos ? "" : pdfinfoOutput.substr(begin, end == std::string::npos ? end : end - begin);
}

std::string UnixPath(const std::string& windowsPath) {
  auto fn = WineEntry<UnixNameFn>("kernel32.dll", "wine_get_unix_file_name");
  if (!fn) return {};
  char* name = fn(ToWide(windowsPath).c_str());
  if (!name) return {};
  std::string out(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return out;
}

std::string WindowsPath(const std::string& unixPath) {
  auto fn = WineEntry<DosNameFn>("kernel32.dll", "wine_get_dos_file_name");
  if (!fn) return {};
  WCHAR* name = fn(unixPath.c_str());
  if (!name) return {};
  std::string out = ToAnsi(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return out;
}

UnixResult RunUnixCommand(const std::string& command) {
  UnixResult result;
  auto spawn = WineEntry<SpawnFn>("ntdll.dll", "__wine_unix_spawnvp");
  if (!spawn) return result;
  TempDir dir;
  std::string outFile = UnixPath(dir.file("out.txt"));
  std::string full = "(" + command + ") >" + ShellQuote(outFile) + " 2>&1";
  char sh[] = "/bin/sh", dashC[] = "-c";
  char* argv[] = {sh, dashC, full.data(), nullptr};
  result.exitCode = static_cast<int>(spawn(argv, 1));
  result.output = ReadFileBytes(dir.file("out.txt"));
  return result;
}

bool XMouse(const std::string& commands) { return RunUnixCommand("xdotool " + commands).exitCode == 0; }

}  // namespace vt::test

#include "preview/uHelpPage.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>

#include "base/Handles.h"
#include "base/Strings.h"
#include "base/TempFiles.h"
#include "capture/uWebUtils.h"

namespace vt {

std::string FindBrowserExecutable(const std::string& fileName) {
  char program[MAX_PATH + 1] = "";
  if (reinterpret_cast<INT_PTR>(::FindExecutableA(fileName.c_str(), nullptr, program)) <= 32) return {};
  return program;
}

bool IsHelpUrl(const std::string& url) {
  // A URL without a scheme of its own reads as http: a relative one, refused here.
  const std::optional<UrlParts> parts = SplitURL(url);
  if (!parts || url.find("://") == std::string::npos || parts->host.empty()) return false;
  if (!SameTextAscii(parts->scheme, "http") && !SameTextAscii(parts->scheme, "https")) return false;
  // The browser's command line takes it as one argument, whatever follows.
  for (const unsigned char c : url)
    if (c <= ' ' || c == 0x7F || c == '"' || c == '\\') return false;
  return true;
}

std::string HelpParameters(const std::string& browserFile, const std::string& url) {
  const std::string argument = "\"" + url + "\"";
  if (browserFile == "firefox.exe") return "-new-window " + argument;
  if (browserFile == "opera.exe") return "/newwindow " + argument;
  return argument;
}

bool OpenHelpUrl(const std::string& url, const TShellStart& shellStart) {
  if (!IsHelpUrl(url)) return false;
  // The browser registered for web pages is found through an empty page of that kind; without a
  // page there is none, as when no browser is registered. The page is open until then: the system
  // deletes it when it is closed, however the process ends.
  std::string program;
  if (const std::optional<std::string> page = CreateTempFileName(".htm")) {
    const FileHandle created(::CreateFileA(page->c_str(), GENERIC_WRITE | DELETE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (created) program = FindBrowserExecutable(*page);
  }
  const size_t slash = program.find_last_of("\\/");
  const std::string file = Trim(slash == std::string::npos ? program : program.substr(slash + 1));
  const std::string parameters = HelpParameters(file, url);
  if (shellStart)
    shellStart(program, parameters);
  else
    ::ShellExecuteA(nullptr, "open", program.c_str(), parameters.c_str(), "", SW_SHOWNORMAL);
  ::OutputDebugStringA(program.c_str());
  return true;
}

}  // namespace vt

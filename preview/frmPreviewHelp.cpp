// The help page opened in the user's default web browser, and the window sized to the captured
// picture within the screen's work area.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/Strings.h"
#include "page/uHtmlImage.h"
#include "preview/frmPreviewForm.h"

namespace vt {

std::string CreateTempFileName(const std::string& extension) {
  char folder[MAX_PATH + 1] = "", name[MAX_PATH + 1] = "";
  ::GetTempPathA(MAX_PATH, folder);
  if (!::GetTempFileNameA(folder, "TMP", 0, name)) return {};
  // The platform made the name unique by creating the file: that one goes, the caller's comes.
  ::DeleteFileA(name);
  std::string path = name;
  const size_t dot = path.rfind('.');
  return (dot == std::string::npos ? path : path.substr(0, dot)) + extension;
}

std::string FindBrowserExecutable(const std::string& fileName) {
  char program[MAX_PATH + 1] = "";
  if (reinterpret_cast<INT_PTR>(::FindExecutableA(fileName.c_str(), nullptr, program)) <= 32) return {};
  return program;
}

std::string HelpParameters(const std::string& browserFile, const std::string& url) {
  if (browserFile == "firefox.exe") return "-new-window " + url;
  if (browserFile == "opera.exe") return "/newwindow " + url;
  return url;
}

void TfmPreviewForm::OpenHelpPage() {
  // The browser registered for web pages is found through an empty page of that kind.
  const std::string page = CreateTempFileName(".htm");
  ::CloseHandle(::CreateFileA(page.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string program = FindBrowserExecutable(page);
  const size_t slash = program.find_last_of("\\/");
  const std::string file = Trim(slash == std::string::npos ? program : program.substr(slash + 1));
  const std::string parameters = HelpParameters(file, helpUrl_);
  if (ShellStart)
    ShellStart(program, parameters);
  else
    ::ShellExecuteA(nullptr, "open", program.c_str(), parameters.c_str(), "", SW_SHOWNORMAL);
  ::OutputDebugStringA(program.c_str());
  ::DeleteFileA(page.c_str());
}

void TfmPreviewForm::FitToImage(THtmlImage* graphic) {
  if (!graphic) return;
  RECT work{}, window{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  ::GetWindowRect(Handle(), &window);
  const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  // The window around a scroll box whose client area is the picture's size.
  int width = (window.right - window.left) - scroller_->ClientWidth() + graphic->GetImageWidth();
  int height = (window.bottom - window.top) - scroller_->ClientHeight() + graphic->GetImageHeight();
  int left = 0, top = 0;
  if (height <= workHeight) top = workHeight / 2 - height / 2;
  else height = workHeight;
  if (width <= workWidth) left = workWidth / 2 - width / 2;
  else width = workWidth;
  ::OutputDebugStringA(Format("FitToImage: %d x %d at %d, %d", width, height, left, top).c_str());
  SetBounds(left, top, width, height);
  ::InvalidateRect(scroller_->Handle(), nullptr, TRUE);
}

}  // namespace vt

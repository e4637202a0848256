#include "control/uRequestLog.h"

#include <windows.h>

#include "base/Handles.h"
#include "base/Strings.h"
#include "base/TempFiles.h"

namespace vt {

std::string TRequestLog::FormatLine(const std::string& caption, const std::string& time, const std::string& message) {
  return "[" + caption + "] >> " + time + " >>" + message;
}

std::string TRequestLog::CurrentTimeText() {
  char buffer[128] = {};
  int n = ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, sizeof(buffer));
  return n > 0 ? std::string(buffer) : std::string();
}

void TRequestLog::WriteLog(const std::string& caption, const std::string& message) {
  lines_.push_back(FormatLine(caption, CurrentTimeText(), message));
  Changed();
}

void TRequestLog::Clear() {
  lines_.clear();
  Changed();
}

std::string TRequestLog::FilePath() { return GetTempFolder() + "\\Vantrelle.log"; }

bool TRequestLog::SaveToFile(const std::string& path) const {
  std::string content;
  for (const std::string& line : lines_) content += line + "\r\n";
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
         written == content.size();
}

}  // namespace vt

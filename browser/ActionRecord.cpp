#include "browser/ActionRecord.h"

#include "base/Errors.h"

namespace vt::browser {

TActionRecord::TActionRecord(const std::string& path) {
  if (path.empty()) return;
  file_.reset(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) throw Error("cannot write the action record " + path + ": " + SystemErrorText(::GetLastError()));
}

void TActionRecord::Append(const std::string& line) {
  if (!file_) return;
  std::string text = line + "\n";
  DWORD written = 0;
  ::WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace vt::browser

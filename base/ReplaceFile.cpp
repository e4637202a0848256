#include "base/ReplaceFile.h"

#include <windows.h>

#include "base/Errors.h"

namespace vt {

TReplaceFile::TReplaceFile(const std::string& finalPath)
    : final_(finalPath), temp_(finalPath + ".~" + std::to_string(::GetCurrentProcessId()) + ".tmp") {
  file_.emplace(temp_.get(), TFileStream::fmCreateTemporary);
}

void TReplaceFile::Commit() {
  // Kept only now: a process ending between here and the move leaves the whole file under its
  // temporary name, never a part of it.
  const bool kept = file_->Keep();
  if (kept) file_.reset();
  if (!kept ||
      !::MoveFileExA(temp_.get().c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD code = ::GetLastError();
    throw Error("Cannot write file \"" + final_ + "\". " + SystemErrorText(code));
  }
  temp_.release();  // it is the final file now
}

}  // namespace vt

// Writes a file under a temporary name beside the final one and puts it in place
// only when complete, so a failed write, or a process ended part way however it ends, never
// leaves a half-written file behind.
#pragma once
#include <optional>
#include <string>

#include "base/Stream.h"
#include "base/TempFiles.h"

namespace vt {

class TReplaceFile {
public:
  // Throws vt::Error when the temporary file cannot be made.
  explicit TReplaceFile(const std::string& finalPath);
  TReplaceFile(const TReplaceFile&) = delete;
  TReplaceFile& operator=(const TReplaceFile&) = delete;

  // The temporary file, written before Commit. Until then the system deletes it when this goes
  // or the process ends, however it ends.
  TStream& File() { return *file_; }
  // Moves the temporary file over the final name; throws vt::Error on failure.
  void Commit();

private:
  std::string final_;
  TempFile temp_;  // removed unless committed
  std::optional<TFileStream> file_;  // after the name: closed before it is removed
};

}  // namespace vt

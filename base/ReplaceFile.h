// Writes a file under a temporary name beside the final one and puts it in place
// only when complete, so a failed write never leaves a half-written file behind.
#pragma once
#include <string>

#include "base/TempFiles.h"

namespace vt {

class TReplaceFile {
public:
  explicit TReplaceFile(const std::string& finalPath);
  TReplaceFile(const TReplaceFile&) = delete;
  TReplaceFile& operator=(const TReplaceFile&) = delete;

  const std::string& TempPath() const { return temp_.get(); }
  // Moves the temporary file over the final name; throws vt::Error on failure.
  void Commit();

private:
  std::string final_;
  TempFile temp_;  // removed unless committed
};

}  // namespace vt

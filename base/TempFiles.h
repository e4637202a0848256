// The temporary folder of this process, new files in it, and the owners of temporary files and
// folders, which delete them when they go.
#pragma once
#include <windows.h>
#include <optional>
#include <string>
#include <utility>

#include "base/FileTree.h"
#include "base/Handles.h"

namespace vt {

// Something of our own on disk under a temporary name, removed when the owner goes unless
// released first (it then stays for whoever took the path). Traits: `Path`, the string type, and
// `Remove(const Path&)`. What cannot be removed (a file still open elsewhere) stays.
template <class Traits>
class TempPath {
public:
  using Path = typename Traits::Path;
  TempPath() noexcept = default;
  explicit TempPath(Path path) noexcept : path_(std::move(path)) {}
  TempPath(TempPath&& o) noexcept : path_(o.release()) {}
  TempPath& operator=(TempPath&& o) noexcept {
    if (this != &o) {
      reset();
      path_ = o.release();
    }
    return *this;
  }
  TempPath(const TempPath&) = delete;
  TempPath& operator=(const TempPath&) = delete;
  ~TempPath() { reset(); }

  const Path& get() const noexcept { return path_; }
  explicit operator bool() const noexcept { return !path_.empty(); }
  Path release() noexcept { return std::exchange(path_, Path()); }
  // Removes it now.
  void reset() noexcept {
    if (!path_.empty()) Traits::Remove(release());
  }

private:
  Path path_;
};

struct TempFileTraits {
  using Path = std::string;
  static void Remove(const Path& path) { ::DeleteFileA(path.c_str()); }
};
struct WideTempFileTraits {
  using Path = std::wstring;
  static void Remove(const Path& path) { ::DeleteFileW(path.c_str()); }
};
struct TempFolderTraits {  // with everything in it
  using Path = std::wstring;
  static void Remove(const Path& path) { RemoveTree(path); }
};
using TempFile = TempPath<TempFileTraits>;
using WideTempFile = TempPath<WideTempFileTraits>;
using TempFolder = TempPath<TempFolderTraits>;

// A file of our own that the system deletes once no handle is open on it, after this owner has
// gone or however the process ends: the owner holds a handle for that. Whoever else opens the
// file shares deleting it (TFileStream does). Empty, with the file deleted at once, when it could
// not be held so.
class DeleteOnCloseFile {
public:
  explicit DeleteOnCloseFile(const std::string& path);
  DeleteOnCloseFile(DeleteOnCloseFile&&) noexcept = default;
  DeleteOnCloseFile& operator=(DeleteOnCloseFile&&) noexcept = default;
  const std::string& get() const noexcept { return path_; }
  explicit operator bool() const noexcept { return static_cast<bool>(holder_); }
  // Lets go now: the file goes once no other handle is open on it.
  void reset() noexcept { holder_.reset(); }

private:
  std::string path_;
  FileHandle holder_;
};

// The path of the known folder `folderId`, through the shell's SHGetKnownFolderPath looked up at
// run time (older systems lack it); none when the shell cannot tell it.
std::optional<std::wstring> GetKnownFolderPath(REFGUID folderId, DWORD flags, HANDLE token);
// The LocalAppDataLow folder; none when the shell cannot tell it.
std::optional<std::string> GetLocalAppDataLowPath();
// The low-integrity "Temp" folder at low integrity (the only one such a process may write),
// the user's temporary folder otherwise.
std::string GetTempFolder();
// A new empty file of a unique name in `folder` (the temporary folder when empty, the current
// one for "."); none when none could be made there.
std::optional<std::string> GetTempFile(const std::string& folder, const std::string& prefix);
// A new unique name with prefix "TMP" and `extension`, no file left under it; none when none
// could be made. It lies in the platform's temporary folder even at low integrity, as the help
// page has always had it: the name is only asked which program opens it.
std::optional<std::string> CreateTempFileName(const std::string& extension);

}  // namespace vt

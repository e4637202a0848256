// A settings (INI) file read and written through the platform's profile functions.
#pragma once
#include <string>

namespace vt {

class TIniFile {
public:
  // `path` should be a full path: the profile functions look for a bare name in the Windows folder.
  explicit TIniFile(std::string path) : path_(std::move(path)) {}
  const std::string& FileName() const { return path_; }

  // The value of a key, or `def` when the file, the section or the key is missing.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Writes to the file at once; creates the file and the section when missing. Throws vt::Error.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);

private:
  std::string path_;
};

}  // namespace vt

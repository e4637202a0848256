// A registry key put back as it was when the scope ends: its values and subkeys, or its absence
// (then every key the test created on the way to it is removed again).
#pragma once
#include <windows.h>
#include <memory>
#include <string>

namespace vt::test {

class RegistryKeyScope {
public:
  // `path` below `root`, without leading backslash.
  RegistryKeyScope(HKEY root, const std::string& path);
  ~RegistryKeyScope();
  RegistryKeyScope(const RegistryKeyScope&) = delete;
  RegistryKeyScope& operator=(const RegistryKeyScope&) = delete;

  struct Tree;

private:
  HKEY root_;
  std::string path_;
  std::string firstMissing_;  // the first key of `path` that did not exist; empty when all did
  std::unique_ptr<Tree> saved_;
};

bool RegistryKeyExists(HKEY root, const std::string& path);

// A value written, its key made when missing.
void SetStringValue(HKEY root, const std::string& key, const char* name, const std::string& value);
void SetDwordValue(HKEY root, const std::string& key, const char* name, DWORD value);

}  // namespace vt::test

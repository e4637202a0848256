#include "support/RegistryScope.h"

#include <vector>

#include "base/Handles.h"

namespace vt::test {

struct RegistryKeyScope::Tree {
  struct Value {
    std::string name;
    DWORD type = 0;
    std::string data;
  };
  std::vector<Value> values;
  std::vector<std::pair<std::string, Tree>> subkeys;
};

namespace {

using Tree = RegistryKeyScope::Tree;

Tree ReadTree(HKEY key) {
  Tree tree;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameSize = sizeof(name), type = 0, dataSize = 0;
    if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
    Tree::Value value{std::string(name, nameSize), type, std::string(dataSize, '\0')};
    nameSize = sizeof(name);
    ::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(value.data.data()), &dataSize);
    value.data.resize(dataSize);
    tree.values.push_back(std::move(value));
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameSize = sizeof(name);
    if (::RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    RegKey sub;
    if (::RegOpenKeyExA(key, name, 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
      tree.subkeys.emplace_back(std::string(name, nameSize), ReadTree(sub.get()));
  }
  return tree;
}

void WriteTree(HKEY parent, const std::string& path, const Tree& tree) {
  RegKey key;
  if (::RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return;
  for (const auto& v : tree.values)
    ::RegSetValueExA(key.get(), v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                     static_cast<DWORD>(v.data.size()));
  for (const auto& s : tree.subkeys) WriteTree(key.get(), s.first, s.second);
}

}  // namespace

void SetStringValue(HKEY root, const std::string& key, const char* name, const std::string& value) {
  RegKey k;
  if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr) != ERROR_SUCCESS)
    return;
  ::RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

void SetDwordValue(HKEY root, const std::string& key, const char* name, DWORD value) {
  RegKey k;
  if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr) != ERROR_SUCCESS)
    return;
  ::RegSetValueExA(k.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool RegistryKeyExists(HKEY root, const std::string& path) {
  RegKey key;
  return ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

RegistryKeyScope::RegistryKeyScope(HKEY root, const std::string& path) : root_(root), path_(path) {
  for (size_t end = 0; end != std::string::npos;) {
    end = path.find('\\', end + 1);
    std::string prefix = path.substr(0, end);
    if (!RegistryKeyExists(root, prefix)) {
      firstMissing_ = prefix;
      return;
    }
  }
  RegKey key;
  ::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put());
  saved_ = std::make_unique<Tree>(ReadTree(key.get()));
}

RegistryKeyScope::~RegistryKeyScope() {
  if (!saved_) {
    ::RegDeleteTreeA(root_, firstMissing_.c_str());
    ::RegDeleteKeyA(root_, firstMissing_.c_str());
    return;
  }
  ::RegDeleteTreeA(root_, path_.c_str());
  ::RegDeleteKeyA(root_, path_.c_str());
  WriteTree(root_, path_, *saved_);
}

}  // namespace vt::test

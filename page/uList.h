// A list of named objects in insertion order, found by name through a hash index.
#pragma once
// windows.h first: it maps GetObject to GetObjectA, here and in every caller alike.
#include <windows.h>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vt {

// Base of the objects a TClassHashList holds and may own.
class TListObject {
public:
  virtual ~TListObject() = default;
};

class TClassHashList {
public:
  TClassHashList() = default;
  TClassHashList(const TClassHashList&) = delete;
  TClassHashList& operator=(const TClassHashList&) = delete;
  virtual ~TClassHashList();

  // Appends the entry, also when the name is already there; takes the object when OwnsObjects.
  virtual void Add(const std::string& name, TListObject* object);
  virtual void Remove(const std::string& name);
  // Throws vt::Error for an index outside the list.
  virtual void Delete(int index);
  virtual void Clear();

  // Names compare without regard to letter case; among equal names the one added last is found.
  int IndexOf(const std::string& name) const;
  int GetCount() const { return static_cast<int>(entries_.size()); }
  TListObject* GetObject(int index) const;

  bool OwnsObjects = true;

private:
  struct Entry {
    std::string name;
    std::unique_ptr<TListObject> object;  // let go of, not freed, when the list does not own it
  };
  // Frees the entry's object when the list owns it, leaves it to its owner otherwise.
  void Drop(Entry& entry) const;
  static std::wstring Key(const std::string& name);
  void CheckIndex(int index) const;
  void RebuildIndex();

  std::vector<Entry> entries_;
  std::unordered_map<std::wstring, int> index_;  // upper-cased name -> last entry with it
};

}  // namespace vt

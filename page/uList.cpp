#include "page/uList.h"

#include <memory>

#include "base/Errors.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"

namespace vt {

TClassHashList::~TClassHashList() { TClassHashList::Clear(); }

std::wstring TClassHashList::Key(const std::string& name) {
  std::wstring key = ToWide(name);
  if (!key.empty()) ::CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

void TClassHashList::Add(const std::string& name, TListObject* object) {
  std::unique_ptr<TListObject> guard(OwnsObjects ? object : nullptr);  // freed when adding fails
  std::wstring key = Key(name);
  entries_.push_back({name, nullptr});
  entries_.back().object.reset(object);
  guard.release();
  ScopeGuard notAdded([this] {
    Drop(entries_.back());
    entries_.pop_back();
  });
  index_[key] = GetCount() - 1;
  notAdded.Dismiss();
}

void TClassHashList::Remove(const std::string& name) {
  int index = IndexOf(name);
  if (index >= 0) Delete(index);
}

void TClassHashList::Delete(int index) {
  CheckIndex(index);
  Drop(entries_[index]);
  entries_.erase(entries_.begin() + index);
  RebuildIndex();
}

void TClassHashList::Clear() {
  std::vector<Entry> old;
  old.swap(entries_);
  index_.clear();
  for (Entry& e : old) Drop(e);
}

void TClassHashList::Drop(Entry& entry) const {
  if (!OwnsObjects) entry.object.release();
  entry.object.reset();
}

int TClassHashList::IndexOf(const std::string& name) const {
  auto found = index_.find(Key(name));
  return found == index_.end() ? -1 : found->second;
}

TListObject* TClassHashList::GetObject(int index) const {
  CheckIndex(index);
  return entries_[index].object.get();
}

void TClassHashList::CheckIndex(int index) const {
  if (index < 0 || index >= GetCount()) throw Error(Format("List index out of bounds (%d)", index));
}

void TClassHashList::RebuildIndex() {
  index_.clear();
  for (int i = 0; i < GetCount(); ++i) index_[Key(entries_[i].name)] = i;
}

}  // namespace vt

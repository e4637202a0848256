#include "base/Printer.h"

#include <winspool.h>

#include <vector>

namespace vt {

TPrinter& TPrinter::Current() {
  static TPrinter printer;
  return printer;
}

void TPrinter::SetName(const std::string& name) {
  std::lock_guard<std::mutex> guard(lock_);
  name_ = name;
}

std::string TPrinter::Name() const {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!name_.empty()) return name_;
  }
  DWORD size = 0;
  ::GetDefaultPrinterA(nullptr, &size);
  if (size == 0) return {};
  std::vector<char> name(size);
  if (!::GetDefaultPrinterA(name.data(), &size)) return {};
  return name.data();
}

DeviceContext TPrinter::CreateDC() const {
  std::string name = Name();
  if (name.empty()) return DeviceContext();
  return DeviceContext(::CreateDCA("WINSPOOL", name.c_str(), nullptr, nullptr));
}

}  // namespace vt

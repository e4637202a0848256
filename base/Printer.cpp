#include "base/Printer.h"

#include <winspool.h>

#include <vector>

#include "base/Errors.h"

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

std::vector<BYTE> TPrinter::DevMode(const std::string& name) const {
  PrinterHandle printer;
  if (name.empty() || !::OpenPrinterA(const_cast<char*>(name.c_str()), printer.put(), nullptr)) return {};
  std::vector<BYTE> buffer;
  LONG size = ::DocumentPropertiesA(nullptr, printer.get(), const_cast<char*>(name.c_str()), nullptr, nullptr, 0);
  if (size > 0) {
    buffer.resize(size);
    auto* mode = reinterpret_cast<DEVMODEA*>(buffer.data());
    if (::DocumentPropertiesA(nullptr, printer.get(), const_cast<char*>(name.c_str()), mode, nullptr, DM_OUT_BUFFER) ==
        IDOK) {
      std::lock_guard<std::mutex> guard(lock_);
      if (orientation_) {
        mode->dmOrientation = orientation_;
        mode->dmFields |= DM_ORIENTATION;
      }
    } else {
      buffer.clear();
    }
  }
  return buffer;
}

DeviceContext TPrinter::CreateDC() const {
  std::string name = Name();
  if (name.empty()) return DeviceContext();
  std::vector<BYTE> mode = DevMode(name);
  return DeviceContext(::CreateDCA("WINSPOOL", name.c_str(), nullptr,
                                   mode.empty() ? nullptr : reinterpret_cast<DEVMODEA*>(mode.data())));
}

TPrinter::TOrientation TPrinter::Orientation() const {
  std::vector<BYTE> mode = DevMode(Name());
  if (mode.empty()) throw Error("There is no default printer currently selected");
  return reinterpret_cast<DEVMODEA*>(mode.data())->dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TOrientation orientation) {
  std::lock_guard<std::mutex> guard(lock_);
  orientation_ = static_cast<short>(orientation);
}

std::string TPrinter::Title() const {
  std::lock_guard<std::mutex> guard(lock_);
  return title_;
}

void TPrinter::SetTitle(const std::string& title) {
  std::lock_guard<std::mutex> guard(lock_);
  title_ = title;
}

}  // namespace vt

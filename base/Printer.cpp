#include "base/Printer.h"

#include <winspool.h>

#include <vector>

#include "base/Errors.h"
#include "base/Strings.h"

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

std::vector<BYTE> TPrinter::Settings() const {
  std::wstring name = ToWide(Name());
  PrinterHandle printer;
  if (name.empty() || !::OpenPrinterW(name.data(), printer.put(), nullptr)) return {};
  const LONG size = ::DocumentPropertiesW(nullptr, printer.get(), name.data(), nullptr, nullptr, 0);
  if (size < static_cast<LONG>(sizeof(DEVMODEW))) return {};
  std::vector<BYTE> buffer(size);
  auto* mode = reinterpret_cast<DEVMODEW*>(buffer.data());
  if (::DocumentPropertiesW(nullptr, printer.get(), name.data(), mode, nullptr, DM_OUT_BUFFER) != IDOK) return {};
  std::lock_guard<std::mutex> guard(lock_);
  const struct { short chosen; short* field; DWORD flag; } choices[] = {
      {orientation_, &mode->dmOrientation, DM_ORIENTATION},
      {paperSize_, &mode->dmPaperSize, DM_PAPERSIZE},
      {paperLength_, &mode->dmPaperLength, DM_PAPERLENGTH},
      {paperWidth_, &mode->dmPaperWidth, DM_PAPERWIDTH}};
  for (const auto& c : choices) {
    if (!c.chosen) continue;
    *c.field = c.chosen;
    mode->dmFields |= c.flag;
  }
  return buffer;
}

DeviceContext TPrinter::CreateDC() const {
  const std::wstring name = ToWide(Name());
  if (name.empty()) return DeviceContext();
  std::vector<BYTE> mode = Settings();
  return DeviceContext(::CreateDCW(L"WINSPOOL", name.c_str(), nullptr,
                                   mode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(mode.data())));
}

TPrinter::TOrientation TPrinter::Orientation() const {
  std::vector<BYTE> mode = Settings();
  if (mode.empty()) throw Error("There is no default printer currently selected");
  return reinterpret_cast<DEVMODEW*>(mode.data())->dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TOrientation orientation) {
  std::lock_guard<std::mutex> guard(lock_);
  orientation_ = static_cast<short>(orientation);
}

void TPrinter::TakeSettings(const DEVMODEW& settings) {
  std::lock_guard<std::mutex> guard(lock_);
  if (settings.dmFields & DM_ORIENTATION) orientation_ = settings.dmOrientation;
  if (settings.dmFields & DM_PAPERSIZE) paperSize_ = settings.dmPaperSize;
  if (settings.dmFields & DM_PAPERLENGTH) paperLength_ = settings.dmPaperLength;
  if (settings.dmFields & DM_PAPERWIDTH) paperWidth_ = settings.dmPaperWidth;
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

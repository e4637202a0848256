// The printer that the control prints on: the system's default printer until a printer is chosen
// by name (as a print dialog does).
#pragma once
#include <windows.h>
#include <mutex>
#include <string>

#include "base/Handles.h"

namespace vt {

class TPrinter {
public:
  // The process's one current printer.
  static TPrinter& Current();

  // Chooses a printer by name; an empty name goes back to the system's default printer.
  void SetName(const std::string& name);
  // The chosen printer, or the default one; empty when there is no default printer.
  std::string Name() const;
  // A device context of the printer, made for the caller; none when no printer answers.
  DeviceContext CreateDC() const;

private:
  mutable std::mutex lock_;
  std::string name_;
};

}  // namespace vt

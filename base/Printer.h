// The printer that the control prints on: the system's default printer until a printer is chosen
// by name (as a print dialog does).
#pragma once
#include <windows.h>
#include <mutex>
#include <string>
#include <vector>

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
  // A device context of the printer in the chosen orientation, made for the caller; none when
  // no printer answers.
  DeviceContext CreateDC() const;

  enum TOrientation { poPortrait = DMORIENT_PORTRAIT, poLandscape = DMORIENT_LANDSCAPE };
  // The orientation pages are printed in: the chosen one, else the printer's own setting.
  // Throws vt::Error when no printer answers.
  TOrientation Orientation() const;
  void SetOrientation(TOrientation orientation);

  // The application's title ("Vantrelle" until a request's button-image package names another):
  // the document name of every print job, under which the job shows in the printer's queue.
  std::string Title() const;
  void SetTitle(const std::string& title);

private:
  // The printer's settings with the chosen orientation applied; empty when no printer answers.
  std::vector<BYTE> DevMode(const std::string& name) const;

  mutable std::mutex lock_;
  std::string name_;
  short orientation_ = 0;  // 0: the printer's own
  std::string title_ = "Vantrelle";
};

}  // namespace vt

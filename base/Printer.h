// The printer that the control prints on: the system's default printer until a printer is chosen
// by name (as a print dialog does), with the orientation and paper chosen for it.
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
  // A device context of the printer with its settings, made for the caller; none when no printer
  // answers.
  DeviceContext CreateDC() const;
  // The printer's settings (a DEVMODEW) with the chosen orientation and paper applied: what its
  // device contexts and the printer dialogs start from. Empty when no printer answers.
  std::vector<BYTE> Settings() const;

  enum TOrientation { poPortrait = DMORIENT_PORTRAIT, poLandscape = DMORIENT_LANDSCAPE };
  // The orientation pages are printed in: the chosen one, else the printer's own setting.
  // Throws vt::Error when no printer answers.
  TOrientation Orientation() const;
  void SetOrientation(TOrientation orientation);
  // The orientation and the paper of settings that a printer dialog returned become the chosen ones.
  void TakeSettings(const DEVMODEW& settings);

  // The application's title ("Vantrelle" until a request's button-image package names another):
  // the document name of every print job, under which the job shows in the printer's queue.
  std::string Title() const;
  void SetTitle(const std::string& title);

private:
  mutable std::mutex lock_;
  std::string name_;
  // Chosen settings, each 0 while the printer's own applies: the orientation, and the paper (one of
  // the printer's list, with its length and width in tenths of a millimetre).
  short orientation_ = 0;
  short paperSize_ = 0, paperLength_ = 0, paperWidth_ = 0;
  std::string title_ = "Vantrelle";
};

}  // namespace vt

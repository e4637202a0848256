// The browser's own settings the control reads and changes in HKEY_CURRENT_USER: compatibility
// view for all sites, the zoom factor, and the sites on which the browser lets the control run.
#pragma once
#include <windows.h>
#include <cstdint>
#include <optional>
#include <string>

#include "base/LogSink.h"

namespace vt {

constexpr const char* kBrowserEmulationKey = "\\Software\\Microsoft\\Internet Explorer\\BrowserEmulation\\";
constexpr const char* kAllSitesCompatibilityValue = "AllSitesCompatibilityMode";
constexpr const char* kZoomKey = "\\Software\\Microsoft\\Internet Explorer\\Zoom\\";
constexpr const char* kZoomFactorValue = "ZoomFactor";

// "\Software\...\Ext\Stats\{clsid}\iexplore\AllowedDomains": the sites allowed to run the control `clsid`.
std::string AllowedDomainsKey(const GUID& clsid);

// The registry and window changes of a request. At low integrity the control cannot make them
// itself; the request driver then makes them through the elevated second instance of the control,
// whose script methods RunCompatibilityMode, RunCompatibilityIEWinSize and RunCompatibilityAllsite
// end in this same work. TBrowserSettings is the direct writer; the elevated instance is reached
// through an adapter of its automation interface that implements this too.
class IBrowserSettingsWriter {
public:
  virtual ~IBrowserSettingsWriter() = default;
  // Compatibility view for all sites switched on; true only when this call turned it on.
  virtual bool SetCompatibilityMode() = 0;
  // The window moved to (left, top) and given the size width x height; true when it moved.
  virtual bool MoveIEWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd) = 0;
  // The control allowed on all sites.
  virtual void SetAllSiteSetup() = 0;
};

// The settings as this process reads and changes them itself, for the control of the class
// `controlClassId`. Registry errors are logged, never raised.
class TBrowserSettings : public IBrowserSettingsWriter {
public:
  TBrowserSettings(ILogSink& log, const GUID& controlClassId) : log_(log), controlClassId_(controlClassId) {}

  bool IsCompatibilityModeSet();
  bool SetCompatibilityMode() override;
  // The browser's zoom factor, 1000 per percent; none when it is not set or cannot be read.
  std::optional<int32_t> GetIEZoomSize();
  void SetAllSiteSetup() override;
  bool MoveIEWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd) override;

private:
  ILogSink& log_;
  const GUID controlClassId_;
};

}  // namespace vt

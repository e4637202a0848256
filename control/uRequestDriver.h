// The request of Run2 from the switches to the captured picture: what one call holds while it
// runs, and the road to the elevated second instance of the control.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "base/Handles.h"
#include "base/TempFiles.h"
#include "capture/uBrowserSettings.h"
#include "control/uElevation.h"
#include "control/uSwitchTable.h"
#include "page/uHtmlImage.h"
#include "page/uHtmlImageBuilder.h"

namespace vt {

class TfmPreviewForm;
class TURLImg;

// Creates the elevated second instance of the control, `owner` owning the consent prompt, and
// gives its settings methods.
using TElevatedInstanceFactory = std::function<TElevatedInstance(HWND owner)>;
// The control shell installs the factory; without one every creation fails with E_NOTIMPL.
// Returns the factory installed before.
TElevatedInstanceFactory SetElevatedInstanceFactory(TElevatedInstanceFactory factory);
// The settings methods of a new elevated instance through the installed factory: settings
// exactly when the result succeeded.
TElevatedInstance CreateElevatedSettingsWriter(HWND owner);

// The element a page passes to Run2: the dispatch interface a variant holds, by value or by
// reference; none for anything else (empty, null, a number).
IDispatch* ElementDispatch(const VARIANT& value);

// The part of a picture of width x height that the margins of /cr (left, top, right, bottom)
// leave: a positive margin cuts, a negative one adds white. The white added along a side is at
// most that side of the picture in all, shared out as the margins ask, so that the result is
// at most twice the picture each way. Empty (right <= left or bottom <= top) when nothing is left.
RECT ClippingRect(int32_t width, int32_t height, const int32_t (&margins)[4]);

// Everything one Run2 call holds; all of it is released when the call returns.
struct TRequest {
  explicit TRequest(std::string params);
  ~TRequest();
  TRequest(const TRequest&) = delete;
  TRequest& operator=(const TRequest&) = delete;

  TSwitches switches;
  std::string systemLanguage;  // English name of the system's language, for the preview's skin
  int32_t browserVersion = 0;
  bool holdsMutex = false;     // this request took the per-process mutex and closes it
  bool scrollCapture = false;  // /scr
  std::string framePath;       // /fid
  bool exactFrame = false;     // /eff

  HWND viewWindow = nullptr;  // the hosting document's view
  HWND topWindow = nullptr;   // the browser's top-level window
  ComPtr<IWebBrowser2> browser;
  ComPtr<IHTMLDocument2> document;  // the one captured
  std::string siteDomain;

  std::optional<int32_t> savedZoom;  // set when the zoom was forced to 100, to be put back
  std::unique_ptr<IBrowserSettingsWriter> elevated;
  bool elevationFailed = false;  // the elevated instance was refused (or failed): not asked for again
  RECT savedWindowRect{};    // the browser window before /ws sized it, put back after the capture
  bool windowSized = false;  // this request moved the browser window for the capture: to be put back

  ComPtr<IHTMLElement2> scrollElement;
  int32_t clientWidth = 0, clientHeight = 0;
  bool hiddenFrame = false;
  ComPtr<IHTMLWindow2> parentWindow;

  ComPtr<IHTMLElement2> divElement2;
  ComPtr<IHTMLElement> divElement;  // also the start of the page breaks

  std::unique_ptr<TBmpHtmlImageBuilder> builder;
  std::unique_ptr<THtmlImage> image;  // the captured picture

  // The preview (control/uRequestPreview.cpp).
  int32_t previewOption = 0;  // /sp: not 0 prints without showing the preview
  IconHandle previewIcon;     // the package's icon on the preview window, which goes first
  std::unique_ptr<TfmPreviewForm> preview;
  std::optional<std::vector<int32_t>> pageBreaks, pageBreaksLandscape;
  // Deleted when the request ends, or its process, however it ends.
  std::vector<DeleteOnCloseFile> downloadedFiles;
  std::unique_ptr<TURLImg> settingImages;  // the parsed header/footer setting, or none
};

}  // namespace vt

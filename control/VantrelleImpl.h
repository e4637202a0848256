// The control. Its automation face is added around this class; here is what every request
// shares: the state of the request in progress and the request log.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/MessageHook.h"
#include "capture/uBrowserSettings.h"
#include "control/uRequestLog.h"

namespace vt {

class TElementCapture;
class TfmPreviewForm;
struct TPreviewRequest;
struct TRequest;

// The control's class identifier: the coclass Vantrelle of the type library.
extern const CLSID kVantrelleClassId;

class TVantrelle {
public:
  TVantrelle() { requestLog_.SetListener([this] { LogChanged(); }); }
  virtual ~TVantrelle();
  TVantrelle(const TVantrelle&) = delete;
  TVantrelle& operator=(const TVantrelle&) = delete;

  // The request of the page's script: newParam holds the switches, divObj an element to capture
  // or anything else (control/uRequestDriver.cpp). Errors leave as exceptions.
  void Run2(const std::wstring& newParam, const VARIANT& divObj);

  // The control's window (its face), owner of its prompts; none until the container shows it.
  virtual HWND FormHandle() const { return nullptr; }
  // Shows the log box, cleared first, or hides it keeping its lines.
  void ShowLog(bool show);
  bool LogVisible() const { return logVisible_; }

  // Appends one line to the request log.
  void WriteLog(const std::string& caption, const std::string& message);
  const TRequestLog& RequestLog() const { return requestLog_; }

  // A manual page-break list continued every `step` pixels up to `height` (see uParameter).
  std::vector<int32_t> ParsePageBreakList(const std::string& text, int32_t step, int32_t height);

  // The browser's settings as this control changes them itself, logging to the request log.
  TBrowserSettings& BrowserSettings() { return browserSettings_; }

  // RunCompatibilityIEWinSize: MoveIEWindow on `wnd`, which must be the top window of the browser
  // that hosts this control (see IsHostBrowserWindow). Any other window is left alone: the refusal
  // is logged and raised as an Error carrying E_ACCESSDENIED.
  bool MoveHostBrowserWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd);
  // Whether `wnd` is the top window of the browser that hosts this control. A control in a page:
  // the top window above the page's view, the window its capture sizes. A control in no page (the
  // elevated instance, in its surrogate process): a top window that holds the face of a control of
  // the process whose call this is.
  bool IsHostBrowserWindow(HWND wnd);

  // The request of Run2 (control/uRequestDriver.cpp): reads the switches, prepares the browser,
  // captures the page, hands over to RunPreview and cleans up on every way out. Returns S_OK
  // for every end of the request; an error that escapes it is raised again after the clean-up.
  // While a request of this control runs (its driver lets messages run, and the preview is
  // modal, so a page's timer or script can call again), another one only logs its refusal and
  // returns S_OK, touching nothing of the running one.
  HRESULT Run2Request(const std::string& params, IDispatch* divObj);

  // The application's message hook while and after a preview runs: a close or quit message ends
  // the protected-mode loop and is held to be posted again; it is dispatched as usual.
  void AppOnMessage(MSG& msg);

protected:
  // The control's own COM object, whose client site leads to the browser; none while the control
  // has no COM face.
  virtual IUnknown* ControlObject() { return nullptr; }
  // The integrity level of this process (base/SystemInfo); none when it cannot be read.
  virtual std::optional<uint8_t> ReadIntegrityLevel();
  // Continues a request whose page was captured into request.image: the preview. The clean-up
  // that follows it runs on every way out.
  virtual void RunPreview(TRequest& request);
  // Shows the preview window with what the request prepared (the seam where tests look).
  virtual void ShowPreviewWindow(TfmPreviewForm& form, const TPreviewRequest& preview);

  // What the requests share; between requests these keep their last values.
  int32_t frameStartX_ = 0;              // where the last scroll capture found the document's content
  int32_t frameStartY_ = 0;              // in the view window
  bool running_ = true;                  // a preview runs; the protected-mode loop runs while it is set
  bool quitRequested_ = false;           // a WM_CLOSE or WM_QUIT arrived during the protected-mode loop
  Handle instanceMutex_;                 // the per-process single-request mutex this request holds
  MSG heldMessage_{};                    // that close or quit message, posted again when the request ends
  bool protectedMode_ = false;           // once a request ran in protected mode, for the control's life
  bool requestRunning_ = false;          // a Run2 request of this control is in progress

  // The log's lines (any line, whoever wrote it) or its visibility changed: the face shows them.
  virtual void LogChanged() {}

private:
  // True, with the refusal logged, while a request of this control runs.
  bool RefuseNestedRequest();
  // The steps of Run2Request; false ends the request.
  bool PrepareRequest(TRequest& request);
  bool FindBrowserAndDocument(TRequest& request);
  bool AdjustBrowser(TRequest& request);
  void HideControlAndSizeWindow(TRequest& request);
  bool CaptureDocument(TRequest& request, IDispatch* divObj);
  bool FindScrollElement(TRequest& request, TElementCapture& mouseCapture);
  void CaptureIntoBuilder(TRequest& request, IDispatch* divObj);
  void RestoreBrowserWindow(TRequest& request);
  // The zoom forced to 100 goes back: after the preview, or on any other end of the request.
  void RestoreZoom(TRequest& request);
  void EndRequest(TRequest& request);
  // The steps of RunPreview (control/uRequestPreview.cpp).
  void ApplyPrintSwitches(TRequest& request);
  void ApplyWindowSwitches(TRequest& request);
  void CollectPageBreaks(TRequest& request);
  std::string LoadButtonPackage(TRequest& request);
  void DownloadSetting(TRequest& request);
  bool ClipImage(TRequest& request);
  void RunProtectedLoop(TRequest& request);
  // However the preview ended: the browser enabled, the preview and picture freed, a held close
  // or quit message posted again.
  void EndPreview(TRequest& request);
  void InstallMessageHook();
  // Frees the setting's images and deletes the request's downloaded files.
  void ReleaseDownloads(TRequest& request);
  // The request's elevated instance, created with `owner` the first time; none when that fails.
  IBrowserSettingsWriter* ElevatedInstance(TRequest& request, HWND owner, unsigned createdText);
  void LogRun(unsigned textId);
  void LogRunText(const std::string& message);

  TRequestLog requestLog_;
  TBrowserSettings browserSettings_{requestLog_, kVantrelleClassId};
  bool logVisible_ = false;
  std::unique_ptr<TMessageHook> messageHook_;  // AppOnMessage's own hook on this thread; goes with the control
};

}  // namespace vt

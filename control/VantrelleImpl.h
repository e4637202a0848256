// The control. Its automation face is added around this class; here is what every request
// shares: the state of the request in progress and the request log.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <mshtml.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "base/Handles.h"
#include "control/uRequestLog.h"

namespace vt {

class TVantrelle {
public:
  TVantrelle() = default;
  virtual ~TVantrelle() = default;
  TVantrelle(const TVantrelle&) = delete;
  TVantrelle& operator=(const TVantrelle&) = delete;

  // The request of the page's script: newParam holds the switches, divObj an element to capture
  // or anything else (control/uRequestDriver.cpp). Errors leave as exceptions.
  void Run2(const std::wstring& newParam, const VARIANT& divObj);

  // The control's window (its face), owner of its prompts; none until the container shows it.
  virtual HWND FormHandle() const { return nullptr; }
  // The container's client site, the way to the hosting browser; none while the control is unsited.
  virtual ComPtr<IOleClientSite> ClientSite() const { return {}; }
  // Shows the log box, cleared first, or hides it keeping its lines.
  void ShowLog(bool show);
  bool LogVisible() const { return FLogVisible; }

  // Appends one line to the request log.
  void WriteLog(const std::string& caption, const std::string& message);
  const TRequestLog& RequestLog() const { return FRequestLog; }

  // A manual page-break list continued every `step` pixels up to `height` (see uParameter).
  std::vector<int32_t> ParsePageBreakList(const std::string& text, int32_t step, int32_t height);

protected:
  // The request in progress. The request driver, the capture and the browser routines share these;
  // between requests they keep their last values.
  WINDOWPLACEMENT FSavedPlacement{};     // browser window placement saved before a scroll capture
  RECT FSavedWindowRect{};               // browser window rectangle saved before a scroll capture
  ComPtr<IHTMLDocument2> FDocument;      // the document being captured: the host page's or a frame's
  int32_t FFrameStartX = 0;              // first client rectangle of the body at the last scroll capture
  int32_t FFrameStartY = 0;
  HWND FDocHwnd = nullptr;               // the browser's view window showing the host document
  HWND FBrowserWindow = nullptr;         // the browser's top-level window
  bool FRunning = true;                  // a preview runs; the protected-mode loop runs while it is set
  bool FQuitRequested = false;           // a WM_CLOSE or WM_QUIT arrived during the protected-mode loop
  Handle FInstanceMutex;                 // the per-process single-request mutex this request holds
  MSG FHeldMessage{};                    // that close or quit message, posted again when the request ends
  bool FProtectedMode = false;           // once a request ran in protected mode, for the control's life

  // The log's lines or visibility changed: the face shows them.
  virtual void LogChanged() {}

private:
  TRequestLog FRequestLog;
  bool FLogVisible = false;
};

}  // namespace vt

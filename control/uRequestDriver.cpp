#include "control/uRequestDriver.h"

#include <algorithm>
#include <utility>

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "base/MessagePump.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "base/SystemInfo.h"
#include "base/Variant.h"
#include "capture/uBrowserWindow.h"
#include "capture/uCapture.h"
#include "capture/uFrames.h"
#include "capture/uGetIEVersion.h"
#include "capture/uHostBrowser.h"
#include "capture/uInstanceMutex.h"
#include "control/VantrelleImpl.h"
#include "control/uActiveForm.h"
#include "page/uURLImg.h"
#include "preview/frmPreviewForm.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

constexpr const char* kRunCaption = "ActiveX::Run";
constexpr const char* kProductName = "Vantrelle";
constexpr DWORD kDocumentTimeoutMs = 10000;
constexpr int32_t kHiddenFrameWidth = 800, kHiddenFrameHeight = 100;

TElevatedInstanceFactory& ElevatedFactory() {
  static TElevatedInstanceFactory factory;
  return factory;
}

// An empty line for the debugger: marks the borders between the request's stages.
void TraceBlank() { ::OutputDebugStringA(""); }

std::string SystemLanguage() {
  char name[128] = {};
  return ::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE, name, sizeof name) > 0 ? name : "";
}

const char* TrueFalse(bool value) { return value ? "True" : "False"; }

void ExecZoom(IWebBrowser2* browser, int32_t percent) {
  if (!browser) return;
  Variant in = Variant::FromInt(percent), out;
  browser->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DODEFAULT, in.get(), out.put());
}

void ResizeWindowObject(IHTMLWindow2* window, int32_t width, int32_t height) {
  if (window) window->resizeTo(width, height);
}

int32_t ClientSize(IHTMLElement2* element, HRESULT (STDMETHODCALLTYPE IHTMLElement2::*getter)(LONG*)) {
  LONG value = 0;
  OleCheck((element->*getter)(&value));
  return value;
}

// The edges [first, last) along a side of `size` pixels with `before` and `after` cut off.
std::pair<int64_t, int64_t> CutEdges(int64_t size, int64_t before, int64_t after) {
  int64_t first = before, last = size - after;
  const int64_t whiteBefore = std::max<int64_t>(0, -first), whiteAfter = std::max<int64_t>(0, last - size);
  if (whiteBefore + whiteAfter > size) {
    const int64_t keptBefore = whiteBefore * size / (whiteBefore + whiteAfter);
    if (whiteBefore > 0) first = -keptBefore;
    if (whiteAfter > 0) last = 2 * size - keptBefore;
  }
  return {first, last};
}

LONG ToLong(int64_t v) { return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The scroll route ends without a picture rather than with an error, up to the taking of its result.
std::unique_ptr<THtmlImage> ScrollResult(THtmlImageBuilder& builder) {
  try {
    return builder.GetResult();
  } catch (const Error&) {
    return nullptr;
  }
}

}  // namespace

TElevatedInstanceFactory SetElevatedInstanceFactory(TElevatedInstanceFactory factory) {
  std::swap(ElevatedFactory(), factory);
  return factory;
}

TElevatedInstance CreateElevatedSettingsWriter(HWND owner) {
  if (!ElevatedFactory()) return {E_NOTIMPL, nullptr};
  TElevatedInstance created = ElevatedFactory()(owner);
  if (SUCCEEDED(created.result) && created.settings) return created;
  return {FAILED(created.result) ? created.result : E_FAIL, nullptr};
}

IDispatch* ElementDispatch(const VARIANT& value) {
  if (V_VT(&value) == VT_DISPATCH) return V_DISPATCH(&value);
  if (V_VT(&value) == (VT_DISPATCH | VT_BYREF) && V_DISPATCHREF(&value)) return *V_DISPATCHREF(&value);
  if (V_VT(&value) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&value)) return ElementDispatch(*V_VARIANTREF(&value));
  return nullptr;
}

RECT ClippingRect(int32_t width, int32_t height, const int32_t (&margins)[4]) {
  const auto [left, right] = CutEdges(width, margins[0], margins[2]);
  const auto [top, bottom] = CutEdges(height, margins[1], margins[3]);
  return RECT{ToLong(left), ToLong(top), ToLong(right), ToLong(bottom)};
}

std::optional<uint8_t> TVantrelle::ReadIntegrityLevel() { return GetProcessIntegrityLevel(0); }

void TVantrelle::LogRun(unsigned textId) { requestLog_.WriteLogText(kRunCaption, textId); }
void TVantrelle::LogRunText(const std::string& message) { WriteLog(kRunCaption, message); }

bool TVantrelle::RefuseNestedRequest() {
  if (!requestRunning_) return false;
  LogRun(kLogNestedRequestRefused);
  return true;
}

HRESULT TVantrelle::Run2Request(const std::string& params, IDispatch* divObj) {
  if (RefuseNestedRequest()) return S_OK;
  requestRunning_ = true;
  const ScopeGuard ended([&] { requestRunning_ = false; });
  TRequest request(params);
  const ScopeGuard end([&] { EndRequest(request); });
  if (PrepareRequest(request) && FindBrowserAndDocument(request) && AdjustBrowser(request)) {
    HideControlAndSizeWindow(request);
    if (CaptureDocument(request, divObj)) {
      TraceBlank();
      RunPreview(request);
    }
  }
  return S_OK;
}

// Modal guard, log, version, protected mode and the mutex, the switches of the capture.
bool TVantrelle::PrepareRequest(TRequest& request) {
  EnsureModalProtector();
  request.systemLanguage = SystemLanguage();
  if (request.switches.Has(swLog)) requestLog_.Clear();

  LogRunText(std::string(kProductName) + LoadResString(kLogRunStarted));
  LogRun(kLogCheckingBrowserVersion);
  request.browserVersion = GetIEVersion();
  LogRunText(Format("Internet Explorer Ver : %d", request.browserVersion));

  std::optional<uint8_t> level;
  if (request.browserVersion >= 8 && IsVistaOrLater() && (level = ReadIntegrityLevel())) {
    if (*level <= 2) {
      LogRun(kLogNewBrowserOnVista);
      LogRun(kLogLowIntegrity);
      std::optional<Handle> mutex = CreateInstanceMutex(requestLog_);
      if (!mutex) return false;
      instanceMutex_ = std::move(*mutex);
      request.holdsMutex = true;
      protectedMode_ = true;
    } else {
      LogRun(kLogPopupModeAutomatic);
      LogRun(kLogNormalIntegrity);
    }
  }

  request.scrollCapture = request.switches.Has(swScr);
  if (request.scrollCapture) LogRun(kLogScrollCaptureOption);
  LogRunText(LoadResString(kLogRunArguments) + " = [" + request.switches.Params() + "]");
  LogRun(kLogHourglassCursor);
  ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));

  if (GetIEVersion() < 6) {
    LogRun(kLogBrowserTooOld);
    ShowMessageBox(nullptr, LoadResString(kMsgBrowserVersionTooOld), kProductName, MB_ICONERROR);
    return false;
  }
  return true;
}

// The browser, its windows and the document to capture (the host page's or a frame's).
bool TVantrelle::FindBrowserAndDocument(TRequest& request) {
  TraceBlank();
  LogRun(kLogReadingFrameId);
  request.framePath = request.switches.Text(swFid, 0);
  LogRunText(LoadResString(kLogFrameId) + " = [" + request.framePath + "]");
  request.exactFrame = request.switches.Has(swEff);
  LogRunText(LoadResString(kLogExactFrameSearch) + " = [" + TrueFalse(request.exactFrame) + "]");
  LogRun(kLogGettingHostPage);

  THostBrowser host = GetHostBrowser(ControlObject());
  request.viewWindow = host.docHwnd;
  request.browser = host.browser;
  request.document = host.doc;
  // The browser from the client site stays in use when the view window does not name its own.
  if (ComPtr<IWebBrowser2> fromWindow = GetWebBrowserFromWindow(request.viewWindow)) request.browser = fromWindow;
  request.topWindow = GetTopParentWindow(request.viewWindow);

  if (request.framePath.empty()) {
    LogRun(kLogCapturingHostDocument);
  } else {
    LogRun(kLogSearchingFrame);
    request.document = GetFrameDocument(request.browser.get(), request.framePath, request.exactFrame);
  }

  if (request.document) {
    Bstr domain;
    if (SUCCEEDED(request.document->get_domain(domain.put()))) request.siteDomain = ToAnsi(domain.str());
  }
  LogRunText(Format(LoadResString(kLogFoundDocument).c_str(),
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(request.viewWindow)),
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(request.document.get()))));
  LogRunText(Format(LoadResString(kLogFoundBrowser).c_str(),
                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(request.topWindow))));
  LogRun(kLogCheckingRenderingEngine);
  return true;
}

// Zoom to 100 and compatibility view, for browsers of version 8 and later. False when the page
// is reloaded (or the user declined the reload): the request ends here.
bool TVantrelle::AdjustBrowser(TRequest& request) {
  if (request.browserVersion < 8) return true;

  // A browser without a zoom setting shows its pages at 100.
  const int32_t zoom = browserSettings_.GetIEZoomSize().value_or(100 * 1000) / 1000;
  LogRunText(Format(LoadResString(kLogCurrentZoom).c_str(), std::to_string(zoom).c_str()));
  if (zoom != 100) {
    ExecZoom(request.browser.get(), 100);
    request.savedZoom = zoom;
    LogRun(kLogZoomFixed);
  }

  GetDocumentMode(request.document.get());
  LogRun(kLogBrowser7OrLater);

  const std::string answer = request.switches.Text(swCmm, 0);
  if (answer.empty()) return true;
  LogRun(kLogCompatibilityOption);
  bool newlyOn = false;
  if (protectedMode_) {
    if (!browserSettings_.IsCompatibilityModeSet()) {
      if (IBrowserSettingsWriter* elevated = ElevatedInstance(request, request.viewWindow, kLogElevationDone))
        newlyOn = elevated->SetCompatibilityMode();
    }
  } else {
    newlyOn = browserSettings_.SetCompatibilityMode();
  }
  if (!newlyOn) {
    LogRun(kLogCompatibilityAlreadyOn);
    return true;
  }

  LogRun(kLogCompatibilityNotApplied);
  if (ToLowerAscii(answer) == "yes") {
    LogRun(kLogAskingToReload);
    const int choice = ShowMessageBox(nullptr, LoadResString(kMsgAskToChangeCompatibilityView), kProductName,
                                      MB_YESNO | MB_ICONINFORMATION);
    if (choice != IDYES) {
      LogRun(kLogUserDeclinedReload);
      LogRun(kLogCompatibilityViewSet);
      return false;
    }
    LogRun(kLogUserAcceptedReload);
  }
  if (request.browser) request.browser->Refresh();
  return false;
}

// The control's own element out of the view, and the browser window at the size of /ws.
void TVantrelle::HideControlAndSizeWindow(TRequest& request) {
  if (request.document) {
    if (const ComPtr<IHTMLElement> self = FindDocumentElement(request.document.get(), kProductName)) {
      Bstr width(L"width"), height(L"height");
      VARIANT_BOOL removed = VARIANT_FALSE;
      self->removeAttribute(width.get(), 0, &removed);
      self->removeAttribute(height.get(), 0, &removed);
      ComPtr<IHTMLStyle> style;
      if (SUCCEEDED(self->get_style(style.put())) && style) {
        const Variant zero = Variant::FromText(L"0"), off = Variant::FromText(L"-1024");
        style->put_width(*zero);
        style->put_height(*zero);
        style->put_left(*off);
        style->put_top(*off);
      }
    }
  }
  TraceBlank();

  ::GetWindowRect(request.topWindow, &request.savedWindowRect);
  const RECT& saved = request.savedWindowRect;
  // No /ws, or not numbers: the window keeps its size.
  const std::optional<int32_t> givenWidth = request.switches.TryNumber(swWs, 0);
  const std::optional<int32_t> givenHeight = givenWidth ? request.switches.TryNumber(swWs, 1) : std::nullopt;
  if (!givenHeight) return;
  LogRunText(Format("window size width : %d", *givenWidth));
  LogRunText(Format("window size height : %d", *givenHeight));
  const int32_t width = *givenWidth != 0 ? *givenWidth : saved.right - saved.left;
  const int32_t height = *givenHeight != 0 ? *givenHeight : saved.bottom - saved.top;
  // A window that cannot be sized, or a site list that cannot be written, leaves the capture to go
  // on at the window's size. The window is put back after the capture only when this moved it.
  try {
    if (protectedMode_) {
      LogRun(kLogResizeNewSystem);
      if (request.elevated) LogRun(kLogResizeAlreadyElevated);
      IBrowserSettingsWriter* elevated = ElevatedInstance(request, request.viewWindow, kLogResizeElevationDone);
      if (!elevated) return;
      request.windowSized = true;  // until the move says it did nothing: one that raised may have moved it
      if (!elevated->MoveIEWindow(0, 0, width, height, request.topWindow)) request.windowSized = false;
      elevated->SetAllSiteSetup();
    } else {
      LogRun(kLogResizeOldSystem);
      LogRun(kLogResizingBrowserWindow);
      request.windowSized = true;  // until the move says it did nothing: one that raised may have moved it
      if (!browserSettings_.MoveIEWindow(0, 0, width, height, request.topWindow)) request.windowSized = false;
      browserSettings_.SetAllSiteSetup();
    }
  } catch (const Error&) {
  }
}

// Waits for the document and captures it. False when the request ends without a picture. The
// browser window is put back however the request ends from here.
bool TVantrelle::CaptureDocument(TRequest& request, IDispatch* divObj) {
  // The mouse capture the scroll element takes lasts as long as the page capture, however it ends.
  TElementCapture mouseCapture;
  ScopeGuard restoreWindow([&] { RestoreBrowserWindow(request); });
  {
    // Before the capture starts the window is put back only when it was moved.
    ScopeGuard keepUnmovedWindow([&] {
      if (!request.windowSized) restoreWindow.Dismiss();
    });
    if (!FindScrollElement(request, mouseCapture)) return false;
    keepUnmovedWindow.Dismiss();
  }

  // Element rendering must not be painted over while it draws; the scroll capture reads the
  // screen and needs the view's painting.
  if (!request.scrollCapture && !::LockWindowUpdate(request.viewWindow))
    LogRunText("LockWindowUpdate() Execute Failed");

  request.builder = std::make_unique<TBmpHtmlImageBuilder>();
  {
    const ScopeGuard undoPreparation([&] {
      if (request.hiddenFrame) {
        LogRun(kLogRestoringHiddenFrame);
        ResizeWindowObject(request.parentWindow.get(), request.clientWidth, request.clientHeight);
      }
      if (!request.scrollCapture) {
        LogRun(kLogUnlockingScreenUpdates);
        ::LockWindowUpdate(nullptr);
      }
    });
    CaptureIntoBuilder(request, divObj);
  }
  if (!request.image)
    ShowMessageBox(nullptr, LoadResString(kMsgPageTooLargeToPrint), kProductName, MB_ICONEXCLAMATION | MB_TASKMODAL);
  return request.image != nullptr;
}

// The loaded document's element to capture and its client size; false when there is none.
bool TVantrelle::FindScrollElement(TRequest& request, TElementCapture& mouseCapture) {
  ProcessMessages();
  WaitForDocumentComplete(request.document.get(), kDocumentTimeoutMs);
  LogRun(kLogDocumentLoaded);
  TraceBlank();

  LogRun(kLogGettingBody);
  request.scrollElement = GetScrollElement(request.document.get(), mouseCapture);
  if (!request.scrollElement) {
    LogRun(kLogNoBody);
    return false;
  }
  LogRun(kLogGettingBodyRender);
  if (!request.scrollElement.As<IHTMLElementRender>()) {
    LogRun(kLogNoBodyRender);
    return false;
  }

  LogRun(kLogGettingClientSize);
  try {
    request.clientWidth = ClientSize(request.scrollElement.get(), &IHTMLElement2::get_clientWidth);
    request.clientHeight = ClientSize(request.scrollElement.get(), &IHTMLElement2::get_clientHeight);
  } catch (const Error& e) {
    LogRun(kLogClientSizeError);
    LogRunText(Format(LoadResString(kLogErrorMessage).c_str(), e.what()));
    return false;
  }
  request.hiddenFrame = request.clientWidth == 0 || request.clientHeight == 0;
  LogRunText(LoadResString(kLogHiddenFrame) + " : [" + TrueFalse(request.hiddenFrame) + "]");
  LogRun(kLogLockingScreenUpdates);
  return true;
}

void TVantrelle::CaptureIntoBuilder(TRequest& request, IDispatch* divObj) {
  LogRun(kLogGettingParentWindow);
  if (request.document) request.document->get_parentWindow(request.parentWindow.put());
  if (!request.parentWindow) {
    LogRun(kLogNoParentWindow);
    return;
  }
  if (request.hiddenFrame) {
    LogRunText(Format(LoadResString(kLogResizingParentWindow).c_str(), kHiddenFrameWidth, kHiddenFrameHeight));
    ResizeWindowObject(request.parentWindow.get(), kHiddenFrameWidth, kHiddenFrameHeight);
  }
  LogRun(kLogCapturingDocument);

  TPageCapture capture(requestLog_, request.document, request.viewWindow, request.topWindow,
                       POINT{frameStartX_, frameStartY_});
  THtmlImageBuilder& builder = *request.builder;
  if (request.scrollCapture) {
    LogRun(kLogScrollCapture);
    if (capture.ScrollCapture(request.scrollElement.get(), POINT{0, 0}, &builder))
      request.image = ScrollResult(builder);
    frameStartX_ = capture.FrameStart().x;
    frameStartY_ = capture.FrameStart().y;
  } else if (divObj) {
    LogRun(kLogElementRenderCapture);
    divObj->QueryInterface(IID_IHTMLElement2, request.divElement2.put_void());
    if (!request.divElement2) LogRun(kLogNoDivElement);
    divObj->QueryInterface(IID_IHTMLElement, request.divElement.put_void());
    if (!request.divElement) LogRunText("div IID_IHTMLElement QueryInterface Failed");
    LogRun(kLogCapturingDiv);
    if (capture.CaptureByElementRender(request.divElement2.get(), &builder)) request.image = builder.GetResult();
  } else {
    LogRun(kLogElementRenderCapture);
    if (capture.CaptureByElementRender(request.scrollElement.get(), &builder)) request.image = builder.GetResult();
  }
  LogRun(kLogCaptureDone);
  if (!request.image) LogRun(kLogCaptureFailed);
}

void TVantrelle::RestoreBrowserWindow(TRequest& request) {
  const RECT& r = request.savedWindowRect;
  if (protectedMode_) {
    // A window this request did not move needs no consent prompt to be put back.
    if (!request.windowSized) return;
    LogRun(kLogRestoreNewSystem);
    if (request.elevated) LogRun(kLogRestoreAlreadyElevated);
    if (IBrowserSettingsWriter* elevated = ElevatedInstance(request, FormHandle(), kLogRestoreElevationDone))
      elevated->MoveIEWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, request.topWindow);
  } else {
    LogRun(kLogRestoreOldSystem);
    LogRun(kLogRestoringBrowserWindow);
    browserSettings_.MoveIEWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, request.topWindow);
  }
}

IBrowserSettingsWriter* TVantrelle::ElevatedInstance(TRequest& request, HWND owner, unsigned createdText) {
  if (request.elevated) return request.elevated.get();
  // The person who refused the consent prompt is not asked again in the same request.
  if (request.elevationFailed) return nullptr;
  request.elevated = CreateElevatedSettingsWriter(owner).settings;
  request.elevationFailed = !request.elevated;
  if (!request.elevated) return nullptr;
  LogRun(createdText);
  return request.elevated.get();
}

void TVantrelle::RestoreZoom(TRequest& request) {
  if (!request.savedZoom || IsWin81()) return;
  ExecZoom(request.browser.get(), *request.savedZoom);
  LogRunText(Format(LoadResString(kLogZoomRestored).c_str(), std::to_string(*request.savedZoom).c_str()));
  request.savedZoom.reset();
}

// Runs on every way out of the request, whatever ended it.
void TVantrelle::EndRequest(TRequest& request) {
  if (request.topWindow) ::EnableWindow(request.topWindow, TRUE);
  ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
  LogRun(kLogFreeingUrlImages);
  ReleaseDownloads(request);
  RestoreZoom(request);
  request.preview.reset();
  request.image.reset();
  request.builder.reset();
  request.elevated.reset();
  if (request.holdsMutex) instanceMutex_.reset();
  LogRun(kLogRunEnds);
  const std::string path = TRequestLog::FilePath();
  LogRunText(LoadResString(kLogSavingLog) + " : " + path);
  // A log that cannot be written (SaveToFile answers false) is no reason to fail the request.
  requestLog_.SaveToFile(path);
}

}  // namespace vt

// The request after its capture: the preview's settings from the switches, the page breaks, the
// button-image package, the header/footer setting with its images, the clipping margins, the
// preview itself with the protected-mode loop, and the release of what the request downloaded.
#include <chrono>
#include <cmath>
#include <optional>
#include <utility>

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "base/MessagePump.h"
#include "base/ScopeGuard.h"
#include "base/Printer.h"
#include "base/Strings.h"
#include "base/TempFiles.h"
#include "capture/uElementGeometry.h"
#include "capture/uWebUtils.h"
#include "control/VantrelleImpl.h"
#include "control/uActiveForm.h"
#include "control/uParameter.h"
#include "control/uRequestDriver.h"
#include "page/uHtmlImage.h"
#include "page/uURLImg.h"
#include "preview/frmPreviewForm.h"
#include "preview/uButtonPackage.h"
#include "preview/uSkinFile.h"
#include "preview/uSkinPictures.h"
#include "resources/StringIds.h"

namespace vt {

namespace {

constexpr const char* kProductName = "Vantrelle";
constexpr const char* kHookCaption = "ActiveX::AppOnMessage";

// A setting may list any number of images; a banner needs a handful. Downloading stops here so
// that a hostile or broken setting cannot keep the request downloading for hours.
constexpr int kMaxSettingImages = 256;
// The most a header/footer setting and each of its images may download.
constexpr uint64_t kMaxSettingBytes = 1024 * 1024;
constexpr uint64_t kMaxSettingImageBytes = 4 * 1024 * 1024;

void CentreOnScreen(TWindow& window, int32_t width, int32_t height) {
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN), screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  window.SetBounds((screenWidth - width) / 2, (screenHeight - height) / 2, width, height);
}

// Round half to even, as the window's sizes are computed.
int32_t RoundEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

TRequest::TRequest(std::string params) : switches(std::move(params)) {}
TRequest::~TRequest() = default;

TVantrelle::~TVantrelle() = default;

void TVantrelle::AppOnMessage(MSG& msg) {
  if (msg.message != WM_CLOSE && msg.message != WM_QUIT) return;
  requestLog_.WriteLogText(kHookCaption, kLogCloseMessage);
  // A protected-mode loop waiting for a message wakes to find the flag down.
  if (running_) ::PostMessageA(nullptr, WM_NULL, 0, 0);
  running_ = false;
  quitRequested_ = true;
  heldMessage_ = msg;
}

// The hook stays for the control's life once a protected-mode request installed it.
void TVantrelle::InstallMessageHook() {
  if (messageHook_) return;
  messageHook_ = std::make_unique<TMessageHook>([this](MSG& msg) { AppOnMessage(msg); });
}

void TVantrelle::ShowPreviewWindow(TfmPreviewForm& form, const TPreviewRequest& preview) { form.ShowPreview(preview); }

void TVantrelle::RunPreview(TRequest& request) {
  ApplyPrintSwitches(request);
  request.preview = std::make_unique<TfmPreviewForm>(request.viewWindow);
  request.preview->SetStatusText("     " + request.siteDomain);
  ApplyWindowSwitches(request);
  CollectPageBreaks(request);
  const std::string closeButton = LoadButtonPackage(request);
  DownloadSetting(request);

  TPreviewRequest preview;
  preview.fitMode = fitToWidth;
  // No /ps, or not a number: fit to width.
  if (const std::optional<int32_t> fit = request.switches.TryNumber(swPs, 0)) {
    if (*fit < 0 || *fit > 3) LogRun(kLogFitModeOutOfRange);
    preview.fitMode = static_cast<TFitMode>(*fit < 0 || *fit > 3 ? 0 : *fit);
  }
  preview.centerHorz = request.switches.Has(swHc);
  preview.centerVert = request.switches.Has(swVc);
  if (!ClipImage(request)) return;

  preview.helpUrl = request.switches.Text(swHu, 0);
  if (preview.helpUrl.empty()) preview.helpUrl = LoadResString(kDefaultHelpUrl);
  LogRunText(LoadResString(kLogHelpAddress) + preview.helpUrl);

  LogRun(kLogRunningPreview);
  running_ = true;
  quitRequested_ = false;
  if (protectedMode_) InstallMessageHook();
  if (request.topWindow) ::EnableWindow(request.topWindow, FALSE);

  preview.captureGraphic = request.image.get();
  preview.imageBuilder = request.builder.get();
  preview.captureRect = RECT{0, 0, request.image->GetImageWidth(), request.image->GetImageHeight()};
  preview.settingImages = request.settingImages.get();
  preview.ownsSettingImages = false;
  preview.printWithoutPreview = request.previewOption;
  preview.modal = protectedMode_;
  preview.fitWindow = request.switches.Has(swAr) ? 1 : 0;
  preview.pageBreaks = request.pageBreaks ? &*request.pageBreaks : nullptr;
  preview.pageBreaksLandscape = request.pageBreaksLandscape ? &*request.pageBreaksLandscape : nullptr;
  preview.userStr = request.switches.Text(swFf, 1);
  preview.closeButton = closeButton;
  preview.siteHost = request.siteDomain;
  preview.log = &requestLog_;

  // A close or quit message the hook held is posted again however the preview ends, so that the
  // browser can still close.
  const ScopeGuard afterPreview([&] { EndPreview(request); });
  ShowPreviewWindow(*request.preview, preview);
  RestoreZoom(request);
  if (protectedMode_) RunProtectedLoop(request);
}

void TVantrelle::EndPreview(TRequest& request) {
  if (request.topWindow) ::EnableWindow(request.topWindow, TRUE);
  LogRun(kLogFreeingPreview);
  request.preview.reset();
  LogRun(kLogFreeingImage);
  request.image.reset();
  if (quitRequested_) {
    LogRun(kLogRepostingQuit);
    // A quit the message pump already put back is not posted a second time.
    MSG pending;
    const bool quitPending =
        heldMessage_.message == WM_QUIT && ::PeekMessageA(&pending, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
    if (!quitPending)
      ::PostMessageA(heldMessage_.hwnd, heldMessage_.message, heldMessage_.wParam, heldMessage_.lParam);
    quitRequested_ = false;
  }
}

// The preview option (/sp) and the printer's orientation (/po).
void TVantrelle::ApplyPrintSwitches(TRequest& request) {
  LogRun(kLogReadingPreviewOption);
  LogRunText(Format(LoadResString(kLogPreviewOption).c_str(), request.switches.Text(swSp, 0).c_str()));
  request.previewOption = request.switches.Number(swSp, 0);
  if (request.previewOption < 0 || request.previewOption > 2) {
    LogRun(kLogInvalidPreviewOption);
    request.previewOption = 0;
  }
  LogRun(kLogCreatingPreview);

  const int32_t orientation = request.switches.Number(swPo, 0);
  TPrinter& printer = TPrinter::Current();
  if (orientation == 0) {
    LogRunText(Format(LoadResString(kLogOrientation).c_str(), LoadResString(kLogPortrait).c_str()));
    printer.SetOrientation(TPrinter::poPortrait);
  } else if (orientation == 1) {
    LogRunText(Format(LoadResString(kLogOrientation).c_str(), LoadResString(kLogLandscape).c_str()));
    printer.SetOrientation(TPrinter::poLandscape);
  } else if (orientation == 2) {
    const bool tall = request.image->GetImageWidth() < request.image->GetImageHeight();
    printer.SetOrientation(tall ? TPrinter::poPortrait : TPrinter::poLandscape);
    LogRunText(Format(LoadResString(kLogOrientation).c_str(), LoadResString(kLogAutomatic).c_str()));
  }
}

// The preview window's size and place: /vs, /vr, /ar; 80 % of the screen, maximized, otherwise.
void TVantrelle::ApplyWindowSwitches(TRequest& request) {
  TfmPreviewForm& form = *request.preview;
  ::SetWindowTextA(form.Handle(), kProductName);
  bool sizeGiven = false, positionGiven = false;
  const int32_t width = request.switches.Number(swVs, 0), height = request.switches.Number(swVs, 1);
  LogRunText(Format((LoadResString(kLogPreviewSize) + " = [%d x %d]").c_str(), width, height));
  if (width > 0 && height > 0) {
    LogRun(kLogPreviewSizeGiven);
    sizeGiven = true;
    CentreOnScreen(form, width, height);
  }
  int32_t v[4];
  for (int i = 0; i < 4; ++i) v[i] = request.switches.Number(swVr, i);
  LogRunText(Format((LoadResString(kLogPreviewPosition) + " = [%d, %d, %d, %d]").c_str(), v[0], v[1], v[2], v[3]));
  if (int64_t{v[2]} - v[0] > 0 && int64_t{v[3]} - v[1] > 0) {
    positionGiven = true;
    form.SetBounds(v[0], v[1], v[2], v[3]);
  }
  LogRun(kLogCheckingAutoSize);
  if (!positionGiven && !sizeGiven && !request.switches.Has(swAr)) {
    LogRun(kLogPreviewMaximized);
    CentreOnScreen(form, RoundEven(::GetSystemMetrics(SM_CXSCREEN) * 0.8),
                   RoundEven(::GetSystemMetrics(SM_CYSCREEN) * 0.8));
    form.SetMaximized(true);
  }
}

// Page breaks at the page's PAGEBREAK elements (/pb) or from the lists of /pbm.
void TVantrelle::CollectPageBreaks(TRequest& request) {
  LogRun(kLogCheckingPageBreaks);
  const bool manual = !request.switches.Text(swPbm, 0).empty();
  if (manual) LogRun(kLogManualPageBreakOption);

  auto startElement = [&]() {
    ComPtr<IHTMLElement> start;
    if (request.divElement) {
      LogRun(kLogStartAtDiv);
      start = request.divElement;
    } else {
      LogRun(kLogStartAtBody);
      if (request.document) request.document->get_body(start.put());
    }
    return start;
  };

  if (request.switches.Has(swPb)) {
    LogRun(kLogPageBreakOption);
    const ComPtr<IHTMLElement> start = startElement();
    std::vector<int32_t> tops;
    if (start) CollectTaggedElements(start.get(), "PAGEBREAK", nullptr, &tops);
    const RECT startRect = GetElementAbsoluteRect(start.get()).value_or(RECT{});
    LogRunText(Format((LoadResString(kLogStartPosition) + " : [%d]").c_str(), startRect.top));
    std::vector<int32_t> breaks;
    for (size_t i = 0; i < tops.size(); ++i) {
      LogRunText(Format(LoadResString(kLogPageBreakBeforeCorrection).c_str(), static_cast<int>(i), tops[i]));
      breaks.push_back(tops[i] - startRect.top);
    }
    if (breaks.empty()) {
      LogRun(kLogNoPageBreaks);
      return;
    }
    for (size_t i = 0; i < breaks.size(); ++i)
      LogRunText(Format(LoadResString(kLogPageBreakPosition).c_str(), static_cast<int>(i), breaks[i]));
    request.pageBreaks = std::move(breaks);
  } else if (manual) {
    const std::string text1 = request.switches.Text(swPbm, 0);
    const int32_t step1 = request.switches.Number(swPbm, 1);
    const int32_t height = request.switches.Number(swPbm, 2);
    const std::string text2 = request.switches.Text(swPbm, 3);
    const int32_t step2 = request.switches.Number(swPbm, 4);
    LogRun(kLogCheckingManualPageBreaks);
    startElement();
    ScopeGuard parseFailed([&] { LogRunText(" >> PageBreak Error"); });
    request.pageBreaks = ParsePageBreakList(text1, step1, height);
    request.pageBreaksLandscape = ParsePageBreakList(text2, step2, height);
    parseFailed.Dismiss();
    if (request.pageBreaks->empty()) {
      LogRun(kLogNoPageBreaks);
      request.pageBreaks.reset();
    }
    if (request.pageBreaksLandscape->empty()) {
      requestLog_.WriteLogText("ActiveX::Run > L", kLogNoPageBreaks);
      request.pageBreaksLandscape.reset();
    }
  } else {
    LogRun(kLogNoPageBreakOption);
  }
}

// The button-image package of /imgs: the preview's caption and icon. Returns the close-button
// text of the package's settings.
std::string TVantrelle::LoadButtonPackage(TRequest& request) {
  TfmPreviewForm& form = *request.preview;
  const std::string url = request.switches.Text(swImgs, 0);
  LogRunText(Format((LoadResString(kLogPackageUrl) + " = [%s].").c_str(), url.c_str()));
  std::string title, iconPath, closeButton;
  std::optional<TSkinSettings> skin;
  TPackageFetch fetch;
  if (!Trim(url).empty()) fetch = ImgBtnDownProc(requestLog_, request.siteDomain, url);
  const bool fetched = fetch.usable;
  const std::string& iniPath = fetch.iniPath;
  // A package kept from an earlier request still dresses the window when this fetch failed.
  const bool settingsThere = !iniPath.empty() && FileExists(iniPath);
  if (fetched) {
    LogRunText(Format((LoadResString(kLogPackageDownloaded) + " : %s").c_str(), url.c_str()));
    if (settingsThere) {
      LogRunText(Format((LoadResString(kLogPackageFolder) + " : %s").c_str(), FolderOf(iniPath).c_str()));
      skin = ReadSkinFile(iniPath, LanguageCodeFor(request.systemLanguage));
      title = skin->title;
      // The package names its icon: one outside the package's folder is not loaded.
      iconPath = skin->ImagePath(skin->iconFile);
      closeButton = skin->btnClose;
    }
  } else {
    LogRunText(Format((LoadResString(kLogPackageDownloadFailed) + " : %s").c_str(), url.c_str()));
  }
  const std::string caption = Trim(title).empty() ? kProductName : title;
  ::SetWindowTextA(form.Handle(), caption.c_str());
  // The application's title names its print jobs.
  TPrinter::Current().SetTitle(caption);
  LogRunText(Format((LoadResString(kLogPreviewTitle) + " : %s").c_str(), caption.c_str()));
  if (!iconPath.empty()) {
    LogRunText(Format((LoadResString(kLogPreviewIcon) + " : %s").c_str(), iconPath.c_str()));
    // The window shows the icon without owning it: the request destroys it after the window.
    request.previewIcon = TSkinPictures(*skin, &requestLog_).LoadIcon();
    if (request.previewIcon)
      ::SendMessageA(form.Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(request.previewIcon.get()));
  }
  if (settingsThere) {
    LogRunText(Format((LoadResString(kLogSystemLanguage) + " : %s").c_str(), request.systemLanguage.c_str()));
    LogRun(kLogSettingImageButtons);
    form.LoadSkin(LanguageCodeFor(request.systemLanguage), iniPath, &requestLog_);
    LogRun(kLogImageButtonsSet);
  } else {
    LogRun(kLogLocalizingPreview);
    form.LoadLanguageImages();
  }
  return closeButton;
}

// The header/footer setting of /ff and its images, downloaded into temporary files.
void TVantrelle::DownloadSetting(TRequest& request) {
  const std::string url = request.switches.Text(swFf, 0);
  LogRunText(Format((LoadResString(kLogFormFileUrl) + " : %s").c_str(), url.c_str()));
  if (url.empty()) return;

  const std::string folder = GetTempFolder();
  // Every temporary file goes on the list as soon as it exists, so that a failed download
  // leaves nothing behind; one that cannot be held there is no download.
  std::string settingFile = GetTempFile(folder, "").value_or("");
  request.downloadedFiles.emplace_back(settingFile);
  LogRunText(Format(LoadResString(kLogDownloadingFormFile).c_str(), url.c_str(), settingFile.c_str()));
  if (!request.downloadedFiles.back()) return;
  // A setting may come without a Content-Length, up to the server's close: one cut short does not
  // parse. Its images and the button-image package must declare their length.
  THttpLimits settingLimits(kMaxSettingBytes);
  settingLimits.closeMayEndBody = true;
  if (!DownloadURLToFile(url, settingFile, settingLimits).ok) return;

  // Parsed here once; the banners of every layout read the same document.
  auto images = std::make_unique<TURLImg>(&requestLog_);
  LogRunText(Format(LoadResString(kLogAnalysingFormFile).c_str(), settingFile.c_str()));
  if (!images->LoadList(settingFile)) {
    LogRun(kLogFormFileFailed);
    if (!images->Refusal().empty()) LogRunText("The header/footer setting is refused: " + images->Refusal());
    return;
  }
  request.settingImages = std::move(images);
  const int count = request.settingImages->Count();
  if (count > kMaxSettingImages)
    LogRunText(Format("The setting lists %d images; only the first %d are downloaded", count, kMaxSettingImages));
  // The images share one deadline, that of one download of their whole budget: a slow server
  // cannot hold the browser's thread for each of them in turn.
  THttpLimits imageLimits(kMaxSettingImageBytes);
  imageLimits.sharedDeadline = std::chrono::steady_clock::now() + THttpLimits(TURLImg::kImageBudget).Deadline();
  for (int i = 0; i < count && i < kMaxSettingImages; ++i) {
    TXImg* item = request.settingImages->GetItem(i);
    const std::string imageFile = GetTempFile(folder, "").value_or("");
    request.downloadedFiles.emplace_back(imageFile);
    LogRunText(Format("[%d] [%s] Image [%s] Download", i + 1, item->Url.c_str(), imageFile.c_str()));
    if (!request.downloadedFiles.back() || !DownloadURLToFile(item->Url, imageFile, imageLimits).ok) {
      request.settingImages.reset();
      return;
    }
    LogRunText(Format(LoadResString(kLogLoadingImage).c_str(), item->Url.c_str()));
    try {
      if (!request.settingImages->LoadImageFile(i, imageFile)) {
        LogRunText(Format("[%d] [%s] Image refused: the setting's images would take more than %d MB", i + 1,
                          item->Url.c_str(), static_cast<int>(TURLImg::kImageBudget >> 20)));
        return;
      }
    } catch (const Error&) {
      return;
    }
    LogRun(kLogConvertingGif);
  }
}

// Cuts the margins of /cr off the picture. False when nothing is left: the request ends.
bool TVantrelle::ClipImage(TRequest& request) {
  const int32_t width = request.image->GetImageWidth(), height = request.image->GetImageHeight();
  RECT rect{0, 0, width, height};
  // No /cr, or a margin that is no number: no cut.
  int32_t margins[4];
  int given = 0;
  for (; given < 4; ++given) {
    const std::optional<int32_t> margin = request.switches.TryNumber(swCr, given);
    if (!margin) break;
    margins[given] = *margin;
  }
  if (given == 4) rect = ClippingRect(width, height, margins);
  if (rect.right <= rect.left || rect.bottom <= rect.top) {
    ShowMessageBox(nullptr, LoadResString(kMsgNothingToPrintAfterClipping), kProductName, MB_ICONEXCLAMATION);
    return false;
  }
  if (rect.right - rect.left == width && rect.bottom - rect.top == height) return true;
  BuildHtmlImage(request.builder.get(), request.image.get(), rect);
  request.image = request.builder->GetResult();
  return request.image != nullptr;
}

// Protected mode: the messages of the page and the browser go on until the preview is closed or
// a close or quit message arrives.
void TVantrelle::RunProtectedLoop(TRequest& request) {
  if (request.topWindow) ::EnableWindow(request.topWindow, FALSE);
  LogRun(kLogProtectedModeLoop);
  while (running_) {
    ProcessMessages();
    // A preview that was never shown (printing without it) counts as closed.
    if (request.preview->IsClosed() || !::IsWindowVisible(request.preview->Handle())) {
      LogRun(kLogClosingPreview);
      FreeModalProtector();
      running_ = false;
    } else if (running_) {
      // The hook may have ended the loop while the messages above were dispatched; the wake-up
      // it posted is taken by then.
      ::WaitMessage();
    }
  }
}

void TVantrelle::ReleaseDownloads(TRequest& request) {
  request.settingImages.reset();
  for (size_t i = 0; i < request.downloadedFiles.size(); ++i) {
    DeleteOnCloseFile& file = request.downloadedFiles[i];
    LogRunText(Format(LoadResString(kLogDeletingFile).c_str(), static_cast<int>(i), file.get().c_str()));
    file.reset();
  }
  request.downloadedFiles.clear();
  request.pageBreaks.reset();
  request.pageBreaksLandscape.reset();
}

}  // namespace vt

// A whole request from the switches to the captured page, driven against the stand-in browser
// hosting the control: the picture handed to the preview, what was done to the browser and put
// back, the questions and messages shown, protected mode with its mutex and elevated instance,
// and the log saved at the end of every request.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include <zlib.h>

#include "base/Dialogs.h"
#include "base/Errors.h"
#include "base/MessagePump.h"
#include "base/Numbers.h"
#include "base/Picture.h"
#include "base/Strings.h"
#include "base/TempFiles.h"
#include "browser/HostedControl.h"
#include "capture/uBrowserSettings.h"
#include "capture/uInstanceMutex.h"
#include "capture/uWebUtils.h"
#include "control/VantrelleImpl.h"
#include "control/uRequestDriver.h"
#include "base/Printer.h"
#include "page/uURLImg.h"
#include "preview/frmPreviewForm.h"
#include "preview/uSkinFile.h"
#include "resources/StringIds.h"
#include "support/BrowserPage.h"
#include "support/GifWriter.h"
#include "support/HttpTestServer.h"
#include "support/LargePictures.h"
#include "support/Scopes.h"
#include "support/TestPictures.h"
#include "support/HostedTestControl.h"
#include "support/PrinterQueue.h"
#include "support/RegistryScope.h"
#include "support/UnixTools.h"
#include "support/ZipWriter.h"

using namespace vt;
using namespace vt::test;
using vt::browser::MakeCom;

namespace {

struct OleEnvironment : ::testing::Environment {
  void SetUp() override { ::OleInitialize(nullptr); }
  void TearDown() override { ::OleUninitialize(); }
};
const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

const char kBrowserKey[] = "Software\\Microsoft\\Internet Explorer";
const char kStatsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats";
const CLSID kDriverTestClsid = {0x7d2a91c4, 0x3b5e, 0x4c1f, {0x8a, 0x60, 0x2f, 0x93, 0x1b, 0x7e, 0x44, 0xd5}};

std::unique_ptr<TBitmap> Picture(THtmlImage& image) {
  auto picture = std::make_unique<TBitmap>(image.GetImageWidth(), image.GetImageHeight());
  image.CopyRect(*picture, 0, 0, image.GetImageRect());
  return picture;
}

std::string Compare(const TBitmap* picture, int width, int height, const std::function<COLORREF(int, int)>& expected) {
  if (!picture) return "no picture";
  if (picture->Width() != width || picture->Height() != height)
    return Format("picture is %d x %d, expected %d x %d", picture->Width(), picture->Height(), width, height);
  return FirstMismatch(*picture, 0, 0, width, height, expected);
}

// The control under test: the integrity level is the test's, and the preview only keeps a copy
// of the captured picture.
class TDriverControl : public TVantrelle {
public:
  explicit TDriverControl(IUnknown* object) : object_(object) {}

  uint8_t integrity = 3;
  std::function<void(TRequest&)> onPreview;
  int previews = 0;
  std::unique_ptr<TBitmap> picture;

  // The real preview instead of a copy of the picture; what reached the window is kept.
  bool realPreview = false;
  bool nonModal = false;  // the preview shown and left open, not run modally
  std::function<void(TfmPreviewForm&)> onShow;
  int shows = 0;
  TPreviewRequest shown;
  std::optional<std::vector<int32_t>> shownBreaks, shownLandscape;
  std::unique_ptr<TBitmap> shownPicture;
  std::string shownCaption;  // the window's caption when shown
  RECT shownBounds{};
  bool shownMaximized = false;
  std::string shownStatus;  // the status bar's text
  int32_t shownPages = 0;   // laid out by the window
  std::vector<std::pair<std::string, int>> shownImages;  // id and bitmap width of each setting image
  COLORREF firstImagePixel = 0;
  int shownHeaderHeight = 0;               // the header banner as laid out by the window
  std::vector<COLORREF> shownHeaderRow;    // its first row, up to 100 pixels
  size_t linesShown = 0;            // the log's lines when the face was last told of a change
  bool faceUpToDateAtShow = false;  // the face had every line of the log when the preview showed

  bool ProtectedMode() const { return protectedMode_; }
  bool Logged(const std::string& message) const {
    const auto& lines = RequestLog().Lines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.size() >= message.size() && l.compare(l.size() - message.size(), message.size(), message) == 0;
    });
  }
  bool LoggedText(unsigned id) const { return Logged(">>" + LoadResString(id)); }

protected:
  IUnknown* ControlObject() override { return object_.get(); }
  void LogChanged() override { linesShown = RequestLog().Lines().size(); }
  std::optional<uint8_t> ReadIntegrityLevel() override { return integrity; }
  void RunPreview(TRequest& request) override {
    ++previews;
    picture = request.image ? Picture(*request.image) : nullptr;
    if (onPreview) onPreview(request);
    if (realPreview) TVantrelle::RunPreview(request);
  }
  void ShowPreviewWindow(TfmPreviewForm& form, const TPreviewRequest& preview) override {
    ++shows;
    shown = preview;
    faceUpToDateAtShow = linesShown == RequestLog().Lines().size();
    if (preview.pageBreaks) shownBreaks = *preview.pageBreaks;
    if (preview.pageBreaksLandscape) shownLandscape = *preview.pageBreaksLandscape;
    shownPicture = Picture(*preview.captureGraphic);
    char caption[256] = "";
    ::GetWindowTextA(form.Handle(), caption, sizeof caption);
    shownCaption = caption;
    shownBounds = form.Bounds();
    shownMaximized = form.Maximized();
    shownStatus = form.StatusText();
    if (preview.settingImages) {
      for (int i = 0; i < preview.settingImages->Count(); ++i) {
        const TXImg* item = preview.settingImages->GetItem(i);
        shownImages.emplace_back(item->Id, item->Bitmap.Empty() ? 0 : item->Bitmap.Width());
      }
      if (preview.settingImages->Count() > 0 && !preview.settingImages->GetItem(0)->Bitmap.Empty())
        firstImagePixel = preview.settingImages->GetItem(0)->Bitmap.Pixel(0, 0);
    }
    if (onShow) onShow(form);
    if (nonModal) form.ShowNonModal(preview);
    else TVantrelle::ShowPreviewWindow(form, preview);
    shownPages = form.Engine().GetPageCount();
    const TXMLBitmap& header = form.Engine().Header();
    shownHeaderHeight = header.GetHeight();
    shownHeaderRow.clear();
    for (int x = 0; x < std::min(header.GetWidth(), 100); ++x) shownHeaderRow.push_back(header.Banner.Pixel(x, 0));
  }

private:
  ComPtr<IUnknown> object_;
};

// The elevated instance, played by the browser settings of this process, noting every call.
class TElevatedStandIn : public IBrowserSettingsWriter {
public:
  TElevatedStandIn(std::vector<std::string>& calls, std::string failing) : calls_(calls), failing_(std::move(failing)) {}
  bool SetCompatibilityMode() override {
    Note("SetCompatibilityMode");
    return worker_.SetCompatibilityMode();
  }
  bool MoveIEWindow(int32_t left, int32_t top, int32_t width, int32_t height, HWND wnd) override {
    Note(Format("MoveIEWindow %d %d %d %d", left, top, width, height));
    return worker_.MoveIEWindow(left, top, width, height, wnd);
  }
  void SetAllSiteSetup() override {
    Note("SetAllSiteSetup");
    worker_.SetAllSiteSetup();
  }

private:
  // The call named to fail raises, as an instance whose process broke off would.
  void Note(const std::string& call) {
    calls_.push_back(call);
    if (call == failing_) throw Error(call + " failed");
  }
  std::vector<std::string>& calls_;
  std::string failing_;
  TRequestLog log_;
  TBrowserSettings worker_{log_, kVantrelleClassId};
};

// Installs an elevated-instance factory for the test's length; `refuse` plays a refused consent,
// `failing` names a call of the instance that raises.
class ElevationScope {
public:
  explicit ElevationScope(bool refuse = false, const std::string& failing = "") {
    previous_ = SetElevatedInstanceFactory([=](HWND owner) -> TElevatedInstance {
      calls.push_back("create");
      owners.push_back(owner);
      if (refuse) return {HRESULT_FROM_WIN32(ERROR_CANCELLED), nullptr};
      return {S_OK, std::make_unique<TElevatedStandIn>(calls, failing)};
    });
  }
  ~ElevationScope() { SetElevatedInstanceFactory(previous_); }
  ElevationScope(const ElevationScope&) = delete;
  ElevationScope& operator=(const ElevationScope&) = delete;
  std::vector<std::string> calls;
  std::vector<HWND> owners;

private:
  TElevatedInstanceFactory previous_;
};

// Records every message box and answers it with `answer`.
class AnswerScope {
public:
  explicit AnswerScope(int answer = IDOK) {
    previous_ = SetDialogHandler([this, answer](const DialogRequest& r) -> std::optional<int> {
      requests.push_back(r);
      return answer;
    });
  }
  ~AnswerScope() { SetDialogHandler(previous_); }
  AnswerScope(const AnswerScope&) = delete;
  AnswerScope& operator=(const AnswerScope&) = delete;
  std::vector<DialogRequest> requests;

private:
  DialogHandler previous_;
};

// The browser's settings as a test sets them; all put back afterwards.
struct BrowserSettings {
  std::string version = "11.0.9600.16428";
  int zoomPercent = 0;  // 0: no zoom setting
  bool compatibilityOn = false;
};

// A page with the control's element, shown by the stand-in browser, which hosts the control.
class HostedRequest {
public:
  HostedRequest(const std::string& pageXml, const BrowserSettings& settings = {}) {
    SetStringValue(HKEY_LOCAL_MACHINE, kBrowserKey, "Version", settings.version);
    if (settings.zoomPercent)
      SetDwordValue(HKEY_CURRENT_USER, std::string(kBrowserKey) + "\\Zoom", "ZoomFactor", settings.zoomPercent * 1000);
    if (settings.compatibilityOn)
      SetDwordValue(HKEY_CURRENT_USER, std::string(kBrowserKey) + "\\BrowserEmulation", "AllSitesCompatibilityMode", 1);
    browser::TBrowserOptions options;
    options.left = 30;
    options.top = 40;
    page_ = std::make_unique<BrowserPage>(pageXml, options);
    object_ = MakeCom<TTestOleObject>();
    factory_ = MakeCom<TSingleObjectFactory>(static_cast<IOleObject*>(object_.get()));
    ::CoRegisterClassObject(kDriverTestClsid, static_cast<IClassFactory*>(factory_.get()), CLSCTX_INPROC_SERVER,
                            REGCLS_MULTIPLEUSE, &cookie_);
    if (auto* element = page_->Page().FindById("Vantrelle"))
      hosted_ = std::make_unique<browser::THostedControl>(page_->Window(), *element, kDriverTestClsid, nullptr);
    control = std::make_unique<TDriverControl>(static_cast<IOleObject*>(object_.get()));
    ::GetWindowRect(Frame(), &before);
  }
  ~HostedRequest() {
    control.reset();
    hosted_.reset();
    ::CoRevokeClassObject(cookie_);
  }

  HRESULT Run(const std::string& params, IDispatch* div = nullptr) { return control->Run2Request(params, div); }
  // A second control on the same element and thread.
  std::unique_ptr<TDriverControl> AnotherControl() {
    return std::make_unique<TDriverControl>(static_cast<IOleObject*>(object_.get()));
  }
  BrowserPage& Page() { return *page_; }
  HWND Frame() { return page_->Window().FrameWindow(); }
  std::vector<std::string> Record() const { return page_->Record(); }
  bool Recorded(const std::string& line) const {
    auto r = Record();
    return std::find(r.begin(), r.end(), line) != r.end();
  }
  bool RecordedStarting(const std::string& start) const {
    auto r = Record();
    return std::any_of(r.begin(), r.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
  }
  // `lines` appear in the record in this order (others may come between).
  bool RecordedInOrder(const std::vector<std::string>& lines) const {
    auto r = Record();
    auto at = r.begin();
    for (const auto& line : lines) {
      at = std::find(at, r.end(), line);
      if (at == r.end()) return false;
      ++at;
    }
    return true;
  }
  std::string WindowLine(const RECT& r) const {
    return Format("window %ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  bool WindowPutBack() {
    RECT now;
    ::GetWindowRect(Frame(), &now);
    return ::EqualRect(&now, &before) != FALSE;
  }

  std::unique_ptr<TDriverControl> control;
  RECT before{};

private:
  // The log file and downloads of this program's requests, apart from other test programs'.
  PrivateTempFolder temp_;
  RegistryKeyScope machine_{HKEY_LOCAL_MACHINE, kBrowserKey};
  RegistryKeyScope user_{HKEY_CURRENT_USER, kBrowserKey};
  RegistryKeyScope stats_{HKEY_CURRENT_USER, kStatsKey};
  std::unique_ptr<BrowserPage> page_;
  ComPtr<TTestOleObject> object_;
  ComPtr<TSingleObjectFactory> factory_;
  DWORD cookie_ = 0;
  std::unique_ptr<browser::THostedControl> hosted_;
};

const char kControlObject[] =
    R"(<object id="Vantrelle" classid="clsid:7D2A91C4-3B5E-4C1F-8A60-2F931B7E44D5" x="0" y="0" width="200" height="50"/>)";

std::string LargePage(const std::string& inside = "", const std::string& attributes = "") {
  return R"(<page width="1700" height="1300" pattern="xy" url="http://site.test/p.html" domain="site.test" )" +
         attributes + ">" + kControlObject + inside + "</page>";
}

std::string SmallPage() {
  return R"(<page width="300" height="200" url="http://site.test/p.html">)" + std::string(kControlObject) + "</page>";
}

std::string SavedLog() { return ReadFileBytes(TRequestLog::FilePath()); }

// The saved log's last line ends with the line of the saving step.
bool LogEndsWithSaving(const std::string& log) {
  const std::string last = LoadResString(kLogSavingLog) + " : " + TRequestLog::FilePath() + "\r\n";
  return log.size() >= last.size() && log.compare(log.size() - last.size(), last.size(), last) == 0;
}

bool IsAllowedOnAllSites() {
  return RegistryKeyExists(HKEY_CURRENT_USER, AllowedDomainsKey(kVantrelleClassId).substr(1) + "\\*");
}

}  // namespace

TEST(RequestDriver, ElementRenderCapturesThePageWithTheBrowserPreparedAndPutBack) {
  HostedRequest r(LargePage(), {.zoomPercent = 150});
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/ws:900|700"), S_OK);
  ASSERT_EQ(r.control->previews, 1);
  EXPECT_EQ(Compare(r.control->picture.get(), 1700, 1300, XYColor), "");
  EXPECT_TRUE(dialogs.requests.empty());

  // Zoom forced to 100 and put back; the control's element hidden; the window sized and put back.
  std::vector<std::string> expected = {"zoom 100"};
  expected.insert(expected.end(), kHiddenControlRecord.begin(), kHiddenControlRecord.end());
  expected.push_back("window 0 0 900 700");
  expected.push_back("setCapture HTML");  // the mouse, for the length of the capture
  expected.push_back(r.WindowLine(r.before));
  expected.push_back("releaseCapture HTML");
  expected.push_back("zoom 150");
  EXPECT_TRUE(r.RecordedInOrder(expected)) << ::testing::PrintToString(r.Record());
  EXPECT_TRUE(r.WindowPutBack());
  EXPECT_TRUE(IsAllowedOnAllSites());
  EXPECT_FALSE(r.control->ProtectedMode());

  EXPECT_TRUE(r.control->Logged(">>Internet Explorer Ver : 11"));
  EXPECT_TRUE(r.control->Logged(">>window size width : 900"));
  EXPECT_TRUE(r.control->Logged(">>" + Format(LoadResString(kLogCurrentZoom).c_str(), "150")));
  EXPECT_TRUE(r.control->Logged(">>" + LoadResString(kLogHiddenFrame) + " : [False]"));
  EXPECT_TRUE(r.control->LoggedText(kLogCaptureDone));
  EXPECT_TRUE(r.control->Logged(">>" + Format(LoadResString(kLogZoomRestored).c_str(), "150")));
  EXPECT_FALSE(r.control->LoggedText(kLogScrollCaptureOption));
  const std::string log = SavedLog();
  EXPECT_NE(log.find("[ActiveX::Run] >> "), std::string::npos);
  EXPECT_NE(log.find(LoadResString(kLogRunArguments) + " = [/ws:900|700]"), std::string::npos);
  EXPECT_TRUE(LogEndsWithSaving(log));
}

TEST(RequestDriver, ScrollCaptureWithoutWindowSizeLeavesTheWindowAlone) {
  HostedRequest r(LargePage());
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/scr"), S_OK);
  ASSERT_EQ(r.control->previews, 1);
  EXPECT_EQ(Compare(r.control->picture.get(), 1700, 1300, XYColor), "");
  EXPECT_TRUE(r.control->LoggedText(kLogScrollCaptureOption));
  EXPECT_TRUE(r.control->LoggedText(kLogScrollCapture));
  // No zoom setting: the page is at 100 already. No /ws: neither resized nor allowed on all sites.
  EXPECT_FALSE(r.Recorded("zoom 100"));
  EXPECT_FALSE(r.RecordedStarting("window "));
  EXPECT_FALSE(IsAllowedOnAllSites());
  EXPECT_TRUE(r.WindowPutBack());
  EXPECT_TRUE(dialogs.requests.empty());
}

TEST(RequestDriver, WindowSizeZeroKeepsTheSizeButMovesToTheCorner) {
  {
    HostedRequest r(LargePage());
    EXPECT_EQ(r.Run("/ws:0|0"), S_OK);
    EXPECT_TRUE(r.RecordedInOrder({Format("window 0 0 %ld %ld", r.before.right - r.before.left,
                                          r.before.bottom - r.before.top),
                                   r.WindowLine(r.before)}));
    EXPECT_TRUE(IsAllowedOnAllSites());
  }
  {
    // Not numbers: nothing is resized, the request goes on.
    HostedRequest r(LargePage());
    EXPECT_EQ(r.Run("/ws:wide|700"), S_OK);
    EXPECT_EQ(r.control->previews, 1);
    EXPECT_FALSE(r.RecordedStarting("window "));
    EXPECT_FALSE(IsAllowedOnAllSites());
  }
}

TEST(RequestDriver, FrameNamedByItsPathIsCaptured) {
  const std::string page = std::string(R"(<page width="1000" height="2000" background="#FFFFFF">)") + kControlObject +
                           R"(<iframe name="f" x="40" y="900" width="500" height="400" border="2">
                                <page width="1200" height="1500" pattern="xy"/>
                              </iframe></page>)";
  {
    HostedRequest r(page);
    EXPECT_EQ(r.Run("/fid:f"), S_OK);
    ASSERT_EQ(r.control->previews, 1);
    EXPECT_EQ(Compare(r.control->picture.get(), 1200, 1500, XYColor), "");
    EXPECT_TRUE(r.control->LoggedText(kLogSearchingFrame));
    // The control's element lives in the top document, not in the captured frame.
    EXPECT_FALSE(r.Recorded("removeAttribute #Vantrelle width"));
  }
  {
    HostedRequest r(page);
    EXPECT_EQ(r.Run("/fid:$0/scr"), S_OK);
    ASSERT_EQ(r.control->previews, 1);
    EXPECT_EQ(Compare(r.control->picture.get(), 1200, 1500, XYColor), "");
    EXPECT_TRUE(r.WindowPutBack());
  }
  {
    // No such frame, searched exactly: no document, and the request ends without a picture.
    HostedRequest r(page);
    AnswerScope dialogs;
    EXPECT_EQ(r.Run("/fid:nothing/eff/ws:900|700"), S_OK);
    EXPECT_EQ(r.control->previews, 0);
    EXPECT_TRUE(r.control->Logged(">>" + LoadResString(kLogExactFrameSearch) + " = [True]"));
    EXPECT_TRUE(r.control->LoggedText(kLogNoBody));
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_TRUE(LogEndsWithSaving(SavedLog()));
    // The window sized for the capture is put back although nothing was captured.
    EXPECT_TRUE(r.RecordedInOrder({"window 0 0 900 700", r.WindowLine(r.before)}));
    EXPECT_TRUE(r.WindowPutBack());
  }
  {
    // A window that was not sized is left alone when nothing was captured.
    HostedRequest r(page);
    EXPECT_EQ(r.Run("/fid:nothing/eff"), S_OK);
    EXPECT_TRUE(r.control->LoggedText(kLogNoBody));
    EXPECT_FALSE(r.control->LoggedText(kLogRestoreOldSystem));
    EXPECT_FALSE(r.RecordedStarting("window "));
  }
}

TEST(RequestDriver, DivElementIsCapturedAndAnythingElseMeansThePage) {
  HostedRequest r(LargePage(R"(<div id="pane" x="50" y="60" width="300" height="200" border="3" borderColor="#112233"
                                   overflow="scroll" contentWidth="1000" contentHeight="900">
                                 <div pattern="xy" x="0" y="0" width="1000" height="900"/>
                               </div>)"));
  auto pane = r.Page().Element("pane").As<IDispatch>();
  VARIANT div;
  V_VT(&div) = VT_DISPATCH;
  V_DISPATCH(&div) = pane.get();
  EXPECT_EQ(r.Run("", ElementDispatch(div)), S_OK);
  ASSERT_EQ(r.control->previews, 1);
  EXPECT_EQ(Compare(r.control->picture.get(), 1000, 900, XYColor), "");
  EXPECT_TRUE(r.control->LoggedText(kLogCapturingDiv));
  EXPECT_FALSE(r.control->LoggedText(kLogNoDivElement));

  VARIANT number;
  V_VT(&number) = VT_I4;
  V_I4(&number) = 5;
  EXPECT_EQ(ElementDispatch(number), nullptr);
  EXPECT_EQ(r.Run("", ElementDispatch(number)), S_OK);
  ASSERT_EQ(r.control->previews, 2);
  ASSERT_EQ(Compare(r.control->picture.get(), 1700, 1300, [&](int x, int y) {
              // The pane is part of the page's picture.
              return x >= 50 && x < 356 && y >= 60 && y < 266 ? r.control->picture->Pixel(x, y) : XYColor(x, y);
            }),
            "");
  EXPECT_EQ(r.control->picture->Pixel(50, 60), RGB(0x11, 0x22, 0x33));
}

TEST(RequestDriver, BrowserBelowVersion6EndsWithItsMessage) {
  HostedRequest r(LargePage(), {.version = "5.50.4807.2300"});
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/scr"), S_OK);
  EXPECT_EQ(r.control->previews, 0);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].text, LoadResString(kMsgBrowserVersionTooOld));
  EXPECT_EQ(dialogs.requests[0].caption, "Vantrelle");
  EXPECT_EQ(dialogs.requests[0].flags, static_cast<UINT>(MB_ICONERROR));
  EXPECT_TRUE(r.control->LoggedText(kLogBrowserTooOld));
  EXPECT_TRUE(r.Record().empty());
  EXPECT_TRUE(LogEndsWithSaving(SavedLog()));
}

TEST(RequestDriver, Version7HasNoZoomNorCompatibilityStep) {
  HostedRequest r(LargePage(), {.version = "7.0.6000.16386", .zoomPercent = 150});
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/cmm:yes"), S_OK);
  EXPECT_EQ(r.control->previews, 1);
  EXPECT_TRUE(dialogs.requests.empty());
  EXPECT_FALSE(r.Recorded("zoom 100"));
  EXPECT_FALSE(r.Recorded("refresh"));
  EXPECT_FALSE(r.control->LoggedText(kLogCompatibilityOption));
}

TEST(RequestDriver, CompatibilityViewNewlyOnReloadsThePage) {
  const DialogRequest* question = nullptr;
  {
    // "YES" asks, whatever its letter case; Yes reloads and ends the request.
    HostedRequest r(LargePage(), {.zoomPercent = 125});
    AnswerScope dialogs(IDYES);
    EXPECT_EQ(r.Run("/cmm:YES"), S_OK);
    EXPECT_EQ(r.control->previews, 0);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    question = &dialogs.requests[0];
    EXPECT_EQ(question->text, LoadResString(kMsgAskToChangeCompatibilityView));
    EXPECT_EQ(question->caption, "Vantrelle");
    EXPECT_EQ(question->flags, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
    EXPECT_TRUE(r.RecordedInOrder({"zoom 100", "refresh", "zoom 125"})) << ::testing::PrintToString(r.Record());
    EXPECT_TRUE(r.control->LoggedText(kLogUserAcceptedReload));
    EXPECT_TRUE(r.control->BrowserSettings().IsCompatibilityModeSet());
  }
  {
    HostedRequest r(LargePage());
    AnswerScope dialogs(IDNO);
    EXPECT_EQ(r.Run("/cmm:yes"), S_OK);
    EXPECT_EQ(r.control->previews, 0);
    EXPECT_EQ(dialogs.requests.size(), 1u);
    EXPECT_FALSE(r.Recorded("refresh"));
    EXPECT_TRUE(r.control->LoggedText(kLogUserDeclinedReload));
    // The page's next call finds the view on and captures.
    EXPECT_EQ(r.Run("/cmm:yes"), S_OK);
    EXPECT_EQ(r.control->previews, 1);
    EXPECT_EQ(dialogs.requests.size(), 1u);
    EXPECT_TRUE(r.control->LoggedText(kLogCompatibilityAlreadyOn));
  }
  {
    // Any other answer reloads without asking.
    HostedRequest r(LargePage());
    AnswerScope dialogs(IDNO);
    EXPECT_EQ(r.Run("/cmm:no"), S_OK);
    EXPECT_EQ(r.control->previews, 0);
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_TRUE(r.Recorded("refresh"));
  }
}

TEST(RequestDriver, ProtectedModeTakesTheMutexAndWorksThroughTheElevatedInstance) {
  HostedRequest r(LargePage(), {.zoomPercent = 150, .compatibilityOn = true});
  r.control->integrity = 2;
  ElevationScope elevation;
  AnswerScope dialogs;
  const std::string mutexName = InstanceMutexName(::GetCurrentProcessId());
  bool mutexHeld = false;
  bool otherRefused = false;
  r.control->onPreview = [&](TRequest&) {
    // A second request of this process ends silently: of another control at the mutex, of the
    // same control before it.
    HANDLE other = ::CreateMutexA(nullptr, FALSE, mutexName.c_str());
    mutexHeld = ::GetLastError() == ERROR_ALREADY_EXISTS;
    ::CloseHandle(other);
    auto second = r.AnotherControl();
    second->integrity = 2;
    EXPECT_EQ(second->Run2Request("/scr", nullptr), S_OK);
    EXPECT_EQ(second->previews, 0);
    otherRefused = second->LoggedText(kLogAlreadyRunning);
    EXPECT_EQ(r.control->Run2Request("/scr", nullptr), S_OK);
  };
  EXPECT_EQ(r.Run("/ws:900|700/cmm:yes"), S_OK);
  EXPECT_EQ(r.control->previews, 1);
  EXPECT_TRUE(mutexHeld);
  EXPECT_TRUE(otherRefused);
  EXPECT_TRUE(r.control->ProtectedMode());
  EXPECT_TRUE(r.control->LoggedText(kLogNestedRequestRefused));
  EXPECT_FALSE(r.control->LoggedText(kLogAlreadyRunning));
  EXPECT_TRUE(dialogs.requests.empty());
  EXPECT_EQ(Compare(r.control->picture.get(), 1700, 1300, XYColor), "");

  // The window and the allowed sites through one elevated instance, whose
  // consent prompt the browser's view owns.
  const RECT& b = r.before;
  const std::vector<std::string> calls = {"create",
                                          "MoveIEWindow 0 0 900 700",
                                          "SetAllSiteSetup",
                                          Format("MoveIEWindow %ld %ld %ld %ld", b.left, b.top, b.right - b.left,
                                                 b.bottom - b.top)};
  // The nested request ended before it reached the browser: its calls are none.
  EXPECT_EQ(elevation.calls, calls);
  ASSERT_EQ(elevation.owners.size(), 1u);
  EXPECT_EQ(elevation.owners[0], r.Page().View());
  EXPECT_TRUE(r.RecordedInOrder({"zoom 100", "window 0 0 900 700", r.WindowLine(b), "zoom 150"}));
  EXPECT_TRUE(r.WindowPutBack());
  EXPECT_TRUE(IsAllowedOnAllSites());

  // The request gave the mutex back; a new one runs.
  HANDLE again = ::CreateMutexA(nullptr, FALSE, mutexName.c_str());
  EXPECT_NE(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  ::CloseHandle(again);
  r.control->onPreview = nullptr;
  EXPECT_EQ(r.Run(""), S_OK);
  EXPECT_EQ(r.control->previews, 2);
}

TEST(RequestDriver, ProtectedModeTurnsCompatibilityViewOnThroughTheElevatedInstance) {
  HostedRequest r(LargePage());
  r.control->integrity = 2;
  ElevationScope elevation;
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/cmm:no"), S_OK);
  EXPECT_EQ(r.control->previews, 0);
  EXPECT_EQ(elevation.calls, (std::vector<std::string>{"create", "SetCompatibilityMode"}));
  EXPECT_TRUE(r.control->BrowserSettings().IsCompatibilityModeSet());
  EXPECT_TRUE(r.Recorded("refresh"));
  EXPECT_TRUE(dialogs.requests.empty());
}

TEST(RequestDriver, ProtectedModeGoesOnWhenElevationIsRefused) {
  HostedRequest r(LargePage());
  r.control->integrity = 1;
  ElevationScope elevation(true);
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/ws:900|700/cmm:yes"), S_OK);
  // Compatibility view counts as on; the window is neither resized nor restored by anyone.
  EXPECT_EQ(r.control->previews, 1);
  EXPECT_TRUE(dialogs.requests.empty());
  EXPECT_TRUE(r.control->LoggedText(kLogCompatibilityAlreadyOn));
  EXPECT_FALSE(r.control->BrowserSettings().IsCompatibilityModeSet());
  EXPECT_FALSE(r.Recorded("window 0 0 900 700"));
  EXPECT_FALSE(IsAllowedOnAllSites());
  // The person who refused is not asked again: neither for the window size nor to put back a
  // window that was never moved.
  EXPECT_EQ(elevation.calls, std::vector<std::string>{"create"});
  EXPECT_TRUE(r.WindowPutBack());
}

TEST(RequestDriver, ProtectedModeScrollCaptureWithoutWindowSizeAsksForNoElevation) {
  // The window is never moved, so there is nothing to put back and no consent to ask for.
  HostedRequest r(LargePage());
  r.control->integrity = 2;
  ElevationScope elevation;
  EXPECT_EQ(r.Run("/scr"), S_OK);
  EXPECT_EQ(r.control->previews, 1);
  EXPECT_TRUE(elevation.calls.empty()) << ::testing::PrintToString(elevation.calls);
  EXPECT_FALSE(r.RecordedStarting("window "));
}

TEST(RequestDriver, AFailureWhileSizingTheWindowLeavesTheRequestToGoOn) {
  HostedRequest r(LargePage());
  r.control->integrity = 2;
  ElevationScope elevation(false, "SetAllSiteSetup");
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/ws:900|700"), S_OK);
  EXPECT_EQ(r.control->previews, 1);
  EXPECT_TRUE(r.WindowPutBack());
  EXPECT_TRUE(dialogs.requests.empty());
}

TEST(RequestDriver, AnotherRequestHoldingTheMutexEndsThisOneSilently) {
  HostedRequest r(LargePage());
  r.control->integrity = 2;
  HANDLE held = ::CreateMutexA(nullptr, TRUE, InstanceMutexName(::GetCurrentProcessId()).c_str());
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/scr"), S_OK);
  EXPECT_EQ(r.control->previews, 0);
  EXPECT_TRUE(dialogs.requests.empty());
  EXPECT_TRUE(r.Record().empty());
  EXPECT_TRUE(LogEndsWithSaving(SavedLog()));
  ::CloseHandle(held);
}

TEST(RequestDriver, FailedCaptureEndsWithItsMessageAndTheWindowPutBack) {
  // However the capture fails, the request shows why, puts the browser back and ends normally.
  const std::string tallPage = R"(<page width="1700" height="1500000" url="http://site.test/p.html">)" +
                               std::string(kControlObject) + "</page>";
  const struct {
    const char* what;
    std::string page;
    const char* element;  // captured instead of the page
    bool noTempFolder;    // the tile file has nowhere to go
    std::string logged;   // the reason the log gives
  } cases[] = {
      {"a border wider than the element",
       LargePage(R"(<div id="thin" x="10" y="100" width="10" height="10" border="8"/>)"), "thin", false, ""},
      {"too large for a tile file", tallPage, nullptr, false, "too large for a tile file]"},
      {"a view of no size", LargePage(R"(<div id="none" x="10" y="100" width="0" height="0"/>)"), "none", false,
       "The view to capture is 0 x 0 pixels]"},
      {"the tile file cannot be written", LargePage(), nullptr, true, "Cannot create a temporary file"},
  };
  for (const auto& c : cases) {
    HostedRequest r(c.page, {.zoomPercent = 150});
    AnswerScope dialogs;
    std::optional<PrivateTempFolder> noTemp;
    if (c.noTempFolder) RemoveTree(noTemp.emplace().path());
    const ComPtr<IDispatch> element = c.element ? r.Page().Element(c.element).As<IDispatch>() : ComPtr<IDispatch>();
    HRESULT result = E_FAIL;
    EXPECT_NO_THROW(result = r.Run("/ws:900|700", element.get())) << c.what;
    EXPECT_EQ(result, S_OK) << c.what;
    EXPECT_EQ(r.control->previews, 0) << c.what;
    EXPECT_EQ(dialogs.requests.size(), 1u) << c.what;
    for (const DialogRequest& shown : dialogs.requests) {
      EXPECT_EQ(shown.text, LoadResString(kMsgPageTooLargeToPrint));
      EXPECT_EQ(shown.caption, "Vantrelle");
      EXPECT_EQ(shown.flags, static_cast<UINT>(MB_ICONEXCLAMATION | MB_TASKMODAL));
    }
    EXPECT_TRUE(r.control->LoggedText(kLogCaptureFailed)) << c.what;
    if (!c.logged.empty()) {
      const auto& lines = r.control->RequestLog().Lines();
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find(LoadResString(kLogError) + " = [") != l.npos && l.find(c.logged) != l.npos;
      })) << c.what;
    }
    EXPECT_TRUE(r.RecordedInOrder({"zoom 100", "window 0 0 900 700", "setCapture HTML", r.WindowLine(r.before),
                                   "releaseCapture HTML", "zoom 150"}))
        << c.what;
    EXPECT_TRUE(r.WindowPutBack()) << c.what;
    EXPECT_TRUE(::IsWindowEnabled(r.Frame())) << c.what;
  }
}

TEST(RequestDriver, AnErrorAfterTheCaptureIsRaisedAfterTheCleanUp) {
  HostedRequest r(LargePage(), {.zoomPercent = 150});
  EXPECT_EQ(r.Run(""), S_OK);
  r.control->onPreview = [](TRequest&) { throw Error("preview failed"); };
  // /log starts the log afresh.
  EXPECT_THROW(r.Run("/log"), Error);
  EXPECT_TRUE(r.RecordedInOrder({"zoom 100", "zoom 150", "zoom 100", "zoom 150"}));
  const auto& lines = r.control->RequestLog().Lines();
  ASSERT_FALSE(lines.empty());
  const std::string started = ">>Vantrelle" + LoadResString(kLogRunStarted);
  EXPECT_NE(lines[0].find(started), std::string::npos);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.find(started) != std::string::npos; }),
            1);
  EXPECT_TRUE(LogEndsWithSaving(SavedLog()));
}

TEST(RequestPreview, AManualBreakThatIsNoNumberEndsTheRequestWithItsError) {
  HostedRequest r(LargePage());
  r.control->realPreview = true;
  EXPECT_THROW(r.Run("/pbm:100,x|50|400"), ConversionError);
  EXPECT_EQ(r.control->shows, 0);
  const auto& lines = r.control->RequestLog().Lines();
  const auto failed = std::find_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.find(">> >> PageBreak Error") != l.npos; });
  ASSERT_NE(failed, lines.end());
  // Logged before the clean-up, which still runs to its end.
  EXPECT_TRUE(std::any_of(failed, lines.end(), [](const std::string& l) {
    return l.find(LoadResString(kLogFreeingUrlImages)) != l.npos;
  }));
  EXPECT_TRUE(LogEndsWithSaving(SavedLog()));
}

TEST(RequestDriver, HiddenFrameIsOpenedForTheCaptureAndClosedAgain) {
  HostedRequest r(std::string(R"(<page width="1000" height="2000" background="#FFFFFF">)") + kControlObject +
                  R"(<iframe name="f" x="40" y="900" width="0" height="0">
                       <page width="600" height="500" pattern="xy" mode="5"/>
                     </iframe></page>)");
  AnswerScope dialogs;
  EXPECT_EQ(r.Run("/fid:f"), S_OK);
  EXPECT_TRUE(r.control->Logged(">>" + LoadResString(kLogHiddenFrame) + " : [True]"));
  EXPECT_TRUE(r.RecordedInOrder({"resizeTo f 800 100", "resizeTo f 0 0"})) << ::testing::PrintToString(r.Record());
  ASSERT_EQ(r.control->previews, 1) << ::testing::PrintToString(r.control->RequestLog().Lines());
  // Captured at the opened width: the frame's view less its scroll bar, the page at its left.
  const TBitmap& picture = *r.control->picture;
  EXPECT_EQ(picture.Width(), 800 - 17);
  EXPECT_EQ(picture.Height(), 500);
  EXPECT_EQ(FirstMismatch(picture, 0, 0, 600, 500, XYColor), "");
  EXPECT_TRUE(dialogs.requests.empty());
}

namespace {

// A window that counts the close messages it is sent and stays open.
class CloseCounter {
public:
  CloseCounter() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "VtCloseCounter";
    ::RegisterClassA(&wc);
    wnd = ::CreateWindowA("VtCloseCounter", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~CloseCounter() { ::DestroyWindow(wnd); }
  CloseCounter(const CloseCounter&) = delete;
  CloseCounter& operator=(const CloseCounter&) = delete;
  HWND wnd = nullptr;
  static inline int closes = 0;

private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_CLOSE) {
      ++closes;
      return 0;
    }
    return ::DefWindowProcA(w, m, wp, lp);
  }
};

size_t PreviewDialogs(const DialogRecorder& dialogs) {
  return std::count_if(dialogs.requests.begin(), dialogs.requests.end(),
                       [](const DialogRequest& d) { return d.name == "TfmPreviewForm"; });
}

// The local paths of the setting's images, as the download lines of the log name them.
std::vector<std::string> LoggedImageFiles(const TRequestLog& log) {
  std::vector<std::string> files;
  for (const std::string& line : log.Lines()) {
    const size_t end = line.rfind("] Download");
    const size_t start = line.rfind("Image [", end);
    if (end != std::string::npos && start != std::string::npos) files.push_back(line.substr(start + 7, end - start - 7));
  }
  return files;
}

// The local path of the setting downloaded from `url`, as its download line names it.
std::string LoggedSettingFile(const TRequestLog& log, const std::string& url) {
  const std::string line = Format(LoadResString(kLogDownloadingFormFile).c_str(), url.c_str(), "\x01");
  const std::string head = line.substr(0, line.find('\x01')), tail = line.substr(line.find('\x01') + 1);
  for (const std::string& l : log.Lines()) {
    const size_t at = l.find(head);
    if (at != std::string::npos && l.size() >= at + head.size() + tail.size())
      return l.substr(at + head.size(), l.size() - tail.size() - at - head.size());
  }
  return {};
}

}  // namespace

TEST(RequestPreview, SwitchesReachThePreviewWithBreaksAtThePageBreakElements) {
  HostedRequest r(LargePage(R"(<PAGEBREAK id="pb1" x="0" y="400" width="600" height="2"/>
                              <PAGEBREAK id="pb2" x="0" y="900" width="600" height="2"/>)"));
  r.control->realPreview = true;
  DialogRecorder dialogs;
  // /pb wins over /pbm; /ps, /hc, /vc, /hu and /vs go to the window.
  EXPECT_EQ(r.Run("/pb/pbm:100|50|400||0/sp:0/po:1/ps:2/hc/vc/vs:640|480/hu:'http://help.test/h.html'"), S_OK);
  ASSERT_EQ(r.control->shows, 1) << ::testing::PrintToString(r.control->RequestLog().Lines());
  EXPECT_EQ(PreviewDialogs(dialogs), 1u);
  const TPreviewRequest& p = r.control->shown;
  EXPECT_EQ(r.control->shownBreaks, (std::vector<int32_t>{400, 900}));
  EXPECT_FALSE(r.control->shownLandscape);
  EXPECT_EQ(p.fitMode, fitToHeight);
  EXPECT_TRUE(p.centerHorz);
  EXPECT_TRUE(p.centerVert);
  EXPECT_EQ(p.printWithoutPreview, 0);
  EXPECT_FALSE(p.modal);
  EXPECT_EQ(p.fitWindow, 0);
  EXPECT_EQ(p.helpUrl, "http://help.test/h.html");
  EXPECT_EQ(p.log, static_cast<const ILogSink*>(&r.control->RequestLog())) << "a refused help address is logged";
  EXPECT_EQ(p.settingImages, nullptr);
  EXPECT_TRUE(::EqualRect(&p.captureRect, std::make_unique<RECT>(RECT{0, 0, 1700, 1300}).get()));
  EXPECT_EQ(Compare(r.control->shownPicture.get(), 1700, 1300, XYColor), "");
  EXPECT_EQ(r.control->shownCaption, "Vantrelle");
  EXPECT_EQ(TPrinter::Current().Title(), "Vantrelle");
  EXPECT_EQ(r.control->shownStatus, "     site.test");
  EXPECT_EQ(p.siteHost, "site.test");
  EXPECT_FALSE(r.control->shownMaximized);
  const RECT& b = r.control->shownBounds;
  EXPECT_EQ(b.right - b.left, 640);
  EXPECT_EQ(b.bottom - b.top, 480);
  EXPECT_EQ(b.left, (::GetSystemMetrics(SM_CXSCREEN) - 640) / 2);
  EXPECT_EQ(TPrinter::Current().Orientation(), TPrinter::poLandscape);
  TPrinter::Current().SetOrientation(TPrinter::poPortrait);
  EXPECT_TRUE(r.control->Logged(">>" + LoadResString(kLogHelpAddress) + "http://help.test/h.html"));
  EXPECT_TRUE(r.control->LoggedText(kLogFreeingPreview));
  EXPECT_TRUE(::IsWindowEnabled(r.Frame()));
  EXPECT_TRUE(LogEndsWithSaving(SavedLog()));
}

TEST(RequestPreview, ManualBreaksClippingAndDefaults) {
  HostedRequest r(LargePage());
  r.control->realPreview = true;
  DialogRecorder dialogs;
  EXPECT_EQ(r.Run("/pbm:100,200|50|400|300|0/cr:10|20|30|40/sp:5/ps:7/vr:100|100|50|50/po:2"), S_OK);
  ASSERT_EQ(r.control->shows, 1) << ::testing::PrintToString(r.control->RequestLog().Lines());
  const TPreviewRequest& p = r.control->shown;
  EXPECT_EQ(r.control->shownBreaks, (std::vector<int32_t>{100, 200, 250, 300, 350, 400}));
  EXPECT_EQ(r.control->shownLandscape, (std::vector<int32_t>{300}));
  EXPECT_TRUE(r.control->faceUpToDateAtShow);  // lines of every writer, "Test::" ones included
  EXPECT_TRUE(r.control->LoggedText(kLogInvalidPreviewOption));
  EXPECT_EQ(p.printWithoutPreview, 0);
  EXPECT_TRUE(r.control->LoggedText(kLogFitModeOutOfRange));
  EXPECT_EQ(p.fitMode, fitRealSize);
  EXPECT_FALSE(p.centerHorz);
  EXPECT_EQ(p.helpUrl, LoadResString(kDefaultHelpUrl));
  // Margins cut off: the preview gets the rest of the page, re-tiled.
  EXPECT_EQ(p.captureRect.right, 1660);
  EXPECT_EQ(p.captureRect.bottom, 1240);
  EXPECT_EQ(Compare(r.control->shownPicture.get(), 1660, 1240, [](int x, int y) { return XYColor(x + 10, y + 20); }),
            "");
  // The /vr rectangle is refused and nothing else sizes the window: 80 % of the screen.
  EXPECT_TRUE(r.control->LoggedText(kLogPreviewMaximized));
  EXPECT_TRUE(r.control->shownMaximized);
  const RECT& b = r.control->shownBounds;
  EXPECT_EQ(b.right - b.left, static_cast<int>(std::nearbyint(::GetSystemMetrics(SM_CXSCREEN) * 0.8)));
  // Wider than tall: landscape.
  EXPECT_EQ(TPrinter::Current().Orientation(), TPrinter::poLandscape);
  TPrinter::Current().SetOrientation(TPrinter::poPortrait);
}

TEST(RequestPreview, ClippingMarginsCutOrAddWhiteUpToTwiceThePicture) {
  HostedRequest r(LargePage());
  r.control->realPreview = true;
  DialogRecorder dialogs;
  const COLORREF white = RGB(255, 255, 255);
  const struct {
    const char* params;
    bool nothingLeft;
    int left, top, width, height;  // of the picture shown, in the capture's pixels
  } cases[] = {
      {"/cr:0|0|0|0", false, 0, 0, 1700, 1300},
      {"/cr:10|0|-10|0", false, 0, 0, 1700, 1300},  // shifted at full size: not cut
      {"/cr:-20|-10|-30|5", false, -20, -10, 1750, 1305},
      {"/cr:-30000|-30000|-30000|-30000", false, -850, -650, 3400, 2600},
      {"/cr:-30000|0|-10000|-2147483648", false, -1275, 0, 3400, 2600},  // white shared out 3 : 1
      {"/cr:-2147483648|0|100|0", false, -1700, 0, 3300, 1300},          // a cut at the other end stays
      {"/cr:0|0|1700|0", true, 0, 0, 0, 0},
      {"/cr:2147483647|0|-2147483648|0", true, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const int shows = r.control->shows;
    dialogs.requests.clear();
    EXPECT_EQ(r.Run(c.params), S_OK) << c.params;
    if (c.nothingLeft) {
      EXPECT_EQ(r.control->shows, shows) << c.params;
      ASSERT_EQ(dialogs.requests.size(), 1u) << c.params;
      EXPECT_EQ(dialogs.requests[0].text, LoadResString(kMsgNothingToPrintAfterClipping));
      EXPECT_EQ(dialogs.requests[0].caption, "Vantrelle");
      continue;
    }
    ASSERT_EQ(r.control->shows, shows + 1) << c.params;
    EXPECT_EQ(Compare(r.control->shownPicture.get(), c.width, c.height,
                      [&](int x, int y) {
                        const int u = x + c.left, v = y + c.top;
                        return u >= 0 && u < 1700 && v >= 0 && v < 1300 ? XYColor(u, v) : white;
                      }),
              "")
        << c.params;
  }
  EXPECT_TRUE(LogEndsWithSaving(SavedLog()));
}

TEST(RequestPreview, AViewThatFailsToDrawAfterANarrowTileLosesNothingElse) {
  // Views of 783 x 583; the fourth, at column 0 of the second row, fails to draw just after the
  // narrow last column's: its place is white, and nothing of another view shows there.
  auto captured = [](int x, int y) { return x < 783 && y >= 583 && y < 1166 ? RGB(255, 255, 255) : XYColor(x, y); };
  const struct {
    const char* params;
    int left, top, width, height;  // of the picture shown, in the capture's pixels
  } cases[] = {{"", 0, 0, 1700, 1300}, {"/cr:10|20|30|40", 10, 20, 1660, 1240}};
  for (const auto& c : cases) {
    HostedRequest r(LargePage("", R"(failDraws="4")"));
    r.control->realPreview = true;
    DialogRecorder dialogs;
    EXPECT_EQ(r.Run(c.params), S_OK) << c.params;
    ASSERT_EQ(r.control->shows, 1) << c.params << ": " << (dialogs.requests.empty() ? "" : dialogs.requests[0].text);
    EXPECT_EQ(Compare(r.control->shownPicture.get(), c.width, c.height,
                      [&](int x, int y) { return captured(x + c.left, y + c.top); }),
              "")
        << c.params;
    EXPECT_EQ(dialogs.requests.size(), PreviewDialogs(dialogs)) << c.params;  // no message
    EXPECT_TRUE(r.control->Logged("View 3 at 0, 583 could not be drawn : 0x80004005")) << c.params;
  }
}

TEST(RequestPreview, PreviewPlaceIsTakenWhenItsSizeIsPositiveHoweverLargeTheNumbers) {
  HostedRequest r(SmallPage());
  r.control->realPreview = true;
  DialogRecorder dialogs;
  const std::pair<const char*, bool> cases[] = {
      {"/vr:100|100|50|50", false},
      {"/vr:100|100|300|200", true},
      {"/vr:-2000000000|10|2000000000|400", true},
      {"/vr:2000000000|10|-2000000000|400", false},
      {"/vr:0|-2147483648|600|2147483647", true},
  };
  for (const auto& [params, taken] : cases) {
    EXPECT_EQ(r.Run(std::string("/log") + params), S_OK) << params;
    EXPECT_EQ(r.control->LoggedText(kLogPreviewMaximized), !taken) << params;
  }
}

TEST(RequestPreview, SettingAndImagesAreDownloadedShownAndDeleted) {
  TempDir dir;
  const std::string gifA = dir.file("a.gif"), gifB = dir.file("b.gif");
  WriteGif(gifA, SolidGif(30, 10, RGB(200, 10, 10)));
  WriteGif(gifB, SolidGif(12, 12, RGB(10, 10, 200)));
  HttpTestServer server;
  server.Set("/a.gif", {200, ReadFileBytes(gifA), ""});
  server.Set("/b.gif", {200, ReadFileBytes(gifB), ""});
  server.Set("/bad.gif", {200, "not a picture", ""});
  server.Set("/late.gif", {200, ReadFileBytes(gifB), ""});
  server.Set("/setting.xml", {200, "<?xml version=\"1.0\"?><setting><imgurls><logo>" + server.Url("/a.gif") +
                                       "</logo><mark>" + server.Url("/b.gif") + "</mark><bad>" +
                                       server.Url("/bad.gif") + "</bad><late>" + server.Url("/late.gif") +
                                       "</late></imgurls><top/></setting>", "", HttpTestServer::Pace::whole, "-"});  // up to the close
  HostedRequest r(LargePage());
  r.control->realPreview = true;
  DialogRecorder dialogs;
  std::string settingFile;
  bool settingThere = false;
  r.control->onShow = [&](TfmPreviewForm&) {
    settingFile = LoggedSettingFile(r.control->RequestLog(), server.Url("/setting.xml"));
    settingThere = FileExists(settingFile);
  };
  EXPECT_EQ(r.Run("/ff:'" + server.Url("/setting.xml") + "'|Page of Ann"), S_OK);
  ASSERT_EQ(r.control->shows, 1) << ::testing::PrintToString(r.control->RequestLog().Lines());
  const TPreviewRequest& p = r.control->shown;
  EXPECT_TRUE(settingThere);
  EXPECT_EQ(p.userStr, "Page of Ann");
  EXPECT_FALSE(p.ownsSettingImages);
  // Images up to the one that is no GIF; it and those after it stay empty.
  EXPECT_EQ(r.control->shownImages, (std::vector<std::pair<std::string, int>>{
                                        {"logo", 30}, {"mark", 12}, {"bad", 0}, {"late", 0}}));
  EXPECT_EQ(r.control->firstImagePixel, RGB(200, 10, 10));
  const auto lines = server.RequestLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("late") != l.npos; }), 0);

  // Every downloaded file is gone, each with its line.
  const std::vector<std::string> images = LoggedImageFiles(r.control->RequestLog());
  ASSERT_EQ(images.size(), 3u);
  EXPECT_FALSE(FileExists(settingFile));
  EXPECT_TRUE(r.control->Logged(">>" + Format(LoadResString(kLogDeletingFile).c_str(), 0, settingFile.c_str())));
  for (size_t i = 0; i < images.size(); ++i) {
    EXPECT_FALSE(FileExists(images[i])) << images[i];
    EXPECT_TRUE(r.control->Logged(">>" + Format(LoadResString(kLogDeletingFile).c_str(), static_cast<int>(i + 1),
                                                images[i].c_str())));
  }
}

TEST(RequestPreview, SettingThatCannotBeDownloadedLeavesNoFileBehind) {
  HttpTestServer server;
  server.Set("/setting.xml", {200, "<?xml version=\"1.0\"?><setting><imgurls><logo>" + server.Url("/gone.gif") +
                                       "</logo></imgurls></setting>", ""});
  HostedRequest r(LargePage());
  r.control->realPreview = true;
  DialogRecorder dialogs;
  // The setting is there, its image is not: no header or footer, and no file left.
  EXPECT_EQ(r.Run("/ff:'" + server.Url("/setting.xml") + "'"), S_OK);
  ASSERT_EQ(r.control->shows, 1);
  EXPECT_EQ(r.control->shown.settingImages, nullptr);
  const std::vector<std::string> images = LoggedImageFiles(r.control->RequestLog());
  ASSERT_EQ(images.size(), 1u);
  EXPECT_FALSE(FileExists(images[0]));
  // A setting that is not there at all.
  EXPECT_EQ(r.Run("/ff:'" + server.Url("/missing.xml") + "'"), S_OK);
  ASSERT_EQ(r.control->shows, 2);
  EXPECT_EQ(r.control->shown.settingImages, nullptr);
  // An image without a Content-Length, which a reset could have cut short unnoticed.
  TempDir dir;
  WriteGif(dir.file("open.gif"), SolidGif(12, 12, RGB(10, 10, 200)));
  server.Set("/open.gif", {200, ReadFileBytes(dir.file("open.gif")), "", HttpTestServer::Pace::whole, "-"});
  server.Set("/open.xml", {200, "<setting><imgurls><logo>" + server.Url("/open.gif") + "</logo></imgurls></setting>"});
  EXPECT_EQ(r.Run("/ff:'" + server.Url("/open.xml") + "'"), S_OK);
  ASSERT_EQ(r.control->shows, 3);
  EXPECT_EQ(r.control->shown.settingImages, nullptr);
  EXPECT_EQ(server.CountRequests("/open.gif"), 1u);
}

// A 16 x 16 icon file of one colour.
std::string IconFile() {
  const int size = 16, colourBytes = size * size * 4, maskBytes = size * 4;
  std::string ico("\0\0\1\0\1\0", 6);
  auto add32 = [&](uint32_t v) { ico.append(reinterpret_cast<const char*>(&v), 4); };
  ico += std::string{static_cast<char>(size), static_cast<char>(size), 0, 0, 1, 0, 32, 0};
  add32(40 + colourBytes + maskBytes);
  add32(22);
  BITMAPINFOHEADER header{sizeof(header), size, size * 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  ico.append(reinterpret_cast<const char*>(&header), sizeof(header));
  for (int i = 0; i < size * size; ++i) add32(0xFF2080C0);
  return ico + std::string(maskBytes, '\0');
}

// An icon file of one PNG picture of `size` x `size` pixels, all transparent.
std::string PngIconFile(uint32_t size) {
  auto be32 = [](uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  auto chunk = [&](const std::string& type, const std::string& data) {
    const std::string body = type + data;
    return be32(static_cast<uint32_t>(data.size())) + body +
           be32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
  };
  const std::string rows(size * (1 + size * 4), '\0');
  std::string packed(compressBound(static_cast<uLong>(rows.size())), '\0');
  uLongf packedSize = static_cast<uLongf>(packed.size());
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
            static_cast<uLong>(rows.size()), 9);
  packed.resize(packedSize);
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", be32(size) + be32(size) + std::string("\x08\x06\0\0\0", 5)) +
                          chunk("IDAT", packed) + chunk("IEND", "");
  std::string ico("\0\0\1\0\1\0", 6);
  const char side = size < 256 ? static_cast<char>(size) : '\0';
  ico += std::string{side, side, 0, 0, 1, 0, 32, 0};
  const uint32_t bytes = static_cast<uint32_t>(png.size()), offset = 22;
  ico.append(reinterpret_cast<const char*>(&bytes), 4).append(reinterpret_cast<const char*>(&offset), 4);
  return ico + png;
}

// The package's icon shows on the preview and is destroyed with the request; an icon that the
// package names outside its folder is not loaded, nor one whose picture is larger than an icon
// (the platform would decode it whole before scaling it down).
TEST(RequestPreview, PackageIconComesFromItsFolderAndGoesWithTheRequest) {
  // The package cache beside the request log, in the temporary folder.
  const std::string log = TRequestLog::FilePath();
  const std::string root = log.substr(0, log.rfind('\\')) + "\\Vantrelle", site = root + "\\site.test";
  ::CreateDirectoryA(root.c_str(), nullptr);
  WriteFileBytes(root + "\\outside.ico", IconFile());
  HttpTestServer server;
  const std::pair<std::string, bool> icons[] = {
      {"app.ico", true}, {"..\\outside.ico", false}, {"png.ico", true}, {"huge.ico", false}, {"index.ini", false}};
  for (const auto& [iconFile, shown] : icons) {
    SCOPED_TRACE(iconFile);
    RemoveTree(site);
    server.Set("/skin.zip", {200,
                             MakeZip({{"index.ini", "[INFO]\r\nTITLE=Shop\r\n[ICON]\r\nICONFILE=" + iconFile + "\r\n"},
                                      {"app.ico", IconFile()},
                                      {"png.ico", PngIconFile(48)},
                                      {"huge.ico", PngIconFile(2048)}}),
                             "Last-Modified: Wed, 02 Dec 2026 10:20:30 GMT\r\n"});
    HostedRequest r(LargePage());
    r.control->realPreview = true;
    DialogRecorder dialogs;
    HICON icon = nullptr;
    r.control->onShow = [&](TfmPreviewForm& form) {
      icon = reinterpret_cast<HICON>(::SendMessageA(form.Handle(), WM_GETICON, ICON_BIG, 0));
    };
    EXPECT_EQ(r.Run("/imgs:'" + server.Url("/skin.zip") + "'"), S_OK);
    ASSERT_EQ(r.control->shows, 1);
    EXPECT_EQ(r.control->shownCaption, "Shop");
    EXPECT_EQ(icon != nullptr, shown);
    ICONINFO info;
    if (icon) {
      EXPECT_FALSE(::GetIconInfo(icon, &info)) << "the icon outlived its request";
    }
  }
  RemoveTree(site);
  ::DeleteFileA((root + "\\outside.ico").c_str());
}

// A package of about 60 KB whose settings name one picture of 21 million pixels (a BMP of 63 MB)
// for every key: each key's picture is refused from its header before anything is decoded, every
// control keeps its built-in picture, and the request log says which.
TEST(RequestPreview, APackagesPictureTooLargeForTheSkinIsRefusedFromItsHeader) {
  const std::string log = TRequestLog::FilePath();
  const std::string site = log.substr(0, log.rfind('\\')) + "\\Vantrelle\\site.test";
  RemoveTree(site);
  const int width = 5000, height = 4200;
  std::string bmp(TBitmap::kFormHeaderBytes, '\0');
  TBitmap::PutFormHeaders(reinterpret_cast<uint8_t*>(&bmp[0]), width, height);
  bmp.resize(bmp.size() + static_cast<size_t>(TBitmap::StrideFor(width)) * height, '\0');
  std::string ini = "[COMMON]\r\nZOOM_BAR=all.bmp\r\nBACK_IMG=all.bmp\r\n";
  for (const char* key : {"ZOOM_OUT", "ZOOM_IN", "WEB_HELP"}) ini += Format("UP_%s=all.bmp\r\nDOWN_%s=all.bmp\r\n", key, key);
  for (const char* section : {"ENG", "JPN", "KOR"}) {
    ini += Format("[%s]\r\n", section);
    for (const char* key : {"PAGE_SETTING", "SAVE_FILE", "SELECT_AREA", "PRINT_RUN", "PRINT_PREVIEW"})
      ini += Format("UP_%s=all.bmp\r\nDOWN_%s=all.bmp\r\n", key, key);
  }
  HttpTestServer server;
  const std::string zip = MakeZip({{"index.ini", ini}, {"all.bmp", bmp}});
  ASSERT_LT(zip.size(), 100000u);
  server.Set("/skin.zip", {200, zip, "Last-Modified: Wed, 02 Dec 2026 10:20:30 GMT\r\n"});
  HostedRequest r(LargePage());
  r.control->realPreview = true;
  DialogRecorder dialogs;
  std::vector<int> widths;
  r.control->onShow = [&](TfmPreviewForm& form) {
    TPreviewToolBar& bar = form.ToolBar();
    for (TWindow* control : std::initializer_list<TWindow*>{&bar.ZoomIn(), &bar.ZoomBar(), &bar.ZoomOut(),
                                                           &bar.PageSetupBtn(), &bar.SaveBtn(), &bar.SelectBtn(),
                                                           &bar.PreviewBtn(), &bar.PrintBtn(), &bar.HelpBtn()})
      widths.push_back(control->Width());
  };
  EXPECT_EQ(r.Run("/imgs:'" + server.Url("/skin.zip") + "'"), S_OK);
  ASSERT_EQ(r.control->shows, 1);
  ASSERT_EQ(widths.size(), 9u);
  for (int w : widths) EXPECT_LT(w, 200) << "a built-in picture";
  const auto& lines = r.control->RequestLog().Lines();
  const std::string named = Format("all.bmp (%d x %d)", width, height);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.rfind("[Skin] >> ", 0) == 0 && l.find(named) != l.npos; }),
            10)
      << "eight pairs and two single pictures";
  RemoveTree(site);
}

// A package of under 400 KB whose settings name one progressive JPEG of 2048 x 2048 pixels (inside
// the skin's pixels) made of 20,000 scans: its decoding stops past the scans of a real picture, the
// preview and its all-pages preview keep their built-in pictures, and the request log says which.
// A real progressive picture is used.
TEST(RequestPreview, ASkinJpegOfMoreScansThanARealOneIsRefusedWhileItDecodes) {
  const std::string log = TRequestLog::FilePath();
  const std::string site = log.substr(0, log.rfind('\\')) + "\\Vantrelle\\site.test";
  TBitmap builtin;
  LoadBuiltinImage("TOOL_ZOOM_BAR", builtin);
  const std::string refused = Format("more than %d scans", kMaxJpegScans);
  const struct { const char* what; std::string jpeg; int barWidth; long refusals; } cases[] = {
      {"20,000 scans", ProgressiveJpeg(2048, 2048, 20000), builtin.Width(), 2},
      {"a real progressive picture", ProgressiveJpeg(120, 49, 10), 120, 0},
  };
  HttpTestServer server;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(site);
    server.Set("/skin.zip", {200, MakeZip({{"index.ini", "[COMMON]\r\nZOOM_BAR=bar.jpg\r\nBACK_IMG=bar.jpg\r\n"},
                                          {"bar.jpg", c.jpeg}}),
                             "Last-Modified: Wed, 02 Dec 2026 10:20:30 GMT\r\n"});
    HostedRequest r(LargePage());
    r.control->realPreview = true;
    DialogRecorder dialogs;
    int barWidth = 0;
    std::chrono::duration<double> skinned{};
    r.control->onShow = [&](TfmPreviewForm& form) {
      barWidth = form.ToolBar().ZoomBar().Width();
      const auto start = std::chrono::steady_clock::now();
      form.OpenPrintPreview();  // applies the skin again, then is answered through the seam
      skinned = std::chrono::steady_clock::now() - start;
    };
    EXPECT_EQ(r.Run("/imgs:'" + server.Url("/skin.zip") + "'"), S_OK);
    ASSERT_EQ(r.control->shows, 1);
    EXPECT_EQ(dialogs.Named("TfmPrintPreview").size(), 1u);
    EXPECT_EQ(barWidth, c.barWidth);
    const auto& lines = r.control->RequestLog().Lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& l) {
                              return l.rfind("[Skin] >> ", 0) == 0 && l.find(refused) != l.npos &&
                                     l.find("bar.jpg") != l.npos;
                            }),
              c.refusals)
        << "once for each window";
    std::printf("%s: the all-pages preview opened with the skin in %.3f s\n", c.what, skinned.count());
  }
  RemoveTree(site);
}

TEST(RequestPreview, ProtectedModeLoopEndsOnACloseMessageThatIsPostedAgain) {
  HostedRequest r(LargePage());
  r.control->integrity = 2;
  r.control->realPreview = true;
  ElevationScope elevation;
  DialogRecorder dialogs;
  CloseCounter target;
  CloseCounter::closes = 0;
  r.control->onShow = [&](TfmPreviewForm&) { ::PostMessageA(target.wnd, WM_CLOSE, 7, 9); };
  EXPECT_EQ(r.Run(""), S_OK);
  ASSERT_EQ(r.control->shows, 1);
  EXPECT_TRUE(r.control->shown.modal);
  EXPECT_TRUE(r.control->ProtectedMode());
  // Seen by the hook, dispatched as usual, and waiting once more in the queue.
  EXPECT_EQ(CloseCounter::closes, 1);
  const auto& lines = r.control->RequestLog().Lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("[ActiveX::AppOnMessage] >> ", 0) == 0 && l.find(LoadResString(kLogCloseMessage)) != l.npos;
  }));
  EXPECT_TRUE(r.control->LoggedText(kLogProtectedModeLoop));
  EXPECT_TRUE(r.control->LoggedText(kLogRepostingQuit));
  MSG msg;
  ASSERT_TRUE(::PeekMessageA(&msg, target.wnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(msg.lParam, 9);
  EXPECT_FALSE(::PeekMessageA(&msg, target.wnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  EXPECT_TRUE(::IsWindowEnabled(r.Frame()));
}

TEST(RequestPreview, EveryControlOnAThreadKeepsItsOwnMessageHook) {
  HostedRequest r(SmallPage());
  ElevationScope elevation;
  DialogRecorder dialogs;
  auto second = r.AnotherControl();
  for (TDriverControl* control : {r.control.get(), second.get()}) {
    control->integrity = 2;
    control->realPreview = true;
    EXPECT_EQ(control->Run2Request("", nullptr), S_OK);  // a protected-mode request hooks its control
  }
  auto closesSeen = [](const TDriverControl& c) {
    const auto& lines = c.RequestLog().Lines();
    return std::count_if(lines.begin(), lines.end(),
                         [](const std::string& l) { return l.rfind("[ActiveX::AppOnMessage] >> ", 0) == 0; });
  };
  CloseCounter target;
  auto closeAndPump = [&] {
    ::PostMessageA(target.wnd, WM_CLOSE, 0, 0);
    ProcessMessages();
  };
  closeAndPump();
  EXPECT_EQ(closesSeen(*r.control), 1);
  EXPECT_EQ(closesSeen(*second), 1);
  second.reset();
  closeAndPump();
  EXPECT_EQ(closesSeen(*r.control), 2);
}

TEST(RequestPreview, QuitDuringTheProtectedLoopIsLeftInTheQueueOnce) {
  HostedRequest r(LargePage());
  r.control->integrity = 2;
  r.control->realPreview = true;
  ElevationScope elevation;
  DialogRecorder dialogs;
  r.control->onShow = [&](TfmPreviewForm&) { ::PostQuitMessage(3); };
  EXPECT_EQ(r.Run(""), S_OK);
  ASSERT_EQ(r.control->shows, 1);
  EXPECT_TRUE(r.control->LoggedText(kLogRepostingQuit));
  MSG msg;
  ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

namespace {

// Posts `msg` to `wnd` (to this thread when null) after `ms`, unless Posted is asked first.
class PostLater {
public:
  PostLater(HWND wnd, UINT msg, DWORD ms) : asked_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    const DWORD thread = ::GetCurrentThreadId();
    waiter_ = std::thread([=] {
      if (::WaitForSingleObject(asked_.get(), ms) != WAIT_TIMEOUT) return;
      posted_ = true;
      if (wnd) ::PostMessageW(wnd, msg, 0, 0);
      else ::PostThreadMessageW(thread, msg, 0, 0);
    });
  }
  ~PostLater() { Posted(); }
  PostLater(const PostLater&) = delete;
  PostLater& operator=(const PostLater&) = delete;
  // Whether it posted; it will not from now on.
  bool Posted() {
    ::SetEvent(asked_.get());
    if (waiter_.joinable()) waiter_.join();
    return posted_;
  }

private:
  Handle asked_;
  std::atomic<bool> posted_{false};
  std::thread waiter_;
};

}  // namespace

TEST(RequestPreview, ACloseMessageEndsTheProtectedLoopWhileThePreviewIsOpen) {
  HostedRequest r(LargePage());
  r.control->integrity = 2;
  r.control->realPreview = true;
  r.control->nonModal = true;
  ElevationScope elevation;
  DialogRecorder dialogs;
  CloseCounter target;
  // The close comes while the loop waits; a wake-up much later ends a wait that it left.
  std::unique_ptr<PostLater> close, wakeUp;
  r.control->onShow = [&](TfmPreviewForm&) {
    close = std::make_unique<PostLater>(target.wnd, WM_CLOSE, 500);
    wakeUp = std::make_unique<PostLater>(nullptr, WM_NULL, 5000);
  };
  // The mouse away from the preview: a mouse over a window brings messages of its own.
  ::SetCursorPos(0, 0);
  EXPECT_EQ(r.Run("/vs:400|300"), S_OK);
  ASSERT_TRUE(close && close->Posted());
  EXPECT_FALSE(wakeUp->Posted()) << "the loop waited for a further message";
  EXPECT_TRUE(r.control->LoggedText(kLogProtectedModeLoop));
  EXPECT_TRUE(r.control->LoggedText(kLogRepostingQuit));
}

TEST(RequestPreview, ASettingsImagesAreBoundedInNumberAndInSizeAndTheRequestGoesOn) {
  const struct {
    int side, named, loaded, downloads;
    std::string logged;
  } cases[] = {
      {4, 300, 256, 256, "The setting lists 300 images; only the first 256 are downloaded"},
      // 48 MB each once decoded, from a file of a few kilobytes.
      {4096, 256, 1, 2, "[2] [%s] Image refused: the setting's images would take more than 64 MB"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string gif = dir.file("a.gif");
    WriteGif(gif, SolidGif(c.side, c.side, RGB(1, 2, 3)));
    HttpTestServer server;
    server.Set("/a.gif", {200, ReadFileBytes(gif), ""});
    std::string list;
    for (int i = 0; i < c.named; ++i) list += Format("<i%d>", i) + server.Url("/a.gif") + Format("</i%d>", i);
    server.Set("/setting.xml", {200, "<?xml version=\"1.0\"?><setting><imgurls>" + list + "</imgurls></setting>", ""});
    HostedRequest r(LargePage());
    r.control->realPreview = true;
    DialogRecorder dialogs;
    EXPECT_EQ(r.Run("/ff:'" + server.Url("/setting.xml") + "'"), S_OK);
    ASSERT_EQ(r.control->shows, 1);
    EXPECT_NE(r.control->shown.settingImages, nullptr);
    const auto& images = r.control->shownImages;
    ASSERT_EQ(images.size(), static_cast<size_t>(c.named));
    EXPECT_EQ(std::count_if(images.begin(), images.end(), [&](const auto& i) { return i.second == c.side; }), c.loaded);
    const auto lines = server.RequestLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("a.gif") != l.npos; }),
              c.downloads);
    EXPECT_TRUE(r.control->Logged(">>" + Format(c.logged.c_str(), server.Url("/a.gif").c_str())));
    for (const std::string& file : LoggedImageFiles(r.control->RequestLog())) EXPECT_FALSE(FileExists(file)) << file;
  }
}

TEST(RequestPreview, SettingIsParsedOnceAndBoundedInWhatItAsksOfTheBanners) {
  TempDir dir;
  const std::string gif = dir.file("t.gif");
  WriteGif(gif, SolidGif(1, 1, RGB(200, 10, 10)));
  HttpTestServer server;
  server.Set("/t.gif", {200, ReadFileBytes(gif), ""});
  std::string images = "<imgcount>100</imgcount>";
  for (int i = 1; i <= 100; ++i) images += Format("<img%d><imgid>t</imgid><width>1</width></img%d>", i, i);
  server.Set("/setting.xml", {200, "<?xml version=\"1.0\"?><setting><imgurls><t>" + server.Url("/t.gif") +
                                       "</t></imgurls><top><width>100%</width><height>60</height>" + images +
                                       "</top></setting>", ""});
  HostedRequest r(LargePage());
  r.control->realPreview = true;
  DialogRecorder dialogs;
  // The file changes once the driver has read it: the preview's layouts must not read it again.
  r.control->onShow = [&](TfmPreviewForm&) {
    WriteFileBytes(LoggedSettingFile(r.control->RequestLog(), server.Url("/setting.xml")),
                   "<setting><imgurls/><top><width>10</width><height>10</height></top></setting>");
  };
  EXPECT_EQ(r.Run("/ff:'" + server.Url("/setting.xml") + "'"), S_OK);
  ASSERT_EQ(r.control->shows, 1);
  EXPECT_EQ(r.control->shownHeaderHeight, 60);
  ASSERT_EQ(r.control->shownHeaderRow.size(), 100u);
  for (int x = 0; x < 100; ++x)
    EXPECT_EQ(r.control->shownHeaderRow[x], x < 64 ? RGB(200, 10, 10) : RGB(255, 255, 255)) << x;
  EXPECT_TRUE(r.control->Logged(">>The top section has 100 image elements; only the first 64 are drawn"));

  // A setting beyond the bounds is refused unparsed, and the log says why.
  r.control->onShow = nullptr;
  std::string attributes;
  for (int i = 0; i <= TXmlDocument::kMaxAttributes; ++i) attributes += Format(" a%d=''", i);
  server.Set("/setting.xml", {200, "<setting" + attributes + "><imgurls/><top><width>9</width><height>9</height>"
                                   "</top></setting>", ""});
  EXPECT_EQ(r.Run("/ff:'" + server.Url("/setting.xml") + "'"), S_OK);
  ASSERT_EQ(r.control->shows, 2);
  EXPECT_EQ(r.control->shown.settingImages, nullptr);
  EXPECT_EQ(r.control->shownHeaderHeight, 0);
  EXPECT_TRUE(r.control->Logged(">>The header/footer setting is refused: it has more than 1000 attributes"));
}

TEST(RequestPreview, ProtectedModeDoesNotWaitForAPreviewThatWasNeverShown) {
  HostedRequest r(LargePage());
  r.control->integrity = 2;
  r.control->realPreview = true;
  ElevationScope elevation;
  DialogRecorder dialogs;
  EXPECT_EQ(r.Run("/sp:1"), S_OK);
  ASSERT_EQ(r.control->shows, 1);
  EXPECT_EQ(r.control->shown.printWithoutPreview, 1);
  EXPECT_EQ(PreviewDialogs(dialogs), 0u);
  EXPECT_TRUE(r.control->LoggedText(kLogClosingPreview));
  EXPECT_TRUE(LogEndsWithSaving(SavedLog()));
}

TEST(RequestPreview, PrintingWithoutPreviewPrintsEveryPageOrSaysThereIsNoPrinter) {
  for (int option : {1, 2}) {
    HostedRequest r(LargePage());
    r.control->realPreview = true;
    PrintedPdf job("vt-no-preview");
    r.control->onShow = [&](TfmPreviewForm&) { TPrinter::Current().SetTitle(job.documentName()); };
    DialogRecorder dialogs;
    EXPECT_EQ(r.Run(Format("/sp:%d", option)), S_OK);
    TPrinter::Current().SetTitle("Vantrelle");
    EXPECT_TRUE(dialogs.requests.empty()) << dialogs.requests[0].name;
    const std::string pdf = job.WaitForFile();
    ASSERT_FALSE(pdf.empty()) << "/sp:" << option;
    const UnixResult info = RunUnixCommand("pdfinfo " + ShellQuote(UnixPath(pdf)));
    EXPECT_EQ(PdfInfoField(info.output, "Pages"), std::to_string(r.control->shownPages));
  }
  HostedRequest r(LargePage());
  r.control->realPreview = true;
  NoPrinter none;
  DialogRecorder dialogs;
  EXPECT_EQ(r.Run("/sp:1"), S_OK);
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].text, LoadResString(kMsgNoDefaultPrinter));
  EXPECT_EQ(dialogs.requests[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
}

TEST(RequestPreview, APackageKeptFromAnEarlierRequestDressesThePreviewWhenItsFetchFails) {
  // The site's package as an earlier request left it; the server now has another date and a
  // damaged zip. The request's temporary folder is its own, so it is made first.
  HostedRequest r(LargePage());
  const std::string root = GetTempFolder() + "\\Vantrelle", folder = root + "\\site.test";
  ::CreateDirectoryA(root.c_str(), nullptr);
  ::CreateDirectoryA(folder.c_str(), nullptr);
  WriteFileBytes(folder + "\\index.ini", "[INFO]\r\nFILEDATE=2001-01-01 00:00:00\r\n"
                                         "[ENG]\r\nUP_PRINT_RUN=p_u.bmp\r\nDOWN_PRINT_RUN=p_d.bmp\r\n");
  TBitmap picture(150, 49);
  picture.SaveToFile(folder + "\\p_u.bmp");
  picture.SaveToFile(folder + "\\p_d.bmp");
  HttpTestServer server;
  server.Set("/skin.zip", {200, "no zip", "Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT\r\n"});
  r.control->realPreview = true;
  DialogRecorder dialogs;
  int printWidth = 0, saveWidth = 0;
  r.control->onShow = [&](TfmPreviewForm& form) {
    printWidth = form.ToolBar().PrintBtn().Width();
    saveWidth = form.ToolBar().SaveBtn().Width();
  };
  EXPECT_EQ(r.Run("/imgs:'" + server.Url("/skin.zip") + "'"), S_OK);
  EXPECT_TRUE(r.control->Logged(">>" + LoadResString(kLogPackageDownloadFailed) + " : " + server.Url("/skin.zip")));
  EXPECT_TRUE(r.control->LoggedText(kLogImageButtonsSet));
  EXPECT_EQ(printWidth, 150) << "the skin's picture";
  EXPECT_EQ(saveWidth, 80) << "the built-in picture of the language";
  RemoveTree(root);
}

namespace {

// Whether text[t..] is format[f..] with any values: %d and %u a number, %s any text.
bool FitsFormat(const std::string& format, size_t f, const std::string& text, size_t t) {
  if (f == format.size()) return t == text.size();
  if (format[f] != '%') return t < text.size() && text[t] == format[f] && FitsFormat(format, f + 1, text, t + 1);
  if (format[f + 1] == 's') {
    for (size_t end = t; end <= text.size(); ++end)
      if (FitsFormat(format, f + 2, text, end)) return true;
    return false;
  }
  size_t end = t + (t < text.size() && text[t] == '-');
  const size_t digits = end;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  return end > digits && FitsFormat(format, f + 2, text, end);
}

// Whether `line` is "[caption] >> time >>message" with a message of `format`.
bool IsLogLine(const std::string& line, const std::string& caption, const std::string& format) {
  const std::string head = "[" + caption + "] >> ";
  const size_t mark = line.find(" >>", head.size());
  return line.rfind(head, 0) == 0 && mark != std::string::npos && FitsFormat(format, 0, line, mark + 3);
}

}  // namespace

TEST(RequestLog, AWholeRequestWritesTheLinesOfItsStepsInOrder) {
  HostedRequest r(LargePage(), {.zoomPercent = 150});
  r.control->realPreview = true;
  DialogRecorder dialogs;
  ASSERT_EQ(r.Run("/log/scr/ws:900|700/po:1"), S_OK);

  auto t = [](unsigned id) { return LoadResString(id); };
  std::vector<std::pair<std::string, std::string>> expected;
  auto add = [&](const std::string& caption, std::initializer_list<std::string> texts) {
    for (const std::string& text : texts) expected.emplace_back(caption, text);
  };
  const std::string run = "ActiveX::Run";
  add(run, {"Vantrelle" + t(kLogRunStarted), t(kLogCheckingBrowserVersion), "Internet Explorer Ver : %d",
            t(kLogPopupModeAutomatic), t(kLogNormalIntegrity), t(kLogScrollCaptureOption),
            t(kLogRunArguments) + " = [%s]", t(kLogHourglassCursor), t(kLogReadingFrameId),
            t(kLogFrameId) + " = [%s]", t(kLogExactFrameSearch) + " = [%s]", t(kLogGettingHostPage),
            t(kLogCapturingHostDocument), t(kLogFoundDocument), t(kLogFoundBrowser), t(kLogCheckingRenderingEngine),
            t(kLogCurrentZoom), t(kLogZoomFixed), t(kLogBrowser7OrLater), "window size width : %d",
            "window size height : %d", t(kLogResizeOldSystem), t(kLogResizingBrowserWindow)});
  add("ActiveX::SetAllSiteSetup >> ", {t(kLogAllSitesAllowed)});
  add(run, {t(kLogDocumentLoaded), t(kLogGettingBody), t(kLogGettingBodyRender), t(kLogGettingClientSize),
            t(kLogHiddenFrame) + " : [%s]", t(kLogLockingScreenUpdates), t(kLogGettingParentWindow),
            t(kLogCapturingDocument), t(kLogScrollCapture)});
  add("Scroll Capture >>", {t(kLogScrollCaptureStarted), "scrollLeft : %d", "scrollTop : %d", "scrollWidth : %d",
                            "scrollHeight : %d", "ClientWidthInView : %d", "ClientHeightInView : %d",
                            "FFrameStartX : %d", "FFrameStartX : %d", "offsetLeft : %d", "offsetTop : %d",
                            "StartPos : %d, %d", "Bitmap Width : %d", "Bitmap Height : %d", "CountY : %d",
                            "FDocHwnd : %d"});
  add(run, {t(kLogCaptureDone), t(kLogRestoreOldSystem), t(kLogRestoringBrowserWindow), t(kLogReadingPreviewOption),
            t(kLogPreviewOption), t(kLogCreatingPreview), Format(t(kLogOrientation).c_str(), t(kLogLandscape).c_str()),
            t(kLogPreviewSize) + " = [%d x %d]", t(kLogPreviewPosition) + " = [%d, %d, %d, %d]",
            t(kLogCheckingAutoSize), t(kLogPreviewMaximized), t(kLogCheckingPageBreaks), t(kLogNoPageBreakOption),
            t(kLogPackageUrl) + " = [%s].", t(kLogPackageDownloadFailed) + " : %s", t(kLogPreviewTitle) + " : %s",
            t(kLogLocalizingPreview), t(kLogFormFileUrl) + " : %s", t(kLogHelpAddress) + "%s",
            t(kLogRunningPreview), t(kLogZoomRestored), t(kLogFreeingPreview), t(kLogFreeingImage),
            t(kLogFreeingUrlImages), t(kLogRunEnds), t(kLogSavingLog) + " : %s"});

  const auto& lines = r.control->RequestLog().Lines();
  for (size_t i = 0; i < std::max(lines.size(), expected.size()); ++i) {
    ASSERT_LT(i, lines.size()) << "missing: [" << expected[i].first << "] " << expected[i].second;
    ASSERT_LT(i, expected.size()) << "one more: " << lines[i];
    ASSERT_TRUE(IsLogLine(lines[i], expected[i].first, expected[i].second))
        << "line " << i << ": " << lines[i] << "\nexpected: [" << expected[i].first << "] " << expected[i].second;
  }
}

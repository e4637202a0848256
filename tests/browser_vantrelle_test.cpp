// The control hosted in the stand-in browser as a page embeds it: its face in the page, the events
// of its form reaching the page's sink, and the browser program playing Run2 and GetVtnVersion.
#include <gtest/gtest.h>

#include <algorithm>

#include "browser/HostedControl.h"
#include "browser/ScriptPlayer.h"
#include "control/uRequestLog.h"
#include "resources/StringIds.h"
#include "resources/VantrelleTypeLib.h"
#include "support/BrowserPage.h"
#include "support/OleEnvironment.h"
#include "support/UnixTools.h"

using namespace vt;
using namespace vt::test;
using namespace vt::browser;

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

const char kPage[] =
    R"(<page width="1200" height="2000" background="#FFFFFF" url="http://site.test/report.html">)"
    R"(<div id="d1" x="10" y="400" width="300" height="200" background="#FF0000"/>)"
    R"(<object id="Vantrelle" classid="clsid:F251BE2C-F8B2-4194-95C7-6A65EB70935D" x="20" y="30" width="800" height="200"/>)"
    "</page>";

class VantrelleHost : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(RunChild("regsvr32 /s \"" + ProgramFolder() + "\\..\\Vantrelle.ocx\"").exitCode, 0);
  }
};

HWND FormWindow(HWND view) { return ::FindWindowExA(view, nullptr, "TVantrelleForm", nullptr); }

}  // namespace

TEST_F(VantrelleHost, TheFaceSitsAtItsElementAndItsEventsReachTheSink) {
  BrowserPage p(kPage);
  std::vector<std::string> events;
  short newKey = -1;  // what the sink writes back into OnKeyPress's key
  auto control = std::make_unique<THostedControl>(
      p.Window(), *p.Page().FindById("Vantrelle"), CLSID_Vantrelle, [&](const std::wstring& name, const DISPPARAMS& args) {
        std::string line = ToUtf8(name);
        if (name == L"OnKeyPress" && args.cArgs == 1 && V_VT(&args.rgvarg[0]) == (VT_I2 | VT_BYREF)) {
          line += Format("(%d)", *V_I2REF(&args.rgvarg[0]));
          if (newKey >= 0) *V_I2REF(&args.rgvarg[0]) = newKey;
        }
        if (name != L"OnPaint" || events.empty() || events.back() != "OnPaint") events.push_back(line);
      });
  EXPECT_EQ(control->EventInterface(), DIID_IVantrelleEvents);
  HWND form = FormWindow(p.View());
  ASSERT_NE(form, nullptr);
  RECT r{};
  ::GetWindowRect(form, &r);
  ::MapWindowPoints(nullptr, p.View(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 800);
  EXPECT_EQ(r.bottom - r.top, 200);
  PumpMessages(50);
  {
    // The face: the form colour, the mark left of the labels, the log box hidden.
    WindowDC dc(p.View());
    EXPECT_EQ(::GetPixel(dc.get(), 20 + 8, 30 + 20), RGB(0x83, 0xB7, 0x17));
    EXPECT_EQ(::GetPixel(dc.get(), 20 + 400, 30 + 120), ::GetSysColor(COLOR_BTNFACE));
  }
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0], "OnPaint");
  events.clear();

  ::SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ::SendMessageA(form, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageA(form, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
  ::SendMessageA(form, WM_MOUSELEAVE, 0, 0);
  ::SendMessageA(form, WM_CHAR, 'a', 0);
  newKey = 0;
  ::SendMessageA(form, WM_CHAR, 'b', 0);
  ::SendMessageA(form, WM_KILLFOCUS, 0, 0);
  EXPECT_EQ(events, (std::vector<std::string>{"OnActivate", "OnClick", "OnDblClick", "OnMouseEnter", "OnMouseLeave",
                                              "OnKeyPress(97)", "OnKeyPress(98)", "OnDeactivate"}));
  events.clear();
  // Leaving in-place activation destroys the focused form: it loses the focus, then OnDestroy
  // reaches the sink; OnCreate never fires.
  ComPtr<IOleInPlaceObject> inPlace = control->Dispatch().As<IOleInPlaceObject>();
  ASSERT_TRUE(inPlace);
  EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_EQ(FormWindow(p.View()), nullptr);
  EXPECT_EQ(events, (std::vector<std::string>{"OnDeactivate", "OnDestroy"}));
}

TEST_F(VantrelleHost, WithoutASinkNoEventIsFired) {
  BrowserPage p(kPage);
  std::vector<std::string> events;
  THostedControl control(p.Window(), *p.Page().FindById("Vantrelle"), CLSID_Vantrelle,
                         [&](const std::wstring& name, const DISPPARAMS&) { events.push_back(ToUtf8(name)); });
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(control.Dispatch().As<IConnectionPointContainer>()->FindConnectionPoint(DIID_IVantrelleEvents, point.put()),
            S_OK);
  ASSERT_EQ(point->Unadvise(1), S_OK);
  HWND form = FormWindow(p.View());
  ASSERT_NE(form, nullptr);
  events.clear();
  ::InvalidateRect(form, nullptr, TRUE);
  PumpMessages(30);
  ::SendMessageA(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  ::SendMessageA(form, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  ::SendMessageA(form, WM_CHAR, 'a', 0);
  EXPECT_EQ(events, std::vector<std::string>{});
}

// How many requests the log text holds: each logs the browser's version once.
size_t Requests(const std::string& log) {
  size_t count = 0;
  for (size_t at = log.find("Internet Explorer Ver : "); at != std::string::npos;
       at = log.find("Internet Explorer Ver : ", at + 1))
    ++count;
  return count;
}

TEST_F(VantrelleHost, TheLogBoxShowsTheRequestLogForLogAndKeepsItsLinesOtherwise) {
  BrowserPage p(kPage);
  THostedControl control(p.Window(), *p.Page().FindById("Vantrelle"), CLSID_Vantrelle, nullptr);
  // Each request ends in its preview; the control's own module answers it from the environment.
  struct AnswerPreviews {
    AnswerPreviews() { _putenv("VANTRELLE_DIALOG_ANSWERS=TfmPreviewForm=1"); }
    ~AnswerPreviews() { _putenv("VANTRELLE_DIALOG_ANSWERS="); }
  } previews;
  HWND form = FormWindow(p.View());
  ASSERT_NE(form, nullptr);
  HWND memo = ::FindWindowExA(form, nullptr, "EDIT", nullptr);
  ASSERT_NE(memo, nullptr);
  EXPECT_FALSE(::IsWindowVisible(memo));
  auto memoText = [&] {
    std::string text(::GetWindowTextLengthA(memo) + 1, '\0');
    text.resize(::GetWindowTextA(memo, text.data(), static_cast<int>(text.size())));
    return text;
  };
  std::vector<std::string> calls;
  TScriptPlayer player(p.Page(), [&](const std::string& line) { calls.push_back(line); });
  player.Run(control.Dispatch().get(), L"Run2('')");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], "call Run2('') -> 0x00000000");
  EXPECT_FALSE(::IsWindowVisible(memo));
  EXPECT_EQ(Requests(memoText()), 1u) << memoText();
  player.Run(control.Dispatch().get(), L"Run2('/log', #d1)");
  EXPECT_TRUE(::IsWindowVisible(memo));
  EXPECT_EQ(Requests(memoText()), 1u);  // cleared by /log
  EXPECT_EQ(memoText().rfind("[ActiveX::Run] >> ", 0), 0u);
  player.Run(control.Dispatch().get(), L"Run('')");
  EXPECT_FALSE(::IsWindowVisible(memo));
  EXPECT_EQ(Requests(memoText()), 2u);
}

TEST_F(VantrelleHost, TheBrowserProgramPlaysRun2AndGetVtnVersion) {
  TempDir dir;
  WriteFileBytes(dir.file("page.xml"), kPage);
  ::DeleteFileA(TRequestLog::FilePath().c_str());
  auto r = RunChild("\"" + ProgramFolder() + "\\..\\browser\\vtbrowser.exe\" \"" + dir.file("page.xml") +
                    "\" --call \"Run2('/log', #d1)\" --call \"GetVtnVersion()\" --call \"GetVtnVersion(out)\""
                    " --call \"Run('/scr')\" --call \"RunCompatibilityIEWinSize(0, 0, 640, 480, 0)\" --call \"Font = #d1\""
                    " --call \"RunUAC()\"",
                    "VANTRELLE_DIALOG_ANSWERS=Result=1;TfmPreviewForm=1");
  EXPECT_EQ(r.exitCode, 0);
  std::vector<std::string> calls;
  for (const std::string& line : TextLines(r.output))
    if (line.rfind("event OnPaint", 0) != 0) calls.push_back(line);  // painting runs when it will
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "page http://site.test/report.html",
                       "control {F251BE2C-F8B2-4194-95C7-6A65EB70935D} events {3A65150A-3214-4214-B308-D40C64C6F568}",
                       "call Run2('/log', #d1) -> 0x00000000",
                       "call GetVtnVersion() -> 0x00000000 = \"1.6.4.0\"",
                       "call GetVtnVersion(out) -> 0x00000000 out1 = \"1.6.4.0\"",
                       "call Run('/scr') -> 0x00000000",
                       // No window is the window of the browser that hosts the control: refused.
                       "call RunCompatibilityIEWinSize(0, 0, 640, 480, 0) -> 0x80070005 = false \"Window 0 is not "
                       "the top window of the browser that hosts the control\"",
                       "call Font = #d1 -> 0x80004002",  // an element is no font: refused before the member runs
                       "call RunUAC() -> 0x00000000 = null",
                       "exit 0",
                   }));
  // The log file of the last request (no /log) holds the lines of both requests since /log.
  EXPECT_EQ(Requests(ReadFileBytes(TRequestLog::FilePath())), 2u);
}

namespace {

// The same page whose document finishes loading only after 1.5 s: a request waits for it (and
// lets the page's timers run meanwhile).
std::string SlowPage() {
  std::string page = kPage;
  page.replace(page.find("<page "), 6, "<page ready=\"1500\" ");
  return page;
}

// Environment variables for the length of a test.
class EnvScope {
public:
  explicit EnvScope(std::vector<std::pair<std::string, std::string>> values) : values_(std::move(values)) {
    for (const auto& [name, value] : values_) _putenv((name + "=" + value).c_str());
  }
  ~EnvScope() {
    for (const auto& [name, value] : values_) _putenv((name + "=").c_str());
  }

private:
  std::vector<std::pair<std::string, std::string>> values_;
};

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The print jobs the run's printer queue has had, done or not.
int PrintJobs() {
  const UnixResult jobs = RunUnixCommand("lpstat -W all -o");
  if (jobs.exitCode != 0) return -1;
  const std::vector<std::string> lines = TextLines(jobs.output);
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty(); }));
}

BOOL CALLBACK AddShownForm(HWND wnd, LPARAM data) {
  char name[64] = "";
  ::GetClassNameA(wnd, name, sizeof name);
  // VantrellePreviewForm, VantrelleForm...
  if (std::string(name).rfind("Vantrelle", 0) == 0 && ::IsWindowVisible(wnd))
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(wnd);
  return TRUE;
}

// The control's windows a person sees: the preview (and any dialog of it) of this thread.
std::vector<HWND> ShownForms() {
  std::vector<HWND> forms;
  ::EnumThreadWindows(::GetCurrentThreadId(), AddShownForm, reinterpret_cast<LPARAM>(&forms));
  return forms;
}

}  // namespace

// A page's timer that calls Run2 while the request waits for the document: the call returns at once
// and does nothing; the request goes on as if alone, to one preview or one print job.
TEST_F(VantrelleHost, ACallWhileTheRequestWaitsForTheDocumentIsRefused) {
  for (const std::string params : {"", "/sp:1"}) {
    SCOPED_TRACE(params);
    TempDir dir;
    const std::string dialogLog = dir.file("dialogs.txt");
    EnvScope env({{"VANTRELLE_DIALOG_ANSWERS", "TfmPreviewForm=1"}, {"VANTRELLE_DIALOG_LOG", dialogLog}});
    BrowserPage p(SlowPage());
    THostedControl control(p.Window(), *p.Page().FindById("Vantrelle"), CLSID_Vantrelle, nullptr);
    std::vector<std::string> calls;
    TScriptPlayer player(p.Page(), [&](const std::string& line) { calls.push_back(line); });
    const int jobsBefore = PrintJobs();
    const std::wstring call = L"Run2('" + ToWide(params) + L"')";
    // The timer is due at once: it fires when the request first lets messages run. Run is
    // refused as Run2 is.
    const std::wstring again = params.empty() ? call : L"Run('" + ToWide(params) + L"')";
    player.Run(control.Dispatch().get(), L"setTimeout(\"" + again + L"\", 0)");
    player.Run(control.Dispatch().get(), call);
    EXPECT_EQ(calls, (std::vector<std::string>{"call setTimeout(\"" + ToUtf8(again) + "\", 0) -> set",
                                               "call " + ToUtf8(again) + " -> 0x00000000",
                                               "call " + ToUtf8(call) + " -> 0x00000000"}));
    EXPECT_TRUE(::IsWindowEnabled(p.Window().FrameWindow()));

    // One request in the log, and the refusal inside it while the document was awaited.
    const std::string log = ReadFileBytes(TRequestLog::FilePath());
    EXPECT_EQ(Requests(log), 1u) << log;
    const std::string refused = LoadResString(kLogNestedRequestRefused);
    EXPECT_EQ(Count(log, ">>" + refused + "\r\n"), 1u) << log;
    EXPECT_LT(log.find(refused), log.find(LoadResString(kLogDocumentLoaded))) << log;
    EXPECT_NE(log.find(LoadResString(kLogSavingLog)), std::string::npos);

    // One preview, or (printing without it) one print job.
    const std::string dialogs = ReadFileBytes(dialogLog);
    if (params.empty()) {
      EXPECT_EQ(Count(dialogs, "TfmPreviewForm|"), 1u) << dialogs;
    } else {
      EXPECT_EQ(Count(dialogs, "TfmPreviewForm|"), 0u) << dialogs;
      ASSERT_GE(jobsBefore, 0) << "no printer queue";
      for (int i = 0; i < 50 && PrintJobs() == jobsBefore; ++i) ::Sleep(100);
      ::Sleep(1000);  // a second job would be there by now
      EXPECT_EQ(PrintJobs(), jobsBefore + 1);
    }
  }
}

namespace {

// What the page's timer saw, played while the preview is open.
struct TOpenPreviewWatch {
  TScriptPlayer* player = nullptr;
  IDispatch* control = nullptr;
  HWND frame = nullptr;
  int phase = 0;  // 0 waiting for the preview, 1 calling again, 2 done
  HWND preview = nullptr;
  size_t mostForms = 0;          // the most windows of the control shown at once
  size_t formsAfterCall = 0;     // shown when the second call returned
  bool frameEnabledAfterCall = true;
  bool previewOpenAfterCall = false;
};
TOpenPreviewWatch* gWatch = nullptr;

void CALLBACK WatchTick(HWND, UINT, UINT_PTR, DWORD) {
  TOpenPreviewWatch& w = *gWatch;
  const std::vector<HWND> forms = ShownForms();
  w.mostForms = std::max(w.mostForms, forms.size());
  if (w.phase == 0 && !forms.empty()) {
    w.phase = 1;
    w.preview = forms[0];
    w.player->Run(w.control, L"Run2('')");  // the page's timer, while the preview is modal
    w.formsAfterCall = ShownForms().size();
    w.frameEnabledAfterCall = ::IsWindowEnabled(w.frame) != FALSE;
    w.previewOpenAfterCall = ::IsWindowVisible(w.preview) != FALSE;
    w.phase = 2;
    ::PostMessageA(w.preview, WM_CLOSE, 0, 0);  // the person closes it
  } else if (w.phase == 1) {
    // A request the call started after all: its windows are closed, so that it ends.
    for (HWND form : forms)
      if (form != w.preview) ::PostMessageA(form, WM_CLOSE, 0, 0);
  }
}

}  // namespace

// A page's timer that calls Run2 while the preview is open: the call returns at once; the browser
// stays disabled under the modal preview, which stays the only one.
TEST_F(VantrelleHost, ACallWhileThePreviewIsOpenIsRefused) {
  EnvScope env({{"VANTRELLE_DIALOG_ANSWERS", std::string("none")}});
  BrowserPage p(kPage);
  THostedControl control(p.Window(), *p.Page().FindById("Vantrelle"), CLSID_Vantrelle, nullptr);
  std::vector<std::string> calls;
  TScriptPlayer player(p.Page(), [&](const std::string& line) { calls.push_back(line); });
  TOpenPreviewWatch watch;
  watch.player = &player;
  watch.control = control.Dispatch().get();
  watch.frame = p.Window().FrameWindow();
  gWatch = &watch;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, WatchTick);
  player.Run(control.Dispatch().get(), L"Run2('/vs:500|400')");
  ::KillTimer(nullptr, timer);
  gWatch = nullptr;

  ASSERT_EQ(watch.phase, 2) << "the preview was never seen";
  EXPECT_EQ(calls, (std::vector<std::string>{"call Run2('') -> 0x00000000", "call Run2('/vs:500|400') -> 0x00000000"}));
  EXPECT_EQ(watch.mostForms, 1u);
  EXPECT_EQ(watch.formsAfterCall, 1u);
  EXPECT_TRUE(watch.previewOpenAfterCall);
  EXPECT_FALSE(watch.frameEnabledAfterCall) << "the browser was enabled under the open preview";
  EXPECT_TRUE(::IsWindowEnabled(p.Window().FrameWindow()));
  const std::string log = ReadFileBytes(TRequestLog::FilePath());
  EXPECT_EQ(Requests(log), 1u) << log;
  EXPECT_EQ(Count(log, ">>" + LoadResString(kLogNestedRequestRefused) + "\r\n"), 1u) << log;
}

// A page's script may move the window of the browser that hosts the control, and no other.
TEST_F(VantrelleHost, RunCompatibilityIEWinSizeMovesOnlyTheHostingBrowsersWindow) {
  BrowserPage p(kPage);
  THostedControl control(p.Window(), *p.Page().FindById("Vantrelle"), CLSID_Vantrelle, nullptr);
  std::vector<std::string> calls;
  TScriptPlayer player(p.Page(), [&](const std::string& line) { calls.push_back(line); });
  HWND frame = p.Window().FrameWindow();
  HWND other = ::CreateWindowExA(0, "STATIC", "other", WS_POPUP, 10, 20, 300, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  auto move = [&](HWND wnd) {
    const std::string line = Format("RunCompatibilityIEWinSize(5, 6, 700, 500, %u)",
                                    static_cast<unsigned>(reinterpret_cast<uintptr_t>(wnd)));
    player.Run(control.Dispatch().get(), ToWide(line));
    return calls.back();
  };
  EXPECT_NE(move(frame).find("-> 0x00000000 = true"), std::string::npos) << calls.back();
  RECT r{};
  ::GetWindowRect(frame, &r);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 6);
  EXPECT_EQ(r.right - r.left, 700);
  EXPECT_EQ(r.bottom - r.top, 500);

  // Another program's window, the browser's view inside its window: refused, not moved, logged.
  for (HWND refused : {other, p.View()}) {
    const std::string line = move(refused);
    EXPECT_NE(line.find("-> 0x80070005"), std::string::npos) << line;
    EXPECT_NE(line.find("is not the top window of the browser that hosts the control"), std::string::npos) << line;
  }
  ::GetWindowRect(other, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right - r.left, 300);
  HWND memo = ::FindWindowExA(FormWindow(p.View()), nullptr, "EDIT", nullptr);
  ASSERT_NE(memo, nullptr);
  std::string text(::GetWindowTextLengthA(memo) + 1, '\0');
  text.resize(::GetWindowTextA(memo, text.data(), static_cast<int>(text.size())));
  EXPECT_EQ(Count(text, "[ActiveX::RunCompatibilityIEWinSize] >> "), 2u) << text;
  EXPECT_NE(text.find(Format(LoadResString(kLogWindowRefused).c_str(),
                             static_cast<unsigned>(reinterpret_cast<uintptr_t>(other)))),
            std::string::npos)
      << text;
  ::DestroyWindow(other);
}

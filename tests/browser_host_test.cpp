// The stand-in browser hosting a control: the tests' own control (tests/controls/test_control.cpp,
// registered with regsvr32) hosted in process and in the browser program, which plays the page's
// script and the calls of its command line, prints results and events, and records what the
// control did to the browser.
#include <gtest/gtest.h>

#include "base/Errors.h"
#include "browser/HostedControl.h"
#include "browser/ScriptPlayer.h"
#include "support/BrowserPage.h"
#include "support/OleEnvironment.h"

using namespace vt;
using namespace vt::test;
using namespace vt::browser;

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

const char kControlClassId[] = "A7C3E1D2-5B4F-4C8A-9E21-3D4F5A6B7C80";
const char kControlLine[] = "control {A7C3E1D2-5B4F-4C8A-9E21-3D4F5A6B7C80} events {A7C3E1D2-5B4F-4C8A-9E21-3D4F5A6B7C81}";
constexpr COLORREF kControlFace = RGB(0x33, 0x66, 0x99);

std::string ControlPage(const std::string& attributes = "", const std::string& inside = "") {
  return "<page width=\"2000\" height=\"3000\" pattern=\"xy\" url=\"http://site.test/p.html\" " + attributes + ">" +
         R"(<div id="d1" x="10" y="300" width="100" height="100" background="#FF0000"/>)" +
         R"(<object id="Vantrelle" classid="clsid:)" + kControlClassId +
         R"(" x="100" y="50" width="200" height="80"/>)" + inside + "</page>";
}

struct BrowserRun {
  int exitCode = -1;
  std::vector<std::string> output, record;
};

class BrowserHost : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    auto r = RunChild("regsvr32 /s \"" + ProgramFolder() + "\\test_control.dll\"");
    ASSERT_EQ(r.exitCode, 0) << "the test control cannot be registered";
  }

  // Runs the browser program on a page; `arguments` are passed as they are, each quoted.
  BrowserRun Browse(const std::string& pageXml, const std::vector<std::string>& arguments = {}) {
    WriteFileBytes(dir_.file("page.xml"), pageXml);
    std::string command = "\"" + ProgramFolder() + "\\..\\browser\\vtbrowser.exe\" \"" + dir_.file("page.xml") +
                          "\" --record \"" + dir_.file("record.txt") + "\"";
    for (const auto& a : arguments) command += " \"" + a + "\"";
    auto r = RunChild(command);
    return BrowserRun{r.exitCode, TextLines(r.output), TextLines(ReadFileBytes(dir_.file("record.txt")))};
  }

  TempDir dir_;
};

HWND ControlWindow(HWND view) { return ::FindWindowExW(view, nullptr, L"VtTestControl", nullptr); }

RECT RectInView(HWND wnd, HWND view) {
  RECT r{};
  ::GetWindowRect(wnd, &r);
  ::MapWindowPoints(nullptr, view, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

TEST_F(BrowserHost, PlaysThePageScriptThenTheCommandLineCalls) {
  auto run = Browse(ControlPage("", "<script><call>Run2('zoom:100 hide', #d1)</call></script>"),
                    {"--call", "GetVtnVersion(out)", "--call", "Caption = 'Print'", "--call", "Caption"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, (std::vector<std::string>{
                            "page http://site.test/p.html",
                            kControlLine,
                            "event #1(\"container=1 browser=1 view=Internet Explorer_Server top=IEFrame "
                            "getobject=0x00000000 same=1 browser2=1 div=#d1 ready=complete\")",
                            "call Run2('zoom:100 hide', #d1) -> 0x00000000",
                            "call GetVtnVersion(out) -> 0x00000000 out1 = \"1.0.0.0\"",
                            "call Caption = 'Print' -> 0x00000000",
                            "call Caption -> 0x00000000 = \"Print\"",
                            "exit 0",
                        }));
  std::vector<std::string> expected{"zoom 100"};
  expected.insert(expected.end(), kHiddenControlRecord.begin(), kHiddenControlRecord.end());
  EXPECT_EQ(run.record, expected);
}

TEST_F(BrowserHost, RecordsWhatTheControlDidToTheBrowserWindow) {
  auto run = Browse(ControlPage("ready=\"400\""), {"--pos", "20,30", "--call", "Run2('refresh move:0,0,900,700 disable')"});
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_GE(run.output.size(), 3u);
  EXPECT_NE(run.output[2].find("div=none ready=interactive"), std::string::npos) << run.output[2];
  EXPECT_EQ(run.record, (std::vector<std::string>{"refresh", "window 0 0 900 700", "enabled 0", "enabled 1"}));
}

TEST_F(BrowserHost, FailedCallsAreReportedAndThePlayGoesOn) {
  auto run = Browse(ControlPage(), {"--call", "Run2('fail')", "--call", "Missing()", "--call", "Run2(", "--call",
                                    "Run2('x', #nowhere)", "--call", "sleep(20)", "--call", "Caption"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(std::vector<std::string>(run.output.begin() + 2, run.output.end()),
            (std::vector<std::string>{
                "call Run2('fail') -> 0x80004005 \"asked to fail\"",
                "call Missing() -> 0x80020006 unknown name",
                "call Run2( -> syntax error: an argument is missing at column 6",
                "call Run2('x', #nowhere) -> no element #nowhere",
                "call sleep(20) -> done",
                "call Caption -> 0x00000000 = \"Test control\"",
                "exit 0",
            }));
}

TEST_F(BrowserHost, UnansweredGetObjectLeavesTheClientSiteBrowser) {
  auto run = Browse(ControlPage("getobject=\"ignore\""), {"--call", "Run2('')"});
  ASSERT_GE(run.output.size(), 3u);
  EXPECT_NE(run.output[2].find("container=1 browser=1"), std::string::npos) << run.output[2];
  EXPECT_NE(run.output[2].find("getobject=0x8"), std::string::npos) << run.output[2];
  EXPECT_NE(run.output[2].find("same=0 browser2=0"), std::string::npos) << run.output[2];
}

TEST_F(BrowserHost, ExitCodesOfFaults) {
  // A control that is not registered.
  auto run = Browse(R"(<page><object classid="clsid:00000000-1111-2222-3333-444444444444"/></page>)");
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_EQ(run.output, (std::vector<std::string>{"page about:blank",
                                                  "control failed: the control cannot be created: 0x80040154",
                                                  "exit 4"}));
  // A page without control still plays, without one.
  run = Browse("<page/>", {"--call", "Run2('x')"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, (std::vector<std::string>{"page about:blank", "call Run2('x') -> no control", "exit 0"}));
  // A page file that is not there, a bad command line.
  auto missing = RunChild("\"" + ProgramFolder() + "\\..\\browser\\vtbrowser.exe\" \"" + dir_.file("none.xml") + "\"");
  EXPECT_EQ(missing.exitCode, 3);
  EXPECT_EQ(TextLines(missing.output), std::vector<std::string>{"exit 3"});
  EXPECT_EQ(RunChild("\"" + ProgramFolder() + "\\..\\browser\\vtbrowser.exe\"").exitCode, 2);
  EXPECT_EQ(Browse("<page/>", {"--view", "800"}).exitCode, 2);
}

TEST_F(BrowserHost, ControlWindowFollowsItsElementAndFiresEvents) {
  BrowserPage p(ControlPage());
  TElement* element = p.Page().FindById("Vantrelle");
  std::vector<std::string> events;
  THostedControl control(p.Window(), *element, ParseClassId(std::string("{") + kControlClassId + "}"),
                         [&](const std::wstring& name, const DISPPARAMS& args) {
                           events.push_back(ToUtf8(name) + " " + FormatVariant(args.rgvarg[0]));
                         });
  HWND face = ControlWindow(p.View());
  ASSERT_NE(face, nullptr);
  RECT r = RectInView(face, p.View());
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 80);
  PumpMessages(30);
  {
    WindowDC dc(p.View());
    EXPECT_EQ(::GetPixel(dc.get(), 150, 90), kControlFace);
  }
  // It scrolls with the page.
  p.ScrollElement()->put_scrollTop(30);
  r = RectInView(face, p.View());
  EXPECT_EQ(r.top, 20);
  // The control hides its own element: its window goes with it.
  ComPtr<IDispatch> dispatch = control.Dispatch();
  ASSERT_TRUE(dispatch);
  TScriptPlayer player(p.Page(), [](const std::string&) {});
  player.Run(dispatch.get(), L"Run2('hide')");
  r = RectInView(face, p.View());
  EXPECT_EQ(r.left, -1024);
  EXPECT_EQ(r.right - r.left, 0);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].rfind("#1 \"container=1 browser=1 ", 0), 0u) << events[0];
}

TEST(BrowserScript, CallsAreReadAsAScriptWritesThem) {
  auto call = ParseScriptCall(L"Run2('/fid:$0/ff:\\'http://a/b\\'', #div1, -12, 2.5, true, null, empty, out)");
  EXPECT_EQ(call.form, TScriptCall::Method);
  EXPECT_EQ(call.name, L"Run2");
  ASSERT_EQ(call.args.size(), 8u);
  EXPECT_EQ(call.args[0].text, L"/fid:$0/ff:'http://a/b'");
  EXPECT_EQ(call.args[1].kind, TScriptArg::Element);
  EXPECT_EQ(call.args[1].text, L"div1");
  EXPECT_EQ(call.args[2].integer, -12);
  EXPECT_EQ(call.args[3].real, 2.5);
  EXPECT_TRUE(call.args[4].boolean);
  EXPECT_EQ(call.args[5].kind, TScriptArg::Null);
  EXPECT_EQ(call.args[6].kind, TScriptArg::Empty);
  EXPECT_EQ(call.args[7].kind, TScriptArg::Out);
  EXPECT_EQ(ParseScriptCall(L" Caption ").form, TScriptCall::Get);
  auto put = ParseScriptCall(L"Caption = \"a\\\"b\"");
  EXPECT_EQ(put.form, TScriptCall::Put);
  EXPECT_EQ(put.args[0].text, L"a\"b");
  EXPECT_TRUE(ParseScriptCall(L"Run()").args.empty());
  for (const wchar_t* bad : {L"", L"Run2('x'", L"Run2('x)", L"Run2(x)", L"Run2(#)", L"Run2(1.)", L"Run2() x", L"= 1"})
    EXPECT_THROW(ParseScriptCall(bad), Error) << ToUtf8(bad);
}

TEST(BrowserScript, ValuesPrintAsScriptLiterals) {
  VARIANT v;
  ::VariantInit(&v);
  EXPECT_EQ(FormatVariant(v), "empty");
  V_VT(&v) = VT_NULL;
  EXPECT_EQ(FormatVariant(v), "null");
  V_VT(&v) = VT_BOOL;
  V_BOOL(&v) = VARIANT_TRUE;
  EXPECT_EQ(FormatVariant(v), "true");
  V_VT(&v) = VT_I4;
  V_I4(&v) = -7;
  EXPECT_EQ(FormatVariant(v), "-7");
  V_VT(&v) = VT_R8;
  V_R8(&v) = 1.5;
  EXPECT_EQ(FormatVariant(v), "1.5");
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = ::SysAllocString(L"say \"hi\"\n");
  EXPECT_EQ(FormatVariant(v), "\"say \\\"hi\\\"\\n\"");
  VARIANT ref;
  V_VT(&ref) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&ref) = &v;
  EXPECT_EQ(FormatVariant(ref), "\"say \\\"hi\\\"\\n\"");
  ::VariantClear(&v);
}

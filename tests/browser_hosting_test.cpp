// The control finding its way through the stand-in browser: the browser and document from the
// control's client site and from the document window, frames by index path and by name, the
// element to scroll in both document modes, and the wait for a loaded document.
#include <gtest/gtest.h>

#include <thread>

#include "base/Errors.h"
#include "capture/uFrames.h"
#include "capture/uBrowserWindow.h"
#include "capture/uHostBrowser.h"
#include "browser/HostedControl.h"
#include "browser/HtmlObjects.h"
#include "support/BrowserPage.h"
#include "support/OleEnvironment.h"
#include "support/HostedTestControl.h"

using namespace vt;
using namespace vt::test;
using vt::browser::ComObject;
using vt::browser::MakeCom;

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

template <class A, class B>
bool SameObject(const ComPtr<A>& a, const ComPtr<B>& b) {
  return a && b && a.template As<IUnknown>().get() == b.template As<IUnknown>().get();
}

std::wstring DocumentUrl(const ComPtr<IHTMLDocument2>& d) {
  Bstr url;
  if (d) d->get_URL(url.put());
  return url.str();
}

// A client site of a container other than the browser's: its container and its browser service
// are what the test gives.
class TOtherSite : public ComObject<browser::IOleClientSiteStub, browser::IServiceProviderStub> {
public:
  TOtherSite(ComPtr<IOleContainer> container, ComPtr<IWebBrowser2> browser)
      : container_(std::move(container)), browser_(std::move(browser)) {}
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    if (!container) return E_POINTER;
    *container = ComPtr<IOleContainer>(container_).Detach();
    return *container ? S_OK : E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return browser_ ? browser_->QueryInterface(iid, out) : E_NOINTERFACE;
  }

private:
  ComPtr<IOleContainer> container_;
  ComPtr<IWebBrowser2> browser_;
};

class TPlainContainer : public ComObject<browser::IOleContainerStub> {};
// An HTML document that has no window.
class TWindowlessDocument : public ComObject<browser::IOleContainerStub, browser::IHTMLDocument2Stub> {};

const CLSID kTestControlClsid = {0x5e0b27c1, 0x2a44, 0x4f7e, {0x9b, 0x13, 0x6c, 0x1d, 0x7a, 0x2e, 0x90, 0x41}};

const char kFramesMain[] = R"(<page width="400" height="400" url="http://site.test/main.html">
    <iframe name="content" x="0" y="0" width="200" height="200"><page url="http://site.test/content.html"/></iframe>
    <iframe name="nav" x="200" y="0" width="200" height="200"><page url="http://site.test/nav.html"/></iframe>
  </page>)";
const char kFramesPage[] = R"(<page width="800" height="600" url="http://site.test/top.html">
    <iframe name="left" x="0" y="0" width="300" height="400" border="2">
      <page width="500" height="900" url="http://site.test/left.html" mode="5">
        <div x="0" y="0" width="10" height="10">
          <iframe name="inner" x="10" y="10" width="100" height="100"><page url="http://site.test/inner.html"/></iframe>
        </div>
      </page>
    </iframe>
    <iframe name="main" x="320" y="0" width="400" height="400" src="main.xml"/>
  </page>)";

}  // namespace

TEST(HostBrowser, ControlReachesItsPageDocumentWindowAndBrowser) {
  BrowserPage p(R"(<page width="1000" height="2000" url="http://site.test/p.html">
      <object id="Vantrelle" classid="clsid:5E0B27C1-2A44-4F7E-9B13-6C1D7A2E9041" x="0" y="0" width="200" height="50"/>
    </page>)");
  auto object = MakeCom<TTestOleObject>();
  auto factory = MakeCom<TSingleObjectFactory>(static_cast<IOleObject*>(object.get()));
  DWORD cookie = 0;
  ASSERT_EQ(::CoRegisterClassObject(kTestControlClsid, static_cast<IClassFactory*>(factory.get()),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  {
    browser::THostedControl hosted(p.Window(), *p.Page().FindById("Vantrelle"), kTestControlClsid, nullptr);
    IUnknown* control = static_cast<IOleObject*>(object.get());
    const THostBrowser host = GetHostBrowser(control);
    EXPECT_EQ(host.docHwnd, p.View());
    EXPECT_TRUE(SameObject(host.browser, p.Window().Browser()));
    EXPECT_TRUE(SameObject(host.doc, p.Doc()));
    EXPECT_EQ(GetTopParentWindow(host.docHwnd), p.Window().FrameWindow());
    EXPECT_EQ(GetTopParentWindow(p.Window().FrameWindow()), p.Window().FrameWindow());
    EXPECT_EQ(GetTopParentWindow(nullptr), nullptr);

    // The driver then takes the browser again from the document window, and a frame from it.
    ComPtr<IWebBrowser2> fromWindow = GetWebBrowserFromWindow(host.docHwnd);
    EXPECT_TRUE(SameObject(fromWindow, p.Window().Browser()));
    EXPECT_TRUE(SameObject(GetFrameDocument(fromWindow.get(), "", true), p.Doc()));
  }
  ::CoRevokeClassObject(cookie);
}

TEST(HostBrowser, ChainStopsWhereTheContainerFails) {
  BrowserPage p(R"(<page url="http://site.test/p.html"/>)");
  auto object = MakeCom<TTestOleObject>();
  IUnknown* control = static_cast<IOleObject*>(object.get());

  // Not sited yet: nothing is found.
  THostBrowser host = GetHostBrowser(control);
  EXPECT_EQ(host.docHwnd, nullptr);
  EXPECT_FALSE(host.browser);
  EXPECT_FALSE(host.doc);

  // A container that is no HTML document.
  auto plain = MakeCom<TPlainContainer>();
  auto site = MakeCom<TOtherSite>(ComPtr<IOleContainer>(plain.get()), p.Window().Browser());
  object->SetClientSite(static_cast<IOleClientSite*>(site.get()));
  host = GetHostBrowser(control);
  EXPECT_EQ(host.docHwnd, nullptr);
  EXPECT_FALSE(host.browser);
  EXPECT_FALSE(host.doc);

  // An HTML document without a window: the browser is found, the rest is not.
  auto windowless = MakeCom<TWindowlessDocument>();
  auto site2 = MakeCom<TOtherSite>(ComPtr<IOleContainer>(static_cast<IOleContainer*>(windowless.get())),
                                   p.Window().Browser());
  object->SetClientSite(static_cast<IOleClientSite*>(site2.get()));
  host = GetHostBrowser(control);
  EXPECT_EQ(host.docHwnd, nullptr);
  EXPECT_TRUE(SameObject(host.browser, p.Window().Browser()));
  EXPECT_FALSE(host.doc);
  object->SetClientSite(nullptr);

  // A control without a COM object.
  EXPECT_FALSE(GetHostBrowser(nullptr).browser);
}

TEST(HostBrowser, DocumentElementByIdIgnoringCase) {
  BrowserPage p(R"(<page width="800" height="600">
      <div id="first" x="0" y="0" width="10" height="10"/>
      <div id="VANTRELLE" name="one" x="0" y="0" width="10" height="10"/>
      <div id="vantrelle" name="two" x="0" y="0" width="10" height="10"/>
    </page>)");
  ComPtr<IHTMLElement> found = FindDocumentElement(p.Doc().get(), "Vantrelle");
  ASSERT_TRUE(found);
  EXPECT_TRUE(SameObject(found, ComPtr<IHTMLElement>(browser::ElementObject(p.Page().top->body->children[1].get()))));
  EXPECT_FALSE(FindDocumentElement(p.Doc().get(), "absent"));

  try {
    FindDocumentElement(nullptr, "Vantrelle");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Invalid HTML document");
  }
  // A document without a body.
  auto& top = *p.Page().top;
  browser::TElement* body = top.body;
  top.body = nullptr;
  try {
    FindDocumentElement(p.Doc().get(), "Vantrelle");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Can't find <body> element");
  }
  top.body = body;
}

TEST(HostBrowser, DocumentModeIsReadByName) {
  for (int mode : {5, 7, 11}) {
    BrowserPage p("<page mode=\"" + std::to_string(mode) + "\"/>");
    EXPECT_EQ(GetDocumentMode(p.Doc().get()), mode);
  }
  EXPECT_EQ(GetDocumentMode(nullptr), 0);
  auto plain = MakeCom<TPlainContainer>();  // answers no IDispatch
  EXPECT_EQ(GetDocumentMode(static_cast<IOleContainer*>(plain.get())), 0);
  BrowserPage p("<page/>");
  ComPtr<IHTMLElement> body;
  p.Doc()->get_body(body.put());
  EXPECT_EQ(GetDocumentMode(body.get()), 0);  // no such name
}

TEST(WaitForDocument, LoadedDocumentAnswersAtOnce) {
  BrowserPage p("<page/>");
  ASSERT_TRUE(PumpUntil([&] { return p.Page().top->complete; }, 3000));
  const UINT marker = WM_APP + 17;
  ::PostThreadMessageW(::GetCurrentThreadId(), marker, 0, 0);
  EXPECT_TRUE(WaitForDocumentComplete(p.Doc().get(), 10000));
  MSG msg;
  EXPECT_TRUE(::PeekMessageW(&msg, nullptr, marker, marker, PM_REMOVE)) << "no message may be processed";
  EXPECT_FALSE(WaitForDocumentComplete(nullptr, 10000));
}

TEST(WaitForDocument, WaitsForCompleteWhileTheThreadRuns) {
  DWORD start = ::GetTickCount();
  BrowserPage p(R"(<page ready="400"/>)");
  EXPECT_TRUE(WaitForDocumentComplete(p.Doc().get(), INFINITE));
  DWORD elapsed = ::GetTickCount() - start;
  EXPECT_GE(elapsed, 390u);
  EXPECT_LT(elapsed, 3000u);
}

TEST(WaitForDocument, GivesUpAfterTheTimeOut) {
  struct { const char* page; } cases[] = {{R"(<page ready="never"/>)"}, {R"(<page ready="50" readyValue="Complete"/>)"}};
  for (auto c : cases) {
    BrowserPage p(c.page);
    DWORD start = ::GetTickCount();
    EXPECT_FALSE(WaitForDocumentComplete(p.Doc().get(), 500)) << c.page;
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_GE(elapsed, 490u) << c.page;
    EXPECT_LT(elapsed, 2000u) << c.page;
  }
  // The tick counter wraps past zero during the wait.
  EXPECT_TRUE(TickTimeoutPassed(0xFFFFFF00u, 0x00000100u, 500));
  EXPECT_FALSE(TickTimeoutPassed(0xFFFFFF00u, 0x00000100u, 512));
  EXPECT_FALSE(TickTimeoutPassed(0xFFFFFF00u, 0xFFFFFFF0u, 500));
  // Between two reads the wait sleeps for a message, whatever the time-out, INFINITE too.
  const DWORD slices[][4] = {{0, 0, INFINITE, 50}, {5, 5, INFINITE - 1, 50}, {0xFFFFFFF0u, 0x10, 10000, 50},
                             {0, 0, 10, 11},       {0, 10, 10, 1},           {0, 0, 0, 1}};
  for (const auto& s : slices) EXPECT_EQ(WaitSliceMs(s[0], s[1], s[2]), s[3]) << s[0] << " " << s[1] << " " << s[2];
}

TEST(WaitForDocument, QuitEndsTheWaitAndStaysForTheHost) {
  BrowserPage p(R"(<page ready="never"/>)");
  ::PostQuitMessage(7);
  DWORD start = ::GetTickCount();
  EXPECT_FALSE(WaitForDocumentComplete(p.Doc().get(), 10000));
  EXPECT_LT(::GetTickCount() - start, 1000u);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(Frames, FoundByIndexPathAndByName) {
  BrowserPage p(kFramesPage, {}, {{"main.xml", kFramesMain}});
  auto browser = p.Window().Browser();
  struct { const char* path; const wchar_t* url; } found[] = {
      {"$0", L"http://site.test/left.html"},      {"$1.0", L"http://site.test/content.html"},
      {"$1.1", L"http://site.test/nav.html"},     {"$0.0", L"http://site.test/inner.html"},
      {"main/content", L"http://site.test/content.html"}, {"left/inner", L"http://site.test/inner.html"},
      {"main", L"http://site.test/main.html"},    {"$1.0 ", L"http://site.test/content.html"},
      {"$", L"http://site.test/top.html"},        {"", L"http://site.test/top.html"},
      {"   ", L"http://site.test/top.html"},
  };
  for (auto f : found) {
    for (bool exact : {true, false}) {
      EXPECT_EQ(DocumentUrl(GetFrameDocument(browser.get(), f.path, exact)), f.url) << "path [" << f.path << "] exact " << exact;
    }
  }
}

TEST(Frames, FailedSearchFallsBack) {
  BrowserPage p(kFramesPage, {}, {{"main.xml", kFramesMain}});
  auto browser = p.Window().Browser();
  // Not a number, no such frame, one step longer than the nesting, names are exact, empty steps;
  // a blank before the "$" makes the path a frame name.
  for (const char* path :
       {"$x", "$2", "$-1", "$1.0.0", "$0.0.0", "main/content/x", "Main", "main/", "$1..0", "$.0", " $1.0"}) {
    EXPECT_FALSE(GetFrameDocument(browser.get(), path, true)) << path;
    EXPECT_TRUE(SameObject(GetFrameDocument(browser.get(), path, false), p.Doc())) << path;
  }
  EXPECT_FALSE(GetFrameDocument(nullptr, "$0", false));
}

TEST(ScrollElement, DocumentElementInStandardsModeBodyInQuirksMode) {
  BrowserPage standards(R"(<page width="2000" height="3000" mode="8"/>)");
  TElementCapture capture;
  ComPtr<IHTMLElement2> element = GetScrollElement(standards.Doc().get(), capture);
  EXPECT_TRUE(SameObject(element, standards.ScrollElement()));
  EXPECT_EQ(standards.Record(), std::vector<std::string>{"setCapture HTML"});
  capture.Release();
  EXPECT_EQ(standards.Record(), (std::vector<std::string>{"setCapture HTML", "releaseCapture HTML"}));

  // The document element takes the capture even when the body is chosen.
  BrowserPage quirks(R"(<page width="2000" height="3000" mode="5"/>)");
  element = GetScrollElement(quirks.Doc().get(), capture);
  ComPtr<IHTMLElement> body;
  quirks.Doc()->get_body(body.put());
  EXPECT_TRUE(SameObject(element, body));
  EXPECT_EQ(quirks.Record(), std::vector<std::string>{"setCapture HTML"});

  // A quirks-mode frame's body, found through the frame path.
  BrowserPage frames(kFramesPage, {}, {{"main.xml", kFramesMain}});
  ComPtr<IHTMLDocument2> left = GetFrameDocument(frames.Window().Browser().get(), "left", true);
  element = GetScrollElement(left.get(), capture);
  ComPtr<IHTMLElement> leftBody;
  left->get_body(leftBody.put());
  EXPECT_TRUE(SameObject(element, leftBody));
  left = GetFrameDocument(frames.Window().Browser().get(), "$1", true);
  element = GetScrollElement(left.get(), capture);
  ComPtr<IHTMLElement> mainHtml;
  left.As<IHTMLDocument3>()->get_documentElement(mainHtml.put());
  EXPECT_TRUE(SameObject(element, mainHtml));

  // Neither a client area nor a body; no document.
  auto& top = *quirks.Page().top;
  browser::TElement* quirksBody = top.body;
  top.body = nullptr;
  element = GetScrollElement(quirks.Doc().get(), capture);
  top.body = quirksBody;
  EXPECT_FALSE(element);
  EXPECT_FALSE(GetScrollElement(nullptr, capture));
}

namespace {

// A document whose body is a real page's, with or without a document element interface that fails.
template <class... Stubs>
class TBodyOnlyDocument : public ComObject<browser::IHTMLDocument2Stub, Stubs...> {
public:
  explicit TBodyOnlyDocument(ComPtr<IHTMLElement> body) : body_(std::move(body)) {}
  HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override {
    *p = ComPtr<IHTMLElement>(body_).Detach();
    return S_OK;
  }

private:
  ComPtr<IHTMLElement> body_;
};

}  // namespace

TEST(ScrollElement, BodyWithoutDocumentElementAndFailingReadsRaise) {
  BrowserPage p(R"(<page mode="8"/>)");
  ComPtr<IHTMLElement> body;
  p.Doc()->get_body(body.put());
  auto noDocument3 = MakeCom<TBodyOnlyDocument<>>(body);
  TElementCapture capture;
  ComPtr<IHTMLElement2> element = GetScrollElement(noDocument3.get(), capture);
  EXPECT_TRUE(SameObject(element, body));

  // documentElement not implemented: the failure reaches the caller.
  auto failing = MakeCom<TBodyOnlyDocument<browser::IHTMLDocument3Stub>>(body);
  try {
    element = GetScrollElement(failing.get(), capture);
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), E_NOTIMPL);
  }
}

TEST(BrowserFromWindow, FoundThroughTheRegisteredMessage) {
  BrowserPage p(R"(<page url="http://site.test/p.html"/>)");
  BrowserPage other(R"(<page url="http://site.test/other.html"/>)");
  EXPECT_TRUE(SameObject(GetWebBrowserFromWindow(p.View()), p.Window().Browser()));

  // A view that does not answer names no browser: the one from the client site stays in use.
  BrowserPage silent(R"(<page getobject="ignore"/>)");
  EXPECT_FALSE(GetWebBrowserFromWindow(silent.View()));
  EXPECT_FALSE(GetWebBrowserFromWindow(nullptr));
}

namespace {

// A document view whose thread is busy for longer than the control waits.
LRESULT CALLBACK SlowViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == ::RegisterWindowMessageA("WM_HTML_GETOBJECT")) {
    ::Sleep(2500);
    return 0;
  }
  return ::DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

TEST(BrowserFromWindow, WindowThatDoesNotAnswerInTimeKeepsTheBrowser) {
  HWND slow = nullptr;
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD threadId = 0;
  std::thread owner([&] {
    threadId = ::GetCurrentThreadId();
    WNDCLASSW wc{};
    wc.lpfnWndProc = SlowViewProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VtSlowDocumentView";
    ::RegisterClassW(&wc);
    slow = ::CreateWindowW(L"VtSlowDocumentView", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
    ::SetEvent(ready);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    ::DestroyWindow(slow);
  });
  ::WaitForSingleObject(ready, 5000);
  ASSERT_NE(slow, nullptr);

  DWORD start = ::GetTickCount();
  EXPECT_FALSE(GetWebBrowserFromWindow(slow));
  DWORD elapsed = ::GetTickCount() - start;
  EXPECT_GE(elapsed, 950u);
  EXPECT_LT(elapsed, 2000u);
  ::PostThreadMessageW(threadId, WM_QUIT, 0, 0);
  owner.join();
  ::CloseHandle(ready);
}

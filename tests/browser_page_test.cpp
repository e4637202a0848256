// The stand-in browser's own behaviour: page files, scroll geometry, the painted view and element
// rendering (pixel-exact at any scroll position), frames, WM_HTML_GETOBJECT, readyState timing and
// the record of what was done to it. The control's readers of it are tested in browser_hosting,
// browser_capture and browser_element_geometry.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <thread>

#include "base/Errors.h"
#include "browser/HtmlObjects.h"
#include "support/BrowserPage.h"
#include "support/OleEnvironment.h"

using namespace vt;
using namespace vt::test;
using vt::browser::TBrowserOptions;

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

const char kPatternPage[] = R"(<page width="2000" height="3000" pattern="xy" url="http://site.test/p.html"/>)";

void SetScroll(IHTMLElement2* e, long left, long top) {
  e->put_scrollLeft(left);
  e->put_scrollTop(top);
}

VARIANT Index(long i) {
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = i;
  return v;
}

VARIANT Name(const wchar_t* s) {  // the BSTR lives as long as the test program
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = ::SysAllocString(s);
  return v;
}

}  // namespace

TEST(BrowserPageFile, ReadsElementsFramesAndScript) {
  TempDir dir;
  WriteFileBytes(dir.file("frame.xml"), R"(<page width="50" height="60" url="http://site.test/f.html" mode="5"/>)");
  WriteFileBytes(dir.file("page.xml"), R"(<page width="900" height="1200" mode="7" ready="250" domain="site.test">
      <div id="a" x="10" y="20" width="30" height="40" border="2" borderColor="#102030" background="#A0B0C0">
        <span x="1" y="2" width="3" height="4" textColor="#FF0000">Hello</span>
      </div>
      <PageBreak y="500"/>
      <iframe name="f" src="frame.xml" width="100" height="100"/>
      <script><call>Run2('/scr', #a)</call><call>GetVtnVersion(out)</call></script>
    </page>)");
  auto page = browser::LoadPageFile(dir.file("page.xml"));
  auto& top = *page->top;
  EXPECT_EQ(top.documentMode, 7);
  EXPECT_EQ(top.readyDelayMs, 250);
  EXPECT_EQ(top.domain, L"site.test");
  EXPECT_EQ(top.contentWidth, 900);
  auto* a = top.FindById("A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->tag, "DIV");
  EXPECT_EQ(a->border, 2);
  EXPECT_EQ(a->borderColor, RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(a->color, RGB(0xA0, 0xB0, 0xC0));
  ASSERT_EQ(a->children.size(), 1u);
  EXPECT_EQ(a->children[0]->text, L"Hello");
  EXPECT_EQ(a->children[0]->textColor, RGB(255, 0, 0));
  ASSERT_NE(a->Attribute("bordercolor"), nullptr);
  EXPECT_EQ(top.body->children[1]->tag, "PAGEBREAK");
  auto frames = top.Frames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0]->name, "f");
  EXPECT_EQ(frames[0]->frame->url, L"http://site.test/f.html");
  EXPECT_EQ(frames[0]->frame->ScrollElement(), frames[0]->frame->body);
  ASSERT_EQ(page->script.size(), 2u);
  EXPECT_EQ(page->script[0], L"Run2('/scr', #a)");
}

TEST(BrowserPageFile, FaultsNameTheFileAndTheAttribute) {
  TempDir dir;
  struct { const char* xml; const char* expected; } cases[] = {
      {R"(<page width="wide"/>)", "attribute width: \"wide\" is not a number"},
      {R"(<page><div background="red"/></page>)", "attribute background: \"red\" is not a colour"},
      {R"(<page><div pattern="dots"/></page>)", "attribute pattern"},
      {R"(<html/>)", "the root element must be <page>"},
      {R"(<page><div></page>)", "line"},
      {R"(<page><img src="missing.bmp"/></page>)", "missing.bmp"},
  };
  for (auto c : cases) {
    WriteFileBytes(dir.file("page.xml"), c.xml);
    try {
      browser::LoadPageFile(dir.file("page.xml"));
      ADD_FAILURE() << c.xml;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("page.xml"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(browser::LoadPageFile(dir.file("absent.xml")), Error);
}

TEST(BrowserWindows, MirrorTheBrowsersWindowsAndObjects) {
  BrowserPage p(kPatternPage);
  HWND view = p.View();
  char name[64];
  ::GetClassNameA(view, name, sizeof(name));
  EXPECT_STREQ(name, "Internet Explorer_Server");
  HWND top = ::GetParent(::GetParent(view));
  ::GetClassNameA(top, name, sizeof(name));
  EXPECT_STREQ(name, "IEFrame");
  EXPECT_EQ(::GetParent(top), nullptr);

  HWND fromDocument = nullptr;
  ASSERT_EQ(p.Doc().As<IOleWindow>()->GetWindow(&fromDocument), S_OK);
  EXPECT_EQ(fromDocument, view);
  SHANDLE_PTR frame = 0;
  ASSERT_EQ(p.Window().Browser()->get_HWND(&frame), S_OK);
  EXPECT_EQ(reinterpret_cast<HWND>(frame), top);
  ComPtr<IDispatch> document;
  ASSERT_EQ(p.Window().Browser()->get_Document(document.put()), S_OK);
  EXPECT_EQ(document.As<IUnknown>().get(), p.Doc().As<IUnknown>().get());
  // One object per element: the same element always gives the same object.
  ComPtr<IHTMLElement> body1, body2;
  p.Doc()->get_body(body1.put());
  p.Doc()->get_body(body2.put());
  EXPECT_EQ(body1.get(), body2.get());
}

TEST(BrowserGeometry, ScrollElementReportsViewportContentAndScrollBars) {
  BrowserPage standards(kPatternPage);
  auto html = standards.ScrollElement();
  EXPECT_EQ(Get(html.get(), &IHTMLElement2::get_clientWidth), 800 - 17);
  EXPECT_EQ(Get(html.get(), &IHTMLElement2::get_clientHeight), 600 - 17);
  EXPECT_EQ(Get(html.get(), &IHTMLElement2::get_clientLeft), 0);
  EXPECT_EQ(Get(html.get(), &IHTMLElement2::get_scrollWidth), 2000);
  EXPECT_EQ(Get(html.get(), &IHTMLElement2::get_scrollHeight), 3000);
  SetScroll(html.get(), 100000, -5);
  EXPECT_EQ(Get(html.get(), &IHTMLElement2::get_scrollLeft), 2000 - 783);
  EXPECT_EQ(Get(html.get(), &IHTMLElement2::get_scrollTop), 0);

  // Quirks mode: the document element has no client area; the body scrolls, with its border.
  BrowserPage quirks(R"(<page width="500" height="3000" mode="5" border="2" scrollbars="auto"/>)");
  auto qhtml = quirks.ScrollElement();
  EXPECT_EQ(Get(qhtml.get(), &IHTMLElement2::get_clientWidth), 0);
  EXPECT_EQ(Get(qhtml.get(), &IHTMLElement2::get_clientHeight), 0);
  ComPtr<IHTMLElement> body;
  quirks.Doc()->get_body(body.put());
  auto body2 = body.As<IHTMLElement2>();
  EXPECT_EQ(Get(body2.get(), &IHTMLElement2::get_clientWidth), 800 - 4 - 17);
  EXPECT_EQ(Get(body2.get(), &IHTMLElement2::get_clientHeight), 600 - 4);
  EXPECT_EQ(Get(body2.get(), &IHTMLElement2::get_clientTop), 2);
  EXPECT_EQ(Get(body2.get(), &IHTMLElement2::get_scrollWidth), 800 - 4 - 17);
  EXPECT_EQ(Get(body2.get(), &IHTMLElement2::get_scrollHeight), 3000);
}

TEST(BrowserPainting, ViewShowsThePageAtEveryScrollPosition) {
  BrowserPage p(kPatternPage);
  auto html = p.ScrollElement();
  const int w = 783, h = 583;
  struct { long left, top; } positions[] = {{0, 0}, {517, 1234}, {3, 7}, {1217, 2417}, {99999, 99999}};
  for (auto pos : positions) {
    SetScroll(html.get(), pos.left, pos.top);
    long left = Get(html.get(), &IHTMLElement2::get_scrollLeft), top = Get(html.get(), &IHTMLElement2::get_scrollTop);
    EXPECT_EQ(left, std::min(pos.left, 2000L - w));
    EXPECT_EQ(top, std::min(pos.top, 3000L - h));
    // No message is pumped: the view shows the new position as soon as the scroll returns.
    WindowDC dc(p.View());
    auto shot = Grab(dc.get(), 0, 0, w, h);
    EXPECT_EQ(FirstMismatch(*shot, 0, 0, w, h, [&](int x, int y) { return XYColor(left + x, top + y); }), "")
        << "at " << left << "," << top;
  }
  // The last view ends with the content's last row and column.
  WindowDC dc(p.View());
  EXPECT_EQ(::GetPixel(dc.get(), w - 1, h - 1), XYColor(1999, 2999));
  EXPECT_NE(::GetPixel(dc.get(), w + 5, 10), XYColor(1217 + w + 5, 2417 + 10));  // the scroll bar
}

TEST(BrowserPainting, DesktopShowsTheViewAfterEachScroll) {
  TBrowserOptions options;
  options.left = 300;
  options.top = 200;
  options.topmost = true;
  BrowserPage p(kPatternPage, options);
  auto html = p.ScrollElement();
  POINT origin{0, 0};
  ::ClientToScreen(p.View(), &origin);
  for (long top : {0L, 1500L, 2417L}) {
    SetScroll(html.get(), 700, top);
    WindowDC desktop(::GetDesktopWindow());
    auto shot = Grab(desktop.get(), origin.x, origin.y, 783, 583);
    EXPECT_EQ(FirstMismatch(*shot, 0, 0, 783, 583, [&](int x, int y) { return XYColor(700 + x, top + y); }), "")
        << "at scroll top " << top;
  }
}

TEST(BrowserPainting, DrawToDCRendersTheElementsVisiblePart) {
  BrowserPage p(R"(<page width="1000" height="1000" background="#FFFFFF">
      <div id="pane" x="50" y="60" width="300" height="200" border="2" borderColor="#112233" overflow="scroll"
           contentWidth="1000" contentHeight="900">
        <div pattern="xy" x="0" y="0" width="1000" height="900"/>
      </div>
    </page>)");
  auto pane = p.Element("pane").As<IHTMLElement2>();
  EXPECT_EQ(Get(pane.get(), &IHTMLElement2::get_clientWidth), 300 - 4 - 17);
  EXPECT_EQ(Get(pane.get(), &IHTMLElement2::get_clientHeight), 200 - 4 - 17);
  EXPECT_EQ(Get(pane.get(), &IHTMLElement2::get_scrollHeight), 900);
  SetScroll(pane.get(), 100, 5000);
  long top = Get(pane.get(), &IHTMLElement2::get_scrollTop);
  EXPECT_EQ(top, 900 - 179);
  TBitmap bitmap(300, 200);
  bitmap.Fill(RGB(255, 255, 255));
  ASSERT_EQ(pane.As<IHTMLElementRender>()->DrawToDC(bitmap.Canvas()), S_OK);
  EXPECT_EQ(bitmap.Pixel(0, 0), RGB(0x11, 0x22, 0x33));
  EXPECT_EQ(FirstMismatch(bitmap, 2, 2, 279, 179, [&](int x, int y) { return XYColor(100 + x - 2, top + y - 2); }), "");
  // The window shows the same pixels where the element sits.
  WindowDC dc(p.View());
  auto shot = Grab(dc.get(), 50, 60, 300, 200);
  EXPECT_EQ(FirstMismatch(*shot, 0, 0, 300, 200, [&](int x, int y) { return bitmap.Pixel(x, y); }), "");
}

TEST(BrowserPainting, ImagesAndTextsShowWhereThePagePutsThem) {
  TempDir dir;
  TBitmap picture(40, 30);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) picture.SetPixel(x, y, RGB(x * 5, y * 7, 99));
  picture.SaveToFile(dir.file("pic.bmp"));
  BrowserPage p(R"(<page width="800" height="600" background="#FFFFFF">
      <img src="pic.bmp" x="30" y="40"/>
      <span x="100" y="200" width="300" height="40" textColor="#000080" fontSize="16">Vantrelle 1.6</span>
    </page>)", {}, {{"pic.bmp", ReadFileBytes(dir.file("pic.bmp"))}});
  WindowDC dc(p.View());
  auto shot = Grab(dc.get(), 0, 0, 800, 600);
  EXPECT_EQ(FirstMismatch(*shot, 30, 40, 40, 30, [&](int x, int y) { return picture.Pixel(x - 30, y - 40); }), "");
  EXPECT_EQ(shot->Pixel(29, 40), RGB(255, 255, 255));
  // The text as GDI draws it with the page's font, clipped to its element.
  TBitmap text(300, 40);
  text.Fill(RGB(255, 255, 255));
  FontHandle font(::CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Tahoma"));
  {
    SelectObjectScope select(text.Canvas(), font.get());
    ::SetBkMode(text.Canvas(), TRANSPARENT);
    ::SetTextColor(text.Canvas(), RGB(0, 0, 0x80));
    RECT r{0, 0, 300, 40};
    ::DrawTextW(text.Canvas(), L"Vantrelle 1.6", -1, &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
  }
  EXPECT_EQ(FirstMismatch(*shot, 100, 200, 300, 40, [&](int x, int y) { return text.Pixel(x - 100, y - 200); }), "");
  EXPECT_NE(FirstMismatch(text, 0, 0, 300, 40, [](int, int) { return RGB(255, 255, 255); }), "");
}

TEST(BrowserFrames, FrameContentShowsInTheTopViewAsItIsScrolled) {
  BrowserPage p(R"(<page width="800" height="600" url="http://site.test/top.html">
      <iframe name="left" x="0" y="0" width="300" height="400" border="2">
        <page width="500" height="900" url="http://site.test/left.html" pattern="xy"/>
      </iframe>
    </page>)");
  auto top = p.Doc();
  // A frame's content shows inside the top view at the frame's place, scrolled as the frame is.
  auto left = FrameDocument(top.get(), 0);
  ComPtr<IHTMLElement> leftHtml, leftBody;
  left.As<IHTMLDocument3>()->get_documentElement(leftHtml.put());
  auto scroller = leftHtml.As<IHTMLElement2>();
  EXPECT_EQ(Get(scroller.get(), &IHTMLElement2::get_clientWidth), 296 - 17);
  EXPECT_EQ(Get(scroller.get(), &IHTMLElement2::get_clientHeight), 396 - 17);
  scroller->put_scrollTop(150);
  WindowDC dc(p.View());
  auto shot = Grab(dc.get(), 2, 2, 279, 379);
  EXPECT_EQ(FirstMismatch(*shot, 20, 0, 259, 379, [&](int x, int y) { return XYColor(x, 150 + y); }), "");
  // The body's client rectangle is where the frame's content starts in the top view.
  left->get_body(leftBody.put());
  ComPtr<IHTMLRectCollection> rects;
  leftBody.As<IHTMLElement2>()->getClientRects(rects.put());
  VARIANT zero = Index(0), item;
  ::VariantInit(&item);
  ASSERT_EQ(rects->item(&zero, &item), S_OK);
  ComPtr<IHTMLRect> rect = ComPtr<IDispatch>::Attach(V_DISPATCH(&item)).As<IHTMLRect>();
  LONG l = 0, t = 0;
  rect->get_left(&l);
  rect->get_top(&t);
  EXPECT_EQ(l, 2);
  EXPECT_EQ(t, 2 - 150);
  leftBody->scrollIntoView(VARIANT{});
  EXPECT_EQ(Get(scroller.get(), &IHTMLElement2::get_scrollTop), 0);
}

TEST(BrowserFrames, HiddenFrameGetsAClientAreaFromResizeTo) {
  BrowserPage p(R"(<page width="800" height="600">
      <iframe name="hidden" x="0" y="0" width="0" height="0"><page mode="5" width="300" height="50"/></iframe>
    </page>)");
  auto frame = FrameDocument(p.Doc().get(), 0);
  ComPtr<IHTMLElement> body;
  frame->get_body(body.put());
  auto body2 = body.As<IHTMLElement2>();
  EXPECT_EQ(Get(body2.get(), &IHTMLElement2::get_clientWidth), 0);
  ComPtr<IHTMLWindow2> window;
  frame->get_parentWindow(window.put());
  ASSERT_EQ(window->resizeTo(800, 100), S_OK);
  EXPECT_EQ(Get(body2.get(), &IHTMLElement2::get_clientWidth), 800);
  EXPECT_EQ(Get(body2.get(), &IHTMLElement2::get_clientHeight), 100);
  window->resizeTo(0, 0);
  EXPECT_EQ(p.Record(), (std::vector<std::string>{"resizeTo hidden 800 100", "resizeTo hidden 0 0"}));
}

TEST(BrowserGetObject, AnswersWithTheDocumentWithinTheTimeOut) {
  BrowserPage p(kPatternPage);
  const UINT message = ::RegisterWindowMessageA("WM_HTML_GETOBJECT");
  // Sent from another thread, as to a window of another thread, while this one pumps messages.
  DWORD_PTR answer = 0;
  LRESULT sent = 0;
  DWORD elapsed = 0;
  std::thread sender([&] {
    DWORD start = ::GetTickCount();
    sent = ::SendMessageTimeoutA(p.View(), message, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer);
    elapsed = ::GetTickCount() - start;
  });
  PumpUntil([&] { return elapsed != 0 || sent != 0; }, 3000);
  sender.join();
  ASSERT_NE(sent, 0);
  EXPECT_LT(elapsed, 1000u);
  ComPtr<IHTMLDocument2> doc;
  ASSERT_EQ(::ObjectFromLresult(answer, IID_IHTMLDocument2, 0, doc.put_void()), S_OK);
  EXPECT_EQ(doc.get(), p.Doc().get());

  // Without proxies the document cannot be used from another thread.
  HRESULT elsewhere = S_OK;
  std::thread other([&] {
    ComApartment apartment;
    DWORD_PTR lresult = 0;
    ::SendMessageTimeoutA(p.View(), message, 0, 0, SMTO_ABORTIFHUNG, 1000, &lresult);
    IHTMLDocument2* d = nullptr;
    elsewhere = ::ObjectFromLresult(lresult, IID_IHTMLDocument2, 0, reinterpret_cast<void**>(&d));
    if (d) d->Release();
  });
  PumpUntil([&] { return elsewhere != S_OK; }, 3000);
  other.join();
  EXPECT_TRUE(FAILED(elsewhere));
}

TEST(BrowserReadyState, BecomesCompleteAfterTheDelay) {
  DWORD start = ::GetTickCount();
  BrowserPage p(R"(<page ready="300"><iframe name="f" width="10" height="10"><page ready="never"/></iframe></page>)");
  auto state = [&](IHTMLDocument2* d) {
    Bstr s;
    d->get_readyState(s.put());
    return s.str();
  };
  auto doc = p.Doc();
  EXPECT_EQ(state(doc.get()), L"interactive");
  ASSERT_TRUE(PumpUntil([&] { return state(doc.get()) == L"complete"; }, 3000));
  EXPECT_GE(::GetTickCount() - start, 300u);
  auto frame = FrameDocument(doc.get(), 0);
  EXPECT_EQ(state(frame.get()), L"interactive");

  // A refresh loads the page again.
  p.Window().Browser()->Refresh();
  EXPECT_EQ(state(doc.get()), L"interactive");
  EXPECT_TRUE(PumpUntil([&] { return state(doc.get()) == L"complete"; }, 3000));
  EXPECT_EQ(p.Record(), std::vector<std::string>{"refresh"});

  BrowserPage odd(R"(<page readyValue="Complete"/>)");
  EXPECT_EQ(state(odd.Doc().get()), L"Complete");
}

TEST(BrowserZoom, StartsAtTheBrowsersZoomSetting) {
  RegKey key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\Zoom", 0, nullptr, 0,
                              KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  DWORD factor = 125000;
  ::RegSetValueExA(key.get(), "ZoomFactor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&factor), sizeof(factor));
  BrowserPage p("<page/>");
  ::RegDeleteValueA(key.get(), "ZoomFactor");
  VARIANT out;
  ::VariantInit(&out);
  ASSERT_EQ(p.Window().Browser()->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, nullptr, &out), S_OK);
  EXPECT_EQ(V_I4(&out), 125);
  EXPECT_TRUE(p.Record().empty());
}

TEST(BrowserRecord, WhatIsDoneToTheBrowserIsRecorded) {
  BrowserPage p(R"(<page width="800" height="600">
      <object id="Vantrelle" classid="clsid:00000000-0000-0000-0000-000000000000" x="10" y="10" width="300" height="150"/>
    </page>)");
  auto control = p.Element("Vantrelle");
  VARIANT_BOOL removed = VARIANT_FALSE;
  Bstr width(L"width"), height(L"height");
  control->removeAttribute(width.get(), 0, &removed);
  EXPECT_EQ(removed, VARIANT_TRUE);
  control->removeAttribute(height.get(), 0, &removed);
  ComPtr<IHTMLStyle> style;
  control->get_style(style.put());
  VARIANT zero = Name(L"0"), away = Name(L"-1024");
  style->put_width(zero);
  style->put_height(zero);
  style->put_left(away);
  style->put_top(away);
  EXPECT_EQ(Get(control.get(), &IHTMLElement::get_offsetLeft), -1024);
  EXPECT_EQ(Get(control.get(), &IHTMLElement::get_offsetWidth), 0);

  auto browser = p.Window().Browser();
  VARIANT percent = Index(100), out;
  ::VariantInit(&out);
  ASSERT_EQ(browser->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &percent, &out), S_OK);
  EXPECT_EQ(V_I4(&out), 100);
  VARIANT bad = Index(0);
  EXPECT_EQ(browser->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &bad, nullptr), E_INVALIDARG);
  HWND frame = p.Window().FrameWindow();
  ::MoveWindow(frame, 0, 0, 900, 700, TRUE);
  ::EnableWindow(frame, FALSE);
  ::EnableWindow(frame, TRUE);
  ComPtr<IHTMLElement> html;
  p.Doc().As<IHTMLDocument3>()->get_documentElement(html.put());
  html.As<IHTMLElement2>()->setCapture(VARIANT_TRUE);
  std::vector<std::string> expected = kHiddenControlRecord;
  expected.insert(expected.end(), {"zoom 100", "window 0 0 900 700", "enabled 0", "enabled 1", "setCapture HTML"});
  EXPECT_EQ(p.Record(), expected);
  // The view follows the frame window.
  RECT client;
  ::GetClientRect(p.View(), &client);
  EXPECT_GT(client.right, 800);
  EXPECT_EQ(Get(p.ScrollElement().get(), &IHTMLElement2::get_clientWidth), client.right);
}

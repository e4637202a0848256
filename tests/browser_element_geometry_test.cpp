// Element positions and the page's PAGEBREAK elements, measured in the stand-in browser's pages
// (frames included), and what happens when the browser answers badly.
#include <gtest/gtest.h>

#include "base/Errors.h"
#include "browser/HtmlObjects.h"
#include "capture/uElementGeometry.h"
#include "support/BrowserPage.h"
#include "support/OleEnvironment.h"

using namespace vt;
using namespace vt::test;

// Found by the test macros through argument-dependent lookup: RECT lives in the global namespace.
bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
void PrintTo(const RECT& r, std::ostream* os) {
  *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

const auto* const kOle = ::testing::AddGlobalTestEnvironment(new OleEnvironment);

const char kBreaksPage[] = R"(<page width="1000" height="3000">
    <PAGEBREAK id="pb1" x="30" y="1200" width="600" height="2"/>
    <div id="outer" x="100" y="200" width="500" height="500">
      <div id="inner" x="5" y="7" width="50" height="50"><pagebreak id="pb2" x="1" y="2" width="3" height="4"/></div>
    </div>
    <hr id="rule" x="0" y="2400" width="1000" height="1"/>
    <pagebreak id="pb3" y="2500"/>
  </page>)";

ComPtr<IHTMLElement> Body(IHTMLDocument2* doc) {
  ComPtr<IHTMLElement> body;
  doc->get_body(body.put());
  return body;
}

RECT Rect(IHTMLElement* e) {
  const std::optional<RECT> r = GetElementAbsoluteRect(e);
  EXPECT_TRUE(r);
  return r.value_or(RECT{-1, -1, -1, -1});
}

std::string Id(IHTMLElement* e) {
  Bstr id;
  e->get_id(id.put());
  return ToUtf8(id.str());
}

bool SameObject(IUnknown* a, IUnknown* b) {
  return ComPtr<IUnknown>(a).As<IUnknown>().get() == ComPtr<IUnknown>(b).As<IUnknown>().get();
}

ComPtr<IHTMLElement> ById(IHTMLDocument2* doc, const wchar_t* id) {
  ComPtr<IHTMLElement> e;
  Bstr name(id);
  ComPtr<IHTMLDocument2>(doc).As<IHTMLDocument3>()->getElementById(name.get(), e.put());
  return e;
}

// Browser objects that answer what the stand-in's pages cannot: a body placed away from the
// origin, failing property reads, collections that lose items.
class FakeElement : public browser::ComObject<browser::IHTMLElementStub> {
public:
  std::wstring tag = L"DIV";
  LONG left = 0, top = 0, width = 10, height = 10;
  ComPtr<IHTMLElement> offsetParent;
  ComPtr<IDispatch> document;
  HRESULT topResult = S_OK;

  HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override { return browser::ReturnBstr(tag, p); }
  HRESULT STDMETHODCALLTYPE get_offsetLeft(LONG* p) override { return browser::ReturnLong(left, p); }
  HRESULT STDMETHODCALLTYPE get_offsetTop(LONG* p) override {
    return FAILED(topResult) ? topResult : browser::ReturnLong(top, p);
  }
  HRESULT STDMETHODCALLTYPE get_offsetWidth(LONG* p) override { return browser::ReturnLong(width, p); }
  HRESULT STDMETHODCALLTYPE get_offsetHeight(LONG* p) override { return browser::ReturnLong(height, p); }
  HRESULT STDMETHODCALLTYPE get_offsetParent(IHTMLElement** p) override { return browser::ReturnInterface(offsetParent, p); }
  HRESULT STDMETHODCALLTYPE get_document(IDispatch** p) override { return browser::ReturnInterface(document, p); }
};

// tags(name) of this collection: a late-bound collection of `items` (a null item comes back
// empty), or `tagsResult` when that is a failure.
class FakeCollection : public browser::ComObject<browser::IHTMLElementCollectionStub> {
public:
  std::vector<ComPtr<IHTMLElement>> items;
  HRESULT tagsResult = S_OK;
  bool answerCollection = true;

  HRESULT STDMETHODCALLTYPE tags(VARIANT, IDispatch** p) override {
    if (FAILED(tagsResult)) return tagsResult;
    if (!answerCollection) return browser::ReturnInterface(browser::MakeCom<FakeElement>(), p);
    auto copy = browser::MakeCom<FakeCollection>();
    copy->items = items;
    return browser::ReturnInterface(copy, p);
  }

protected:
  HRESULT InvokeDispId(DISPID id, WORD flags, DISPPARAMS& params, VARIANT& result) override {
    if (id == 1500 && flags == DISPATCH_PROPERTYGET && params.cArgs == 0) {
      V_VT(&result) = VT_I4;
      V_I4(&result) = static_cast<LONG>(items.size());
      return S_OK;
    }
    if (id == DISPID_VALUE && flags == DISPATCH_METHOD && params.cArgs == 2) {
      LONG k = V_I4(&params.rgvarg[0]);
      if (V_VT(&params.rgvarg[0]) != VT_I4 || V_VT(&params.rgvarg[1]) != VT_I4 || V_I4(&params.rgvarg[1]) != k)
        return DISP_E_TYPEMISMATCH;
      browser::ToVariant(k < static_cast<LONG>(items.size()) ? items[k] : ComPtr<IHTMLElement>(), &result);
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
};

class FakeDocument : public browser::ComObject<browser::IHTMLDocument2Stub> {
public:
  ComPtr<FakeCollection> all = browser::MakeCom<FakeCollection>();
  HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) override { return browser::ReturnInterface(all, p); }
};

// A start element of a fake document holding `items` under every tag name.
ComPtr<FakeElement> FakeStart(const std::vector<ComPtr<IHTMLElement>>& items, ComPtr<FakeDocument>* doc = nullptr) {
  auto document = browser::MakeCom<FakeDocument>();
  document->all->items = items;
  auto start = browser::MakeCom<FakeElement>();
  start->tag = L"BODY";
  start->document = ComPtr<IDispatch>(static_cast<IHTMLDocument2*>(document.get()));
  if (doc) *doc = document;
  return start;
}

// A fake element with its offsets and size, inside `parent`.
ComPtr<FakeElement> Fake(const wchar_t* tag, RECT offsets, ComPtr<FakeElement> parent = {}) {
  auto e = browser::MakeCom<FakeElement>();
  e->tag = tag;
  e->left = offsets.left;
  e->top = offsets.top;
  e->width = offsets.right;
  e->height = offsets.bottom;
  if (parent) e->offsetParent = ComPtr<IHTMLElement>(parent.get());
  return e;
}

ComPtr<IHTMLElement> FakeAt(LONG top) { return ComPtr<IHTMLElement>(Fake(L"PAGEBREAK", {0, top, 10, 10}).get()); }

}  // namespace

TEST(ElementGeometry, OffsetsAddUpToTheBody) {
  BrowserPage p(kBreaksPage);
  EXPECT_EQ(Rect(p.Element("pb1").get()), (RECT{30, 1200, 630, 1202}));
  EXPECT_EQ(Rect(p.Element("pb2").get()), (RECT{106, 209, 109, 213}));
  EXPECT_EQ(Rect(p.Element("inner").get()), (RECT{105, 207, 155, 257}));
  // Scrolling the document moves nothing: positions are in the document, not the view.
  p.ScrollElement()->put_scrollTop(900);
  EXPECT_EQ(Rect(p.Element("pb3").get()), (RECT{0, 2500, 0, 2500}));
  // The body has no offset parent: its own offsets and size.
  EXPECT_EQ(Rect(Body(p.Doc().get()).get()), (RECT{0, 0, 1000, 3000}));

  EXPECT_FALSE(GetElementAbsoluteRect(nullptr));
}

TEST(ElementGeometry, BodyAwayFromTheOriginAndCaseOfItsTag) {
  auto body = Fake(L"body", {8, 15, 700, 900});  // offsets and size
  EXPECT_EQ(Rect(body.get()), (RECT{8, 15, 708, 915}));

  // The walk ends below a body written in any case; the body's offsets are left out.
  auto outer = Fake(L"DIV", {40, -20, 10, 10}, body);
  auto inner = Fake(L"DIV", {3, 4, 5, 6}, outer);
  EXPECT_EQ(Rect(inner.get()), (RECT{43, -16, 48, -10}));

  // A failed read reaches the caller with the browser's code.
  outer->topResult = E_ACCESSDENIED;
  try {
    GetElementAbsoluteRect(inner.get());
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), E_ACCESSDENIED);
    EXPECT_NE(std::string(e.what()).find("offsetTop"), std::string::npos) << e.what();
  }
}

TEST(ElementGeometry, FrameElementsAreMeasuredInTheirOwnDocument) {
  BrowserPage p(R"(<page width="1000" height="2000">
      <div id="spacer" x="0" y="0" width="10" height="300"/>
      <iframe name="main" x="50" y="400" width="600" height="500" src="frame.xml"/>
    </page>)",
                {}, {{"frame.xml", R"(<page width="600" height="1500" url="http://site.test/f.html">
      <div id="box" x="20" y="30" width="100" height="100"><pagebreak id="fpb" x="2" y="40" width="80" height="1"/></div>
      <pagebreak id="fpb2" y="1000"/>
    </page>)"}});
  auto frame = FrameDocument(p.Doc().get(), L"main");
  ASSERT_TRUE(frame);
  auto fpb = ById(frame.get(), L"fpb");
  ASSERT_TRUE(fpb);
  EXPECT_EQ(Rect(fpb.get()), (RECT{22, 70, 102, 71}));

  EXPECT_TRUE(SameObject(GetElementDocument(fpb.get()).get(), frame.get()));
  EXPECT_TRUE(SameObject(GetElementDocument(p.Element("spacer").get()).get(), p.Doc().get()));
  EXPECT_FALSE(GetElementDocument(nullptr));
  EXPECT_EQ(GetElementTagName(fpb.get()), "PAGEBREAK");
  EXPECT_EQ(GetElementTagName(p.Element("spacer").get()), "DIV");
  EXPECT_EQ(GetElementTagName(nullptr), "");

  // Collected from the frame's body: the frame's breaks only, in its own coordinates.
  std::vector<int32_t> tops;
  EXPECT_EQ(CollectTaggedElements(Body(frame.get()).get(), "PAGEBREAK", nullptr, &tops), 2);
  EXPECT_EQ(tops, (std::vector<int32_t>{70, 1000}));
  // The top page has none.
  tops.clear();
  EXPECT_EQ(CollectTaggedElements(Body(p.Doc().get()).get(), "PAGEBREAK", nullptr, &tops), 0);
  EXPECT_TRUE(tops.empty());
}

TEST(PageBreakElements, TopsInDocumentOrder) {
  BrowserPage p(kBreaksPage);
  std::vector<int32_t> tops;
  std::vector<ComPtr<IHTMLElement>> elements;
  EXPECT_EQ(CollectTaggedElements(Body(p.Doc().get()).get(), "PAGEBREAK", &elements, &tops), 3);
  EXPECT_EQ(tops, (std::vector<int32_t>{1200, 209, 2500}));
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(Id(elements[0].get()), "pb1");
  EXPECT_EQ(Id(elements[1].get()), "pb2");
  EXPECT_EQ(Id(elements[2].get()), "pb3");

  // Either list may be left out; the tag is found in any letter case.
  EXPECT_EQ(CollectTaggedElements(p.Element("outer").get(), "pagebreak", nullptr, nullptr), 3);
  // Lists are appended to, not replaced.
  EXPECT_EQ(CollectTaggedElements(p.Element("outer").get(), "PAGEBREAK", nullptr, &tops), 3);
  EXPECT_EQ(tops.size(), 6u);

  // A start element that is itself a PAGEBREAK adds its top once more at the end.
  tops.clear();
  EXPECT_EQ(CollectTaggedElements(p.Element("pb3").get(), "PAGEBREAK", nullptr, &tops), 4);
  EXPECT_EQ(tops, (std::vector<int32_t>{1200, 209, 2500, 2500}));

  EXPECT_EQ(CollectTaggedElements(nullptr, "PAGEBREAK", nullptr, &tops), 0);
}

TEST(PageBreakElements, SeveralNamesInTheirOrder) {
  BrowserPage p(kBreaksPage);
  std::vector<int32_t> tops;
  EXPECT_EQ(CollectTaggedElements(Body(p.Doc().get()).get(), " HR , \"PAGEBREAK\"", nullptr, &tops), 4);
  EXPECT_EQ(tops, (std::vector<int32_t>{2400, 1200, 209, 2500}));

  // A name without elements leaves the names after it counted.
  tops.clear();
  EXPECT_EQ(CollectTaggedElements(Body(p.Doc().get()).get(), "TABLE,HR PAGEBREAK,,", nullptr, &tops), 4);
  EXPECT_EQ(tops, (std::vector<int32_t>{2400, 1200, 209, 2500}));

  // The start matches one name once, however many names it matches.
  tops.clear();
  EXPECT_EQ(CollectTaggedElements(p.Element("rule").get(), "HR,hr", nullptr, &tops), 3);
  EXPECT_EQ(tops, (std::vector<int32_t>{2400, 2400, 2400}));

  // A page without breaks.
  BrowserPage plain(R"(<page width="800" height="900"><div id="d" y="10" width="5" height="5"/></page>)");
  tops.clear();
  EXPECT_EQ(CollectTaggedElements(Body(plain.Doc().get()).get(), "PAGEBREAK", nullptr, &tops), 0);
  EXPECT_TRUE(tops.empty());
}

TEST(PageBreakElements, ItemsThatComeBackEmptyAreSkipped) {
  auto start = FakeStart({FakeAt(100), nullptr, FakeAt(300)});
  std::vector<int32_t> tops;
  std::vector<ComPtr<IHTMLElement>> elements;
  EXPECT_EQ(CollectTaggedElements(start.get(), "PAGEBREAK", &elements, &tops), 2);
  EXPECT_EQ(tops, (std::vector<int32_t>{100, 300}));
  EXPECT_EQ(elements.size(), 2u);

  // The elements found stay usable after the collection and the document have gone.
  start.reset();
  EXPECT_EQ(Rect(elements[1].get()).top, 300);
}

TEST(PageBreakElements, BrowserFailuresReachTheCaller) {
  std::vector<int32_t> tops;
  {
    ComPtr<FakeDocument> doc;
    auto start = FakeStart({FakeAt(100)}, &doc);
    doc->all->tagsResult = E_OUTOFMEMORY;
    EXPECT_THROW(CollectTaggedElements(start.get(), "PAGEBREAK", nullptr, &tops), Error);
    doc->all->tagsResult = S_OK;
    doc->all->answerCollection = false;
    EXPECT_THROW(CollectTaggedElements(start.get(), "PAGEBREAK", nullptr, &tops), Error);
  }
  {
    // A measure that fails part-way: the tops found before it stay in the list.
    auto bad = browser::MakeCom<FakeElement>();
    bad->topResult = E_FAIL;
    auto start = FakeStart({FakeAt(100), ComPtr<IHTMLElement>(bad.get()), FakeAt(300)});
    try {
      CollectTaggedElements(start.get(), "PAGEBREAK", nullptr, &tops);
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.code(), E_FAIL);
    }
    EXPECT_EQ(tops, (std::vector<int32_t>{100}));
  }
  {
    // No document, or a document without an `all` collection: nothing to collect.
    auto orphan = browser::MakeCom<FakeElement>();
    EXPECT_EQ(CollectTaggedElements(orphan.get(), "DIV", nullptr, &tops), 0);
    ComPtr<FakeDocument> doc;
    auto start = FakeStart({}, &doc);
    doc->all.reset();
    EXPECT_EQ(CollectTaggedElements(start.get(), "BODY", nullptr, &tops), 0);
  }
}

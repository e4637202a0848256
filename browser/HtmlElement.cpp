// Elements and their style objects.
#include <algorithm>
#include <cwctype>

#include "base/Errors.h"
#include "base/Strings.h"
#include "browser/ComObject.h"
#include "browser/HtmlObjects.h"
#include "browser/PagePainter.h"

namespace vt::browser {
namespace {

std::string Utf8(BSTR s) { return s ? ToUtf8(std::wstring(s, ::SysStringLen(s))) : std::string(); }

class TElementObject : public ComObject<IHTMLElementStub, IHTMLElement2Stub, IHTMLElementRenderStub> {
public:
  explicit TElementObject(TElement* e) : page_(e->document->page->shared_from_this()), e_(e) {
    e_->comObject = static_cast<IHTMLElement*>(this);
  }
  ~TElementObject() override { e_->comObject = nullptr; }

  // IHTMLElement
  HRESULT STDMETHODCALLTYPE setAttribute(BSTR name, VARIANT value, LONG) override {
    std::string n = Utf8(name), v = ToUtf8(VariantText(value));
    e_->SetAttribute(n, v);
    if (SameTextAscii(n, "id")) e_->id = v;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE getAttribute(BSTR name, LONG, VARIANT* value) override {
    if (!value) return E_POINTER;
    ::VariantInit(value);
    const std::string* v = e_->Attribute(Utf8(name));
    if (!v) {
      V_VT(value) = VT_NULL;
      return S_OK;
    }
    V_VT(value) = VT_BSTR;
    return ReturnBstr(FromUtf8(*v), &V_BSTR(value));
  }
  HRESULT STDMETHODCALLTYPE removeAttribute(BSTR name, LONG, VARIANT_BOOL* removed) override {
    bool done = e_->RemoveAttribute(Utf8(name));
    page_->Record("removeAttribute " + e_->Label() + " " + Utf8(name));
    if (removed) *removed = done ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_className(BSTR* p) override {
    const std::string* c = e_->Attribute("class");
    return ReturnBstr(c ? FromUtf8(*c) : std::wstring(), p);
  }
  HRESULT STDMETHODCALLTYPE put_id(BSTR v) override {
    e_->id = Utf8(v);
    e_->SetAttribute("id", e_->id);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_id(BSTR* p) override { return ReturnBstr(FromUtf8(e_->id), p); }
  HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override { return ReturnBstr(FromUtf8(e_->tag), p); }
  HRESULT STDMETHODCALLTYPE get_parentElement(IHTMLElement** p) override {
    return ReturnInterface(e_->parent ? ElementObject(e_->parent) : ComPtr<IHTMLElement>(), p);
  }
  HRESULT STDMETHODCALLTYPE get_style(IHTMLStyle** p) override { return ReturnInterface(StyleObject(e_), p); }
  HRESULT STDMETHODCALLTYPE get_document(IDispatch** p) override {
    return ReturnInterface(DocumentObject(e_->document), p);
  }
  HRESULT STDMETHODCALLTYPE scrollIntoView(VARIANT alignTop) override {
    VARIANT b;
    ::VariantInit(&b);
    bool top = V_VT(&alignTop) == VT_EMPTY || V_VT(&alignTop) == VT_ERROR ||
               FAILED(::VariantChangeType(&b, &alignTop, 0, VT_BOOL)) || V_BOOL(&b) != VARIANT_FALSE;
    ScrollIntoView(*e_, top);
    page_->Changed();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_offsetLeft(LONG* p) override { return ReturnLong(IsRoot() ? 0 : e_->x, p); }
  HRESULT STDMETHODCALLTYPE get_offsetTop(LONG* p) override { return ReturnLong(IsRoot() ? 0 : e_->y, p); }
  HRESULT STDMETHODCALLTYPE get_offsetWidth(LONG* p) override { return ReturnLong(BoxWidth(*e_), p); }
  HRESULT STDMETHODCALLTYPE get_offsetHeight(LONG* p) override { return ReturnLong(BoxHeight(*e_), p); }
  HRESULT STDMETHODCALLTYPE get_offsetParent(IHTMLElement** p) override {
    TElement* parent = OffsetParent(*e_);
    return ReturnInterface(parent ? ElementObject(parent) : ComPtr<IHTMLElement>(), p);
  }
  HRESULT STDMETHODCALLTYPE get_innerText(BSTR* p) override { return ReturnBstr(e_->text, p); }
  HRESULT STDMETHODCALLTYPE get_all(IDispatch** p) override {
    return ReturnInterface(CollectionObject(*page_, Descendants(*e_)), p);
  }

  // IHTMLElement2
  HRESULT STDMETHODCALLTYPE setCapture(VARIANT_BOOL containerCapture) override {
    page_->Record("setCapture " + e_->Label());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE releaseCapture() override {
    page_->Record("releaseCapture " + e_->Label());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE getClientRects(IHTMLRectCollection** p) override {
    return ReturnInterface(RectCollectionObject(WindowRect(*e_)), p);
  }
  HRESULT STDMETHODCALLTYPE getBoundingClientRect(IHTMLRect** p) override {
    return ReturnInterface(RectObject(WindowRect(*e_)), p);
  }
  HRESULT STDMETHODCALLTYPE get_clientHeight(LONG* p) override { return ReturnLong(ClientHeight(*e_), p); }
  HRESULT STDMETHODCALLTYPE get_clientWidth(LONG* p) override { return ReturnLong(ClientWidth(*e_), p); }
  HRESULT STDMETHODCALLTYPE get_clientTop(LONG* p) override { return ReturnLong(e_->border, p); }
  HRESULT STDMETHODCALLTYPE get_clientLeft(LONG* p) override { return ReturnLong(e_->border, p); }
  HRESULT STDMETHODCALLTYPE put_scrollTop(LONG v) override {
    if (SetScrollTop(*e_, v)) page_->Changed();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_scrollTop(LONG* p) override { return ReturnLong(e_->scrollTop, p); }
  HRESULT STDMETHODCALLTYPE put_scrollLeft(LONG v) override {
    if (SetScrollLeft(*e_, v)) page_->Changed();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_scrollLeft(LONG* p) override { return ReturnLong(e_->scrollLeft, p); }
  HRESULT STDMETHODCALLTYPE get_scrollHeight(LONG* p) override { return ReturnLong(ScrollHeight(*e_), p); }
  HRESULT STDMETHODCALLTYPE get_scrollWidth(LONG* p) override { return ReturnLong(ScrollWidth(*e_), p); }
  HRESULT STDMETHODCALLTYPE getElementsByTagName(BSTR v, IHTMLElementCollection** p) override {
    std::wstring tag = v ? std::wstring(v, ::SysStringLen(v)) : std::wstring();
    return ReturnInterface(CollectionObject(*page_, ElementsByTag(Descendants(*e_), tag)), p);
  }

  // IHTMLElementRender: the element's box as it shows on the screen, at (0, 0) of the DC.
  HRESULT STDMETHODCALLTYPE DrawToDC(HDC dc) override {
    if (!dc) return E_INVALIDARG;
    const auto& failing = e_->failingDraws;
    if (std::find(failing.begin(), failing.end(), ++e_->draws) != failing.end()) return E_FAIL;
    try {
      PaintElement(dc, *e_, 0, 0);
    } catch (const Error&) {
      return E_OUTOFMEMORY;  // a pattern's pixels could not be made
    }
    return S_OK;
  }

private:
  bool IsRoot() const { return e_ == e_->document->html.get() || e_ == e_->document->body; }

  std::shared_ptr<TPage> page_;
  TElement* e_;
};

// Style properties that move or size the element take effect at once; all are recorded.
class TStyleObject : public ComObject<IHTMLStyleStub> {
public:
  explicit TStyleObject(TElement* e) : page_(e->document->page->shared_from_this()), e_(e) {}

  HRESULT STDMETHODCALLTYPE put_width(VARIANT v) override { return Put("width", v, &TElement::width); }
  HRESULT STDMETHODCALLTYPE get_width(VARIANT* p) override { return Get("width", p); }
  HRESULT STDMETHODCALLTYPE put_height(VARIANT v) override { return Put("height", v, &TElement::height); }
  HRESULT STDMETHODCALLTYPE get_height(VARIANT* p) override { return Get("height", p); }
  HRESULT STDMETHODCALLTYPE put_left(VARIANT v) override { return Put("left", v, &TElement::x); }
  HRESULT STDMETHODCALLTYPE get_left(VARIANT* p) override { return Get("left", p); }
  HRESULT STDMETHODCALLTYPE put_top(VARIANT v) override { return Put("top", v, &TElement::y); }
  HRESULT STDMETHODCALLTYPE get_top(VARIANT* p) override { return Get("top", p); }

private:
  // "12", "-1024", "12px": a length in pixels.
  static bool Pixels(const std::wstring& text, int& out) {
    size_t i = 0;
    bool negative = i < text.size() && text[i] == L'-';
    if (negative) ++i;
    if (i >= text.size() || !iswdigit(text[i])) return false;
    long long value = 0;
    for (; i < text.size() && iswdigit(text[i]); ++i) value = std::min(value * 10 + (text[i] - L'0'), 1LL << 30);
    if (text.substr(i) != L"" && text.substr(i) != L"px") return false;
    out = static_cast<int>(negative ? -value : value);
    return true;
  }

  HRESULT Put(const char* property, const VARIANT& v, int TElement::*field) {
    std::wstring value = VariantText(v);
    bool found = false;
    for (auto& s : e_->style)
      if (s.first == property) {
        s.second = value;
        found = true;
      }
    if (!found) e_->style.emplace_back(property, value);
    page_->Record("style " + e_->Label() + " " + property + " " + ToUtf8(value));
    int pixels = 0;
    if (Pixels(value, pixels)) {
      e_->*field = pixels;
      page_->Changed();
    }
    return S_OK;
  }

  HRESULT Get(const char* property, VARIANT* p) const {
    if (!p) return E_POINTER;
    ::VariantInit(p);
    std::wstring value;
    for (const auto& s : e_->style)
      if (s.first == property) value = s.second;
    V_VT(p) = VT_BSTR;
    return ReturnBstr(value, &V_BSTR(p));
  }

  std::shared_ptr<TPage> page_;
  TElement* e_;
};

}  // namespace

ComPtr<IHTMLElement> ElementObject(TElement* e) {
  return CachedObject<TElementObject, IHTMLElement>(e, &TElement::comObject);
}

ComPtr<IHTMLStyle> StyleObject(TElement* e) {
  return ComPtr<IHTMLStyle>(static_cast<IHTMLStyle*>(MakeCom<TStyleObject>(e).get()));
}

}  // namespace vt::browser

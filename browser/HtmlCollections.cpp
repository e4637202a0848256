// Element collections and client rectangles.
#include <mshtmdid.h>

#include <functional>

#include "base/Strings.h"
#include "browser/ComObject.h"
#include "browser/HtmlObjects.h"

namespace vt::browser {
namespace {

class TElementCollection : public ComObject<IHTMLElementCollectionStub> {
public:
  TElementCollection(TPage& page, std::vector<TElement*> elements)
      : page_(page.shared_from_this()), elements_(std::move(elements)) {}

  HRESULT STDMETHODCALLTYPE get_length(LONG* p) override { return ReturnLong(static_cast<long>(elements_.size()), p); }
  // By position (a number) or by id or name (a text); an index as second argument picks among
  // several elements of one name.
  HRESULT STDMETHODCALLTYPE item(VARIANT name, VARIANT index, IDispatch** p) override {
    if (!p) return E_POINTER;
    *p = nullptr;
    TElement* found = Find(name, index);
    return found ? ReturnInterface(ElementObject(found), p) : S_OK;
  }
  HRESULT STDMETHODCALLTYPE tags(VARIANT tag, IDispatch** p) override {
    return ReturnInterface(CollectionObject(*page_, ElementsByTag(elements_, VariantText(tag))), p);
  }

protected:
  DISPID DispIdOf(const wchar_t* name) override {
    if (_wcsicmp(name, L"length") == 0) return DISPID_IHTMLELEMENTCOLLECTION_LENGTH;
    if (_wcsicmp(name, L"item") == 0) return DISPID_VALUE;
    if (_wcsicmp(name, L"tags") == 0) return DISPID_IHTMLELEMENTCOLLECTION_TAGS;
    return DISPID_UNKNOWN;
  }
  HRESULT InvokeDispId(DISPID id, WORD flags, DISPPARAMS& params, VARIANT& result) override {
    VARIANT none;
    ::VariantInit(&none);
    // Arguments arrive last first.
    auto arg = [&](UINT i) -> const VARIANT& { return i < params.cArgs ? params.rgvarg[params.cArgs - 1 - i] : none; };
    if (id == DISPID_IHTMLELEMENTCOLLECTION_LENGTH && (flags & DISPATCH_PROPERTYGET)) {
      V_VT(&result) = VT_I4;
      V_I4(&result) = static_cast<LONG>(elements_.size());
      return S_OK;
    }
    if (id == DISPID_VALUE && (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) {
      TElement* found = Find(arg(0), arg(1));
      ToVariant(found ? ElementObject(found) : ComPtr<IHTMLElement>(), &result);
      return S_OK;
    }
    if (id == DISPID_IHTMLELEMENTCOLLECTION_TAGS && (flags & DISPATCH_METHOD)) {
      ToVariant(CollectionObject(*page_, ElementsByTag(elements_, VariantText(arg(0)))), &result);
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

private:
  TElement* Find(const VARIANT& name, const VARIANT& index) const {
    const VARIANT& key = V_VT(&name) == (VT_BYREF | VT_VARIANT) ? *V_VARIANTREF(&name) : name;
    if (V_VT(&key) != VT_BSTR) {
      long i = 0;
      if (!VariantInt(key, i) || i < 0 || i >= static_cast<long>(elements_.size())) return nullptr;
      return elements_[i];
    }
    std::string wanted = ToUtf8(VariantText(key));
    long nth = 0;
    if (V_VT(&index) != VT_EMPTY && V_VT(&index) != VT_ERROR && !VariantInt(index, nth)) nth = 0;
    for (TElement* e : elements_)
      if ((e->id == wanted || e->name == wanted) && nth-- == 0) return e;
    return nullptr;
  }

  std::shared_ptr<TPage> page_;
  std::vector<TElement*> elements_;
};

class TRectObject : public ComObject<IHTMLRectStub> {
public:
  explicit TRectObject(const RECT& r) : r_(r) {}
  HRESULT STDMETHODCALLTYPE get_left(LONG* p) override { return ReturnLong(r_.left, p); }
  HRESULT STDMETHODCALLTYPE get_top(LONG* p) override { return ReturnLong(r_.top, p); }
  HRESULT STDMETHODCALLTYPE get_right(LONG* p) override { return ReturnLong(r_.right, p); }
  HRESULT STDMETHODCALLTYPE get_bottom(LONG* p) override { return ReturnLong(r_.bottom, p); }

private:
  RECT r_;
};

class TRectCollection : public ComObject<IHTMLRectCollectionStub> {
public:
  explicit TRectCollection(const RECT& r) : r_(r) {}
  HRESULT STDMETHODCALLTYPE get_length(LONG* p) override { return ReturnLong(1, p); }
  HRESULT STDMETHODCALLTYPE item(VARIANT* index, VARIANT* result) override {
    if (!index || !result) return E_POINTER;
    long i = -1;
    if (!VariantInt(*index, i) || i != 0) return E_INVALIDARG;
    ToVariant(RectObject(r_), result);
    return S_OK;
  }

private:
  RECT r_;
};

}  // namespace

ComPtr<IHTMLElementCollection> CollectionObject(TPage& page, std::vector<TElement*> elements) {
  auto c = MakeCom<TElementCollection>(page, std::move(elements));
  return ComPtr<IHTMLElementCollection>(static_cast<IHTMLElementCollection*>(c.get()));
}

ComPtr<IHTMLRect> RectObject(const RECT& rect) {
  return ComPtr<IHTMLRect>(static_cast<IHTMLRect*>(MakeCom<TRectObject>(rect).get()));
}

ComPtr<IHTMLRectCollection> RectCollectionObject(const RECT& rect) {
  return ComPtr<IHTMLRectCollection>(static_cast<IHTMLRectCollection*>(MakeCom<TRectCollection>(rect).get()));
}

std::vector<TElement*> Descendants(const TElement& root) {
  std::vector<TElement*> out;
  std::function<void(const TElement&)> walk = [&](const TElement& e) {
    for (const auto& c : e.children) {
      out.push_back(c.get());
      walk(*c);
    }
  };
  walk(root);
  return out;
}

std::vector<TElement*> ElementsByTag(const std::vector<TElement*>& elements, const std::wstring& tag) {
  if (tag == L"*") return elements;
  std::string wanted = ToUtf8(tag);
  std::vector<TElement*> out;
  for (TElement* e : elements)
    if (SameTextAscii(e->tag, wanted)) out.push_back(e);
  return out;
}

}  // namespace vt::browser

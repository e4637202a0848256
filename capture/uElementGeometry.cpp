#include "capture/uElementGeometry.h"

#include <algorithm>
#include <limits>

#include "base/Errors.h"
#include "base/Strings.h"
#include "base/Variant.h"

namespace vt {
namespace {

// The element collection's late-bound members: `length` and the default member `item`.
constexpr DISPID kCollectionLength = 1500;
constexpr DISPID kCollectionItem = DISPID_VALUE;

LONG ReadLong(IHTMLElement* element, HRESULT (STDMETHODCALLTYPE IHTMLElement::*getter)(LONG*), const char* what) {
  LONG value = 0;
  OleCheck((element->*getter)(&value), what);
  return value;
}

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// dispatch->Invoke without named arguments; `result` receives the value.
void Invoke(IDispatch* dispatch, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result,
            const char* what) {
  DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  OleCheck(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr), what);
}

LONG CollectionLength(IDispatch* collection) {
  Variant length;
  Invoke(collection, kCollectionLength, DISPATCH_PROPERTYGET, {}, length.put(), "length");
  OleCheck(::VariantChangeType(length.get(), length.get(), 0, VT_I4), "length");
  return V_I4(length.get());
}

// The collection's k-th element, or none when the browser hands back no object.
ComPtr<IDispatch> CollectionItem(IDispatch* collection, LONG k) {
  const Variant index = Variant::FromInt(k);
  Variant item;
  Invoke(collection, kCollectionItem, DISPATCH_METHOD, {*index, *index}, item.put(), "item");
  if (V_VT(item.get()) != VT_DISPATCH) return {};
  return ComPtr<IDispatch>(V_DISPATCH(item.get()));
}

int32_t ElementTop(IHTMLElement* element) { return GetElementAbsoluteRect(element).value_or(RECT{}).top; }

}  // namespace

ComPtr<IHTMLDocument2> GetElementDocument(IHTMLElement* element) {
  if (!element) return {};
  ComPtr<IDispatch> document;
  OleCheck(element->get_document(document.put()), "document");
  return document.As<IHTMLDocument2>();
}

std::string GetElementTagName(IHTMLElement* element) {
  if (!element) return {};
  Bstr tag;
  OleCheck(element->get_tagName(tag.put()), "tagName");
  return ToAnsi(tag.str());
}

std::optional<RECT> GetElementAbsoluteRect(IHTMLElement* element) {
  if (!element) return std::nullopt;
  LONG width = ReadLong(element, &IHTMLElement::get_offsetWidth, "offsetWidth");
  LONG height = ReadLong(element, &IHTMLElement::get_offsetHeight, "offsetHeight");
  int64_t left = 0, top = 0;
  for (ComPtr<IHTMLElement> current(element);;) {
    left += ReadLong(current.get(), &IHTMLElement::get_offsetLeft, "offsetLeft");
    top += ReadLong(current.get(), &IHTMLElement::get_offsetTop, "offsetTop");
    ComPtr<IHTMLElement> parent;
    OleCheck(current->get_offsetParent(parent.put()), "offsetParent");
    if (!parent || SameTextAscii(GetElementTagName(parent.get()), "BODY")) break;
    current = parent;
  }
  return RECT{Clamp32(left), Clamp32(top), Clamp32(left + width), Clamp32(top + height)};
}

int32_t CollectTaggedElements(IHTMLElement* start, const std::string& names,
                              std::vector<ComPtr<IHTMLElement>>* elements, std::vector<int32_t>* tops) {
  ComPtr<IHTMLDocument2> document = GetElementDocument(start);
  if (!document) return 0;
  ComPtr<IHTMLElementCollection> all;
  OleCheck(document->get_all(all.put()), "all");
  if (!all) return 0;

  int32_t count = 0;
  std::vector<std::string> tagNames = SplitCommaText(names);
  // An empty piece names no tag.
  tagNames.erase(std::remove(tagNames.begin(), tagNames.end(), std::string()), tagNames.end());
  for (const std::string& name : tagNames) {
    const Variant tag = Variant::FromText(ToWide(name));
    ComPtr<IDispatch> found;
    OleCheck(all->tags(*tag, found.put()), "tags");
    auto collection = found.As<IHTMLElementCollection>();
    if (!collection) throw Error("tags(\"" + name + "\") gave no element collection", E_NOINTERFACE);

    // A tag without elements, or an item gone from the collection, leaves the others counted.
    const LONG n = CollectionLength(collection.get());
    for (LONG k = 0; k < n; ++k) {
      ComPtr<IDispatch> item = CollectionItem(collection.get(), k);
      if (!item) continue;
      auto element = item.As<IHTMLElement>();
      if (!element) throw Error(Format("item %ld of tags(\"%s\") is no element", k, name.c_str()), E_NOINTERFACE);
      ++count;
      if (elements) elements->push_back(element);
      int32_t top = ElementTop(element.get());
      if (tops) tops->push_back(top);
    }
  }

  const std::string startTag = GetElementTagName(start);
  for (const std::string& name : tagNames) {
    if (!SameTextAscii(startTag, name)) continue;
    ++count;
    if (tops) tops->push_back(ElementTop(start));
    break;
  }
  return count;
}

}  // namespace vt

// The COM objects of the page, as the browser's document interfaces present them. Each model
// object has at most one COM object at a time (so interface identity holds); every COM object
// keeps the page alive. Methods the control does not use answer E_NOTIMPL.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <memory>
#include <vector>

#include "base/ComPtr.h"
#include "browser/ComObject.h"
#include "browser/PageModel.h"

namespace vt::browser {

// SID_SWebBrowserApp: the service under which documents and windows offer their browser.
inline const GUID kWebBrowserAppService = __uuidof(IWebBrowserApp);

// IHTMLElement, IHTMLElement2, IHTMLElementRender.
ComPtr<IHTMLElement> ElementObject(TElement* e);
// IHTMLDocument2, IHTMLDocument3, IOleWindow, IOleContainer, IServiceProvider, IMarshal.
ComPtr<IHTMLDocument2> DocumentObject(TDocument* d);
// IHTMLWindow2 (its own frames collection), IServiceProvider.
ComPtr<IHTMLWindow2> WindowObject(TDocument* d);
// IWebBrowser2: the browser showing the document (the top document's, or a frame's own).
ComPtr<IWebBrowser2> BrowserObject(TDocument* d);
// IHTMLElementCollection over the given elements.
ComPtr<IHTMLElementCollection> CollectionObject(TPage& page, std::vector<TElement*> elements);
// IHTMLStyle of an element.
ComPtr<IHTMLStyle> StyleObject(TElement* e);
// IHTMLRect, and IHTMLRectCollection holding one rectangle.
ComPtr<IHTMLRect> RectObject(const RECT& rect);
ComPtr<IHTMLRectCollection> RectCollectionObject(const RECT& rect);

// The elements below `root` (not itself) in document order.
std::vector<TElement*> Descendants(const TElement& root);
// The elements whose tag name is `tag` (letter case ignored); "*" keeps all.
std::vector<TElement*> ElementsByTag(const std::vector<TElement*>& elements, const std::wstring& tag);

// The one COM object of a model object: the living one (kept in the model's slot, which the
// object clears when it goes), or a new one.
template <class Object, class Interface, class Model>
ComPtr<Interface> CachedObject(Model* model, IUnknown* Model::*slot) {
  if (!model) return {};
  if (!(model->*slot)) return ComPtr<Interface>(static_cast<Interface*>(MakeCom<Object>(model).get()));
  return ComPtr<Interface>(static_cast<Interface*>(model->*slot));
}

// Hands a model object's COM object to a VARIANT (VT_DISPATCH, or VT_NULL for none).
template <class I>
void ToVariant(const ComPtr<I>& object, VARIANT* out) {
  ::VariantInit(out);
  IDispatch* d = nullptr;
  if (object) object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&d));
  if (d) {
    V_VT(out) = VT_DISPATCH;
    V_DISPATCH(out) = d;
  } else {
    V_VT(out) = VT_NULL;
  }
}

}  // namespace vt::browser

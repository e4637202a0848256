#include "capture/uHostBrowser.h"

#include <algorithm>

#include "base/Errors.h"
#include "base/MessagePump.h"
#include "base/Strings.h"
#include "base/Variant.h"

namespace vt {

THostBrowser GetHostBrowser(IUnknown* control) {
  THostBrowser found;
  ComPtr<IOleObject> object;
  if (!control || control->QueryInterface(IID_IOleObject, object.put_void()) != S_OK || !object) return found;
  ComPtr<IOleClientSite> site;
  if (object->GetClientSite(site.put()) != S_OK || !site) return found;
  ComPtr<IOleContainer> container;
  if (site->GetContainer(container.put()) != S_OK || !container) return found;
  ComPtr<IHTMLDocument2> document;
  if (container->QueryInterface(IID_IHTMLDocument2, document.put_void()) != S_OK || !document) return found;
  ComPtr<IServiceProvider> provider;
  if (site->QueryInterface(IID_IServiceProvider, provider.put_void()) != S_OK || !provider) return found;
  if (provider->QueryService(__uuidof(IWebBrowserApp), IID_IWebBrowser2, found.browser.put_void()) != S_OK)
    return found;
  ComPtr<IOleWindow> window;
  if (document->QueryInterface(IID_IOleWindow, window.put_void()) != S_OK || !window) return found;
  window->GetWindow(&found.docHwnd);
  found.doc = document;
  return found;
}

bool WaitForDocumentComplete(IHTMLDocument2* doc, DWORD timeoutMs) {
  if (!doc) return false;
  const DWORD start = ::GetTickCount();
  for (;;) {
    Bstr state;
    OleCheck(doc->get_readyState(state.put()));
    if (state.str() == L"complete") return true;
    if (!ProcessMessages()) return false;
    const DWORD now = ::GetTickCount();
    if (TickTimeoutPassed(start, now, timeoutMs)) return false;
    // Loading goes on through the thread's messages: sleep until one comes instead of spinning.
    ::MsgWaitForMultipleObjectsEx(0, nullptr, WaitSliceMs(start, now, timeoutMs), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

ComPtr<IHTMLElement> FindDocumentElement(IUnknown* doc, const std::string& id) {
  ComPtr<IHTMLDocument2> document;
  if (!doc || FAILED(doc->QueryInterface(IID_IHTMLDocument2, document.put_void())) || !document)
    throw Error("Invalid HTML document");
  ComPtr<IHTMLElement> body;
  OleCheck(document->get_body(body.put()));
  auto body2 = body.As<IHTMLElement2>();
  if (!body2) throw Error("Can't find <body> element");
  ComPtr<IHTMLElementCollection> all;
  Bstr star(L"*");
  OleCheck(body2->getElementsByTagName(star.get(), all.put()));
  if (!all) return {};
  LONG length = 0;
  OleCheck(all->get_length(&length));
  for (LONG i = 0; i < length; ++i) {
    ComPtr<IDispatch> item;
    OleCheck(all->item(*Variant::FromInt(i), *Variant(), item.put()));
    auto element = item.As<IHTMLElement>();
    if (!element) throw Error(Format("Element %ld of the document is no HTML element", static_cast<long>(i)));
    Bstr elementId;
    OleCheck(element->get_id(elementId.put()));
    std::string narrow = ToAnsi(elementId.str());
    if (::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, narrow.data(), static_cast<int>(narrow.size()),
                         id.data(), static_cast<int>(id.size())) == CSTR_EQUAL)
      return element;
  }
  return {};
}

int32_t GetDocumentMode(IUnknown* doc) {
  ComPtr<IDispatch> dispatch;
  if (!doc || doc->QueryInterface(IID_IDispatch, dispatch.put_void()) != S_OK || !dispatch) return 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"DocumentMode");
  DISPID id = 0;
  if (dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0x800, &id) != S_OK) return 0;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  Variant result;
  if (dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, result.put(), nullptr,
                       nullptr) == S_OK &&
      ::VariantChangeType(result.get(), result.get(), 0, VT_I4) == S_OK)
    return V_I4(result.get());
  return 0;
}

bool TickTimeoutPassed(DWORD start, DWORD now, DWORD timeoutMs) { return now - start > timeoutMs; }

// In 64 bits: INFINITE less nothing, plus one, would wrap to 0 and spin.
DWORD WaitSliceMs(DWORD start, DWORD now, DWORD timeoutMs) {
  const uint64_t left = uint64_t{timeoutMs} - (now - start) + 1;
  return static_cast<DWORD>(std::clamp<uint64_t>(left, 1, 50));
}

}  // namespace vt

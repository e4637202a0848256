#include "capture/uFrames.h"

#include <oleacc.h>

#include <optional>
#include <vector>

#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Numbers.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "base/Variant.h"

namespace vt {
namespace {

// SID_SWebBrowserApp: the service under which documents and windows offer their browser.
const GUID kWebBrowserAppService = __uuidof(IWebBrowserApp);

void Trace(const char* text) { ::OutputDebugStringA(text); }

// The key of one step of a frame path: a frame's position or its name. None when an index
// piece is no number.
std::optional<Variant> FrameKey(const std::string& piece, bool indexMode) {
  if (!indexMode) return Variant::FromText(ToWide(piece));
  std::optional<int32_t> index = TryStrToInt(piece);
  if (!index) return std::nullopt;
  return Variant::FromInt(*index);
}

// One step down the frame path: the document of the frame that `key` selects, none when there
// is no such frame or it cannot be reached.
ComPtr<IHTMLDocument2> ChildFrameDocument(IHTMLDocument2* document, const std::string& piece, bool indexMode) {
  std::optional<Variant> key = FrameKey(piece, indexMode);
  if (!key) return {};
  ComPtr<IHTMLFramesCollection2> frames;
  if (FAILED(document->get_frames(frames.put())) || !frames) return {};
  Variant item;
  if (FAILED(frames->item(key->get(), item.put()))) return {};
  if (FAILED(::VariantChangeType(item.get(), item.get(), 0, VT_DISPATCH)) || !V_DISPATCH(item.get())) return {};
  auto window = ComPtr<IDispatch>(V_DISPATCH(item.get())).As<IHTMLWindow2>();
  if (!window) return {};
  return GetBrowserDocument(window.get());
}

}  // namespace

ComPtr<IWebBrowserApp> GetWebBrowser(IUnknown* object) {
  ComPtr<IWebBrowserApp> browser;
  if (!object) return browser;
  ComPtr<IServiceProvider> provider;
  if (FAILED(object->QueryInterface(IID_IServiceProvider, provider.put_void())) || !provider) return browser;
  if (FAILED(provider->QueryService(kWebBrowserAppService, __uuidof(IWebBrowserApp), browser.put_void())))
    browser.reset();
  return browser;
}

ComPtr<IHTMLDocument2> GetBrowserDocument(IUnknown* window) {
  ComPtr<IWebBrowserApp> browser = GetWebBrowser(window);
  if (!browser) return {};
  ComPtr<IDispatch> dispatch;
  if (FAILED(browser->get_Document(dispatch.put())) || !dispatch) return {};
  return dispatch.As<IHTMLDocument2>();
}

ComPtr<IHTMLDocument2> DocumentOf(IWebBrowser* browser) {
  if (!browser) return {};
  ComPtr<IDispatch> dispatch;
  OleCheck(browser->get_Document(dispatch.put()));
  return dispatch.As<IHTMLDocument2>();
}

ComPtr<IHTMLDocument2> FallbackDocument(bool exact, IWebBrowser* browser) {
  return exact ? ComPtr<IHTMLDocument2>() : DocumentOf(browser);
}

ComPtr<IHTMLDocument2> GetFrameDocument(IWebBrowser2* browser, const std::string& path, bool exact) {
  if (!browser) return {};
  std::string text = Trim(path);
  bool indexMode = text.empty() || (!path.empty() && path[0] == '$');
  if (indexMode && !text.empty()) text.erase(0, 1);
  // Step by step from the top document, which is also what a path naming no frame gives.
  ComPtr<IHTMLDocument2> document = DocumentOf(browser);
  if (!document || text.empty()) return document;

  for (const std::string& piece : SplitTrimmedStr(indexMode ? '.' : '/', text)) {
    ComPtr<IHTMLDocument2> child = ChildFrameDocument(document.get(), piece, indexMode);
    if (!child) return FallbackDocument(exact, browser);
    document = child;
  }
  return document;
}

void TElementCapture::Hold(ComPtr<IHTMLElement2> element) {
  Release();
  element_ = std::move(element);
}

void TElementCapture::Release() {
  if (element_) element_->releaseCapture();  // a page that already took it back is no fault
  element_.reset();
}

ComPtr<IHTMLElement2> GetScrollElement(IHTMLDocument2* document, TElementCapture& capture) {
  if (!document) return {};
  ComPtr<IHTMLElement2> element;
  bool documentElementChosen = false;
  {
    // Whatever happens here, the body is tried next, as the page's own scroll element may be it.
    const ScopeGuard takeBody([&] {
      Trace("Document3.documentElement try...finally......");
      if (documentElementChosen) return;
      ComPtr<IHTMLElement> body;
      OleCheck(document->get_body(body.put()));
      if (!body) {
        Trace("fail....ADocument2.body is nil..");
        element.reset();
      } else {
        Trace("ADocument2.body....");
        element = body.As<IHTMLElement2>();
      }
    });
    Trace("try to get Document3..........");
    auto document3 = ComPtr<IHTMLDocument2>(document).As<IHTMLDocument3>();
    ComPtr<IHTMLElement> root;
    if (document3) OleCheck(document3->get_documentElement(root.put()));
    if (!document3) {
      Trace("Document3 is nil");
    } else if (!root) {
      Trace("Document3.documentElement is nil");
    } else {
      Trace("Document3.documentElement try.......");
      OleCheck(document3->get_documentElement(root.put()));
      element = root.As<IHTMLElement2>();
      if (root && !element) Trace("Document3 >>> IHTMLElement2 is nil");
      if (element) {
        OleCheck(element->setCapture(VARIANT_TRUE));
        capture.Hold(element);
        LONG width = 0, height = 0;
        OleCheck(element->get_clientWidth(&width));
        OleCheck(element->get_clientHeight(&height));
        documentElementChosen = width != 0 || height != 0;
      }
    }
  }
  return element;
}

ComPtr<IWebBrowser2> GetWebBrowserFromWindow(HWND window) {
  Module oleacc(::LoadLibraryA("Oleacc.dll"));
  if (!oleacc) return {};
  auto objectFromLresult =
      reinterpret_cast<LPFNOBJECTFROMLRESULT>(::GetProcAddress(oleacc.get(), "ObjectFromLresult"));
  if (!objectFromLresult) return {};

  const UINT message = ::RegisterWindowMessageA("WM_HTML_GETOBJECT");
  DWORD_PTR answer = 0;
  if (!::SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer)) answer = 0;
  ComPtr<IHTMLDocument2> document;
  if (objectFromLresult(static_cast<LRESULT>(answer), IID_IHTMLDocument2, 0, document.put_void()) != S_OK ||
      !document)
    return {};

  ComPtr<IHTMLWindow2> parent;
  OleCheck(document->get_parentWindow(parent.put()));
  auto provider = parent.As<IServiceProvider>();
  if (!provider) throw Error("The document's window offers no services", E_NOINTERFACE);
  ComPtr<IWebBrowser2> found;
  if (FAILED(provider->QueryService(kWebBrowserAppService, IID_IWebBrowser2, found.put_void()))) found.reset();
  return found;
}

}  // namespace vt

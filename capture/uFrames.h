// Which browser object to talk to, which document to capture (the host page's or a frame's) and
// which element stands for the page: its client area and scroll range are the capture's.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <string>

#include "base/ComPtr.h"

namespace vt {

// The browser object offered by `object` (a window, a document) as the SID_SWebBrowserApp
// service. None on any failure.
void GetWebBrowser(IUnknown* object, ComPtr<IWebBrowserApp>& browser);
// The document shown by the browser of `window`. None on any failure; never raises.
void GetBrowserDocument(IUnknown* window, ComPtr<IHTMLDocument2>& document);
// The browser's Document as an HTML document; false and none when it has none or it is no HTML
// document. A failing read of the property raises.
bool DocumentOf(IWebBrowser* browser, ComPtr<IHTMLDocument2>& document);
// What a failed frame search yields: none when `exact`, else the browser's own document.
void FallbackDocument(bool exact, IWebBrowser* browser, ComPtr<IHTMLDocument2>& document);
// The document of the frame named by `path`: "$" and zero-based indexes separated by ".", or
// frame names separated by "/"; an empty path or "$" alone is the top document. A frame that is
// not found gives FallbackDocument(exact). Only a failing read of a browser's Document raises.
void GetFrameDocument(IWebBrowser2* browser, const std::string& path, bool exact, ComPtr<IHTMLDocument2>& document);
// The mouse capture that an element of the page took for us: released when this goes, or sooner.
class TElementCapture {
public:
  TElementCapture() = default;
  ~TElementCapture() { Release(); }
  TElementCapture(const TElementCapture&) = delete;
  TElementCapture& operator=(const TElementCapture&) = delete;
  // `element` has taken the capture (any capture held before is released first).
  void Hold(ComPtr<IHTMLElement2> element);
  void Release();

private:
  ComPtr<IHTMLElement2> element_;
};

// The element to capture and scroll: the document element when it has a client area, else the
// body; none without either. The document element takes the mouse capture, which `capture` holds
// also when a failing read raises.
void GetScrollElement(IHTMLDocument2* document, ComPtr<IHTMLElement2>& element, TElementCapture& capture);
// The browser of the document shown in `window`, reached through WM_HTML_GETOBJECT. Returns the
// result of ObjectFromLresult (S_FALSE when Oleacc.dll does not offer it); `browser` is replaced
// only when a browser was found.
HRESULT GetWebBrowserFromWindow(HWND window, ComPtr<IWebBrowser2>& browser);

}  // namespace vt

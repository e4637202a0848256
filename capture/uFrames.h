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
// service; none when it offers none, whatever went wrong on the way.
ComPtr<IWebBrowserApp> GetWebBrowser(IUnknown* object);
// The document shown by the browser of `window`; none when there is none, whatever went wrong on
// the way.
ComPtr<IHTMLDocument2> GetBrowserDocument(IUnknown* window);
// The browser's Document as an HTML document; none when it has none or it is no HTML document.
// A failing read of the property raises.
ComPtr<IHTMLDocument2> DocumentOf(IWebBrowser* browser);
// What a failed frame search yields: none when `exact`, else the browser's own document.
ComPtr<IHTMLDocument2> FallbackDocument(bool exact, IWebBrowser* browser);
// The document of the frame named by `path`: "$" and zero-based indexes separated by ".", or
// frame names separated by "/"; an empty path or "$" alone is the top document. A frame that is
// not found gives FallbackDocument(exact). Only a failing read of a browser's Document raises.
ComPtr<IHTMLDocument2> GetFrameDocument(IWebBrowser2* browser, const std::string& path, bool exact);
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
ComPtr<IHTMLElement2> GetScrollElement(IHTMLDocument2* document, TElementCapture& capture);
// The browser of the document shown in `window`, reached through WM_HTML_GETOBJECT; none when the
// window answers with no document (or Oleacc.dll does not offer the way) or the document's window
// names no browser. A document whose window cannot be asked raises.
ComPtr<IWebBrowser2> GetWebBrowserFromWindow(HWND window);

}  // namespace vt

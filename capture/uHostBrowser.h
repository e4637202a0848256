// The browser that hosts the control: reached from the control's client site, its document
// waited for and searched.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <cstdint>
#include <string>

#include "base/ComPtr.h"

namespace vt {

// The page's document, the window that shows it and the browser, reached from the client site of
// the control's COM object.
struct THostBrowser {
  HWND docHwnd = nullptr;
  ComPtr<IWebBrowser2> browser;
  ComPtr<IHTMLDocument2> doc;
};
// Each part is there only as far as the chain of queries from `control` gets (none of them for no
// control); an empty part is an expected answer, not an error.
THostBrowser GetHostBrowser(IUnknown* control);
// Processes the thread's messages until the document's readyState is "complete" (true), the
// time-out has passed or the application is told to quit (false).
bool WaitForDocumentComplete(IHTMLDocument2* doc, DWORD timeoutMs);
// The first element inside the document's body whose id equals `id`, letter case ignored; none
// when there is none. Raises "Invalid HTML document" or "Can't find <body> element".
ComPtr<IHTMLElement> FindDocumentElement(IUnknown* doc, const std::string& id);
// The document's documentMode, 0 when it cannot be read.
int32_t GetDocumentMode(IUnknown* doc);
// More than `timeoutMs` has passed from `start` to `now` on the wrapping millisecond tick counter.
bool TickTimeoutPassed(DWORD start, DWORD now, DWORD timeoutMs);
// How long a wait that has not yet timed out sleeps for a message: what is left of `timeoutMs`
// and one more, at least 1 and at most 50 ms.
DWORD WaitSliceMs(DWORD start, DWORD now, DWORD timeoutMs);

}  // namespace vt

// Plain routines around the browser that hosts the control; the control's own methods that reach
// the browser (GetHostBrowser, WaitForDocumentComplete) are declared in control/VantrelleImpl.h.
#pragma once
#include <windows.h>
#include <mshtml.h>

#include <cstdint>
#include <string>

#include "base/ComPtr.h"

namespace vt {

// The first element inside the document's body whose id equals `id`, letter case ignored; none
// when there is none. Raises "Invalid HTML document" or "Can't find <body> element".
void FindDocumentElement(IUnknown* doc, const std::string& id, ComPtr<IHTMLElement>& elem);
// The document's documentMode, 0 when it cannot be read.
int32_t GetDocumentMode(IUnknown* doc);
// More than `timeoutMs` has passed from `start` to `now` on the wrapping millisecond tick counter.
bool TickTimeoutPassed(DWORD start, DWORD now, DWORD timeoutMs);
// How long a wait that has not yet timed out sleeps for a message: what is left of `timeoutMs`
// and one more, at least 1 and at most 50 ms.
DWORD WaitSliceMs(DWORD start, DWORD now, DWORD timeoutMs);

}  // namespace vt

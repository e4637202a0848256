// Where elements of a page are, measured through the browser's element interfaces, and the
// elements that carry given tag names (the page's own PAGEBREAK elements become page breaks).
#pragma once
#include <windows.h>
#include <mshtml.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ComPtr.h"

namespace vt {

// The element's document, or none (no element, an empty `document`, not an HTML document).
// A failed read of `document` throws vt::Error.
ComPtr<IHTMLDocument2> GetElementDocument(IHTMLElement* element);

// The element's tag name as the browser reports it (upper case for HTML); empty for no element.
std::string GetElementTagName(IHTMLElement* element);

// The element's rectangle in its own document: offsets summed up the offset-parent chain to the
// body (the body's own offsets not added), never into a containing frame and without scrolling.
// None for no element. A failed property read throws vt::Error.
std::optional<RECT> GetElementAbsoluteRect(IHTMLElement* element);

// Collects the elements of the start element's document whose tag is one of `names` (a comma
// text: commas or blanks separate, double quotes keep a piece whole), name by name in document
// order, appending each one's top to `tops` and the element to `elements` (either may be null);
// a start element of one of those tags adds its top once more at the end. Returns how many tops
// were found. A failed browser call throws vt::Error; the lists keep what was added before.
int32_t CollectTaggedElements(IHTMLElement* start, const std::string& names,
                              std::vector<ComPtr<IHTMLElement>>* elements, std::vector<int32_t>* tops);

}  // namespace vt

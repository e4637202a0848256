// Paints the page model with GDI: borders, fills, images, texts, frames and scroll bars.
#pragma once
#include <windows.h>

#include "browser/PageModel.h"

namespace vt::browser {

// Paints the element and everything inside it, its border box's top left at (x, y) of the DC,
// within the DC's current clipping. The element's own scroll position applies; the positions of
// its ancestors do not. Throws vt::Error when the memory for a pattern cannot be had.
void PaintElement(HDC dc, const TElement& e, int x, int y);

}  // namespace vt::browser

#include "browser/PageModel.h"

#include <algorithm>
#include <functional>

#include "base/Strings.h"

namespace vt::browser {

TElement* TElement::AddChild(std::unique_ptr<TElement> child) {
  child->parent = this;
  child->document = document;
  children.push_back(std::move(child));
  return children.back().get();
}

const std::string* TElement::Attribute(const std::string& attributeName) const {
  for (const auto& a : attributes)
    if (SameTextAscii(a.first, attributeName)) return &a.second;
  return nullptr;
}

bool TElement::RemoveAttribute(const std::string& attributeName) {
  auto it = std::find_if(attributes.begin(), attributes.end(),
                         [&](const auto& a) { return SameTextAscii(a.first, attributeName); });
  if (it == attributes.end()) return false;
  attributes.erase(it);
  return true;
}

void TElement::SetAttribute(const std::string& attributeName, const std::string& value) {
  for (auto& a : attributes)
    if (SameTextAscii(a.first, attributeName)) {
      a.second = value;
      return;
    }
  attributes.emplace_back(ToLowerAscii(attributeName), value);
}

std::string TElement::Label() const { return id.empty() ? tag : "#" + id; }

TDocument::TDocument(TPage* owner, TElement* frameOwner) : page(owner), frameElement(frameOwner) {
  html = std::make_unique<TElement>();
  html->tag = "HTML";
  html->document = this;
  html->fill = TFill::Solid;  // the canvas beyond the body is white
  html->scrollbars = true;
  auto b = std::make_unique<TElement>();
  b->tag = "BODY";
  b->scrollbars = true;
  body = html->AddChild(std::move(b));
}

TDocument* TDocument::Parent() const { return frameElement ? frameElement->document : nullptr; }

std::vector<TElement*> TDocument::AllElements() const {
  std::vector<TElement*> out;
  std::function<void(TElement*)> walk = [&](TElement* e) {
    out.push_back(e);
    for (auto& c : e->children) walk(c.get());
  };
  walk(html.get());
  return out;
}

std::vector<TElement*> TDocument::Frames() const {
  std::vector<TElement*> out;
  for (TElement* e : AllElements())
    if (e->frame) out.push_back(e);
  return out;
}

TElement* TDocument::FindById(const std::string& wanted) const {
  for (TElement* e : AllElements())
    if (!e->id.empty() && SameTextAscii(e->id, wanted)) return e;
  return nullptr;
}

void TDocument::CollectDocuments(std::vector<TDocument*>& out) {
  out.push_back(this);
  for (TElement* f : Frames()) f->frame->CollectDocuments(out);
}

TPage::TPage() : top(std::make_unique<TDocument>(this)) {}

namespace {

bool IsViewport(const TElement& e) {
  const TDocument& d = *e.document;
  return &e == d.html.get() || (&e == d.body && d.documentMode <= 5);
}

int ViewportWidth(const TDocument& d) {
  return d.frameElement ? ClientWidth(*d.frameElement) : d.page->viewWidth;
}
int ViewportHeight(const TDocument& d) {
  return d.frameElement ? ClientHeight(*d.frameElement) : d.page->viewHeight;
}

int ExtentWidth(const TElement& e) {
  if (&e == e.document->ScrollElement()) return e.document->contentWidth;
  if (e.contentWidth > 0) return e.contentWidth;
  int w = 0;
  for (auto& c : e.children) w = std::max(w, c->x + BoxWidth(*c));
  return w;
}
int ExtentHeight(const TElement& e) {
  if (&e == e.document->ScrollElement()) return e.document->contentHeight;
  if (e.contentHeight > 0) return e.contentHeight;
  int h = 0;
  for (auto& c : e.children) h = std::max(h, c->y + BoxHeight(*c));
  return h;
}

struct Bars {
  bool vertical = false, horizontal = false;
};

Bars ScrollBars(const TElement& e) {
  Bars b;
  if (!IsScrolling(e) || !e.scrollbars) return b;
  int innerW = BoxWidth(e) - 2 * e.border, innerH = BoxHeight(e) - 2 * e.border;
  if (innerW <= 0 || innerH <= 0) return b;
  int w = ExtentWidth(e), h = ExtentHeight(e);
  b.vertical = h > innerH;
  b.horizontal = w > innerW - (b.vertical ? kScrollBarSize : 0);
  if (b.horizontal && !b.vertical) b.vertical = h > innerH - kScrollBarSize;
  return b;
}

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

int BoxWidth(const TElement& e) {
  if (IsViewport(e)) return ViewportWidth(*e.document);
  if (&e == e.document->body) return e.document->contentWidth;
  return e.width;
}

int BoxHeight(const TElement& e) {
  if (IsViewport(e)) return ViewportHeight(*e.document);
  if (&e == e.document->body) return e.document->contentHeight;
  return e.height;
}

bool IsScrolling(const TElement& e) { return &e == e.document->ScrollElement() || e.scrolls; }

bool HasVerticalBar(const TElement& e) { return ScrollBars(e).vertical; }
bool HasHorizontalBar(const TElement& e) { return ScrollBars(e).horizontal; }

int ClientWidth(const TElement& e) {
  if (&e == e.document->html.get() && e.document->documentMode <= 5) return 0;
  return std::max(0, BoxWidth(e) - 2 * e.border - (HasVerticalBar(e) ? kScrollBarSize : 0));
}

int ClientHeight(const TElement& e) {
  if (&e == e.document->html.get() && e.document->documentMode <= 5) return 0;
  return std::max(0, BoxHeight(e) - 2 * e.border - (HasHorizontalBar(e) ? kScrollBarSize : 0));
}

int ScrollWidth(const TElement& e) {
  return IsScrolling(e) ? std::max(ExtentWidth(e), ClientWidth(e)) : ClientWidth(e);
}

int ScrollHeight(const TElement& e) {
  return IsScrolling(e) ? std::max(ExtentHeight(e), ClientHeight(e)) : ClientHeight(e);
}

bool SetScrollLeft(TElement& e, int value) {
  int limit = IsScrolling(e) ? std::max(0, ScrollWidth(e) - ClientWidth(e)) : 0;
  int v = std::clamp(value, 0, limit);
  bool changed = v != e.scrollLeft;
  e.scrollLeft = v;
  return changed;
}

bool SetScrollTop(TElement& e, int value) {
  int limit = IsScrolling(e) ? std::max(0, ScrollHeight(e) - ClientHeight(e)) : 0;
  int v = std::clamp(value, 0, limit);
  bool changed = v != e.scrollTop;
  e.scrollTop = v;
  return changed;
}

TElement* OffsetParent(const TElement& e) {
  if (&e == e.document->html.get() || &e == e.document->body) return nullptr;
  return e.parent;
}

RECT WindowRect(const TElement& e) {
  POINT origin{0, 0};
  if (e.parent) {
    RECT p = WindowRect(*e.parent);
    const TElement& pe = *e.parent;
    origin.x = p.left + pe.border + e.x - (IsScrolling(pe) ? pe.scrollLeft : 0);
    origin.y = p.top + pe.border + e.y - (IsScrolling(pe) ? pe.scrollTop : 0);
  } else if (const TElement* f = e.document->frameElement) {
    RECT p = WindowRect(*f);
    origin.x = p.left + f->border;
    origin.y = p.top + f->border;
  }
  return RECT{origin.x, origin.y, origin.x + BoxWidth(e), origin.y + BoxHeight(e)};
}

void ScrollIntoView(TElement& e, bool alignTop) {
  for (TElement* p = e.parent; p; p = p->parent) {
    if (!IsScrolling(*p)) continue;
    RECT r = WindowRect(e), pr = WindowRect(*p);
    int left = r.left - (pr.left + p->border) + p->scrollLeft;
    int top = r.top - (pr.top + p->border) + p->scrollTop;
    SetScrollTop(*p, alignTop ? top : top + (r.bottom - r.top) - ClientHeight(*p));
    if (left < p->scrollLeft || left + (r.right - r.left) > p->scrollLeft + ClientWidth(*p)) SetScrollLeft(*p, left);
  }
  if (e.document->frameElement) ScrollIntoView(*e.document->frameElement, alignTop);
}

COLORREF FillColor(const TElement& e, int u, int v) {
  switch (e.fill) {
    case TFill::XY:
      return RGB(u & 255, v & 255, ((u >> 8) + ((v >> 8) << 4)) & 255);
    case TFill::Checker:
      return ((FloorDiv(u, e.cell) + FloorDiv(v, e.cell)) & 1) ? e.color2 : e.color;
    default:
      return e.color;
  }
}

}  // namespace vt::browser

// The page shown by the stand-in browser: documents (the top one and those of its frames), each a
// tree of positioned elements with their boxes, scroll positions, fills, texts and images.
//
// Geometry: an element's x and y place its border box within its parent's content, which starts
// inside the parent's border and moves with the parent's scroll position when the parent scrolls.
// The scroll element of a document (html in standards mode, body when documentMode is 5) fills the
// viewport: the view window's client area, or a frame element's client area.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/Bitmap.h"

namespace vt::browser {

class TDocument;
class TPage;

enum class TFill { None, Solid, XY, Checker };

// Width of a scroll bar, in pixels.
constexpr int kScrollBarSize = 17;

class TElement {
public:
  std::string tag;  // upper case, as tagName reports it
  std::string id, name;
  // Attributes as the page file gave them (names in lower case), in order.
  std::vector<std::pair<std::string, std::string>> attributes;
  // Style properties written through the style object, in order of first writing.
  std::vector<std::pair<std::string, std::wstring>> style;

  int x = 0, y = 0, width = 0, height = 0;
  int border = 0;
  COLORREF borderColor = RGB(0, 0, 0);
  TFill fill = TFill::None;
  COLORREF color = RGB(255, 255, 255), color2 = RGB(0, 0, 0);
  int cell = 8;  // checker cell size
  std::wstring text;
  COLORREF textColor = RGB(0, 0, 0);
  int fontSize = 13;
  std::wstring fontName = L"Tahoma";
  std::shared_ptr<TBitmap> image;
  bool scrolls = false;     // overflow: the element has its own scroll range
  bool scrollbars = false;  // scroll bars are drawn (and take client space) when the content overflows
  int contentWidth = 0, contentHeight = 0;  // content extent of a scrolling element
  int scrollLeft = 0, scrollTop = 0;
  std::vector<int> failingDraws;  // DrawToDC calls, counted from 1, that fail
  int draws = 0;                  // DrawToDC calls so far

  TElement* parent = nullptr;
  TDocument* document = nullptr;
  std::vector<std::unique_ptr<TElement>> children;
  std::unique_ptr<TDocument> frame;  // FRAME and IFRAME: the document they show

  IUnknown* comObject = nullptr;  // its COM object while one lives (not owned)

  TElement* AddChild(std::unique_ptr<TElement> child);
  const std::string* Attribute(const std::string& name) const;
  bool RemoveAttribute(const std::string& name);
  void SetAttribute(const std::string& name, const std::string& value);
  // "#id" when the element has an id, else its tag: how the action record names it.
  std::string Label() const;
};

class TDocument {
public:
  explicit TDocument(TPage* page, TElement* frameElement = nullptr);

  TPage* page;
  TElement* frameElement;  // the FRAME or IFRAME showing this document; none for the top document
  std::unique_ptr<TElement> html;
  TElement* body = nullptr;

  int documentMode = 8;
  std::wstring url = L"about:blank", domain, title;
  int contentWidth = 0, contentHeight = 0;
  int readyDelayMs = 0;  // < 0: never complete
  std::wstring readyValue = L"complete";
  bool complete = false;
  bool answersGetObject = true;  // the view window answers WM_HTML_GETOBJECT

  IUnknown* documentObject = nullptr;  // COM objects while they live (not owned)
  IUnknown* windowObject = nullptr;
  IUnknown* browserObject = nullptr;

  TElement* ScrollElement() const { return documentMode <= 5 ? body : html.get(); }
  TDocument* Parent() const;
  std::wstring ReadyState() const { return complete ? readyValue : L"interactive"; }
  // Elements in document order, the html element first; frames' documents are not entered.
  std::vector<TElement*> AllElements() const;
  // FRAME and IFRAME elements of this document in document order.
  std::vector<TElement*> Frames() const;
  TElement* FindById(const std::string& id) const;  // first match, letter case ignored
  // This document and the documents of its frames, depth first.
  void CollectDocuments(std::vector<TDocument*>& out);
};

// Callbacks from the page to the window that shows it; absent while no window does.
class TPageHost {
public:
  virtual ~TPageHost() = default;
  virtual void Record(const std::string& line) = 0;
  virtual void PageChanged() = 0;  // scroll position or geometry: paint now
  virtual HWND ViewWindow() = 0;
  virtual HWND FrameWindow() = 0;
  virtual void ResizeFrameWindow(int width, int height) = 0;
  virtual void SetZoom(int percent) = 0;
  virtual int Zoom() = 0;
  virtual void Refresh() = 0;
};

class TPage : public std::enable_shared_from_this<TPage> {
public:
  TPage();
  std::unique_ptr<TDocument> top;
  std::vector<std::wstring> script;  // calls of the page's script, one per entry
  std::string path;                  // page file
  int viewWidth = 0, viewHeight = 0;  // client size of the view window
  TPageHost* host = nullptr;

  void Record(const std::string& line) const { if (host) host->Record(line); }
  void Changed() const { if (host) host->PageChanged(); }
  // The element carrying the id, searched in the top document.
  TElement* FindById(const std::string& id) const { return top->FindById(id); }
};

// Geometry, as the element interfaces report it.
int BoxWidth(const TElement& e);
int BoxHeight(const TElement& e);
bool IsScrolling(const TElement& e);  // the element has a scroll range of its own
int ClientWidth(const TElement& e);
int ClientHeight(const TElement& e);
int ScrollWidth(const TElement& e);
int ScrollHeight(const TElement& e);
bool HasVerticalBar(const TElement& e);
bool HasHorizontalBar(const TElement& e);
// Sets a scroll position, kept within 0 .. scroll size - client size; true when it changed.
bool SetScrollLeft(TElement& e, int value);
bool SetScrollTop(TElement& e, int value);
TElement* OffsetParent(const TElement& e);
// Border box in the view window's client coordinates, through frames and scroll positions.
RECT WindowRect(const TElement& e);
// Scrolls the element's scrolling ancestors (through its frames) so that its top left shows.
void ScrollIntoView(TElement& e, bool alignTop);

// The colour of a fill at a point of the element's content, for painting and for tests.
COLORREF FillColor(const TElement& e, int u, int v);

}  // namespace vt::browser

#include "capture/uCapture.h"

#include <mshtml.h>

#include <new>
#include <optional>
#include <string>
#include <utility>

#include "base/Bitmap.h"
#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "base/SystemInfo.h"
#include "base/Variant.h"
#include "resources/StringIds.h"

namespace vt {

TCaptureGrid CaptureGrid(int32_t width, int32_t height, int32_t viewW, int32_t viewH) {
  if (viewW == 0 || viewH == 0) throw Error(Format("The view to capture is %d x %d pixels", viewW, viewH));
  TCaptureGrid g;
  g.width = width;
  g.height = height;
  g.viewW = viewW;
  g.viewH = viewH;
  g.remX = width % viewW;
  g.remY = height % viewH;
  g.cols = width / viewW + (g.remX != 0 ? 1 : 0);
  g.rows = height / viewH + (g.remY != 0 ? 1 : 0);
  return g;
}

namespace {

const char kScrollCaption[] = "Scroll Capture >>";
const char kRenderCaption[] = "Element Render >>";
const COLORREF kWhite = RGB(255, 255, 255);

using Getter = HRESULT (STDMETHODCALLTYPE IHTMLElement2::*)(LONG*);
using Setter = HRESULT (STDMETHODCALLTYPE IHTMLElement2::*)(LONG);

LONG Read(IHTMLElement2* e, Getter getter, const char* name) {
  LONG value = 0;
  const HRESULT hr = (e->*getter)(&value);
  if (FAILED(hr)) throw Error(Format("Reading %s of the element failed", name), hr);
  return value;
}

void Write(IHTMLElement2* e, Setter setter, LONG value, const char* name) {
  const HRESULT hr = (e->*setter)(value);
  if (FAILED(hr)) throw Error(Format("Setting %s of the element failed", name), hr);
}

LONG ScrollLeft(IHTMLElement2* e) { return Read(e, &IHTMLElement2::get_scrollLeft, "scrollLeft"); }
LONG ScrollTop(IHTMLElement2* e) { return Read(e, &IHTMLElement2::get_scrollTop, "scrollTop"); }
void SetScrollLeft(IHTMLElement2* e, LONG v) { Write(e, &IHTMLElement2::put_scrollLeft, v, "scrollLeft"); }
void SetScrollTop(IHTMLElement2* e, LONG v) { Write(e, &IHTMLElement2::put_scrollTop, v, "scrollTop"); }

struct TClientArea {
  LONG clientLeft, clientTop, clientWidth, clientHeight;
  int32_t ViewWidth() const { return clientWidth - clientLeft; }
  int32_t ViewHeight() const { return clientHeight - clientTop; }
};

TClientArea ReadClientArea(IHTMLElement2* e) {
  TClientArea a;
  a.clientWidth = Read(e, &IHTMLElement2::get_clientWidth, "clientWidth");
  a.clientLeft = Read(e, &IHTMLElement2::get_clientLeft, "clientLeft");
  a.clientHeight = Read(e, &IHTMLElement2::get_clientHeight, "clientHeight");
  a.clientTop = Read(e, &IHTMLElement2::get_clientTop, "clientTop");
  return a;
}

// A capture route ends without a picture rather than with an error, and the request driver
// reports that: a browser, window or sink that fails on the way, a view of no size, or a picture
// larger than the memory left is a false result here, and the route's log lines say why.
template <class Route>
bool EndsWithoutPictureOnFailure(ILogSink& log, const char* caption, Route&& route) {
  std::string reason;
  try {
    return route();
  } catch (const Error& e) {
    reason = e.what();
  } catch (const std::bad_alloc& e) {
    reason = e.what();
  }
  log.WriteLog(caption, LoadResString(kLogError) + " = [" + reason + "]");
  return false;
}

ComPtr<IHTMLElement> DocumentBody(IHTMLDocument2* document) {
  ComPtr<IHTMLElement> body;
  if (document) document->get_body(body.put());
  if (!body) throw Error("The document has no body");
  return body;
}

}  // namespace

TPageCapture::TPageCapture(ILogSink& log, ComPtr<IHTMLDocument2> document, HWND viewWindow, HWND topWindow,
                           POINT frameStart)
    : log_(log), document_(std::move(document)), viewWindow_(viewWindow), topWindow_(topWindow),
      frameStart_(frameStart) {}

bool TPageCapture::CaptureByElementRender(IHTMLElement2* element, ITileSink* sink) {
  if (!sink || !element) return false;
  auto render = ComPtr<IHTMLElement2>(element).As<IHTMLElementRender>();
  if (!render) return false;
  return EndsWithoutPictureOnFailure(log_, kRenderCaption, [&] { return RenderViews(element, render.get(), *sink); });
}

bool TPageCapture::RenderViews(IHTMLElement2* element, IHTMLElementRender* render, ITileSink& sink) {
  const TClientArea area = ReadClientArea(element);
  const LONG width = Read(element, &IHTMLElement2::get_scrollWidth, "scrollWidth");
  const LONG height = Read(element, &IHTMLElement2::get_scrollHeight, "scrollHeight");
  // A border wider than the client area leaves no view at all.
  if (area.ViewWidth() < 0 || area.ViewHeight() < 0) return false;
  const TCaptureGrid grid = CaptureGrid(width, height, area.ViewWidth(), area.ViewHeight());
  sink.BeginImage(width, height);
  sink.SetTileSize(grid.viewW, grid.viewH);
  sink.SetTileCount(grid.cols, grid.rows, grid.Count());

  // The view reaches to the client area's right and bottom edges: on the last column and row the
  // wanted part is shifted right and down by what the element could not scroll, up to the border.
  TBitmap view(area.clientLeft + area.clientWidth, area.clientTop + area.clientHeight);
  TBitmap tile(grid.viewW, grid.viewH);
  const POINT saved{ScrollLeft(element), ScrollTop(element)};
  const ScopeGuard restore([&] {
    SetScrollLeft(element, saved.x);
    SetScrollTop(element, saved.y);
  });
  int32_t index = 0;
  for (int32_t row = 0; row < grid.rows; ++row) {
    const int32_t y = row * grid.viewH;
    SetScrollTop(element, y);
    for (int32_t col = 0; col < grid.cols; ++col) {
      const RECT place = grid.TileRect(col, row);
      SetScrollLeft(element, place.left);
      const int32_t dx = place.left - ScrollLeft(element), dy = y - ScrollTop(element);
      view.Fill(kWhite);
      const HRESULT drawn = render->DrawToDC(view.Canvas());
      const int32_t w = place.right - place.left, h = place.bottom - place.top;
      tile.SetSize(w, h);
      tile.Fill(kWhite);
      // A view the browser fails to draw stays white; every index still reaches the sink.
      if (drawn == S_OK)
        ::BitBlt(tile.Canvas(), 0, 0, w, h, view.Canvas(), area.clientLeft + dx, area.clientTop + dy, SRCCOPY);
      else
        log_.WriteLog(kRenderCaption, Format("View %d at %ld, %ld could not be drawn : 0x%08lX", index, place.left,
                                             place.top, static_cast<unsigned long>(drawn)));
      sink.AddTile(col, row, index++, place, tile);
    }
  }
  return true;
}

bool TPageCapture::ScrollCapture(IHTMLElement2* element, POINT start, ITileSink* sink) {
  log_.WriteLogText(kScrollCaption, kLogScrollCaptureStarted);
  if (!element) {
    Log(Format("newElement : %d", 0));
    return false;
  }
  if (!sink) return false;
  return EndsWithoutPictureOnFailure(log_, kScrollCaption, [&] { return ScrollAndCopy(element, start, *sink); });
}

bool TPageCapture::ScrollAndCopy(IHTMLElement2* element, POINT start, ITileSink& sink) {
  const POINT saved = SaveScrollPosition(element);
  // From here on every way out puts the browser window and the element's scroll position back; a
  // position that cannot be set again leaves what was captured whole.
  const ScopeGuard restore([&] {
    RestoreIEWindow();
    SetScrollLeft(element, saved.x);
    SetScrollTop(element, saved.y);
  });
  PrepareIEWindowForCapture();
  const std::optional<TScrollView> view = MeasureScrollView(element);
  if (!view) return false;

  ComPtr<IHTMLElement> body = DocumentBody(document_.get());
  body->scrollIntoView(*Variant::FromBool(true));
  FindFrameStart(element, body.get());
  LogBodyOffset(body.get());

  const POINT startPos{view->clientLeft + frameStart_.x, view->clientTop + frameStart_.y};
  Log(Format("StartPos : %ld, %ld", startPos.x, startPos.y));
  SetScrollLeft(element, 0);
  SetScrollTop(element, 0);

  const TCaptureGrid grid = BeginScrollPicture(sink, *view);
  CopyViews(element, start, grid, startPos, sink);
  return true;
}

POINT TPageCapture::SaveScrollPosition(IHTMLElement2* element) {
  const POINT saved{ScrollLeft(element), ScrollTop(element)};
  Log(Format("scrollLeft : %ld", saved.x));
  Log(Format("scrollTop : %ld", saved.y));
  Log(Format("scrollWidth : %ld", Read(element, &IHTMLElement2::get_scrollWidth, "scrollWidth")));
  Log(Format("scrollHeight : %ld", Read(element, &IHTMLElement2::get_scrollHeight, "scrollHeight")));
  return saved;
}

std::optional<TPageCapture::TScrollView> TPageCapture::MeasureScrollView(IHTMLElement2* element) {
  const TClientArea area = ReadClientArea(element);
  TScrollView view{area.clientLeft, area.clientTop, area.ViewWidth(), area.ViewHeight(), 0, 0};
  Log(Format("ClientWidthInView : %d", view.viewW));
  Log(Format("ClientHeightInView : %d", view.viewH));
  // The whole content: the view starts after the left and top borders, so the content's last
  // columns and rows come into it when the element is scrolled to its end.
  view.width = Read(element, &IHTMLElement2::get_scrollWidth, "scrollWidth");
  view.height = Read(element, &IHTMLElement2::get_scrollHeight, "scrollHeight");

  RECT client{};
  if (view.viewW < 0) return std::nullopt;
  if (view.viewW == 0 && ::GetClientRect(viewWindow_, &client)) {
    view.viewW = client.right - client.left;
    Log(Format("Windows.GetClientRect(ClientWidthInView) : %d", view.viewW));
  }
  if (view.viewH < 0) return std::nullopt;
  if (view.viewH == 0 && ::GetClientRect(viewWindow_, &client)) {
    view.viewH = client.bottom - client.top;
    Log(Format("Windows.GetClientRect(ClientHeightInView) : %d", view.viewH));
  }
  return view;
}

void TPageCapture::FindFrameStart(IHTMLElement2* element, IHTMLElement* body) {
  // Where the document's content starts in the view window (a frame's lies inside the top view).
  ComPtr<IHTMLRectCollection> rects;
  LONG rectCount = 0;
  if (FAILED(element->getClientRects(rects.put())) || !rects || FAILED(rects->get_length(&rectCount)) ||
      rectCount <= 0)
    return;
  auto body2 = ComPtr<IHTMLElement>(body).As<IHTMLElement2>();
  ComPtr<IHTMLRectCollection> bodyRects;
  Variant first = Variant::FromInt(0), item;
  if (!body2 || FAILED(body2->getClientRects(bodyRects.put())) || !bodyRects ||
      FAILED(bodyRects->item(first.get(), item.put())) || V_VT(item.get()) != VT_DISPATCH || !V_DISPATCH(item.get()))
    throw Error("The document's body has no client rectangle");
  auto rect = ComPtr<IDispatch>(V_DISPATCH(item.get())).As<IHTMLRect>();
  LONG left = 0, top = 0;
  if (!rect || FAILED(rect->get_left(&left)) || FAILED(rect->get_top(&top)))
    throw Error("The body's client rectangle cannot be read");
  frameStart_ = POINT{left, top};
  Log(Format("FFrameStartX : %d", static_cast<int>(frameStart_.x)));
  Log(Format("FFrameStartX : %d", static_cast<int>(frameStart_.y)));
}

void TPageCapture::LogBodyOffset(IHTMLElement* body) {
  ComPtr<IHTMLElement> parent;
  if (FAILED(body->get_parentElement(parent.put())) || !parent) return;
  LONG offsetLeft = 0, offsetTop = 0;
  parent->get_offsetLeft(&offsetLeft);
  parent->get_offsetTop(&offsetTop);
  Log(Format("offsetLeft : %ld", offsetLeft));
  Log(Format("offsetTop : %ld", offsetTop));
}

TCaptureGrid TPageCapture::BeginScrollPicture(ITileSink& sink, const TScrollView& view) {
  sink.BeginImage(view.width, view.height);
  Log(Format("Bitmap Width : %d", view.width));
  Log(Format("Bitmap Height : %d", view.height));
  const TCaptureGrid grid = CaptureGrid(view.width, view.height, view.viewW, view.viewH);
  sink.SetTileSize(grid.viewW, grid.viewH);
  sink.SetTileCount(grid.cols, grid.rows, grid.Count());
  return grid;
}

void TPageCapture::CopyViews(IHTMLElement2* element, POINT start, const TCaptureGrid& grid, POINT startPos,
                             ITileSink& sink) {
  TBitmap tile(grid.viewW, grid.viewH);
  // Since Windows 8 the view window's own device context no longer shows what is on the
  // screen: copy from the desktop at the view's place, and give the screen time to follow.
  const bool fromScreen = IsWin8OrLater();
  const HWND source = fromScreen ? ::GetDesktopWindow() : viewWindow_;
  RECT docRect{};
  if (fromScreen) ::GetWindowRect(viewWindow_, &docRect);
  Log(Format("CountY : %d", grid.rows));
  Log(Format("FDocHwnd : %d", static_cast<int>(reinterpret_cast<INT_PTR>(viewWindow_))));
  WindowDC dc(source);
  if (!dc) throw Error("No device context for the view window");
  const POINT origin{startPos.x + docRect.left, startPos.y + docRect.top};

  int32_t index = 0;
  for (int32_t row = 0; row < grid.rows; ++row) {
    const int32_t y = row * grid.viewH + start.y;
    SetScrollTop(element, y);
    const int32_t dy = y - ScrollTop(element);
    for (int32_t col = 0; col < grid.cols; ++col) {
      const RECT place = grid.TileRect(col, row);
      const int32_t x = place.left + start.x;
      SetScrollLeft(element, x);
      const int32_t dx = x - ScrollLeft(element);
      BringIEWindowToFront();
      // Only the top-left part of the tile bitmap is the picture's on the last column and row.
      ::BitBlt(tile.Canvas(), 0, 0, place.right - place.left, place.bottom - place.top, dc.get(), origin.x + dx,
               origin.y + dy, SRCCOPY);
      if (fromScreen) ::Sleep(30);
      sink.AddTile(col, row, index++, place, tile);
    }
  }
}

void TPageCapture::Log(const std::string& message) { log_.WriteLog(kScrollCaption, message); }

void TPageCapture::PrepareIEWindowForCapture() {
  saved_.placement = WINDOWPLACEMENT{};
  saved_.placement.length = sizeof(WINDOWPLACEMENT);
  ::GetWindowPlacement(topWindow_, &saved_.placement);
  if (saved_.placement.showCmd == SW_SHOWMINIMIZED) ::ShowWindow(topWindow_, SW_RESTORE);
  ::GetWindowRect(topWindow_, &saved_.rect);
  BringIEWindowToFront();
  auto body = DocumentBody(document_.get()).As<IHTMLElement2>();
  if (!body) throw Error("The document's body is not an element");
  SetScrollTop(body.get(), 0);
  SetScrollLeft(body.get(), 0);
}

void TPageCapture::RestoreIEWindow() {
  const RECT& r = saved_.rect;
  ::SetWindowPos(topWindow_, HWND_NOTOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
  ::SetWindowPlacement(topWindow_, &saved_.placement);
}

void TPageCapture::BringIEWindowToFront() {
  ::SetWindowPos(topWindow_, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  ::ShowWindow(topWindow_, SW_SHOW);
  ::SetForegroundWindow(topWindow_);
}

}  // namespace vt

// Page capture: the document or one element, view by view, into a tile sink.
#pragma once
#include <windows.h>
#include <mshtml.h>

#include <cstdint>
#include <optional>
#include <string>

#include "base/ComPtr.h"
#include "base/LogSink.h"
#include "base/TileSink.h"

namespace vt {

// The grid of views in which the capture visits a picture: row by row, left to right; every view
// but those of the last column and row is one full view.
struct TCaptureGrid {
  int32_t width = 0, height = 0;  // the picture
  int32_t viewW = 0, viewH = 0;   // one view: the tile size
  int32_t cols = 0, rows = 0;
  int32_t remX = 0, remY = 0;     // width of the last column and height of the last row when not 0

  int32_t Count() const { return cols * rows; }
  int32_t TileWidth(int32_t col) const { return col == cols - 1 && remX > 0 ? remX : viewW; }
  int32_t TileHeight(int32_t row) const { return row == rows - 1 && remY > 0 ? remY : viewH; }
  // The tile's place in the picture.
  RECT TileRect(int32_t col, int32_t row) const {
    return RECT{col * viewW, row * viewH, col * viewW + TileWidth(col), row * viewH + TileHeight(row)};
  }
};

// Throws vt::Error when a view size is 0: there is no grid to visit.
TCaptureGrid CaptureGrid(int32_t width, int32_t height, int32_t viewW, int32_t viewH);

// The browser window as a scroll capture found it, put back when the capture ends.
struct TWindowPlacement {
  WINDOWPLACEMENT placement;
  RECT rect;
};

// The capture of one document: the document, the view window that shows it and the browser's
// top-level window, as the request driver found them. The scroll route logs to `log`.
class TPageCapture {
public:
  // `frameStart` is where an earlier scroll capture found the document's content in the view
  // window; a scroll capture that finds no client rectangle of the element keeps it.
  TPageCapture(ILogSink& log, ComPtr<IHTMLDocument2> document, HWND viewWindow, HWND topWindow,
               POINT frameStart = {});

  // Both routes: true when the whole picture went to `sink`; false also when the browser, a window,
  // a view of no size or the sink failed on the way, and the log then says why. The element's
  // scroll position is put back on every way out.

  // Lets the browser draw the element into a memory bitmap, view by view; needs no visible
  // window. A view the browser fails to draw is white in the picture, and the log names it.
  bool CaptureByElementRender(IHTMLElement2* element, ITileSink* sink);
  // Scrolls the document view and copies its pixels from the screen; `start` is added to every
  // scroll position.
  bool ScrollCapture(IHTMLElement2* element, POINT start, ITileSink* sink);

  // Where the document's content starts in the view window.
  POINT FrameStart() const { return frameStart_; }
  const TWindowPlacement& SavedPlacement() const { return saved_; }

private:
  // The element's view and picture as the scroll route measures them.
  struct TScrollView {
    LONG clientLeft, clientTop;  // where the view starts inside the element's borders
    int32_t viewW, viewH;        // one view: the tile size
    int32_t width, height;       // the picture
  };

  // The element-render route once the element answers for rendering; false for a border wider
  // than the client area, and raises what fails.
  bool RenderViews(IHTMLElement2* element, IHTMLElementRender* render, ITileSink& sink);
  // The steps of the scroll route, in their order; each raises what fails.
  bool ScrollAndCopy(IHTMLElement2* element, POINT start, ITileSink& sink);
  // Logs the element's scroll position and size; gives the position to put back at the end.
  POINT SaveScrollPosition(IHTMLElement2* element);
  // None for a border wider than the client area; a view of 0 pixels takes the view window's size.
  std::optional<TScrollView> MeasureScrollView(IHTMLElement2* element);
  // Where the body's first client rectangle lies, when the element has client rectangles.
  void FindFrameStart(IHTMLElement2* element, IHTMLElement* body);
  void LogBodyOffset(IHTMLElement* body);
  TCaptureGrid BeginScrollPicture(ITileSink& sink, const TScrollView& view);
  // Scrolls to every view in turn and copies it from the screen into the sink.
  void CopyViews(IHTMLElement2* element, POINT start, const TCaptureGrid& grid, POINT startPos, ITileSink& sink);
  void Log(const std::string& message);

  // Saves, restores from minimized and raises the browser window; scrolls the body to its start.
  void PrepareIEWindowForCapture();
  // Puts the browser window back as PrepareIEWindowForCapture found it.
  void RestoreIEWindow();
  void BringIEWindowToFront();

  ILogSink& log_;
  ComPtr<IHTMLDocument2> document_;
  HWND viewWindow_;
  HWND topWindow_;
  POINT frameStart_;
  TWindowPlacement saved_{};
};

}  // namespace vt

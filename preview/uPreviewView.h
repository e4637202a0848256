// The preview window's view as the tools that work on it see it (the page-break editor and the
// selection): the document, the zoom's mapping between capture pixels and view pixels (the picture
// at the zoom), the view box in its scroll box, and the layout that follows a change.
#pragma once
#include <windows.h>

#include <cstdint>

#include "page/uVantrelleDocument.h"
#include "preview/uPreviewControls.h"

namespace vt {

enum TViewMode : uint8_t { vmPageView = 1, vmCaptureView = 2 };

class IPreviewView {
public:
  virtual TVantrelleDocument& Document() = 0;
  virtual TViewMode ViewMode() const = 0;
  // The view's size: the picture or the page at the zoom.
  virtual int ViewWidth() const = 0;
  virtual int ViewHeight() const = 0;
  // The captured picture at the zoom: what the rulers span.
  virtual SIZE PictureExtent() const = 0;
  // Capture pixels to view pixels and back (round half to even).
  virtual int DocToScreenX(int x) const = 0;
  virtual int DocToScreenY(int y) const = 0;
  virtual int ScreenToDocX(int x) const = 0;
  virtual int ScreenToDocY(int y) const = 0;
  // View coordinates of a client point of `wnd` and back.
  virtual POINT ToView(HWND wnd, POINT client) const = 0;
  virtual POINT FromView(HWND wnd, POINT view) const = 0;
  // The view box, which paints the view, and the scroll box that holds it.
  virtual TPaintBox& ImgBox() = 0;
  virtual TScroller& Scroller() = 0;
  // The view box placed again and the page breaks drawn for the document and the zoom.
  virtual void ProcessResize() = 0;

protected:
  ~IPreviewView() = default;
};

}  // namespace vt

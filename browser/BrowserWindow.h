// The browser's windows: the top-level frame window ("IEFrame"), a document view host ("Shell
// DocObject View") and the document view ("Internet Explorer_Server"), which paints the visible
// part of the page, answers WM_HTML_GETOBJECT with the top document, and runs the documents'
// readyState timers. It is the page's host: it records what is done to the browser and repaints
// at once when a scroll position or the geometry changes, so that the screen always shows the page
// as the COM objects report it.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "base/Handles.h"
#include "browser/ActionRecord.h"
#include "browser/PageModel.h"

namespace vt::browser {

struct TBrowserOptions {
  int left = 0, top = 0;                  // screen position of the frame window
  int viewWidth = 800, viewHeight = 600;  // client size of the document view
  bool topmost = false;
  std::string recordPath;  // the action record; empty for none
};

class TBrowserWindow : public TPageHost {
public:
  // Creates and shows the windows and starts the documents' readyState timers. Throws vt::Error.
  TBrowserWindow(std::shared_ptr<TPage> page, const TBrowserOptions& options);
  ~TBrowserWindow() override;
  TBrowserWindow(const TBrowserWindow&) = delete;
  TBrowserWindow& operator=(const TBrowserWindow&) = delete;

  TPage& Page() { return *page_; }
  ComPtr<IWebBrowser2> Browser();
  ComPtr<IHTMLDocument2> Document();
  // Called after every repaint caused by the page (a hosted control follows its element).
  void SetLayoutListener(std::function<void()> listener) { layoutListener_ = std::move(listener); }
  // Called when the frame window is being destroyed.
  void SetClosedListener(std::function<void()> listener) { closedListener_ = std::move(listener); }
  bool IsOpen() const { return static_cast<bool>(frame_); }

  // TPageHost
  void Record(const std::string& line) override { record_.Append(line); }
  void PageChanged() override;
  HWND ViewWindow() override { return view_; }
  HWND FrameWindow() override { return frame_.get(); }
  void ResizeFrameWindow(int width, int height) override;
  void SetZoom(int percent) override;
  int Zoom() override { return zoom_; }
  void Refresh() override;

private:
  static LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK ViewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnFrameMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnViewMessage(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  void Paint();
  void StartLoading();
  void RecordFramePosition();

  std::shared_ptr<TPage> page_;
  TActionRecord record_;
  WindowHandle frame_;
  HWND host_ = nullptr, view_ = nullptr;  // children of frame_, destroyed with it
  std::vector<TDocument*> documents_;  // top document first; index + 1 is the readyState timer id
  int zoom_;  // optical zoom in percent; it is recorded, the page is painted at 100
  bool recording_ = false;  // the frame window's own set-up is not recorded
  RECT recordedRect_{};
  std::function<void()> layoutListener_, closedListener_;
};

}  // namespace vt::browser

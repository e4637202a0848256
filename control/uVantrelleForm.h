// The control's face: an 800 x 200 form with a title band (product and maker labels beside a
// coloured mark) and the request log box below it, hidden unless a request asks to show it.
// The form reports its window events to a listener, which turns them into the control's events.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "base/Handles.h"

namespace vt {

class TFormEvents {
public:
  virtual void FormActivate() = 0;
  virtual void FormClick() = 0;
  virtual void FormDblClick() = 0;
  virtual void FormDeactivate() = 0;
  virtual void FormDestroy() = 0;
  virtual void FormKeyPress(char& key) = 0;  // 0 swallows the key
  virtual void FormMouseEnter() = 0;
  virtual void FormMouseLeave() = 0;
  virtual void FormPaint() = 0;

protected:
  ~TFormEvents() = default;
};

class TVantrelleForm {
public:
  static constexpr int kDesignWidth = 800, kDesignHeight = 200, kPanelHeight = 41;
  static constexpr COLORREF kBtnFace = 0x8000000F;  // OLE_COLOR of the system colour clBtnFace
  static constexpr const char* kClassName = "TVantrelleForm";  // the face's window class

  explicit TVantrelleForm(TFormEvents& events) : events_(events) {}
  ~TVantrelleForm() { Destroy(); }
  TVantrelleForm(const TVantrelleForm&) = delete;
  TVantrelleForm& operator=(const TVantrelleForm&) = delete;

  // Creates the window as a child of `parent` at `position`; repeated calls reparent and move it.
  void Create(HWND parent, const RECT& position);
  void Destroy();
  HWND Handle() const { return wnd_.get(); }
  void SetBounds(const RECT& position);

  // Form properties that the window shows.
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  COLORREF Color() const { return color_; }  // OLE_COLOR
  void SetColor(COLORREF color);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool MouseInClient() const { return mouseIn_; }

  // The log box: shown with `lines`, or hidden (its text stays). `lines` is the whole log: lines
  // past those the box holds are added to it; fewer lines than it holds (a cleared log) replace them.
  void ShowLog(bool show, const std::vector<std::string>& lines);
  void SetLogLines(const std::vector<std::string>& lines);
  bool LogVisible() const { return logVisible_; }
  HWND LogBox() const { return memoLog_; }

  // Paints the face on any device context (the window's, or a container's through IViewObject).
  void PaintFace(HDC dc, const RECT& bounds) const;

private:
  static LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void LayoutLog();

  TFormEvents& events_;
  WindowHandle wnd_;
  HWND memoLog_ = nullptr;  // a child of wnd_, destroyed with it
  std::string caption_ = "Vantrelle";
  COLORREF color_ = kBtnFace;
  bool visible_ = true;
  bool enabled_ = true;
  bool logVisible_ = false;
  bool mouseIn_ = false;
  bool leftDown_ = false;
  std::string logText_;
  size_t logLines_ = 0;  // lines of the log that logText_ holds
};

}  // namespace vt

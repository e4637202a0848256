// An ActiveX control hosted in the page as the browser's container hosts one: created by its
// class identifier, given a client site (whose container is the page's document and whose service
// provider offers the browser), initialised, connected to an event sink through its default source
// connection point, and activated in place in the document view at its element's place, which it
// follows when the page scrolls or the element moves.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>
#include <string>

#include "base/ComPtr.h"
#include "browser/BrowserWindow.h"

namespace vt::browser {

class TControlSite;

// An event of the control: its name (from the control's type information, else "#" and the
// dispatch id) and its arguments, last first as IDispatch::Invoke passes them.
using TEventHandler = std::function<void(const std::wstring& name, const DISPPARAMS& args)>;

class THostedControl {
public:
  // Throws vt::Error when the control cannot be created or activated.
  THostedControl(TBrowserWindow& window, TElement& element, const CLSID& clsid, TEventHandler onEvent);
  ~THostedControl();
  THostedControl(const THostedControl&) = delete;
  THostedControl& operator=(const THostedControl&) = delete;

  // The control's automation interface (none when it has none).
  ComPtr<IDispatch> Dispatch() const { return dispatch_; }
  // The event interface connected to (IID_NULL when the control offers no events).
  const IID& EventInterface() const { return eventIid_; }
  // Moves the control's window to its element's place in the view.
  void Layout();

  // For the site: where the control sits, in view coordinates, and its event names.
  RECT Position() const;
  RECT Clip() const;
  TBrowserWindow& Window() { return window_; }
  TElement& Element() { return element_; }

private:
  void ConnectEvents(TEventHandler onEvent);
  void Close();  // disconnects, deactivates and closes the control; safe to repeat

  TBrowserWindow& window_;
  TElement& element_;
  ComPtr<IOleObject> object_;
  ComPtr<IDispatch> dispatch_;
  ComPtr<TControlSite> site_;
  ComPtr<IConnectionPoint> connection_;
  DWORD cookie_ = 0;
  IID eventIid_ = IID_NULL;
};

// The CLSID named by a classid attribute: "clsid:XXXXXXXX-..." or "{XXXXXXXX-...}". Throws vt::Error.
CLSID ParseClassId(const std::string& text);

}  // namespace vt::browser

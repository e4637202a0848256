// Helpers of the stand-in browser's tests: a page file shown in a browser window of this
// process, message pumping, and pixel comparison.
#pragma once
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/Bitmap.h"
#include "base/ComPtr.h"
#include "base/Strings.h"
#include "browser/BrowserWindow.h"
#include "browser/HtmlObjects.h"
#include "browser/PageFile.h"
#include "support/TestEnv.h"
#include "support/WindowTesting.h"

namespace vt::test {

// The pattern="xy" fill at a point of its element's content.
inline COLORREF XYColor(int u, int v) { return RGB(u & 255, v & 255, ((u >> 8) + ((v >> 8) << 4)) & 255); }

// The record of a control hiding its own element "Vantrelle" as the product's control does.
inline const std::vector<std::string> kHiddenControlRecord = {
    "removeAttribute #Vantrelle width", "removeAttribute #Vantrelle height", "style #Vantrelle width 0",
    "style #Vantrelle height 0",        "style #Vantrelle left -1024",       "style #Vantrelle top -1024",
};

// A page file written to a temporary folder (with further files beside it) and shown.
class BrowserPage {
public:
  explicit BrowserPage(const std::string& xml, browser::TBrowserOptions options = {},
                       const std::vector<std::pair<std::string, std::string>>& files = {}) {
    for (const auto& f : files) WriteFileBytes(dir_.file(f.first), f.second);
    WriteFileBytes(dir_.file("page.xml"), xml);
    if (options.recordPath.empty()) options.recordPath = dir_.file("record.txt");
    recordPath_ = options.recordPath;
    page_ = browser::LoadPageFile(dir_.file("page.xml"));
    window_ = std::make_unique<browser::TBrowserWindow>(page_, options);
    PumpMessages(30);
  }

  browser::TBrowserWindow& Window() { return *window_; }
  browser::TPage& Page() { return *page_; }
  HWND View() { return window_->ViewWindow(); }
  ComPtr<IHTMLDocument2> Doc() { return window_->Document(); }
  ComPtr<IHTMLElement2> ScrollElement() {
    ComPtr<IHTMLElement> html;
    Doc().As<IHTMLDocument3>()->get_documentElement(html.put());
    return html.As<IHTMLElement2>();
  }
  ComPtr<IHTMLElement> Element(const std::string& id) {
    ComPtr<IHTMLElement> e;
    Bstr name(FromUtf8(id));
    Doc().As<IHTMLDocument3>()->getElementById(name.get(), e.put());
    return e;
  }
  std::vector<std::string> Record() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(recordPath_));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

private:
  TempDir dir_;
  std::string recordPath_;
  std::shared_ptr<browser::TPage> page_;
  std::unique_ptr<browser::TBrowserWindow> window_;
};

inline long Get(IHTMLElement2* e, HRESULT (STDMETHODCALLTYPE IHTMLElement2::*getter)(LONG*)) {
  LONG v = -1;
  (e->*getter)(&v);
  return v;
}

inline long Get(IHTMLElement* e, HRESULT (STDMETHODCALLTYPE IHTMLElement::*getter)(LONG*)) {
  LONG v = -1;
  (e->*getter)(&v);
  return v;
}

// The document of frame `key` (an index or a name) of `doc`, reached as the control reaches
// frames: frames.item(key), the frame window's browser service, its Document. None when a step fails.
inline ComPtr<IHTMLDocument2> FrameDocument(IHTMLDocument2* doc, VARIANT key) {
  ComPtr<IHTMLFramesCollection2> frames;
  if (!doc || FAILED(doc->get_frames(frames.put())) || !frames) return {};
  VARIANT result;
  ::VariantInit(&result);
  if (FAILED(frames->item(&key, &result)) || V_VT(&result) != VT_DISPATCH) {
    ::VariantClear(&result);
    return {};
  }
  auto provider = ComPtr<IDispatch>::Attach(V_DISPATCH(&result)).As<IServiceProvider>();
  ComPtr<IWebBrowserApp> browser;
  if (!provider || FAILED(provider->QueryService(browser::kWebBrowserAppService, __uuidof(IWebBrowserApp),
                                                 browser.put_void())))
    return {};
  ComPtr<IDispatch> document;
  if (FAILED(browser->get_Document(document.put())) || !document) return {};
  return document.As<IHTMLDocument2>();
}

inline ComPtr<IHTMLDocument2> FrameDocument(IHTMLDocument2* doc, int index) {
  VARIANT key;
  V_VT(&key) = VT_I4;
  V_I4(&key) = index;
  return FrameDocument(doc, key);
}

inline ComPtr<IHTMLDocument2> FrameDocument(IHTMLDocument2* doc, const wchar_t* name) {
  Bstr text(name);
  VARIANT key;
  V_VT(&key) = VT_BSTR;
  V_BSTR(&key) = text.get();
  return FrameDocument(doc, key);
}

}  // namespace vt::test

// The stand-in browser: shows a page file, hosts the page's control and plays its script.
//
//   vtbrowser PAGE.xml [--record FILE] [--view WIDTHxHEIGHT] [--pos LEFT,TOP] [--topmost]
//                      [--call CALL]... [--type KEYS] [--keep-open]
//
// Prints "page <url>"; then, when the page holds a control (the first OBJECT element with a
// classid), "control <class id> events <event interface id>"; then one line per call of the page's
// script and of each --call, in that order, and one line per event of the control (the forms are
// those of ScriptPlayer.h); "exit <code>" last. With --keep-open the browser stays until its window
// is closed. --record names the action record (ActionRecord.h). --type types keys into the control's
// windows while the calls run, as a person would (KeyTypist.h), printing "type <key>" for each.
// Exit codes: 0 done, 2 bad command line, 3 page fault, 4 control fault.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Numbers.h"
#include "base/Strings.h"
#include "browser/BrowserWindow.h"
#include "browser/HostedControl.h"
#include "browser/KeyTypist.h"
#include "browser/PageFile.h"
#include "browser/ScriptPlayer.h"

using namespace vt;
using namespace vt::browser;

namespace {

struct TCommandLine {
  std::string page;
  TBrowserOptions options;
  std::vector<std::wstring> calls;
  std::string keys;
  bool keepOpen = false;
};

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// "800x600" or "10,20": two integers around a separator.
bool TwoNumbers(const std::string& text, char separator, int& a, int& b) {
  size_t at = text.find(separator);
  if (at == std::string::npos) return false;
  auto first = TryStrToInt(text.substr(0, at)), second = TryStrToInt(text.substr(at + 1));
  if (!first || !second) return false;
  a = *first;
  b = *second;
  return true;
}

std::optional<TCommandLine> ParseCommandLine() {
  int count = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  const LocalMemory argvMemory(argv);
  std::vector<std::wstring> args(argv, argv + count);
  TCommandLine c;
  for (size_t i = 1; i < args.size(); ++i) {
    std::wstring a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == L"--record" && hasValue) {
      c.options.recordPath = ToAnsi(args[++i]);
    } else if (a == L"--view" && hasValue) {
      if (!TwoNumbers(ToUtf8(args[++i]), 'x', c.options.viewWidth, c.options.viewHeight)) return std::nullopt;
    } else if (a == L"--pos" && hasValue) {
      if (!TwoNumbers(ToUtf8(args[++i]), ',', c.options.left, c.options.top)) return std::nullopt;
    } else if (a == L"--call" && hasValue) {
      c.calls.push_back(args[++i]);
    } else if (a == L"--type" && hasValue) {
      c.keys = ToAnsi(args[++i]);
    } else if (a == L"--topmost") {
      c.options.topmost = true;
    } else if (a == L"--keep-open") {
      c.keepOpen = true;
    } else if (c.page.empty() && !a.empty() && a[0] != L'-') {
      c.page = ToAnsi(a);
    } else {
      return std::nullopt;
    }
  }
  if (c.page.empty()) return std::nullopt;
  return c;
}

TElement* ControlElement(TPage& page) {
  for (TElement* e : page.top->AllElements())
    if (e->tag == "OBJECT" && e->Attribute("classid")) return e;
  return nullptr;
}

int Run(const TCommandLine& c) {
  const OleApartment ole;
  std::shared_ptr<TPage> page;
  std::unique_ptr<TBrowserWindow> window;
  try {
    page = LoadPageFile(c.page);
    window = std::make_unique<TBrowserWindow>(page, c.options);
  } catch (const Error& e) {
    std::fprintf(stderr, "vtbrowser: %s\n", e.what());
    Print("exit 3");
    return 3;
  }
  bool closed = false;
  window->SetClosedListener([&] {
    closed = true;
    ::PostQuitMessage(0);
  });
  Print("page " + ToUtf8(page->top->url));
  PumpMessagesFor(0);

  TScriptPlayer player(*page, Print);
  std::unique_ptr<THostedControl> control;
  if (TElement* object = ControlElement(*page)) {
    try {
      CLSID clsid = ParseClassId(*object->Attribute("classid"));
      control = std::make_unique<THostedControl>(
          *window, *object, clsid, [&](const std::wstring& name, const DISPPARAMS& args) { player.PrintEvent(name, args); });
      Print("control " + GuidText(clsid) + " events " + GuidText(control->EventInterface()));
    } catch (const Error& e) {
      Print(std::string("control failed: ") + e.what());
      Print("exit 4");
      return 4;
    }
  }

  std::unique_ptr<TKeyTypist> typist;
  try {
    typist = std::make_unique<TKeyTypist>(c.keys, window->FrameWindow());
  } catch (const Error& e) {
    std::fprintf(stderr, "vtbrowser: %s\n", e.what());
    Print("exit 2");
    return 2;
  }
  std::vector<std::wstring> calls = page->script;
  calls.insert(calls.end(), c.calls.begin(), c.calls.end());
  for (const std::wstring& line : calls) {
    if (closed) break;
    player.Run(control ? control->Dispatch().get() : nullptr, line);
  }
  if (c.keepOpen && !closed) {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  control.reset();
  window.reset();
  Print("exit 0");
  return 0;
}

}  // namespace

int main() {
  auto commandLine = ParseCommandLine();
  if (!commandLine) {
    std::fprintf(stderr,
                 "usage: vtbrowser PAGE.xml [--record FILE] [--view WIDTHxHEIGHT] [--pos LEFT,TOP] [--topmost]\n"
                 "                 [--call CALL]... [--type KEYS] [--keep-open]\n");
    return 2;
  }
  return Run(*commandLine);
}

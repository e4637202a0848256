// Plays the page's script against the hosted control: each line is a call written as a script
// would write it, made through IDispatch by name, so that no header of the control is needed.
//
//   Run2('/scr/ps:1', #d1)     method call; #id passes the top document's element of that id
//   GetVtnVersion(out)         out passes a variant by reference and prints what comes back
//   Caption                    property read
//   Caption = 'Title'          property write
//   sleep(500)                 lets the browser run for that many milliseconds
//   setTimeout("Run2('')", 300) plays the call once, as a page's timer does: when the thread runs
//                              its messages at least that many milliseconds later (inside a call
//                              of the script too, as a control that waits for a document does)
//
// Arguments: 'text' or "text" (with \\ \' \" \n \t), integers, decimals, true, false, null,
// empty, out, #id. Each call prints one line:
//   call <line> -> 0x<HRESULT>[ = <result>][ out1 = <value>]...[ "<error description>"]
// (setTimeout prints "set" as its result, and its call prints its own line when it is played),
// and each event of the control one line:
//   event <name>(<arguments>)
// Values print as script literals: "text", 12, 1.5, true, null, empty, [object].
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

#include "browser/PageModel.h"

namespace vt::browser {

struct TScriptArg {
  enum Kind { String, Integer, Real, Boolean, Null, Empty, Element, Out } kind = Empty;
  std::wstring text;  // String, and the id of Element
  long integer = 0;
  double real = 0;
  bool boolean = false;
};

struct TScriptCall {
  enum Form { Method, Get, Put } form = Method;
  std::wstring name;
  std::vector<TScriptArg> args;
};

// Throws vt::Error describing the fault.
TScriptCall ParseScriptCall(const std::wstring& line);
std::string FormatVariant(const VARIANT& v);

class TScriptPlayer {
public:
  using TPrint = std::function<void(const std::string&)>;
  TScriptPlayer(TPage& page, TPrint print) : page_(page), print_(std::move(print)) {}
  // Timers not yet fired never fire.
  ~TScriptPlayer();
  TScriptPlayer(const TScriptPlayer&) = delete;
  TScriptPlayer& operator=(const TScriptPlayer&) = delete;

  void Run(IDispatch* control, const std::wstring& line);
  void PrintEvent(const std::wstring& name, const DISPPARAMS& args);

private:
  static void CALLBACK TimerFired(HWND, UINT, UINT_PTR id, DWORD);

  TPage& page_;
  TPrint print_;
  std::vector<UINT_PTR> timers_;  // the thread timers of setTimeout that have not fired yet
};

// Lets the thread's windows run for `ms` milliseconds.
void PumpMessagesFor(DWORD ms);

}  // namespace vt::browser

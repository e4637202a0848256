#include "browser/ScriptPlayer.h"

#include <algorithm>
#include <cwctype>
#include <map>

#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Strings.h"
#include "base/Variant.h"
#include "browser/HtmlObjects.h"

namespace vt::browser {
namespace {

class TParser {
public:
  explicit TParser(const std::wstring& text) : s_(text) {}

  TScriptCall Call() {
    TScriptCall call;
    call.name = Name();
    if (call.name.empty()) Fail("a method or property name must come first");
    Blanks();
    if (Take(L'(')) {
      Blanks();
      if (!Take(L')')) {
        do {
          call.args.push_back(Arg());
          Blanks();
        } while (Take(L','));
        if (!Take(L')')) Fail("')' or ',' expected");
      }
    } else if (Take(L'=')) {
      call.form = TScriptCall::Put;
      call.args.push_back(Arg());
    } else {
      call.form = TScriptCall::Get;
    }
    Blanks();
    if (i_ < s_.size()) Fail("unexpected text");
    return call;
  }

private:
  [[noreturn]] void Fail(const std::string& what) const { throw Error(Format("%s at column %u", what.c_str(), unsigned(i_ + 1))); }
  void Blanks() {
    while (i_ < s_.size() && iswspace(s_[i_])) ++i_;
  }
  bool Take(wchar_t c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  std::wstring Name() {
    Blanks();
    size_t start = i_;
    while (i_ < s_.size() && (iswalnum(s_[i_]) || s_[i_] == L'_')) ++i_;
    return s_.substr(start, i_ - start);
  }

  TScriptArg Arg() {
    Blanks();
    TScriptArg a;
    if (i_ >= s_.size()) Fail("an argument is missing");
    wchar_t c = s_[i_];
    if (c == L'\'' || c == L'"') {
      a.kind = TScriptArg::String;
      a.text = Quoted(c);
    } else if (c == L'#') {
      ++i_;
      a.kind = TScriptArg::Element;
      a.text = Name();
      if (a.text.empty()) Fail("an element id must follow '#'");
    } else if (c == L'-' || iswdigit(c)) {
      Number(a);
    } else {
      std::wstring word = Name();
      if (word == L"true" || word == L"false") {
        a.kind = TScriptArg::Boolean;
        a.boolean = word == L"true";
      } else if (word == L"null") {
        a.kind = TScriptArg::Null;
      } else if (word == L"empty" || word == L"undefined") {
        a.kind = TScriptArg::Empty;
      } else if (word == L"out") {
        a.kind = TScriptArg::Out;
      } else {
        Fail("an argument must be a text, a number, true, false, null, empty, out or #id");
      }
    }
    return a;
  }

  std::wstring Quoted(wchar_t quote) {
    std::wstring out;
    for (++i_; i_ < s_.size(); ++i_) {
      wchar_t c = s_[i_];
      if (c == quote) {
        ++i_;
        return out;
      }
      if (c == L'\\' && i_ + 1 < s_.size()) {
        c = s_[++i_];
        c = c == L'n' ? L'\n' : c == L't' ? L'\t' : c;
      }
      out += c;
    }
    Fail("the text has no closing quote");
  }

  void Number(TScriptArg& a) {
    size_t start = i_;
    if (s_[i_] == L'-') ++i_;
    while (i_ < s_.size() && iswdigit(s_[i_])) ++i_;
    bool real = i_ < s_.size() && s_[i_] == L'.';
    if (real)
      for (++i_; i_ < s_.size() && iswdigit(s_[i_]);) ++i_;
    std::wstring digits = s_.substr(start, i_ - start);
    if (digits == L"-" || digits.back() == L'.') Fail("a number is malformed");
    if (real) {
      a.kind = TScriptArg::Real;
      a.real = std::wcstod(digits.c_str(), nullptr);
    } else {
      a.kind = TScriptArg::Integer;
      a.integer = std::wcstol(digits.c_str(), nullptr, 10);
    }
  }

  const std::wstring& s_;
  size_t i_ = 0;
};

std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (char c : ToUtf8(text)) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

// The script's arguments in the order it wrote them.
struct TArguments {
  std::vector<Variant> values;
  std::vector<Variant> outs;  // what the out arguments point to; reserved so that they stay put
};

// A call that setTimeout keeps for its timer: the player and the control it plays it on.
struct TTimedCall {
  TScriptPlayer* player;
  ComPtr<IDispatch> control;
  std::wstring line;
};

// The calls waiting for their thread timers, by timer id (the players of one thread share the
// timer callback).
std::map<UINT_PTR, TTimedCall>& TimedCalls() {
  static std::map<UINT_PTR, TTimedCall> calls;
  return calls;
}

}  // namespace

TScriptCall ParseScriptCall(const std::wstring& line) { return TParser(line).Call(); }

std::string FormatVariant(const VARIANT& value) {
  const VARIANT* v = &value;
  while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  switch (V_VT(v)) {
    case VT_EMPTY: return "empty";
    case VT_NULL: return "null";
    case VT_BOOL: return V_BOOL(v) ? "true" : "false";
    case VT_BSTR: return Quote(V_BSTR(v) ? std::wstring(V_BSTR(v), ::SysStringLen(V_BSTR(v))) : std::wstring());
    case VT_DISPATCH: return V_DISPATCH(v) ? "[object]" : "null";
    case VT_UNKNOWN: return V_UNKNOWN(v) ? "[object]" : "null";
  }
  Variant text;
  if (SUCCEEDED(::VariantChangeTypeEx(text.get(), const_cast<VARIANT*>(v), LOCALE_INVARIANT, 0, VT_BSTR)))
    return ToUtf8(V_BSTR(text.get()));
  return Format("[variant type %u]", unsigned(V_VT(v)));
}

void PumpMessagesFor(DWORD ms) {
  DWORD start = ::GetTickCount();
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns it
        return;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    DWORD spent = ::GetTickCount() - start;
    if (spent >= ms) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
  }
}

TScriptPlayer::~TScriptPlayer() {
  for (UINT_PTR timer : timers_) {
    ::KillTimer(nullptr, timer);
    TimedCalls().erase(timer);
  }
}

void CALLBACK TScriptPlayer::TimerFired(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  auto found = TimedCalls().find(id);
  if (found == TimedCalls().end()) return;
  TTimedCall call = std::move(found->second);
  TimedCalls().erase(found);
  auto& timers = call.player->timers_;
  timers.erase(std::remove(timers.begin(), timers.end(), id), timers.end());
  call.player->Run(call.control.get(), call.line);
}

void TScriptPlayer::Run(IDispatch* control, const std::wstring& line) {
  std::string head = "call " + ToUtf8(line) + " -> ";
  TScriptCall call;
  try {
    call = ParseScriptCall(line);
  } catch (const Error& e) {
    print_(head + "syntax error: " + e.what());
    return;
  }
  if (call.name == L"sleep" && call.form == TScriptCall::Method) {
    long ms = call.args.size() == 1 && call.args[0].kind == TScriptArg::Integer ? call.args[0].integer : -1;
    if (ms < 0) {
      print_(head + "syntax error: sleep takes a number of milliseconds");
      return;
    }
    PumpMessagesFor(static_cast<DWORD>(ms));
    print_(head + "done");
    return;
  }
  if (call.name == L"setTimeout" && call.form == TScriptCall::Method) {
    const bool valid = call.args.size() == 2 && call.args[0].kind == TScriptArg::String &&
                       call.args[1].kind == TScriptArg::Integer && call.args[1].integer >= 0;
    if (!valid) {
      print_(head + "syntax error: setTimeout takes a call as text and a number of milliseconds");
      return;
    }
    const UINT_PTR timer = ::SetTimer(nullptr, 0, static_cast<UINT>(call.args[1].integer), TimerFired);
    if (!timer) {
      print_(head + "no timer");
      return;
    }
    timers_.push_back(timer);
    TimedCalls()[timer] = TTimedCall{this, ComPtr<IDispatch>(control), call.args[0].text};
    print_(head + "set");
    return;
  }
  if (!control) {
    print_(head + "no control");
    return;
  }

  TArguments args;
  args.outs.reserve(call.args.size());
  for (const TScriptArg& a : call.args) {
    Variant owned;
    VARIANT& v = *owned.get();
    switch (a.kind) {
      case TScriptArg::String:
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = ::SysAllocStringLen(a.text.data(), static_cast<UINT>(a.text.size()));
        break;
      case TScriptArg::Integer:
        V_VT(&v) = VT_I4;
        V_I4(&v) = a.integer;
        break;
      case TScriptArg::Real:
        V_VT(&v) = VT_R8;
        V_R8(&v) = a.real;
        break;
      case TScriptArg::Boolean:
        V_VT(&v) = VT_BOOL;
        V_BOOL(&v) = a.boolean ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case TScriptArg::Null:
        V_VT(&v) = VT_NULL;
        break;
      case TScriptArg::Empty:
        break;
      case TScriptArg::Element: {
        TElement* e = page_.FindById(ToUtf8(a.text));
        if (!e) {
          print_(head + "no element #" + ToUtf8(a.text));
          return;
        }
        ToVariant(ElementObject(e), &v);
        break;
      }
      case TScriptArg::Out:
        args.outs.emplace_back();
        V_VT(&v) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&v) = args.outs.back().get();
        break;
    }
    args.values.push_back(std::move(owned));
  }

  LPOLESTR name = const_cast<LPOLESTR>(call.name.c_str());
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = control->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) {
    print_(head + Format("0x%08lx unknown name", static_cast<unsigned long>(hr)));
    return;
  }
  std::vector<VARIANT> reversed;  // Invoke takes the last first; the arguments keep owning the values
  for (auto v = args.values.rbegin(); v != args.values.rend(); ++v) reversed.push_back(**v);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  WORD flags = DISPATCH_METHOD;
  if (call.form == TScriptCall::Get) flags = DISPATCH_PROPERTYGET;
  if (call.form == TScriptCall::Put) {
    flags = DISPATCH_PROPERTYPUT;
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  Variant result;
  ::SetErrorInfo(0, nullptr);
  EXCEPINFO error{};
  UINT badArg = 0;
  hr = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, call.form == TScriptCall::Put ? nullptr : result.put(),
                       &error, &badArg);
  std::string description;
  if (hr == DISP_E_EXCEPTION && error.pfnDeferredFillIn) error.pfnDeferredFillIn(&error);
  const Bstr errorDescription = Bstr::Attach(error.bstrDescription), errorSource = Bstr::Attach(error.bstrSource),
             errorHelpFile = Bstr::Attach(error.bstrHelpFile);
  if (hr == DISP_E_EXCEPTION) {
    if (error.scode) hr = error.scode;
    if (errorDescription.get()) description = ToUtf8(errorDescription.get());
  }
  // A control may report its failure through the thread's error object instead.
  ComPtr<IErrorInfo> info;
  Bstr errorText;
  if (FAILED(hr) && description.empty() && ::GetErrorInfo(0, info.put()) == S_OK && info &&
      SUCCEEDED(info->GetDescription(errorText.put())))
    description = ToUtf8(errorText.str());

  std::string text = head + Format("0x%08lx", static_cast<unsigned long>(hr));
  if (V_VT(result.get()) != VT_EMPTY) text += " = " + FormatVariant(*result);
  for (size_t i = 0; i < args.outs.size(); ++i) text += Format(" out%u = ", unsigned(i + 1)) + FormatVariant(*args.outs[i]);
  if (!description.empty()) text += " " + Quote(FromUtf8(description));
  print_(text);
}

void TScriptPlayer::PrintEvent(const std::wstring& name, const DISPPARAMS& args) {
  std::string line = "event " + ToUtf8(name) + "(";
  for (UINT i = 0; i < args.cArgs; ++i) {
    if (i) line += ", ";
    line += FormatVariant(args.rgvarg[args.cArgs - 1 - i]);
  }
  print_(line + ")");
}

}  // namespace vt::browser

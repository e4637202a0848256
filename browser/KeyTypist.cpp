#include "browser/KeyTypist.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "base/Errors.h"

namespace vt::browser {

namespace {

constexpr UINT kPace = 700;  // ms between keys: each key's command has run before the next comes

TKeyTypist* current = nullptr;  // the one typist of the thread's timer

WORD KeyCode(const std::string& name) {
  static const std::map<std::string, WORD> names = {
      {"esc", VK_ESCAPE}, {"enter", VK_RETURN}, {"delete", VK_DELETE}, {"home", VK_HOME},
      {"end", VK_END},    {"pgup", VK_PRIOR},   {"pgdn", VK_NEXT}};
  if (auto it = names.find(name); it != names.end()) return it->second;
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
    return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
  if (name.size() >= 2 && name[0] == 'f') {
    const int n = std::atoi(name.c_str() + 1);
    if (n >= 1 && n <= 12) return static_cast<WORD>(VK_F1 + n - 1);
  }
  throw Error("unknown key: " + name);
}

void SetModifiers(bool ctrl, bool shift) {
  BYTE state[256];
  ::GetKeyboardState(state);
  state[VK_CONTROL] = ctrl ? 0x80 : 0;
  state[VK_SHIFT] = shift ? 0x80 : 0;
  ::SetKeyboardState(state);
}

// Runs the messages already posted, so that the window reads the modifiers set for them.
void DispatchPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace

TKeyTypist::TKeyTypist(const std::string& keys, HWND browserWindow) : browserWindow_(browserWindow) {
  std::istringstream words(keys);
  for (std::string word; words >> word;) {
    TChord chord;
    chord.name = word;
    for (size_t plus; (plus = word.find('+')) != std::string::npos; word.erase(0, plus + 1)) {
      const std::string modifier = word.substr(0, plus);
      if (modifier == "ctrl") chord.ctrl = true;
      else if (modifier == "shift") chord.shift = true;
      else throw Error("unknown modifier: " + modifier);
    }
    chord.key = KeyCode(word);
    chords_.push_back(chord);
  }
  if (chords_.empty()) return;
  current = this;
  timer_ = ::SetTimer(nullptr, 0, kPace, Tick);
}

TKeyTypist::~TKeyTypist() {
  if (timer_) ::KillTimer(nullptr, timer_);
  if (current == this) current = nullptr;
}

void CALLBACK TKeyTypist::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (current) current->TypeNext();
}

void TKeyTypist::TypeNext() {
  HWND active = ::GetActiveWindow();
  HWND focus = ::GetFocus();
  if (next_ >= chords_.size() || !active || active == browserWindow_ || !focus || !::IsWindowEnabled(active)) return;
  const TChord chord = chords_[next_++];
  if (next_ == chords_.size()) {
    ::KillTimer(nullptr, timer_);
    timer_ = 0;
  }
  std::printf("type %s\n", chord.name.c_str());
  std::fflush(stdout);
  SetModifiers(chord.ctrl, chord.shift);
  ::PostMessageW(focus, WM_KEYDOWN, chord.key, 1);
  ::PostMessageW(focus, WM_KEYUP, chord.key, 0xC0000001);
  DispatchPending();
  SetModifiers(false, false);
}

}  // namespace vt::browser

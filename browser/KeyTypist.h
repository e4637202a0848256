// Keys typed into the control's windows as a person would while the page's script runs: each key
// goes, in turn, to the window that has the keyboard focus, once a window of the control other
// than the browser's own is active (a preview shown by a call of the script).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace vt::browser {

class TKeyTypist {
public:
  // `keys`: chords separated by blanks, each a key name with optional "ctrl+" / "shift+" before
  // it: a letter or digit, "esc", "enter", "f1" .. "f12", "delete", "home", "end", "pgup", "pgdn".
  // Throws vt::Error for a name it does not know. `browserWindow` is never typed into.
  TKeyTypist(const std::string& keys, HWND browserWindow);
  ~TKeyTypist();
  TKeyTypist(const TKeyTypist&) = delete;
  TKeyTypist& operator=(const TKeyTypist&) = delete;

private:
  struct TChord {
    std::string name;
    bool ctrl = false, shift = false;
    WORD key = 0;
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
  void TypeNext();

  std::vector<TChord> chords_;
  size_t next_ = 0;
  HWND browserWindow_;
  UINT_PTR timer_ = 0;
};

}  // namespace vt::browser

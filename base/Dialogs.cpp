#include "base/Dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace vt {
namespace {

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}

DialogHandler& CurrentHandler() {
  static DialogHandler handler;
  return handler;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::optional<int> AnswerFromEnvironment(const DialogRequest& r) {
  std::string answers = Env("VANTRELLE_DIALOG_ANSWERS");
  size_t pos = 0;
  while (pos < answers.size()) {
    size_t end = answers.find(';', pos);
    if (end == std::string::npos) end = answers.size();
    std::string pair = answers.substr(pos, end - pos);
    pos = end + 1;
    size_t eq = pair.rfind('=');
    if (eq == std::string::npos || eq == 0) continue;
    std::string key = pair.substr(0, eq);
    bool match = key == "*" || r.name.find(key) != std::string::npos ||
                 r.caption.find(key) != std::string::npos || r.text.find(key) != std::string::npos;
    if (match) return std::atoi(pair.c_str() + eq + 1);
  }
  return std::nullopt;
}

void Record(const DialogRequest& r, int answer) {
  std::string path = Env("VANTRELLE_DIALOG_LOG");
  if (path.empty()) return;
  if (FILE* f = std::fopen(path.c_str(), "ab")) {
    std::fprintf(f, "%s|%s|%s=%d\n", r.name.c_str(), r.caption.c_str(), r.text.c_str(), answer);
    std::fclose(f);
  }
}

}  // namespace

DialogHandler SetDialogHandler(DialogHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  std::swap(CurrentHandler(), handler);
  return handler;
}

int RunDialog(const DialogRequest& request, const std::function<int()>& show) {
  DialogHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock());
    handler = CurrentHandler();
  }
  std::optional<int> answer = handler ? handler(request) : std::nullopt;
  if (!answer) answer = AnswerFromEnvironment(request);
  int result = answer ? *answer : show();
  Record(request, result);
  return result;
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
  DialogRequest request{"MessageBox", caption, text, flags};
  return RunDialog(request, [&] { return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags); });
}

}  // namespace vt

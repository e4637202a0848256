#include "base/Dialogs.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "base/Handles.h"
#include "base/Strings.h"

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

// "result|choice|choice..." as the dialog named in the request reads it.
DialogAnswer ParseAnswer(const DialogRequest& r, const std::string& text) {
  const std::vector<std::string> parts = SplitStr('|', text);
  auto part = [&](size_t i) { return i < parts.size() ? parts[i] : std::string(); };
  DialogAnswer answer(std::atoi(part(0).c_str()));
  if (r.name == "PrintDialog") {
    const std::string range = part(1);
    if (range == "all") answer.printRange = prAllPages;
    if (range == "selection") answer.printRange = prSelection;
    if (range == "pages") answer.printRange = prPageNums;
    answer.fromPage = std::atoi(part(2).c_str());
    answer.toPage = std::atoi(part(3).c_str());
  } else {
    answer.fileName = ToWide(part(1));
    answer.filterIndex = std::atoi(part(2).c_str());
  }
  return answer;
}

std::optional<DialogAnswer> AnswerFromEnvironment(const DialogRequest& r) {
  for (const std::string& pair : SplitStr(';', Env("VANTRELLE_DIALOG_ANSWERS"))) {
    size_t eq = pair.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    std::string key = pair.substr(0, eq);
    bool match = key == "*" || r.name.find(key) != std::string::npos ||
                 r.caption.find(key) != std::string::npos || r.text.find(key) != std::string::npos;
    if (match) return ParseAnswer(r, pair.substr(eq + 1));
  }
  return std::nullopt;
}

// Choices the answer left out are those the dialog proposed.
DialogAnswer Completed(DialogAnswer answer, const DialogAnswer& proposed) {
  if (answer.fileName.empty()) answer.fileName = proposed.fileName;
  if (answer.filterIndex == 0) answer.filterIndex = proposed.filterIndex;
  if (answer.printRange < 0) answer.printRange = proposed.printRange;
  if (answer.fromPage == 0) answer.fromPage = proposed.fromPage;
  if (answer.toPage == 0) answer.toPage = proposed.toPage;
  answer.maxPage = proposed.maxPage;
  return answer;
}

void Record(const DialogRequest& r, const DialogAnswer& answer) {
  std::string path = Env("VANTRELLE_DIALOG_LOG");
  if (path.empty()) return;
  const StdFile file(std::fopen(path.c_str(), "ab"));
  if (!file) return;
  FILE* f = file.get();
  std::fprintf(f, "%s|%s|%s=%d", r.name.c_str(), r.caption.c_str(), r.text.c_str(), answer.result);
  if (r.name == "SaveDialog") std::fprintf(f, "|%s|%d", ToAnsi(answer.fileName).c_str(), answer.filterIndex);
  if (r.name == "PrintDialog") std::fprintf(f, "|%d|%d|%d", answer.printRange, answer.fromPage, answer.toPage);
  std::fprintf(f, "\n");
}

}  // namespace

DialogHandler SetDialogHandler(DialogHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  std::swap(CurrentHandler(), handler);
  return handler;
}

DialogAnswer AskDialog(const DialogRequest& request, const std::function<DialogAnswer()>& show) {
  DialogHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock());
    handler = CurrentHandler();
  }
  std::optional<DialogAnswer> answer = handler ? handler(request) : std::nullopt;
  if (!answer) answer = AnswerFromEnvironment(request);
  DialogAnswer result = answer ? Completed(*answer, request.proposed) : show();
  Record(request, result);
  return result;
}

int RunDialog(const DialogRequest& request, const std::function<int()>& show) {
  return AskDialog(request, [&] { return DialogAnswer(show()); }).result;
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
  DialogRequest request{"MessageBox", caption, text, flags};
  return RunDialog(request, [&] { return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags); });
}

}  // namespace vt

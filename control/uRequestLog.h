// The request log: one line per step of a request, saved as "Vantrelle.log".
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "base/LogSink.h"

namespace vt {

class TRequestLog : public ILogSink {
public:
  // Called after every change of the lines, whoever writes them.
  void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

  // Appends "[caption] >> <long time> >>message".
  void WriteLog(const std::string& caption, const std::string& message) override;

  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear();

  // Temporary folder + "\Vantrelle.log".
  static std::string FilePath();
  // Replaces the file with every line, CR LF ended, in the system code page. False on any error.
  bool SaveToFile(const std::string& path) const;

  // Formats one line; `time` is the time text to use.
  static std::string FormatLine(const std::string& caption, const std::string& time, const std::string& message);
  // The current local time in the user's long time format.
  static std::string CurrentTimeText();

private:
  void Changed() const {
    if (listener_) listener_();
  }

  std::vector<std::string> lines_;
  std::function<void()> listener_;
};

}  // namespace vt

// Where a routine writes its log lines: the request log, or whatever a test puts in its place.
#pragma once
#include <string>

#include "base/Strings.h"

namespace vt {

class ILogSink {
public:
  virtual ~ILogSink() = default;
  // Appends one line: `caption` names who writes, `message` what happened.
  virtual void WriteLog(const std::string& caption, const std::string& message) = 0;
  // The same with the log text `textId` of the string tables as the message.
  void WriteLogText(const std::string& caption, unsigned textId) { WriteLog(caption, LoadResString(textId)); }
};

}  // namespace vt

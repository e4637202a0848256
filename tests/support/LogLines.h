// A log that keeps its lines for a test to read.
#pragma once
#include <string>
#include <vector>

#include "base/LogSink.h"

namespace vt::test {

// The lines written to a log, each as "caption: message".
struct LogLines : ILogSink {
  void WriteLog(const std::string& caption, const std::string& message) override {
    lines.push_back(caption + ": " + message);
  }
  std::vector<std::string> lines;
};

}  // namespace vt::test

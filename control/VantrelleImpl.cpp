#include "control/VantrelleImpl.h"

#include "control/uParameter.h"

namespace vt {

void TVantrelle::WriteLog(const std::string& caption, const std::string& message) {
  FRequestLog.WriteLog(caption, message);
  LogChanged();
}

void TVantrelle::ShowLog(bool show) {
  if (show) FRequestLog.Clear();
  FLogVisible = show;
  LogChanged();
}

std::vector<int32_t> TVantrelle::ParsePageBreakList(const std::string& text, int32_t step, int32_t height) {
  return vt::ParsePageBreakList(text, step, height, FRequestLog);
}

}  // namespace vt

#include "control/VantrelleImpl.h"

#include "control/uParameter.h"

namespace vt {

const CLSID kVantrelleClassId = {0x1e4c5bfe, 0xf564, 0x45d8, {0xad, 0x2d, 0x5c, 0xe5, 0x95, 0xf9, 0xc7, 0x81}};

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

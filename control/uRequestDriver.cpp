// Run2, the request of the page's script. The request driver (switches, browser preparation,
// capture, preview and clean-up) fills this method; until then it records the call in the request
// log and saves the log file as every request does at its end.
#include "control/VantrelleImpl.h"

#include "base/Strings.h"

namespace vt {

void TVantrelle::Run2(const std::wstring& newParam, const VARIANT& divObj) {
  bool element = V_VT(&divObj) == VT_DISPATCH && V_DISPATCH(&divObj);
  WriteLog("ActiveX::Run", Format("Run2 = [%s], divObj = [%s]", ToAnsi(newParam).c_str(), element ? "element" : "none"));
  try {
    RequestLog().SaveToFile(TRequestLog::FilePath());
  } catch (...) {
    // The log file is a record only; the request's result does not depend on it.
  }
}

}  // namespace vt

#include "control/VantrelleImpl.h"

#include "base/Strings.h"
#include "control/uParameter.h"
#include "control/uRequestDriver.h"
#include "control/uSwitchTable.h"

namespace vt {

// {F251BE2C-F8B2-4194-95C7-6A65EB70935D}, CLSID_Vantrelle of resources/Vantrelle.idl.
const CLSID kVantrelleClassId = {0xf251be2c, 0xf8b2, 0x4194, {0x95, 0xc7, 0x6a, 0x65, 0xeb, 0x70, 0x93, 0x5d}};

void TVantrelle::WriteLog(const std::string& caption, const std::string& message) {
  requestLog_.WriteLog(caption, message);
}

void TVantrelle::Run2(const std::wstring& newParam, const VARIANT& divObj) {
  const std::string params = ToAnsi(newParam);
  // The log box is shown (and cleared) for /log, hidden otherwise with its lines kept.
  ShowLog(TSwitches(params).Has(swLog));
  Run2Request(params, ElementDispatch(divObj));
}

void TVantrelle::ShowLog(bool show) {
  logVisible_ = show;
  if (show) requestLog_.Clear();
  LogChanged();
}

std::vector<int32_t> TVantrelle::ParsePageBreakList(const std::string& text, int32_t step, int32_t height) {
  return vt::ParsePageBreakList(text, step, height, requestLog_);
}

}  // namespace vt

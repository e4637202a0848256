#include "control/uSafeCall.h"

#include "base/ComPtr.h"
#include "base/Strings.h"

namespace vt {

HRESULT FailWithErrorInfo(HRESULT code, const std::string& description, REFIID iid) {
  if (SUCCEEDED(code)) code = E_UNEXPECTED;
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
    std::wstring text = ToWide(description);
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    create->SetGUID(iid);
    create->SetSource(const_cast<LPOLESTR>(L"Vantrelle"));
    if (auto info = create.As<IErrorInfo>()) ::SetErrorInfo(0, info.get());
  }
  return code;
}

}  // namespace vt

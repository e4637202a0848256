#include "browser/ComObject.h"

namespace vt::browser {

HRESULT ReturnBstr(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnLong(long value, long* out) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

std::wstring VariantText(const VARIANT& v) {
  Variant text;
  std::wstring out;
  if (SUCCEEDED(::VariantChangeType(text.get(), const_cast<VARIANT*>(&v), 0, VT_BSTR)) && V_BSTR(text.get()))
    out.assign(V_BSTR(text.get()), ::SysStringLen(V_BSTR(text.get())));
  return out;
}

bool VariantInt(const VARIANT& v, long& out) {
  VARIANT number;
  ::VariantInit(&number);
  if (FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&v), 0, VT_I4))) return false;
  out = V_I4(&number);
  return true;
}

}  // namespace vt::browser

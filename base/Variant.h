// Owning VARIANT: initialised when made, cleared when it goes.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

#include "base/ComPtr.h"

namespace vt {

class Variant {
public:
  Variant() noexcept { ::VariantInit(&v_); }
  Variant(Variant&& o) noexcept : v_(o.release()) {}
  Variant& operator=(Variant&& o) noexcept {
    if (this != &o) {
      reset();
      v_ = o.release();
    }
    return *this;
  }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  ~Variant() { reset(); }

  static Variant FromInt(LONG value) noexcept {
    Variant v;
    V_VT(&v.v_) = VT_I4;
    V_I4(&v.v_) = value;
    return v;
  }
  static Variant FromBool(bool value) noexcept {
    Variant v;
    V_VT(&v.v_) = VT_BOOL;
    V_BOOL(&v.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
  }
  static Variant FromText(const std::wstring& text) {
    Variant v;
    V_BSTR(&v.v_) = Bstr(text).Detach();
    V_VT(&v.v_) = VT_BSTR;
    return v;
  }

  VARIANT* get() noexcept { return &v_; }
  const VARIANT& operator*() const noexcept { return v_; }
  // For out-parameters of API calls: clears what was held.
  VARIANT* put() noexcept {
    reset();
    return &v_;
  }
  // Hands the value to the caller, who clears it; this one is left empty.
  VARIANT release() noexcept {
    VARIANT out = v_;
    ::VariantInit(&v_);
    return out;
  }
  void reset() noexcept { ::VariantClear(&v_); }

private:
  VARIANT v_;
};

}  // namespace vt

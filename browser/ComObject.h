// A COM object built from generated interface stubs: reference counting, QueryInterface over
// every stub's interface chain, and a small name-based IDispatch for late-bound callers.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

#include "base/ComPtr.h"
#include "base/Variant.h"
#include "browser/ComStubs.h"

namespace vt::browser {

template <class... Stubs>
class ComObject : public Stubs... {
public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
      *out = FirstInterface<Stubs...>();
    } else if (!(FindInterface<Stubs>(iid, out) || ...)) {
      HRESULT hr = QueryExtra(iid, out);
      if (FAILED(hr)) return hr;
    }
    if (*out) {
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch, for the stubs that derive from it: names resolve through DispIdOf, calls go to
  // InvokeDispId. There is no type information.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = i == 0 ? DispIdOf(names[0]) : DISPID_UNKNOWN;
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) {
    DISPPARAMS none{};
    Variant ignored;
    return InvokeDispId(id, flags, params ? *params : none, result ? *result : *ignored.get());
  }

protected:
  virtual ~ComObject() = default;
  // Interfaces beyond the stubs (IMarshal of a document, an event interface of a sink).
  virtual HRESULT QueryExtra(REFIID, void**) { return E_NOINTERFACE; }
  virtual DISPID DispIdOf(const wchar_t*) { return DISPID_UNKNOWN; }
  virtual HRESULT InvokeDispId(DISPID, WORD, DISPPARAMS&, VARIANT&) { return DISP_E_MEMBERNOTFOUND; }

private:
  template <class First, class...>
  IUnknown* FirstInterface() {
    return static_cast<First*>(this)->AsInterface();
  }
  template <class Stub>
  bool FindInterface(REFIID iid, void** out) {
    if (!Stub::Answers(iid)) return false;
    // The interface's own pointer serves every interface of its chain (single inheritance).
    *out = static_cast<Stub*>(this)->AsInterface();
    return true;
  }

  LONG refs_ = 0;
};

// Creates a COM object; the pointer returned holds the first reference.
template <class T, class... Args>
ComPtr<T> MakeCom(Args&&... args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}

// The class factory of a COM class whose objects are made with a default constructor.
template <class T>
class TClassFactory : public ComObject<IClassFactoryStub> {
public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return MakeCom<T>()->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// Hands a new reference to an out-parameter of a COM method.
template <class I, class T>
HRESULT ReturnInterface(const ComPtr<T>& object, I** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!object) return S_OK;
  return object->QueryInterface(__uuidof(I), reinterpret_cast<void**>(out));
}

// Small VARIANT helpers of the COM objects.
HRESULT ReturnBstr(const std::wstring& text, BSTR* out);
HRESULT ReturnLong(long value, long* out);
// A VARIANT argument as text or number, for indexes and style values.
std::wstring VariantText(const VARIANT& v);
bool VariantInt(const VARIANT& v, long& out);

}  // namespace vt::browser

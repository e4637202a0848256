// Owning COM interface pointer, and a BSTR owner.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <string>
#include <utility>

namespace vt {

template <class T>
class ComPtr {
public:
  ComPtr() noexcept = default;
  ComPtr(T* p) noexcept : p_(p) { if (p_) p_->AddRef(); }  // NOLINT: shares, like an assignment
  ComPtr(const ComPtr& o) noexcept : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ~ComPtr() { reset(); }
  ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }

  // Takes over a reference that the caller already owns.
  static ComPtr Attach(T* p) noexcept { ComPtr c; c.p_ = p; return c; }
  T* Detach() noexcept { return std::exchange(p_, nullptr); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept { if (p_) std::exchange(p_, nullptr)->Release(); }
  T** put() noexcept { reset(); return &p_; }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

  template <class U>
  ComPtr<U> As(REFIID iid) const noexcept {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, out.put_void());
    return out;
  }
  template <class U>
  ComPtr<U> As() const noexcept { return As<U>(__uuidof(U)); }

private:
  T* p_ = nullptr;
};

class Bstr {
public:
  Bstr() noexcept = default;
  explicit Bstr(const wchar_t* s) : s_(s ? ::SysAllocString(s) : nullptr) {}
  explicit Bstr(const std::wstring& s) : s_(::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  Bstr(Bstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept { if (this != &o) { reset(); s_ = std::exchange(o.s_, nullptr); } return *this; }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { reset(); }

  // Takes over a string that the caller was handed to free.
  static Bstr Attach(BSTR s) noexcept {
    Bstr b;
    b.s_ = s;
    return b;
  }

  BSTR get() const noexcept { return s_; }
  BSTR* put() noexcept { reset(); return &s_; }
  BSTR Detach() noexcept { return std::exchange(s_, nullptr); }
  void reset() noexcept { if (s_) ::SysFreeString(std::exchange(s_, nullptr)); }
  std::wstring str() const { return s_ ? std::wstring(s_, ::SysStringLen(s_)) : std::wstring(); }

private:
  BSTR s_ = nullptr;
};

// Initialises COM on the calling thread for the scope.
class ComApartment {
public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : hr_(::CoInitializeEx(nullptr, model)) {}
  ~ComApartment() { if (SUCCEEDED(hr_)) ::CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT result() const { return hr_; }

private:
  HRESULT hr_;
};

// Initialises OLE (COM in a single-threaded apartment, and drag and drop, the clipboard, in-place
// activation) on the calling thread for the scope.
class OleApartment {
public:
  OleApartment() : hr_(::OleInitialize(nullptr)) {}
  ~OleApartment() { if (SUCCEEDED(hr_)) ::OleUninitialize(); }
  OleApartment(const OleApartment&) = delete;
  OleApartment& operator=(const OleApartment&) = delete;
  HRESULT result() const { return hr_; }

private:
  HRESULT hr_;
};

}  // namespace vt

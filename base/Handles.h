// RAII owners for Win32 handles: one template, one small traits struct per kind. Every release
// function of the platform is called here (or in ComPtr.h, Variant.h, ScopeGuard.h) and nowhere
// else: scripts/check-owners.sh keeps it so.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <winspool.h>
#include <utility>

namespace vt {

template <class Traits>
class UniqueHandle {
public:
  using Type = typename Traits::Type;
  UniqueHandle() noexcept : h_(Traits::Invalid()) {}
  explicit UniqueHandle(Type h) noexcept : h_(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::Invalid(); }
  Type release() noexcept { return std::exchange(h_, Traits::Invalid()); }
  void reset(Type h = Traits::Invalid()) noexcept {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }
  // For out-parameters of API calls: releases what was held.
  Type* put() noexcept { reset(); return &h_; }

private:
  Type h_;
};

struct KernelHandleTraits {  // CreateFile: INVALID_HANDLE_VALUE means none
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct NullableHandleTraits {  // process, token, event, mutex, thread: NULL means none
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};
struct MemoryDCTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DeleteDC(h); }
};
template <class T>
struct GdiObjectTraits {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};
struct MenuTraits {
  using Type = HMENU;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyMenu(h); }
};
struct IconTraits {  // LoadImage(IMAGE_ICON) from a file: the caller destroys it
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyIcon(h); }
};
struct LocalMemTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::LocalFree(h); }
};
struct GlobalMemTraits {  // GlobalAlloc, and the blocks the platform's printer dialogs hand out
  using Type = HGLOBAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::GlobalFree(h); }
};
template <class T>
struct CoTaskMemTraits {  // what a COM call allocated for its caller
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type p) { ::CoTaskMemFree(p); }
};
struct PrinterTraits {  // OpenPrinter
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::ClosePrinter(h); }
};
struct HookTraits {  // SetWindowsHookEx
  using Type = HHOOK;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::UnhookWindowsHookEx(h); }
};
struct MutexTurnTraits {  // a mutex this thread waited for: its turn ends with the owner
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::ReleaseMutex(h); }
};

using FileHandle = UniqueHandle<KernelHandleTraits>;
using Handle = UniqueHandle<NullableHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Module = UniqueHandle<ModuleTraits>;
using MemoryDC = UniqueHandle<MemoryDCTraits>;
using DeviceContext = UniqueHandle<MemoryDCTraits>;  // from CreateDC, also freed by DeleteDC
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using PenHandle = UniqueHandle<GdiObjectTraits<HPEN>>;
using RegionHandle = UniqueHandle<GdiObjectTraits<HRGN>>;
using LocalMemory = UniqueHandle<LocalMemTraits>;
using MenuHandle = UniqueHandle<MenuTraits>;
using IconHandle = UniqueHandle<IconTraits>;
using GlobalMemory = UniqueHandle<GlobalMemTraits>;
template <class T>
using CoTaskMemory = UniqueHandle<CoTaskMemTraits<T*>>;
using PrinterHandle = UniqueHandle<PrinterTraits>;
using HookHandle = UniqueHandle<HookTraits>;
using MutexTurn = UniqueHandle<MutexTurnTraits>;

// A moveable memory block locked for the scope (none for no block), unlocked when this goes.
class GlobalLockScope {
public:
  explicit GlobalLockScope(HGLOBAL block) : block_(block), data_(block ? ::GlobalLock(block) : nullptr) {}
  ~GlobalLockScope() { if (data_) ::GlobalUnlock(block_); }
  GlobalLockScope(const GlobalLockScope&) = delete;
  GlobalLockScope& operator=(const GlobalLockScope&) = delete;
  template <class T>
  T* As() const { return static_cast<T*>(data_); }

private:
  HGLOBAL block_;
  void* data_;
};

// A window's device context from GetDC, released to that window.
class WindowDC {
public:
  explicit WindowDC(HWND wnd) : wnd_(wnd), dc_(::GetDC(wnd)) {}
  ~WindowDC() { if (dc_) ::ReleaseDC(wnd_, dc_); }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

private:
  HWND wnd_;
  HDC dc_;
};

// Selects a GDI object into a DC for the scope, then puts the old one back.
class SelectObjectScope {
public:
  SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
  ~SelectObjectScope() { if (old_) ::SelectObject(dc_, old_); }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace vt

// RAII owners for Win32 handles: one template, one small traits struct per kind. Every release
// function of the platform is called here (or in the other owners scripts/check-owners.sh names)
// and nowhere else: that script keeps it so.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <winspool.h>
#include <cstdio>
#include <type_traits>
#include <utility>

namespace vt {

// Null means "none" for every kind. The kinds typed HANDLE also say it with INVALID_HANDLE_VALUE
// (CreateFile and FindFirstFile do, most other functions return null), so both are empty there.
template <class Type>
bool IsNoHandle(Type h) noexcept {
  if constexpr (std::is_same_v<Type, HANDLE>)
    return h == nullptr || h == INVALID_HANDLE_VALUE;
  else
    return h == Type{};
}

// Traits: `Type`, and `Close(Type)` that releases a handle that is not empty.
template <class Traits>
class UniqueHandle {
public:
  using Type = typename Traits::Type;
  UniqueHandle() noexcept : h_() {}
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
  Type operator->() const noexcept { return h_; }  // for the kinds that point to a library's struct
  explicit operator bool() const noexcept { return !IsNoHandle(h_); }
  Type release() noexcept { return std::exchange(h_, Type()); }
  // The old handle is released before this holds the new one: a window being destroyed still
  // finds itself held while its destroy messages come.
  void reset(Type h = Type()) noexcept {
    if (!IsNoHandle(h_)) Traits::Close(h_);
    h_ = h;
  }
  // For out-parameters of API calls: releases what was held.
  Type* put() noexcept { reset(); return &h_; }

private:
  Type h_;
};

struct KernelHandleTraits {  // files, processes, tokens, events, mutexes, threads
  using Type = HANDLE;
  static void Close(Type h) { ::CloseHandle(h); }
};
struct FindTraits {  // FindFirstFile
  using Type = HANDLE;
  static void Close(Type h) { ::FindClose(h); }
};
struct WindowTraits {  // CreateWindowEx; destroyed on the thread that made it
  using Type = HWND;
  static void Close(Type h) { ::DestroyWindow(h); }
};
struct StdFileTraits {  // fopen
  using Type = std::FILE*;
  static void Close(Type f) { std::fclose(f); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static void Close(Type h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static void Close(Type h) { ::FreeLibrary(h); }
};
struct MemoryDCTraits {
  using Type = HDC;
  static void Close(Type h) { ::DeleteDC(h); }
};
template <class T>
struct GdiObjectTraits {
  using Type = T;
  static void Close(Type h) { ::DeleteObject(h); }
};
struct MenuTraits {
  using Type = HMENU;
  static void Close(Type h) { ::DestroyMenu(h); }
};
struct IconTraits {  // LoadImage(IMAGE_ICON) from a file: the caller destroys it
  using Type = HICON;
  static void Close(Type h) { ::DestroyIcon(h); }
};
struct LocalMemTraits {
  using Type = HLOCAL;
  static void Close(Type h) { ::LocalFree(h); }
};
struct GlobalMemTraits {  // GlobalAlloc, and the blocks the platform's printer dialogs hand out
  using Type = HGLOBAL;
  static void Close(Type h) { ::GlobalFree(h); }
};
template <class T>
struct CoTaskMemTraits {  // what a COM call allocated for its caller
  using Type = T;
  static void Close(Type p) { ::CoTaskMemFree(p); }
};
struct PrinterTraits {  // OpenPrinter
  using Type = HANDLE;
  static void Close(Type h) { ::ClosePrinter(h); }
};
struct HookTraits {  // SetWindowsHookEx
  using Type = HHOOK;
  static void Close(Type h) { ::UnhookWindowsHookEx(h); }
};
struct MutexTurnTraits {  // a mutex this thread waited for: its turn ends with the owner
  using Type = HANDLE;
  static void Close(Type h) { ::ReleaseMutex(h); }
};

using Handle = UniqueHandle<KernelHandleTraits>;
using FileHandle = Handle;
using FindHandle = UniqueHandle<FindTraits>;
using WindowHandle = UniqueHandle<WindowTraits>;
using StdFile = UniqueHandle<StdFileTraits>;
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

// The device context of a WM_PAINT, from BeginPaint, ended with EndPaint.
class PaintDC {
public:
  explicit PaintDC(HWND wnd) : wnd_(wnd), dc_(::BeginPaint(wnd, &paint_)) {}
  ~PaintDC() { if (dc_) ::EndPaint(wnd_, &paint_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

private:
  HWND wnd_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A GDI object selected into a DC; the one it replaced goes back in when this goes. Declare the
// object's own owner first, so that it is still alive while selected.
class SelectObjectScope {
public:
  SelectObjectScope() noexcept = default;
  SelectObjectScope(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(::SelectObject(dc, obj)) {}
  SelectObjectScope(SelectObjectScope&& o) noexcept : dc_(o.dc_), old_(std::exchange(o.old_, nullptr)) {}
  SelectObjectScope& operator=(SelectObjectScope&& o) noexcept {
    if (this != &o) {
      reset();
      dc_ = o.dc_;
      old_ = std::exchange(o.old_, nullptr);
    }
    return *this;
  }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() { reset(); }
  // Puts the replaced object back now.
  void reset() noexcept {
    HGDIOBJ old = std::exchange(old_, nullptr);
    if (old && old != HGDI_ERROR) ::SelectObject(dc_, old);
  }

private:
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// A DC's state (clipping, selected objects, modes) saved for the scope and restored after it.
class SavedDCState {
public:
  explicit SavedDCState(HDC dc) : dc_(dc), saved_(::SaveDC(dc)) {}
  ~SavedDCState() { if (saved_) ::RestoreDC(dc_, saved_); }
  SavedDCState(const SavedDCState&) = delete;
  SavedDCState& operator=(const SavedDCState&) = delete;

private:
  HDC dc_;
  int saved_;
};

// The clipboard, open for `owner` for the scope; false when another window holds it.
class ClipboardScope {
public:
  explicit ClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
  // Tries again a few times: another program may hold the clipboard for a moment.
  ClipboardScope(HWND owner, int attempts) : open_(false) {
    for (int attempt = 0; attempt < attempts && !open_; ++attempt) {
      if (attempt > 0) ::Sleep(20);
      open_ = ::OpenClipboard(owner) != FALSE;
    }
  }
  ~ClipboardScope() { if (open_) ::CloseClipboard(); }
  ClipboardScope(const ClipboardScope&) = delete;
  ClipboardScope& operator=(const ClipboardScope&) = delete;
  explicit operator bool() const { return open_; }

private:
  bool open_;
};

}  // namespace vt

// The owners of base/: what counts as empty, what is released once and when, and clean-ups that fail.
#include <gtest/gtest.h>

#include <stdexcept>

#include "base/DibSection.h"
#include "base/Handles.h"
#include "base/LibraryHandles.h"
#include "base/ScopeGuard.h"
#include "base/TempFiles.h"
#include "support/TestEnv.h"

using namespace vt;
using namespace vt::test;

namespace {

int closed = 0;
struct CountingTraits {
  using Type = HANDLE;
  static void Close(Type) { ++closed; }
};
using CountedHandle = UniqueHandle<CountingTraits>;

TEST(UniqueHandle, NullAndInvalidHandleValueAreBothEmptyAndNeverClosed) {
  const struct {
    HANDLE value;
    bool held;
  } cases[] = {{nullptr, false}, {INVALID_HANDLE_VALUE, false}, {reinterpret_cast<HANDLE>(0x1234), true}};
  for (const auto& c : cases) {
    closed = 0;
    {
      CountedHandle h(c.value);
      EXPECT_EQ(static_cast<bool>(h), c.held);
      CountedHandle moved(std::move(h));
      EXPECT_FALSE(h);
      moved = CountedHandle(c.value);  // the first one goes now
      EXPECT_EQ(closed, c.held ? 1 : 0);
    }
    EXPECT_EQ(closed, c.held ? 2 : 0);
  }
}

TEST(ScopeGuard, RunsAtTheEndUnlessDismissedAndContainsAFailingCleanUp) {
  int runs = 0;
  { ScopeGuard g([&] { ++runs; }); }
  {
    ScopeGuard g([&] { ++runs; });
    g.Dismiss();
  }
  EXPECT_EQ(runs, 1);
  // A clean-up that throws neither escapes nor ends the process, nor hides what ended the scope.
  EXPECT_NO_THROW({ ScopeGuard g([] { throw std::runtime_error("clean-up"); }); });
  try {
    ScopeGuard g([] { throw std::runtime_error("clean-up"); });
    throw std::logic_error("work");
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "work");
  }
}

TEST(TempPath, RemovedWhenTheOwnerGoesUnlessReleased) {
  TempDir dir;
  const std::string a = dir.file("a.tmp"), b = dir.file("b.tmp");
  WriteFileBytes(a, "a");
  WriteFileBytes(b, "b");
  {
    TempFile first(a);
    TempFile moved(std::move(first));
    TempFile kept(b);
    EXPECT_EQ(kept.release(), b);
  }
  EXPECT_FALSE(FileExists(a));
  EXPECT_TRUE(FileExists(b));

  const std::string folder = dir.file("staging");
  ::CreateDirectoryA(folder.c_str(), nullptr);
  ::CreateDirectoryA((folder + "\\inner").c_str(), nullptr);
  WriteFileBytes(folder + "\\inner\\x.txt", "x");
  { TempFolder staging(std::wstring(folder.begin(), folder.end())); }
  EXPECT_EQ(::GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(GdiOwners, TheSelectionAndTheDibSectionPutBackWhatTheyReplaced) {
  MemoryDC dc(::CreateCompatibleDC(nullptr));
  const HGDIOBJ stockFont = ::GetCurrentObject(dc.get(), OBJ_FONT);
  const FontHandle font(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  {
    SelectObjectScope outer(dc.get(), font.get());
    SelectObjectScope moved(std::move(outer));
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), font.get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), stockFont);

  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  DibSection dib(&info);
  ASSERT_NE(dib.Bits(), nullptr);
  const HBITMAP section = dib.Handle();
  DibSection moved(std::move(dib));
  EXPECT_EQ(dib.Canvas(), nullptr);
  EXPECT_EQ(::GetCurrentObject(moved.Canvas(), OBJ_BITMAP), section);
  EXPECT_NE(DibSection(nullptr).Canvas(), nullptr);  // a canvas without a bitmap
}

TEST(WindowHandle, DestroysTheWindowItHolds) {
  WindowHandle window(
      ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  const HWND raw = window.get();
  ASSERT_TRUE(::IsWindow(raw));
  window.reset();
  EXPECT_FALSE(::IsWindow(raw));
}

TEST(LibraryHandles, ADecompressorThatWasNeverCreatedIsSafeToOwn) {
  // The JPEG readers own their struct from before the jump point, before libjpeg has created it.
  jpeg_decompress_struct info{};
  { JpegDecompressor owner(&info); }
  jpeg_compress_struct compress{};
  { JpegCompressor owner(&compress); }
  SUCCEED();
}

}  // namespace

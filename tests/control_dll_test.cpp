// The built control DLL: loads, and carries its version and string tables.
#include <gtest/gtest.h>

#include <vector>

#include "base/Handles.h"
#include "support/TestEnv.h"

namespace {

std::string DllPath() { return vt::test::ProgramFolder() + "\\..\\Vantrelle.ocx"; }

}  // namespace

TEST(ControlDll, LoadsAndReportsItsFileVersion) {
  vt::Module dll(::LoadLibraryA(DllPath().c_str()));
  ASSERT_TRUE(dll) << DllPath();
  EXPECT_NE(::GetProcAddress(dll.get(), "DllGetClassObject"), nullptr);
  EXPECT_NE(::GetProcAddress(dll.get(), "DllCanUnloadNow"), nullptr);

  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeA(DllPath().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(::GetFileVersionInfoA(DllPath().c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length));
  EXPECT_EQ(HIWORD(info->dwFileVersionMS), 1);
  EXPECT_EQ(LOWORD(info->dwFileVersionMS), 6);
  EXPECT_EQ(HIWORD(info->dwFileVersionLS), 4);
}

TEST(ControlDll, HoldsTheStringTables) {
  vt::Module dll(::LoadLibraryExA(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(dll);
  for (WORD language : {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT),
                        MAKELANGID(LANG_KOREAN, SUBLANG_DEFAULT)}) {
    // String 20000 lives in block 20000 / 16 + 1.
    EXPECT_NE(::FindResourceExA(dll.get(), RT_STRING, MAKEINTRESOURCEA(20000 / 16 + 1), language), nullptr) << language;
  }
}

// Registration of the built control DLL with regsvr32: the class, type library and elevation
// entries it writes, and that unregistering removes them.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "control/uRegistration.h"
#include "resources/VantrelleTypeLib.h"
#include "support/TestEnv.h"

using namespace vt;
using namespace vt::test;

namespace {

std::string DllPath() {
  char full[MAX_PATH] = {};
  ::GetFullPathNameA((ProgramFolder() + "\\..\\Vantrelle.ocx").c_str(), MAX_PATH, full, nullptr);
  return full;
}

int Regsvr32(const std::string& options) {
  return RunChild("regsvr32 /s " + options + " \"" + DllPath() + "\"").exitCode;
}

bool KeyExists(const std::string& name) {
  RegKey key;
  return ::RegOpenKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// A REG_SZ value; "<missing>" when absent or of another type.
std::string StringValue(const std::string& keyName, const char* valueName = nullptr) {
  char data[1024] = {};
  DWORD size = sizeof(data) - 1, type = 0;
  RegKey key;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, keyName.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS ||
      ::RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return "<missing>";
  return data;
}

const std::string kClsid = "{F251BE2C-F8B2-4194-95C7-6A65EB70935D}";
const std::string kClsidKey = "CLSID\\" + kClsid;

}  // namespace

TEST(Registration, WritesTheClassTypeLibraryAndElevationEntries) {
  ASSERT_EQ(Regsvr32(""), 0);
  EXPECT_EQ(GuidText(CLSID_Vantrelle), kClsid);
  EXPECT_EQ(StringValue(kClsidKey + "\\InprocServer32"), DllPath());
  EXPECT_EQ(StringValue(kClsidKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(StringValue(kClsidKey + "\\ProgID"), "VantrelleActiveX.Vantrelle");
  EXPECT_EQ(StringValue("VantrelleActiveX.Vantrelle\\Clsid"), kClsid);
  EXPECT_EQ(StringValue(kClsidKey + "\\TypeLib"), "{350F9A75-07C9-4D5C-9A1C-7FBFFC185C29}");
  EXPECT_EQ(StringValue(kClsidKey + "\\Version"), "1.0");
  EXPECT_EQ(StringValue(kClsidKey + "\\MiscStatus"), "0");
  EXPECT_EQ(StringValue(kClsidKey + "\\MiscStatus\\1"), "205201");
  EXPECT_EQ(StringValue(kClsidKey + "\\ToolboxBitmap32"), DllPath() + ",1");
  EXPECT_EQ(StringValue(kClsidKey + "\\Control"), "");
  EXPECT_EQ(StringValue(kClsidKey + "\\Verb"), "");
  EXPECT_EQ(StringValue(kClsidKey + "\\Verb\\0"), "Properties,0,2");
  // What COM needs to start an elevated copy in the default surrogate.
  EXPECT_EQ(StringValue(kClsidKey, "AppID"), kClsid);
  EXPECT_EQ(StringValue(kClsidKey, "LocalizedString"), "@" + DllPath() + ",-2009");
  DWORD enabled = 0, size = sizeof(enabled), type = 0;
  RegKey elevation;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CLASSES_ROOT, (kClsidKey + "\\Elevation").c_str(), 0, KEY_READ, elevation.put()),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegQueryValueExA(elevation.get(), "Enabled", nullptr, &type, reinterpret_cast<BYTE*>(&enabled), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(enabled, 1u);
  EXPECT_EQ(StringValue("AppID\\" + kClsid), "");
  EXPECT_EQ(StringValue("AppID\\" + kClsid, "DllSurrogate"), "");

  // The type library is registered and names the events and the coclass.
  ComPtr<ITypeLib> library;
  ASSERT_EQ(::LoadRegTypeLib(LIBID_VantrelleActiveX, 1, 0, LOCALE_NEUTRAL, library.put()), S_OK);
  ComPtr<ITypeInfo> events;
  ASSERT_EQ(library->GetTypeInfoOfGuid(DIID_IVantrelleEvents, events.put()), S_OK);
  Bstr name;
  UINT count = 0;
  EXPECT_EQ(events->GetNames(207, name.put(), 1, &count), S_OK);
  EXPECT_EQ(name.str(), L"OnKeyPress");

  // The name the consent prompt shows, found through LocalizedString.
  Module dll(::LoadLibraryExA(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(dll);
  char text[64] = {};
  ::LoadStringA(dll.get(), 2009, text, sizeof(text));
  EXPECT_STREQ(text, "Vantrelle S ActiveX");
  // The toolbox picture that ToolboxBitmap32 names, and the type library as resource 1.
  EXPECT_NE(::FindResourceA(dll.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(2) /* RT_BITMAP */), nullptr);
  EXPECT_NE(::FindResourceA(dll.get(), MAKEINTRESOURCEA(1), "TYPELIB"), nullptr);
}

TEST(Registration, UnregisteringRemovesEveryEntryAndRegisteringAgainRestoresThem) {
  ASSERT_EQ(Regsvr32(""), 0);
  ASSERT_EQ(Regsvr32("/u"), 0);
  EXPECT_FALSE(KeyExists(kClsidKey + "\\Elevation"));
  EXPECT_FALSE(KeyExists("AppID\\" + kClsid));
  EXPECT_FALSE(KeyExists(kClsidKey));
  EXPECT_FALSE(KeyExists("VantrelleActiveX.Vantrelle"));
  ComPtr<ITypeLib> library;
  EXPECT_NE(::LoadRegTypeLib(LIBID_VantrelleActiveX, 1, 0, LOCALE_NEUTRAL, library.put()), S_OK);
  // Unregistering what is not registered succeeds too.
  EXPECT_EQ(Regsvr32("/u"), 0);
  // The other tests of this run find the control registered.
  ASSERT_EQ(Regsvr32(""), 0);
  EXPECT_TRUE(KeyExists(kClsidKey + "\\Elevation"));
}

TEST(Registration, AFailedRegistryWriteRaisesTheRegistrationError) {
  const HKEY noRoot = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x12345678));
  try {
    CreateRegDWordValue("Vantrelle test", "Enabled", 1, noRoot);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Error creating system registry entry");
  }
  EXPECT_THROW(CreateRegStringValue("Vantrelle test", "", "x", noRoot), Error);
}

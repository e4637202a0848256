// The browser's settings in the real registry: compatibility view, zoom factor, allowed sites.
// The stand-in browser reads the same zoom key, so these run with the browser tests' lock.
#include <gtest/gtest.h>

#include "base/Handles.h"
#include "base/Registry.h"
#include "base/Strings.h"
#include "capture/uBrowserSettings.h"
#include "control/VantrelleImpl.h"
#include "control/uRequestLog.h"
#include "resources/StringIds.h"
#include "support/RegistryScope.h"

using namespace vt;

namespace {

const std::string kEmulation = "Software\\Microsoft\\Internet Explorer\\BrowserEmulation";
const std::string kZoom = "Software\\Microsoft\\Internet Explorer\\Zoom";
const std::string kStats = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats";
const std::string kControlStats = kStats + "\\" + GuidText(kVantrelleClassId);
const std::string kDomains = kControlStats + "\\iexplore\\AllowedDomains";

std::string Text(unsigned id) { return LoadResString(id); }

// The control's settings writing to a request log of their own.
struct TLoggedSettings : TRequestLog, TBrowserSettings {
  TLoggedSettings() : TBrowserSettings(*this, kVantrelleClassId) {}
};

// "caption|message" of every log line, without the time.
std::vector<std::string> LogEntries(const TRequestLog& log) {
  std::vector<std::string> entries;
  for (const std::string& line : log.Lines()) {
    size_t captionEnd = line.find("] >> ");
    std::string rest = line.substr(captionEnd + 5);
    entries.push_back(line.substr(1, captionEnd - 1) + "|" + rest.substr(rest.find(" >>") + 3));
  }
  return entries;
}

RegKey CreateKey(const std::string& path, DWORD options = 0) {
  RegKey key;
  EXPECT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr),
            ERROR_SUCCESS)
      << path;
  return key;
}

void DeleteKey(const std::string& path) { ::RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }

void SetDword(const std::string& path, const char* name, DWORD value) {
  RegKey key = CreateKey(path);
  ::RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void SetString(const std::string& path, const char* name, const std::string& value) {
  RegKey key = CreateKey(path);
  ::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), value.size() + 1);
}

// Type and bytes of a value; type 0 when it is missing.
std::pair<DWORD, std::string> ReadValue(const std::string& path, const char* name) {
  DWORD type = 0, size = 256;
  std::string data(size, '\0');
  if (::RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(), &size) !=
      ERROR_SUCCESS)
    return {0, ""};
  data.resize(size);
  return {type, data};
}

std::pair<DWORD, std::string> Dword(DWORD v) {
  return {REG_DWORD, std::string(reinterpret_cast<const char*>(&v), sizeof(v))};
}

// Signalled when anything below a key changes: a value written, a key created.
class ChangeWatch {
public:
  explicit ChangeWatch(const std::string& path) : event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    EXPECT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_NOTIFY, key_.put()), ERROR_SUCCESS) << path;
    EXPECT_EQ(::RegNotifyChangeKeyValue(key_.get(), TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                        event_.get(), TRUE),
              ERROR_SUCCESS);
  }
  bool Changed() const { return ::WaitForSingleObject(event_.get(), 200) == WAIT_OBJECT_0; }

private:
  RegKey key_;
  Handle event_;
};

class BrowserRegistry : public testing::Test {
protected:
  test::RegistryKeyScope emulation_{HKEY_CURRENT_USER, kEmulation};
  test::RegistryKeyScope zoom_{HKEY_CURRENT_USER, kZoom};
  test::RegistryKeyScope stats_{HKEY_CURRENT_USER, kControlStats};
  TLoggedSettings control_;
};

const std::string kCompat = "ActiveX::SetCompatibilityMode >> ";

}  // namespace

TEST_F(BrowserRegistry, CompatibilityViewOffIsTurnedOnOnce) {
  SetDword(kEmulation, kAllSitesCompatibilityValue, 0);
  EXPECT_FALSE(control_.IsCompatibilityModeSet());
  EXPECT_EQ(LogEntries(control_), (std::vector<std::string>{kCompat + "|" + Text(kLogCheckingCompatibilityView),
                                                            kCompat + "|" + Text(kLogCompatibilityValueExists)}));

  TLoggedSettings second;
  IBrowserSettingsWriter& writer = second;  // the direct path of the request driver
  EXPECT_TRUE(writer.SetCompatibilityMode());
  EXPECT_EQ(ReadValue(kEmulation, kAllSitesCompatibilityValue), Dword(1));
  EXPECT_EQ(LogEntries(second),
            (std::vector<std::string>{kCompat + "|" + Text(kLogSettingCompatibilityView), kCompat + "|TRegistry Create",
                                      kCompat + "|OpenKey Rsult : True", kCompat + "|" + Text(kLogCompatibilityValueExists),
                                      kCompat + "|" + Text(kLogTurningCompatibilityViewOn),
                                      kCompat + "|" + Text(kLogCompatibilityViewTurnedOn)}));

  TLoggedSettings third;
  ChangeWatch watch(kEmulation);
  EXPECT_FALSE(third.SetCompatibilityMode());
  EXPECT_FALSE(watch.Changed());
  EXPECT_EQ(LogEntries(third),
            (std::vector<std::string>{kCompat + "|" + Text(kLogSettingCompatibilityView), kCompat + "|TRegistry Create",
                                      kCompat + "|OpenKey Rsult : True", kCompat + "|" + Text(kLogCompatibilityValueExists),
                                      kCompat + "|" + Text(kLogCompatibilityViewIsOn)}));

  TLoggedSettings fourth;
  EXPECT_TRUE(fourth.IsCompatibilityModeSet());
  EXPECT_EQ(LogEntries(fourth).back(), kCompat + "|" + Text(kLogCompatibilityViewIsOn));
}

TEST_F(BrowserRegistry, OtherNumbersAreNotCompatibilityView) {
  SetDword(kEmulation, kAllSitesCompatibilityValue, 2);
  EXPECT_FALSE(control_.IsCompatibilityModeSet());
  EXPECT_TRUE(control_.SetCompatibilityMode());
  EXPECT_EQ(ReadValue(kEmulation, kAllSitesCompatibilityValue), Dword(1));
}

TEST_F(BrowserRegistry, MissingKeyIsOnlyCreatedBySetting) {
  DeleteKey(kEmulation);
  EXPECT_FALSE(control_.IsCompatibilityModeSet());
  EXPECT_FALSE(test::RegistryKeyExists(HKEY_CURRENT_USER, kEmulation));
  EXPECT_EQ(LogEntries(control_), (std::vector<std::string>{kCompat + "|" + Text(kLogCheckingCompatibilityView)}));

  TLoggedSettings second;
  EXPECT_TRUE(second.SetCompatibilityMode());
  EXPECT_EQ(ReadValue(kEmulation, kAllSitesCompatibilityValue), Dword(1));
  EXPECT_EQ(LogEntries(second),
            (std::vector<std::string>{kCompat + "|" + Text(kLogSettingCompatibilityView), kCompat + "|TRegistry Create",
                                      kCompat + "|OpenKey Rsult : True", kCompat + "|" + Text(kLogTurningCompatibilityViewOn),
                                      kCompat + "|" + Text(kLogCompatibilityViewTurnedOn)}));
}

TEST_F(BrowserRegistry, ValueOfAnotherTypeIsLoggedAndLeftAlone) {
  SetString(kEmulation, kAllSitesCompatibilityValue, "1");
  const std::string error = kCompat + "|" + Text(kLogError) + " = [Invalid data type for 'AllSitesCompatibilityMode']";
  EXPECT_FALSE(control_.IsCompatibilityModeSet());
  EXPECT_EQ(LogEntries(control_),
            (std::vector<std::string>{kCompat + "|" + Text(kLogCheckingCompatibilityView),
                                      kCompat + "|" + Text(kLogCompatibilityValueExists), kCompat + "|OpenKey Exception",
                                      error}));
  TLoggedSettings second;
  EXPECT_FALSE(second.SetCompatibilityMode());
  EXPECT_EQ(LogEntries(second),
            (std::vector<std::string>{kCompat + "|" + Text(kLogSettingCompatibilityView), kCompat + "|TRegistry Create",
                                      kCompat + "|OpenKey Rsult : True", kCompat + "|" + Text(kLogCompatibilityValueExists),
                                      kCompat + "|OpenKey Exception", error}));
  EXPECT_EQ(ReadValue(kEmulation, kAllSitesCompatibilityValue).first, static_cast<DWORD>(REG_SZ));
}

TEST_F(BrowserRegistry, ZoomFactorWhenSet) {
  DeleteKey(kZoom);
  EXPECT_EQ(control_.GetIEZoomSize(), std::nullopt);
  EXPECT_TRUE(test::RegistryKeyExists(HKEY_CURRENT_USER, kZoom));  // created empty
  SetDword(kZoom, kZoomFactorValue, 125000);
  EXPECT_EQ(control_.GetIEZoomSize(), 125000);
  EXPECT_TRUE(control_.Lines().empty());

  SetString(kZoom, kZoomFactorValue, "125000");
  EXPECT_EQ(control_.GetIEZoomSize(), std::nullopt);
  const std::string caption = "ActiveX::GetIEZoomSize >> ";
  EXPECT_EQ(LogEntries(control_), (std::vector<std::string>{caption + "|OpenKey Exception",
                                                            caption + "|" + Text(kLogError) +
                                                                " = [Invalid data type for 'ZoomFactor']"}));
}

TEST_F(BrowserRegistry, AllSitesAddedOnceToTheControlsAllowedDomains) {
  EXPECT_EQ(AllowedDomainsKey(kVantrelleClassId),
            "\\Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\{F251BE2C-F8B2-4194-95C7-6A65EB70935D}"
            "\\iexplore\\AllowedDomains");
  DeleteKey(kControlStats);
  control_.SetAllSiteSetup();
  EXPECT_TRUE(test::RegistryKeyExists(HKEY_CURRENT_USER, kDomains + "\\*"));
  EXPECT_EQ(LogEntries(control_),
            (std::vector<std::string>{"ActiveX::SetAllSiteSetup >> |" + Text(kLogAllSitesAllowed)}));

  // The class identifier's key is named in registry form.
  RegKey stats;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kStats.c_str(), 0, KEY_READ, stats.put()), ERROR_SUCCESS);
  bool found = false;
  char name[256];
  for (DWORD i = 0, size = sizeof(name); ::RegEnumKeyExA(stats.get(), i, name, &size, nullptr, nullptr, nullptr,
                                                         nullptr) == ERROR_SUCCESS;
       ++i, size = sizeof(name))
    found = found || std::string(name) == "{F251BE2C-F8B2-4194-95C7-6A65EB70935D}";
  EXPECT_TRUE(found);

  TLoggedSettings second;
  ChangeWatch watch(kControlStats);
  second.SetAllSiteSetup();
  EXPECT_FALSE(watch.Changed());
  EXPECT_TRUE(second.Lines().empty());
}

// A key created volatile accepts no lasting subkey: the registry refuses what the routines create.
TEST_F(BrowserRegistry, AllowedDomainsThatCannotBeWritten) {
  DeleteKey(kControlStats);
  CreateKey(kControlStats + "\\iexplore", REG_OPTION_VOLATILE);
  control_.SetAllSiteSetup();
  EXPECT_FALSE(test::RegistryKeyExists(HKEY_CURRENT_USER, kDomains));
  EXPECT_TRUE(control_.Lines().empty());

  DeleteKey(kControlStats);
  CreateKey(kDomains, REG_OPTION_VOLATILE);
  control_.SetAllSiteSetup();
  EXPECT_FALSE(test::RegistryKeyExists(HKEY_CURRENT_USER, kDomains + "\\*"));
  const std::string caption = "ActiveX::SetAllSiteSetup >> ";
  EXPECT_EQ(LogEntries(control_), (std::vector<std::string>{caption + "|OpenKey Exception",
                                                            caption + "|" + Text(kLogError) +
                                                                " = [Failed to create key *]"}));
}

TEST(BrowserRegistryKeys, SettingsKeysThatCannotBeCreated) {
  const std::string browserKey = "Software\\Microsoft\\Internet Explorer";
  test::RegistryKeyScope browser(HKEY_CURRENT_USER, browserKey);
  DeleteKey(browserKey);
  CreateKey(browserKey, REG_OPTION_VOLATILE);
  TLoggedSettings control;
  EXPECT_FALSE(control.SetCompatibilityMode());
  EXPECT_EQ(control.GetIEZoomSize(), std::nullopt);
  EXPECT_FALSE(test::RegistryKeyExists(HKEY_CURRENT_USER, kEmulation));
  EXPECT_FALSE(test::RegistryKeyExists(HKEY_CURRENT_USER, kZoom));
  EXPECT_EQ(LogEntries(control), (std::vector<std::string>{kCompat + "|" + Text(kLogSettingCompatibilityView),
                                                           kCompat + "|TRegistry Create"}));
}

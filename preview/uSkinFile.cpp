#include "preview/uSkinFile.h"

#include <vector>

#include "base/Errors.h"
#include "base/FileNames.h"
#include "base/IniFile.h"
#include "base/Numbers.h"
#include "base/Picture.h"
#include "base/Strings.h"

namespace vt {

std::string LanguageCodeFor(const std::string& englishLanguageName) {
  if (englishLanguageName == "Korean") return "KOR";
  if (englishLanguageName == "Japanese") return "JPN";
  return "ENG";
}

std::string SystemLanguageName() {
  char name[128] = {};
  if (!::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_SENGLANGUAGE, name, sizeof(name))) return {};
  return name;
}

std::string SystemLanguageCode() { return LanguageCodeFor(SystemLanguageName()); }

std::string BuiltinImageName(const std::string& language, const std::string& button, bool down) {
  return "ID_" + language + "_" + button + (down ? "_DOWN" : "_UP");
}

void LoadBuiltinImage(const std::string& name, TBitmap& bitmap, HMODULE module) {
  if (!module) module = ThisModule();
  HRSRC resource = ::FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = resource ? ::LoadResource(module, resource) : nullptr;
  const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(::LockResource(loaded)) : nullptr;
  if (!bytes) throw Error("The built-in image " + name + " is missing");
  TMemoryStream stream(std::vector<uint8_t>(bytes, bytes + ::SizeofResource(module, resource)));
  if (!LoadJpegFromStream(stream, bitmap)) throw Error("The built-in image " + name + " has too many scans");
}

bool SetButtonImageFromResourceName(TBtnImage& button, const std::string& upName, const std::string& downName,
                                    HMODULE module) {
  TBitmap picture;
  const char* which = "normal";
  try {
    LoadBuiltinImage(upName, picture, module);
    button.SetNormalStateImage(picture);
    if (button.State() == bsNormal && button.Enabled()) button.SizeToPicture();
    which = "pressed";
    LoadBuiltinImage(downName, picture, module);
    button.SetDownStateImage(picture);
    return true;
  } catch (const Error& e) {
    ::OutputDebugStringA(Format("Built-in %s picture not loaded: %s", which, e.what()).c_str());
    return false;
  }
}

std::string TSkinSettings::Caption() const { return Trim(title).empty() ? "Vantrelle" : title; }

int32_t TSkinSettings::ZoomComboFontSize() const {
  std::string text = Trim(zoomComboFontSize);
  // Decimal only: the hexadecimal forms the integer reader also knows are no font size.
  std::optional<int32_t> size;
  if (text.find_first_of("$xX") == std::string::npos) size = TryStrToInt(text);
  if (!size) throw ConversionError("'" + zoomComboFontSize + "' is not a valid integer value");
  return *size;
}

std::string TSkinSettings::ImagePath(const std::string& name) const {
  // Names come from a downloaded package: one that points outside its folder is not used.
  if (Trim(name).empty() || !StaysInFolder(ToWide(name))) return {};
  std::string path = folder + "\\" + name;
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return path;
}

std::optional<TSkinPair> TSkinSettings::PairPaths(const TSkinPair& pair) const {
  TSkinPair paths{ImagePath(pair.up), ImagePath(pair.down)};
  if (paths.up.empty() || paths.down.empty()) return std::nullopt;
  return paths;
}

bool SkinFileTooLarge(const std::string& iniPath) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(iniPath.c_str(), GetFileExInfoStandard, &data)) return false;
  return (uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow) > kMaxSkinFileBytes;
}

TSkinSettings ReadSkinFile(const std::string& iniPath, const std::string& section) {
  const TIniFile ini(iniPath);
  const bool readable = !SkinFileTooLarge(iniPath);
  auto read = [&](const std::string& name, const std::string& key, const std::string& def) {
    return readable ? ini.ReadString(name, key, def) : def;
  };
  auto pair = [&](const std::string& name, const std::string& key) {
    return TSkinPair{read(name, "UP_" + key, ""), read(name, "DOWN_" + key, "")};
  };
  TSkinSettings skin;
  size_t cut = iniPath.find_last_of('\\');
  skin.folder = cut == std::string::npos ? std::string() : iniPath.substr(0, cut);
  skin.fileDate = read("INFO", "FILEDATE", "");
  skin.title = read("INFO", "TITLE", "Vantrelle");
  skin.iconFile = read("ICON", "ICONFILE", "");
  skin.btnClose = read("BUTTON", "BTNCLOSE", "");
  skin.zoomOut = pair("COMMON", "ZOOM_OUT");
  skin.zoomIn = pair("COMMON", "ZOOM_IN");
  skin.webHelp = pair("COMMON", "WEB_HELP");
  skin.zoomBar = read("COMMON", "ZOOM_BAR", "");
  skin.backImage = read("COMMON", "BACK_IMG", "");
  skin.zoomComboFontSize = read("COMMON", "ZOOM_COMBO_FONT_SIZE", "9");
  skin.pageSetting = pair(section, "PAGE_SETTING");
  skin.saveFile = pair(section, "SAVE_FILE");
  skin.selectArea = pair(section, "SELECT_AREA");
  skin.printRun = pair(section, "PRINT_RUN");
  skin.printPreview = pair(section, "PRINT_PREVIEW");
  return skin;
}

}  // namespace vt

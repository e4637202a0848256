// The skin file "index.ini" of a button-image package, and the built-in button images that stand
// in for it, chosen by the system's language.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "base/Bitmap.h"
#include "preview/BtnImage.h"

namespace vt {

// "KOR" for "Korean", "JPN" for "Japanese", "ENG" for any other English language name (exact).
std::string LanguageCodeFor(const std::string& englishLanguageName);
// The English name of the system default locale's language.
std::string SystemLanguageName();
std::string SystemLanguageCode();

// The buttons that have built-in images in every language.
constexpr const char* kBuiltinButtons[] = {"PAGE_SETUP", "SELECT", "SAVE", "PRINT", "PRINT_PREVIEW"};
// "ID_" + language + "_" + button + "_UP" or "_DOWN".
std::string BuiltinImageName(const std::string& language, const std::string& button, bool down);
// Loads the named RCDATA JPEG image of `module` (the control's own by default). Throws vt::Error
// when the module has no such image or it does not decode; `bitmap` then stays as it was.
void LoadBuiltinImage(const std::string& name, TBitmap& bitmap, HMODULE module = nullptr);

// Loads the built-in images `upName` and `downName` into a button's normal and pressed pictures;
// a button showing its normal picture shows the new one at its size. An image that cannot be
// loaded is traced and ends the loading there: the button keeps what was not replaced.
bool SetButtonImageFromResourceName(TBtnImage& button, const std::string& upName, const std::string& downName,
                                    HMODULE module = nullptr);

// A normal and a pressed image of one button.
struct TSkinPair {
  std::string up, down;
};

// Every key of the skin file, as written (missing keys take their defaults).
struct TSkinSettings {
  std::string folder;  // the folder that holds the file, without a trailing "\"
  std::string fileDate, title, btnClose;
  std::string iconFile;  // as written: its path only through ImagePath, like every image's
  TSkinPair zoomOut, zoomIn, webHelp;
  std::string zoomBar, backImage, zoomComboFontSize;
  // Of the language section.
  TSkinPair pageSetting, saveFile, selectArea, printRun, printPreview;

  // The title, or "Vantrelle" when it is blank.
  std::string Caption() const;
  // The font size of the zoom list. Throws vt::ConversionError when it is not a decimal integer.
  int32_t ZoomComboFontSize() const;
  // The path of an image that the skin names and that exists inside its folder; empty otherwise.
  std::string ImagePath(const std::string& name) const;
  // The paths of both images when both exist (an empty name never does); none otherwise.
  std::optional<TSkinPair> PairPaths(const TSkinPair& pair) const;
};

// A real skin file is a few KB, and the profile functions read a file whole for every key: a larger
// one is no skin file.
constexpr size_t kMaxSkinFileBytes = 64 * 1024;
// True when `iniPath` is a file larger than kMaxSkinFileBytes.
bool SkinFileTooLarge(const std::string& iniPath);

// Reads the skin file with `section` ("KOR", "JPN" or "ENG") as its language section. A missing or
// unreadable file, or one larger than kMaxSkinFileBytes, reads as empty.
TSkinSettings ReadSkinFile(const std::string& iniPath, const std::string& section);

}  // namespace vt

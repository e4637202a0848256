// The skin file of a button-image package and the built-in button images of the control DLL.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

#include "base/Bitmap.h"
#include "base/Handles.h"
#include "base/IniFile.h"
#include "base/Numbers.h"
#include "base/Strings.h"
#include "preview/uSkinFile.h"
#include "support/DeviceNames.h"
#include "support/TestEnv.h"

using vt::test::WriteFileBytes;

namespace {

const char kFullSkin[] =
    "[INFO]\r\nFILEDATE=2026-12-02 10:20:30\r\nTITLE=Print shop\r\n"
    "[ICON]\r\nICONFILE=app.ico\r\n"
    "[BUTTON]\r\nBTNCLOSE=Close it\r\n"
    "[COMMON]\r\nUP_ZOOM_OUT=zo_u.bmp\r\nDOWN_ZOOM_OUT=zo_d.bmp\r\nUP_ZOOM_IN=zi_u.bmp\r\nDOWN_ZOOM_IN=zi_d.bmp\r\n"
    "UP_WEB_HELP=h_u.bmp\r\nDOWN_WEB_HELP=h_d.bmp\r\nZOOM_BAR=bar.bmp\r\nBACK_IMG=back.jpg\r\n"
    "ZOOM_COMBO_FONT_SIZE=11\r\n"
    "[KOR]\r\nUP_PAGE_SETTING=k_ps_u.bmp\r\nDOWN_PAGE_SETTING=k_ps_d.bmp\r\nUP_SAVE_FILE=k_s_u.bmp\r\n"
    "DOWN_SAVE_FILE=k_s_d.bmp\r\nUP_SELECT_AREA=k_sa_u.bmp\r\nDOWN_SELECT_AREA=k_sa_d.bmp\r\n"
    "UP_PRINT_RUN=k_p_u.bmp\r\nDOWN_PRINT_RUN=k_p_d.bmp\r\nUP_PRINT_PREVIEW=k_pp_u.bmp\r\n"
    "DOWN_PRINT_PREVIEW=k_pp_d.bmp\r\n"
    "[ENG]\r\nUP_SAVE_FILE=e_s_u.bmp\r\n";

std::string DllPath() { return vt::test::ProgramFolder() + "\\..\\Vantrelle.ocx"; }

}  // namespace

TEST(SkinFile, ReadsEveryKeyOfTheFileAndTheLanguageSection) {
  vt::test::TempDir dir;
  WriteFileBytes(dir.file("index.ini"), kFullSkin);
  vt::TSkinSettings skin = vt::ReadSkinFile(dir.file("index.ini"), "KOR");
  EXPECT_EQ(skin.folder, dir.path());
  EXPECT_EQ(skin.fileDate, "2026-12-02 10:20:30");
  EXPECT_EQ(skin.title, "Print shop");
  EXPECT_EQ(skin.Caption(), "Print shop");
  EXPECT_EQ(skin.iconFile, "app.ico");
  EXPECT_EQ(skin.btnClose, "Close it");
  EXPECT_EQ(skin.zoomOut.up + "|" + skin.zoomOut.down, "zo_u.bmp|zo_d.bmp");
  EXPECT_EQ(skin.zoomIn.up + "|" + skin.zoomIn.down, "zi_u.bmp|zi_d.bmp");
  EXPECT_EQ(skin.webHelp.up + "|" + skin.webHelp.down, "h_u.bmp|h_d.bmp");
  EXPECT_EQ(skin.zoomBar, "bar.bmp");
  EXPECT_EQ(skin.backImage, "back.jpg");
  EXPECT_EQ(skin.ZoomComboFontSize(), 11);
  EXPECT_EQ(skin.pageSetting.up + "|" + skin.pageSetting.down, "k_ps_u.bmp|k_ps_d.bmp");
  EXPECT_EQ(skin.saveFile.up + "|" + skin.saveFile.down, "k_s_u.bmp|k_s_d.bmp");
  EXPECT_EQ(skin.selectArea.up + "|" + skin.selectArea.down, "k_sa_u.bmp|k_sa_d.bmp");
  EXPECT_EQ(skin.printRun.up + "|" + skin.printRun.down, "k_p_u.bmp|k_p_d.bmp");
  EXPECT_EQ(skin.printPreview.up + "|" + skin.printPreview.down, "k_pp_u.bmp|k_pp_d.bmp");

  // Another language reads its own section only.
  vt::TSkinSettings english = vt::ReadSkinFile(dir.file("index.ini"), "ENG");
  EXPECT_EQ(english.saveFile.up, "e_s_u.bmp");
  EXPECT_EQ(english.saveFile.down, "");
  EXPECT_EQ(english.printRun.up, "");
}

TEST(SkinFile, MissingFileAndMissingKeysTakeTheirDefaults) {
  vt::test::TempDir dir;
  for (const char* content : {static_cast<const char*>(nullptr), "[INFO]\r\nTITLE=  \r\n[COMMON]\r\n"}) {
    if (content) WriteFileBytes(dir.file("index.ini"), content);
    vt::TSkinSettings skin = vt::ReadSkinFile(dir.file("index.ini"), "ENG");
    EXPECT_EQ(skin.fileDate, "");
    EXPECT_EQ(skin.Caption(), "Vantrelle");
    EXPECT_EQ(skin.iconFile + skin.btnClose + skin.zoomBar + skin.backImage, "");
    EXPECT_EQ(skin.zoomIn.up + skin.zoomOut.down + skin.webHelp.up + skin.saveFile.up + skin.printRun.down, "");
    EXPECT_EQ(skin.zoomComboFontSize, "9");
    EXPECT_EQ(skin.ZoomComboFontSize(), 9);
  }
  // The profile functions strip the blanks of a value.
  EXPECT_EQ(vt::ReadSkinFile(dir.file("index.ini"), "ENG").title, "");
}

// The profile functions read a file whole at every key: a file past the bound is not read at all.
TEST(SkinFile, AFileLargerThanItsBoundReadsAsEmpty) {
  vt::test::TempDir dir;
  for (size_t size : {vt::kMaxSkinFileBytes, vt::kMaxSkinFileBytes + 1}) {
    std::string text = "[INFO]\r\nTITLE=Large\r\n[ENG]\r\nUP_SAVE_FILE=s.bmp\r\n;";
    text.resize(size - 2, 'x');
    WriteFileBytes(dir.file("index.ini"), text + "\r\n");
    const vt::TSkinSettings skin = vt::ReadSkinFile(dir.file("index.ini"), "ENG");
    const bool read = size <= vt::kMaxSkinFileBytes;
    EXPECT_EQ(skin.Caption(), read ? "Large" : "Vantrelle") << size;
    EXPECT_EQ(skin.saveFile.up, read ? "s.bmp" : "") << size;
    EXPECT_EQ(skin.folder, dir.path());
  }
}

TEST(SkinFile, FontSizeThatIsNoDecimalIntegerRaises) {
  vt::TSkinSettings skin;
  for (const char* bad : {"", "big", "9pt", "$10", "0x10", "1.5"}) {
    skin.zoomComboFontSize = bad;
    EXPECT_THROW(skin.ZoomComboFontSize(), vt::ConversionError) << bad;
  }
  skin.zoomComboFontSize = " 12 ";
  EXPECT_EQ(skin.ZoomComboFontSize(), 12);
}

TEST(SkinFile, ImagesApplyOnlyWhenTheirFilesExistInsideTheFolder) {
  vt::test::TempDir dir;
  std::string folder = dir.file("site");
  ::CreateDirectoryA(folder.c_str(), nullptr);
  WriteFileBytes(folder + "\\up.bmp", "u");
  WriteFileBytes(folder + "\\down.bmp", "d");
  WriteFileBytes(dir.file("outside.bmp"), "o");
  vt::TSkinSettings skin;
  skin.folder = folder;
  const std::optional<vt::TSkinPair> paths = skin.PairPaths({"up.bmp", "down.bmp"});
  ASSERT_TRUE(paths);
  EXPECT_EQ(paths->up, folder + "\\up.bmp");
  EXPECT_EQ(paths->down, folder + "\\down.bmp");
  EXPECT_FALSE(skin.PairPaths({"up.bmp", ""})) << "an empty name is no file, not the folder";
  EXPECT_FALSE(skin.PairPaths({"up.bmp", "missing.bmp"}));
  EXPECT_FALSE(skin.PairPaths({"", "down.bmp"}));
  EXPECT_EQ(skin.ImagePath("down.bmp"), folder + "\\down.bmp");
  EXPECT_EQ(skin.ImagePath("  "), "");
  EXPECT_EQ(skin.ImagePath("..\\outside.bmp"), "") << "a package names nothing outside its folder";
  EXPECT_EQ(skin.ImagePath(dir.file("outside.bmp")), "");
}

// The platform says a device "file" exists in any folder: a key naming one names no image and
// no icon, wherever it stands in the key's path.
TEST(SkinFile, DeviceNamesInImageAndIconKeysNameNoFile) {
  vt::test::TempDir dir;
  WriteFileBytes(dir.file("ok.bmp"), "o");
  int n = 0;
  for (const std::wstring& device : vt::test::kDeviceNames)
    for (const std::wstring& form : vt::test::DeviceNameForms(device)) {
      const std::string name = vt::ToAnsi(form), ini = dir.file("index" + std::to_string(n++) + ".ini");
      SCOPED_TRACE(name);
      WriteFileBytes(ini, "[ICON]\r\nICONFILE=" + name + "\r\n[COMMON]\r\nZOOM_BAR=" + name +
                              "\r\nUP_ZOOM_IN=" + name + "\r\nDOWN_ZOOM_IN=ok.bmp\r\n[ENG]\r\nUP_SAVE_FILE=ok.bmp\r\n" +
                              "DOWN_SAVE_FILE=" + name + "\r\n");
      const vt::TSkinSettings skin = vt::ReadSkinFile(ini, "ENG");
      EXPECT_EQ(skin.ImagePath(skin.iconFile), "");
      EXPECT_EQ(skin.ImagePath(skin.zoomBar), "");
      EXPECT_FALSE(skin.PairPaths(skin.zoomIn));
      EXPECT_FALSE(skin.PairPaths(skin.saveFile));
    }
  vt::TSkinSettings skin;
  skin.folder = dir.path();
  EXPECT_EQ(skin.ImagePath("ok.bmp"), dir.file("ok.bmp"));
}

TEST(SkinLanguage, CodeFromTheEnglishLanguageName) {
  EXPECT_EQ(vt::LanguageCodeFor("Korean"), "KOR");
  EXPECT_EQ(vt::LanguageCodeFor("Japanese"), "JPN");
  EXPECT_EQ(vt::LanguageCodeFor("German"), "ENG");
  EXPECT_EQ(vt::LanguageCodeFor("English"), "ENG");
  EXPECT_EQ(vt::LanguageCodeFor("korean"), "ENG") << "the name is compared exactly";
  EXPECT_EQ(vt::LanguageCodeFor(""), "ENG");
  EXPECT_EQ(vt::BuiltinImageName("KOR", "PRINT_PREVIEW", true), "ID_KOR_PRINT_PREVIEW_DOWN");
  EXPECT_EQ(vt::BuiltinImageName("ENG", "PRINT", false), "ID_ENG_PRINT_UP");
}

// Mean of the three channels over the whole picture.
static double Brightness(const vt::TBitmap& b) {
  double total = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const COLORREF c = b.Pixel(x, y);
      total += GetRValue(c) + GetGValue(c) + GetBValue(c);
    }
  return total / (3.0 * b.Width() * b.Height());
}

TEST(BuiltinImages, EveryPictureOfTheToolBarsIsAJpegInTheControlDll) {
  vt::Module dll(::LoadLibraryExA(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(dll) << DllPath();
  const int widths[] = {100, 100, 80, 140, 120};  // in the order of kBuiltinButtons
  for (const char* language : {"ENG", "JPN", "KOR"}) {
    for (size_t i = 0; i < std::size(vt::kBuiltinButtons); ++i) {
      SCOPED_TRACE(std::string(language) + " " + vt::kBuiltinButtons[i]);
      vt::TBitmap up, down;
      vt::LoadBuiltinImage(vt::BuiltinImageName(language, vt::kBuiltinButtons[i], false), up, dll.get());
      vt::LoadBuiltinImage(vt::BuiltinImageName(language, vt::kBuiltinButtons[i], true), down, dll.get());
      EXPECT_EQ(up.Width(), widths[i]);
      EXPECT_EQ(up.Height(), 49);
      EXPECT_EQ(down.Width(), up.Width());
      EXPECT_LT(Brightness(down), Brightness(up) - 10) << "pressed is darker";
      int labelPixels = 0;
      for (int y = 0; y < up.Height(); ++y)
        for (int x = 0; x < up.Width(); ++x) labelPixels += GetGValue(up.Pixel(x, y)) < 0x80;
      EXPECT_GT(labelPixels, 20);
    }
  }
  const std::pair<const char*, int> tools[] = {{"TOOL_ZOOM_IN_UP", 44}, {"TOOL_ZOOM_OUT_DOWN", 44},
                                               {"TOOL_ZOOM_BAR", 75},   {"TOOL_HELP_UP", 44},
                                               {"TOOL_CLOSE_DOWN", 38}, {"TOOL_BACK", 8}};
  for (const auto& [name, width] : tools) {
    vt::TBitmap picture;
    vt::LoadBuiltinImage(name, picture, dll.get());
    EXPECT_EQ(picture.Width(), width) << name;
    EXPECT_EQ(picture.Height(), 49) << name;
  }
  vt::TBitmap bitmap(3, 2);
  EXPECT_THROW(vt::LoadBuiltinImage("ID_DEU_PRINT_UP", bitmap, dll.get()), vt::Error);
  EXPECT_EQ(bitmap.Width(), 3);
}

TEST(BuiltinImages, LoadIntoAButtonAndAMissingOneKeepsWhatWasNotReplaced) {
  // A hidden parent: nothing shows on the screen.
  HWND host = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  auto destroy = [](HWND* wnd) { ::DestroyWindow(*wnd); };
  std::unique_ptr<HWND, decltype(destroy)> hostOwner(&host, destroy);
  vt::TBtnImage button(host, 0, 0, 10, 10);
  vt::TBitmap old(5, 5);
  old.Fill(RGB(255, 0, 0));
  button.SetDownStateImage(old);

  // The pressed image is missing: the normal one is loaded and shown, the pressed one stays.
  EXPECT_FALSE(vt::SetButtonImageFromResourceName(button, "ID_JPN_SAVE_UP", "ID_JPN_NONE_DOWN"));
  vt::TBitmap expected;
  vt::LoadBuiltinImage("ID_JPN_SAVE_UP", expected);
  EXPECT_EQ(button.NormalStateImage().Width(), expected.Width());
  EXPECT_EQ(button.Picture().Pixel(40, 20), expected.Pixel(40, 20));
  EXPECT_EQ(button.Width(), expected.Width());
  EXPECT_EQ(button.Height(), 49);
  EXPECT_EQ(button.DownStateImage().Width(), 5);

  EXPECT_TRUE(vt::SetButtonImageFromResourceName(button, "ID_KOR_PRINT_UP", "ID_KOR_PRINT_DOWN"));
  vt::LoadBuiltinImage("ID_KOR_PRINT_DOWN", expected);
  EXPECT_EQ(button.DownStateImage().Width(), 140);
  EXPECT_EQ(button.DownStateImage().Pixel(70, 20), expected.Pixel(70, 20));
  // A missing normal image changes nothing.
  EXPECT_FALSE(vt::SetButtonImageFromResourceName(button, "ID_XXX_PRINT_UP", "ID_ENG_SAVE_DOWN"));
  EXPECT_EQ(button.NormalStateImage().Width(), 140);
  EXPECT_EQ(button.DownStateImage().Width(), 140);
}

// ctest runs this program once more on a Japanese and on a Korean system, naming the language in
// VANTRELLE_TEST_LANGUAGE.
TEST(SystemLanguage, ChoosesTheBuiltinImagesOfTheSystemLanguage) {
  const char* named = std::getenv("VANTRELLE_TEST_LANGUAGE");
  std::string language = named ? named : "English";
  ASSERT_EQ(vt::SystemLanguageName(), language);
  std::string code = vt::SystemLanguageCode();
  EXPECT_EQ(code, language == "Korean" ? "KOR" : language == "Japanese" ? "JPN" : "ENG");

  vt::TBitmap chosen, english;
  vt::LoadBuiltinImage(vt::BuiltinImageName(code, "PRINT", false), chosen);
  vt::LoadBuiltinImage("ID_ENG_PRINT_UP", english);
  bool differs = false;
  for (int y = 0; y < chosen.Height() && !differs; ++y)
    for (int x = 0; x < chosen.Width() && !differs; ++x) differs = chosen.Pixel(x, y) != english.Pixel(x, y);
  EXPECT_EQ(differs, code != "ENG") << "each language has its own label";
}

TEST(IniFile, WritesAtOnceAndReadsLongValues) {
  vt::test::TempDir dir;
  vt::TIniFile ini(dir.file("new.ini"));
  EXPECT_EQ(ini.ReadString("INFO", "FILEDATE", "none"), "none");
  ini.WriteString("INFO", "FILEDATE", "2026-12-02 10:20:30");
  EXPECT_EQ(vt::TIniFile(dir.file("new.ini")).ReadString("INFO", "FILEDATE", ""), "2026-12-02 10:20:30");
  std::string longValue(5000, 'v');
  ini.WriteString("COMMON", "BACK_IMG", longValue);
  EXPECT_EQ(ini.ReadString("COMMON", "BACK_IMG", ""), longValue);
  vt::TIniFile nowhere(dir.file("no\\such\\folder\\x.ini"));
  EXPECT_THROW(nowhere.WriteString("A", "B", "C"), vt::Error);
}

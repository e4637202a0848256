#include "preview/uPrintPreviewToolBar.h"

#include <tuple>

namespace vt {

namespace {
// Gulim, the face the zoom list was designed with.
const wchar_t kComboFace[] = L"\uAD74\uB9BC";
}  // namespace

TPrintPreviewToolBar::TPrintPreviewToolBar(HWND form) : TToolBar(form, 1, kComboFace, 12, 2) {
  saveBtn_ = NewButton(164, "ID_ENG_SAVE_UP", "ID_ENG_SAVE_DOWN");
  printBtn_ = NewButton(243, "ID_ENG_PRINT_UP", "ID_ENG_PRINT_DOWN");
  btnClose_ = NewButton(397, "TOOL_CLOSE_UP", "TOOL_CLOSE_DOWN");
  btnClose_->SetVisible(false);
}

void TPrintPreviewToolBar::LoadSkin(const std::string& section, const std::string& iniPath) {
  const TSkinSettings skin = ReadSkinFile(iniPath, section);
  ::OutputDebugStringA(("Skin folder: " + skin.folder).c_str());
  ApplySkinIcon(Form(), skin);
  LoadCommonSkin(skin);
  LoadLanguageSkin(section, skin);
  ArrangeToolBar(skin.ZoomComboFontSize());
}

void TPrintPreviewToolBar::LoadCommonSkin(const TSkinSettings& skin) {
  ApplySkinPair(ZoomOut(), skin, skin.zoomOut);
  ApplySkinPair(ZoomIn(), skin, skin.zoomIn);
  ApplySkinPicture(ZoomBar(), skin, skin.zoomBar);
  ApplySkinPicture(Back(), skin, skin.backImage);
}

void TPrintPreviewToolBar::LoadLanguageSkin(const std::string& section, const TSkinSettings& skin) {
  LoadLanguageButtons(section, &skin);
}

void TPrintPreviewToolBar::LoadLanguageImages() { LoadLanguageButtons(SystemLanguageCode(), nullptr); }

void TPrintPreviewToolBar::LoadLanguageButtons(const std::string& language, const TSkinSettings* skin) {
  // The language section's pictures, or the built-in ones of that language.
  const std::tuple<TBtnImage*, const char*, const TSkinPair*> buttons[] = {
      {saveBtn_.get(), "SAVE", skin ? &skin->saveFile : nullptr},
      {printBtn_.get(), "PRINT", skin ? &skin->printRun : nullptr}};
  for (const auto& [button, name, pair] : buttons) {
    if (pair && ApplySkinPair(*button, *skin, *pair)) continue;
    SetButtonImageFromResourceName(*button, BuiltinImageName(language, name, false),
                                   BuiltinImageName(language, name, true));
  }
}

void TPrintPreviewToolBar::ArrangeToolBar(int fontSize) {
  Arrange({&ZoomIn(), &ZoomBar(), &ZoomOut(), saveBtn_.get(), printBtn_.get()}, *btnClose_, fontSize);
}

}  // namespace vt

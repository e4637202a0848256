// The all-pages preview's skin: the pictures of a button-image package, or the save and print
// buttons in the system's language.
#include "preview/frmPrintPreview.h"

#include <tuple>

namespace vt {

void TfmPrintPreview::LoadSkin(const std::string& section, const std::string& iniPath) {
  const TSkinSettings skin = ReadSkinFile(iniPath, section);
  ::OutputDebugStringA(("Skin folder: " + skin.folder).c_str());
  toolBar_->ApplySkinIcon(Handle(), skin);
  // The common pictures.
  TToolBar::ApplySkinPair(toolBar_->ZoomOut(), skin, skin.zoomOut);
  TToolBar::ApplySkinPair(toolBar_->ZoomIn(), skin, skin.zoomIn);
  TToolBar::ApplySkinPicture(toolBar_->ZoomBar(), skin, skin.zoomBar);
  TToolBar::ApplySkinPicture(toolBar_->Back(), skin, skin.backImage);
  ApplyLanguageButtons(section, &skin);
  ArrangeToolBar(skin.ZoomComboFontSize());
}

void TfmPrintPreview::LoadLanguageImages() { ApplyLanguageButtons(SystemLanguageCode(), nullptr); }

void TfmPrintPreview::ApplyLanguageButtons(const std::string& language, const TSkinSettings* skin) {
  // The language section's pictures, or the built-in ones of that language.
  const std::tuple<TBtnImage*, const char*, const TSkinPair*> buttons[] = {
      {saveBtn_.get(), "SAVE", skin ? &skin->saveFile : nullptr},
      {printBtn_.get(), "PRINT", skin ? &skin->printRun : nullptr}};
  for (const auto& [button, name, pair] : buttons) {
    if (pair && TToolBar::ApplySkinPair(*button, *skin, *pair)) continue;
    SetButtonImageFromResourceName(*button, BuiltinImageName(language, name, false),
                                   BuiltinImageName(language, name, true));
  }
}

void TfmPrintPreview::ArrangeToolBar(int fontSize) {
  TToolBar& bar = *toolBar_;
  bar.Arrange({&bar.ZoomIn(), &bar.ZoomBar(), &bar.ZoomOut(), saveBtn_.get(), printBtn_.get()}, fontSize);
  LayoutControls();
}

}  // namespace vt

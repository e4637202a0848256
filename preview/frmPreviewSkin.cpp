// The preview window's skin: the tool bar's pictures from a button-image package or the built-in
// images of a language, and the tool bar laid out for them.
#include "preview/frmPreviewForm.h"

namespace vt {

void TfmPreviewForm::LoadSkin(const std::string& section, const std::string& iniPath) {
  skinSection_ = section;
  skinIniPath_ = iniPath;
  const TSkinSettings skin = ReadSkinFile(iniPath, section);
  ::OutputDebugStringA(("Skin folder: " + skin.folder).c_str());
  LoadCommonSkin(skin);
  LoadLanguageSkin(section, skin);
  ArrangeToolBar(skin.ZoomComboFontSize());
  // The rulers' menus take their captions from the string table whenever they open.
}

void TfmPreviewForm::LoadCommonSkin(const TSkinSettings& skin) {
  TToolBar::ApplySkinPair(toolBar_->ZoomOut(), skin, skin.zoomOut);
  TToolBar::ApplySkinPair(toolBar_->ZoomIn(), skin, skin.zoomIn);
  TToolBar::ApplySkinPair(*helpBtn_, skin, skin.webHelp);
  TToolBar::ApplySkinPicture(toolBar_->ZoomBar(), skin, skin.zoomBar);
  TToolBar::ApplySkinPicture(toolBar_->Back(), skin, skin.backImage);
}

void TfmPreviewForm::LoadLanguageSkin(const std::string& section, const TSkinSettings& skin) {
  LoadLanguageButtons(section, &skin);
}

void TfmPreviewForm::LoadLanguageImages() { LoadLanguageButtons(SystemLanguageCode(), nullptr); }

void TfmPreviewForm::LoadLanguageButtons(const std::string& language, const TSkinSettings* skin) {
  struct Button {
    TBtnImage& button;
    const char* builtin;
    const TSkinPair* pair;
  };
  // In the order of the language section.
  const Button buttons[] = {
      {*pageSetupBtn_, "PAGE_SETUP", skin ? &skin->pageSetting : nullptr},
      {*saveBtn_, "SAVE", skin ? &skin->saveFile : nullptr},
      {*selectBtn_, "SELECT", skin ? &skin->selectArea : nullptr},
      {*printBtn_, "PRINT", skin ? &skin->printRun : nullptr},
      {*previewBtn_, "PRINT_PREVIEW", skin ? &skin->printPreview : nullptr},
  };
  for (const Button& b : buttons) {
    if (b.pair && TToolBar::ApplySkinPair(b.button, *skin, *b.pair)) continue;
    SetButtonImageFromResourceName(b.button, BuiltinImageName(language, b.builtin, false),
                                   BuiltinImageName(language, b.builtin, true));
  }
}

void TfmPreviewForm::ArrangeToolBar(int fontSize) {
  TToolBar& bar = *toolBar_;
  bar.Arrange({&bar.ZoomIn(), &bar.ZoomBar(), &bar.ZoomOut(), pageSetupBtn_.get(), saveBtn_.get(), selectBtn_.get(),
               previewBtn_.get(), printBtn_.get(), helpBtn_.get()},
              fontSize);
  LayoutControls();
}

}  // namespace vt

#include "preview/uPreviewToolBar.h"

namespace vt {

TPreviewToolBar::TPreviewToolBar(HWND form) : TToolBar(form, 0, L"Arial", 12, 0) {
  pageSetupBtn_ = NewButton(0, "ID_ENG_PAGE_SETUP_UP", "ID_ENG_PAGE_SETUP_DOWN");
  saveBtn_ = NewButton(0, "ID_ENG_SAVE_UP", "ID_ENG_SAVE_DOWN");
  selectBtn_ = NewButton(0, "ID_ENG_SELECT_UP", "ID_ENG_SELECT_DOWN", bsCheck);
  previewBtn_ = NewButton(0, "ID_ENG_PRINT_PREVIEW_UP", "ID_ENG_PRINT_PREVIEW_DOWN");
  printBtn_ = NewButton(0, "ID_ENG_PRINT_UP", "ID_ENG_PRINT_DOWN");
  helpBtn_ = NewButton(0, "TOOL_HELP_UP", "TOOL_HELP_DOWN");
  btnClose_ = NewButton(0, "TOOL_CLOSE_UP", "TOOL_CLOSE_DOWN");
  btnClose_->SetVisible(false);
}

void TPreviewToolBar::LoadSkin(const std::string& section, const std::string& iniPath, ILogSink* log) {
  skinSection_ = section;
  skinIniPath_ = iniPath;
  skinLog_ = log;
  TSkinPictures pictures(ReadSkinFile(iniPath, section), log);
  ::OutputDebugStringA(("Skin folder: " + pictures.Skin().folder).c_str());
  LoadCommonSkin(pictures);
  LoadLanguageSkin(section, pictures);
  ArrangeToolBar(pictures.Skin().ZoomComboFontSize());
  // The rulers' menus take their captions from the string table whenever they open.
}

void TPreviewToolBar::LoadCommonSkin(TSkinPictures& pictures) {
  const TSkinSettings& skin = pictures.Skin();
  pictures.ApplyPair(ZoomOut(), skin.zoomOut);
  pictures.ApplyPair(ZoomIn(), skin.zoomIn);
  pictures.ApplyPair(*helpBtn_, skin.webHelp);
  pictures.ApplyPicture(ZoomBar(), skin.zoomBar);
  pictures.ApplyPicture(Back(), skin.backImage);
}

void TPreviewToolBar::LoadLanguageSkin(const std::string& section, TSkinPictures& pictures) {
  LoadLanguageButtons(section, &pictures);
}

void TPreviewToolBar::LoadLanguageImages() { LoadLanguageButtons(SystemLanguageCode(), nullptr); }

void TPreviewToolBar::LoadLanguageButtons(const std::string& language, TSkinPictures* pictures) {
  const TSkinSettings* skin = pictures ? &pictures->Skin() : nullptr;
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
    if (b.pair && pictures->ApplyPair(b.button, *b.pair)) continue;
    SetButtonImageFromResourceName(b.button, BuiltinImageName(language, b.builtin, false),
                                   BuiltinImageName(language, b.builtin, true));
  }
}

void TPreviewToolBar::ArrangeToolBar(int fontSize) {
  Arrange({&ZoomIn(), &ZoomBar(), &ZoomOut(), pageSetupBtn_.get(), saveBtn_.get(), selectBtn_.get(),
           previewBtn_.get(), printBtn_.get(), helpBtn_.get()},
          *btnClose_, fontSize);
}

}  // namespace vt

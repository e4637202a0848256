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

void TPrintPreviewToolBar::LoadSkin(const std::string& section, const std::string& iniPath, ILogSink* log) {
  TSkinPictures pictures(ReadSkinFile(iniPath, section), log);
  ::OutputDebugStringA(("Skin folder: " + pictures.Skin().folder).c_str());
  ApplySkinIcon(Form(), pictures);
  LoadCommonSkin(pictures);
  LoadLanguageSkin(section, pictures);
  ArrangeToolBar(pictures.Skin().ZoomComboFontSize());
}

void TPrintPreviewToolBar::LoadCommonSkin(TSkinPictures& pictures) {
  const TSkinSettings& skin = pictures.Skin();
  pictures.ApplyPair(ZoomOut(), skin.zoomOut);
  pictures.ApplyPair(ZoomIn(), skin.zoomIn);
  pictures.ApplyPicture(ZoomBar(), skin.zoomBar);
  pictures.ApplyPicture(Back(), skin.backImage);
}

void TPrintPreviewToolBar::LoadLanguageSkin(const std::string& section, TSkinPictures& pictures) {
  LoadLanguageButtons(section, &pictures);
}

void TPrintPreviewToolBar::LoadLanguageImages() { LoadLanguageButtons(SystemLanguageCode(), nullptr); }

void TPrintPreviewToolBar::LoadLanguageButtons(const std::string& language, TSkinPictures* pictures) {
  const TSkinSettings* skin = pictures ? &pictures->Skin() : nullptr;
  // The language section's pictures, or the built-in ones of that language.
  const std::tuple<TBtnImage*, const char*, const TSkinPair*> buttons[] = {
      {saveBtn_.get(), "SAVE", skin ? &skin->saveFile : nullptr},
      {printBtn_.get(), "PRINT", skin ? &skin->printRun : nullptr}};
  for (const auto& [button, name, pair] : buttons) {
    if (pair && pictures->ApplyPair(*button, *pair)) continue;
    SetButtonImageFromResourceName(*button, BuiltinImageName(language, name, false),
                                   BuiltinImageName(language, name, true));
  }
}

void TPrintPreviewToolBar::ArrangeToolBar(int fontSize) {
  Arrange({&ZoomIn(), &ZoomBar(), &ZoomOut(), saveBtn_.get(), printBtn_.get()}, *btnClose_, fontSize);
}

}  // namespace vt

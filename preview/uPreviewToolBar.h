// The preview window's tool bar: the shared zoom controls and the window's own buttons, their
// pictures from the skin of a button-image package or the built-in images of a language.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "preview/BtnImage.h"
#include "base/LogSink.h"
#include "preview/uSkinFile.h"
#include "preview/uSkinPictures.h"
#include "preview/uToolBar.h"

namespace vt {

class TPreviewToolBar : public TToolBar {
public:
  // On `form`, the language buttons in English until a request chooses; the close button hidden.
  explicit TPreviewToolBar(HWND form);

  TBtnImage& PageSetupBtn() { return *pageSetupBtn_; }
  TBtnImage& SaveBtn() { return *saveBtn_; }
  TBtnImage& SelectBtn() { return *selectBtn_; }
  TBtnImage& PreviewBtn() { return *previewBtn_; }
  TBtnImage& PrintBtn() { return *printBtn_; }
  TBtnImage& HelpBtn() { return *helpBtn_; }
  TBtnImage& CloseBtn() { return *btnClose_; }

  // The tool bar's pictures from the files that "index.ini" names beside it (within the bounds of
  // TSkinPictures, whose refusals go to `log`), the rest from the built-in images of the language
  // `section` ("KOR", "JPN", "ENG"), then the buttons arranged again. Kept for the all-pages
  // preview. Throws vt::ConversionError for a zoom list font size that is no decimal integer
  // (after the pictures), vt::Error for a picture file that does not decode.
  void LoadSkin(const std::string& section, const std::string& iniPath, ILogSink* log = nullptr);
  // The built-in images of the system's language; the buttons keep their places.
  void LoadLanguageImages();
  const std::string& SkinSection() const { return skinSection_; }
  const std::string& SkinIniPath() const { return skinIniPath_; }
  ILogSink* SkinLog() const { return skinLog_; }
  // The buttons one after another, the close button after them, the zoom list's font at `fontSize`
  // points.
  void ArrangeToolBar(int fontSize);

private:
  void LoadCommonSkin(TSkinPictures& pictures);
  void LoadLanguageSkin(const std::string& section, TSkinPictures& pictures);
  // The built-in images of `language` for the buttons of the language section that `pictures`
  // (may be null) does not give.
  void LoadLanguageButtons(const std::string& language, TSkinPictures* pictures);

  std::string skinSection_, skinIniPath_;
  ILogSink* skinLog_ = nullptr;
  std::unique_ptr<TBtnImage> pageSetupBtn_, saveBtn_, selectBtn_, previewBtn_, printBtn_, helpBtn_, btnClose_;
};

}  // namespace vt

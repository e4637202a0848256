// The all-pages preview's tool bar: the shared zoom controls with the save, print and close
// buttons, their pictures from the skin of a button-image package or the built-in images of a
// language.
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

class TPrintPreviewToolBar : public TToolBar {
public:
  // On `form`, the buttons in English until a skin or language chooses; the close button hidden.
  explicit TPrintPreviewToolBar(HWND form);

  TBtnImage& SaveBtn() { return *saveBtn_; }
  TBtnImage& PrintBtn() { return *printBtn_; }
  TBtnImage& CloseBtn() { return *btnClose_; }

  // The skin (as the preview window's, with the zoom buttons, the zoom list's picture, the
  // background, the save and print buttons and the form's icon; refused pictures told to `log`),
  // then the buttons arranged again. Throws vt::ConversionError for a zoom list font size that is
  // no decimal integer (after the pictures), vt::Error for a picture file that does not decode.
  void LoadSkin(const std::string& section, const std::string& iniPath, ILogSink* log = nullptr);
  // The save and print buttons in the system's language; everything else stays.
  void LoadLanguageImages();

private:
  // The zoom buttons, the zoom list's picture and the background from the skin's common section.
  void LoadCommonSkin(TSkinPictures& pictures);
  // The save and print buttons from the language section `section` of the skin.
  void LoadLanguageSkin(const std::string& section, TSkinPictures& pictures);
  void ArrangeToolBar(int fontSize);
  // The save and print buttons from `pictures` (may be null), else the built-in pictures of
  // `language`.
  void LoadLanguageButtons(const std::string& language, TSkinPictures* pictures);

  std::unique_ptr<TBtnImage> saveBtn_, printBtn_, btnClose_;
};

}  // namespace vt

// The page setup dialog: how the captured page is fitted onto printer pages (fit mode, the zoom
// at real size), centring on the paper and whether the header and footer template is applied. It
// edits these settings of a print engine and tells the caller whether to lay the pages out again.
#pragma once
#include <windows.h>

#include <string>

#include "base/Controls.h"
#include "base/Form.h"
#include "page/uPrintEngine.h"

namespace vt {

class TfmPageSetupDlg : public TForm {
public:
  explicit TfmPageSetupDlg(HWND owner);

  // Captions from the string table of the user's language; once after creation.
  void LoadCaptions();
  // Shows the dialog modally on the engine's settings and writes them back on OK. True when OK
  // was accepted or the printer setup was confirmed meanwhile: the caller lays out again.
  bool Execute(TPrintEngine& engine);
  // The four fit choices; disabled ones stay so for the dialog's life.
  void SetFitChoicesEnabled(bool enabled);

  // A message box without owner, caption "Vantrelle", OK only.
  static void ShowLimitMessage(const std::wstring& text);

  // Controls in tab order.
  TGroupBox SizeSetingGroupBox;
  TRadioButton rb_FitToWidth;
  TRadioButton rb_FitToHeight;
  TRadioButton rb_FitToPage;
  TRadioButton rb_RealSize;
  TEdit ContentZoomBox;  // the real-size percentage, hidden
  TLabel Label1;         // "%" after it, hidden
  TGroupBox CenteAlignSetingGroup;
  TCheckBox HorzCenterChk;
  TCheckBox VertCenterChk;
  TButton PrintSetupBtn;
  TButton OKBtn;
  TButton CancelBtn;
  TGroupBox YangsicSetingGroup;
  TCheckBox YangsicUseChk;  // checked: no header and footer

private:
  void OKBtnClick();
  void ContentZoomBoxKeyPress(wchar_t& key);
  void PrintSetupBtnClick();
  void FormKeyUp(WORD key);
  void ApplyTo(TPrintEngine& engine);

  bool Changed = false;
};

// The platform's printer setup dialog through the dialog seam, name "PrintSetupDialog"; it runs as
// RunPrinterDialog. True when confirmed.
bool RunPrintSetupDialog(HWND owner);

}  // namespace vt

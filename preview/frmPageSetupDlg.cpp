#include "preview/frmPageSetupDlg.h"

#include <commdlg.h>

#include <climits>
#include <cmath>
#include <string>

#include "base/Dialogs.h"
#include "base/Numbers.h"
#include "base/Strings.h"
#include "preview/uPrintSave.h"
#include "resources/StringIds.h"

namespace vt {
namespace {

// Control ids: Esc acts as the Cancel button; OK has an id of its own so that Enter does not close.
enum : int { idOk = 100, idPrintSetup, idFitToWidth, idFitToHeight, idFitToPage, idRealSize, idZoom, idHorzCenter,
             idVertCenter, idNoTemplate };

constexpr int kSizeX = 13, kSizeY = 9, kCenterX = 16, kCenterY = 137, kTemplateX = 16, kTemplateY = 205;

// The box shows whole percent. Zooms set from the box are n / 100, whose product with 100 may fall
// a hair below n: that must show n again, not n - 1.
std::wstring PercentText(long double zoom) {
  long double percent = zoom * 100;
  percent += percent >= 0 ? 1e-9L : -1e-9L;
  if (!(percent > INT_MIN && percent < INT_MAX)) percent = percent > 0 ? INT_MAX : INT_MIN;
  return std::to_wstring(static_cast<int>(percent));
}

int ZoomBoxValue(const TEdit& box) { return StrToIntDef(ToAnsi(box.Text()), 0); }

bool ZoomInRange(int value) { return value >= 1 && value <= 100; }

}  // namespace

TfmPageSetupDlg::TfmPageSetupDlg(HWND owner)
    : TForm(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME, WS_EX_DLGMODALFRAME, 269, 295,
            L"\uAD74\uB9BC", 12),  // Gulim
      SizeSetingGroupBox(Handle(), kSizeX, kSizeY, 242, 120),
      rb_FitToWidth(Handle(), idFitToWidth, true, kSizeX + 10, kSizeY + 15, 225, 17),
      rb_FitToHeight(Handle(), idFitToHeight, false, kSizeX + 10, kSizeY + 41, 225, 17),
      rb_FitToPage(Handle(), idFitToPage, false, kSizeX + 10, kSizeY + 68, 225, 17),
      rb_RealSize(Handle(), idRealSize, false, kSizeX + 10, kSizeY + 95, 80, 17),
      ContentZoomBox(Handle(), idZoom, kSizeX + 97, kSizeY + 94, 40, 20, L"100"),
      Label1(Handle(), kSizeX + 139, kSizeY + 96, 12, 14, L"%"),
      CenteAlignSetingGroup(Handle(), kCenterX, kCenterY, 237, 62),
      HorzCenterChk(Handle(), idHorzCenter, kCenterX + 10, kCenterY + 17, 220, 17),
      VertCenterChk(Handle(), idVertCenter, kCenterX + 10, kCenterY + 38, 220, 17),
      PrintSetupBtn(Handle(), idPrintSetup, 16, 263, 71, 21),
      OKBtn(Handle(), idOk, 111, 263, 68, 21),
      CancelBtn(Handle(), IDCANCEL, 185, 263, 68, 21),
      YangsicSetingGroup(Handle(), kTemplateX, kTemplateY, 237, 44, L"\uC591\uC2DD \uC124\uC815"),
      YangsicUseChk(Handle(), idNoTemplate, kTemplateX + 8, kTemplateY + 18, 220, 17,
                    L"\uC591\uC2DD \uBBF8\uC801\uC6A9") {
  rb_RealSize.SetChecked(true);
  ContentZoomBox.SetVisible(false);
  Label1.SetVisible(false);
  OKBtn.OnClick = [this](TControl&) { OKBtnClick(); };
  PrintSetupBtn.OnClick = [this](TControl&) { PrintSetupBtnClick(); };
  ContentZoomBox.OnKeyPress = [this](TControl&, wchar_t& key) { ContentZoomBoxKeyPress(key); };
  OnKeyUp = [this](TForm&, WORD key) { FormKeyUp(key); };
}

void TfmPageSetupDlg::LoadCaptions() {
  SetCaption(LoadResStringW(kCaptionPageSetup));
  OKBtn.SetText(LoadResStringW(kCaptionOk));
  CancelBtn.SetText(LoadResStringW(kCaptionCancel));
  SizeSetingGroupBox.SetText(LoadResStringW(kCaptionSizeSetting));
  PrintSetupBtn.SetText(LoadResStringW(kCaptionPrintSetup));
  rb_FitToWidth.SetText(LoadResStringW(kCaptionFitToWidth));
  rb_FitToHeight.SetText(LoadResStringW(kCaptionFitToHeight));
  rb_FitToPage.SetText(LoadResStringW(kCaptionFitToPage));
  rb_RealSize.SetText(LoadResStringW(kCaptionRealSize));
  CenteAlignSetingGroup.SetText(LoadResStringW(kCaptionCenterAlignSetting));
  VertCenterChk.SetText(LoadResStringW(kCaptionAlignVerticalCenter));
  HorzCenterChk.SetText(LoadResStringW(kCaptionAlignHorizontalCenter));
}

void TfmPageSetupDlg::SetFitChoicesEnabled(bool enabled) {
  for (TRadioButton* choice : {&rb_FitToWidth, &rb_FitToHeight, &rb_FitToPage, &rb_RealSize})
    choice->SetEnabled(enabled);
}

bool TfmPageSetupDlg::Execute(TPrintEngine& engine) {
  Changed = false;
  ContentZoomBox.SetText(PercentText(engine.Settings.Zoom));
  switch (engine.Settings.FitMode) {
    case fitRealSize: rb_RealSize.SetChecked(true); break;
    case fitToWidth: rb_FitToWidth.SetChecked(true); break;
    case fitToHeight: rb_FitToHeight.SetChecked(true); break;
    case fitToPage: rb_FitToPage.SetChecked(true); break;
  }
  VertCenterChk.SetChecked(engine.Settings.CenterVert);
  HorzCenterChk.SetChecked(engine.Settings.CenterHorz);
  YangsicUseChk.SetChecked(engine.Settings.NoHeaderFooter);
  const DialogRequest request{"TfmPageSetupDlg", ToAnsi(Caption()), "", 0};
  if (RunDialog(request, [this] { return ShowModal(); }) == IDOK) {
    Changed = true;
    ApplyTo(engine);
  }
  return Changed;
}

void TfmPageSetupDlg::ApplyTo(TPrintEngine& engine) {
  // The OK button lets only 1..100 through; an answer given without the dialog keeps the zoom
  // when the engine's own value was outside that range.
  const int percent = ZoomBoxValue(ContentZoomBox);
  if (ZoomInRange(percent)) engine.SetZoom(static_cast<long double>(percent) / 100);
  if (rb_RealSize.Checked()) engine.Settings.FitMode = fitRealSize;
  if (rb_FitToWidth.Checked()) engine.Settings.FitMode = fitToWidth;
  if (rb_FitToHeight.Checked()) engine.Settings.FitMode = fitToHeight;
  if (rb_FitToPage.Checked()) engine.Settings.FitMode = fitToPage;
  engine.Settings.CenterVert = VertCenterChk.Checked();
  engine.Settings.CenterHorz = HorzCenterChk.Checked();
  engine.Settings.NoHeaderFooter = YangsicUseChk.Checked();
}

void TfmPageSetupDlg::OKBtnClick() {
  if (ZoomInRange(ZoomBoxValue(ContentZoomBox))) {
    SetModalResult(IDOK);
    return;
  }
  ShowLimitMessage(LoadResStringW(kMsgZoomOutOfRange));
  ContentZoomBox.SetText(L"100");
}

void TfmPageSetupDlg::ContentZoomBoxKeyPress(wchar_t& key) {
  if (!((key >= L'0' && key <= L'9') || key == 8)) key = 0;
}

void TfmPageSetupDlg::PrintSetupBtnClick() {
  if (RunPrintSetupDialog(Handle())) Changed = true;
}

void TfmPageSetupDlg::FormKeyUp(WORD key) {
  if (key == VK_ESCAPE) CloseRequested();
}

void TfmPageSetupDlg::ShowLimitMessage(const std::wstring& text) {
  // The text is Korean on every system: shown through the wide function so that it survives any
  // code page.
  const DialogRequest request{"MessageBox", "Vantrelle", ToAnsi(text), MB_OK};
  RunDialog(request, [&] { return ::MessageBoxW(nullptr, text.c_str(), L"Vantrelle", MB_OK); });
}

bool RunPrintSetupDialog(HWND owner) {
  const DialogRequest request{"PrintSetupDialog", "", "", 0};
  return RunDialog(request, [owner] {
    PRINTDLGW pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = owner;
    pd.Flags = PD_PRINTSETUP;
    return RunPrinterDialog(pd) ? IDOK : IDCANCEL;
  }) == IDOK;
}

}  // namespace vt

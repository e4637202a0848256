// Commands of the preview that the window's print, save, page setup, select, help and
// window-fitting parts carry out. Until those parts are in, each does the least that keeps the
// window sound: printing without preview still ends the request, and nothing is selected.
#include "preview/frmPreviewForm.h"

namespace vt {

void TfmPreviewForm::Print() {
  if (printWithoutPreview_) Close();
}

void TfmPreviewForm::Save() {}
void TfmPreviewForm::SaveWithProtectedModeTest() { Save(); }
void TfmPreviewForm::CopySelection() {}
void TfmPreviewForm::OpenPrintPreview() {}
void TfmPreviewForm::OpenPageSetup() {}
void TfmPreviewForm::OpenHelpPage() {}
void TfmPreviewForm::FitToImage(THtmlImage*) {}

bool TfmPreviewForm::SelectAreaVisible() const { return false; }
void TfmPreviewForm::HideSelectArea() {}
void TfmPreviewForm::SelectAreaLeaveEditing() {}
bool TfmPreviewForm::SelectAreaEditing() const { return false; }
void TfmPreviewForm::PlaceSelectArea() {}
bool TfmPreviewForm::SelectBtnDown() const { return selectBtn_->Down(); }
void TfmPreviewForm::SelectBtnToggled() {}

}  // namespace vt

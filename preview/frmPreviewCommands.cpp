// The output commands of the preview window: print, save, copy to the clipboard, page setup and
// the all-pages print preview, each on the whole document or, while a selection is shown, on the
// selected area alone through an engine of its own.
#include <exception>
#include <new>
#include <optional>

#include "base/ScopeGuard.h"
#include "base/Strings.h"
#include "capture/uWebUtils.h"
#include "page/uDateTimeFormat.h"
#include "page/uHtmlImage.h"
#include "page/uHtmlImageBuilder.h"
#include "preview/frmPageSetupDlg.h"
#include "preview/frmPreviewForm.h"
#include "preview/frmPrintPreview.h"
#include "preview/uPrintSave.h"

namespace vt {

namespace {
// What a command that failed for lack of memory says: the window and the capture stay as they were.
void ShowOutOfMemory(const char* what) {
  ShowErrorMessage(Format("There is not enough memory to %s. Select a smaller area and try again.", what));
}
}  // namespace

bool TfmPreviewForm::BuildSelectionEngine(TPrintEngine& engine, std::unique_ptr<THtmlImage>& image) {
  RECT rect;
  GetSelectionRect(rect);
  engine.DateTime = NowDateTime();
  engine.UserIP = GetLocalIP();
  engine.UserStr = userStr_;
  // Narrower than the page: at real size; wider: fitted to the page's width.
  if (rect.right - rect.left <= engine.PageWidth) {
    engine.SetZoom(1.0);
    engine.FitMode = fitRealSize;
  } else {
    engine.FitMode = fitToWidth;
  }
  engine.CenterVert = engine_.CenterVert;
  engine.CenterHorz = engine_.CenterHorz;
  if (!BuildHtmlImage(imageBuilder_, captureGraphic_, rect)) return false;
  image = imageBuilder_->GetResult();
  if (!image) return false;
  engine.Layout(image.get(), nullptr, settingImages_, true);
  return true;
}

void TfmPreviewForm::Print() {
  // Printing without preview ends the request however printing ends: printed, refused or failed.
  const ScopeGuard closeAfter([this] {
    if (printWithoutPreview_) Close();
  });
  if (!CheckPrinter(MB_ICONSTOP)) return;
  const bool selection = HasSelection();
  std::optional<TPrintChoice> choice;
  if (printWithoutPreview_)
    choice = TPrintChoice{prAllPages, 1, engine_.GetPageCount()};
  else
    choice = RunPrintDialog(Handle(), {engine_.GetPageCount(), true, selection, selection ? prSelection : prAllPages});
  if (!choice) return;
  try {
    if (!selection) {
      PrintPageList(Handle(), engine_, PagesOfChoice(*choice, engine_.GetPageCount()));
      return;
    }
    // With a selection shown, the dialog's range counts the pages of the selection's own layout.
    selectionImage_.reset();
    TVantrelleDocument document;
    TPrintEngine engine(&document);
    if (!BuildSelectionEngine(engine, selectionImage_)) return;
    PrintPageList(Handle(), engine, PagesOfChoice(*choice, engine.GetPageCount()));
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory("print the selected area");
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
}

void TfmPreviewForm::SaveWithProtectedModeTest() {
  if (ReadIntegrityLevel ? SaveAllowed(Handle(), ReadIntegrityLevel) : SaveAllowed(Handle())) Save();
}

void TfmPreviewForm::Save() {
  RECT rect{};
  const bool selection = HasSelection();
  if (selection) GetSelectionRect(rect);
  SaveCommand(Handle(), engine_, AllPagesList(engine_), selection ? &rect : nullptr, DefaultSaveName(siteHost_));
}

void TfmPreviewForm::CopySelection() {
  if (::OpenClipboard(Handle())) {
    ::EmptyClipboard();
    ::CloseClipboard();
  }
  RECT rect;
  GetSelectionRect(rect);
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  try {
    if (!BuildHtmlImage(imageBuilder_, captureGraphic_, rect)) return;
    if (std::unique_ptr<THtmlImage> image = imageBuilder_->GetResult()) image->SaveToClipboardFormat();
  } catch (const std::bad_alloc&) {
    ShowOutOfMemory("copy the selected area");
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
}

void TfmPreviewForm::OpenPageSetup() {
  if (!pageSetupDlg_) {
    pageSetupDlg_ = std::make_unique<TfmPageSetupDlg>(Handle());
    pageSetupDlg_->LoadCaptions();
    // Forced page breaks decide the pages; fitting has nothing left to choose.
    if (engine_.PageBreaks) pageSetupDlg_->SetFitChoicesEnabled(false);
  }
  if (pageSetupDlg_->Execute(engine_)) {
    RenderView();
    ProcessResize();
  }
}

void TfmPreviewForm::OpenPrintPreview() {
  if (!CheckPrinter(0)) return;
  TVantrelleDocument selectionDocument;
  TPrintEngine selectionEngine(&selectionDocument);
  std::unique_ptr<THtmlImage> selectionImage;
  TPrintEngine* engine = &engine_;
  if (HasSelection()) {
    engine = &selectionEngine;
    try {
      BuildSelectionEngine(selectionEngine, selectionImage);
    } catch (const std::bad_alloc&) {
      ShowOutOfMemory("preview the selected area");
      return;
    } catch (const std::exception& e) {
      ShowErrorMessage(e.what());
      return;
    }
  }
  ShowAllPagesPreview(*engine);
  engine_.Layout(captureGraphic_, &captureRect_, settingImages_, false);
}

void TfmPreviewForm::OpenHelpPage() { OpenHelpUrl(helpUrl_, ShellStart); }

void TfmPreviewForm::ShowAllPagesPreview(TPrintEngine& engine) {
  try {
    // Freed before the engine is laid out again: its worker may still draw through the engine.
    TfmPrintPreview preview;
    if (!Trim(toolBar_->SkinIniPath()).empty())
      preview.LoadSkin(toolBar_->SkinSection(), toolBar_->SkinIniPath());
    else
      preview.LoadLanguageImages();
    preview.SetCloseButtonVisible(toolBar_->CloseBtn().Visible());
    preview.ShowPreview(engine);
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
}

}  // namespace vt

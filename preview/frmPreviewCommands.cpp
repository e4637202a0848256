// The output commands of the preview window: print, save, copy to the clipboard, page setup and
// the all-pages print preview, each on the whole document or, while a selection is shown, on the
// selected area alone through an engine of its own.
#include <optional>

#include "base/Boundary.h"
#include "base/LogSink.h"
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
std::string OutOfMemory(const char* what) {
  return Format("There is not enough memory to %s. Select a smaller area and try again.", what);
}
}  // namespace

std::unique_ptr<THtmlImage> TfmPreviewForm::BuildSelectionEngine(TPrintEngine& engine) {
  const RECT rect = GetSelectionRect();
  engine.Settings.DateTime = NowDateTime();
  engine.Settings.UserIP = GetLocalIP();
  engine.Settings.UserStr = userStr_;
  // Narrower than the page: at real size; wider: fitted to the page's width.
  if (rect.right - rect.left <= engine.Geometry().PageWidth) {
    engine.SetZoom(1.0);
    engine.Settings.FitMode = fitRealSize;
  } else {
    engine.Settings.FitMode = fitToWidth;
  }
  // The page setup's choices that apply to any page.
  engine.Settings.CenterVert = engine_.Settings.CenterVert;
  engine.Settings.CenterHorz = engine_.Settings.CenterHorz;
  engine.Settings.NoHeaderFooter = engine_.Settings.NoHeaderFooter;
  if (!BuildHtmlImage(imageBuilder_, captureGraphic_, rect)) return nullptr;
  std::unique_ptr<THtmlImage> image = imageBuilder_->GetResult();
  if (image) engine.Layout(image.get(), nullptr, settingImages_, true);
  return image;
}

void TfmPreviewForm::Print() {
  // Printing without preview ends the request however printing ends: printed, refused or failed.
  const ScopeGuard closeAfter([this] {
    if (printWithoutPreview_) Close();
  });
  if (!CheckPrinter(MB_ICONSTOP)) return;
  const bool selection = HasSelection();
  std::optional<TPrintChoice> choice;
  if (printWithoutPreview_) {
    choice = TPrintChoice{prAllPages, 1, engine_.GetPageCount()};
  } else {
    choice = RunPrintDialog(Handle(), {engine_.GetPageCount(), true, selection, selection ? prSelection : prAllPages});
    // Sheets of another size chosen in the dialog: the pages are laid out for them before printing.
    if (choice && !engine_.FitsPrinter()) RenderView();
  }
  if (!choice) return;
  CommandBoundary(OutOfMemory("print the selected area"), [&] {
    if (!selection) {
      PrintPages(Handle(), engine_, PagesOfChoice(*choice, engine_.GetPageCount()));
      return;
    }
    // With a selection shown, the dialog's range counts the pages of the selection's own layout.
    selectionImage_.reset();
    TVantrelleDocument document;
    TPrintEngine engine(&document);
    selectionImage_ = BuildSelectionEngine(engine);
    if (selectionImage_) PrintPages(Handle(), engine, PagesOfChoice(*choice, engine.GetPageCount()));
  });
}

void TfmPreviewForm::SaveBtnMouseUp() {
  if (ReadIntegrityLevel ? SaveAllowed(Handle(), ReadIntegrityLevel) : SaveAllowed(Handle())) Save();
}

void TfmPreviewForm::Save() {
  const bool selection = HasSelection();
  const RECT rect = selection ? GetSelectionRect() : RECT{};
  SaveCommand(Handle(), engine_, TPageList::Range(1, engine_.GetPageCount()), selection ? &rect : nullptr, DefaultSaveName(siteHost_));
}

void TfmPreviewForm::CopySelection() {
  if (const ClipboardScope clipboard(Handle()); clipboard) ::EmptyClipboard();
  const RECT rect = GetSelectionRect();
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  CommandBoundary(OutOfMemory("copy the selected area"), [&] {
    if (!BuildHtmlImage(imageBuilder_, captureGraphic_, rect)) return;
    if (std::unique_ptr<THtmlImage> image = imageBuilder_->GetResult()) image->SaveToClipboardFormat();
  });
}

void TfmPreviewForm::OpenPageSetup() {
  if (!pageSetupDlg_) {
    pageSetupDlg_ = std::make_unique<TfmPageSetupDlg>(Handle());
    pageSetupDlg_->LoadCaptions();
    // Forced page breaks decide the pages; fitting has nothing left to choose.
    if (engine_.Settings.PageBreaks) pageSetupDlg_->SetFitChoicesEnabled(false);
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
    if (!CommandBoundary(OutOfMemory("preview the selected area"),
                         [&] { selectionImage = BuildSelectionEngine(selectionEngine); }))
      return;
  }
  const SIZE page{engine_.Geometry().PageWidth, engine_.Geometry().PageHeight};
  ShowAllPagesPreview(*engine);
  // Sheets of another size chosen there: the view's pages are laid out for them.
  if (!engine_.FitsPrinter() || engine_.Geometry().PageWidth != page.cx || engine_.Geometry().PageHeight != page.cy)
    RenderView();
  else
    engine_.Layout(captureGraphic_, &captureRect_, settingImages_, false);
}

void TfmPreviewForm::OpenHelpPage() {
  // A page could hand the browser switches of its own choosing in place of an address.
  if (!OpenHelpUrl(helpUrl_, ShellStart) && log_)
    log_->WriteLog("Preview::OpenHelpPage", "The help address is refused: only an absolute http or https address opens");
}

void TfmPreviewForm::ShowAllPagesPreview(TPrintEngine& engine) {
  CommandBoundary("", [&] {
    // Freed before the engine is laid out again: its worker may still draw through the engine.
    TfmPrintPreview preview;
    if (!Trim(toolBar_->SkinIniPath()).empty())
      preview.LoadSkin(toolBar_->SkinSection(), toolBar_->SkinIniPath(), toolBar_->SkinLog());
    else
      preview.LoadLanguageImages();
    preview.SetCloseButtonVisible(toolBar_->CloseBtn().Visible());
    preview.ShowPreview(engine);
  });
}

}  // namespace vt

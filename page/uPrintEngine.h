// The print engine: lays the captured picture out into printer pages with header and footer
// banners, draws any page on any device context and writes pages as PDF, JPG or BMP files.
// All geometry is in screen pixels of the printable page.
#pragma once
#include <windows.h>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "page/uDateTimeFormat.h"
#include "page/uHtmlImage.h"
#include "page/uPageList.h"
#include "page/uVantrelleDocument.h"
#include "page/uXMLBitmap.h"

namespace vt {

class TURLImg;

enum TFitMode : uint8_t { fitRealSize = 0, fitToWidth = 1, fitToHeight = 2, fitToPage = 3 };

// Printer pixels per screen pixel, in each direction.
struct TPrinterRatio {
  long double X, Y;
};

// What the request and the page setup choose for the pages: set between layouts, and taken by
// the next one.
struct TPrintSettings {
  const std::vector<int32_t>* PageBreaks = nullptr;           // picture rows of forced breaks; not owned
  const std::vector<int32_t>* PageBreaksLandscape = nullptr;  // used instead in landscape; not owned
  TDateTime DateTime = 0;  // for the banners' macros
  std::string UserIP;
  std::string UserStr;
  bool CenterVert = false;  // each page's content centred in the body
  bool CenterHorz = false;
  long double Zoom = 1.0L;  // kept for the page setup; the pages do not use it
  TFitMode FitMode = fitRealSize;
  bool NoHeaderFooter = false;
};

// Where the last layout put the parts of a page, in screen pixels of the printable page.
struct TPageGeometry {
  int32_t PageHeight = 0;
  int32_t PageWidth = 0;
  int32_t OffsetX = 0;  // of the body
  int32_t OffsetY = 0;  // the header banner's height, or 0
  int32_t BodyHeight = 0;
  int32_t BodyWidth = 0;
};

// Where a page puts its piece of the picture on the printable page.
struct TPagePlace {
  RECT area{};           // the piece, picture pixels
  int32_t x = 0, y = 0;  // its top left corner on the page, screen pixels
  float scale = 1.0f;    // page pixels per picture pixel
};

class TPrintEngine {
public:
  explicit TPrintEngine(TVantrelleDocument* document);
  TPrintEngine(const TPrintEngine&) = delete;
  TPrintEngine& operator=(const TPrintEngine&) = delete;

  void Reset();
  // Printer pixels per screen pixel; 6.25 in both directions when no printer answers.
  TPrinterRatio GetPrinterRatio();
  bool HasPrinter() const { return printerPresent_; }
  void ComputePageSize();
  // The banners come from the setting that `urlImg` holds, none without it.
  void Layout(THtmlImage* image, const RECT* captureRect, const TURLImg* urlImg, bool relayout);
  // The pages were laid out for sheets of the current printer's size: none other was chosen since.
  bool FitsPrinter();
  // Layout once more with what the last one was given, the pages laid out anew (for another printer,
  // orientation or paper).
  void LayoutAgain();
  void SetZoom(long double value) { Settings.Zoom = value; }
  int32_t GetImageWidth() const { return image_ ? image_->GetImageWidth() : 0; }
  int32_t GetImageHeight() const { return image_ ? image_->GetImageHeight() : 0; }
  int32_t GetPageCount() const { return document_ ? document_->GetPageCount() : 0; }
  const TPageGeometry& Geometry() const { return geometry_; }
  bool LaidOut() const { return laidOut_; }
  const TXMLBitmap& Header() const { return header_; }
  const TXMLBitmap& Footer() const { return footer_; }
  THtmlImage* GetImage() const { return image_; }
  // Draws from `image` from now on, laid out as the picture before it (a reader of the same one).
  void SetImage(THtmlImage* image) { image_ = image; }

  // Where page `pageNo` (1-based) puts its piece of the picture, as the last layout placed it.
  TPagePlace PagePlace(int32_t pageNo) const;
  // Draws page `pageNo` (1-based) so that the whole printable page fills the canvas's height.
  void RenderPage(HDC canvas, int32_t pageNo);
  void DrawPage(HDC canvas, int32_t pageNo, long double factor);
  void DrawHeader(HDC canvas, int32_t pageNo, long double factor);
  void DrawFooter(HDC canvas, int32_t pageNo, long double factor);

  // The listed pages that are pages of the document, in list order; the extension of `fileName`
  // (.jpg, .bmp, .pdf, any case) picks the format. Write errors reach the caller as vt::Error and
  // leave no half-written file.
  void SaveToFile(const TPageList& pages, const std::string& fileName);
  void SaveAll(const std::string& fileName);
  // One area of the picture (picture pixels) at scale 1, without banners.
  void SaveSelection(const RECT& rect, const std::string& fileName);
  // A banner that cannot be drawn fails the PDF as a write error does, and so does a list that names
  // no page of the document: no file is written.
  void SavePdf(const TPageList& pages, const std::string& fileName);
  void SaveSelectionPdf(const RECT& rect, const std::string& fileName);

  static std::string ZeroPad(int32_t width, int32_t value);
  static bool IsUACEnabled();
  static bool IsIEProtectedMode();
  // Trimmed text, "#13#10" as line breaks, in an information box titled "Vantrelle".
  static void ShowMessage(const std::string& text, HWND owner);

  TPrintSettings Settings;

private:
  // RenderPage from `image`, a reader of the picture, so that pages can be drawn on several threads
  // at once; gives the message of an error that kept the header banner from being drawn, for the
  // caller to report.
  std::string RenderPageFrom(THtmlImage& image, HDC canvas, int32_t pageNo);
  void DrawPageFrom(THtmlImage& image, HDC canvas, int32_t pageNo, long double factor);
  // Gives the message of an error that kept the banner from being drawn, or nothing.
  std::string DrawBanner(TXMLBitmap& banner, HDC canvas, int32_t pageNo, int x, int y, long double factor);
  // Under bannerLock_.
  void NumberBanner(TXMLBitmap& banner, int32_t pageNo) const;
  static int BannerLeft(const TXMLBitmap& banner, int32_t pageWidth);
  void ReportHeaderError(const std::string& message) const;

  // The printable page of the current printer in screen pixels (the fixed page without a printer).
  SIZE PrinterPage();

  THtmlImage* image_ = nullptr;            // not owned
  TXMLBitmap header_;                      // section "top"
  TXMLBitmap footer_;                      // section "bottom"
  bool laidOut_ = false;
  TVantrelleDocument* document_ = nullptr;  // not owned
  TPageGeometry geometry_;
  RECT captureRect_{};
  bool printerPresent_ = false;
  DWORD uiThread_;  // the thread that made the engine: the one that may show messages
  const TURLImg* urlImg_ = nullptr;  // of the last layout; not owned
  std::mutex bannerLock_;  // the banners draw one page at a time
};

}  // namespace vt

#include "page/uPrintEngine.h"

#include <algorithm>
#include <cmath>

#include "base/Bitmap.h"
#include "base/Dialogs.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Numbers.h"
#include "base/Printer.h"
#include "base/ReplaceFile.h"
#include "base/Stream.h"
#include "base/Strings.h"
#include "page/uAreaEncoder.h"
#include "page/uJpegEncoder.h"
#include "page/uPdfWriter.h"
#include "page/uPictureWorkers.h"
#include "page/uURLImg.h"

namespace vt {
namespace {

constexpr int kJpgFileQuality = 100;
constexpr int kPdfQuality = 90;

constexpr long double kNoPrinterRatio = 6.25L;
constexpr int kNoPrinterWidth = 4760, kNoPrinterHeight = 6779;

int32_t RoundHalfEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }
int32_t Trunc(long double v) { return static_cast<int32_t>(v); }

// Scale that fits w x h into bw x bh, never enlarging.
float FitScale(int32_t bw, int32_t bh, int32_t w, int32_t h) {
  float s = std::min(static_cast<float>(bw) / static_cast<float>(w), static_cast<float>(bh) / static_cast<float>(h));
  return s > 1.0f ? 1.0f : s;
}

struct FileNameParts {
  // folder as written, with its last "\", "/" or ":" (a root's "C:\" is not "C:", the current
  // folder of drive C); ext with its dot, lower case
  std::string folder, base, ext;
};

FileNameParts SplitFileName(const std::string& fileName) {
  FileNameParts parts;
  const size_t slash = fileName.find_last_of("\\/:");
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  parts.folder = fileName.substr(0, nameStart);
  const std::string name = fileName.substr(nameStart);
  size_t dot = name.rfind('.');
  parts.base = dot == std::string::npos ? name : name.substr(0, dot);
  parts.ext = dot == std::string::npos ? "" : ToLowerAscii(name.substr(dot));
  return parts;
}

std::string InFolder(const std::string& folder, const std::string& name) { return folder + name; }

int DecimalDigits(int32_t value) {
  int digits = 1;
  while (value >= 10) {
    value /= 10;
    ++digits;
  }
  return digits;
}

void SaveBmpFile(const TBitmap& bitmap, const std::string& path) {
  TReplaceFile target(path);
  bitmap.SaveToStream(target.File());
  target.Commit();
}

std::vector<uint8_t> BmpFileBytes(const TBitmap& bitmap) {
  TMemoryStream bytes;
  bitmap.SaveToStream(bytes);
  return bytes.bytes();
}

void SaveBytes(const std::vector<uint8_t>& bytes, const std::string& path) {
  TReplaceFile target(path);
  target.File().Write(bytes.data(), bytes.size());
  target.Commit();
}

struct AreaPiece {
  RECT area;   // picture pixels
  RECT place;  // PDF page units
};

// The pieces that put an area of the picture stretched into `bounds` of a PDF page: one, or for
// an area taller or wider than a JPEG image can be, several bands, each at full resolution.
std::vector<AreaPiece> AreaPieces(const RECT& area, const RECT& bounds) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  std::vector<AreaPiece> pieces;
  if (width <= 0 || height <= 0 || bounds.right <= bounds.left || bounds.bottom <= bounds.top) return pieces;
  const int bandsX = (width + TJpegEncoder::kMaxSide - 1) / TJpegEncoder::kMaxSide;
  const int bandsY = (height + TJpegEncoder::kMaxSide - 1) / TJpegEncoder::kMaxSide;
  const double sx = static_cast<double>(bounds.right - bounds.left) / width;
  const double sy = static_cast<double>(bounds.bottom - bounds.top) / height;
  for (int by = 0; by < bandsY; ++by) {
    for (int bx = 0; bx < bandsX; ++bx) {
      RECT band{area.left + bx * width / bandsX, area.top + by * height / bandsY,
                area.left + (bx + 1) * width / bandsX, area.top + (by + 1) * height / bandsY};
      RECT place{bounds.left + RoundHalfEven((band.left - area.left) * sx),
                 bounds.top + RoundHalfEven((band.top - area.top) * sy),
                 bounds.left + RoundHalfEven((band.right - area.left) * sx),
                 bounds.top + RoundHalfEven((band.bottom - area.top) * sy)};
      pieces.push_back({band, place});
    }
  }
  return pieces;
}

}  // namespace

TPrintEngine::TPrintEngine(TVantrelleDocument* document) : document_(document), uiThread_(::GetCurrentThreadId()) {
  Reset();
  ComputePageSize();
}

void TPrintEngine::Reset() {
  image_ = nullptr;
  header_.Reset();
  footer_.Reset();
  laidOut_ = false;
  geometry_.PageHeight = 0;
  geometry_.PageWidth = 0;
}

TPrinterRatio TPrintEngine::GetPrinterRatio() {
  printerPresent_ = true;
  WindowDC screen(nullptr);
  DeviceContext printer = TPrinter::Current().CreateDC();
  int printerX = printer ? ::GetDeviceCaps(printer.get(), LOGPIXELSX) : 0;
  int printerY = printer ? ::GetDeviceCaps(printer.get(), LOGPIXELSY) : 0;
  int screenX = ::GetDeviceCaps(screen.get(), LOGPIXELSX), screenY = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
  if (printerX <= 0 || printerY <= 0 || screenX <= 0 || screenY <= 0) {
    printerPresent_ = false;
    return {kNoPrinterRatio, kNoPrinterRatio};
  }
  return {static_cast<long double>(printerX) / screenX, static_cast<long double>(printerY) / screenY};
}

SIZE TPrintEngine::PrinterPage() {
  const TPrinterRatio ratio = GetPrinterRatio();
  int w = kNoPrinterWidth, h = kNoPrinterHeight;
  if (printerPresent_) {
    DeviceContext printer = TPrinter::Current().CreateDC();
    if (printer) {
      w = ::GetDeviceCaps(printer.get(), HORZRES);
      h = ::GetDeviceCaps(printer.get(), VERTRES);
    }
  }
  return SIZE{Trunc(w / ratio.X), Trunc(h / ratio.Y)};
}

void TPrintEngine::ComputePageSize() {
  const SIZE page = PrinterPage();
  geometry_.PageWidth = page.cx;
  geometry_.PageHeight = page.cy;
  geometry_.BodyWidth = geometry_.PageWidth;
  geometry_.BodyHeight = geometry_.PageHeight;
  geometry_.OffsetX = geometry_.OffsetY = 0;
}

bool TPrintEngine::FitsPrinter() {
  const SIZE page = PrinterPage();
  return page.cx == geometry_.PageWidth && page.cy == geometry_.PageHeight;
}

void TPrintEngine::LayoutAgain() { Layout(image_, &captureRect_, urlImg_, true); }

void TPrintEngine::Layout(THtmlImage* image, const RECT* captureRect, const TURLImg* urlImg, bool relayout) {
  image_ = image;
  if (!image_) return;
  urlImg_ = urlImg;
  captureRect_ = captureRect ? *captureRect : image_->GetImageRect();
  const int32_t rectW = captureRect_.right - captureRect_.left, rectH = captureRect_.bottom - captureRect_.top;
  ComputePageSize();

  // The banners are this layout's alone: with the template off or without a setting, none of an
  // earlier layout may reach a page or a file.
  header_.Reset();
  footer_.Reset();
  if (urlImg && !Settings.NoHeaderFooter) {
    if (header_.Load(urlImg, "top", geometry_.PageWidth, geometry_.PageHeight)) {
      geometry_.BodyHeight -= header_.GetHeight();
      geometry_.OffsetY = header_.GetHeight();
    }
    if (footer_.Load(urlImg, "bottom", geometry_.PageWidth, geometry_.PageHeight)) geometry_.BodyHeight -= footer_.GetHeight();
  }
  if (geometry_.BodyHeight < 1) {
    // Banners that leave no room for the page itself are not used.
    header_.Reset();
    footer_.Reset();
    geometry_.BodyHeight = geometry_.PageHeight;
    geometry_.OffsetY = 0;
  }

  int32_t cw = geometry_.BodyWidth, ch = geometry_.BodyHeight;
  auto scaleBy = [&](float r) {
    if (r >= 1.0f) {
      cw = RoundHalfEven(static_cast<double>(geometry_.BodyWidth) * r);
      ch = RoundHalfEven(static_cast<double>(geometry_.BodyHeight) * r);
    }
  };
  switch (Settings.FitMode) {
    case fitToWidth: scaleBy(static_cast<float>(GetImageWidth()) / static_cast<float>(geometry_.BodyWidth)); break;
    case fitToHeight: scaleBy(static_cast<float>(GetImageHeight()) / static_cast<float>(geometry_.BodyHeight)); break;
    case fitToPage:
      cw = rectW;
      ch = rectH;
      break;
    default: break;  // fitRealSize and unknown modes: the body's own size
  }

  if (relayout && document_) {
    document_->Clear();
    try {
      if (Settings.PageBreaks) {
        const std::vector<int32_t>* list = Settings.PageBreaks;
        if (Settings.PageBreaksLandscape && TPrinter::Current().Orientation() == TPrinter::poLandscape)
          list = Settings.PageBreaksLandscape;
        document_->LayoutWithBreaks(image_, list, cw, ch, 1, 0);
      } else {
        document_->Layout(image_, cw, ch, 1, 0);
      }
    } catch (const Error&) {  // no printer to ask for its orientation, a break list out of range: the plain grid
      document_->Layout(image_, cw, ch, 1, 0);
    }
  }

  for (TXMLBitmap* banner : {&header_, &footer_}) {
    banner->DateTime = Settings.DateTime;
    banner->UserIP = Settings.UserIP;
    banner->UserStr = Settings.UserStr;
    banner->PageCount = GetPageCount();
  }
  laidOut_ = true;
}

void TPrintEngine::RenderPage(HDC canvas, int32_t pageNo) {
  if (image_) ReportHeaderError(RenderPageFrom(*image_, canvas, pageNo));
}

std::string TPrintEngine::RenderPageFrom(THtmlImage& image, HDC canvas, int32_t pageNo) {
  if (pageNo < 0 || !laidOut_ || geometry_.PageHeight <= 0) return {};
  RECT clip{};
  ::GetClipBox(canvas, &clip);
  if (::GetDeviceCaps(canvas, TECHNOLOGY) == DT_RASDISPLAY) {
    BrushHandle white(::CreateSolidBrush(RGB(255, 255, 255)));
    ::FillRect(canvas, &clip, white.get());
  }
  long double factor = static_cast<long double>(clip.bottom - clip.top) / geometry_.PageHeight;
  DrawPageFrom(image, canvas, pageNo, factor);
  if (Settings.NoHeaderFooter) return {};
  std::string headerError = DrawBanner(header_, canvas, pageNo, BannerLeft(header_, geometry_.PageWidth), 0, factor);
  DrawFooter(canvas, pageNo, factor);
  return headerError;
}

void TPrintEngine::DrawPage(HDC canvas, int32_t pageNo, long double factor) {
  if (image_) DrawPageFrom(*image_, canvas, pageNo, factor);
}

TPagePlace TPrintEngine::PagePlace(int32_t pageNo) const {
  TPagePlace place;
  place.x = geometry_.OffsetX;
  place.y = geometry_.OffsetY;
  if (!document_) return place;
  place.area = document_->GetPageRect(pageNo);
  const int32_t w = place.area.right - place.area.left, h = place.area.bottom - place.area.top;
  if (w <= 0 || h <= 0) return place;
  const float s = FitScale(geometry_.BodyWidth, geometry_.BodyHeight, w, h);
  place.scale = s;
  if (Settings.CenterHorz) place.x += (geometry_.BodyWidth - Trunc(w * s)) / 2;
  if (Settings.CenterVert) place.y += (geometry_.BodyHeight - Trunc(h * s)) / 2;
  return place;
}

void TPrintEngine::DrawPageFrom(THtmlImage& image, HDC canvas, int32_t pageNo, long double factor) {
  if (!document_) return;
  const TPagePlace place = PagePlace(pageNo);
  const RECT& r = place.area;
  const int32_t w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  RECT dst;
  dst.left = Trunc(place.x * factor);
  dst.top = Trunc(place.y * factor);
  dst.right = dst.left + Trunc(w * factor * place.scale);
  dst.bottom = dst.top + Trunc(h * factor * place.scale);
  // A stretch copy to a busy printer driver may fail for a while: try again before giving up.
  for (int attempt = 1; attempt <= 10; ++attempt) {
    if (image.DrawRect(canvas, dst, r) == 0) return;
    if (attempt < 10) ::Sleep(2000);
  }
}

std::string TPrintEngine::DrawBanner(TXMLBitmap& banner, HDC canvas, int32_t pageNo, int x, int y,
                                     long double factor) {
  // Pages are drawn on several threads at once, each with its page number.
  std::lock_guard<std::mutex> guard(bannerLock_);
  try {
    NumberBanner(banner, pageNo);
    banner.DrawTo(canvas, Trunc(x * factor), Trunc(y * factor), Trunc(banner.GetWidth() * factor),
                  Trunc(banner.GetHeight() * factor));
    return {};
  } catch (const Error& e) {  // a banner that cannot be drawn (a user string too short): the page goes on
    return e.what();
  }
}

void TPrintEngine::NumberBanner(TXMLBitmap& banner, int32_t pageNo) const {
  // Breaks edited since the layout change the total: it is taken as the document stands now.
  banner.Page = pageNo;
  banner.PageCount = GetPageCount();
}

int TPrintEngine::BannerLeft(const TXMLBitmap& banner, int32_t pageWidth) {
  if (banner.Align == 2) return (pageWidth - banner.GetWidth()) / 2;
  if (banner.Align == 1) return pageWidth - banner.GetWidth();
  return 0;
}

void TPrintEngine::ReportHeaderError(const std::string& message) const {
  if (message.empty()) return;
  // Only the thread that owns the windows may open a message box; thumbnails are drawn
  // on a worker, which reports to the debugger instead.
  if (::GetCurrentThreadId() == uiThread_) ShowMessageBox(nullptr, message, "Vantrelle", MB_OK);
  else ::OutputDebugStringA(("DrawTop >>> errormessage : " + message).c_str());
}

void TPrintEngine::DrawHeader(HDC canvas, int32_t pageNo, long double factor) {
  ReportHeaderError(DrawBanner(header_, canvas, pageNo, BannerLeft(header_, geometry_.PageWidth), 0, factor));
}

void TPrintEngine::DrawFooter(HDC canvas, int32_t pageNo, long double factor) {
  const std::string error =
      DrawBanner(footer_, canvas, pageNo, BannerLeft(footer_, geometry_.PageWidth), header_.GetHeight() + geometry_.BodyHeight, factor);
  if (!error.empty()) ::OutputDebugStringA(("DrawBottom >>> errormessage : " + error).c_str());
}

void TPrintEngine::SaveToFile(const TPageList& pageList, const std::string& fileName) {
  const FileNameParts parts = SplitFileName(fileName);
  if (parts.ext == ".pdf") {
    SavePdf(pageList, InFolder(parts.folder, parts.base + ".pdf"));
    return;
  }
  if (parts.ext != ".jpg" && parts.ext != ".bmp") return;
  if (!parts.folder.empty()) ::CreateDirectoryA(parts.folder.c_str(), nullptr);
  if (!image_) return;
  const int digits = DecimalDigits(GetPageCount());
  const bool jpg = parts.ext == ".jpg";
  const std::vector<int32_t> pages = pageList.Within(GetPageCount());
  // Pages are drawn and encoded side by side on worker threads; the files are written here, in
  // list order, with any error of a header banner reported as drawing it here would.
  TPictureWorkers::Run(
      *image_, pages.size(),
      [&](THtmlImage& reader, TBitmap& page, size_t index) {
        page.SetSize(geometry_.PageWidth, geometry_.PageHeight);
        TPictureWorkers::TOutput output;
        output.message = RenderPageFrom(reader, page.Canvas(), pages[index]);
        ::GdiFlush();
        output.bytes = jpg ? TJpegEncoder(kJpgFileQuality).Encode(page) : BmpFileBytes(page);
        return output;
      },
      [&](size_t index, TPictureWorkers::TOutput& output) {
        ReportHeaderError(output.message);
        SaveBytes(output.bytes, InFolder(parts.folder, parts.base + "-" + ZeroPad(digits, pages[index]) + parts.ext));
      });
}

void TPrintEngine::SaveAll(const std::string& fileName) { SaveToFile(TPageList::Range(1, GetPageCount()), fileName); }

void TPrintEngine::SaveSelection(const RECT& rect, const std::string& fileName) {
  if (!image_) return;
  const FileNameParts parts = SplitFileName(fileName);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (parts.ext == ".pdf") {
    SaveSelectionPdf(rect, InFolder(parts.folder, parts.base + ".pdf"));
  } else if (parts.ext == ".jpg") {
    if (w <= 0 || h <= 0) return;
    SaveBytes(EncodeArea(*image_, rect, kJpgFileQuality), InFolder(parts.folder, parts.base + ".jpg"));
  } else if (parts.ext == ".bmp") {
    if (w <= 0 || h <= 0) return;
    TBitmap area(w, h);
    image_->CopyRect(area, 0, 0, rect);
    SaveBmpFile(area, InFolder(parts.folder, parts.base + ".bmp"));
  }
}

void TPrintEngine::SavePdf(const TPageList& pageList, const std::string& fileName) {
  if (!image_ || !document_) return;
  const std::vector<int32_t> pages = pageList.Within(GetPageCount());
  // Readers refuse a PDF without pages: such a file is not written, and the caller hears why.
  if (pages.empty())
    throw Error("\"" + fileName + "\" was not saved: none of the pages to save is a page of the document.");
  TPdfWriter pdf;
  TBitmap headerWork, footerWork;  // one each: a bitmap made again for every banner costs more than drawing it
  TJpegEncoder encoder(kPdfQuality);
  // The banners are centred, the header at the top and the footer at the bottom, whenever they
  // have a width; the three pictures go in as header, body, footer.
  auto drawBanner = [&](TXMLBitmap& banner, int32_t n) {
    const int W = banner.GetWidth(), H = banner.GetHeight();
    if (W <= 0 || H <= 0) return;
    const float s = FitScale(geometry_.PageWidth, geometry_.PageHeight, W, H);
    const int dw = Trunc(W * s), dh = Trunc(H * s);
    TBitmap& work = &banner == &header_ ? headerWork : footerWork;
    work.SetSize(W, H);
    work.Fill(RGB(255, 255, 255));
    {
      std::lock_guard<std::mutex> guard(bannerLock_);
      NumberBanner(banner, n);
      banner.DrawTo(work.Canvas(), 0, 0, W, H);  // an error ends the save before the file is written
    }
    ::GdiFlush();
    const int left = (geometry_.PageWidth - dw) / 2;
    const int top = &banner == &header_ ? 0 : geometry_.PageHeight - dh;
    pdf.DrawJpeg(encoder.Encode(work), RECT{left, top, left + dw, top + dh});
  };
  // The pages' pictures are encoded side by side on worker threads and come back in page order.
  std::vector<AreaPiece> pieces;
  std::vector<size_t> firstPiece;  // of each page, and one past the last piece
  for (int32_t n : pages) {
    firstPiece.push_back(pieces.size());
    const RECT r = document_->GetPageRect(n);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int bh = geometry_.PageHeight - header_.GetHeight() - footer_.GetHeight();
    if (w <= 0 || h <= 0 || bh <= 0) continue;
    const float s = FitScale(geometry_.PageWidth, bh, w, h);
    const int dw = Trunc(w * s), dh = Trunc(h * s);
    const int x = Settings.CenterHorz ? (geometry_.PageWidth - dw) / 2 : 0;
    const int y = header_.GetHeight() + (Settings.CenterVert ? (bh - dh) / 2 : 0);
    for (const AreaPiece& piece : AreaPieces(r, RECT{x, y, x + dw, y + dh})) pieces.push_back(piece);
  }
  firstPiece.push_back(pieces.size());

  size_t page = 0;
  bool pageOpen = false;
  // Writes pages up to the one that holds piece `index` (all of them for pieces.size()).
  auto openPageOf = [&](size_t index) {
    while (page < pages.size()) {
      if (pageOpen && index < firstPiece[page + 1]) return;
      if (pageOpen) {
        drawBanner(footer_, pages[page]);
        pageOpen = false;
        ++page;
        continue;
      }
      pdf.AddPage(geometry_.PageWidth, geometry_.PageHeight);
      drawBanner(header_, pages[page]);
      pageOpen = true;
    }
  };
  TPictureWorkers::Run(
      *image_, pieces.size(),
      [&](THtmlImage& reader, TBitmap& band, size_t index) {
        return TPictureWorkers::TOutput{EncodeArea(reader, pieces[index].area, kPdfQuality, &band), {}};
      },
      [&](size_t index, TPictureWorkers::TOutput& output) {
        openPageOf(index);
        pdf.DrawJpeg(std::move(output.bytes), pieces[index].place);
      });
  openPageOf(pieces.size());
  pdf.SaveToFile(fileName);
}

void TPrintEngine::SaveSelectionPdf(const RECT& rect, const std::string& fileName) {
  if (!image_) return;
  TPdfWriter pdf;
  pdf.AddPage(geometry_.PageWidth, geometry_.PageHeight);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w > 0 && h > 0) {
    const float s = FitScale(geometry_.PageWidth, geometry_.PageHeight, w, h);
    for (const AreaPiece& piece : AreaPieces(rect, RECT{0, 0, Trunc(w * s), Trunc(h * s)}))
      pdf.DrawJpeg(EncodeArea(*image_, piece.area, kPdfQuality), piece.place);
  }
  pdf.SaveToFile(fileName);
}

std::string TPrintEngine::ZeroPad(int32_t width, int32_t value) {
  std::string text = std::to_string(value);
  while (static_cast<int32_t>(text.size()) < width) text = "0" + text;
  return text;
}

bool TPrintEngine::IsUACEnabled() {
  RegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", 0,
                      KEY_READ, key.put()) != ERROR_SUCCESS)
    return false;
  DWORD value = 0, size = sizeof(value), type = 0;
  if (::RegQueryValueExA(key.get(), "EnableLUA", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS)
    return false;
  return value != 0;
}

bool TPrintEngine::IsIEProtectedMode() {
  bool result = false;
  for (const char* zone : {"2", "3"}) {
    RegKey key;
    std::string path = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\") + zone;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) continue;
    DWORD value = 0, size = sizeof(value), type = 0;
    if (::RegQueryValueExA(key.get(), "2500", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
      continue;
    if (value == 0) return true;
    result = false;
  }
  return result;
}

void TPrintEngine::ShowMessage(const std::string& text, HWND owner) {
  std::string message = Trim(text);
  for (size_t at = message.find("#13#10"); at != std::string::npos; at = message.find("#13#10", at + 2))
    message.replace(at, 6, "\r\n");
  ShowMessageBox(owner, message, "Vantrelle", MB_OK | MB_ICONINFORMATION);
}

}  // namespace vt

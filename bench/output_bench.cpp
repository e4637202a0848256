// Output benchmark: a synthetic captured page 1,280 pixels wide goes from view-sized tiles to PDF
// and JPG pages, each stage timed on its own. One height per run, so that the peak working set
// belongs to that height alone.
//
//   output_bench <height> <work folder>
//   output_bench --wait-for-printer <seconds>
//
// Prints "key=value" lines that scripts/bench.sh gathers into a table. After the peak working set
// is read it measures the PDF stage again on one processor, and the limit (libjpeg-turbo alone on
// the same pixels) on that same processor, and writes the picture as one PPM file (untimed) for
// the peers to cut into pages. A picture the tile file cannot hold ends the run with "refused=".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Bitmap.h"
#include "bench/BenchPicture.h"
#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Handles.h"
#include "base/PrintJob.h"
#include "base/Printer.h"
#include "base/Stream.h"
#include "page/uPictureWorkers.h"
#include "page/uHtmlImageBuilder.h"
#include "page/uJpegEncoder.h"
#include "page/uPrintEngine.h"
#include "page/uURLImg.h"

using namespace vt;

namespace {

constexpr int kWidth = 1280;
constexpr int kViewHeight = 720;

void PaintRow(uint8_t* row, int y) { bench::PaintBenchRow(row, kWidth, y); }

void PaintRows(TBitmap& bitmap, int firstRow) {
  for (int y = 0; y < bitmap.Height(); ++y) PaintRow(bitmap.ScanLine(y), firstRow + y);
}

double Now() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakWorkingSetSize;
}

void Report(const char* stage, double seconds, double megapixels) {
  std::printf("stage=%s seconds=%.3f mpps=%.1f peak_ws_mb=%.1f\n", stage, seconds, megapixels / seconds,
              PeakWorkingSet() / 1048576.0);
  std::fflush(stdout);
}

// The picture as one binary PPM file (top-down RGB rows), the uncompressed form the peers read
// natively and without decoding it whole.
void WritePeerPicture(const std::string& path, int height) {
  TFileStream file(path, TFileStream::fmCreate);
  const std::string header = "P6\n" + std::to_string(kWidth) + " " + std::to_string(height) + "\n255\n";
  file.Write(header.data(), header.size());
  std::string rows;
  std::string row(kWidth * 3, '\0');
  for (int y = 0; y < height; ++y) {
    auto* bgr = reinterpret_cast<uint8_t*>(row.data());
    PaintRow(bgr, y);
    for (int x = 0; x < kWidth; ++x) std::swap(bgr[3 * x], bgr[3 * x + 2]);
    rows += row;
    if (rows.size() >= (4u << 20) || y == height - 1) {
      file.Write(rows.data(), rows.size());
      rows.clear();
    }
  }
}

// Writes a finished file out of the system's cache, untimed: the stages after it, and the peers,
// start from a picture on disk, not from gigabytes of data still waiting to be written.
void FlushToDisk(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  ::FlushFileBuffers(file);
  ::CloseHandle(file);
}

// Runs the rest of the process on one processor, the one it is on now, or on all it had again.
void PinToOneProcessor(bool pin) {
  static DWORD_PTR all = 0;
  DWORD_PTR mine = 0, system = 0;
  ::GetProcessAffinityMask(::GetCurrentProcess(), &mine, &system);
  if (pin) {
    all = mine;
    DWORD_PTR one = DWORD_PTR(1) << ::GetCurrentProcessorNumber();
    ::SetProcessAffinityMask(::GetCurrentProcess(), (one & mine) ? one : (mine & (~mine + 1)));
  } else if (all) {
    ::SetProcessAffinityMask(::GetCurrentProcess(), all);
  }
}

// Whether the default printer answers within `seconds`: a queue that is still starting would lay
// the first heights out on the page used when there is no printer.
int WaitForPrinter(int seconds) {
  for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < static_cast<DWORD>(seconds) * 1000;) {
    if (TPrinter::Current().CreateDC()) {
      std::printf("printer=%s\n", TPrinter::Current().Name().c_str());
      return 0;
    }
    ::Sleep(250);
  }
  std::fprintf(stderr, "no printer answered in %d s\n", seconds);
  return 1;
}

std::string WriteBannerSetting(const std::string& folder) {
  std::string path = folder + "\\banners.xml";
  TFileStream file(path, TFileStream::fmCreate);
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><setting><imgurls></imgurls>"
      "<top><width>100%</width><height>60</height><text><width>100%</width><height>100%</height>"
      "<align>center</align><value>Page ^page^ of ^pages^</value></text></top>"
      "<bottom><width>100%</width><height>40</height><text><width>100%</width><height>100%</height>"
      "<align>right</align><value>^datetime^</value></text></bottom></setting>";
  file.Write(xml.data(), xml.size());
  return path;
}


// Removes what a run made in its folder.
void RemoveMade(const std::string& folder) {
  for (const char* name : {"banners.xml", "pages.pdf", "peer.ppm"}) ::DeleteFileA((folder + "\\" + name).c_str());
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA((folder + "\\jpg\\*.jpg").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do ::DeleteFileA((folder + "\\jpg\\" + data.cFileName).c_str());
    while (::FindNextFileA(find, &data));
    ::FindClose(find);
  }
  ::RemoveDirectoryA((folder + "\\jpg").c_str());
}

int Run(int height, const std::string& folder) {
  const double mp = static_cast<double>(kWidth) * height / 1e6;
  ComApartment com;
  std::printf("height=%d width=%d megapixels=%.1f\n", height, kWidth, mp);

  // 1. The tile file, written view by view as a capture writes it (painting not timed).
  TBmpHtmlImageBuilder builder;
  std::unique_ptr<THtmlImage> capture;
  int captureTiles = 0;
  {
    const int rows = (height + kViewHeight - 1) / kViewHeight;
    TBitmap view(kWidth, kViewHeight);
    double seconds = 0;
    double t0 = Now();
    builder.BeginImage(kWidth, height);
    builder.SetTileSize(kWidth, kViewHeight);
    builder.SetTileCount(1, rows, rows);
    seconds += Now() - t0;
    for (int r = 0; r < rows; ++r) {
      PaintRows(view, r * kViewHeight);
      t0 = Now();
      RECT place{0, r * kViewHeight, kWidth, std::min(height, (r + 1) * kViewHeight)};
      builder.AddTile(0, r, r, place, view);
      seconds += Now() - t0;
    }
    FlushToDisk(builder.FileName());
    t0 = Now();
    capture = builder.GetResult();
    seconds += Now() - t0;
    Report("build_tiles", seconds, mp);
    std::printf("tile_file_bytes=%lld\n", static_cast<long long>(FileSize(builder.FileName())));
    captureTiles = rows;
  }

  // 2. Clipping margins cut a new picture of 500 x 500 tiles out of the capture.
  TBmpHtmlImageBuilder clipBuilder;
  std::unique_ptr<THtmlImage> image;
  {
    RECT clip{8, 8, kWidth - 8, height - 8};
    double t0 = Now();
    BuildHtmlImage(&clipBuilder, capture.get(), clip);
    image = clipBuilder.GetResult();
    Report("retile", Now() - t0, (clip.right - clip.left) * double(clip.bottom - clip.top) / 1e6);
    std::printf("clip_left=%ld clip_top=%ld clip_right=%ld clip_bottom=%ld retile_tile_loads=%lld capture_tiles=%d\n",
                clip.left, clip.top, clip.right, clip.bottom,
                static_cast<long long>(static_cast<TBmpHtmlImage&>(*capture).TileLoads()), captureTiles);
    capture.reset();
  }

  // 3. Layout fit to width with a header and a footer banner.
  TVantrelleDocument document;
  TPrintEngine engine(&document);
  TURLImg urls;
  {
    std::string setting = WriteBannerSetting(folder);
    double t0 = Now();
    urls.LoadList(setting);
    engine.Settings.FitMode = fitToWidth;
    engine.Settings.DateTime = NowDateTime();
    engine.Layout(image.get(), nullptr, &urls, true);
    Report("layout", Now() - t0, image->GetImageWidth() * double(image->GetImageHeight()) / 1e6);
    RECT first = document.GetPageRect(1);
    std::printf("pages=%d page_width=%d page_height=%d piece_width=%ld piece_height=%ld printer=%d\n",
                engine.GetPageCount(), engine.Geometry().PageWidth, engine.Geometry().PageHeight, first.right - first.left,
                first.bottom - first.top, engine.HasPrinter() ? 1 : 0);
  }
  const double pageMp = image->GetImageWidth() * double(image->GetImageHeight()) / 1e6;

  // 4. Every page as one PDF.
  const std::string pdf = folder + "\\pages.pdf";
  {
    double t0 = Now();
    engine.SaveAll(pdf);
    Report("pdf", Now() - t0, pageMp);
    std::printf("pdf_bytes=%lld workers=%d\n", static_cast<long long>(FileSize(pdf)), TPictureWorkers::WorkerCount());
  }

  // 5. Every page as a JPG file.
  {
    std::string jpgFolder = folder + "\\jpg";
    double t0 = Now();
    engine.SaveAll(jpgFolder + "\\page.jpg");
    Report("jpg", Now() - t0, pageMp);
    int64_t bytes = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((jpgFolder + "\\*.jpg").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do bytes += (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      while (::FindNextFileA(find, &data));
      ::FindClose(find);
    }
    std::printf("jpg_bytes=%lld\n", static_cast<long long>(bytes));
  }

  // 6. Every page at a fifth of its size, as thumbnails are drawn.
  {
    TBitmap thumb(engine.Geometry().PageWidth / 5, engine.Geometry().PageHeight / 5);
    double t0 = Now();
    for (int n = 1; n <= engine.GetPageCount(); ++n) engine.RenderPage(thumb.Canvas(), n);
    ::GdiFlush();
    Report("thumbnails", Now() - t0, pageMp);
  }
  std::printf("peak_working_set_bytes=%llu\n", static_cast<unsigned long long>(PeakWorkingSet()));

  // 7. Every page printed to the printer queue, as the preview prints them, until the document
  // is handed over (after the peak: the spooler's memory is not the pages').
  if (DeviceContext printer = TPrinter::Current().CreateDC()) {
    double t0 = Now();
    TPrintJob job(printer.get(), "Vantrelle benchmark");
    for (int n = 1; n <= engine.GetPageCount(); ++n) {
      job.StartPage();
      engine.RenderPage(printer.get(), n);
      job.EndPage();
    }
    job.Finish();
    const double seconds = Now() - t0;
    Report("print", seconds, pageMp);
    std::printf("print_pages_per_second=%.2f\n", engine.GetPageCount() / seconds);
  }

  // The PDF stage once more on one processor, and beside it the limit on the same processor:
  // the same pixels through libjpeg-turbo at quality 90, no tiles, no PDF; in bands, since a JPEG
  // image is at most 65,500 pixels high. Painting is not timed.
  PinToOneProcessor(true);
  {
    // Into a folder without the PDF, as in stage 4: replacing a large file costs the file system.
    ::DeleteFileA(pdf.c_str());
    double t0 = Now();
    engine.SaveAll(pdf);
    Report("pdf_one_worker", Now() - t0, pageMp);
  }
  image.reset();
  {
    const int band = 8000;
    TBitmap pixels(kWidth, std::min(band, height));
    TJpegEncoder encoder(90);
    double seconds = 0;
    int64_t bytes = 0;
    for (int top = 0; top < height; top += band) {
      int rows = std::min(band, height - top);
      pixels.SetSize(kWidth, rows);
      PaintRows(pixels, top);
      double t0 = Now();
      bytes += static_cast<int64_t>(encoder.Encode(pixels).size());
      seconds += Now() - t0;
    }
    Report("limit_jpeg", seconds, mp);
    std::printf("limit_jpeg_bytes=%lld\n", static_cast<long long>(bytes));
  }
  PinToOneProcessor(false);

  // The same picture for the peers (not timed, after the peak was read).
  WritePeerPicture(folder + "\\peer.ppm", height);
  FlushToDisk(folder + "\\peer.ppm");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--wait-for-printer") return WaitForPrinter(std::atoi(argv[2]));
  if (argc < 3) {
    std::fprintf(stderr, "usage: output_bench <height> <work folder> | --wait-for-printer <seconds>\n");
    return 2;
  }
  try {
    return Run(std::atoi(argv[1]), argv[2]);
  } catch (const Error& e) {
    // A picture the tile file cannot hold, or a failed write: the builders have deleted their files.
    RemoveMade(argv[2]);
    std::printf("refused=%s\n", e.what());
    return 3;
  }
}

// Output benchmark: a synthetic captured page 1,280 pixels wide goes from view-sized tiles to PDF
// and JPG pages, each stage timed on its own. One height per run, so that the peak working set
// belongs to that height alone.
//
//   output_bench <height> <work folder>
//
// Prints "key=value" lines that scripts/bench.sh gathers into a table. After the peak working set
// is read it also measures the limit (libjpeg-turbo alone on the same pixels) and writes the same
// picture as one BMP file (untimed) for the peer to cut into pages.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Bitmap.h"
#include "base/ComPtr.h"
#include "base/Stream.h"
#include "page/uHtmlImageBuilder.h"
#include "page/uJpegEncoder.h"
#include "page/uPrintEngine.h"
#include "page/uURLImg.h"

using namespace vt;

namespace {

constexpr int kWidth = 1280;
constexpr int kViewHeight = 720;

// Text-like strokes on a gradient with photo-like noise: content JPEG cannot squeeze to nothing.
void PaintRow(uint8_t* row, int y) {
  uint32_t noise = static_cast<uint32_t>(y) * 2654435761u + 12345u;
  const bool textLine = (y % 24) >= 6 && (y % 24) < 18;
  for (int x = 0; x < kWidth; ++x) {
    noise = noise * 1103515245u + 12345u;
    const int grain = static_cast<int>((noise >> 27) & 0x0F);
    uint8_t b = static_cast<uint8_t>((x * 200) / kWidth + grain);
    uint8_t g = static_cast<uint8_t>(((y / 8) & 0x7F) + 60 + grain);
    uint8_t r = static_cast<uint8_t>(180 - ((x + y) & 0x3F) + grain);
    // Glyph-like strokes: short dark runs in text lines.
    if (textLine && ((x / 3 + y / 2 + (x * 7 + y) % 11) % 9 == 0) && (x % 160) < 140) b = g = r = 20;
    row[x * 3 + 0] = b;
    row[x * 3 + 1] = g;
    row[x * 3 + 2] = r;
  }
}

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

// The picture as one bottom-up BMP file, for the peer.
void WritePeerBmp(const std::string& path, int height) {
  TFileStream file(path, TFileStream::fmCreate);
  const int stride = TBitmap::StrideFor(kWidth);
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride) * height;
  ih.biSize = sizeof(ih);
  ih.biWidth = kWidth;
  ih.biHeight = height;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biSizeImage = static_cast<DWORD>(stride) * height;
  file.Write(&fh, sizeof(fh));
  file.Write(&ih, sizeof(ih));
  std::string row(stride, '\0');
  for (int y = height - 1; y >= 0; --y) {
    PaintRow(reinterpret_cast<uint8_t*>(row.data()), y);
    file.Write(row.data(), row.size());
  }
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: output_bench <height> <work folder>\n");
    return 2;
  }
  const int height = std::atoi(argv[1]);
  const std::string folder = argv[2];
  const double mp = static_cast<double>(kWidth) * height / 1e6;
  ComApartment com;
  std::printf("height=%d width=%d megapixels=%.1f\n", height, kWidth, mp);

  // 1. The tile file, written view by view as a capture writes it (painting not timed).
  TBmpHtmlImageBuilder builder;
  std::unique_ptr<THtmlImage> capture;
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
    t0 = Now();
    capture = builder.GetResult();
    seconds += Now() - t0;
    Report("build_tiles", seconds, mp);
    std::printf("tile_file_bytes=%lld\n", static_cast<long long>(FileSize(builder.FileName())));
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
    engine.FitMode = fitToWidth;
    engine.DateTime = NowDateTime();
    engine.Layout(image.get(), nullptr, &urls, setting, true);
    Report("layout", Now() - t0, image->GetImageWidth() * double(image->GetImageHeight()) / 1e6);
    RECT first = document.GetPageRect(1);
    std::printf("pages=%d page_width=%d page_height=%d piece_width=%ld piece_height=%ld printer=%d\n",
                engine.GetPageCount(), engine.PageWidth, engine.PageHeight, first.right - first.left,
                first.bottom - first.top, engine.HasPrinter() ? 1 : 0);
  }
  const double pageMp = image->GetImageWidth() * double(image->GetImageHeight()) / 1e6;

  // 4. Every page as one PDF.
  {
    std::string pdf = folder + "\\pages.pdf";
    double t0 = Now();
    engine.SaveAll(pdf);
    Report("pdf", Now() - t0, pageMp);
    std::printf("pdf_bytes=%lld\n", static_cast<long long>(FileSize(pdf)));
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
    TBitmap thumb(engine.PageWidth / 5, engine.PageHeight / 5);
    double t0 = Now();
    for (int n = 1; n <= engine.GetPageCount(); ++n) engine.RenderPage(thumb.Canvas(), n);
    ::GdiFlush();
    Report("thumbnails", Now() - t0, pageMp);
  }
  std::printf("peak_working_set_bytes=%llu\n", static_cast<unsigned long long>(PeakWorkingSet()));
  image.reset();

  // The limit: the same pixels through libjpeg-turbo at quality 90, no tiles, no PDF; in bands,
  // since a JPEG image is at most 65,500 pixels high. Painting is not timed.
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


  // The same picture as one BMP file for the peer (not timed, after the peak was read).
  WritePeerBmp(folder + "\\peer.bmp", height);
  return 0;
}

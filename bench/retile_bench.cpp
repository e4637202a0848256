// Re-tiling benchmark for very wide pages: a synthetic capture of view-sized tiles, cut by clipping
// margins into 500 x 500 tiles, with the time and the process's peak working set.
//
//   retile_bench [width [height]]   (default 100000 x 1200)
//
// Prints "key=value" lines and the memory target, met or missed. The peak is read before
// re-tiling (the capture alone) and after it.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/Bitmap.h"
#include "base/Errors.h"
#include "page/uHtmlImageBuilder.h"

using namespace vt;

namespace {

constexpr int kViewWidth = 1280, kViewHeight = 720;
// Re-tiling keeps its working set within 64 MB and the source's row of tiles within 64 MB; the
// rest is the program, its libraries and the capture's tile.
constexpr double kTargetMb = 160;

double Now() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
  return counters.PeakWorkingSetSize / 1048576.0;
}

// A capture's tile: rows that differ, so that nothing is shared or skipped.
void PaintTile(TBitmap& tile, int left, int top) {
  for (int y = 0; y < tile.Height(); ++y) {
    uint8_t* row = tile.ScanLine(y);
    for (int x = 0; x < tile.Width(); ++x) {
      row[3 * x] = static_cast<uint8_t>(left + x);
      row[3 * x + 1] = static_cast<uint8_t>(top + y);
      row[3 * x + 2] = static_cast<uint8_t>((left + x) >> 8);
    }
  }
}

int Run(int width, int height) {
  TBmpHtmlImageBuilder builder;
  const int cols = (width + kViewWidth - 1) / kViewWidth, rows = (height + kViewHeight - 1) / kViewHeight;
  builder.BeginImage(width, height);
  builder.SetTileSize(kViewWidth, kViewHeight);
  builder.SetTileCount(cols, rows, cols * rows);
  TBitmap tile;
  for (int r = 0, index = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c, ++index) {
      const RECT place{c * kViewWidth, r * kViewHeight, std::min(width, (c + 1) * kViewWidth),
                       std::min(height, (r + 1) * kViewHeight)};
      tile.SetSize(place.right - place.left, place.bottom - place.top);
      PaintTile(tile, place.left, place.top);
      builder.AddTile(c, r, index, place, tile);
    }
  }
  std::unique_ptr<THtmlImage> capture = builder.GetResult();
  std::printf("width=%d height=%d capture_tiles=%d peak_ws_mb_capture=%.1f\n", width, height, cols * rows,
              PeakWorkingSetMb());

  TBmpHtmlImageBuilder clipBuilder;
  const RECT clip{8, 8, width - 8, height - 8};
  const double t0 = Now();
  BuildHtmlImage(&clipBuilder, capture.get(), clip);
  std::unique_ptr<THtmlImage> clipped = clipBuilder.GetResult();
  const double seconds = Now() - t0;
  const double mp = (clip.right - clip.left) * double(clip.bottom - clip.top) / 1e6;
  const double peak = PeakWorkingSetMb();
  std::printf("stage=wide_retile seconds=%.3f mpps=%.1f peak_ws_mb=%.1f retile_tile_loads=%lld result=%dx%d\n",
              seconds, mp / seconds, peak,
              static_cast<long long>(static_cast<TBmpHtmlImage&>(*capture).TileLoads()),
              clipped ? clipped->GetImageWidth() : 0, clipped ? clipped->GetImageHeight() : 0);
  std::printf("target: re-tiling a page %d pixels wide, peak working set %.1f MB (target <= %.0f MB)  %s\n", width,
              peak, kTargetMb, peak <= kTargetMb ? "met" : "MISSED");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int width = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int height = argc > 2 ? std::atoi(argv[2]) : 1200;
  if (width <= 16 || height <= 16) {
    std::fprintf(stderr, "usage: retile_bench [width [height]]   (both above 16)\n");
    return 2;
  }
  try {
    return Run(width, height);
  } catch (const Error& e) {
    std::printf("refused=%s\n", e.what());
    return 3;
  }
}

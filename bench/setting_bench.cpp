// Setting benchmark: how long hostile header/footer settings, each within the 1 MB a setting may
// download, keep the browser's thread busy: reading the setting and its image list, laying the
// pages out with both banners, and drawing one page.
//
//   setting_bench <work folder> [case ...]
//
// Prints one "case=... key=value" line per case; without case names it runs them all. `listed` is
// 1 when the setting was read, `logged` the lines the banners wrote to the log, `corner` the colour
// (0xBBGGRR) of the header's last pixel: what its images left there.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/Bitmap.h"
#include "base/ComPtr.h"
#include "base/LogSink.h"
#include "base/Stream.h"
#include "page/uHtmlImageBuilder.h"
#include "page/uPrintEngine.h"
#include "page/uURLImg.h"

using namespace vt;

namespace {

struct TCountedLog : ILogSink {
  void WriteLog(const std::string&, const std::string&) override { ++lines; }
  int lines = 0;
};

double Now() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

std::string Repeat(int count, const std::function<std::string(int)>& piece) {
  std::string s;
  for (int i = 1; i <= count; ++i) s += piece(i);
  return s;
}

// `count` image elements of the same image, each with the same placement.
std::string Images(int count, const std::string& placement) {
  return "<imgcount>" + std::to_string(count) + "</imgcount>" + Repeat(count, [&](int i) {
           const std::string name = "img" + std::to_string(i);
           return "<" + name + "><imgid>t</imgid>" + placement + "</" + name + ">";
         });
}

struct TCase {
  const char* name;
  std::string top;   // what the header section holds besides its size
  std::string size;  // the header's width and height
  std::string rootAttributes;
  int imageSide;  // the image "t" is a square of this side
};

const char* const kHugeBanner = "<width>32767</width><height>512</height>";
const char* const kRealBanner = "<width>100%</width><height>60</height>";

TCase Case(const char* name, std::string top, std::string size = kHugeBanner, std::string rootAttributes = "",
           int imageSide = 2) {
  return TCase{name, std::move(top), std::move(size), std::move(rootAttributes), imageSide};
}

std::vector<TCase> Cases() {
  const std::string text = "<text><value>Page ^page^ of ^pages^</value></text>";
  return {
      Case("real", "<imgcount>2</imgcount><img1><imgid>t</imgid><width>100</width></img1>"
                   "<img2><imgid>t</imgid><align>right</align></img2>" + text,
           kRealBanner),
      Case("tiles1500", Images(1500, "<align>background</align>")),
      Case("tiles15000", Images(15000, "<align>background</align>")),
      Case("stretch1500", Images(1500, "<width>32767</width><height>512</height>")),
      Case("huge_stretch", Images(3, "<width>2000000000</width><height>2000000000</height>"), kHugeBanner, "", 64),
      Case("big_source1500", Images(1500, "<width>1</width><height>1</height>"), kHugeBanner, "", 2048),
      Case("attributes80000", text, kRealBanner,
           Repeat(80000, [](int i) { return " a" + std::to_string(i) + "=\"\""; })),
      Case("elements200000", Repeat(200000, [](int) { return std::string("<a/>"); }) + text, kRealBanner),
      Case("depth100000", Repeat(100000, [](int) { return std::string("<a>"); }) +
                              Repeat(100000, [](int) { return std::string("</a>"); }) + text,
           kRealBanner),
      Case("texts100000", Repeat(100000, [](int) { return std::string("<text/>"); }), kRealBanner),
      Case("macros", "<text><timeformat>" + Repeat(680, [](int) { return std::string("dddddd"); }) +
                         "</timeformat><value>" + Repeat(1360, [](int) { return std::string("^datetime^"); }) +
                         "</value></text>",
           kRealBanner),
      Case("macros_c", "<text><timeformat>" + std::string(4000, 'c') + "</timeformat><value>" +
                           Repeat(400, [](int) { return std::string("^datetime^"); }) + "</value></text>",
           kRealBanner),
      Case("huge_font", "<text><font><size>1000000</size></font><value>Page ^page^</value></text>"),
  };
}

void Run(const TCase& c, const std::string& folder, THtmlImage* picture) {
  const std::string path = folder + "\\" + c.name + ".xml";
  const std::string xml = "<?xml version=\"1.0\"?><setting" + c.rootAttributes +
                          "><imgurls><t>t.gif</t></imgurls><top>" + c.size + c.top +
                          "</top><bottom><width>100%</width><height>40</height></bottom></setting>";
  {
    TFileStream file(path, TFileStream::fmCreate);
    file.Write(xml.data(), xml.size());
  }
  TCountedLog log;
  TURLImg urls(&log);
  double t0 = Now();
  const bool listed = urls.LoadList(path);
  const double parse = Now() - t0;
  if (listed && urls.Count() > 0) {
    TBitmap& bitmap = urls.GetItem(0)->Bitmap;
    bitmap.SetSize(c.imageSide, c.imageSide);
    bitmap.Fill(RGB(20, 40, 200));
  }
  TVantrelleDocument document;
  TPrintEngine engine(&document);
  engine.Settings.FitMode = fitToWidth;
  t0 = Now();
  engine.Layout(picture, nullptr, &urls, true);
  const double layout = Now() - t0;
  TBitmap page(engine.Geometry().PageWidth, engine.Geometry().PageHeight);
  t0 = Now();
  engine.RenderPage(page.Canvas(), 1);
  const double draw = Now() - t0;
  const TBitmap& header = engine.Header().Banner;
  const unsigned corner = header.Empty() ? 0 : header.Pixel(header.Width() - 1, header.Height() - 1);
  std::printf(
      "case=%s bytes=%zu listed=%d parse_s=%.3f layout_s=%.3f draw_page_s=%.3f header=%dx%d corner=%06x logged=%d\n",
      c.name, xml.size(), listed ? 1 : 0, parse, layout, draw, header.Width(), header.Height(), corner, log.lines);
  std::fflush(stdout);
  ::DeleteFileA(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: setting_bench <work folder> [case ...]\n");
    return 2;
  }
  ComApartment com;
  const std::string folder = argv[1];
  TBmpHtmlImageBuilder builder;
  TBitmap tile(800, 1000);
  tile.Fill(RGB(240, 240, 240));
  builder.BeginImage(800, 1000);
  builder.SetTileSize(800, 1000);
  builder.SetTileCount(1, 1, 1);
  builder.AddTile(0, 0, 0, RECT{0, 0, 800, 1000}, tile);
  std::unique_ptr<THtmlImage> picture = builder.GetResult();
  for (const TCase& c : Cases()) {
    bool chosen = argc == 2;
    for (int i = 2; i < argc; ++i) chosen |= c.name == std::string(argv[i]);
    if (chosen) Run(c, folder, picture.get());
  }
  return 0;
}

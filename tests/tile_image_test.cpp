// The tile image and its tile file: the file's bytes, opening, drawing pixel for pixel at several
// scales, damaged files, sharing one file, the clipboard, and when tile files are deleted (a
// process killed while it holds one, a save's file or a request's downloads included).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "base/Errors.h"
#include "base/Handles.h"
#include "base/ReplaceFile.h"
#include "base/Stream.h"
#include "base/TempFiles.h"
#include "capture/uWebUtils.h"
#include "control/uRequestDriver.h"
#include "page/uAreaEncoder.h"
#include "page/uBandReader.h"
#include "page/uHtmlImage.h"
#include "page/uHtmlImageBuilder.h"
#include "support/HttpTestServer.h"
#include "support/TestEnv.h"
#include "support/TestPictures.h"

using namespace vt;
using test::FirstMismatch;
using test::kMarker;
using test::MarkedCanvas;

namespace {

template <class T>
T Get(const std::string& bytes, size_t at) {
  T value;
  std::memcpy(&value, bytes.data() + at, sizeof(value));
  return value;
}

template <class T>
void Put(std::string& bytes, size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof(value));
}

std::string BmpBytes(const TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return std::string(s.bytes().begin(), s.bytes().end());
}

// Expected pixel of a picture drawn from `src` at scale 1.
test::PixelFunction Shifted(const test::PixelFunction& f, int dx, int dy) {
  return [=](int x, int y) { return f(x + dx, y + dy); };
}

}  // namespace

class TileFile : public ::testing::Test {
protected:
  test::PrivateTempFolder temp;
  TBmpHtmlImageBuilder builder;
  test::TempDir dir;

  // A copy of a freshly written picture's file, for spoiling; the builder's own file goes with it.
  std::string CopyOfPicture(const test::PictureShape& shape, const std::string& name) {
    auto image = test::WritePicture(builder, shape, test::Gradient);
    std::string path = dir.file(name);
    test::WriteFileBytes(path, test::ReadFileBytes(image->FileName()));
    return path;
  }
};

TEST_F(TileFile, BytesFollowTheFormat) {
  // 7 x 5 in tiles of 3 x 3: three columns, two rows, the last column 1 wide, the last row 2 high.
  auto image = test::WritePicture(builder, {7, 5, 3, 3}, test::Gradient);
  ASSERT_TRUE(image);
  const std::string bytes = test::ReadFileBytes(image->FileName());
  ASSERT_GE(bytes.size(), 57u);
  EXPECT_EQ(bytes.substr(0, 5), "KELPF");
  // Version 1.0, a zero field, the picture's and a tile's size, columns and rows.
  const std::vector<int64_t> header{Get<uint16_t>(bytes, 5),  Get<uint16_t>(bytes, 7),  Get<uint32_t>(bytes, 9),
                                    Get<int32_t>(bytes, 13),  Get<int32_t>(bytes, 17),  Get<int32_t>(bytes, 21),
                                    Get<int32_t>(bytes, 25),  Get<uint16_t>(bytes, 29), Get<uint16_t>(bytes, 31)};
  EXPECT_EQ(header, (std::vector<int64_t>{1, 0, 0, 7, 5, 3, 3, 3, 2}));
  // Offsets row-major; each tile a whole BMP file right after the one before.
  uint32_t expectedOffset = 33 + 4 * 6;
  for (int index = 0; index < 6; ++index) {
    const int c = index % 3, r = index / 3;
    TBitmap tile(c == 2 ? 1 : 3, r == 1 ? 2 : 3);
    for (int y = 0; y < tile.Height(); ++y)
      for (int x = 0; x < tile.Width(); ++x) tile.SetPixel(x, y, test::Gradient(c * 3 + x, r * 3 + y));
    const std::string bmp = BmpBytes(tile);
    ASSERT_EQ(Get<uint32_t>(bytes, 33 + 4 * index), expectedOffset) << index;
    EXPECT_EQ(bytes.substr(expectedOffset, bmp.size()), bmp) << index;
    expectedOffset += static_cast<uint32_t>(bmp.size());
  }
  EXPECT_EQ(bytes.size(), expectedOffset);
  EXPECT_EQ(image->GetImageWidth(), 7);
  EXPECT_EQ(image->GetImageHeight(), 5);
  EXPECT_EQ(image->TileCount(), 6);
}

TEST_F(TileFile, LastIndexClosesTheFileAndLaterTilesAreIgnored) {
  builder.BeginImage(4, 4);
  builder.SetTileSize(2, 2);
  builder.SetTileCount(2, 2, 4);
  TBitmap tile(2, 2);
  tile.Fill(RGB(10, 20, 30));
  builder.AddTile(0, 0, 0, RECT{0, 0, 2, 2}, tile);
  EXPECT_TRUE(builder.Writing());
  // Before the last tile the file is still being written: an image cannot open it yet.
  auto early = builder.GetResult();
  ASSERT_TRUE(early);
  EXPECT_TRUE(early->GetEmpty());
  builder.AddTile(1, 1, 3, RECT{2, 2, 4, 4}, tile);
  EXPECT_FALSE(builder.Writing());
  const auto size = test::ReadFileBytes(builder.FileName()).size();
  builder.AddTile(1, 0, 1, RECT{2, 0, 4, 2}, tile);
  EXPECT_EQ(test::ReadFileBytes(builder.FileName()).size(), size);

  // A file that lacks tiles cannot hold what its header claims: it is refused as damaged.
  auto image = builder.GetResult();
  ASSERT_TRUE(image);
  EXPECT_TRUE(image->GetEmpty());
}

TEST_F(TileFile, OpenResults) {
  const std::string good = CopyOfPicture({20, 10, 8, 8}, "good.tiles");
  TBmpHtmlImage image;
  EXPECT_EQ(image.OpenTileFile(good), TBmpHtmlImage::otOpened);
  EXPECT_EQ(image.GetImageWidth(), 20);
  EXPECT_EQ(image.FileName(), good);
  EXPECT_FALSE(image.GetTile(image.TileCount()));
  EXPECT_FALSE(image.GetTile(-1));

  auto expectOpen = [&](const std::string& bytes, uint8_t result, const std::string& what) {
    std::string path = dir.file("spoilt.tiles");
    test::WriteFileBytes(path, bytes);
    TBmpHtmlImage spoilt;
    ASSERT_EQ(spoilt.OpenTileFile(good), TBmpHtmlImage::otOpened);
    EXPECT_EQ(spoilt.OpenTileFile(path), result) << what;
    EXPECT_EQ(spoilt.GetImageWidth(), 0) << what;  // nothing left from the good file
    EXPECT_EQ(spoilt.GetImageHeight(), 0) << what;
    EXPECT_TRUE(spoilt.GetEmpty()) << what;
    EXPECT_FALSE(spoilt.GetTile(0)) << what;
    auto canvas = MarkedCanvas(30, 20);
    EXPECT_EQ(spoilt.DrawRect(canvas->Canvas(), RECT{0, 0, 20, 10}, RECT{0, 0, 20, 10}), 0u) << what;
    EXPECT_EQ(FirstMismatch(*canvas, RECT{0, 0, 30, 20}, [](int, int) { return kMarker; }), "") << what;
  };
  const std::string bytes = test::ReadFileBytes(good);
  for (int i = 0; i < 5; ++i) {
    std::string b = bytes;
    b[i] = static_cast<char>(b[i] ^ 0x20);  // KELPF -> kELPF, KeLPF ...
    expectOpen(b, TBmpHtmlImage::otBadSignature, "signature byte " + std::to_string(i));
  }
  expectOpen("KEL", TBmpHtmlImage::otBadSignature, "three bytes");
  expectOpen("", TBmpHtmlImage::otBadSignature, "empty file");
  for (auto versions : {std::pair<uint16_t, uint16_t>{1, 1}, {2, 0}, {0, 0}}) {
    std::string b = bytes;
    Put<uint16_t>(b, 5, versions.first);
    Put<uint16_t>(b, 7, versions.second);
    expectOpen(b, TBmpHtmlImage::otBadVersion, "versions");
  }
  // Headers that do not fit their file: each would make a walk over the tiles cost far more than
  // the file holds, or read tiles that are not the picture's.
  struct Spoilt {
    const char* what;
    std::vector<std::pair<size_t, int32_t>> fields;  // offset, value (16-bit at 29 and 31)
    size_t keep;                                      // bytes kept of the file
  };
  const Spoilt spoilt[] = {
      {"header cut short", {}, 20},
      {"table cut short", {}, 40},
      {"65535 x 65535 tiles", {{29, 0xFFFF}, {31, 0xFFFF}}, bytes.size()},
      {"negative width", {{13, -20}}, bytes.size()},
      {"tile width 0", {{21, 0}}, bytes.size()},
      {"absurd tile size", {{21, 100000}, {25, 100000}}, bytes.size()},
      {"width past its columns", {{13, 25}}, bytes.size()},
      {"height past its rows", {{17, 17}}, bytes.size()},
      {"columns past the width", {{13, 12}}, bytes.size()},
      {"tiles where the picture is empty", {{13, 0}}, bytes.size()},
      {"more 1 x 1 tiles than the file holds", {{21, 1}, {25, 1}, {29, 20}, {31, 10}}, bytes.size()},
  };
  for (const Spoilt& c : spoilt) {
    std::string b = bytes.substr(0, c.keep);
    for (auto [at, value] : c.fields) {
      if (at >= 29) Put<uint16_t>(b, at, static_cast<uint16_t>(value));
      else Put<int32_t>(b, at, value);
    }
    expectOpen(b, TBmpHtmlImage::otDamaged, c.what);
  }

  TBmpHtmlImage missing;
  EXPECT_EQ(missing.OpenTileFile(dir.file("none.tiles")), TBmpHtmlImage::otCannotOpen);
  EXPECT_TRUE(missing.GetEmpty());
  // A file someone is writing is not opened.
  std::string busy = dir.file("busy.tiles");
  test::WriteFileBytes(busy, bytes);
  {
    TFileStream writer(busy, TFileStream::fmOpenReadWrite);
    TBmpHtmlImage reader;
    EXPECT_EQ(reader.OpenTileFile(busy), TBmpHtmlImage::otCannotOpen);
  }
  TBmpHtmlImage reader;
  EXPECT_EQ(reader.OpenTileFile(busy), TBmpHtmlImage::otOpened);
}

TEST_F(TileFile, DamagedTilesAreSkippedAndTheRestDrawn) {
  // 2 x 2 tiles of 10 x 10.
  const std::string good = CopyOfPicture({20, 20, 10, 10}, "good.tiles");
  const std::string bytes = test::ReadFileBytes(good);
  const uint32_t tile3 = Get<uint32_t>(bytes, 33 + 12);
  struct Case {
    const char* what;
    std::function<void(std::string&)> spoil;
    std::vector<int> lost;  // tiles that must not be drawn
  };
  const Case cases[] = {
      {"offset past the end", [](std::string& b) { Put<uint32_t>(b, 33 + 4, 0xFFFFFF00u); }, {1}},
      {"offset into the header", [](std::string& b) { Put<uint32_t>(b, 33 + 4, 10); }, {1}},
      {"offset into the table", [](std::string& b) { Put<uint32_t>(b, 33, 36); }, {0}},
      {"offset 0", [](std::string& b) { Put<uint32_t>(b, 33 + 8, 0); }, {2}},
      {"BMP signature", [&](std::string& b) { b[tile3] = 'X'; }, {3}},
      {"huge BMP in a small file",
       [&](std::string& b) { Put<int32_t>(b, tile3 + 18, 8000); Put<int32_t>(b, tile3 + 22, 8000); }, {3}},
      {"BMP larger than a tile", [&](std::string& b) { Put<int32_t>(b, tile3 + 22, 11); }, {3}},
      {"32-bit BMP", [&](std::string& b) { Put<uint16_t>(b, tile3 + 28, 32); }, {3}},
      {"file cut in the last tile", [&](std::string& b) { b.resize(b.size() - 10); }, {3}},
  };
  for (const Case& c : cases) {
    std::string b = bytes;
    c.spoil(b);
    std::string path = dir.file("spoilt.tiles");
    test::WriteFileBytes(path, b);
    TBmpHtmlImage image;
    image.OpenTileFile(path);
    auto canvas = MarkedCanvas(20, 20), copy = MarkedCanvas(20, 20);
    EXPECT_EQ(image.DrawRect(canvas->Canvas(), RECT{0, 0, 20, 20}, RECT{0, 0, 20, 20}), 0u) << c.what;
    image.CopyRect(*copy, 0, 0, RECT{0, 0, 20, 20});
    for (int index = 0; index < 4; ++index) {
      const bool lost = std::find(c.lost.begin(), c.lost.end(), index) != c.lost.end();
      const RECT area{index % 2 * 10, index / 2 * 10, index % 2 * 10 + 10, index / 2 * 10 + 10};
      EXPECT_EQ(image.GetTile(index) == nullptr, lost) << c.what << " tile " << index;
      auto expected = lost ? test::PixelFunction([](int, int) { return kMarker; })
                           : Shifted(test::Gradient, area.left, area.top);
      EXPECT_EQ(FirstMismatch(*canvas, area, expected), "") << c.what << " tile " << index;
      // Copied for JPG and PDF output, a lost tile reads white.
      auto copied = lost ? test::PixelFunction([](int, int) { return RGB(255, 255, 255); }) : expected;
      EXPECT_EQ(FirstMismatch(*copy, area, copied), "") << c.what << " tile " << index;
    }
  }
}

TEST_F(TileFile, TilesSmallerThanTheirPlacesGiveWhatTheyHold) {
  // As a capture writes a picture whose views at (0, 1) and (1, 1) failed to draw: those places get
  // the narrow tile of the last column again, and the file stores far fewer pixels than the
  // picture has. Besides, one tile lower than its place.
  builder.BeginImage(1250, 1000);
  builder.SetTileSize(500, 500);
  builder.SetTileCount(3, 2, 6);
  TBitmap full(500, 500), narrow(250, 500), low(500, 120);
  full.Fill(RGB(1, 1, 1));
  narrow.Fill(RGB(2, 2, 2));
  low.Fill(RGB(3, 3, 3));
  const TBitmap* tiles[] = {&full, &low, &narrow, &narrow, &narrow, &narrow};
  for (int i = 0; i < 6; ++i) builder.AddTile(i % 3, i / 3, i, RECT{}, *tiles[i]);
  auto image = builder.GetResult();
  ASSERT_EQ(image->GetImageWidth(), 1250);
  auto canvas = MarkedCanvas(1250, 1000), copy = MarkedCanvas(1250, 1000);
  EXPECT_EQ(image->DrawRect(canvas->Canvas(), RECT{0, 0, 1250, 1000}, RECT{0, 0, 1250, 1000}), 0u);
  image->CopyRect(*copy, 0, 0, RECT{0, 0, 1250, 1000});
  for (auto [drawn, rest] : {std::pair{canvas.get(), kMarker}, {copy.get(), RGB(255, 255, 255)}})
    EXPECT_EQ(FirstMismatch(*drawn, RECT{0, 0, 1250, 1000},
                            [&, rest = rest](int x, int y) {
                              const TBitmap& tile = *tiles[y / 500 * 3 + x / 500];
                              if (x % 500 >= tile.Width() || y % 500 >= tile.Height()) return rest;
                              return tile.Pixel(0, 0);
                            }),
              "");
}

class TileDrawing : public ::testing::Test {
protected:
  test::PrivateTempFolder temp;
  TBmpHtmlImageBuilder builder;
};
using TileFileLifetime = TileDrawing;
using TileFileBuilder = TileDrawing;

TEST_F(TileDrawing, ScaleOneGivesTheSourcePixelForPixel) {
  for (bool fullEdgeTiles : {false, true}) {
    auto image = test::WritePicture(builder, {1201, 907, 173, 131, fullEdgeTiles}, test::Gradient);
    ASSERT_EQ(image->Cols(), 7);
    ASSERT_EQ(image->Rows(), 7);
    const RECT sources[] = {
        {0, 0, 1201, 907},     // all of it
        {100, 50, 700, 600},   // across tile edges
        {173, 131, 346, 262},  // exactly one tile: the range touches the next column and row
        {5, 5, 6, 6},          // one pixel
        {1000, 800, 1201, 907},  // the narrow last column and low last row
        {172, 130, 174, 132},  // four tiles meeting
    };
    for (const RECT& src : sources) {
      const int w = src.right - src.left, h = src.bottom - src.top;
      auto canvas = MarkedCanvas(w + 10, h + 10);
      const RECT dst{3, 4, 3 + w, 4 + h};
      ASSERT_EQ(image->DrawRect(canvas->Canvas(), dst, src), 0u);
      // The copy that JPG and PDF output read through gives the same pixels.
      auto copy = MarkedCanvas(w + 10, h + 10);
      image->CopyRect(*copy, 3, 4, src);
      for (const auto& drawn : {canvas.get(), copy.get()}) {
        EXPECT_EQ(FirstMismatch(*drawn, dst, Shifted(test::Gradient, src.left, src.top)), "")
            << src.left << "," << src.top << " full edge tiles " << fullEdgeTiles;
        // Nothing outside the destination.
        EXPECT_EQ(FirstMismatch(*drawn, RECT{0, 0, w + 10, 4}, [](int, int) { return kMarker; }), "");
        EXPECT_EQ(FirstMismatch(*drawn, RECT{3 + w, 0, w + 10, h + 10}, [](int, int) { return kMarker; }), "");
      }
    }
  }
}

TEST_F(TileDrawing, HalfScaleGivesEveryBlockOnce) {
  auto image = test::WritePicture(builder, {1200, 900, 200, 150}, test::Blocks);
  auto canvas = MarkedCanvas(600, 450);
  ASSERT_EQ(image->DrawRect(canvas->Canvas(), RECT{0, 0, 600, 450}, RECT{0, 0, 1200, 900}), 0u);
  EXPECT_EQ(FirstMismatch(*canvas, RECT{0, 0, 600, 450}, [](int x, int y) { return test::Blocks(2 * x, 2 * y); }), "");

  auto part = MarkedCanvas(400, 300);
  ASSERT_EQ(image->DrawRect(part->Canvas(), RECT{0, 0, 400, 300}, RECT{200, 150, 1000, 750}), 0u);
  EXPECT_EQ(FirstMismatch(*part, RECT{0, 0, 400, 300},
                          [](int x, int y) { return test::Blocks(200 + 2 * x, 150 + 2 * y); }),
            "");
}

TEST_F(TileDrawing, DestinationEdgesRoundHalvesToEvenAndMeetWithoutGaps) {
  // Tiles 167 wide, each one colour: at half size the edges fall on 83.5, 250.5 and 417.5.
  auto tileColour = [](int c) { return RGB(40 * c, 255 - 30 * c, 7 * c); };
  auto image = test::WritePicture(builder, {1002, 10, 167, 10}, [&](int x, int) { return tileColour(x / 167); });
  auto canvas = MarkedCanvas(501, 5);
  ASSERT_EQ(image->DrawRect(canvas->Canvas(), RECT{0, 0, 501, 5}, RECT{0, 0, 1002, 10}), 0u);
  const int edges[] = {0, 84, 167, 250, 334, 418, 501};
  EXPECT_EQ(FirstMismatch(*canvas, RECT{0, 0, 501, 5},
                          [&](int x, int) {
                            int c = 0;
                            while (x >= edges[c + 1]) ++c;
                            return tileColour(c);
                          }),
            "");
  // Twice the size: every edge doubles exactly.
  auto big = MarkedCanvas(2004, 20);
  ASSERT_EQ(image->DrawRect(big->Canvas(), RECT{0, 0, 2004, 20}, RECT{0, 0, 1002, 10}), 0u);
  EXPECT_EQ(FirstMismatch(*big, RECT{0, 0, 2004, 20}, [&](int x, int) { return tileColour(x / 334); }), "");
}

TEST_F(TileDrawing, EmptyAndOutsideSourcesDrawNothingWrong) {
  auto image = test::WritePicture(builder, {1201, 907, 500, 500}, test::Gradient);
  auto canvas = MarkedCanvas(400, 200);
  EXPECT_EQ(image->DrawRect(canvas->Canvas(), RECT{0, 0, 400, 200}, RECT{10, 10, 10, 300}), 0u);
  EXPECT_EQ(image->DrawRect(canvas->Canvas(), RECT{0, 0, 400, 200}, RECT{10, 10, 300, 10}), 0u);
  EXPECT_EQ(FirstMismatch(*canvas, RECT{0, 0, 400, 200}, [](int, int) { return kMarker; }), "");
  // Past the right edge: the picture up to it, nothing beyond (no tile of the next row).
  auto wide = MarkedCanvas(500, 200);
  ASSERT_EQ(image->DrawRect(wide->Canvas(), RECT{0, 0, 500, 200}, RECT{1101, 0, 1601, 200}), 0u);
  EXPECT_EQ(FirstMismatch(*wide, RECT{0, 0, 100, 200}, Shifted(test::Gradient, 1101, 0)), "");
  EXPECT_EQ(FirstMismatch(*wide, RECT{100, 0, 500, 200}, [](int, int) { return kMarker; }), "");
}

TEST_F(TileDrawing, HalftoneOnDisplayContextsOnly) {
  auto image = test::WritePicture(builder, {50, 50, 20, 20}, test::Gradient);
  auto canvas = MarkedCanvas(50, 50);
  ::SetStretchBltMode(canvas->Canvas(), COLORONCOLOR);
  image->DrawRect(canvas->Canvas(), RECT{0, 0, 25, 25}, RECT{0, 0, 50, 50});
  EXPECT_EQ(::GetStretchBltMode(canvas->Canvas()), HALFTONE);

  // A context of another technology keeps its mode.
  HDC metafile = ::CreateMetaFileA(nullptr);
  ASSERT_TRUE(metafile);
  ASSERT_NE(::GetDeviceCaps(metafile, TECHNOLOGY), DT_RASDISPLAY);
  ::SetStretchBltMode(metafile, COLORONCOLOR);
  image->DrawRect(metafile, RECT{0, 0, 25, 25}, RECT{0, 0, 50, 50});
  HMETAFILE recorded = ::CloseMetaFile(metafile);
  ASSERT_TRUE(recorded);
  // Played back, the recording holds the caller's mode and no HALFTONE.
  UINT size = ::GetMetaFileBitsEx(recorded, 0, nullptr);
  std::string records(size, '\0');
  ::GetMetaFileBitsEx(recorded, size, records.data());
  ::DeleteMetaFile(recorded);
  int modes = 0;
  for (size_t at = 18; at + 6 <= records.size();) {  // 18-byte header, then records
    const uint32_t words = Get<uint32_t>(records, at);
    const uint16_t function = Get<uint16_t>(records, at + 4);
    if (function == 0x0107) {  // META_SETSTRETCHBLTMODE
      EXPECT_EQ(Get<uint16_t>(records, at + 6), COLORONCOLOR);
      ++modes;
    }
    if (words < 3) break;
    at += 2 * static_cast<size_t>(words);
  }
  EXPECT_EQ(modes, 1);
}

TEST_F(TileDrawing, AFailedStretchCopyReportsItsError) {
  auto image = test::WritePicture(builder, {50, 50, 20, 20}, test::Gradient);
  HDC gone = ::CreateCompatibleDC(nullptr);
  ::DeleteDC(gone);
  EXPECT_NE(image->DrawRect(gone, RECT{0, 0, 50, 50}, RECT{0, 0, 50, 50}), 0u);
}

TEST_F(TileDrawing, DrawTakesTheClipDividedByTheScale) {
  auto image = test::WritePicture(builder, {1200, 900, 200, 150}, test::Blocks);
  auto canvas = MarkedCanvas(600, 450);
  image->SetScale(0.5f);
  image->Draw(canvas->Canvas(), RECT{0, 0, 600, 450});
  EXPECT_EQ(FirstMismatch(*canvas, RECT{0, 0, 600, 450}, [](int x, int y) { return test::Blocks(2 * x, 2 * y); }), "");

  // A clip region limits both the destination and the source.
  auto clipped = MarkedCanvas(600, 450);
  RegionHandle region(::CreateRectRgn(100, 50, 300, 250));
  ::SelectClipRgn(clipped->Canvas(), region.get());
  image->Draw(clipped->Canvas(), RECT{0, 0, 600, 450});
  ::SelectClipRgn(clipped->Canvas(), nullptr);
  EXPECT_EQ(FirstMismatch(*clipped, RECT{100, 50, 300, 250},
                          [](int x, int y) { return test::Blocks(200 + 2 * x, 100 + 2 * y); }),
            "");
  EXPECT_EQ(FirstMismatch(*clipped, RECT{0, 0, 600, 50}, [](int, int) { return kMarker; }), "");

  // Without a scale the picture is drawn as it is.
  TBmpHtmlImage unscaled;
  unscaled.Assign(*image);
  auto full = MarkedCanvas(300, 200);
  unscaled.Draw(full->Canvas(), RECT{0, 0, 300, 200});
  EXPECT_EQ(FirstMismatch(*full, RECT{0, 0, 300, 200}, test::Blocks), "");
}

TEST_F(TileDrawing, TwoImagesOnOneFileDrawIndependently) {
  auto first = test::WritePicture(builder, {1201, 907, 173, 131}, test::Gradient);
  TBmpHtmlImage second;
  second.Assign(*first);
  TBmpHtmlImage third;
  EXPECT_EQ(third.OpenTileFile(first->FileName()), TBmpHtmlImage::otOpened);

  // Interleaved reads: each image keeps its own position and cached tile.
  const TBitmap* a = first->GetTile(0);
  ASSERT_TRUE(a);
  ASSERT_TRUE(second.GetTile(48));
  EXPECT_EQ(a->Pixel(3, 4), test::Gradient(3, 4));
  for (int round = 0; round < 3; ++round) {
    auto c1 = MarkedCanvas(300, 300), c2 = MarkedCanvas(300, 300), c3 = MarkedCanvas(300, 300);
    first->DrawRect(c1->Canvas(), RECT{0, 0, 300, 300}, RECT{0, 0, 300, 300});
    second.DrawRect(c2->Canvas(), RECT{0, 0, 300, 300}, RECT{900, 600, 1200, 900});
    third.DrawRect(c3->Canvas(), RECT{0, 0, 300, 300}, RECT{400, 300, 700, 600});
    EXPECT_EQ(FirstMismatch(*c1, RECT{0, 0, 300, 300}, test::Gradient), "");
    EXPECT_EQ(FirstMismatch(*c2, RECT{0, 0, 300, 300}, Shifted(test::Gradient, 900, 600)), "");
    EXPECT_EQ(FirstMismatch(*c3, RECT{0, 0, 300, 300}, Shifted(test::Gradient, 400, 300)), "");
  }
}

TEST_F(TileDrawing, EveryWalkDownThePictureReadsEachTileOnce) {
  auto image = test::WritePicture(builder, {1201, 2907, 173, 131, true}, test::Gradient);  // 7 x 23 tiles
  const RECT all = image->GetImageRect();
  TBmpHtmlImageBuilder cuts;
  const std::pair<const char*, std::function<void(TBmpHtmlImage&)>> walks[] = {
      {"draw at half size",
       [&](TBmpHtmlImage& i) { i.DrawRect(MarkedCanvas(601, 1454)->Canvas(), RECT{0, 0, 601, 1454}, all); }},
      {"bands of 100 rows",
       [&](TBmpHtmlImage& i) {
         TBandReader rows(i, all, 100);
         for (int y = 0; y < rows.Height(); y += 100) rows.Band(y);
       }},
      {"JPEG of the whole", [&](TBmpHtmlImage& i) { EncodeArea(i, all, 90); }},
      {"clipboard", [&](TBmpHtmlImage& i) { i.SaveToClipboardFormat(); }},
      {"re-tiling with margins", [&](TBmpHtmlImage& i) { BuildHtmlImage(&cuts, &i, RECT{8, 8, 1193, 2899}); }},
  };
  for (const auto& [what, walk] : walks) {
    TBmpHtmlImage reader;
    reader.Assign(*image);
    walk(reader);
    EXPECT_EQ(reader.TileLoads(), image->TileCount()) << what;
  }
}

TEST_F(TileDrawing, ClipboardGetsTheWholePicture) {
  auto image = test::WritePicture(builder, {1201, 907, 173, 131}, test::Gradient);
  image->SaveToClipboardFormat();
  ASSERT_TRUE(::OpenClipboard(nullptr));
  HANDLE data = ::GetClipboardData(CF_DIB);
  ASSERT_TRUE(data);
  auto* info = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(data));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->biWidth, 1201);
  EXPECT_EQ(info->biHeight, 907);
  EXPECT_EQ(info->biBitCount, 24);
  const auto* pixels = reinterpret_cast<const uint8_t*>(info) + info->biSize;
  const int stride = TBitmap::StrideFor(1201);
  std::string mismatch;
  for (int y = 0; y < 907 && mismatch.empty(); ++y)
    for (int x = 0; x < 1201; ++x) {
      const uint8_t* p = pixels + (906 - y) * stride + 3 * x;
      if (RGB(p[2], p[1], p[0]) != test::Gradient(x, y)) {
        mismatch = std::to_string(x) + "," + std::to_string(y);
        break;
      }
    }
  ::GlobalUnlock(data);
  ::CloseClipboard();
  EXPECT_EQ(mismatch, "");

  // A small file claiming a picture of 10,000 x 6,000 in one tile opens, but gets no buffer of
  // that size.
  std::string bytes = test::ReadFileBytes(image->FileName());
  for (auto [at, value] : {std::pair{13, 10000}, {17, 6000}, {21, 10000}, {25, 6000}}) Put<int32_t>(bytes, at, value);
  for (size_t at : {29, 31}) Put<uint16_t>(bytes, at, 1);
  test::TempDir dir;
  test::WriteFileBytes(dir.file("claims.tiles"), bytes);
  TBmpHtmlImage claims;
  ASSERT_EQ(claims.OpenTileFile(dir.file("claims.tiles")), TBmpHtmlImage::otOpened);
  EXPECT_THROW(claims.SaveToClipboardFormat(), Error);
}

TEST_F(TileFileLifetime, TheLastImageReadingATemporaryFileDeletesIt) {
  auto first = test::WritePicture(builder, {30, 30, 10, 10}, test::Gradient);
  const std::string path = first->FileName();
  auto second = std::make_unique<TBmpHtmlImage>();
  second->Assign(*first);
  builder.BeginImage(5, 5);  // the builder moves on; the images keep the file
  EXPECT_TRUE(test::FileExists(path));
  first.reset();
  EXPECT_TRUE(test::FileExists(path));
  auto canvas = MarkedCanvas(30, 30);
  second->DrawRect(canvas->Canvas(), RECT{0, 0, 30, 30}, RECT{0, 0, 30, 30});
  EXPECT_EQ(FirstMismatch(*canvas, RECT{0, 0, 30, 30}, test::Gradient), "");
  second.reset();
  EXPECT_FALSE(test::FileExists(path));
  EXPECT_EQ(temp.FileCount(), 1);  // the builder's new picture only
}

TEST_F(TileFileLifetime, ATakenPictureGoesWithItsImagesWhileTheBuilderLives) {
  auto first = test::WritePicture(builder, {30, 30, 10, 10}, test::Gradient);
  auto again = builder.GetResult();  // a second image of the same picture
  ASSERT_TRUE(again);
  first.reset();
  EXPECT_TRUE(test::FileExists(builder.FileName()));
  auto canvas = MarkedCanvas(30, 30);
  again->DrawRect(canvas->Canvas(), RECT{0, 0, 30, 30}, RECT{0, 0, 30, 30});
  EXPECT_EQ(FirstMismatch(*canvas, RECT{0, 0, 30, 30}, test::Gradient), "");
  again.reset();
  EXPECT_FALSE(test::FileExists(builder.FileName()));
  EXPECT_FALSE(builder.GetResult());
  EXPECT_EQ(temp.FileCount(), 0);
}

TEST_F(TileFileLifetime, AbandonedPicturesAreDeleted) {
  auto own = std::make_unique<TBmpHtmlImageBuilder>();
  // Half written, then a new picture begins.
  own->BeginImage(20, 20);
  own->SetTileSize(10, 10);
  own->SetTileCount(2, 2, 4);
  TBitmap tile(10, 10);
  own->AddTile(0, 0, 0, RECT{0, 0, 10, 10}, tile);
  const std::string halfWritten = own->FileName();
  ASSERT_TRUE(test::FileExists(halfWritten));
  // Finished, but nobody took the result.
  auto unused = test::WritePicture(*own, {10, 10, 10, 10}, test::Gradient);
  const std::string finished = unused->FileName();
  EXPECT_FALSE(test::FileExists(halfWritten));
  unused.reset();
  own->BeginImage(10, 10);
  EXPECT_FALSE(test::FileExists(finished));
  // Destroyed while writing.
  const std::string lastOne = own->FileName();
  EXPECT_TRUE(test::FileExists(lastOne));
  own.reset();
  EXPECT_FALSE(test::FileExists(lastOne));
  EXPECT_EQ(temp.FileCount(), 0);
}

namespace {

// Each writer runs in a process of its own, started by the test below, and waits there to be
// killed once it holds its file.
void WaitToBeKilled() {
  ::CreateDirectoryA((GetTempFolder() + "\\ready").c_str(), nullptr);
  ::Sleep(INFINITE);
}

}  // namespace

TEST(KilledWriter, DISABLED_HoldsAPicture) {  // a preview is open
  TBmpHtmlImageBuilder builder;
  auto image = test::WritePicture(builder, {30, 30, 10, 10}, test::Gradient);
  WaitToBeKilled();
}

TEST(KilledWriter, DISABLED_WritesAPicture) {  // a capture is under way
  TBmpHtmlImageBuilder builder;
  builder.BeginImage(20, 20);
  builder.SetTileSize(10, 10);
  builder.SetTileCount(2, 2, 4);
  builder.AddTile(0, 0, 0, RECT{0, 0, 10, 10}, TBitmap(10, 10));
  WaitToBeKilled();
}

TEST(KilledWriter, DISABLED_WritesASave) {
  TReplaceFile target(GetTempFolder() + "\\saved.pdf");
  target.File().Write("%PDF-1.4", 8);
  WaitToBeKilled();
}

TEST(KilledWriter, DISABLED_HoldsDownloads) {  // a preview shows a downloaded header/footer
  test::HttpTestServer server;
  server.Set("/setting.xml", {200, "<setting/>"});
  TRequest request("");
  for (int i = 0; i < 2; ++i) {  // the setting and an image
    request.downloadedFiles.emplace_back(GetTempFile("", "").value_or(""));
    ASSERT_TRUE(DownloadURLToFile(server.Url("/setting.xml"), request.downloadedFiles.back().get(), 100).ok);
  }
  WaitToBeKilled();
}

TEST_F(TileFileLifetime, AProcessKilledWhileItHoldsItsFilesLeavesNone) {
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string ready = temp.path() + "\\ready", saved = temp.path() + "\\saved.pdf";
  test::WriteFileBytes(saved, "earlier");
  const std::pair<const char*, int> writers[] = {
      {"HoldsAPicture", 1}, {"WritesAPicture", 1}, {"WritesASave", 1}, {"HoldsDownloads", 2}};
  for (const auto& [writer, files] : writers) {
    std::string command = "\"" + std::string(self) +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=KilledWriter.DISABLED_" + writer;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const int before = temp.FileCount();
    ASSERT_TRUE(::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    const Handle process(pi.hProcess), thread(pi.hThread);
    for (int waits = 0; waits < 3000 && !test::FileExists(ready); ++waits)
      if (::WaitForSingleObject(process.get(), 10) != WAIT_TIMEOUT) break;  // it ended on its own
    const int held = temp.FileCount();
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), INFINITE);
    ASSERT_TRUE(::RemoveDirectoryA(ready.c_str())) << writer << " never held its file";
    EXPECT_EQ(held, before + files) << writer;
    EXPECT_EQ(temp.FileCount(), before) << writer << " left its file";
  }
  EXPECT_EQ(test::ReadFileBytes(saved), "earlier");  // the save's own name keeps its earlier file
}

TEST_F(TileFileLifetime, AFileTheImageDidNotMakeIsKept) {
  test::TempDir dir;
  auto made = test::WritePicture(builder, {10, 10, 10, 10}, test::Gradient);
  const std::string path = dir.file("kept.tiles");
  test::WriteFileBytes(path, test::ReadFileBytes(made->FileName()));
  {
    TBmpHtmlImage image;
    ASSERT_EQ(image.OpenTileFile(path), TBmpHtmlImage::otOpened);
  }
  EXPECT_TRUE(test::FileExists(path));
}

TEST_F(TileFileBuilder, AnEmptyPictureIsCompleteAtOnce) {
  builder.BeginImage(0, 700);
  builder.SetTileSize(500, 500);
  builder.SetTileCount(0, 2, 0);
  EXPECT_FALSE(builder.Writing());
  auto image = builder.GetResult();
  ASSERT_TRUE(image);
  EXPECT_EQ(static_cast<TBmpHtmlImage*>(image.get())->TileCount(), 0);
  EXPECT_TRUE(image->GetEmpty());
  EXPECT_EQ(image->GetImageHeight(), 700);
}

TEST_F(TileFileBuilder, PicturesTheFormatCannotHoldAreRefusedBeforeAByteIsWritten) {
  EXPECT_FALSE(builder.GetResult());  // nothing begun
  builder.SetTileSize(1, 1);          // nothing begun: nothing happens
  struct Case {
    int width, height, tileWidth, tileHeight, cols, rows;
    const char* says;
  };
  const Case cases[] = {
      {100000, 10, 1, 1, 100000, 10, "does not fit"},          // more than 65,535 tiles a side
      {100, 10, 1, 1, -1, 10, "does not fit"},
      {1280, 1200000, 1280, 720, 1, 1667, "too large"},        // 4.6 GB of tiles
      {65535 * 16, 65535 * 16, 16, 16, 65535, 65535, "too large"},  // the table alone passes 4 GB
      {10, 10, 0, 10, 1, 1, "cannot be stored"},
  };
  for (const Case& c : cases) {
    builder.BeginImage(c.width, c.height);
    builder.SetTileSize(c.tileWidth, c.tileHeight);
    try {
      builder.SetTileCount(c.cols, c.rows, c.cols * c.rows);
      ADD_FAILURE() << "not refused: " << c.width << " x " << c.height;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
    EXPECT_FALSE(builder.Writing());
    EXPECT_FALSE(builder.GetResult());
    EXPECT_EQ(temp.FileCount(), 0) << c.width << " x " << c.height;
  }
  // Just under the limit is begun as any other picture.
  builder.BeginImage(1280, 1100000);
  builder.SetTileSize(1280, 720);
  builder.SetTileCount(1, 1528, 1528);
  EXPECT_TRUE(builder.Writing());
}

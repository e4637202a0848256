// The 24-bit bitmap: resizing, copies, its BMP file form in both directions, and pictures loaded
// from files by their extension.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "base/Bitmap.h"
#include "base/Errors.h"
#include "base/Picture.h"
#include "base/Stream.h"
#include "page/uJpegEncoder.h"
#include "support/JpegDecode.h"
#include "support/LargePictures.h"
#include "support/TestEnv.h"

using namespace vt;

namespace {

COLORREF Pattern(int x, int y) { return RGB((x * 37 + y) & 0xFF, (y * 53) & 0xFF, (x ^ y) * 11 & 0xFF); }

void Paint(TBitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, Pattern(x, y));
}

void ExpectPattern(const TBitmap& b, int width, int height) {
  ASSERT_EQ(b.Width(), width);
  ASSERT_EQ(b.Height(), height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) ASSERT_EQ(b.Pixel(x, y), Pattern(x, y)) << x << "," << y;
}

std::vector<uint8_t> Saved(const TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return s.bytes();
}

template <class T>
void Put(std::vector<uint8_t>& bytes, size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof(value));
}

}  // namespace

TEST(Bitmap, ResizeKeepsWhatFitsAndWhitensTheRest) {
  TBitmap b(4, 3);
  Paint(b);
  b.SetSize(6, 2);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(b.Pixel(x, 1), Pattern(x, 1));
  EXPECT_EQ(b.Pixel(5, 0), RGB(255, 255, 255));
  b.SetSize(0, 5);
  EXPECT_TRUE(b.Empty());

  TBitmap copy;
  TBitmap source(5, 7);
  Paint(source);
  copy.Assign(source);
  ExpectPattern(copy, 5, 7);
}

TEST(Bitmap, ExactBytesOfASmallBmp) {
  TBitmap b(3, 2);
  b.SetPixel(0, 0, RGB(1, 2, 3));
  b.SetPixel(1, 0, RGB(4, 5, 6));
  b.SetPixel(2, 0, RGB(7, 8, 9));
  b.SetPixel(0, 1, RGB(10, 11, 12));
  b.SetPixel(1, 1, RGB(13, 14, 15));
  b.SetPixel(2, 1, RGB(16, 17, 18));
  const std::vector<uint8_t> expected = {
      'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                       // file header
      40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 24, 0, 0, 0,  // info header
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0,  // bottom row first, BGR, padded with zeros
      3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0,
  };
  EXPECT_EQ(Saved(b), expected);
}

TEST(Bitmap, RoundTripThroughMemoryAndFile) {
  test::TempDir dir;
  for (auto size : {std::pair{1, 1}, {3, 2}, {7, 5}, {500, 3}, {1, 900}, {1283, 700}}) {
    TBitmap b(size.first, size.second);
    Paint(b);
    TMemoryStream s;
    b.SaveToStream(s);
    ASSERT_EQ(s.Size(), 54 + static_cast<int64_t>(TBitmap::StrideFor(size.first)) * size.second);
    s.SetPosition(0);
    TBitmap loaded(2, 2);  // an earlier size is replaced
    loaded.LoadFromStream(s);
    ExpectPattern(loaded, size.first, size.second);

    std::string path = dir.file("round.bmp");
    b.SaveToFile(path);
    TBitmap fromFile;
    fromFile.LoadFromFile(path);
    ExpectPattern(fromFile, size.first, size.second);
  }
}

TEST(Bitmap, ReadsAtTheStreamPositionTopDownRowsAndLongerInfoHeaders) {
  TBitmap b(5, 4);
  Paint(b);
  std::vector<uint8_t> bmp = Saved(b);

  // Top-down: negative height, rows in display order.
  std::vector<uint8_t> topDown(bmp.begin(), bmp.begin() + 54);
  Put<int32_t>(topDown, 22, -4);
  for (int y = 0; y < 4; ++y) {
    auto row = bmp.begin() + 54 + (3 - y) * 16;
    topDown.insert(topDown.end(), row, row + 16);
  }
  // A 124-byte info header: pixels start where the file header says.
  std::vector<uint8_t> v5(bmp.begin(), bmp.begin() + 54);
  Put<uint32_t>(v5, 10, 14 + 124);
  Put<uint32_t>(v5, 14, 124);
  v5.insert(v5.end(), 124 - 40, 0);
  v5.insert(v5.end(), bmp.begin() + 54, bmp.end());

  for (const auto& form : {topDown, v5}) {
    std::vector<uint8_t> framed = {'x', 'y', 'z'};  // the BMP need not start the stream
    framed.insert(framed.end(), form.begin(), form.end());
    TMemoryStream s(framed);
    s.SetPosition(3);
    TBitmap loaded;
    loaded.LoadFromStream(s);
    ExpectPattern(loaded, 5, 4);
  }
}

TEST(Bitmap, CorruptHeadersAreRejectedAndLeaveTheBitmapAsItWas) {
  TBitmap b(6, 3);
  Paint(b);
  const std::vector<uint8_t> good = Saved(b);
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> spoil;
  };
  const Case cases[] = {
      {"signature", [](auto& v) { v[1] = 'N'; }},
      {"info header size", [](auto& v) { Put<uint32_t>(v, 14, 12); }},
      {"planes", [](auto& v) { Put<uint16_t>(v, 26, 2); }},
      {"32 bits per pixel", [](auto& v) { Put<uint16_t>(v, 28, 32); }},
      {"8 bits per pixel", [](auto& v) { Put<uint16_t>(v, 28, 8); }},
      {"compression", [](auto& v) { Put<uint32_t>(v, 30, BI_RLE8); }},
      {"zero width", [](auto& v) { Put<int32_t>(v, 18, 0); }},
      {"negative width", [](auto& v) { Put<int32_t>(v, 18, -6); }},
      {"zero height", [](auto& v) { Put<int32_t>(v, 22, 0); }},
      {"pixels inside the headers", [](auto& v) { Put<uint32_t>(v, 10, 20); }},
      {"pixels past the end", [](auto& v) { Put<uint32_t>(v, 10, 0x7FFFFFF0); }},
      {"pixels cut short", [](auto& v) { v.resize(v.size() - 1); }},
      {"header cut short", [](auto& v) { v.resize(40); }},
      {"nothing", [](auto& v) { v.clear(); }},
      {"more rows than the stream holds", [](auto& v) { Put<int32_t>(v, 22, 4000); }},
      {"absurd size", [](auto& v) { Put<int32_t>(v, 18, 100000); Put<int32_t>(v, 22, 100000); }},
      {"lowest height", [](auto& v) { Put<int32_t>(v, 22, INT32_MIN); }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good;
    c.spoil(bytes);
    TMemoryStream s(bytes);
    TBitmap target(2, 2);
    target.Fill(RGB(1, 2, 3));
    EXPECT_THROW(target.LoadFromStream(s), Error) << c.what;
    EXPECT_EQ(target.Width(), 2) << c.what;
    EXPECT_EQ(target.Pixel(1, 1), RGB(1, 2, 3)) << c.what;
  }
  // The caller's limit counts pixels.
  TMemoryStream s(good);
  TBitmap limited;
  EXPECT_THROW(limited.LoadFromStream(s, 17), Error);
  s.SetPosition(0);
  limited.LoadFromStream(s, 18);
  ExpectPattern(limited, 6, 3);
}

TEST(Picture, TheExtensionPicksTheFormatAndAFailureLeavesTheBitmap) {
  test::TempDir dir;
  TBitmap source(40, 24);  // smooth, so that JPEG keeps it close
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x) source.SetPixel(x, y, RGB(x * 6, y * 10, 128));
  const std::vector<uint8_t> jpeg = TJpegEncoder(95).Encode(source), bmp = Saved(source);
  auto write = [&](const char* name, const std::vector<uint8_t>& bytes, size_t size) {
    test::WriteFileBytes(dir.file(name), std::string(bytes.begin(), bytes.begin() + std::min(size, bytes.size())));
    return dir.file(name);
  };
  struct Case {
    const char* name;
    const std::vector<uint8_t>& bytes;
    size_t size;
    bool loads;
  };
  const Case cases[] = {
      {"a.jpg", jpeg, jpeg.size(), true},          {"b.JPEG", jpeg, jpeg.size(), true},
      {"c.jfif", jpeg, jpeg.size(), true},         {"d.Bmp", bmp, bmp.size(), true},
      {"e.gif", jpeg, jpeg.size(), false},         {"noextension", jpeg, jpeg.size(), false},
      {"f.jpg", bmp, bmp.size(), false},           {"g.bmp", jpeg, jpeg.size(), false},
      {"h.jpg", jpeg, 300, false},                 {"i.jpg", jpeg, 0, false},
  };
  for (const Case& c : cases) {
    const std::string path = write(c.name, c.bytes, c.size);
    TBitmap target(2, 2);
    target.Fill(RGB(1, 2, 3));
    if (!c.loads) {
      EXPECT_THROW((void)LoadPictureFromFile(path, target), Error) << c.name;
      EXPECT_EQ(target.Width(), 2) << c.name;
      EXPECT_EQ(target.Pixel(1, 1), RGB(1, 2, 3)) << c.name;
      continue;
    }
    ASSERT_TRUE(LoadPictureFromFile(path, target)) << c.name;
    EXPECT_EQ(target.Width(), 40) << c.name;
    EXPECT_LE(test::MeanChannelDifference(target, source), c.name[0] == 'd' ? 0 : 3) << c.name;
  }
  EXPECT_THROW((void)LoadPictureFromFile(dir.file("missing.jpg"), source), Error);
  // A JPEG larger than the caller allows is not decoded.
  TMemoryStream stream(jpeg);
  EXPECT_THROW((void)LoadJpegFromStream(stream, source, 40 * 24 - 1), Error);
}

// Each scan of a progressive JPEG is a pass over the whole picture: a file of more scans than a
// real one has is not decoded, and the bitmap stays as it was.
TEST(Picture, AProgressiveJpegOfMoreScansThanARealOneIsNotDecoded) {
  test::TempDir dir;
  for (const auto& [scans, decodes] : {std::pair{10, true}, {kMaxJpegScans, true}, {kMaxJpegScans + 1, false},
                                       {20000, false}}) {
    SCOPED_TRACE(scans);
    const std::string path = dir.file("scans.jpg");
    test::WriteFileBytes(path, test::ProgressiveJpeg(64, 48, scans));
    TBitmap target(2, 2);
    target.Fill(RGB(1, 2, 3));
    EXPECT_EQ(LoadPictureFromFile(path, target), decodes);
    EXPECT_EQ(target.Width(), decodes ? 64 : 2);
    EXPECT_EQ(target.Pixel(1, 1), decodes ? RGB(128, 128, 128) : RGB(1, 2, 3));
  }
}

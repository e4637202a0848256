// The setting's images: the named list, reading `imgurls`, GIF files into bitmaps (sound
// and hostile ones), and drawing an image stretched or tiled.
#include <gtest/gtest.h>

#include <functional>

#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Strings.h"
#include "page/uGifImage.h"
#include "page/uURLImg.h"
#include "page/uXMLBitmap.h"
#include "support/GifWriter.h"
#include "support/TestEnv.h"

using namespace vt;

namespace {

struct Counted : TListObject {
  explicit Counted(int& alive) : alive_(alive) { ++alive_; }
  ~Counted() override { --alive_; }
  int& alive_;
};

const COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

TEST(ClassHashList, NamesAreCaseBlindAndTheLaterDuplicateWins) {
  int alive = 0;
  {
    TClassHashList list;
    auto* first = new Counted(alive);
    auto* second = new Counted(alive);
    list.Add("logo", first);
    list.Add("Logo", second);
    list.Add("other", new Counted(alive));
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.IndexOf("logo"), 1);
    EXPECT_EQ(list.IndexOf("LOGO"), 1);
    EXPECT_EQ(list.GetObject(list.IndexOf("LoGo")), second);
    EXPECT_EQ(list.IndexOf("missing"), -1);

    list.Remove("missing");
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(alive, 3);

    list.Remove("LOGO");  // the later one goes; the earlier one is found again
    EXPECT_EQ(alive, 2);
    EXPECT_EQ(list.GetObject(list.IndexOf("logo")), first);
    EXPECT_EQ(list.IndexOf("other"), 1);

    EXPECT_THROW(list.GetObject(2), Error);
    EXPECT_THROW(list.Delete(-1), Error);
    list.Delete(0);
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(list.IndexOf("other"), 0);
  }
  EXPECT_EQ(alive, 0);  // the list frees what it owns
}

TEST(ClassHashList, ListThatOwnsNothingFreesNothing) {
  int alive = 0;
  Counted kept(alive);
  {
    TClassHashList list;
    list.OwnsObjects = false;
    list.Add("a", &kept);
    list.Add("b", &kept);
    list.Delete(0);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
  }
  EXPECT_EQ(alive, 1);
}

TEST(ClassHashList, ManyNamesAreFoundAfterDeletions) {
  TXImgList list;
  for (int i = 0; i < 2000; ++i) list.AddImg("id" + std::to_string(i), "u" + std::to_string(i));
  for (int i = 0; i < 2000; i += 2) list.Remove("ID" + std::to_string(i));
  ASSERT_EQ(list.GetCount(), 1000);
  for (int i = 1; i < 2000; i += 2) {
    TXImg* img = list.Find("Id" + std::to_string(i));
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->Url, "u" + std::to_string(i));
  }
  EXPECT_EQ(list.Find("id0"), nullptr);
}

class ImageList : public ::testing::Test {
protected:
  ComApartment com;
  test::TempDir dir;
  std::string Setting(const std::string& xml) {
    std::string path = dir.file("setting.xml");
    test::WriteFileBytes(path, xml);
    return path;
  }
};

TEST_F(ImageList, EveryChildNodeOfImgurlsIsAnImageInOrder) {
  TURLImg urls;
  ASSERT_TRUE(urls.LoadList(Setting(
      "<?xml version=\"1.0\"?><setting><imgurls><logo>http://h/a.gif</logo><!--http://h/c.gif-->"
      "<Logo>http://h/b.gif</Logo><empty/></imgurls><top/></setting>")));
  ASSERT_EQ(urls.Count(), 4);
  EXPECT_EQ(urls.GetItem(0)->Id, "logo");
  EXPECT_EQ(urls.GetItem(0)->Url, "http://h/a.gif");
  EXPECT_EQ(urls.GetItem(1)->Id, "#comment");
  EXPECT_EQ(urls.GetItem(1)->Url, "http://h/c.gif");
  EXPECT_EQ(urls.GetItem(3)->Id, "empty");
  EXPECT_EQ(urls.GetItem(3)->Url, "");
  EXPECT_EQ(urls.Find("logo"), urls.GetItem(2));
  EXPECT_EQ(urls.Find("LOGO"), urls.GetItem(2));
  EXPECT_EQ(urls.Find("none"), nullptr);
  EXPECT_TRUE(urls.GetItem(0)->Bitmap.Empty());
}

TEST_F(ImageList, MissingOrBrokenSettingsFail) {
  TURLImg urls;
  EXPECT_FALSE(urls.LoadList(dir.file("absent.xml")));
  EXPECT_FALSE(urls.LoadList(Setting("<setting><top/></setting>")));
  EXPECT_FALSE(urls.LoadList(Setting("<setting><imgurls><a>x</a></imgurls>")));  // not closed
  EXPECT_FALSE(urls.LoadList(Setting("")));
  EXPECT_FALSE(urls.LoadList(Setting(std::string("\x89PNG\r\n\x1a\n\0\0\0", 12))));
  EXPECT_EQ(urls.Count(), 0);
  // The root element may have any name; ids keep their letters.
  EXPECT_TRUE(urls.LoadList(Setting("<X><imgurls><A1>u</A1></imgurls></X>")));
  EXPECT_EQ(urls.GetItem(0)->Id, "A1");
}

// UTF-16 bytes of ASCII text, little- or big-endian.
static std::string Utf16(const std::string& text, bool bigEndian) {
  std::string bytes;
  for (char c : text) bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return bytes;
}

TEST_F(ImageList, BoundsRefuseASettingUnparsedAndTakeOneJustInside) {
  auto repeat = [](int count, const std::string& piece) {
    std::string s;
    for (int i = 0; i < count; ++i) s += piece;
    return s;
  };
  auto attributes = [](int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += " a" + std::to_string(i) + "='>'";
    return s;
  };
  const int elements = TXmlDocument::kMaxElements - 2;  // besides the root and imgurls
  const int depth = TXmlDocument::kMaxDepth - 2;        // below the root and imgurls
  const struct {
    const char* what;
    std::string inside, beyond;  // what imgurls holds besides <x>u</x>
    const char* refusal;
  } cases[] = {
      {"elements", repeat(elements - 1, "<a/>"), repeat(elements, "<a/>"), "it has more than 10000 elements"},
      {"comments", repeat(elements - 1, "<!---->"), repeat(elements, "<?pi?>"), "it has more than 10000 elements"},
      {"attributes", "<a" + attributes(TXmlDocument::kMaxAttributes) + "/>",
       "<a" + attributes(TXmlDocument::kMaxAttributes + 1) + "/>", "it has more than 1000 attributes"},
      {"depth", repeat(depth, "<a>") + repeat(depth, "</a>"), repeat(depth + 1, "<a>") + repeat(depth + 1, "</a>"),
       "its elements are nested more than 64 deep"},
      {"size", std::string(TXmlDocument::kMaxLocalSize - 200, ' '), std::string(TXmlDocument::kMaxLocalSize, ' '),
       "it is larger than 1048576 bytes"},
  };
  // The XML declaration is no element: a declared setting has the same bounds.
  for (const auto& c : cases) {
    for (bool utf16 : {false, true}) {
      for (const std::string declaration : {"", "<?xml version=\"1.0\"?>"}) {
        if (utf16 && std::string(c.what) == "size") continue;
        auto write = [&](const std::string& inside) {
          const std::string xml = declaration + "<s><imgurls><x>u</x>" + inside + "</imgurls></s>";
          return Setting(utf16 ? "\xFE\xFF" + Utf16(xml, true) : xml);
        };
        SCOPED_TRACE(std::string(c.what) + (utf16 ? " UTF-16 " : " ") + declaration);
        TURLImg urls;
        ASSERT_TRUE(urls.LoadList(write(c.inside)));
        EXPECT_EQ(urls.Find("x")->Url, "u");
        EXPECT_EQ(urls.Refusal(), "");
        TURLImg refused;
        EXPECT_FALSE(refused.LoadList(write(c.beyond)));
        EXPECT_EQ(refused.Refusal(), c.refusal);
        EXPECT_EQ(refused.Count(), 0);
      }
    }
  }
}

TEST_F(ImageList, SettingIsReadInTheEncodingItsMarkOrDeclarationNames) {
  const std::string body = "<s><imgurls><x>http://h/\xC3\xA9</x></imgurls></s>";  // an e acute
  const std::string latin = "<?xml version='1.0' encoding='ISO-8859-1'?><s><imgurls><x>http://h/\xE9</x></imgurls></s>";
  const std::string wide = "<?xml version=\"1.0\" encoding=\"utf-16\"?><s><imgurls><x>http://h/@</x></imgurls></s>";
  auto accented = [](std::string utf16) { return utf16.replace(utf16.find(std::string("@\0", 2)), 2, "\xE9\0", 2); };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"UTF-8", body},
      {"UTF-8 declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + body},
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + body},
      {"ISO-8859-1 declared", latin},
      {"UTF-16 with its mark", "\xFF\xFE" + accented(Utf16(wide, false))},
      {"UTF-16 without it", accented(Utf16(wide, false))},
  };
  for (const auto& c : cases) {
    TURLImg urls;
    ASSERT_TRUE(urls.LoadList(Setting(c.bytes))) << c.what;
    EXPECT_EQ(urls.Find("x")->Url, ToAnsi(L"http://h/\u00E9")) << c.what;
  }
  TURLImg urls;
  EXPECT_FALSE(urls.LoadList(Setting("<s><imgurls><x>\xE9</x></imgurls></s>")));  // no UTF-8
  EXPECT_FALSE(urls.LoadList(Setting("<?xml version='1.0' encoding='no-such-set'?>" + body)));
  EXPECT_EQ(urls.Refusal(), "");
}

TEST_F(ImageList, DocumentsWithADocumentTypeAreRefusedAtOnceByListAndBanner) {
  std::string laughs = "<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">", prev = "a";
  for (int i = 0; i < 12; ++i) {
    std::string name = "e" + std::to_string(i);
    laughs += "<!ENTITY " + name + " \"" + [&] {
      std::string refs;
      for (int k = 0; k < 10; ++k) refs += "&" + prev + ";";
      return refs;
    }() + "\">";
    prev = name;
  }
  std::string uses;
  for (int i = 0; i < 18000; ++i) uses += "&w;";
  std::string secret = dir.file("secret.txt");
  test::WriteFileBytes(secret, "SECRET");
  const struct {
    const char* what;
    std::string doctype, value;
  } cases[] = {
      {"nested entities", "<!DOCTYPE s [" + laughs + "]>", "&" + prev + ";"},
      {"one wide entity used often", "<!DOCTYPE s [<!ENTITY w \"" + std::string(50000, 'w') + "\">]>", uses},
      {"a harmless entity", "<!DOCTYPE s [<!ENTITY h \"http://h/\">]>", "&h;x.gif"},
      {"an external entity", "<!DOCTYPE s [<!ENTITY x SYSTEM \"file:///" + secret + "\">]>", "&x;"},
      {"a type without declarations", "<!DOCTYPE s>", "http://h/x.gif"},
  };
  for (const auto& c : cases) {
    const std::string path = Setting("<?xml version=\"1.0\"?>" + c.doctype + "<s><imgurls><x>" + c.value +
                                     "</x></imgurls><top><width>10</width><height>" + c.value +
                                     "</height></top></s>");
    const DWORD start = ::GetTickCount();
    TURLImg urls;
    EXPECT_FALSE(urls.LoadList(path)) << c.what;
    EXPECT_EQ(urls.Count(), 0) << c.what;
    TXMLBitmap banner;
    EXPECT_FALSE(banner.Load(&urls, "top", 761, 1000)) << c.what;
    EXPECT_LT(::GetTickCount() - start, 5000u) << c.what;
  }
  // Without the document type the same setting reads, every value cut after its cap.
  TURLImg urls;
  ASSERT_TRUE(urls.LoadList(Setting("<s><imgurls><x>http://h/" + std::string(2 * kMaxNodeText, 'x') +
                                    "</x></imgurls></s>")));
  EXPECT_EQ(urls.Find("x")->Url, "http://h/" + std::string(kMaxNodeText - 9, 'x'));
}

class GifFile : public ::testing::Test {
protected:
  test::TempDir dir;
  std::string Write(const test::GifPicture& p, const std::string& name = "a.gif") {
    std::string path = dir.file(name);
    test::WriteGif(path, p);
    return path;
  }
  static void ExpectPattern(const TBitmap& b, int left, int top, int width, int height) {
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        bool inside = x >= left && x < left + width && y >= top && y < top + height;
        COLORREF expected = inside ? test::PatternColor(x - left, y - top) : kWhite;
        ASSERT_EQ(b.Pixel(x, y), expected) << x << "," << y;
      }
  }
};

TEST_F(GifFile, PlainAndInterlacedPicturesLoadPixelForPixel) {
  TBitmap b;
  LoadGifFile(Write(test::PatternGif(37, 29)), b);
  ASSERT_EQ(b.Width(), 37);
  ASSERT_EQ(b.Height(), 29);
  ExpectPattern(b, 0, 0, 37, 29);

  test::GifPicture interlaced = test::PatternGif(23, 41);
  interlaced.interlace = true;
  interlaced.localPalette = true;
  TBitmap c;
  LoadGifFile(Write(interlaced, "i.gif"), c);
  ASSERT_EQ(c.Width(), 23);
  ExpectPattern(c, 0, 0, 23, 41);
}

TEST_F(GifFile, PictureSitsOnAWhiteScreenAndTransparentPixelsAreWhite) {
  test::GifPicture p = test::PatternGif(10, 6);
  p.screenWidth = 30;
  p.screenHeight = 20;
  p.left = 15;
  p.top = 11;
  TBitmap b;
  LoadGifFile(Write(p), b);
  ASSERT_EQ(b.Width(), 30);
  ASSERT_EQ(b.Height(), 20);
  ExpectPattern(b, 15, 11, 10, 6);

  test::GifPicture t = test::PatternGif(12, 12);
  t.transparent = 1;  // the green of the pattern
  TBitmap c;
  LoadGifFile(Write(t, "t.gif"), c);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      COLORREF color = test::PatternColor(x, y);
      ASSERT_EQ(c.Pixel(x, y), color == RGB(0, 150, 0) ? kWhite : color);
    }
}

TEST_F(GifFile, AnythingButASoundGifIsRejectedAndTheBitmapKept) {
  std::string good = test::ReadFileBytes(Write(test::PatternGif(40, 30)));
  TBitmap b(3, 2);
  b.Fill(RGB(1, 2, 3));
  auto rejects = [&](const std::string& bytes, const char* what) {
    std::string path = dir.file("bad.gif");
    test::WriteFileBytes(path, bytes);
    EXPECT_THROW(LoadGifFile(path, b), Error) << what;
    EXPECT_EQ(b.Width(), 3) << what;
    EXPECT_EQ(b.Pixel(2, 1), RGB(1, 2, 3)) << what;
  };
  rejects("", "empty file");
  rejects("GIF89a", "header only");
  rejects(std::string("BM") + std::string(100, '\0'), "a bitmap file");
  rejects("<html>not found</html>", "an error page");
  for (size_t cut : {size_t(13), size_t(30), good.size() / 2, good.size() - 2})
    rejects(good.substr(0, cut), ("truncated at " + std::to_string(cut)).c_str());
  // Picture data replaced by noise.
  std::string noisy = good;
  size_t data = noisy.find(',');  // image separator
  ASSERT_NE(data, std::string::npos);
  for (size_t i = data + 11; i < noisy.size() - 1; ++i) noisy[i] = static_cast<char>(0xFF);
  rejects(noisy, "noise for picture data");
  // Trailer straight after the screen: no picture at all.
  std::string empty = good.substr(0, 13 + 3 * 4) + ";";
  empty[10] = static_cast<char>(0x81);  // global table of 4 colours
  rejects(empty, "no picture");
  EXPECT_THROW(LoadGifFile(dir.file("absent.gif"), b), Error);
}

TEST_F(GifFile, EnormousScreensAndPicturesAreRejectedWithoutDecoding) {
  TBitmap b;
  test::GifPicture wide = test::SolidGif(1, 1, RGB(9, 9, 9));
  wide.screenWidth = 65535;
  wide.screenHeight = 65535;
  EXPECT_THROW(LoadGifFile(Write(wide), b), Error);

  // A small screen claiming a picture of 65535 x 65535 pixels in a few bytes.
  std::string bytes = test::ReadFileBytes(Write(test::SolidGif(2, 2, RGB(9, 9, 9))));
  size_t desc = bytes.find(',');
  ASSERT_NE(desc, std::string::npos);
  bytes[desc + 5] = bytes[desc + 6] = bytes[desc + 7] = bytes[desc + 8] = static_cast<char>(0xFF);
  std::string path = dir.file("huge.gif");
  test::WriteFileBytes(path, bytes);
  EXPECT_THROW(LoadGifFile(path, b), Error);
  EXPECT_TRUE(b.Empty());

  // Just inside the limit still loads.
  LoadGifFile(Write(test::SolidGif(4096, 4096, RGB(10, 20, 30)), "big.gif"), b);
  EXPECT_EQ(b.Width(), 4096);
  EXPECT_EQ(b.Pixel(4095, 4095), RGB(10, 20, 30));
}

class ImageDrawing : public ::testing::Test {
protected:
  TXImg img{"id", "url"};
  TBitmap canvas{250, 60};
  void SetUp() override {
    img.Bitmap.SetSize(100, 40);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 100; ++x) img.Bitmap.SetPixel(x, y, test::PatternColor(x, y));
  }
};

TEST_F(ImageDrawing, StretchDrawAtOwnSizeAndStretched) {
  img.StretchDraw(canvas.Canvas(), 7, 5, 0, 0);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 250; ++x) {
      bool inside = x >= 7 && x < 107 && y >= 5 && y < 45;
      ASSERT_EQ(canvas.Pixel(x, y), inside ? test::PatternColor(x - 7, y - 5) : kWhite) << x << "," << y;
    }
  canvas.Fill(kWhite);
  img.StretchDraw(canvas.Canvas(), 0, 0, 200, 0);  // twice as wide, own height
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(canvas.Pixel(x, y), test::PatternColor(x / 2, y)) << x << "," << y;
  EXPECT_EQ(canvas.Pixel(200, 0), kWhite);
  EXPECT_EQ(canvas.Pixel(0, 40), kWhite);
}

TEST_F(ImageDrawing, StretchDrawTouchesOnlyTheCanvasAndWhatLandsOnIt) {
  const struct {
    const char* what;
    int x, y, width, height;
    std::function<COLORREF(int, int)> expected;  // at a place of the 250 x 60 canvas
    int64_t cost;
  } cases[] = {
      {"past the right edge", 200, 10, 0, 0,
       [](int x, int y) { return x >= 200 && y >= 10 && y < 50 ? test::PatternColor(x - 200, y - 10) : kWhite; },
       2 * 50 * 40},
      {"past the left and top edges", -30, -5, 0, 0,
       [](int x, int y) { return x < 70 && y < 35 ? test::PatternColor(x + 30, y + 5) : kWhite; }, 2 * 70 * 35},
      // Mirrored, it covers the 100 columns up to its x: here 201 to 300.
      {"mirrored past the right edge", 300, 0, -100, 0,
       [](int x, int y) { return x > 200 && y < 40 ? test::PatternColor(300 - x, y) : kWhite; }, 2 * 49 * 40},
      {"a thousand million times its size", 0, 0, 2000000000, 2000000000,
       [](int, int) { return test::PatternColor(0, 0); }, 250 * 60 + 1},
      {"beside the canvas", 250, 0, 0, 0, [](int, int) { return kWhite; }, 0},
  };
  for (const auto& c : cases) {
    canvas.Fill(kWhite);
    EXPECT_EQ(img.StretchCost(canvas.Canvas(), c.x, c.y, c.width, c.height), c.cost) << c.what;
    img.StretchDraw(canvas.Canvas(), c.x, c.y, c.width, c.height);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 250; ++x) ASSERT_EQ(canvas.Pixel(x, y), c.expected(x, y)) << c.what << " " << x << "," << y;
  }
  EXPECT_EQ(img.TileCost(canvas.Canvas(), 100), 150 * 60 + 100 * 40);
  EXPECT_EQ(img.TileCost(canvas.Canvas(), 300), 0);
}

TEST_F(ImageDrawing, EmptyPictureDrawsNothing) {
  TXImg empty("e", "u");
  empty.StretchDraw(canvas.Canvas(), 0, 0, 0, 0);
  empty.StretchDraw(canvas.Canvas(), 0, 0, 50, 50);
  empty.TileDraw(canvas.Canvas(), 0);
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 250; ++x) ASSERT_EQ(canvas.Pixel(x, y), kWhite);
}

TEST_F(ImageDrawing, TileDrawRepeatsFromXAndFromTheTop) {
  img.TileDraw(canvas.Canvas(), 100);  // columns at 100 and 200, rows at 0 and 40
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 250; ++x) {
      COLORREF expected = x < 100 ? kWhite : test::PatternColor((x - 100) % 100, y % 40);
      ASSERT_EQ(canvas.Pixel(x, y), expected) << x << "," << y;
    }
}

TEST_F(ImageDrawing, TinyPictureTilesAWideBannerAtOnce) {
  TXImg dot("d", "u");
  dot.Bitmap.SetSize(1, 2);
  dot.Bitmap.SetPixel(0, 0, RGB(10, 20, 30));
  dot.Bitmap.SetPixel(0, 1, RGB(40, 50, 60));
  TBitmap wide(20000, 500);
  dot.TileDraw(wide.Canvas(), -3);
  EXPECT_EQ(wide.Pixel(0, 0), RGB(10, 20, 30));
  EXPECT_EQ(wide.Pixel(19999, 499), RGB(40, 50, 60));
  EXPECT_EQ(wide.Pixel(12345, 250), RGB(10, 20, 30));
}

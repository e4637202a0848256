// Re-tiling a region of a picture into a new picture of 500 x 500 tiles.
#include <gtest/gtest.h>

#include "page/uHtmlImage.h"
#include "page/uHtmlImageBuilder.h"
#include "support/TestEnv.h"
#include "support/TestPictures.h"

using namespace vt;

namespace {

// Records the calls a builder receives.
class RecordingBuilder : public THtmlImageBuilder {
public:
  std::vector<std::string> calls;
  std::vector<RECT> places;
  std::vector<std::pair<int, int>> sizes;
  std::unique_ptr<THtmlImage> GetResult() override {
    calls.push_back("GetResult");
    return nullptr;
  }
  void BeginImage(int32_t w, int32_t h) override { calls.push_back(Text("BeginImage", w, h)); }
  void SetTileSize(int32_t w, int32_t h) override { calls.push_back(Text("SetTileSize", w, h)); }
  void SetTileCount(int32_t c, int32_t r, int32_t n) override {
    calls.push_back(Text("SetTileCount", c, r) + " " + std::to_string(n));
  }
  void AddTile(int32_t c, int32_t r, int32_t index, const RECT& rect, const TBitmap& bitmap) override {
    calls.push_back(Text("AddTile", c, r) + " " + std::to_string(index));
    places.push_back(rect);
    sizes.emplace_back(bitmap.Width(), bitmap.Height());
  }

private:
  static std::string Text(const char* name, int a, int b) {
    return std::string(name) + " " + std::to_string(a) + " " + std::to_string(b);
  }
};

std::unique_ptr<TBmpHtmlImage> Result(TBmpHtmlImageBuilder& builder) {
  return std::unique_ptr<TBmpHtmlImage>(static_cast<TBmpHtmlImage*>(builder.GetResult().release()));
}

}  // namespace

class Retile : public ::testing::Test {
protected:
  test::PrivateTempFolder temp;
  TBmpHtmlImageBuilder sourceBuilder, builder;
};

TEST_F(Retile, EveryPixelOfTheNewPictureIsTheSourceRegion) {
  // Source tiles as a capture writes them (full-size edge tiles with junk past the edge): of an odd
  // size, and of the whole width (rows read in place).
  for (const test::PictureShape& shape : {test::PictureShape{1201, 1307, 173, 131, true}, {1201, 1307, 1280, 720, true}}) {
    auto source = test::WritePicture(sourceBuilder, shape, test::Gradient);
    const RECT region{37, 45, 37 + 1001, 45 + 1000};
    ASSERT_TRUE(BuildHtmlImage(&builder, source.get(), region));
    auto result = Result(builder);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->GetImageWidth(), 1001);
    EXPECT_EQ(result->GetImageHeight(), 1000);
    EXPECT_EQ(result->TileWidth(), 500);
    EXPECT_EQ(result->TileHeight(), 500);
    ASSERT_EQ(result->Cols(), 3);
    ASSERT_EQ(result->Rows(), 2);
    // Each tile as stored: as narrow and low as the region leaves it, and equal to the source.
    for (int index = 0; index < 6; ++index) {
      const int c = index % 3, r = index / 3;
      const TBitmap* tile = result->GetTile(index);
      ASSERT_TRUE(tile) << index;
      EXPECT_EQ(tile->Width(), c == 2 ? 1 : 500) << index;
      EXPECT_EQ(tile->Height(), 500) << index;
      EXPECT_EQ(test::FirstMismatch(*tile, RECT{0, 0, tile->Width(), tile->Height()},
                                    [&](int x, int y) {
                                      return test::Gradient(region.left + c * 500 + x, region.top + r * 500 + y);
                                    }),
                "")
          << index << " source tiles " << shape.tileWidth;
    }
    // Each tile under the region read once.
    const int64_t cols = (region.right - 1) / shape.tileWidth - region.left / shape.tileWidth + 1;
    const int64_t rows = (region.bottom - 1) / shape.tileHeight - region.top / shape.tileHeight + 1;
    EXPECT_EQ(source->TileLoads(), cols * rows);
  }
}

TEST_F(Retile, AWideRegionIsCutInStripsOfColumnsAndComesOutWhole) {
  // 32 columns of tiles: more than one strip keeps in memory. Source tiles as a capture writes them.
  auto source = test::WritePicture(sourceBuilder, {15720, 530, 1280, 300, true}, test::Gradient);
  const RECT region{7, 5, 7 + 15700, 5 + 520};
  ASSERT_TRUE(BuildHtmlImage(&builder, source.get(), region));
  auto result = Result(builder);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->Cols(), 32);
  ASSERT_EQ(result->Rows(), 2);
  TBitmap picture(15700, 520);
  result->CopyRect(picture, 0, 0, result->GetImageRect());
  EXPECT_EQ(test::FirstMismatch(picture, result->GetImageRect(),
                                [&](int x, int y) { return test::Gradient(region.left + x, region.top + y); }),
            "");
  // Each source tile under the region read once per strip: the column of source tiles across the
  // strips' edge (x = 14,507) twice.
  EXPECT_EQ(source->TileLoads(), 13 * 2 + 2);
}

TEST_F(Retile, BuilderCallsAndTileSizes) {
  auto source = test::WritePicture(sourceBuilder, {1500, 1500, 500, 500}, test::Gradient);
  RecordingBuilder square;
  ASSERT_TRUE(BuildHtmlImage(&square, source.get(), RECT{100, 200, 1100, 1200}));
  const std::vector<std::string> expected = {"BeginImage 1000 1000", "SetTileSize 500 500", "SetTileCount 2 2 4",
                                             "AddTile 0 0 0",        "AddTile 1 0 1",       "AddTile 0 1 2",
                                             "AddTile 1 1 3"};
  EXPECT_EQ(square.calls, expected);  // no GetResult: that is the caller's
  EXPECT_EQ(square.places[3].left, 500);
  EXPECT_EQ(square.places[3].bottom, 1000);

  RecordingBuilder wide;
  ASSERT_TRUE(BuildHtmlImage(&wide, source.get(), RECT{0, 0, 1001, 1000}));
  EXPECT_EQ(wide.calls[2], "SetTileCount 3 2 6");
  EXPECT_EQ(wide.sizes[2], std::make_pair(1, 500));
  EXPECT_EQ(wide.places[5].left, 1000);
  EXPECT_EQ(wide.places[5].right, 1001);

  RecordingBuilder empty;
  ASSERT_TRUE(BuildHtmlImage(&empty, source.get(), RECT{10, 10, 10, 600}));
  EXPECT_EQ(empty.calls, (std::vector<std::string>{"BeginImage 0 590", "SetTileSize 500 500", "SetTileCount 0 2 0"}));

  RecordingBuilder none;
  EXPECT_FALSE(BuildHtmlImage(&none, nullptr, RECT{0, 0, 10, 10}));
  EXPECT_TRUE(none.calls.empty());
}

TEST_F(Retile, OneBuilderServesSeveralCuts) {
  auto source = test::WritePicture(sourceBuilder, {1200, 900, 300, 300}, test::Gradient);
  ASSERT_TRUE(BuildHtmlImage(&builder, source.get(), RECT{0, 0, 600, 600}));
  auto first = Result(builder);
  ASSERT_TRUE(BuildHtmlImage(&builder, source.get(), RECT{600, 300, 1200, 900}));
  auto second = Result(builder);
  ASSERT_NE(first->FileName(), second->FileName());
  ASSERT_TRUE(BuildHtmlImage(&builder, source.get(), RECT{0, 0, 10, 10}));  // never taken
  const std::string untaken = builder.FileName();

  auto canvas = test::MarkedCanvas(600, 600);
  first->DrawRect(canvas->Canvas(), RECT{0, 0, 600, 600}, RECT{0, 0, 600, 600});
  EXPECT_EQ(test::FirstMismatch(*canvas, RECT{0, 0, 600, 600}, test::Gradient), "");
  second->DrawRect(canvas->Canvas(), RECT{0, 0, 600, 600}, RECT{0, 0, 600, 600});
  EXPECT_EQ(test::FirstMismatch(*canvas, RECT{0, 0, 600, 600},
                                [](int x, int y) { return test::Gradient(600 + x, 300 + y); }),
            "");
  // The source is untouched and still draws.
  source->DrawRect(canvas->Canvas(), RECT{0, 0, 600, 600}, RECT{0, 0, 600, 600});
  EXPECT_EQ(test::FirstMismatch(*canvas, RECT{0, 0, 600, 600}, test::Gradient), "");

  const std::string firstFile = first->FileName();
  first.reset();
  EXPECT_FALSE(test::FileExists(firstFile));
  ASSERT_TRUE(BuildHtmlImage(&builder, source.get(), RECT{0, 0, 10, 10}));
  EXPECT_FALSE(test::FileExists(untaken));
  second.reset();
  source.reset();
  EXPECT_EQ(temp.FileCount(), 1);  // the builder's last cut
}

TEST_F(Retile, ARegionPastThePictureIsWhiteThere) {
  auto source = test::WritePicture(sourceBuilder, {300, 200, 128, 128}, test::Gradient);
  ASSERT_TRUE(BuildHtmlImage(&builder, source.get(), RECT{200, 100, 400, 300}));
  auto result = Result(builder);
  auto canvas = test::MarkedCanvas(200, 200);
  result->DrawRect(canvas->Canvas(), RECT{0, 0, 200, 200}, RECT{0, 0, 200, 200});
  EXPECT_EQ(test::FirstMismatch(*canvas, RECT{0, 0, 200, 200},
                                [](int x, int y) {
                                  return x < 100 && y < 100 ? test::Gradient(200 + x, 100 + y) : RGB(255, 255, 255);
                                }),
            "");
}

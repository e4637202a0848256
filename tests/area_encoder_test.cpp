// Areas of the picture encoded on worker threads come back in order, equal to encoding them one
// by one, and a failing area stops the whole run with its error.
#include <gtest/gtest.h>

#include "base/Errors.h"
#include "page/uAreaEncoder.h"
#include "support/TestPictures.h"

using namespace vt;

class AreaEncoder : public ::testing::Test {
protected:
  void SetUp() override { image = test::WritePicture(builder, {1100, 9000, 500, 500}, test::Gradient); }
  test::PrivateTempFolder temp;
  TBmpHtmlImageBuilder builder;
  std::unique_ptr<TBmpHtmlImage> image;
};

TEST_F(AreaEncoder, ResultsInOrderAndEqualToOneByOne) {
  std::vector<RECT> areas;
  for (int i = 0; i < 23; ++i) areas.push_back(RECT{i * 13, i * 371, 1100 - i * 7, i * 371 + 600 + i * 17});
  std::vector<size_t> order;
  TAreaEncoder(*image, 90).EncodeAll(areas, [&](size_t index, const std::vector<uint8_t>& jpeg) {
    order.push_back(index);
    EXPECT_EQ(jpeg, EncodeArea(*image, areas[index], 90)) << index;
  });
  ASSERT_EQ(order.size(), areas.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
}

TEST_F(AreaEncoder, AFailingAreaStopsTheRunWithItsError) {
  std::vector<RECT> areas(12, RECT{0, 0, 800, 700});
  areas[7] = RECT{10, 10, 10, 500};  // no width: the encoder refuses it
  size_t taken = 0;
  EXPECT_THROW(TAreaEncoder(*image, 90).EncodeAll(areas, [&](size_t, const std::vector<uint8_t>&) { ++taken; }),
               Error);
  EXPECT_LE(taken, 7u);
}

TEST_F(AreaEncoder, AnErrorOfTheTakerReachesTheCallerAndStopsTheWorkers) {
  std::vector<RECT> areas(40, RECT{0, 0, 1100, 900});
  EXPECT_THROW(TAreaEncoder(*image, 90).EncodeAll(areas, [&](size_t index, const std::vector<uint8_t>&) {
    if (index == 3) throw Error("disk full");
  }),
               Error);
}

// Jobs on the picture done on worker threads come back in order, equal to doing them one by one,
// and a failing job stops the whole run with its error.
#include <gtest/gtest.h>

#include "base/Errors.h"
#include "page/uAreaEncoder.h"
#include "page/uPictureWorkers.h"
#include "support/TestPictures.h"

using namespace vt;

class PictureWorkers : public ::testing::Test {
protected:
  void SetUp() override { image = test::WritePicture(builder, {1100, 9000, 500, 500}, test::Gradient); }
  // Encodes areas[index] of the worker's reader.
  TPictureWorkers::Job Encode(const std::vector<RECT>& areas) {
    return [&areas](THtmlImage& reader, TBitmap& band, size_t index) {
      return TPictureWorkers::TOutput{EncodeArea(reader, areas[index], 90, &band), {}};
    };
  }
  test::PrivateTempFolder temp;
  TBmpHtmlImageBuilder builder;
  std::unique_ptr<TBmpHtmlImage> image;
};

TEST_F(PictureWorkers, ResultsInOrderAndEqualToOneByOne) {
  std::vector<RECT> areas;
  for (int i = 0; i < 23; ++i) areas.push_back(RECT{i * 13, i * 371, 1100 - i * 7, i * 371 + 600 + i * 17});
  std::vector<size_t> order;
  TPictureWorkers::Run(*image, areas.size(), Encode(areas), [&](size_t index, TPictureWorkers::TOutput& output) {
    order.push_back(index);
    EXPECT_EQ(output.bytes, EncodeArea(*image, areas[index], 90)) << index;
  });
  ASSERT_EQ(order.size(), areas.size());
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
}

TEST_F(PictureWorkers, AFailingJobStopsTheRunWithItsError) {
  std::vector<RECT> areas(12, RECT{0, 0, 800, 700});
  areas[7] = RECT{10, 10, 10, 500};  // no width: the encoder refuses it
  size_t taken = 0;
  EXPECT_THROW(TPictureWorkers::Run(*image, areas.size(), Encode(areas),
                                    [&](size_t, TPictureWorkers::TOutput&) { ++taken; }),
               Error);
  EXPECT_LE(taken, 7u);
}

TEST_F(PictureWorkers, AnErrorOfTheTakerReachesTheCallerAndStopsTheWorkers) {
  std::vector<RECT> areas(40, RECT{0, 0, 1100, 900});
  EXPECT_THROW(TPictureWorkers::Run(*image, areas.size(), Encode(areas),
                                    [&](size_t index, TPictureWorkers::TOutput&) {
                                      if (index == 3) throw Error("disk full");
                                    }),
               Error);
}

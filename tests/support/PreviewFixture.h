// A preview window shown without a modal loop on a picture written through the tile builder.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "preview/frmPreviewForm.h"
#include "support/TestPictures.h"
#include "support/WindowTesting.h"

namespace vt::test {

class PreviewFixture : public ::testing::Test {
protected:
  void Open(int width, int height, const PixelFunction& pixel = Blocks) {
    picture_ = WritePicture(builder_, {width, height, 256, 256}, pixel);
    form_ = std::make_unique<TfmPreviewForm>(nullptr);
    request_.captureGraphic = picture_.get();
    request_.imageBuilder = &builder_;
    request_.captureRect = RECT{0, 0, width, height};
    form_->ShowNonModal(request_);
    PumpMessages(50);
  }

  PrivateTempFolder temp_;
  TBmpHtmlImageBuilder builder_;
  std::unique_ptr<TBmpHtmlImage> picture_;
  TPreviewRequest request_;
  std::unique_ptr<TfmPreviewForm> form_;
};

}  // namespace vt::test

// A preview window shown without a modal loop on a picture written through the tile builder.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "preview/frmPreviewForm.h"
#include "support/TestPictures.h"
#include "support/WindowTesting.h"

namespace vt::test {

// Ctrl held (or not) as the window reads it, for the keys posted after it.
inline void SetCtrl(bool down) {
  BYTE keys[256];
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  ::SetKeyboardState(keys);
}

// A print engine laid out at real size over a picture `width` pixels wide and `height` high.
struct LaidOutEngine {
  explicit LaidOutEngine(int height, int width = 800)
      : picture(WritePicture(builder, {width, height, 256, 256}, Blocks)) {
    engine.Settings.FitMode = fitRealSize;
    engine.Layout(picture.get(), nullptr, nullptr, true);
  }
  PrivateTempFolder temp;
  TBmpHtmlImageBuilder builder;
  std::unique_ptr<TBmpHtmlImage> picture;
  TVantrelleDocument document;
  TPrintEngine engine{&document};
};

class PreviewFixture : public ::testing::Test {
protected:
  void TearDown() override { SetCtrl(false); }

  void KeyUp(WPARAM key, bool ctrl = false) {
    SetCtrl(ctrl);
    ::PostMessageW(form_->Scroller().Handle(), WM_KEYUP, key, 0xC0000001);
    PumpPending();
    SetCtrl(false);
  }
  void KeyDown(WPARAM key) {
    ::PostMessageW(form_->Scroller().Handle(), WM_KEYDOWN, key, 1);
    PumpPending();
  }
  // A mouse message at a view point (the picture at the zoom), sent to `wnd` with the real cursor
  // put there first, so that the window does not see the mouse leave.
  void Mouse(HWND wnd, UINT msg, WPARAM keys, int viewX, int viewY) {
    POINT client = form_->FromView(wnd, POINT{viewX, viewY});
    POINT screen = client;
    ::ClientToScreen(wnd, &screen);
    ::SetCursorPos(screen.x, screen.y);
    PostMouse(wnd, msg, keys, client.x, client.y);
  }
  // A left click on a tool bar button.
  void Click(TWindow& button) {
    PostMouse(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
    PostMouse(button.Handle(), WM_LBUTTONUP, 0, 5, 5);
  }

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

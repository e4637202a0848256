// A thumbnail of the all-pages preview: its picture, or a blank white page until the picture comes.
#pragma once
#include <windows.h>

#include <memory>

#include "base/Bitmap.h"
#include "base/Window.h"

namespace vt {

class TThumbnail : public TWindow {
public:
  explicit TThumbnail(HWND parent);
  void SetPicture(std::unique_ptr<TBitmap> picture);
  const TBitmap* Picture() const { return picture_.get(); }
  void Clear();

protected:
  void Paint(HDC dc) override;

private:
  std::unique_ptr<TBitmap> picture_;
};

}  // namespace vt

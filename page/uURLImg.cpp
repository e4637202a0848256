#include "page/uURLImg.h"

#include "base/Strings.h"
#include "page/uGifImage.h"

namespace vt {

void TXImg::StretchDraw(HDC canvas, int x, int y, int width, int height) const {
  if (Bitmap.Empty() || !canvas) return;
  if (width == 0) width = Bitmap.Width();
  if (height == 0) height = Bitmap.Height();
  int oldMode = ::SetStretchBltMode(canvas, COLORONCOLOR);
  ::StretchBlt(canvas, x, y, width, height, Bitmap.Canvas(), 0, 0, Bitmap.Width(), Bitmap.Height(), SRCCOPY);
  if (oldMode) ::SetStretchBltMode(canvas, oldMode);
}

void TXImg::TileDraw(HDC canvas, int x) const {
  if (Bitmap.Empty() || !canvas) return;
  RECT clip{};
  if (::GetClipBox(canvas, &clip) == ERROR) return;
  // One pattern fill instead of a copy per tile: a tiny picture on a wide banner would
  // otherwise take one copy per pixel. The brush origin puts a tile's corner at (x, 0).
  BrushHandle brush(::CreatePatternBrush(Bitmap.Handle()));
  if (!brush) return;
  POINT oldOrigin{};
  ::SetBrushOrgEx(canvas, x, 0, &oldOrigin);
  RECT area{x, 0, clip.right, clip.bottom};
  ::FillRect(canvas, &area, brush.get());
  ::SetBrushOrgEx(canvas, oldOrigin.x, oldOrigin.y, nullptr);
}

bool TURLImg::LoadImageFile(int index, const std::string& path) {
  TXImg* image = GetItem(index);
  const TGifSize size = ReadGifSize(path);
  const int64_t cost = size.bytes + 3LL * size.width * size.height;
  if (cost > kImageBudget - budgetUsed_) return false;
  LoadGifFile(path, image->Bitmap);
  budgetUsed_ += cost;
  return true;
}

bool TURLImg::LoadList(const std::string& source) {
  try {
    if (!doc_.Load(source)) return false;
    ComPtr<IXMLDOMNode> list = SelectChild(doc_.Root().get(), L"imgurls");
    if (!list) return false;
    for (const ComPtr<IXMLDOMNode>& child : ChildNodes(list.get()))
      Images.AddImg(ToAnsi(NodeName(child.get())), ToAnsi(NodeText(child.get())));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace vt

#include "page/uURLImg.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/Errors.h"
#include "base/Strings.h"
#include "page/uGifImage.h"

namespace vt {

namespace {

// One side of a stretched picture cut to the clip box's [low, high): where it lands (`start`, and
// a `length` that is negative when it mirrors) and the span of the picture it shows.
struct TVisibleSpan {
  int start, length;
  int first, count;  // of the picture's pixels
};

// None when nothing of it is inside. A picture wholly inside is drawn as asked; one that is cut
// shows the picture's pixels that land inside, rounded out to whole pixels. A mirrored draw covers
// the pixels from start + length + 1 to start, as the platform draws it.
std::optional<TVisibleSpan> VisibleSpan(int start, int length, int pictureSide, LONG low, LONG high) {
  const bool mirrored = length < 0;
  const int64_t from = mirrored ? int64_t{start} + length + 1 : start;
  const int64_t to = from + std::abs(int64_t{length});
  const int64_t visibleFrom = std::max<int64_t>(from, low), visibleTo = std::min<int64_t>(to, high);
  if (visibleFrom >= visibleTo) return std::nullopt;
  if (visibleFrom == from && visibleTo == to) return TVisibleSpan{start, length, 0, pictureSide};
  // The visible pixels counted along the draw from its start, and the picture's part under them.
  const int64_t firstStep = mirrored ? to - visibleTo : visibleFrom - from;
  const int64_t steps = visibleTo - visibleFrom;
  const double scale = static_cast<double>(pictureSide) / std::abs(int64_t{length});
  const int first = static_cast<int>(std::clamp<double>(std::floor(firstStep * scale), 0, pictureSide - 1));
  const int last =
      static_cast<int>(std::clamp<double>(std::ceil((firstStep + steps) * scale), first + 1, pictureSide));
  if (mirrored) return TVisibleSpan{static_cast<int>(visibleTo - 1), -static_cast<int>(steps), first, last - first};
  return TVisibleSpan{static_cast<int>(visibleFrom), static_cast<int>(steps), first, last - first};
}

struct TStretch {
  TVisibleSpan across, down;
};

std::optional<TStretch> VisibleStretch(const TBitmap& picture, HDC canvas, int x, int y, int width, int height) {
  RECT clip{};
  if (picture.Empty() || !canvas || ::GetClipBox(canvas, &clip) == ERROR) return std::nullopt;
  auto across = VisibleSpan(x, width ? width : picture.Width(), picture.Width(), clip.left, clip.right);
  auto down = VisibleSpan(y, height ? height : picture.Height(), picture.Height(), clip.top, clip.bottom);
  if (!across || !down) return std::nullopt;
  return TStretch{*across, *down};
}

// The part of the clip box that tiles from x and from y 0 cover; none when it is empty.
std::optional<RECT> TileArea(const TBitmap& picture, HDC canvas, int x) {
  RECT clip{};
  if (picture.Empty() || !canvas || ::GetClipBox(canvas, &clip) == ERROR) return std::nullopt;
  const RECT area{std::max<LONG>(x, clip.left), std::max<LONG>(0, clip.top), clip.right, clip.bottom};
  if (area.left >= area.right || area.top >= area.bottom) return std::nullopt;
  return area;
}

}  // namespace

void TXImg::StretchDraw(HDC canvas, int x, int y, int width, int height) const {
  const std::optional<TStretch> s = VisibleStretch(Bitmap, canvas, x, y, width, height);
  if (!s) return;
  int oldMode = ::SetStretchBltMode(canvas, COLORONCOLOR);
  ::StretchBlt(canvas, s->across.start, s->down.start, s->across.length, s->down.length, Bitmap.Canvas(),
               s->across.first, s->down.first, s->across.count, s->down.count, SRCCOPY);
  if (oldMode) ::SetStretchBltMode(canvas, oldMode);
}

int64_t TXImg::StretchCost(HDC canvas, int x, int y, int width, int height) const {
  const std::optional<TStretch> s = VisibleStretch(Bitmap, canvas, x, y, width, height);
  if (!s) return 0;
  return std::abs(int64_t{s->across.length}) * std::abs(s->down.length) + int64_t{s->across.count} * s->down.count;
}

void TXImg::TileDraw(HDC canvas, int x) const {
  const std::optional<RECT> area = TileArea(Bitmap, canvas, x);
  if (!area) return;
  // One pattern fill instead of a copy per tile: a tiny picture on a wide banner would
  // otherwise take one copy per pixel. The brush origin puts a tile's corner at (x, 0).
  BrushHandle brush(::CreatePatternBrush(Bitmap.Handle()));
  if (!brush) return;
  POINT oldOrigin{};
  ::SetBrushOrgEx(canvas, x, 0, &oldOrigin);
  ::FillRect(canvas, &*area, brush.get());
  ::SetBrushOrgEx(canvas, oldOrigin.x, oldOrigin.y, nullptr);
}

int64_t TXImg::TileCost(HDC canvas, int x) const {
  const std::optional<RECT> area = TileArea(Bitmap, canvas, x);
  if (!area) return 0;
  // The pattern brush takes a copy of the whole picture.
  return int64_t{area->right - area->left} * (area->bottom - area->top) + int64_t{Bitmap.Width()} * Bitmap.Height();
}

bool TURLImg::LoadImageFile(int index, const std::string& path) {
  TXImg* image = GetItem(index);
  const TGifSize size = ReadGifSize(path);
  const int64_t cost = size.bytes + 3LL * size.width * size.height;
  if (!budget_.Fits(cost)) return false;
  LoadGifFile(path, image->Bitmap);
  budget_.Take(cost);
  return true;
}

bool TURLImg::LoadList(const std::string& path) {
  try {
    if (!doc_.Load(path)) return false;
    ComPtr<IXMLDOMNode> list = SelectChild(doc_.Root().get(), L"imgurls");
    if (!list) return false;
    for (const ComPtr<IXMLDOMNode>& child : ChildNodes(list.get()))
      Images.AddImg(ToAnsi(NodeName(child.get())), ToAnsi(NodeText(child.get())));
    return true;
  } catch (const Error&) {  // a setting that cannot be read: no images
    return false;
  }
}

}  // namespace vt

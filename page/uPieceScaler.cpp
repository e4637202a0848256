#include "page/uPieceScaler.h"

#include <pixman.h>

#include <algorithm>
#include <memory>

#include "base/Errors.h"

namespace vt {
namespace {

struct PixmanUnref {
  void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
};
using PixmanImage = std::unique_ptr<pixman_image_t, PixmanUnref>;

PixmanImage Wrap(pixman_format_code_t format, int width, int height, void* bits, int stride) {
  PixmanImage image(pixman_image_create_bits(format, width, height, static_cast<uint32_t*>(bits), stride));
  if (!image) throw Error("Out of memory while scaling a picture");
  return image;
}

bool IsPlainMapping(HDC dc) {
  if (::GetMapMode(dc) != MM_TEXT || (::GetLayout(dc) & LAYOUT_RTL)) return false;
  if (::GetGraphicsMode(dc) == GM_COMPATIBLE) return true;
  XFORM world{};
  return ::GetWorldTransform(dc, &world) && world.eM11 == 1 && world.eM12 == 0 && world.eM21 == 0 &&
         world.eM22 == 1 && world.eDx == 0 && world.eDy == 0;
}

}  // namespace

std::optional<TPixelTarget> TPixelTarget::Of(HDC dc) {
  if (::GetObjectType(dc) != OBJ_MEMDC || ::GetDeviceCaps(dc, TECHNOLOGY) != DT_RASDISPLAY || !IsPlainMapping(dc))
    return std::nullopt;
  DIBSECTION dib{};
  HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
  if (!bitmap || ::GetObjectW(bitmap, sizeof(dib), &dib) != sizeof(dib) || !dib.dsBm.bmBits) return std::nullopt;
  const BITMAPINFOHEADER& info = dib.dsBmih;
  if (info.biHeight >= 0 || info.biCompression != BI_RGB || (info.biBitCount != 24 && info.biBitCount != 32))
    return std::nullopt;
  TPixelTarget target;
  target.bits = static_cast<uint8_t*>(dib.dsBm.bmBits);
  target.width = dib.dsBm.bmWidth;
  target.height = dib.dsBm.bmHeight;
  target.stride = dib.dsBm.bmWidthBytes;
  target.bytesPerPixel = info.biBitCount / 8;
  POINT viewport{}, window{};
  ::GetViewportOrgEx(dc, &viewport);
  ::GetWindowOrgEx(dc, &window);
  target.origin = POINT{viewport.x - window.x, viewport.y - window.y};
  RECT box{};
  const int region = ::GetClipBox(dc, &box);
  if (region == COMPLEXREGION || region == ERROR) return std::nullopt;
  if (region == NULLREGION) return target;  // nothing may be drawn: the clip stays empty
  ::OffsetRect(&box, target.origin.x, target.origin.y);
  const RECT all{0, 0, target.width, target.height};
  ::IntersectRect(&target.clip, &box, &all);
  return target;
}

bool TPieceScaler::Scale(const uint8_t* row, int rowWidth, int step, int left, int width, int height,
                         const TPixelTarget& target, const RECT& place) {
  if (place.right < place.left || place.bottom < place.top) return false;
  if (width <= 0 || height <= 0 || place.right == place.left || place.bottom == place.top) return true;
  RECT device = place;
  ::OffsetRect(&device, target.origin.x, target.origin.y);
  RECT drawn{};
  if (!::IntersectRect(&drawn, &device, &target.clip)) return true;
  const int drawnWidth = drawn.right - drawn.left, drawnHeight = drawn.bottom - drawn.top;

  // The piece as 32-bit pixels.
  piece_.resize(static_cast<size_t>(width) * height);
  PixmanImage source = Wrap(PIXMAN_r8g8b8, rowWidth, height, const_cast<uint8_t*>(row), step);
  PixmanImage piece = Wrap(PIXMAN_x8r8g8b8, width, height, piece_.data(), width * 4);
  pixman_image_composite32(PIXMAN_OP_SRC, source.get(), nullptr, piece.get(), left, 0, 0, 0, 0, 0, width, height);

  // Target pixel i of the place samples the piece at i * scale: pixman samples at pixel centres,
  // so the centre i + 0.5 goes to i * scale + 0.5.
  const double sx = static_cast<double>(width) / (device.right - device.left);
  const double sy = static_cast<double>(height) / (device.bottom - device.top);
  pixman_transform_t transform;
  pixman_transform_init_identity(&transform);
  transform.matrix[0][0] = pixman_double_to_fixed(sx);
  transform.matrix[0][2] = pixman_double_to_fixed(0.5 - 0.5 * sx);
  transform.matrix[1][1] = pixman_double_to_fixed(sy);
  transform.matrix[1][2] = pixman_double_to_fixed(0.5 - 0.5 * sy);
  pixman_image_set_transform(piece.get(), &transform);
  pixman_image_set_filter(piece.get(), PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(piece.get(), PIXMAN_REPEAT_PAD);
  const int fromX = drawn.left - device.left, fromY = drawn.top - device.top;

  if (target.bytesPerPixel == 4) {
    PixmanImage to = Wrap(PIXMAN_x8r8g8b8, target.width, target.height, target.bits, target.stride);
    pixman_image_composite32(PIXMAN_OP_SRC, piece.get(), nullptr, to.get(), fromX, fromY, 0, 0, drawn.left,
                             drawn.top, drawnWidth, drawnHeight);
    return true;
  }
  // pixman scales into 24-bit pixels slowly: scale into 32-bit ones, then pack them.
  scaled_.resize(static_cast<size_t>(drawnWidth) * drawnHeight);
  PixmanImage scaled = Wrap(PIXMAN_x8r8g8b8, drawnWidth, drawnHeight, scaled_.data(), drawnWidth * 4);
  pixman_image_composite32(PIXMAN_OP_SRC, piece.get(), nullptr, scaled.get(), fromX, fromY, 0, 0, 0, 0, drawnWidth,
                           drawnHeight);
  PixmanImage to = Wrap(PIXMAN_r8g8b8, target.width, target.height, target.bits, target.stride);
  pixman_image_composite32(PIXMAN_OP_SRC, scaled.get(), nullptr, to.get(), 0, 0, 0, 0, drawn.left, drawn.top,
                           drawnWidth, drawnHeight);
  return true;
}

}  // namespace vt

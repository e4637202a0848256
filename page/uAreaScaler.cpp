#include "page/uAreaScaler.h"

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
  if (!bitmap || ::GetObjectW(bitmap, sizeof(dib), &dib) != sizeof(dib)) return std::nullopt;
  if (dib.dsBmih.biBitCount != 24 && dib.dsBmih.biBitCount != 32) return std::nullopt;
  TPixelTarget target;
  target.dc = dc;
  target.bytesPerPixel = dib.dsBmih.biBitCount / 8;
  if (::GetClipBox(dc, &target.clip) == ERROR) return std::nullopt;
  return target;
}

bool TAreaScaler::Scale(const uint8_t* row, int rowWidth, int step, int left, int width, int height,
                         const TPixelTarget& target, const RECT& place) {
  if (place.right < place.left || place.bottom < place.top) return false;
  if (width <= 0 || height <= 0 || place.right == place.left || place.bottom == place.top) return true;
  RECT drawn{};
  if (!::IntersectRect(&drawn, &place, &target.clip)) return true;
  const int drawnWidth = drawn.right - drawn.left, drawnHeight = drawn.bottom - drawn.top;

  // The area as 32-bit pixels.
  area_.resize(static_cast<size_t>(width) * height);
  PixmanImage source = Wrap(PIXMAN_r8g8b8, rowWidth, height, const_cast<uint8_t*>(row), step);
  PixmanImage area = Wrap(PIXMAN_x8r8g8b8, width, height, area_.data(), width * 4);
  pixman_image_composite32(PIXMAN_OP_SRC, source.get(), nullptr, area.get(), left, 0, 0, 0, 0, 0, width, height);

  // Target pixel i of the place samples the area at i * scale: pixman samples at pixel centres,
  // so the centre i + 0.5 goes to i * scale + 0.5.
  const double sx = static_cast<double>(width) / (place.right - place.left);
  const double sy = static_cast<double>(height) / (place.bottom - place.top);
  pixman_transform_t transform;
  pixman_transform_init_identity(&transform);
  transform.matrix[0][0] = pixman_double_to_fixed(sx);
  transform.matrix[0][2] = pixman_double_to_fixed(0.5 - 0.5 * sx);
  transform.matrix[1][1] = pixman_double_to_fixed(sy);
  transform.matrix[1][2] = pixman_double_to_fixed(0.5 - 0.5 * sy);
  pixman_image_set_transform(area.get(), &transform);
  pixman_image_set_filter(area.get(), PIXMAN_FILTER_BILINEAR, nullptr, 0);
  pixman_image_set_repeat(area.get(), PIXMAN_REPEAT_PAD);
  scaled_.resize(static_cast<size_t>(drawnWidth) * drawnHeight);
  PixmanImage scaled = Wrap(PIXMAN_x8r8g8b8, drawnWidth, drawnHeight, scaled_.data(), drawnWidth * 4);
  pixman_image_composite32(PIXMAN_OP_SRC, area.get(), nullptr, scaled.get(), drawn.left - place.left,
                           drawn.top - place.top, 0, 0, 0, 0, drawnWidth, drawnHeight);

  // Handed over in the target's own pixel size, which GDI copies without converting.
  const void* pixels = scaled_.data();
  if (target.bytesPerPixel == 3) {
    const int stride = (drawnWidth * 3 + 3) & ~3;
    packed_.resize(static_cast<size_t>(stride / 4) * drawnHeight);
    PixmanImage packed = Wrap(PIXMAN_r8g8b8, drawnWidth, drawnHeight, packed_.data(), stride);
    pixman_image_composite32(PIXMAN_OP_SRC, scaled.get(), nullptr, packed.get(), 0, 0, 0, 0, 0, 0, drawnWidth,
                             drawnHeight);
    pixels = packed_.data();
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = drawnWidth;
  info.bmiHeader.biHeight = -drawnHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(target.bytesPerPixel * 8);
  info.bmiHeader.biCompression = BI_RGB;
  ::SetDIBitsToDevice(target.dc, drawn.left, drawn.top, drawnWidth, drawnHeight, 0, 0, 0, drawnHeight, pixels,
                      &info, DIB_RGB_COLORS);
  return true;
}

}  // namespace vt

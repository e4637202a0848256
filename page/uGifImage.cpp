#include "page/uGifImage.h"

#include <exception>
#include <vector>

#include "base/Boundary.h"
#include "base/Errors.h"
#include "base/LibraryHandles.h"
#include "base/Stream.h"

namespace vt {
namespace {

// The file a decoder reads through its C callback. A failure of the file cannot cross the
// library's frames: it is kept here and raised once the library's call has returned.
struct TGifSource {
  explicit TGifSource(const std::string& path) : stream(path, TFileStream::fmOpenRead) {}
  TFileStream stream;
  std::exception_ptr failure;
};

int ReadFromSource(GifFileType* gif, GifByteType* buffer, int count) {
  auto& source = *static_cast<TGifSource*>(gif->UserData);
  return CallbackBoundary(source.failure, 0, [&] { return static_cast<int>(source.stream.Read(buffer, count)); });
}

[[noreturn]] void Fail(const std::string& path, const char* why) {
  throw Error("Cannot load the image " + path + ": " + why);
}

// Raises for a call of the library that failed: the file's own failure when reading it failed,
// else `why`.
void Check(int status, const TGifSource& source, const char* why) {
  if (status == GIF_OK) return;
  RaiseKept(source.failure);
  Fail(source.stream.path(), why);
}

// Reads one picture's rows into `target` at its place on the screen; GIF pictures may be
// stored interlaced (every 8th row from 0, from 4, every 4th from 2, every 2nd from 1).
void ReadPicture(GifFileType* gif, const ColorMapObject* colors, int transparent, TBitmap& target,
                 const TGifSource& source) {
  const GifImageDesc& desc = gif->Image;
  std::vector<GifPixelType> line(desc.Width);
  static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  int passes = desc.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    int start = desc.Interlace ? kStart[pass] : 0, step = desc.Interlace ? kStep[pass] : 1;
    for (int row = start; row < desc.Height; row += step) {
      Check(DGifGetLine(gif, line.data(), desc.Width), source, "the picture data is damaged");
      int y = desc.Top + row;
      if (y >= target.Height()) continue;
      uint8_t* out = target.ScanLine(y);
      for (int i = 0; i < desc.Width; ++i) {
        int x = desc.Left + i, index = line[i];
        if (x >= target.Width()) break;
        if (index == transparent || index >= colors->ColorCount) continue;
        const GifColorType& c = colors->Colors[index];
        out[x * 3] = c.Blue;
        out[x * 3 + 1] = c.Green;
        out[x * 3 + 2] = c.Red;
      }
    }
  }
}

GifDecoder OpenGif(TGifSource& source) {
  int error = 0;
  GifDecoder gif(DGifOpen(&source, ReadFromSource, &error));
  if (!gif) {
    RaiseKept(source.failure);
    Fail(source.stream.path(), error == D_GIF_ERR_NOT_GIF_FILE ? "it is not a GIF file" : "the GIF header is damaged");
  }
  return gif;
}

}  // namespace

TGifSize ReadGifSize(const std::string& path) {
  TGifSource source(path);
  GifDecoder gif = OpenGif(source);
  return TGifSize{source.stream.Size(), gif->SWidth, gif->SHeight};
}

void LoadGifFile(const std::string& path, TBitmap& bitmap) {
  TGifSource source(path);
  GifDecoder gif = OpenGif(source);
  int64_t screenPixels = static_cast<int64_t>(gif->SWidth) * gif->SHeight;
  if (gif->SWidth <= 0 || gif->SHeight <= 0) Fail(path, "the GIF screen is empty");
  if (screenPixels > kMaxGifPixels) Fail(path, "the picture is too large");

  int transparent = -1;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    Check(DGifGetRecordType(gif.get(), &record), source, "the file is damaged or truncated");
    if (record == TERMINATE_RECORD_TYPE) Fail(path, "the file holds no picture");
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      Check(DGifGetExtension(gif.get(), &code, &block), source, "the file is damaged or truncated");
      GraphicsControlBlock control{};
      if (code == GRAPHICS_EXT_FUNC_CODE && block &&
          DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
        transparent = control.TransparentColor;
      while (block)
        Check(DGifGetExtensionNext(gif.get(), &block), source, "the file is damaged or truncated");
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) Fail(path, "the file is damaged");
    Check(DGifGetImageDesc(gif.get()), source, "the picture header is damaged");
    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || static_cast<int64_t>(desc.Width) * desc.Height > kMaxGifPixels)
      Fail(path, "the picture has no sound size");
    const ColorMapObject* colors = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!colors) Fail(path, "the picture has no colour table");
    TBitmap picture(gif->SWidth, gif->SHeight);  // white
    ReadPicture(gif.get(), colors, transparent, picture, source);
    bitmap.Assign(picture);
    return;
  }
}

}  // namespace vt

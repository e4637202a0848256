#include "preview/uSkinPictures.h"

#include <windows.h>

#include <utility>

#include "base/Picture.h"
#include "base/Strings.h"

namespace vt {

namespace {

std::string SizeText(const std::string& path, const TPictureSize& size) {
  return Format("%s (%d x %d)", path.c_str(), size.width, size.height);
}

}  // namespace

TSkinPictures::TSkinPictures(TSkinSettings skin, ILogSink* log) : skin_(std::move(skin)), log_(log) {}

bool TSkinPictures::ApplyPair(TBtnImage& button, const TSkinPair& pair) {
  const std::optional<TSkinPair> paths = skin_.PairPaths(pair);
  if (!paths || !Admit({paths->up, paths->down})) return false;
  const TBitmap* up = Decoded(paths->up);
  const TBitmap* down = up ? Decoded(paths->down) : nullptr;
  if (!down) return false;
  ::OutputDebugStringA(("Skin picture: " + paths->up + " | " + paths->down).c_str());
  button.SetPicture(*up);
  button.SetNormalStateImage(*up);
  button.SetDownStateImage(*down);
  if (button.State() == bsNormal) button.SizeToPicture();
  return true;
}

bool TSkinPictures::ApplyPicture(TImage& image, const std::string& name) {
  const std::string path = skin_.ImagePath(name);
  if (path.empty() || !Admit({path})) return false;
  const TBitmap* picture = Decoded(path);
  if (!picture) return false;
  ::OutputDebugStringA(("Skin picture: " + path).c_str());
  image.SetPicture(*picture);
  if (!image.Stretch()) image.SizeToPicture();
  return true;
}

IconHandle TSkinPictures::LoadIcon() {
  const std::string path = skin_.ImagePath(skin_.iconFile);
  if (path.empty()) return IconHandle();
  const std::optional<TPictureSize> size = ReadIconSize(path);
  if (!size) {
    Log("Icon not used, no icon file: " + path);
    return IconHandle();
  }
  if (size->width > kMaxIconSide || size->height > kMaxIconSide) {
    Log(Format("Icon not used, larger than an icon (%d pixels a side): ", kMaxIconSide) + SizeText(path, *size));
    return IconHandle();
  }
  return IconHandle(static_cast<HICON>(::LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE)));
}

bool TSkinPictures::Admit(const std::vector<std::string>& paths) {
  int64_t pixels = 0;
  std::string named;
  for (const std::string& path : paths) {
    const TPictureSize size = SizeOf(path);
    if (size.width > kMaxSide || size.height > kMaxSide) {
      Log(Format("Picture not used, larger than a tool bar shows (%d pixels a side): ", kMaxSide) +
          SizeText(path, size));
      return false;
    }
    pixels += size.Pixels();
    named += (named.empty() ? "" : ", ") + SizeText(path, size);
  }
  if (budget_.Take(pixels)) return true;
  Log(Format("Picture not used, past the %lld pixels of a skin's pictures: ", static_cast<long long>(kPixelBudget)) +
      named);
  return false;
}

TPictureSize TSkinPictures::SizeOf(const std::string& path) const {
  const auto known = decoded_.find(ToLowerAscii(path));
  if (known == decoded_.end() || !known->second) return ReadPictureSize(path);
  return TPictureSize{known->second->Width(), known->second->Height()};
}

const TBitmap* TSkinPictures::Decoded(const std::string& path) {
  const std::string key = ToLowerAscii(path);
  const auto known = decoded_.find(key);
  if (known != decoded_.end()) return known->second.get();
  auto picture = std::make_unique<TBitmap>();
  if (!LoadPictureFromFile(path, *picture)) {
    Log(Format("Picture not used, more than %d scans (a real one has about ten): %s", kMaxJpegScans, path.c_str()));
    picture.reset();
  }
  return decoded_.emplace(key, std::move(picture)).first->second.get();
}

void TSkinPictures::Log(const std::string& message) {
  ::OutputDebugStringA(message.c_str());
  if (log_) log_->WriteLog("Skin", message);
}

}  // namespace vt

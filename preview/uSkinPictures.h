// The pictures of one skin as a tool bar takes them from the files its "index.ini" names: each
// file decoded once, and all of them within bounds decided from the files' headers before
// anything is decoded, so that a package cannot fill the browser's memory with its pictures.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Bitmap.h"
#include "base/Handles.h"
#include "base/Budget.h"
#include "base/Image.h"
#include "base/LogSink.h"
#include "base/Picture.h"
#include "preview/BtnImage.h"
#include "preview/uSkinFile.h"

namespace vt {

class TSkinPictures {
public:
  // No button or tool bar is wider or higher than a screen, and the widest screens have 7,680
  // pixels: a picture with a longer side is not used.
  static constexpr int32_t kMaxSide = 8192;
  // What the pictures of one skin take together, about sixty times a skin as the tool bars were
  // designed for (buttons 44 to 140 pixels wide and 49 high). Each key's picture counts, as each
  // button keeps copies of its own.
  static constexpr int64_t kPixelBudget = 4LL * 1024 * 1024;
  // An icon's pictures are at most 256 pixels a side; the platform decodes a larger one whole
  // before it scales it down.
  static constexpr int32_t kMaxIconSide = 256;

  // The pictures that `skin` names; refusals are written to `log` (none for no log).
  TSkinPictures(TSkinSettings skin, ILogSink* log);
  const TSkinSettings& Skin() const { return skin_; }

  // A button's normal and pressed pictures from the files of `pair`, only when both exist, both are
  // within the bounds and neither is a JPEG of too many scans (a refusal is logged). False when
  // nothing was applied. A file that exists but does not decode raises vt::Error.
  bool ApplyPair(TBtnImage& button, const TSkinPair& pair);
  // A single picture from the file `name`, on the same terms.
  bool ApplyPicture(TImage& image, const std::string& name);
  // The skin's icon at the system's icon size; empty when the skin names none, when its file is
  // no icon file, or when one of its pictures is larger than an icon can be (logged).
  IconHandle LoadIcon();

private:
  // Whether the pictures of `paths` may be used: no side longer than kMaxSide, and all of them
  // within what is left of the budget, which they then take. A refusal is logged.
  bool Admit(const std::vector<std::string>& paths);
  TPictureSize SizeOf(const std::string& path) const;
  // The picture of `path`, decoded when a key first names it; none, logged once, for a picture that
  // takes more work to decode than a real one (base/Picture.h).
  const TBitmap* Decoded(const std::string& path);
  void Log(const std::string& message);

  TSkinSettings skin_;
  ILogSink* log_;
  TBudget budget_{kPixelBudget};
  std::map<std::string, std::unique_ptr<TBitmap>> decoded_;  // by the path in lower case; empty: refused
};

}  // namespace vt

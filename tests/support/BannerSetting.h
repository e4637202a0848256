// Header/footer settings for tests: the XML file and its images, filled the way the
// request driver fills them after downloading.
#pragma once
#include <map>
#include <string>

#include "page/uURLImg.h"
#include "support/GifWriter.h"
#include "support/TestEnv.h"

namespace vt::test {

// Writes "setting.xml" into `dir` with an `imgurls` of one GIF file per entry of `gifs`
// followed by `sections`, reads its image list into `urls` (emptied first) and loads every
// image's GIF file into its bitmap. Returns the setting's path.
std::string WriteBannerSetting(const TempDir& dir, const std::string& sections, TURLImg& urls,
                               const std::map<std::string, GifPicture>& gifs = {});

}  // namespace vt::test

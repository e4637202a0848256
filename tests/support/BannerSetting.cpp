#include "support/BannerSetting.h"

#include <stdexcept>

#include "page/uGifImage.h"

namespace vt::test {

std::string WriteBannerSetting(const TempDir& dir, const std::string& sections, TURLImg& urls,
                               const std::map<std::string, GifPicture>& gifs) {
  std::string list;
  for (const auto& [id, picture] : gifs) {
    std::string file = dir.file(id + ".gif");
    WriteGif(file, picture);
    list += "<" + id + ">" + file + "</" + id + ">";
  }
  std::string path = dir.file("setting.xml");
  WriteFileBytes(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?><setting><imgurls>" + list + "</imgurls>" +
                           sections + "</setting>");
  urls.Images.Clear();
  if (!urls.LoadList(path)) throw std::runtime_error("setting not readable: " + path);
  for (int i = 0; i < urls.Count(); ++i) LoadGifFile(urls.GetItem(i)->Url, urls.GetItem(i)->Bitmap);
  return path;
}

}  // namespace vt::test

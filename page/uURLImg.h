// The images of the header/footer setting by id: each with its URL and, once the request
// has downloaded it, its picture; and the reader of the setting's image list.
#pragma once
#include <windows.h>
#include <string>

#include "base/Bitmap.h"
#include "base/XmlDocument.h"
#include "page/uList.h"

namespace vt {

class TXImg : public TListObject {
public:
  TXImg(const std::string& id, const std::string& url) : Id(id), Url(url) {}

  // The whole picture stretched into (x, y, width, height); 0 stands for the picture's own
  // width or height. An empty picture draws nothing; drawing errors are swallowed.
  void StretchDraw(HDC canvas, int x, int y, int width, int height) const;
  // The picture repeated at its own size over the canvas's clip box, columns from x and
  // rows from y 0.
  void TileDraw(HDC canvas, int x) const;

  std::string Id;
  std::string Url;
  TBitmap Bitmap;
};

class TXImgList : public TClassHashList {
public:
  void AddImg(const std::string& id, const std::string& url) { Add(id, new TXImg(id, url)); }
  TXImg* GetItem(int index) const { return static_cast<TXImg*>(GetObject(index)); }
  TXImg* Find(const std::string& id) const {
    int index = IndexOf(id);
    return index < 0 ? nullptr : GetItem(index);
  }
};

class TURLImg {
public:
  // Reads the `imgurls` element of the setting at `source` (path or URL): every child node
  // becomes an image, its node name the id and its text the URL. False on any failure;
  // what was added before it stays.
  bool LoadList(const std::string& source);

  int Count() const { return Images.GetCount(); }
  TXImg* GetItem(int index) const { return Images.GetItem(index); }
  TXImg* Find(const std::string& id) const { return Images.Find(id); }

  // Loads the GIF file at `path` into the bitmap of image `index`, charging its bytes and its
  // picture (three bytes a pixel) to the budget of all the images. False, the image left empty,
  // when they do not fit in what is left; throws vt::Error for a file that is no sound GIF.
  bool LoadImageFile(int index, const std::string& path);

  // What the images of one setting may take together: a banner needs a few small pictures, and
  // a page must not fill the browser's memory with huge ones.
  static constexpr int64_t kImageBudget = 64LL * 1024 * 1024;

  TXImgList Images;

private:
  TXmlDocument doc_;
  int64_t budgetUsed_ = 0;
};

}  // namespace vt

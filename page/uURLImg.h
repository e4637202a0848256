// The images of the header/footer setting by id: each with its URL and, once the request
// has downloaded it, its picture; and the setting of one request, parsed once for its image list
// and both banners.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "base/Bitmap.h"
#include "base/Budget.h"
#include "base/LogSink.h"
#include "base/XmlDocument.h"
#include "page/uList.h"

namespace vt {

class TXImg : public TListObject {
public:
  TXImg(const std::string& id, const std::string& url) : Id(id), Url(url) {}

  // The whole picture stretched into (x, y, width, height); 0 stands for the picture's own
  // width or height, a negative one mirrors. Only the part inside the canvas's clip box is drawn,
  // from the part of the picture that lands there. An empty picture draws nothing; drawing errors
  // are swallowed.
  void StretchDraw(HDC canvas, int x, int y, int width, int height) const;
  // The picture repeated at its own size over the canvas's clip box, columns from x and
  // rows from y 0.
  void TileDraw(HDC canvas, int x) const;
  // The pixels that the same StretchDraw or TileDraw touches: those it covers on the canvas and
  // those it reads from the picture.
  int64_t StretchCost(HDC canvas, int x, int y, int width, int height) const;
  int64_t TileCost(HDC canvas, int x) const;

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
  // `log` hears what the banners leave out of the setting; none for no log.
  explicit TURLImg(ILogSink* log = nullptr) : log_(log) {}

  // Parses the setting file at `path` and reads its `imgurls` element: every child node
  // becomes an image, its node name the id and its text the URL. False on any failure of the
  // setting (vt::Error); what was added before it stays. The banners read the same document: one
  // parse a request.
  bool LoadList(const std::string& path);
  // The setting's root element once LoadList parsed it, or none.
  ComPtr<IXMLDOMNode> SettingRoot() const { return doc_.Root(); }
  // Why LoadList refused the setting unparsed (see TXmlDocument::Refusal), or empty.
  const std::string& Refusal() const { return doc_.Refusal(); }
  ILogSink* Log() const { return log_; }

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
  ILogSink* log_;
  TXmlDocument doc_;
  TBudget budget_{kImageBudget};
};

}  // namespace vt

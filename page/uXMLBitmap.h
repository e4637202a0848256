// A header or footer banner built from one section ("top" or "bottom") of the XML
// header/footer setting: a white bitmap with the setting's images, and a text template
// whose macros are filled in for every page it is drawn on.
#pragma once
#include <windows.h>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/Bitmap.h"
#include "base/XmlDocument.h"
#include "page/uDateTimeFormat.h"

namespace vt {

class TURLImg;

// Font style bits of a banner's text.
enum : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// One piece of a parsed text template: literal text or the name of a macro.
struct TTextSegment {
  std::wstring Text;
  bool Macro = false;
  bool operator==(const TTextSegment& o) const { return Text == o.Text && Macro == o.Macro; }
};

// A size of the setting: a number of pixels, or a percentage of the page's side.
struct TBannerSize {
  int32_t Value;
  bool Percent;
};
// "n%" gives n as a percentage; otherwise the integer; text that is no integer gives 0.
TBannerSize ParseSize(const std::string& text);
// left/top 0, right/bottom 1, center 2, background 3, anything else 0 (letter case ignored).
uint8_t ParseAlign(const std::string& text);
// A colour word (black, blue, red, yellow, green, white, purple) as 0x00BBGGRR; else black.
COLORREF ParseColor(const std::string& text);
// The items of a user string: cut at "^" and line breaks outside quotes, leading blanks
// skipped, empty items dropped, quotes kept.
std::vector<std::wstring> SplitUserStr(const std::wstring& text);
// Shift-JIS on a system whose default language is Japanese, else the default set.
BYTE BannerCharset();

class TXMLBitmap {
public:
  TXMLBitmap() = default;
  TXMLBitmap(const TXMLBitmap&) = delete;
  TXMLBitmap& operator=(const TXMLBitmap&) = delete;

  // Builds the banner of section `section` of the setting that `images` parsed, with its images,
  // for a page of pageWidth x pageHeight screen pixels. A setting that fails never raises: any of
  // its failures (vt::Error), no setting among them, gives false and leaves no banner (as after
  // Reset).
  bool Load(const TURLImg* images, const std::string& section, int32_t pageWidth, int32_t pageHeight);
  void Reset();
  int GetWidth() const { return Banner.Width(); }
  int GetHeight() const { return Banner.Height(); }

  void ParseTemplate(const std::wstring& value);
  // The template with its macros filled in for `Page`, cut after kMaxNodeText characters; throws
  // vt::Error when a "userstr" macro has no user string item left.
  std::wstring BuildText() const;
  // Draws the banner and the page's text stretched into (x, y, width, height) of `canvas`.
  // Throws as BuildText does, before anything reaches the canvas.
  void DrawTo(HDC canvas, int x, int y, int width, int height);
  // The font the text is drawn with: FontName (else the platform's UI face), FontSize in
  // points on the screen (0: the platform's height), FontStyle, and BannerCharset.
  LOGFONTW TextFont() const;

  // Bounds of a banner: larger ones make Load fail rather than exhaust memory.
  static constexpr int kMaxBannerSide = 32767;
  static constexpr int64_t kMaxBannerPixels = 16LL * 1024 * 1024;
  // Bounds of the images drawn into one banner, each written to the log when it leaves images
  // out: a banner holds a handful, and each draw costs the pixels it touches. The first ones
  // are drawn, the others left out.
  static constexpr int kMaxBannerImages = 64;
  static constexpr int64_t kMaxBannerDrawPixels = 4 * kMaxBannerPixels;

  TBitmap Banner;
  TBitmap TextLayer;
  int32_t PageWidth = 0, PageHeight = 0;
  uint8_t Align = 0;
  RECT TextRect{};
  uint32_t TextFlags = 0;
  std::wstring TimeFormat;
  std::wstring FontName;
  uint8_t FontStyle = 0;
  COLORREF FontColor = 0;
  int32_t FontSize = 0;
  std::vector<TTextSegment> Segments;

  // Written by the print engine before drawing.
  int32_t PageCount = 0;
  int32_t Page = 0;
  TDateTime DateTime = 0;
  std::string UserIP;
  std::string UserStr;

private:
  bool LoadSection(const TURLImg& images, const std::string& section);
  void PlaceImages(const TURLImg& images, const std::string& sectionName, IXMLDOMNode* section, int32_t count);
  void ReadText(IXMLDOMNode* text);

  std::mutex drawing_;  // the banner's bitmaps are drawn by one thread at a time
};

}  // namespace vt

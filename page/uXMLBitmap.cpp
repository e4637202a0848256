#include "page/uXMLBitmap.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <optional>

#include "base/Errors.h"
#include "base/Numbers.h"
#include "base/Strings.h"
#include "page/uURLImg.h"

namespace vt {
namespace {

std::optional<std::wstring> ChildValue(IXMLDOMNode* parent, const wchar_t* name) {
  ComPtr<IXMLDOMNode> child = SelectChild(parent, name);
  if (!child) return std::nullopt;
  return NodeText(child.get());
}

std::optional<std::string> ChildAnsi(IXMLDOMNode* parent, const wchar_t* name) {
  auto value = ChildValue(parent, name);
  if (!value) return std::nullopt;
  return ToAnsi(*value);
}

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Edge of a box of size `size` in a space of size `space` for an alignment word: left/top,
// right/bottom, centred; "background" leaves `edge` as it is.
int64_t AlignedEdge(uint8_t align, int64_t space, int64_t size, int64_t edge) {
  switch (align) {
    case 0: return 0;
    case 1: return space - size;
    case 2: return (space - size) / 2;
    default: return edge;
  }
}

// A banner side in pixels: n% of the page's side, or the number itself; nullopt when it is
// negative or larger than a banner may be.
std::optional<int> BannerSide(const std::string& text, int32_t pageSide) {
  const TBannerSize size = ParseSize(text);
  const double side = size.Percent ? std::trunc(pageSide * (size.Value / 100.0)) : size.Value;
  if (side < 0 || side > TXMLBitmap::kMaxBannerSide) return std::nullopt;
  return static_cast<int>(side);
}

// A line for the request's log about what a banner leaves out.
void Note(const TURLImg& images, const std::string& message) {
  if (ILogSink* log = images.Log()) log->WriteLog("Banner", message);
}

std::wstring LowerAscii(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return s;
}

}  // namespace

TBannerSize ParseSize(const std::string& text) {
  const size_t mark = text.find('%');
  const bool percent = mark != std::string::npos;
  return {StrToIntDef(percent ? text.substr(0, mark) : text, 0), percent};
}

uint8_t ParseAlign(const std::string& text) {
  std::string word = ToLowerAscii(text);
  if (word == "left" || word == "top") return 0;
  if (word == "right" || word == "bottom") return 1;
  if (word == "center") return 2;
  if (word == "background") return 3;
  return 0;
}

COLORREF ParseColor(const std::string& text) {
  static const struct { const char* word; COLORREF color; } kColors[] = {
      {"black", 0x000000}, {"blue", 0xFF0000},  {"red", 0x0000FF},    {"yellow", 0x00FFFF},
      {"green", 0x008000}, {"white", 0xFFFFFF}, {"purple", 0x800080},
  };
  std::string word = ToLowerAscii(text);
  for (const auto& c : kColors)
    if (word == c.word) return c.color;
  return 0x000000;
}

std::vector<std::wstring> SplitUserStr(const std::wstring& text) {
  std::vector<std::wstring> items;
  size_t i = 0, n = text.size();
  auto separator = [](wchar_t c) { return c == L'^' || c == L'\r' || c == L'\n'; };
  while (i < n) {
    while (i < n && text[i] == L' ') ++i;
    std::wstring item;
    while (i < n && !separator(text[i])) {
      if (text[i] == L'\'' || text[i] == L'"') {
        size_t close = text.find(text[i], i + 1);
        size_t end = close == std::wstring::npos ? n : close + 1;
        item.append(text, i, end - i);
        i = end;
      } else {
        item += text[i++];
      }
    }
    if (!item.empty()) items.push_back(item);
    ++i;  // the separator
  }
  return items;
}

BYTE BannerCharset() {
  char name[64] = "";
  LCID system = MAKELCID(::GetSystemDefaultLangID(), SORT_DEFAULT);
  ::GetLocaleInfoA(system, LOCALE_SENGLANGUAGE, name, sizeof name);
  return std::string(name) == "Japanese" ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
}

void TXMLBitmap::Reset() {
  Banner.SetSize(0, 0);
  TextLayer.SetSize(0, 0);
  PageWidth = PageHeight = 0;
  Segments.clear();
}

bool TXMLBitmap::Load(const TURLImg* images, const std::string& section, int32_t pageWidth,
                      int32_t pageHeight) {
  try {
    Reset();
    PageWidth = pageWidth;
    PageHeight = pageHeight;
    FontStyle = 0;
    TextRect = RECT{0, 0, 0, 0};
    TextFlags = DT_SINGLELINE;
    if (images && LoadSection(*images, section)) return true;
  } catch (const Error&) {  // a setting or an image that fails: no banner
  }
  // The engine gives a banner that failed no room on the page, so it must draw nothing either.
  Reset();
  return false;
}

bool TXMLBitmap::LoadSection(const TURLImg& images, const std::string& section) {
  ComPtr<IXMLDOMNode> node = SelectChild(images.SettingRoot().get(), ToWide(section));
  if (!node) return false;

  auto widthText = ChildAnsi(node.get(), L"width");
  if (!widthText) return false;
  auto heightText = ChildAnsi(node.get(), L"height");
  if (!heightText) return false;
  auto width = BannerSide(*widthText, PageWidth), height = BannerSide(*heightText, PageHeight);
  if (!width || !height || static_cast<int64_t>(*width) * *height > kMaxBannerPixels) return false;
  Banner.SetSize(*width, *height);
  Banner.Fill(RGB(255, 255, 255));

  if (auto align = ChildAnsi(node.get(), L"align")) Align = ParseAlign(*align);

  int32_t count = 0;
  if (auto text = ChildAnsi(node.get(), L"imgcount")) {
    auto n = TryStrToInt(*text);
    if (!n) return false;
    count = *n;
  }
  PlaceImages(images, section, node.get(), count);

  if (ComPtr<IXMLDOMNode> text = SelectChild(node.get(), L"text")) ReadText(text.get());
  return true;
}

void TXMLBitmap::PlaceImages(const TURLImg& images, const std::string& sectionName, IXMLDOMNode* section,
                             int32_t count) {
  // The elements img1 to imgN in number order, the first of each name; found in one pass
  // over the section's children, so that a huge imgcount costs nothing.
  std::map<int32_t, ComPtr<IXMLDOMNode>> elements;
  for (const ComPtr<IXMLDOMNode>& child : ChildNodes(section)) {
    DOMNodeType type = NODE_INVALID;
    if (FAILED(child->get_nodeType(&type)) || type != NODE_ELEMENT) continue;
    std::wstring name = NodeName(child.get());
    if (name.size() < 4 || name.compare(0, 3, L"img") != 0) continue;
    auto number = TryStrToInt(ToAnsi(name.substr(3)));
    if (!number || *number < 1 || *number > count || L"img" + std::to_wstring(*number) != name) continue;
    elements.emplace(*number, child);  // keeps the first of a name
  }
  if (elements.size() > static_cast<size_t>(kMaxBannerImages)) {
    Note(images, Format("The %s section has %d image elements; only the first %d are drawn", sectionName.c_str(),
                        static_cast<int>(elements.size()), kMaxBannerImages));
    elements.erase(std::next(elements.begin(), kMaxBannerImages), elements.end());
  }

  int64_t cursor = 0, drawn = 0;
  for (const auto& [number, element] : elements) {
    IXMLDOMNode* img = element.get();
    uint8_t h = 0, v = 0;
    int32_t w = 0, ht = 0;
    if (auto t = ChildAnsi(img, L"align")) h = ParseAlign(*t);
    if (auto t = ChildAnsi(img, L"valign")) v = ParseAlign(*t);
    if (auto t = ChildAnsi(img, L"width")) w = StrToIntDef(*t, 0);
    if (auto t = ChildAnsi(img, L"height")) ht = StrToIntDef(*t, 0);
    std::string id;
    if (auto t = ChildAnsi(img, L"imgid")) id = *t;

    if (const TXImg* image = images.Find(id)) {
      // A side of 0 is the image's own, for placing it as for drawing it.
      const int64_t placedW = w != 0 ? w : image->Bitmap.Width(), placedH = ht != 0 ? ht : image->Bitmap.Height();
      int64_t x = cursor;
      if (h == 1) x = std::max<int64_t>(Banner.Width() - placedW, cursor);
      else if (h == 2) x = (Banner.Width() - placedW) / 2;
      int64_t y = 0;
      if (v == 2) y = (Banner.Height() - placedH) / 2;
      else if (v == 1) y = Banner.Height() - placedH;
      HDC canvas = Banner.Canvas();
      const int64_t cost = h == 3 ? image->TileCost(canvas, Saturate(x))
                                  : image->StretchCost(canvas, Saturate(x), Saturate(y), w, ht);
      if (cost > kMaxBannerDrawPixels - drawn) {
        Note(images, Format("The %s section's images from img%d on are not drawn: the images of a banner may "
                            "touch at most %lld pixels",
                            sectionName.c_str(), static_cast<int>(number),
                            static_cast<long long>(kMaxBannerDrawPixels)));
        return;
      }
      drawn += cost;
      if (h == 3) image->TileDraw(canvas, Saturate(x));
      else image->StretchDraw(canvas, Saturate(x), Saturate(y), w, ht);
    }
    if (w != 0 && h != 3) cursor += w;
  }
}

void TXMLBitmap::ReadText(IXMLDOMNode* text) {
  int64_t w = Banner.Width(), ht = Banner.Height();
  if (auto t = ChildAnsi(text, L"width"))
    if (auto n = TryStrToInt(*t)) w = *n;
  if (auto t = ChildAnsi(text, L"height"))
    if (auto n = TryStrToInt(*t)) ht = *n;

  int64_t left = 0, top = 0;
  if (auto t = ChildAnsi(text, L"align")) left = AlignedEdge(ParseAlign(*t), Banner.Width(), w, left);
  if (auto t = ChildAnsi(text, L"valign")) top = AlignedEdge(ParseAlign(*t), Banner.Height(), ht, top);
  TextRect = RECT{Saturate(left), Saturate(top), Saturate(left + w), Saturate(top + ht)};

  uint32_t horizontal = DT_LEFT, vertical = DT_VCENTER;
  if (auto t = ChildAnsi(text, L"textalign")) {
    static const uint32_t kFlags[] = {DT_LEFT, DT_RIGHT, DT_CENTER, DT_LEFT};
    uint8_t a = ParseAlign(*t);
    if (a != 3) horizontal = kFlags[a];
  }
  if (auto t = ChildAnsi(text, L"textvalign")) {
    static const uint32_t kFlags[] = {DT_TOP, DT_BOTTOM, DT_VCENTER, DT_VCENTER};
    uint8_t a = ParseAlign(*t);
    if (a != 3) vertical = kFlags[a];
  }
  TextFlags |= horizontal | vertical;

  if (auto t = ChildValue(text, L"timeformat")) TimeFormat = *t;
  if (ComPtr<IXMLDOMNode> font = SelectChild(text, L"font")) {
    if (auto t = ChildValue(font.get(), L"name")) FontName = *t;
    if (auto t = ChildAnsi(font.get(), L"color")) FontColor = ParseColor(*t);
    if (auto t = ChildAnsi(font.get(), L"size"))
      if (auto n = TryStrToInt(*t)) FontSize = *n;
    if (auto t = ChildAnsi(font.get(), L"style")) {
      for (const std::string& word : SplitStr('|', *t)) {
        std::string lower = ToLowerAscii(word);
        if (lower == "bold") FontStyle |= fsBold;
        else if (lower == "italic") FontStyle |= fsItalic;
        else if (lower == "underline") FontStyle |= fsUnderline;
        else if (lower == "strikeout") FontStyle |= fsStrikeOut;
      }
    }
  }
  if (auto t = ChildValue(text, L"value")) {
    ParseTemplate(*t);
    if (!Segments.empty()) TextLayer.SetSize(Banner.Width(), Banner.Height());
  }
}

void TXMLBitmap::ParseTemplate(const std::wstring& value) {
  Segments.clear();
  bool macro = false;
  size_t start = 0;
  for (size_t caret; (caret = value.find(L'^', start)) != std::wstring::npos; start = caret + 1) {
    if (caret > start) Segments.push_back({value.substr(start, caret - start), macro});
    macro = !macro;
  }
  if (start < value.size()) Segments.push_back({value.substr(start), false});
}

std::wstring TXMLBitmap::BuildText() const {
  std::vector<std::wstring> items;
  if (!UserStr.empty()) items = SplitUserStr(ToWide(UserStr));
  size_t nextItem = 0;
  std::wstring text;
  // One moment for the whole text, formatted once however many macros show it.
  std::optional<std::wstring> dateTime;
  auto dateTimeText = [&]() -> const std::wstring& {
    if (!dateTime) dateTime = FormatDateTime(TimeFormat, DateTime);
    return *dateTime;
  };
  for (const TTextSegment& segment : Segments) {
    if (text.size() >= kMaxNodeText) break;
    if (!segment.Macro) {
      text += segment.Text;
      continue;
    }
    std::wstring name = LowerAscii(segment.Text);
    if (name == L"page") text += std::to_wstring(Page);
    else if (name == L"pages") text += std::to_wstring(PageCount);
    else if (name == L"datetime") text += dateTimeText();
    else if (name == L"userip") text += ToWide(UserIP);
    else if (name == L"userstr") {
      if (nextItem >= items.size())
        throw Error(Format("List index out of bounds (%d)", static_cast<int>(nextItem)));
      text += items[nextItem++];
    }
  }
  if (text.size() > kMaxNodeText) text.resize(kMaxNodeText);
  return text;
}

LOGFONTW TXMLBitmap::TextFont() const {
  LOGFONTW font{};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  if (!FontName.empty()) lstrcpynW(font.lfFaceName, FontName.c_str(), LF_FACESIZE);
  font.lfHeight = 0;
  if (FontSize != 0) {
    WindowDC screen(nullptr);
    font.lfHeight = -::MulDiv(FontSize, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
  }
  font.lfWidth = 0;
  font.lfWeight = FontStyle & fsBold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (FontStyle & fsItalic) != 0;
  font.lfUnderline = (FontStyle & fsUnderline) != 0;
  font.lfStrikeOut = (FontStyle & fsStrikeOut) != 0;
  font.lfCharSet = BannerCharset();
  return font;
}

void TXMLBitmap::DrawTo(HDC canvas, int x, int y, int width, int height) {
  std::lock_guard<std::mutex> lock(drawing_);
  ::SetStretchBltMode(canvas, HALFTONE);
  if (Segments.empty()) {
    if (!Banner.Empty())
      ::StretchBlt(canvas, x, y, width, height, Banner.Canvas(), 0, 0, Banner.Width(), Banner.Height(), SRCCOPY);
    return;
  }
  std::wstring text = BuildText();
  if (Banner.Empty() || TextLayer.Empty()) return;

  HDC layer = TextLayer.Canvas();
  ::BitBlt(layer, 0, 0, Banner.Width(), Banner.Height(), Banner.Canvas(), 0, 0, SRCCOPY);
  LOGFONTW description = TextFont();
  FontHandle font(::CreateFontIndirectW(&description));
  SelectObjectScope selected(layer, font.get());
  ::SetBkMode(layer, TRANSPARENT);
  ::SetTextColor(layer, FontColor);
  RECT box = TextRect;
  ::DrawTextW(layer, text.c_str(), static_cast<int>(text.size()), &box, TextFlags);
  ::StretchBlt(canvas, x, y, width, height, layer, 0, 0, TextLayer.Width(), TextLayer.Height(), SRCCOPY);
}

}  // namespace vt

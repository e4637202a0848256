#include "browser/PageFile.h"

#include <msxml2.h>

#include <optional>

#include "base/ComPtr.h"
#include "base/Errors.h"
#include "base/Numbers.h"
#include "base/Strings.h"
#include "base/Variant.h"

namespace vt::browser {
namespace {

constexpr int kMaxFrameDepth = 8;

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Resolve(const std::string& folder, const std::string& file) {
  bool absolute = (file.size() > 1 && file[1] == ':') || (!file.empty() && (file[0] == '\\' || file[0] == '/'));
  return absolute ? file : folder + "\\" + file;
}

class TPageReader {
public:
  TPageReader(TPage& page, const std::string& path) : page_(page), path_(path) {}

  ComPtr<IXMLDOMElement> LoadRoot() {
    CLSID clsid;
    if (FAILED(::CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid))) Fail("the XML parser is not installed");
    ComPtr<IXMLDOMDocument> xml;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, xml.put_void())))
      Fail("the XML parser cannot be created");
    xml->put_async(VARIANT_FALSE);
    xml->put_validateOnParse(VARIANT_FALSE);
    xml->put_resolveExternals(VARIANT_FALSE);
    VARIANT source;
    ::VariantInit(&source);
    Bstr file(ToWide(path_));
    V_VT(&source) = VT_BSTR;
    V_BSTR(&source) = file.get();
    VARIANT_BOOL ok = VARIANT_FALSE;
    if (FAILED(xml->load(source, &ok)) || !ok) {
      std::string reason = "cannot be read";
      ComPtr<IXMLDOMParseError> error;
      Bstr text;
      long line = 0;
      if (SUCCEEDED(xml->get_parseError(error.put())) && error && SUCCEEDED(error->get_reason(text.put())) &&
          text.get()) {
        error->get_line(&line);
        reason = Format("line %ld: %s", line, Trim(ToUtf8(text.str())).c_str());
      }
      Fail(reason);
    }
    ComPtr<IXMLDOMElement> root;
    xml->get_documentElement(root.put());
    if (!root || NodeName(root.get()) != "page") Fail("the root element must be <page>");
    return root;
  }

  void ReadDocument(TDocument& doc, IXMLDOMElement* pageElement, int depth) {
    doc.contentWidth = Int(pageElement, "width", 0);
    doc.contentHeight = Int(pageElement, "height", 0);
    doc.documentMode = Int(pageElement, "mode", 8);
    std::string ready = Text(pageElement, "ready", "0");
    doc.readyDelayMs = SameTextAscii(ready, "never") ? -1 : Number("ready", ready);
    doc.readyValue = FromUtf8(Text(pageElement, "readyValue", "complete"));
    doc.url = FromUtf8(Text(pageElement, "url", "about:blank"));
    doc.domain = FromUtf8(Text(pageElement, "domain", ""));
    doc.title = FromUtf8(Text(pageElement, "title", ""));
    doc.answersGetObject = !SameTextAscii(Text(pageElement, "getobject", "answer"), "ignore");
    TElement* scroller = doc.ScrollElement();
    scroller->border = Int(pageElement, "border", 0);
    scroller->borderColor = Color(pageElement, "borderColor", RGB(0, 0, 0));
    bool bars = !SameTextAscii(Text(pageElement, "scrollbars", "auto"), "none");
    doc.html->scrollbars = doc.body->scrollbars = bars;
    ReadFailingDraws(*scroller, pageElement);
    ReadFill(*doc.body, pageElement);
    ReadChildren(*doc.body, pageElement, depth);
  }

  void ReadScript(IXMLDOMElement* pageElement) {
    for (auto& script : ChildElements(pageElement)) {
      if (NodeName(script.get()) != "script") continue;
      for (auto& call : ChildElements(script.get()))
        if (NodeName(call.get()) == "call") page_.script.push_back(TrimW(NodeText(call.get())));
    }
  }

private:
  [[noreturn]] void Fail(const std::string& reason) const { throw Error(path_ + ": " + reason); }

  static std::string NodeName(IXMLDOMNode* node) {
    Bstr name;
    node->get_nodeName(name.put());
    return ToLowerAscii(ToUtf8(name.str()));
  }

  static std::vector<ComPtr<IXMLDOMNode>> ChildNodes(IXMLDOMNode* node) {
    std::vector<ComPtr<IXMLDOMNode>> out;
    ComPtr<IXMLDOMNodeList> list;
    long count = 0;
    if (FAILED(node->get_childNodes(list.put())) || !list) return out;
    list->get_length(&count);
    for (long i = 0; i < count; ++i) {
      ComPtr<IXMLDOMNode> child;
      if (SUCCEEDED(list->get_item(i, child.put())) && child) out.push_back(child);
    }
    return out;
  }

  static std::wstring NodeText(IXMLDOMNode* node) {
    std::wstring text;
    for (auto& child : ChildNodes(node)) {
      DOMNodeType type;
      if (FAILED(child->get_nodeType(&type)) || (type != NODE_TEXT && type != NODE_CDATA_SECTION)) continue;
      Bstr value;
      child->get_text(value.put());
      text += value.str();
    }
    return text;
  }

  static std::wstring TrimW(const std::wstring& s) {
    size_t first = s.find_first_not_of(L" \t\r\n"), last = s.find_last_not_of(L" \t\r\n");
    return first == std::wstring::npos ? std::wstring() : s.substr(first, last - first + 1);
  }

  static std::vector<ComPtr<IXMLDOMElement>> ChildElements(IXMLDOMNode* node) {
    std::vector<ComPtr<IXMLDOMElement>> out;
    for (auto& child : ChildNodes(node))
      if (auto element = child.As<IXMLDOMElement>(IID_IXMLDOMElement)) out.push_back(element);
    return out;
  }

  static std::optional<std::string> Attribute(IXMLDOMElement* e, const char* name) {
    Variant v;
    Bstr n(ToWide(name));
    if (e->getAttribute(n.get(), v.put()) == S_OK && V_VT(v.get()) == VT_BSTR) return ToUtf8(V_BSTR(v.get()));
    return std::nullopt;
  }
  static bool Has(IXMLDOMElement* e, const char* name) { return Attribute(e, name).has_value(); }
  static std::string Text(IXMLDOMElement* e, const char* name, const std::string& def) {
    return Attribute(e, name).value_or(def);
  }

  int Number(const char* name, const std::string& text) const {
    auto n = TryStrToInt(text);
    if (!n) Fail(Format("attribute %s: \"%s\" is not a number", name, text.c_str()));
    return *n;
  }

  int Int(IXMLDOMElement* e, const char* name, int def) const {
    return Has(e, name) ? Number(name, Text(e, name, "")) : def;
  }

  COLORREF Color(IXMLDOMElement* e, const char* name, COLORREF def) const {
    if (!Has(e, name)) return def;
    std::string text = Text(e, name, "");
    auto value = text.size() == 7 && text[0] == '#' ? TryStrToInt("$" + text.substr(1)) : std::nullopt;
    if (!value) Fail(Format("attribute %s: \"%s\" is not a colour #RRGGBB", name, text.c_str()));
    return RGB((*value >> 16) & 255, (*value >> 8) & 255, *value & 255);
  }

  void ReadFill(TElement& e, IXMLDOMElement* x) const {
    if (Has(x, "background")) {
      e.fill = TFill::Solid;
      e.color = Color(x, "background", e.color);
    }
    std::string pattern = Text(x, "pattern", "");
    if (pattern.empty()) return;
    if (SameTextAscii(pattern, "xy")) {
      e.fill = TFill::XY;
    } else if (SameTextAscii(pattern, "checker")) {
      e.fill = TFill::Checker;
      e.color = Color(x, "color", RGB(255, 255, 255));
      e.color2 = Color(x, "color2", RGB(0, 0, 0));
      e.cell = Int(x, "cell", 8);
      if (e.cell <= 0) Fail("attribute cell: must be positive");
    } else {
      Fail("attribute pattern: \"" + pattern + "\" is neither xy nor checker");
    }
  }

  void ReadFailingDraws(TElement& e, IXMLDOMElement* x) const {
    for (const std::string& n : SplitCommaText(Text(x, "failDraws", ""))) e.failingDraws.push_back(Number("failDraws", n));
  }

  void ReadChildren(TElement& parent, IXMLDOMElement* x, int depth) {
    for (auto& child : ChildElements(x)) {
      std::string name = NodeName(child.get());
      if (name == "script" || name == "page") continue;
      ReadElement(*parent.AddChild(std::make_unique<TElement>()), child.get(), name, depth);
    }
  }

  void ReadElement(TElement& e, IXMLDOMElement* x, const std::string& name, int depth) {
    e.tag = name;
    for (auto& ch : e.tag) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    long count = 0;
    if (SUCCEEDED(x->get_attributes(attributes.put())) && attributes) attributes->get_length(&count);
    for (long i = 0; i < count; ++i) {
      ComPtr<IXMLDOMNode> a;
      Bstr value;
      if (FAILED(attributes->get_item(i, a.put())) || !a) continue;
      a->get_text(value.put());
      e.attributes.emplace_back(NodeName(a.get()), ToUtf8(value.str()));
    }
    e.id = Text(x, "id", "");
    e.name = Text(x, "name", "");
    e.x = Int(x, "x", 0);
    e.y = Int(x, "y", 0);
    e.border = Int(x, "border", 0);
    e.borderColor = Color(x, "borderColor", e.borderColor);
    ReadFill(e, x);
    e.text = TrimW(NodeText(x));
    e.textColor = Color(x, "textColor", e.textColor);
    e.fontSize = Int(x, "fontSize", e.fontSize);
    if (Has(x, "font")) e.fontName = FromUtf8(Text(x, "font", ""));
    if (Has(x, "src") && e.tag == "IMG") {
      e.image = std::make_shared<TBitmap>();
      std::string file = Resolve(FolderOf(path_), ToAnsi(FromUtf8(Text(x, "src", ""))));
      try {
        e.image->LoadFromFile(file);
      } catch (const Error& error) {
        Fail("image " + file + ": " + error.what());
      }
    }
    e.width = Int(x, "width", e.image ? e.image->Width() : 0);
    e.height = Int(x, "height", e.image ? e.image->Height() : 0);
    std::string overflow = Text(x, "overflow", "visible");
    e.scrolls = SameTextAscii(overflow, "scroll") || SameTextAscii(overflow, "auto") || SameTextAscii(overflow, "hidden");
    e.scrollbars = e.scrolls && !SameTextAscii(overflow, "hidden");
    e.contentWidth = Int(x, "contentWidth", 0);
    e.contentHeight = Int(x, "contentHeight", 0);
    if (e.tag == "FRAME" || e.tag == "IFRAME") ReadFrame(e, x, depth);
    ReadChildren(e, x, depth);
    e.scrollLeft = Int(x, "scrollLeft", 0);
    e.scrollTop = Int(x, "scrollTop", 0);
    ReadFailingDraws(e, x);
  }

  void ReadFrame(TElement& e, IXMLDOMElement* x, int depth) {
    if (depth >= kMaxFrameDepth) Fail("frames nested deeper than 8");
    e.frame = std::make_unique<TDocument>(&page_, &e);
    if (Has(x, "src")) {
      std::string file = Resolve(FolderOf(path_), ToAnsi(FromUtf8(Text(x, "src", ""))));
      TPageReader reader(page_, file);
      reader.ReadDocument(*e.frame, reader.LoadRoot().get(), depth + 1);
      return;
    }
    for (auto& child : ChildElements(x))
      if (NodeName(child.get()) == "page") {
        ReadDocument(*e.frame, child.get(), depth + 1);
        return;
      }
  }

  TPage& page_;
  std::string path_;
};

}  // namespace

std::shared_ptr<TPage> LoadPageFile(const std::string& path) {
  auto page = std::make_shared<TPage>();
  page->path = path;
  TPageReader reader(*page, path);
  auto root = reader.LoadRoot();
  reader.ReadDocument(*page->top, root.get(), 0);
  reader.ReadScript(root.get());
  return page;
}

}  // namespace vt::browser

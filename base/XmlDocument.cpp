#include "base/XmlDocument.h"

#include <mlang.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <optional>

#include "base/Errors.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "base/Variant.h"

namespace vt {

namespace {

// The interface the platform's character-set names are looked up with (mlang.idl).
constexpr IID kIIDMultiLanguage2 = {0xDCCFC164, 0x2B38, 0x11D2, {0xB7, 0xEC, 0x00, 0xC0, 0x4F, 0x8F, 0x5D, 0x9A}};

// The file's first `most` bytes, or none when it cannot be read.
std::optional<std::string> ReadLocalFile(const std::string& path, size_t most) {
  // Sharing deleting too: a downloaded setting is held for deletion when its process ends.
  FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes(most, '\0');
  size_t got = 0;
  while (got < most) {
    DWORD read = 0;
    if (!::ReadFile(file.get(), &bytes[got], static_cast<DWORD>(most - got), &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    got += read;
  }
  bytes.resize(got);
  return bytes;
}

// The encoding that the XML declaration at the start of 8-bit text names, or empty.
std::string DeclaredEncoding(const std::string& bytes) {
  if (bytes.compare(0, 5, "<?xml") != 0) return {};
  const std::string declaration = bytes.substr(0, bytes.find("?>"));
  size_t at = declaration.find("encoding");
  if (at == std::string::npos) return {};
  at = declaration.find_first_not_of(" \t\r\n", at + 8);
  if (at == std::string::npos || declaration[at] != '=') return {};
  at = declaration.find_first_not_of(" \t\r\n", at + 1);
  if (at == std::string::npos || (declaration[at] != '"' && declaration[at] != '\'')) return {};
  const size_t close = declaration.find(declaration[at], at + 1);
  if (close == std::string::npos) return {};
  return declaration.substr(at + 1, close - at - 1);
}

// The code page of an encoding name as the platform knows it (UTF-8 for none); none for a name it
// does not know.
std::optional<UINT> CodePageOf(const std::string& name) {
  const std::string lower = ToLowerAscii(name);
  if (lower.empty() || lower == "utf-8" || lower == "utf8") return CP_UTF8;
  ComPtr<IMultiLanguage2> languages;
  if (FAILED(::CoCreateInstance(CLSID_CMultiLanguage, nullptr, CLSCTX_INPROC_SERVER, kIIDMultiLanguage2,
                                languages.put_void())))
    return std::nullopt;
  MIMECSETINFO info{};
  Bstr charset(ToWide(name));
  if (FAILED(languages->GetCharsetInfo(charset.get(), &info))) return std::nullopt;
  return info.uiInternetEncoding;
}

std::optional<std::wstring> Decode(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  // Some code pages take no flags at all.
  DWORD flags = MB_ERR_INVALID_CHARS;
  int length = ::MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  if (length == 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    length = ::MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  }
  if (length <= 0) return std::nullopt;
  std::wstring text(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, flags, bytes.data(), size, text.data(), length);
  return text;
}

std::optional<std::wstring> DecodeUtf16(const std::string& bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto first = static_cast<uint8_t>(bytes[2 * i]), second = static_cast<uint8_t>(bytes[2 * i + 1]);
    text[i] = static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return text;
}

// The document's text, as the parser would read it: UTF-16 by its byte-order mark or by a first
// "<" of two bytes, else in the encoding of its declaration; none for bytes that are no text of
// that encoding, for UTF-32 and for an encoding the platform does not know.
std::optional<std::wstring> DocumentText(const std::string& bytes) {
  auto startsWith = [&](const char* prefix, size_t length) { return bytes.compare(0, length, prefix, length) == 0; };
  if (startsWith("\xFF\xFE\0\0", 4) || startsWith("\0\0\xFE\xFF", 4)) return std::nullopt;
  if (startsWith("\xFF\xFE", 2)) return DecodeUtf16(bytes.substr(2), false);
  if (startsWith("\xFE\xFF", 2)) return DecodeUtf16(bytes.substr(2), true);
  if (startsWith("<\0", 2)) return DecodeUtf16(bytes, false);
  if (startsWith("\0<", 2)) return DecodeUtf16(bytes, true);
  if (startsWith("\xEF\xBB\xBF", 3)) return Decode(bytes.substr(3), CP_UTF8);
  const std::optional<UINT> codePage = CodePageOf(DeclaredEncoding(bytes));
  if (!codePage || *codePage == 1200 || *codePage == 1201 || *codePage == 12000 || *codePage == 12001)
    return std::nullopt;
  return Decode(bytes, *codePage);
}

// Where the XML declaration at the start of `text` ends; none without one.
std::optional<size_t> DeclarationEnd(const std::wstring& text) {
  if (text.compare(0, 5, L"<?xml") != 0 || text.size() < 6 || !std::iswspace(text[5])) return std::nullopt;
  const size_t end = text.find(L"?>");
  if (end == std::wstring::npos) return std::nullopt;
  return end + 2;
}

// The first bound that the markup of `text` passes, as a sentence for the log; none within all.
// Counted as the parser will meet it: text outside tags holds no "<", and values in tags are quoted.
// The XML declaration is no element.
std::optional<std::string> BeyondBounds(const std::wstring& text) {
  int64_t elements = 0, attributes = 0;
  int depth = 0;
  for (size_t i = DeclarationEnd(text).value_or(0); (i = text.find(L'<', i)) != std::wstring::npos;) {
    auto at = [&](const wchar_t* markup) { return text.compare(i, std::wcslen(markup), markup) == 0; };
    const wchar_t* close = at(L"<!--") ? L"-->" : at(L"<![CDATA[") ? L"]]>" : at(L"<?") ? L"?>" : nullptr;
    if (close) {
      ++elements;
      const size_t end = text.find(close, i + 2);
      if (end == std::wstring::npos) break;
      i = end + std::wcslen(close);
    } else if (at(L"<!")) {
      return std::string("it has a document type");
    } else if (at(L"</")) {
      --depth;
      if ((i = text.find(L'>', i)) == std::wstring::npos) break;
      ++i;
    } else {
      ++elements;
      wchar_t quote = 0;
      size_t end = i + 1;
      for (; end < text.size(); ++end) {
        const wchar_t c = text[end];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == L'"' || c == L'\'') {
          quote = c;
        } else if (c == L'=') {
          ++attributes;
        } else if (c == L'>') {
          break;
        }
      }
      if (end >= text.size()) break;
      if (text[end - 1] != L'/') ++depth;
      i = end + 1;
    }
    if (elements > TXmlDocument::kMaxElements)
      return Format("it has more than %d elements", TXmlDocument::kMaxElements);
    if (attributes > TXmlDocument::kMaxAttributes)
      return Format("it has more than %d attributes", TXmlDocument::kMaxAttributes);
    if (depth > TXmlDocument::kMaxDepth)
      return Format("its elements are nested more than %d deep", TXmlDocument::kMaxDepth);
  }
  return std::nullopt;
}

// The text without its XML declaration: it is decoded already, and the parser would apply the
// encoding the declaration names once more.
void DropDeclaration(std::wstring& text) {
  if (const std::optional<size_t> end = DeclarationEnd(text)) text.erase(0, *end);
}

}  // namespace

TXmlDocument::TXmlDocument() {
  if (FAILED(::CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                doc_.put_void())))
    doc_.reset();
  if (!doc_) return;
  // A setting is read where it is needed: no background loading, no entities fetched from elsewhere.
  doc_->put_async(VARIANT_FALSE);
  doc_->put_resolveExternals(VARIANT_FALSE);
  doc_->put_validateOnParse(VARIANT_FALSE);
}

bool TXmlDocument::Load(const std::string& path) {
  loaded_ = false;
  refusal_.clear();
  if (!doc_) return false;
  std::optional<std::string> bytes = ReadLocalFile(path, kMaxLocalSize + 1);
  if (!bytes) return false;
  if (static_cast<int64_t>(bytes->size()) > kMaxLocalSize) {
    refusal_ = Format("it is larger than %d bytes", static_cast<int>(kMaxLocalSize));
    return false;
  }
  std::optional<std::wstring> text = DocumentText(*bytes);
  if (!text) return false;
  if (std::optional<std::string> beyond = BeyondBounds(*text)) {
    refusal_ = *beyond;
    return false;
  }
  DropDeclaration(*text);
  Bstr xml(*text);
  VARIANT_BOOL ok = VARIANT_FALSE;
  if (FAILED(doc_->loadXML(xml.get(), &ok)) || ok != VARIANT_TRUE) return false;
  loaded_ = true;
  return true;
}

ComPtr<IXMLDOMNode> TXmlDocument::Root() const {
  ComPtr<IXMLDOMNode> node;
  if (!doc_ || !loaded_) return node;
  ComPtr<IXMLDOMElement> root;
  if (FAILED(doc_->get_documentElement(root.put())) || !root) return node;
  return root.As<IXMLDOMNode>(IID_IXMLDOMNode);
}

ComPtr<IXMLDOMNode> SelectChild(IXMLDOMNode* parent, const std::wstring& name) {
  ComPtr<IXMLDOMNode> node;
  if (!parent) return node;
  Bstr query(name);
  if (parent->selectSingleNode(query.get(), node.put()) != S_OK) node.reset();
  return node;
}

std::vector<ComPtr<IXMLDOMNode>> ChildNodes(IXMLDOMNode* parent) {
  ComPtr<IXMLDOMNodeList> list;
  if (!parent || FAILED(parent->get_childNodes(list.put())) || !list) throw Error("XML node has no child list");
  // Walked with nextNode: looking each one up by index takes a walk from the first child.
  std::vector<ComPtr<IXMLDOMNode>> children;
  for (;;) {
    ComPtr<IXMLDOMNode> child;
    HRESULT hr = list->nextNode(child.put());
    if (FAILED(hr)) throw Error("XML child list cannot be read", hr);
    if (hr != S_OK || !child) return children;
    children.push_back(child);
  }
}

std::wstring NodeText(IXMLDOMNode* node) {
  if (!node) return {};
  Variant value;
  std::wstring text;
  if (SUCCEEDED(node->get_nodeTypedValue(value.put())) &&
      SUCCEEDED(::VariantChangeType(value.get(), value.get(), 0, VT_BSTR)) && V_BSTR(value.get()))
    text.assign(V_BSTR(value.get()), std::min<size_t>(::SysStringLen(V_BSTR(value.get())), kMaxNodeText));
  return text;
}

std::wstring NodeName(IXMLDOMNode* node) {
  Bstr name;
  if (node) node->get_nodeName(name.put());
  return name.str();
}

}  // namespace vt

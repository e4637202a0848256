// MSXML's DOM document through COM, and the few node lookups the control needs.
#pragma once
#include <windows.h>
#include <msxml.h>
#include <cstdint>
#include <string>
#include <vector>

#include "base/ComPtr.h"

namespace vt {

class TXmlDocument {
public:
  // Creates the DOM document; without COM on this thread it stays empty and every Load fails.
  TXmlDocument();

  // Parses a file path or URL synchronously; false when it cannot be read or parsed, for a
  // local file over `kMaxLocalSize`, which no setting needs and which would only swell the
  // parser's memory, and for a document with a document type: its entities would be expanded
  // each time a value is read, without a bound the parser keeps.
  bool Load(const std::string& source);
  // The root element of the last successful Load, or none.
  ComPtr<IXMLDOMNode> Root() const;
  bool Created() const { return static_cast<bool>(doc_); }

  static constexpr int64_t kMaxLocalSize = 1024 * 1024;

private:
  ComPtr<IXMLDOMDocument> doc_;
  bool loaded_ = false;
};

// No value of a setting needs more characters; NodeText gives no more.
constexpr size_t kMaxNodeText = 4096;

// The first child element of `parent` with exactly this name, or none.
ComPtr<IXMLDOMNode> SelectChild(IXMLDOMNode* parent, const std::wstring& name);
// Every child node in document order; throws vt::Error when the list cannot be read.
std::vector<ComPtr<IXMLDOMNode>> ChildNodes(IXMLDOMNode* parent);
// The node's typed value read as text (an element's text content), cut after kMaxNodeText
// characters.
std::wstring NodeText(IXMLDOMNode* node);
std::wstring NodeName(IXMLDOMNode* node);

}  // namespace vt

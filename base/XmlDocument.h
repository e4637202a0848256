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

  // Parses a file path or URL synchronously; false when it cannot be read or parsed, and
  // for a local file over `kMaxLocalSize`, which no setting needs and which would only
  // swell the parser's memory.
  bool Load(const std::string& source);
  // The root element of the last successful Load, or none.
  ComPtr<IXMLDOMNode> Root() const;
  bool Created() const { return static_cast<bool>(doc_); }

  static constexpr int64_t kMaxLocalSize = 1024 * 1024;

private:
  ComPtr<IXMLDOMDocument> doc_;
};

// The first child element of `parent` with exactly this name, or none.
ComPtr<IXMLDOMNode> SelectChild(IXMLDOMNode* parent, const std::wstring& name);
// Every child node in document order; throws vt::Error when the list cannot be read.
std::vector<ComPtr<IXMLDOMNode>> ChildNodes(IXMLDOMNode* parent);
// The node's typed value read as text (an element's text content).
std::wstring NodeText(IXMLDOMNode* node);
std::wstring NodeName(IXMLDOMNode* node);

}  // namespace vt

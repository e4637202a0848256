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

  // Parses the local file at `path` synchronously: its text is decoded first (by its byte-order
  // mark, else by the encoding its XML declaration names, else as UTF-8) and counted, and the
  // parser gets exactly that text. False when the file cannot be read, decoded or parsed, and when
  // it passes a bound below; Refusal then says which.
  bool Load(const std::string& path);
  // The root element of the last successful Load, or none.
  ComPtr<IXMLDOMNode> Root() const;
  bool Created() const { return static_cast<bool>(doc_); }
  // Why the last Load refused the document before parsing it, as a sentence for the log; empty
  // after a successful Load and after one that failed for another reason.
  const std::string& Refusal() const { return refusal_; }

  // Bounds of a document, far above what a header/footer setting needs (some dozens of elements,
  // no attribute, five levels) and far below what keeps the parser busy for long: its work grows
  // with the nodes, and with the square of the attributes of one element. A local file larger than
  // kMaxLocalSize would only swell the parser's memory. A document type is refused too: its
  // entities would be expanded each time a value is read, without a bound the parser keeps.
  static constexpr int64_t kMaxLocalSize = 1024 * 1024;
  // Comments, CDATA sections and processing instructions count as elements; the XML declaration
  // does not.
  static constexpr int kMaxElements = 10000;
  static constexpr int kMaxAttributes = 1000;
  static constexpr int kMaxDepth = 64;

private:
  ComPtr<IXMLDOMDocument> doc_;
  bool loaded_ = false;
  std::string refusal_;
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

#include "base/XmlDocument.h"

#include <algorithm>

#include "base/Errors.h"
#include "base/Strings.h"
#include "base/Variant.h"

namespace vt {

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

bool TXmlDocument::Load(const std::string& source) {
  loaded_ = false;
  if (!doc_) return false;
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (::GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &info)) {
    int64_t size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > kMaxLocalSize) return false;
  }
  Bstr path(ToWide(source));
  VARIANT where;
  ::VariantInit(&where);
  where.vt = VT_BSTR;
  where.bstrVal = path.get();
  VARIANT_BOOL ok = VARIANT_FALSE;
  if (FAILED(doc_->load(where, &ok)) || ok != VARIANT_TRUE) return false;
  ComPtr<IXMLDOMDocumentType> type;
  if (FAILED(doc_->get_doctype(type.put())) || type) return false;
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

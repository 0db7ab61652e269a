// Queries over XML text: XPath selection, root namespace, element values,
// normalisation, the item number of a det element.
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cstring>

#include "platform/exception.h"
#include "platform/text.h"
#include "servers/govutils/GovUtilsServerImpl.h"
#include "servers/govutils/XmlSupport.h"

namespace xnd {

namespace {

using govutils::NodeText;
using govutils::NodeXml;
using govutils::ParseXml;
using govutils::RootElement;
using govutils::XmlCharPtr;
using govutils::XPathFailureMessage;
using govutils::XmlDocPtr;
using govutils::XmlErrorCapture;

struct XPathContextDeleter {
  void operator()(xmlXPathContext* aContext) const noexcept { xmlXPathFreeContext(aContext); }
};
struct XPathCompExprDeleter {
  void operator()(xmlXPathCompExpr* aExpr) const noexcept { xmlXPathFreeCompExpr(aExpr); }
};
struct XPathObjectDeleter {
  void operator()(xmlXPathObject* aObject) const noexcept { xmlXPathFreeObject(aObject); }
};
using XPathContextPtr = std::unique_ptr<xmlXPathContext, XPathContextDeleter>;
using XPathCompExprPtr = std::unique_ptr<xmlXPathCompExpr, XPathCompExprDeleter>;
using XPathObjectPtr = std::unique_ptr<xmlXPathObject, XPathObjectDeleter>;

struct NamespaceBinding {
  std::string Prefix;
  std::string Uri;
};

bool IsBlank(char aChar) { return aChar == ' ' || aChar == '\t' || aChar == '\r' || aChar == '\n'; }

[[noreturn]] void RaiseBadPrefixes(std::string_view aPrefixes) {
  throw EOleException("Declaração de namespace inválida: \"" + std::string(aPrefixes) + "\"");
}

// Reads one xmlns[:prefix]="uri" declaration starting at aPos.
NamespaceBinding ReadDeclaration(std::string_view aText, std::size_t& aPos) {
  constexpr std::string_view kXmlns = "xmlns";
  if (aText.substr(aPos, kXmlns.size()) != kXmlns) RaiseBadPrefixes(aText);
  aPos += kXmlns.size();
  NamespaceBinding binding;
  if (aPos < aText.size() && aText[aPos] == ':') {
    const std::size_t end = aText.find('=', ++aPos);
    if (end == std::string_view::npos) RaiseBadPrefixes(aText);
    binding.Prefix = Trim(aText.substr(aPos, end - aPos));
    if (binding.Prefix.empty()) RaiseBadPrefixes(aText);
    aPos = end;
  }
  while (aPos < aText.size() && IsBlank(aText[aPos])) ++aPos;
  if (aPos >= aText.size() || aText[aPos] != '=') RaiseBadPrefixes(aText);
  ++aPos;
  while (aPos < aText.size() && IsBlank(aText[aPos])) ++aPos;
  if (aPos >= aText.size() || (aText[aPos] != '"' && aText[aPos] != '\'')) RaiseBadPrefixes(aText);
  const char quote = aText[aPos++];
  const std::size_t close = aText.find(quote, aPos);
  if (close == std::string_view::npos) RaiseBadPrefixes(aText);
  binding.Uri = std::string(aText.substr(aPos, close - aPos));
  aPos = close + 1;
  return binding;
}

// Declarations separated by blanks; a default declaration (xmlns="...") has no
// use in XPath 1.0 and is skipped.
std::vector<NamespaceBinding> ParsePrefixes(std::string_view aPrefixes) {
  std::vector<NamespaceBinding> bindings;
  std::size_t pos = 0;
  for (;;) {
    while (pos < aPrefixes.size() && IsBlank(aPrefixes[pos])) ++pos;
    if (pos >= aPrefixes.size()) break;
    NamespaceBinding binding = ReadDeclaration(aPrefixes, pos);
    if (!binding.Prefix.empty()) bindings.push_back(std::move(binding));
  }
  return bindings;
}

std::string XPathFailure(const std::string& aXPath, const XmlErrorCapture& aCapture) {
  return XPathFailureMessage(aXPath, aCapture.Errors());
}

XPathObjectPtr Evaluate(const XmlDocPtr& aDoc, const std::string& aXPath,
                        const std::string& aPrefixes) {
  const std::vector<NamespaceBinding> bindings = ParsePrefixes(aPrefixes);
  XmlErrorCapture capture;
  const XPathContextPtr context(xmlXPathNewContext(aDoc.get()));
  if (!context) throw EOleException("Sem memória para avaliar a expressão XPath");
  // Relative expressions (".//tec:infNFe", "*") start at the document node.
  context->node = reinterpret_cast<xmlNode*>(aDoc.get());
  for (const NamespaceBinding& binding : bindings) {
    if (xmlXPathRegisterNs(context.get(), BAD_CAST binding.Prefix.c_str(),
                           BAD_CAST binding.Uri.c_str()) != 0) {
      throw EOleException("Não foi possível registrar o prefixo \"" + binding.Prefix + "\"");
    }
  }
  const XPathCompExprPtr expr(xmlXPathCtxtCompile(context.get(), BAD_CAST aXPath.c_str()));
  if (!expr) throw EOleException(XPathFailure(aXPath, capture));
  XPathObjectPtr result(xmlXPathCompiledEval(expr.get(), context.get()));
  if (!result) throw EOleException(XPathFailure(aXPath, capture));
  return result;
}

void CheckMode(int aMode) {
  if (aMode != smTextValue && aMode != smNodeXml) {
    throw EOleException("Modo de seleção inválido: " + std::to_string(aMode));
  }
}

std::string NodeValue(xmlNode* aNode, int aMode) {
  return aMode == smNodeXml ? NodeXml(aNode) : NodeText(aNode);
}

// Values of the result, at most aLimit of them; a scalar result gives its text.
std::vector<std::string> Select(const std::string& aXml, const std::string& aXPath, int aMode,
                                const std::string& aPrefixes, std::size_t aLimit) {
  CheckMode(aMode);
  const XmlDocPtr doc = ParseXml(aXml);
  const XPathObjectPtr result = Evaluate(doc, aXPath, aPrefixes);
  std::vector<std::string> values;
  switch (result->type) {
    case XPATH_NODESET: {
      const xmlNodeSet* nodes = result->nodesetval;
      const int count = nodes != nullptr ? nodes->nodeNr : 0;
      for (int i = 0; i < count && values.size() < aLimit; ++i)
        values.push_back(NodeValue(nodes->nodeTab[i], aMode));
      break;
    }
    case XPATH_BOOLEAN:
    case XPATH_NUMBER:
    case XPATH_STRING: {
      const XmlCharPtr text(xmlXPathCastToString(result.get()));
      values.push_back(govutils::ToString(text.get()));
      break;
    }
    default:
      break;
  }
  return values;
}

bool HasLocalName(const xmlNode* aNode, const std::string& aName) {
  return aNode->type == XML_ELEMENT_NODE && aName == reinterpret_cast<const char*>(aNode->name);
}

// First element named aName among the descendants of aNode, in document order.
const xmlNode* FindDescendant(const xmlNode* aNode, const std::string& aName) {
  for (const xmlNode* child = aNode->children; child != nullptr; child = child->next) {
    if (HasLocalName(child, aName)) return child;
    if (const xmlNode* found = FindDescendant(child, aName)) return found;
  }
  return nullptr;
}

bool IsBlankText(const xmlNode* aNode) {
  if (aNode->type != XML_TEXT_NODE || aNode->content == nullptr) return false;
  for (const xmlChar* c = aNode->content; *c != 0; ++c) {
    if (!IsBlank(static_cast<char>(*c))) return false;
  }
  return true;
}

bool HasElementChild(const xmlNode* aNode) {
  for (const xmlNode* child = aNode->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) return true;
  }
  return false;
}

// Drops the whitespace-only text between elements; the text of a leaf element
// stays, blank or not.
void RemoveBlankTextBetweenElements(xmlNode* aNode) {
  const bool elementContent = HasElementChild(aNode);
  xmlNode* child = aNode->children;
  while (child != nullptr) {
    xmlNode* next = child->next;
    if (elementContent && IsBlankText(child)) {
      xmlUnlinkNode(child);
      xmlFreeNode(child);
    } else if (child->type == XML_ELEMENT_NODE) {
      RemoveBlankTextBetweenElements(child);
    }
    child = next;
  }
}

}  // namespace

bool TGovUtilsServer::SelectValue(const std::string& aXml, const std::string& aXPath, int aMode,
                                  const std::string& aPrefixes, std::string& aValue) {
  std::vector<std::string> values = Select(aXml, aXPath, aMode, aPrefixes, 1);
  aValue = values.empty() ? std::string() : std::move(values.front());
  return !values.empty();
}

bool TGovUtilsServer::SelectNodes(const std::string& aXml, const std::string& aXPath, int aMode,
                                  const std::string& aPrefixes, std::vector<std::string>& aNodes) {
  aNodes = Select(aXml, aXPath, aMode, aPrefixes, static_cast<std::size_t>(-1));
  return !aNodes.empty();
}

std::string TGovUtilsServer::GetRootNamespace(const std::string& aXml) {
  const XmlDocPtr doc = ParseXml(aXml);
  const xmlNode* root = RootElement(doc);
  return root->ns != nullptr ? govutils::ToString(root->ns->href) : std::string();
}

std::string TGovUtilsServer::GetElementValue(const std::string& aXml, const std::string& aParent,
                                             const std::string& aElement) {
  const XmlDocPtr doc = ParseXml(aXml);
  const xmlNode* scope = reinterpret_cast<const xmlNode*>(doc.get());
  if (!aParent.empty()) scope = FindDescendant(scope, aParent);
  const xmlNode* element = scope != nullptr ? FindDescendant(scope, aElement) : nullptr;
  return element != nullptr ? NodeText(element) : std::string();
}

// The root element alone (no XML declaration, nothing outside it), without the
// whitespace between elements. A carriage return in the content is written as
// the character itself rather than libxml2's "&#13;", so that text searches on
// the result see the character a "&#xD;" reference stood for.
std::string TGovUtilsServer::NormalizeXml(const std::string& aXml) {
  const XmlDocPtr doc = ParseXml(aXml);
  xmlNode* root = RootElement(doc);
  RemoveBlankTextBetweenElements(root);
  return StringReplace(NodeXml(root), "&#13;", "\r");
}

// The nItem attribute of the det element at the root (or of the first det
// inside it); empty when the element has none.
std::string TGovUtilsServer::GetItemNumber(const std::string& aDetXml) {
  const XmlDocPtr doc = ParseXml(aDetXml);
  const xmlNode* det = RootElement(doc);
  if (!HasLocalName(det, "det")) det = FindDescendant(det, "det");
  if (det == nullptr) return {};
  const XmlCharPtr value(xmlGetNoNsProp(det, BAD_CAST "nItem"));
  return govutils::ToString(value.get());
}

}  // namespace xnd

// libxml2 plumbing of the xndGovX server: owning pointers, the one safe way
// documents are parsed, serialisation without added formatting, and node
// look-ups by local name.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace xnd::govx {

struct XmlDocDeleter {
  void operator()(xmlDoc* a) const noexcept { xmlFreeDoc(a); }
};
struct XmlNodeDeleter {
  void operator()(xmlNode* a) const noexcept { xmlFreeNode(a); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocDeleter>;
using XmlNodePtr = std::unique_ptr<xmlNode, XmlNodeDeleter>;

// The largest XML text the server parses (signing, envelopes, answers):
// 16 MB, the bound of a SOAP answer too. A batch is limited to 500 KB; the
// bound keeps a runaway input from costing gigabytes of memory.
inline constexpr std::size_t MaxXmlBytes = 16u * 1024u * 1024u;

// Initialises libxml2 once for the process.
void InitXml();

// Parses without network access, without entity substitution and without
// loading DTDs; a document with a DOCTYPE is refused (no entity bombs, no
// external entities). On failure: nullptr and aError gets libxml2's reason
// ("linha N: ...").
XmlDocPtr TryParseXml(std::string_view aXml, std::string& aError);
// The same, raising EOleException "<aWhat> não é um XML válido: <reason>";
// a text longer than MaxXmlBytes is refused before parsing with
// "<aWhat> tem N bytes, acima do limite de 16 MB.".
XmlDocPtr ParseXml(std::string_view aXml, const std::string& aWhat);

// Position in document order of an element among all the elements of its
// document (the root is 0).
std::size_t ElementIndex(const xmlNode* aElement);
// Byte offset of the "</" of the end tag of the aIndex-th element (document
// order) in the well-formed text aXml; npos when that element has no end
// tag (an empty-element tag) or the text does not have that many elements.
std::size_t EndTagOffset(std::string_view aXml, std::size_t aIndex);

// One node (and its subtree) as text: no declaration, no indentation, no
// line breaks added, in the document's encoding (UTF-8 when it declares none).
std::string SerializeNode(xmlDoc* aDoc, xmlNode* aNode);
// The content of aElement as a UTF-8 fragment that stands on its own: each
// child element carries the namespace declarations it uses, including those
// made on its ancestors.
std::string InnerXml(xmlDoc* aDoc, xmlNode* aElement);

// Local name / namespace URI / text helpers.
bool HasLocalName(const xmlNode* aNode, std::string_view aName);
std::string NamespaceUri(const xmlNode* aNode);
std::string NodeText(const xmlNode* aNode);
// First element child of aNode with local name aName (any namespace).
xmlNode* ChildElement(xmlNode* aNode, std::string_view aName);
// First element child, whatever its name.
xmlNode* FirstChildElement(xmlNode* aNode);
// Depth-first, document order: the first element below or at aRoot with
// local name aName whose namespace is aNamespace (any namespace when empty).
xmlNode* FindElement(xmlNode* aRoot, std::string_view aName, std::string_view aNamespace = {});
// The same, comparing the local name ignoring ASCII letter case, any namespace.
xmlNode* FindElementIgnoringCase(xmlNode* aRoot, std::string_view aName);
// The same, but the element must have an attribute aAttribute equal to aValue.
xmlNode* FindElementWithAttribute(xmlNode* aRoot, std::string_view aName,
                                  std::string_view aAttribute, std::string_view aValue);

}  // namespace xnd::govx

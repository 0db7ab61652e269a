// libxml2 plumbing of the xndGovUtils server: owning pointers, per-call error
// capture, the one safe way documents are parsed, and node serialisation.
#pragma once

#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xnd::govutils {

struct XmlDocDeleter {
  void operator()(xmlDoc* aDoc) const noexcept { xmlFreeDoc(aDoc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocDeleter>;

struct XmlCharDeleter {
  void operator()(xmlChar* aText) const noexcept { xmlFree(aText); }
};
using XmlCharPtr = std::unique_ptr<xmlChar, XmlCharDeleter>;

// One diagnostic reported by libxml2.
struct XmlIssue {
  int Line = 0;
  std::string File;
  std::string Message;  // without the trailing line break
  int Domain = 0;       // libxml2's xmlErrorDomain and xmlParserErrors
  int Code = 0;
};

// libxml2 stops an XPath evaluation whose node set would pass this many
// nodes, and reports it as it reports an allocation failure.
inline constexpr long XPathNodeSetLimit = 10000000;

// The message of a failed XPath expression: "Expressão XPath inválida
// \"<xpath>\": <reason>", or, when libxml2 gave up for its node-set limit
// (or for want of memory), a message naming that limit.
std::string XPathFailureMessage(const std::string& aXPath, const std::vector<XmlIssue>& aIssues);

// Routes every libxml2 diagnostic of the calling thread to this object while it
// lives (nothing reaches stderr) and restores the previous handlers on exit.
// libxml2 keeps these handlers per thread, so concurrent calls do not mix.
class XmlErrorCapture {
 public:
  XmlErrorCapture();
  ~XmlErrorCapture();
  XmlErrorCapture(const XmlErrorCapture&) = delete;
  XmlErrorCapture& operator=(const XmlErrorCapture&) = delete;

  // Handler with this object as context, for APIs that take their own.
  static void Collect(void* aCapture, xmlErrorPtr aError);

  const std::vector<XmlIssue>& Errors() const noexcept { return FErrors; }
  bool Empty() const noexcept { return FErrors.empty(); }
  // "linha N: message" (just the message when libxml2 gives no line).
  static std::string Describe(const XmlIssue& aIssue);

 private:
  std::vector<XmlIssue> FErrors;
  xmlStructuredErrorFunc FPreviousStructured;
  void* FPreviousStructuredContext;
  xmlGenericErrorFunc FPreviousGeneric;
  void* FPreviousGenericContext;
};

// Initialises libxml2 once for the process and refuses network loads of
// external resources (schema includes, entities) from then on.
void InitXmlLibrary();

// The largest XML text the server parses: 16 MB (a batch is limited to
// 500 KB; the bound keeps a runaway input from costing gigabytes).
inline constexpr std::size_t MaxXmlBytes = 16u * 1024u * 1024u;

// Parses a document: no network, no entity substitution, no DTD loading,
// libxml2's default limits. A document with a DOCTYPE is refused, which keeps
// entity bombs and external entities out. Malformed input raises EOleException
// "XML mal formado, linha N: <libxml2 message>"; a text longer than
// MaxXmlBytes raises "XML grande demais: N bytes (o limite é de 16 MB)."
// before any parsing.
XmlDocPtr ParseXml(std::string_view aXml);

// The root element; raises when the document has none.
xmlNode* RootElement(const XmlDocPtr& aDoc);

// The XML of an element as a document of its own: it carries every namespace
// declaration it needs, including those declared on its ancestors.
std::string ElementXml(const xmlNode* aElement);
// The XML of a node for the node kinds a query can return (elements as in
// ElementXml, the document as its root element, attributes as their value).
std::string NodeXml(xmlNode* aNode);
// The XPath string value of a node.
std::string NodeText(const xmlNode* aNode);

std::string ToString(const xmlChar* aText);

}  // namespace xnd::govutils

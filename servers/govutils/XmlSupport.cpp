#include "servers/govutils/XmlSupport.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xpath.h>

#include <climits>
#include <mutex>

#include "platform/exception.h"
#include "platform/text.h"

namespace xnd::govutils {

namespace {

struct ParserCtxtDeleter {
  void operator()(xmlParserCtxt* aCtxt) const noexcept { xmlFreeParserCtxt(aCtxt); }
};
using ParserCtxtPtr = std::unique_ptr<xmlParserCtxt, ParserCtxtDeleter>;

struct XmlBufferDeleter {
  void operator()(xmlBuffer* aBuffer) const noexcept { xmlBufferFree(aBuffer); }
};
using XmlBufferPtr = std::unique_ptr<xmlBuffer, XmlBufferDeleter>;

// Network off, entities left as references, no DTD loaded, default limits
// (no XML_PARSE_HUGE). BIG_LINES keeps line numbers right past 65535.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES;

void IgnoreGenericError(void*, const char*, ...) {}

// What the SAX hook below records on the parser context.
struct ParseState {
  bool DoctypeFound = false;
};

// A DOCTYPE stops the parser at once: NF-e and SOAP documents never carry one,
// and refusing it before its declarations are read keeps entity expansion and
// external entities out of every later step (string values, serialisation).
void RefuseDoctype(void* aCtxt, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxt*>(aCtxt);
  static_cast<ParseState*>(ctxt->_private)->DoctypeFound = true;
  xmlStopParser(ctxt);
}

// One line: the trailing line break goes, inner ones become blanks.
std::string OneLine(std::string aText) {
  while (!aText.empty() && (aText.back() == '\n' || aText.back() == '\r')) aText.pop_back();
  for (char& c : aText) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return aText;
}

[[noreturn]] void RaiseMalformed(const XmlErrorCapture& aCapture, std::string_view aXml) {
  if (!aCapture.Empty()) {
    throw EOleException("XML mal formado, " + XmlErrorCapture::Describe(aCapture.Errors().front()));
  }
  throw EOleException(aXml.empty() ? "XML mal formado: o documento está vazio" : "XML mal formado");
}

std::string Dump(xmlDoc* aDoc, xmlNode* aNode) {
  const XmlBufferPtr buffer(xmlBufferCreate());
  if (!buffer) throw EOleException("Sem memória para serializar o XML");
  if (xmlNodeDump(buffer.get(), aDoc, aNode, 0, 0) < 0) {
    throw EOleException("Não foi possível serializar o XML");
  }
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace

XmlErrorCapture::XmlErrorCapture()
    : FPreviousStructured(xmlStructuredError),
      FPreviousStructuredContext(xmlStructuredErrorContext),
      FPreviousGeneric(xmlGenericError),
      FPreviousGenericContext(xmlGenericErrorContext) {
  xmlSetStructuredErrorFunc(this, &XmlErrorCapture::Collect);
  xmlSetGenericErrorFunc(this, &IgnoreGenericError);
}

XmlErrorCapture::~XmlErrorCapture() {
  xmlSetStructuredErrorFunc(FPreviousStructuredContext, FPreviousStructured);
  xmlSetGenericErrorFunc(FPreviousGenericContext, FPreviousGeneric);
}

void XmlErrorCapture::Collect(void* aCapture, xmlErrorPtr aError) {
  if (aCapture == nullptr || aError == nullptr || aError->level < XML_ERR_ERROR) return;
  XmlIssue issue;
  issue.Line = aError->line;
  issue.File = aError->file != nullptr ? aError->file : "";
  issue.Message = OneLine(aError->message != nullptr ? aError->message : "erro desconhecido");
  issue.Domain = aError->domain;
  issue.Code = aError->code;
  static_cast<XmlErrorCapture*>(aCapture)->FErrors.push_back(std::move(issue));
}

std::string XmlErrorCapture::Describe(const XmlIssue& aIssue) {
  if (aIssue.Line <= 0) return aIssue.Message;
  return "linha " + std::to_string(aIssue.Line) + ": " + aIssue.Message;
}

std::string XPathFailureMessage(const std::string& aXPath, const std::vector<XmlIssue>& aIssues) {
  for (const XmlIssue& issue : aIssues) {
    if (issue.Domain == XML_FROM_XPATH && issue.Code == XML_ERR_NO_MEMORY) {
      return Format(
          "A expressão XPath \"%s\" não pôde ser avaliada: a seleção passou do limite de %d nós "
          "da biblioteca XML, ou a memória se esgotou.",
          aXPath, XPathNodeSetLimit);
    }
  }
  std::string message = "Expressão XPath inválida \"" + aXPath + "\"";
  if (!aIssues.empty()) message += ": " + aIssues.front().Message;
  return message;
}

void InitXmlLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
  });
}

XmlDocPtr ParseXml(std::string_view aXml) {
  InitXmlLibrary();
  if (aXml.size() > MaxXmlBytes) {
    throw EOleException("XML grande demais: " + std::to_string(aXml.size()) +
                        " bytes (o limite é de 16 MB).");
  }
  XmlErrorCapture capture;
  const ParserCtxtPtr ctxt(xmlNewParserCtxt());
  if (!ctxt) throw EOleException("Sem memória para ler o XML");
  ParseState state;
  ctxt->_private = &state;
  ctxt->sax->internalSubset = &RefuseDoctype;
  XmlDocPtr doc(xmlCtxtReadMemory(ctxt.get(), aXml.data(), static_cast<int>(aXml.size()), nullptr,
                                  nullptr, kParseOptions));
  if (state.DoctypeFound) {
    throw EOleException("XML com declaração DOCTYPE não é aceito (linha " +
                        std::to_string(ctxt->input != nullptr ? ctxt->input->line : 0) + ")");
  }
  if (!doc || ctxt->wellFormed == 0) RaiseMalformed(capture, aXml);
  return doc;
}

xmlNode* RootElement(const XmlDocPtr& aDoc) {
  xmlNode* root = xmlDocGetRootElement(aDoc.get());
  if (root == nullptr) throw EOleException("XML sem elemento raiz");
  return root;
}

std::string ElementXml(const xmlNode* aElement) {
  const XmlDocPtr holder(xmlNewDoc(BAD_CAST "1.0"));
  if (!holder) throw EOleException("Sem memória para copiar o elemento XML");
  // Copying into a document of its own makes libxml2 declare on the copy every
  // namespace the subtree uses that was declared on an ancestor.
  xmlNode* copy = xmlDocCopyNode(const_cast<xmlNode*>(aElement), holder.get(), 1);
  if (copy == nullptr) throw EOleException("Sem memória para copiar o elemento XML");
  xmlDocSetRootElement(holder.get(), copy);
  return Dump(holder.get(), copy);
}

std::string NodeXml(xmlNode* aNode) {
  switch (aNode->type) {
    case XML_ELEMENT_NODE:
      return ElementXml(aNode);
    case XML_DOCUMENT_NODE: {
      const xmlNode* root = xmlDocGetRootElement(reinterpret_cast<xmlDoc*>(aNode));
      return root != nullptr ? ElementXml(root) : std::string();
    }
    case XML_ATTRIBUTE_NODE:
    case XML_NAMESPACE_DECL:
      return NodeText(aNode);
    default:
      return Dump(aNode->doc, aNode);
  }
}

std::string NodeText(const xmlNode* aNode) {
  const XmlCharPtr text(xmlXPathCastNodeToString(const_cast<xmlNode*>(aNode)));
  return ToString(text.get());
}

std::string ToString(const xmlChar* aText) {
  return aText != nullptr ? std::string(reinterpret_cast<const char*>(aText)) : std::string();
}

}  // namespace xnd::govutils

#include "servers/govx/GovXXml.h"

#include <libxml/parser.h>
#include <libxml/xmlsave.h>

#include <cstring>
#include <mutex>

#include "platform/exception.h"
#include "platform/text.h"

namespace xnd::govx {

namespace {

struct ParserCtxtDeleter {
  void operator()(xmlParserCtxt* a) const noexcept { xmlFreeParserCtxt(a); }
};
struct XmlBufferDeleter {
  void operator()(xmlBuffer* a) const noexcept { xmlBufferFree(a); }
};
using ParserCtxtPtr = std::unique_ptr<xmlParserCtxt, ParserCtxtDeleter>;
using XmlBufferPtr = std::unique_ptr<xmlBuffer, XmlBufferDeleter>;

constexpr int ParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

std::string ParserError(const xmlParserCtxt* aCtxt) {
  const xmlError& error = aCtxt->lastError;
  std::string message = error.message != nullptr ? Trim(error.message) : "documento vazio";
  if (error.line > 0) message = Format("linha %d: %s", error.line, message);
  return message;
}

const char* OutputEncoding(const xmlDoc* aDoc) {
  return aDoc->encoding != nullptr ? reinterpret_cast<const char*>(aDoc->encoding) : "UTF-8";
}

// libxml2 writes non-ASCII attribute text as character references when the
// document names no encoding; naming UTF-8 keeps the characters as they are.
void EnsureDocumentEncoding(xmlDoc* aDoc) {
  if (aDoc->encoding == nullptr) aDoc->encoding = xmlStrdup(BAD_CAST "UTF-8");
}

void SaveNode(xmlSaveCtxt* aSave, xmlNode* aNode) {
  if (xmlSaveTree(aSave, aNode) < 0) throw EOleException("Não foi possível serializar o XML.");
}

template <class Writer>
std::string Serialize(xmlDoc* aDoc, Writer aWrite) {
  EnsureDocumentEncoding(aDoc);
  XmlBufferPtr buffer(xmlBufferCreate());
  if (!buffer) throw EOleException("Memória insuficiente para serializar o XML.");
  xmlSaveCtxt* save = xmlSaveToBuffer(buffer.get(), OutputEncoding(aDoc), XML_SAVE_NO_DECL);
  if (save == nullptr) throw EOleException("Não foi possível serializar o XML.");
  try {
    aWrite(save);
  } catch (...) {
    xmlSaveClose(save);
    throw;
  }
  if (xmlSaveClose(save) < 0) throw EOleException("Não foi possível serializar o XML.");
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace

void InitXml() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

XmlDocPtr TryParseXml(std::string_view aXml, std::string& aError) {
  InitXml();
  ParserCtxtPtr ctxt(xmlNewParserCtxt());
  if (!ctxt) {
    aError = "memória insuficiente";
    return nullptr;
  }
  XmlDocPtr doc(xmlCtxtReadMemory(ctxt.get(), aXml.data(), static_cast<int>(aXml.size()), nullptr,
                                  nullptr, ParseOptions));
  if (!doc || !ctxt->wellFormed) {
    aError = ParserError(ctxt.get());
    return nullptr;
  }
  if (doc->intSubset != nullptr) {
    aError = "documentos com DOCTYPE não são aceitos";
    return nullptr;
  }
  if (xmlDocGetRootElement(doc.get()) == nullptr) {
    aError = "documento sem elemento raiz";
    return nullptr;
  }
  return doc;
}

XmlDocPtr ParseXml(std::string_view aXml, const std::string& aWhat) {
  std::string error;
  XmlDocPtr doc = TryParseXml(aXml, error);
  if (!doc) throw EOleException(Format("%s não é um XML válido: %s", aWhat, error));
  return doc;
}

std::string_view LeadingDeclaration(std::string_view aXml) {
  std::size_t start = 0;
  if (aXml.substr(0, 3) == "\xEF\xBB\xBF") start = 3;
  const std::string_view rest = aXml.substr(start);
  if (rest.size() > 5 && rest.substr(0, 5) == "<?xml" &&
      std::strchr(" \t\r\n", rest[5]) != nullptr) {
    const std::size_t end = rest.find("?>");
    if (end != std::string_view::npos) return aXml.substr(0, start + end + 2);
  }
  return aXml.substr(0, start);
}

std::string SerializeDocumentNodes(xmlDoc* aDoc) {
  return Serialize(aDoc, [aDoc](xmlSaveCtxt* aSave) {
    for (xmlNode* node = aDoc->children; node != nullptr; node = node->next) SaveNode(aSave, node);
  });
}

std::string SerializeNode(xmlDoc* aDoc, xmlNode* aNode) {
  return Serialize(aDoc, [aNode](xmlSaveCtxt* aSave) { SaveNode(aSave, aNode); });
}

std::string InnerXml(xmlDoc* aDoc, xmlNode* aElement) {
  std::string inner;
  for (xmlNode* child = aElement->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) {
      inner += SerializeNode(aDoc, child);
      continue;
    }
    // A copy into a document of its own declares on its root every
    // namespace it borrows from the original ancestors.
    XmlDocPtr standalone(xmlNewDoc(BAD_CAST "1.0"));
    xmlNode* copy = standalone ? xmlDocCopyNode(child, standalone.get(), 1) : nullptr;
    if (copy == nullptr) throw EOleException("Memória insuficiente para copiar o XML da resposta.");
    xmlDocSetRootElement(standalone.get(), copy);
    inner += SerializeNode(standalone.get(), copy);
  }
  return inner;
}

bool HasLocalName(const xmlNode* aNode, std::string_view aName) {
  return aNode != nullptr && aNode->type == XML_ELEMENT_NODE && aNode->name != nullptr &&
         aName == reinterpret_cast<const char*>(aNode->name);
}

std::string NamespaceUri(const xmlNode* aNode) {
  if (aNode == nullptr || aNode->ns == nullptr || aNode->ns->href == nullptr) return {};
  return reinterpret_cast<const char*>(aNode->ns->href);
}

std::string NodeText(const xmlNode* aNode) {
  xmlChar* content = xmlNodeGetContent(aNode);
  if (content == nullptr) return {};
  std::string text(reinterpret_cast<const char*>(content));
  xmlFree(content);
  return text;
}

xmlNode* FirstChildElement(xmlNode* aNode) {
  for (xmlNode* child = aNode != nullptr ? aNode->children : nullptr; child != nullptr;
       child = child->next) {
    if (child->type == XML_ELEMENT_NODE) return child;
  }
  return nullptr;
}

xmlNode* ChildElement(xmlNode* aNode, std::string_view aName) {
  for (xmlNode* child = FirstChildElement(aNode); child != nullptr; child = child->next) {
    if (HasLocalName(child, aName)) return child;
  }
  return nullptr;
}

namespace {

// Iterative depth-first walk in document order; stops at the first node the
// predicate accepts.
template <class Predicate>
xmlNode* FindFirst(xmlNode* aRoot, Predicate aAccept) {
  xmlNode* node = aRoot;
  while (node != nullptr) {
    if (node->type == XML_ELEMENT_NODE && aAccept(node)) return node;
    if (node->children != nullptr && node->type == XML_ELEMENT_NODE) {
      node = node->children;
      continue;
    }
    while (node != nullptr && node != aRoot && node->next == nullptr) node = node->parent;
    if (node == nullptr || node == aRoot) return nullptr;
    node = node->next;
  }
  return nullptr;
}

}  // namespace

xmlNode* FindElement(xmlNode* aRoot, std::string_view aName, std::string_view aNamespace) {
  return FindFirst(aRoot, [&](xmlNode* aNode) {
    return HasLocalName(aNode, aName) && (aNamespace.empty() || NamespaceUri(aNode) == aNamespace);
  });
}

xmlNode* FindElementWithAttribute(xmlNode* aRoot, std::string_view aName,
                                  std::string_view aAttribute, std::string_view aValue) {
  const std::string attribute(aAttribute);
  return FindFirst(aRoot, [&](xmlNode* aNode) {
    if (!HasLocalName(aNode, aName)) return false;
    xmlChar* value = xmlGetNoNsProp(aNode, BAD_CAST attribute.c_str());
    const bool matches = value != nullptr && aValue == reinterpret_cast<const char*>(value);
    xmlFree(value);
    return matches;
  });
}

}  // namespace xnd::govx

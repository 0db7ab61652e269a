#include "servers/govx/GovXXml.h"

#include <libxml/parser.h>
#include <libxml/xmlsave.h>

#include <cstring>
#include <mutex>
#include <vector>

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

constexpr int ParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

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
std::string Serialize(xmlDoc* aDoc, const char* aEncoding, Writer aWrite) {
  EnsureDocumentEncoding(aDoc);
  XmlBufferPtr buffer(xmlBufferCreate());
  if (!buffer) throw EOleException("Memória insuficiente para serializar o XML.");
  xmlSaveCtxt* save = xmlSaveToBuffer(buffer.get(), aEncoding, XML_SAVE_NO_DECL);
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

void InitXml() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

XmlDocPtr TryParseXml(std::string_view aXml, std::string& aError) {
  InitXml();
  if (aXml.size() > MaxXmlBytes) {
    aError = Format("o texto tem %d bytes, acima do limite de 16 MB", aXml.size());
    return nullptr;
  }
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
  if (aXml.size() > MaxXmlBytes) {
    throw EOleException(
        Format("%s tem %d bytes, acima do limite de 16 MB.", aWhat, aXml.size()));
  }
  std::string error;
  XmlDocPtr doc = TryParseXml(aXml, error);
  if (!doc) throw EOleException(Format("%s não é um XML válido: %s", aWhat, error));
  return doc;
}

std::size_t ElementIndex(const xmlNode* aElement) {
  std::size_t index = 0;
  FindFirst(xmlDocGetRootElement(aElement->doc), [&](const xmlNode* aNode) {
    if (aNode == aElement) return true;
    ++index;
    return false;
  });
  return index;
}

namespace {

// Offset just past aTerminator from aFrom; npos when absent.
std::size_t SkipPast(std::string_view aXml, std::size_t aFrom, std::string_view aTerminator) {
  const std::size_t at = aXml.find(aTerminator, aFrom);
  return at == std::string_view::npos ? at : at + aTerminator.size();
}

// Offset just past the ">" that closes the tag starting at aFrom, skipping
// quoted attribute values.
std::size_t SkipTag(std::string_view aXml, std::size_t aFrom) {
  char quote = 0;
  for (std::size_t i = aFrom; i < aXml.size(); ++i) {
    const char c = aXml[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::size_t EndTagOffset(std::string_view aXml, std::size_t aIndex) {
  constexpr std::size_t none = std::string_view::npos;
  std::vector<std::size_t> open;  // indexes of the elements not closed yet
  std::size_t count = 0;
  for (std::size_t at = aXml.find('<'); at != none; at = aXml.find('<', at)) {
    const std::string_view rest = aXml.substr(at);
    if (rest.starts_with("<!--")) {
      at = SkipPast(aXml, at + 4, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      at = SkipPast(aXml, at + 9, "]]>");
    } else if (rest.starts_with("<?")) {
      at = SkipPast(aXml, at + 2, "?>");
    } else if (rest.starts_with("<!")) {
      at = SkipTag(aXml, at + 2);
    } else if (rest.starts_with("</")) {
      if (open.empty()) return none;
      if (open.back() == aIndex) return at;
      open.pop_back();
      at = SkipTag(aXml, at + 2);
    } else {
      const std::size_t index = count++;
      at = SkipTag(aXml, at + 1);
      if (at == none) return none;
      const bool empty = aXml[at - 2] == '/';
      if (empty && index == aIndex) return none;
      if (!empty) open.push_back(index);
    }
    if (at == none) return none;
  }
  return none;
}

std::string SerializeNode(xmlDoc* aDoc, xmlNode* aNode) {
  return Serialize(aDoc, OutputEncoding(aDoc),
                   [aNode](xmlSaveCtxt* aSave) { SaveNode(aSave, aNode); });
}

std::string InnerXml(xmlDoc* aDoc, xmlNode* aElement) {
  std::string inner;
  for (xmlNode* child = aElement->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) {
      inner += Serialize(aDoc, "UTF-8", [child](xmlSaveCtxt* aSave) { SaveNode(aSave, child); });
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

xmlNode* FindElement(xmlNode* aRoot, std::string_view aName, std::string_view aNamespace) {
  return FindFirst(aRoot, [&](xmlNode* aNode) {
    return HasLocalName(aNode, aName) && (aNamespace.empty() || NamespaceUri(aNode) == aNamespace);
  });
}

xmlNode* FindElementIgnoringCase(xmlNode* aRoot, std::string_view aName) {
  return FindFirst(aRoot, [&](xmlNode* aNode) {
    return SameText(reinterpret_cast<const char*>(aNode->name), aName);
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

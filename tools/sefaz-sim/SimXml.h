// XML, encoding and signature helpers of the simulator: libxml2 documents
// (parsed without network access or entity substitution), base64 + gzip,
// the national schemas found by file name, and XML-DSig verification by the
// xmlsec1 tool.
#pragma once

#include <libxml/tree.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace xnd::sim {

struct XmlDocDeleter {
  void operator()(xmlDoc* aDoc) const { xmlFreeDoc(aDoc); }
};
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocDeleter>;

// Null when the text is not well-formed XML.
XmlDocPtr LerXml(const std::string& aTexto);
xmlNode* Raiz(xmlDoc* aDoc);
// First child element with that local name (any namespace); nullptr when absent.
xmlNode* Filho(const xmlNode* aPai, const char* aNome);
// First child element.
xmlNode* PrimeiroFilho(const xmlNode* aPai);
// First descendant element with that local name.
xmlNode* Descendente(const xmlNode* aRaiz, const char* aNome);
std::string Nome(const xmlNode* aNo);
std::string Namespace(const xmlNode* aNo);
std::string Texto(const xmlNode* aNo);
// Text of the child aNome, "" when absent.
std::string TextoFilho(const xmlNode* aPai, const char* aNome);
std::string Atributo(const xmlNode* aNo, const char* aNome);
// The element as its own document, its namespaces declared on it, as the
// signer saw it.
XmlDocPtr CopiarComoDocumento(const xmlNode* aNo);
// The serialised document without XML declaration.
std::string Serializar(xmlDoc* aDoc);
std::string Escapar(const std::string& aTexto);

// Base64 (line breaks and blanks ignored); nullopt when not base64.
std::optional<std::string> DecodificarBase64(const std::string& aTexto);
// gzip (or zlib) bytes to text; nullopt when they do not inflate.
std::optional<std::string> Descompactar(const std::string& aBytes);
// Base64 without line breaks; text to gzip bytes.
std::string CodificarBase64(const std::string& aBytes);
std::string Compactar(const std::string& aTexto);

// The national schemas of a directory tree: a schema is found by file name
// ("nfe_v2.00.xsd"); when several packages hold the name, the last in sorted
// path order is used (PL_008i2 before PL_008a, for example). Compiled
// schemas are kept.
class TEsquemas {
 public:
  explicit TEsquemas(std::string aDiretorio);
  ~TEsquemas();
  bool Ativo() const { return !FDiretorio.empty(); }
  // nullopt: valid or no such schema installed; otherwise the first error.
  std::optional<std::string> Validar(xmlDoc* aDoc, const std::string& aArquivo);

 private:
  struct TEsquema;
  std::string Localizar(const std::string& aArquivo) const;

  std::string FDiretorio;
  std::mutex FMutex;
  std::map<std::string, std::shared_ptr<TEsquema>> FCache;
};

// Verifies the enveloped signature of the element aElemento (local name of
// the element whose Id the reference names) inside aDoc with
// "xmlsec1 --verify", the key taken from the certificate in KeyInfo.
bool AssinaturaConfere(xmlDoc* aDoc, const std::string& aElemento);

}  // namespace xnd::sim

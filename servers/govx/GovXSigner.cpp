#include "servers/govx/GovXSigner.h"

#include <libxml/tree.h>
#include <libxml/valid.h>
#include <xmlsec/base64.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/keys.h>
#include <xmlsec/openssl/evp.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>

#include <mutex>

#include "platform/exception.h"
#include "platform/text.h"
#include "servers/govx/GovXXml.h"

namespace xnd::govx {

namespace {

constexpr const char* DSigNamespace = "http://www.w3.org/2000/09/xmldsig#";
constexpr const char* C14NAlgorithm = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";
constexpr const char* EnvelopedAlgorithm = "http://www.w3.org/2000/09/xmldsig#enveloped-signature";
constexpr const char* RsaSha1Algorithm = "http://www.w3.org/2000/09/xmldsig#rsa-sha1";
constexpr const char* Sha1Algorithm = "http://www.w3.org/2000/09/xmldsig#sha1";

struct XmlSecKeyDeleter {
  void operator()(xmlSecKey* a) const noexcept { xmlSecKeyDestroy(a); }
};
using XmlSecKeyPtr = std::unique_ptr<xmlSecKey, XmlSecKeyDeleter>;

// xmlsec reports through one process-wide callback; each thread collects
// its own messages.
thread_local std::string tXmlSecErrors;

void CollectXmlSecError(const char*, int, const char* aFunc, const char*, const char* aSubject, int,
                        const char* aMessage) {
  if (!tXmlSecErrors.empty()) tXmlSecErrors += "; ";
  if (aFunc != nullptr) tXmlSecErrors += std::string(aFunc) + ": ";
  if (aSubject != nullptr && *aSubject != '\0') tXmlSecErrors += std::string(aSubject) + ": ";
  if (aMessage != nullptr) tXmlSecErrors += aMessage;
}

std::string TakeXmlSecErrors() {
  std::string errors = std::move(tXmlSecErrors);
  tXmlSecErrors.clear();
  const std::string openssl = OpenSslErrorText();
  if (!openssl.empty()) errors += (errors.empty() ? "" : "; ") + openssl;
  return errors.empty() ? std::string("motivo não informado") : errors;
}

[[noreturn]] void FailInit(const char* aStep) {
  throw EOleException(Format("Não foi possível iniciar a biblioteca de assinatura (%s): %s", aStep,
                             TakeXmlSecErrors()));
}

void StartXmlSec() {
  EnsureOpenSslProviders();
  InitXml();
  xmlSecErrorsSetCallback(CollectXmlSecError);
  if (xmlSecInit() < 0) FailInit("xmlSecInit");
  if (xmlSecCheckVersion() != 1) FailInit("versão da biblioteca");
  if (xmlSecCryptoAppInit(nullptr) < 0) FailInit("xmlSecCryptoAppInit");
  if (xmlSecCryptoInit() < 0) FailInit("xmlSecCryptoInit");
  // No line breaks inside base64 values (xmlsec breaks them at 64 columns by default).
  xmlSecBase64SetDefaultLineSize(0);
}

// The dsig context around one signature; the key stays the caller's.
class TDSigContext {
 public:
  explicit TDSigContext(xmlSecKey* aKey) {
    if (xmlSecDSigCtxInitialize(&FCtx, nullptr) < 0) {
      throw EOleException("Não foi possível preparar a assinatura: " + TakeXmlSecErrors());
    }
    FCtx.signKey = aKey;
    FCtx.enabledReferenceUris = xmlSecTransformUriTypeSameDocument;
  }
  ~TDSigContext() {
    FCtx.signKey = nullptr;  // borrowed: Finalize would destroy it
    xmlSecDSigCtxFinalize(&FCtx);
  }
  TDSigContext(const TDSigContext&) = delete;
  TDSigContext& operator=(const TDSigContext&) = delete;

  xmlSecDSigCtx* Get() { return &FCtx; }

 private:
  xmlSecDSigCtx FCtx{};
};

xmlNode* AddElement(xmlNode* aParent, xmlNs* aNs, const char* aName) {
  xmlNode* node = xmlNewChild(aParent, aNs, BAD_CAST aName, nullptr);
  if (node == nullptr) throw EOleException("Memória insuficiente para montar a assinatura.");
  return node;
}

xmlNode* AddAlgorithm(xmlNode* aParent, xmlNs* aNs, const char* aName, const char* aAlgorithm) {
  xmlNode* node = AddElement(aParent, aNs, aName);
  xmlNewProp(node, BAD_CAST "Algorithm", BAD_CAST aAlgorithm);
  return node;
}

// The Signature template, appended to aParent, without any whitespace text.
xmlNode* AppendTemplate(xmlDoc* aDoc, xmlNode* aParent, const std::string& aId) {
  xmlNode* signature = xmlNewDocNode(aDoc, nullptr, BAD_CAST "Signature", nullptr);
  if (signature == nullptr || xmlAddChild(aParent, signature) == nullptr) {
    xmlFreeNode(signature);
    throw EOleException("Memória insuficiente para montar a assinatura.");
  }
  xmlNs* ns = xmlNewNs(signature, BAD_CAST DSigNamespace, nullptr);
  xmlSetNs(signature, ns);
  xmlNode* signedInfo = AddElement(signature, ns, "SignedInfo");
  AddAlgorithm(signedInfo, ns, "CanonicalizationMethod", C14NAlgorithm);
  AddAlgorithm(signedInfo, ns, "SignatureMethod", RsaSha1Algorithm);
  xmlNode* reference = AddElement(signedInfo, ns, "Reference");
  xmlNewProp(reference, BAD_CAST "URI", BAD_CAST("#" + aId).c_str());
  xmlNode* transforms = AddElement(reference, ns, "Transforms");
  AddAlgorithm(transforms, ns, "Transform", EnvelopedAlgorithm);
  AddAlgorithm(transforms, ns, "Transform", C14NAlgorithm);
  AddAlgorithm(reference, ns, "DigestMethod", Sha1Algorithm);
  AddElement(reference, ns, "DigestValue");
  AddElement(signature, ns, "SignatureValue");
  return signature;
}

void AppendKeyInfo(xmlNode* aSignature, const std::string& aCertificateBase64) {
  xmlNs* ns = aSignature->ns;
  xmlNode* x509Data = AddElement(AddElement(aSignature, ns, "KeyInfo"), ns, "X509Data");
  xmlNode* certificate = AddElement(x509Data, ns, "X509Certificate");
  xmlNodeAddContent(certificate, BAD_CAST aCertificateBase64.c_str());
}

// SignatureValue lies outside SignedInfo: dropping whitespace from it keeps
// the signature valid whatever xmlsec wrote.
void CompactSignatureValue(xmlNode* aSignature) {
  xmlNode* value = ChildElement(aSignature, "SignatureValue");
  if (value == nullptr) return;
  std::string text = NodeText(value);
  std::erase_if(text, [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
  xmlNodeSetContent(value, nullptr);
  xmlNodeAddContent(value, BAD_CAST text.c_str());
}

xmlNode* FindSignedElement(xmlDoc* aDoc, const std::string& aElementName, const std::string& aId) {
  xmlNode* element = FindElementWithAttribute(xmlDocGetRootElement(aDoc), aElementName, "Id", aId);
  if (element == nullptr) {
    throw EOleException(Format("Elemento \"%s\" com Id \"%s\" não encontrado no XML a assinar.",
                               aElementName, aId));
  }
  if (element->parent == nullptr || element->parent->type != XML_ELEMENT_NODE) {
    throw EOleException(Format(
        "O elemento \"%s\" é a raiz do XML a assinar: a assinatura precisa de um elemento pai.",
        aElementName));
  }
  return element;
}

void RegisterId(xmlDoc* aDoc, xmlNode* aElement, const std::string& aId) {
  xmlAttr* attribute = xmlHasProp(aElement, BAD_CAST "Id");
  if (xmlGetID(aDoc, BAD_CAST aId.c_str()) == attribute) return;
  if (xmlAddID(nullptr, aDoc, BAD_CAST aId.c_str(), attribute) == nullptr) {
    throw EOleException(Format("Não foi possível registrar o Id \"%s\" do XML a assinar.", aId));
  }
}

// The signed text: the input with the Signature inserted at aOffset (the
// parent's end tag), so not one byte of what was given changes.
std::string InsertBefore(const std::string& aXml, std::size_t aOffset, const std::string& aText) {
  if (aOffset == std::string::npos || aOffset > aXml.size()) {
    throw EOleException("Não foi possível localizar o fim do elemento pai no XML a assinar.");
  }
  std::string output;
  output.reserve(aXml.size() + aText.size());
  output.append(aXml, 0, aOffset).append(aText).append(aXml, aOffset);
  return output;
}

}  // namespace

struct TSigningKey::Impl {
  XmlSecKeyPtr Key;
  std::string CertificateBase64;
};

TSigningKey::TSigningKey(const TCredential& aCredential) : FImpl(std::make_unique<Impl>()) {
  InitXmlSec();
  if (!aCredential.Key) {
    throw EOleException(
        Format("O certificado \"%s\" não possui chave privada.", aCredential.CommonName));
  }
  EVP_PKEY_up_ref(aCredential.Key.get());
  xmlSecKeyDataPtr data = xmlSecOpenSSLEvpKeyAdopt(aCredential.Key.get());
  if (data == nullptr) {
    EVP_PKEY_free(aCredential.Key.get());
    throw EOleException("Não foi possível preparar a chave de assinatura: " + TakeXmlSecErrors());
  }
  FImpl->Key.reset(xmlSecKeyCreate());
  if (!FImpl->Key || xmlSecKeySetValue(FImpl->Key.get(), data) < 0) {
    xmlSecKeyDataDestroy(data);
    throw EOleException("Não foi possível preparar a chave de assinatura: " + TakeXmlSecErrors());
  }
  FImpl->CertificateBase64 = CertificateBase64(aCredential.Certificate.get());
}

TSigningKey::~TSigningKey() = default;

void InitXmlSec() {
  static std::once_flag once;
  std::call_once(once, StartXmlSec);
}

std::string SignXmlDocument(const std::string& aXml, const std::string& aId,
                            const std::string& aElementName, const TSigningKey& aKey) {
  InitXmlSec();
  if (aElementName.empty()) throw EOleException("Elemento a assinar não informado.");
  if (aXml.find('\0') != std::string::npos) {
    throw EOleException("O XML a assinar contém caracteres nulos: use a codificação UTF-8.");
  }
  XmlDocPtr doc = ParseXml(aXml, "O XML a assinar");
  xmlNode* element = FindSignedElement(doc.get(), aElementName, aId);
  RegisterId(doc.get(), element, aId);
  xmlNode* signature = AppendTemplate(doc.get(), element->parent, aId);

  tXmlSecErrors.clear();
  ClearOpenSslErrors();
  TDSigContext context(aKey.Get().Key.get());
  if (xmlSecDSigCtxSign(context.Get(), signature) < 0) {
    throw EOleException("Não foi possível assinar o XML: " + TakeXmlSecErrors());
  }
  CompactSignatureValue(signature);
  AppendKeyInfo(signature, aKey.Get().CertificateBase64);
  return InsertBefore(aXml, EndTagOffset(aXml, ElementIndex(element->parent)),
                      SerializeNode(doc.get(), signature));
}

}  // namespace xnd::govx

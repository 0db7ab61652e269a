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

#include <openssl/evp.h>

#include <strings.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/exception.h"
#include "platform/text.h"
#include "servers/govx/GovXC14N.h"
#include "servers/govx/GovXOpenSsl.h"
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
  // xmlSecInit and the crypto initialisation put xmlsec's default callback
  // back: ours is set before (for their own failures) and again after.
  xmlSecErrorsSetCallback(CollectXmlSecError);
  if (xmlSecInit() < 0) FailInit("xmlSecInit");
  xmlSecErrorsSetCallback(CollectXmlSecError);
  if (xmlSecCheckVersion() != 1) FailInit("versão da biblioteca");
  if (xmlSecCryptoAppInit(nullptr) < 0) FailInit("xmlSecCryptoAppInit");
  if (xmlSecCryptoInit() < 0) FailInit("xmlSecCryptoInit");
  xmlSecErrorsSetCallback(CollectXmlSecError);
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

// The direct path: the Reference digest, the canonical SignedInfo and the
// RSA signature computed here, the Signature written as text. It is taken
// when the document and the Id have nothing it does not cover; otherwise
// xmlsec signs as before. The Signature always goes after the signed
// element (as the last child of its parent), never inside it, so the
// enveloped-signature transform leaves the referenced subtree whole and the
// digest is that of the subtree's canonical form.

// Ids written into URI="#..." verbatim: no character that would need
// escaping in either the serialised or the canonical form.
bool IsPlainId(std::string_view aId) {
  if (aId.empty()) return false;
  return std::all_of(aId.begin(), aId.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
  });
}

// The Signature text is ASCII: it goes into the input text as it is only
// when the document's encoding keeps ASCII bytes as they are.
bool IsAsciiCompatible(const xmlDoc* aDoc) {
  if (aDoc->encoding == nullptr) return true;
  const std::string encoding = reinterpret_cast<const char*>(aDoc->encoding);
  for (const char* known : {"UTF-8", "ISO-8859-1", "US-ASCII", "ASCII", "WINDOWS-1252"}) {
    if (strcasecmp(encoding.c_str(), known) == 0) return true;
  }
  return false;
}

std::string Base64(const unsigned char* aBytes, std::size_t aSize) {
  std::string text(4 * ((aSize + 2) / 3), '\0');
  const int size = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), aBytes,
                                   static_cast<int>(aSize));
  text.resize(static_cast<std::size_t>(size));
  return text;
}

std::string Sha1Base64(std::string_view aData) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(aData.data(), aData.size(), digest, &size, EVP_sha1(), nullptr) != 1) {
    throw EOleException("Não foi possível assinar o XML: " + OpenSslErrorText());
  }
  return Base64(digest, size);
}

std::string RsaSha1Base64(EVP_PKEY* aKey, std::string_view aData) {
  ClearOpenSslErrors();
  EvpMdCtxPtr ctx(EVP_MD_CTX_new());
  std::string signature(static_cast<std::size_t>(EVP_PKEY_get_size(aKey)), '\0');
  std::size_t size = signature.size();
  if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha1(), nullptr, aKey) != 1 ||
      EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                     reinterpret_cast<const unsigned char*>(aData.data()), aData.size()) != 1) {
    throw EOleException("Não foi possível assinar o XML: " + OpenSslErrorText());
  }
  return Base64(reinterpret_cast<const unsigned char*>(signature.data()), size);
}

// SignedInfo, either as it is written (empty elements as "<x/>", the
// namespace inherited from Signature) or in canonical form (start and end
// tags, the namespace declarations given in aNamespaces on SignedInfo).
std::string SignedInfoText(bool aCanonical, std::string_view aNamespaces, std::string_view aId,
                           std::string_view aDigest) {
  auto empty = [aCanonical](std::string& aOut, const char* aName, const char* aAlgorithm) {
    aOut.append("<").append(aName).append(" Algorithm=\"").append(aAlgorithm);
    aOut.append(aCanonical ? "\"></" : "\"/>");
    if (aCanonical) aOut.append(aName).append(">");
  };
  std::string text = "<SignedInfo";
  text.append(aCanonical ? aNamespaces : std::string_view()).append(">");
  empty(text, "CanonicalizationMethod", C14NAlgorithm);
  empty(text, "SignatureMethod", RsaSha1Algorithm);
  text.append("<Reference URI=\"#").append(aId).append("\"><Transforms>");
  empty(text, "Transform", EnvelopedAlgorithm);
  empty(text, "Transform", C14NAlgorithm);
  text.append("</Transforms>");
  empty(text, "DigestMethod", Sha1Algorithm);
  text.append("<DigestValue>").append(aDigest).append("</DigestValue></Reference></SignedInfo>");
  return text;
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
  EvpPkeyPtr Rsa;  // the same key for the direct path; empty when it is not RSA
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
  if (EVP_PKEY_base_id(aCredential.Key.get()) == EVP_PKEY_RSA) {
    EVP_PKEY_up_ref(aCredential.Key.get());
    FImpl->Rsa.reset(aCredential.Key.get());
  }
  FImpl->CertificateBase64 = CertificateBase64(aCredential.Certificate.get());
}

TSigningKey::~TSigningKey() = default;

void InitXmlSec() {
  static std::once_flag once;
  std::call_once(once, StartXmlSec);
}

namespace {

std::optional<std::string> DirectSignature(xmlDoc* aDoc, xmlNode* aElement, const std::string& aId,
                                           const TSigningKey::Impl& aKey) {
  if (!aKey.Rsa || !IsPlainId(aId) || !IsAsciiCompatible(aDoc)) return std::nullopt;
  const std::optional<std::string> namespaces =
      CanonicalInheritedNamespaces(aElement->parent, DSigNamespace);
  if (!namespaces) return std::nullopt;
  const std::optional<std::string> canonical = CanonicalSubtree(aElement);
  if (!canonical) return std::nullopt;
  const std::string digest = Sha1Base64(*canonical);
  const std::string value =
      RsaSha1Base64(aKey.Rsa.get(), SignedInfoText(true, *namespaces, aId, digest));
  std::string text = std::string("<Signature xmlns=\"") + DSigNamespace + "\">";
  text.append(SignedInfoText(false, {}, aId, digest));
  text.append("<SignatureValue>").append(value).append("</SignatureValue>");
  text.append("<KeyInfo><X509Data><X509Certificate>").append(aKey.CertificateBase64);
  text.append("</X509Certificate></X509Data></KeyInfo></Signature>");
  return text;
}

std::string XmlSecSignature(xmlDoc* aDoc, xmlNode* aElement, const std::string& aId,
                            const TSigningKey::Impl& aKey) {
  xmlNode* signature = AppendTemplate(aDoc, aElement->parent, aId);
  tXmlSecErrors.clear();
  ClearOpenSslErrors();
  TDSigContext context(aKey.Key.get());
  if (xmlSecDSigCtxSign(context.Get(), signature) < 0) {
    throw EOleException("Não foi possível assinar o XML: " + TakeXmlSecErrors());
  }
  CompactSignatureValue(signature);
  AppendKeyInfo(signature, aKey.CertificateBase64);
  return SerializeNode(aDoc, signature);
}

}  // namespace

std::string SignXmlDocument(const std::string& aXml, const std::string& aId,
                            const std::string& aElementName, const TSigningKey& aKey,
                            TSignPath aPath) {
  InitXmlSec();
  if (aElementName.empty()) throw EOleException("Elemento a assinar não informado.");
  if (aXml.find('\0') != std::string::npos) {
    throw EOleException("O XML a assinar contém caracteres nulos: use a codificação UTF-8.");
  }
  XmlDocPtr doc = ParseXml(aXml, "O XML a assinar");
  xmlNode* element = FindSignedElement(doc.get(), aElementName, aId);
  RegisterId(doc.get(), element, aId);
  std::optional<std::string> signature;
  if (aPath == TSignPath::Direct) signature = DirectSignature(doc.get(), element, aId, aKey.Get());
  if (!signature) signature = XmlSecSignature(doc.get(), element, aId, aKey.Get());
  return InsertBefore(aXml, EndTagOffset(aXml, ElementIndex(element->parent)), *signature);
}

}  // namespace xnd::govx

#include "servers/govx/GovXSoapMessages.h"

#include "platform/exception.h"
#include "platform/text.h"
#include "servers/govx/GovXXml.h"

namespace xnd::govx {

namespace {

// " Resposta do servidor: <start of the body>" or "" for an empty body.
std::string BodySuffix(const std::string& aBody) {
  const std::string excerpt = AnswerExcerpt(aBody);
  return Trim(excerpt).empty() ? std::string() : " Resposta do servidor: " + excerpt;
}

// Server text goes into messages and the exception log escaped, so it
// cannot add lines of its own.
std::string ChildText(xmlNode* aParent, std::string_view aName) {
  return EscapeControlCharacters(Trim(NodeText(ChildElement(aParent, aName))));
}

// SOAP 1.2 code: Code/Value, then each Subcode/Value, joined with "/".
std::string Soap12Code(xmlNode* aFault) {
  std::string code;
  for (xmlNode* level = ChildElement(aFault, "Code"); level != nullptr;
       level = ChildElement(level, "Subcode")) {
    const std::string value = ChildText(level, "Value");
    if (value.empty()) break;
    code += (code.empty() ? "" : "/") + value;
  }
  return code;
}

[[noreturn]] void RaiseFault(xmlNode* aFault) {
  const bool soap12 = NamespaceUri(aFault) == Soap12Namespace;
  const std::string code = soap12 ? Soap12Code(aFault) : ChildText(aFault, "faultcode");
  const std::string reason =
      soap12 ? ChildText(ChildElement(aFault, "Reason"), "Text") : ChildText(aFault, "faultstring");
  const std::string detail = EscapeControlCharacters(
      Trim(NodeText(ChildElement(aFault, soap12 ? "Detail" : "detail"))));
  std::string message = Format("O servidor retornou uma falha SOAP (%s): %s", code, reason);
  if (!detail.empty()) message += " Detalhe: " + detail;
  throw EOleException(message);
}

xmlNode* FindFault(xmlDoc* aDoc) {
  xmlNode* root = xmlDocGetRootElement(aDoc);
  xmlNode* fault = FindElement(root, "Fault", Soap12Namespace);
  return fault != nullptr ? fault : FindElement(root, "Fault", Soap11Namespace);
}

bool IsSuccess(long aStatus) { return aStatus >= 200 && aStatus < 300; }

[[noreturn]] void RaiseHttpError(const TSoapAnswer& aAnswer) {
  const std::string reason = aAnswer.Reason.empty() ? StandardReasonPhrase(aAnswer.Status)
                                                   : EscapeControlCharacters(aAnswer.Reason);
  throw EOleException(Format("Erro HTTP ao enviar a mensagem para %s: %s (%d).%s", aAnswer.Url,
                             reason, aAnswer.Status, BodySuffix(aAnswer.Body)));
}

}  // namespace

TSoapVersion EnvelopeSoapVersion(std::string_view aEnvelope) {
  const XmlDocPtr doc = ParseXml(aEnvelope, "O envelope SOAP");
  const xmlNode* root = xmlDocGetRootElement(doc.get());
  if (HasLocalName(root, "Envelope")) {
    const std::string ns = NamespaceUri(root);
    if (ns == Soap12Namespace) return TSoapVersion::Soap12;
    if (ns == Soap11Namespace) return TSoapVersion::Soap11;
  }
  throw EOleException(
      Format("O envelope SOAP deve ter como raiz o elemento Envelope do SOAP 1.1 (%s) ou do SOAP "
             "1.2 (%s).",
             Soap11Namespace, Soap12Namespace));
}

std::string ExtractSoapResult(const TSoapAnswer& aAnswer, const std::string& aResultElement,
                              const std::string& aNamespace) {
  std::string parseError;
  const XmlDocPtr doc =
      Trim(aAnswer.Body).empty() ? nullptr : TryParseXml(aAnswer.Body, parseError);
  if (doc) {
    if (xmlNode* fault = FindFault(doc.get())) RaiseFault(fault);
  }
  if (!IsSuccess(aAnswer.Status)) RaiseHttpError(aAnswer);
  if (Trim(aAnswer.Body).empty()) {
    throw EOleException(Format("A resposta de %s está vazia.", aAnswer.Url));
  }
  if (!doc) {
    throw EOleException(Format("A resposta de %s não é um XML válido (%s).%s", aAnswer.Url,
                               EscapeControlCharacters(parseError), BodySuffix(aAnswer.Body)));
  }
  xmlNode* root = xmlDocGetRootElement(doc.get());
  xmlNode* result = aNamespace.empty() ? nullptr : FindElement(root, aResultElement, aNamespace);
  if (result == nullptr) result = FindElement(root, aResultElement);
  // Authorisers differ in the letter case of result names (nfeRetAutorizacaoLoteResult
  // against NfeRetAutorizacaoLoteResult): the exact name wins, the case-blind one is the fallback.
  if (result == nullptr) result = FindElementIgnoringCase(root, aResultElement);
  if (result == nullptr) {
    throw EOleException(Format("Elemento \"%s\" não encontrado na resposta de %s.%s",
                               aResultElement, aAnswer.Url, BodySuffix(aAnswer.Body)));
  }
  return InnerXml(doc.get(), result);
}

std::string AnswerExcerpt(std::string_view aBody, std::size_t aLimit) {
  const bool utf8 = IsValidUtf8(aBody);
  std::string text = utf8 ? std::string(aBody.substr(0, aLimit + 4))
                          : Win1252ToUtf8(aBody.substr(0, aLimit + 1));
  if (text.size() <= aLimit) return EscapeControlCharacters(text);
  std::size_t cut = aLimit;
  // Back off continuation bytes so the cut falls between characters.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return EscapeControlCharacters(text) + "...";
}

std::string StandardReasonPhrase(long aStatus) {
  switch (aStatus) {
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 413:
      return "Payload Too Large";
    case 415:
      return "Unsupported Media Type";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    case 504:
      return "Gateway Timeout";
    default:
      return aStatus >= 300 && aStatus < 400 ? "Redirect" : "Resposta HTTP";
  }
}

}  // namespace xnd::govx

// SOAP messages of the xndGovX server: which SOAP version an envelope uses,
// and what an answer means (the result element's content, a fault, an HTTP
// error, something that is not XML at all).
#pragma once

#include <string>
#include <string_view>

namespace xnd::govx {

inline constexpr const char* Soap11Namespace = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr const char* Soap12Namespace = "http://www.w3.org/2003/05/soap-envelope";

enum class TSoapVersion { Soap11, Soap12 };

// From the namespace of the envelope's root element. Raises EOleException
// when the envelope is not XML or its root is not a SOAP 1.1/1.2 Envelope.
TSoapVersion EnvelopeSoapVersion(std::string_view aEnvelope);

// What came back from the server.
struct TSoapAnswer {
  std::string Url;
  long Status = 0;
  std::string Reason;  // reason phrase of the status line, "" when none came
  std::string Body;
};

// The content of the first element named aResultElement (in aNamespace when
// one has it, else in any namespace), as XML that stands on its own.
// Raises EOleException, with the start of the answer where it helps:
//   SOAP fault (any status)  "O servidor retornou uma falha SOAP (<code>): <text>"
//   status not 2xx           "Erro HTTP ao enviar a mensagem para <url>: Not Found (404)."
//   not XML / empty          "A resposta de <url> não é um XML válido (...)" / "... está vazia."
//   no result element        "Elemento \"<name>\" não encontrado na resposta de <url>."
std::string ExtractSoapResult(const TSoapAnswer& aAnswer, const std::string& aResultElement,
                              const std::string& aNamespace);

// The start of an answer body for a message: at most aLimit bytes, cut on a
// character boundary, "..." when cut; Windows-1252 text is turned to UTF-8;
// control characters escaped (EscapeControlCharacters), so a server cannot
// write lines of its own into a message or the exception log.
std::string AnswerExcerpt(std::string_view aBody, std::size_t aLimit = 2000);

// Standard reason phrase of an HTTP status ("Not Found" for 404); "Resposta HTTP"
// for a status without one.
std::string StandardReasonPhrase(long aStatus);

}  // namespace xnd::govx

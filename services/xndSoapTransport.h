// A SOAP 1.1 document/literal client on libcurl: the transport posts one
// envelope per request and calls its before-post hook with itself and the
// request's handle just before the request goes out (the place to attach a
// client certificate); the document call builds the envelope of one
// operation and takes the text of its result element from the answer.
//
// Every request is bounded (the hook may change these): an answer of at most
// 16 MB after decompression, 3 minutes in all, 30 s to connect, abandoned
// when it moves fewer than 100 bytes/s for 60 s. Server texts that reach a
// message (reason phrase, fault string) have their control characters
// escaped.
#pragma once

#include <curl/curl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/exception.h"

namespace xnd {

// The exchange failed: connection (libcurl's message), an HTTP status other
// than success ("Not Found (404)"), or an answer that is not a SOAP envelope.
class ESoapTransportError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ESoapTransportError"; }
};

// The service answered with a SOAP Fault; the message is its faultstring.
class ESoapFault : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "ESoapFault"; }
};

class TxndSoapTransport {
 public:
  using TBeforePostEvent = std::function<void(TxndSoapTransport& aTransport, CURL* aRequest)>;

  // What came back from one request.
  struct TResposta {
    long Status = 0;
    std::string Motivo;  // reason phrase of the status line
    std::string Corpo;
  };

  TxndSoapTransport() = default;
  TxndSoapTransport(const TxndSoapTransport&) = delete;
  TxndSoapTransport& operator=(const TxndSoapTransport&) = delete;

  const TBeforePostEvent& OnBeforePost() const { return FOnBeforePost; }
  void SetOnBeforePost(TBeforePostEvent aValue) { FOnBeforePost = std::move(aValue); }

  // POST of a SOAP 1.1 envelope ("text/xml; charset=utf-8", SOAPAction
  // header with the action in double quotes). Any HTTP status is returned;
  // only a connection failure raises ESoapTransportError.
  TResposta Post(const std::string& aUrl, const std::string& aSoapAction,
                 const std::string& aEnvelope);
  // GET of a service description; a status other than 2xx raises.
  std::string Get(const std::string& aUrl);

 private:
  TResposta Executar(CURL* aRequest, const std::string& aUrl);

  TBeforePostEvent FOnBeforePost;
};

// One operation of a document/literal service: the request element is named
// after the operation, in the service namespace, and holds one text element
// per part; the answer is the text of the element named operation + "Result".
struct TSoapOperacao {
  std::string Namespace;
  std::string Operacao;
  std::string Acao;
};

// Builds the envelope of aOperacao with the parts (name, text) in order.
std::string MontarEnvelopeDocumento(
    const TSoapOperacao& aOperacao,
    const std::vector<std::pair<std::string, std::string>>& aPartes);
// The text of the result element of a SOAP answer; ESoapFault for a Fault,
// ESoapTransportError for anything that is not an answer of aOperacao.
std::string LerResultadoDocumento(const TSoapOperacao& aOperacao,
                                  const TxndSoapTransport::TResposta& aResposta);
// Post + result in one call.
std::string ChamarDocumento(TxndSoapTransport& aTransporte, const std::string& aUrl,
                            const TSoapOperacao& aOperacao,
                            const std::vector<std::pair<std::string, std::string>>& aPartes);
// The endpoint that a service description (WSDL 1.1) gives for a service and port.
std::string EnderecoNaDescricao(TxndSoapTransport& aTransporte, const std::string& aLocalDescricao,
                                const std::string& aServico, const std::string& aPorta);

}  // namespace xnd

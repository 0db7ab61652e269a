// Base of the per-version web-service objects and the configuration snapshot
// they read.
//
// A version interface object builds the request bodies from the templates of
// its manual version and state, looks the service addresses up in the open
// server list and performs the SOAP exchange of its manual generation. It
// keeps no state of its own: templates and addresses are read anew at every
// operation.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "platform/exception.h"
#include "platform/inifile.h"
#include "types/xndNFeType.h"

// libcurl's easy handle, as <curl/curl.h> declares it.
typedef void CURL;

namespace xnd {

class TxndSoapTransport;

// Configuration snapshot that the NF-e component refreshes before an
// exchange; the web-service object only reads it.
struct TNFeData {
  std::string ArquivoServidoresHom;
  std::string ArquivoServidoresProd;
  TCustomIniFile* ServidoresINI = nullptr;  // not owned
  TAmbienteKind Ambiente = akHomologacao;
  std::string DiretorioLog;
  bool ValidarEsquemaAntesEnvio = false;
  bool IgnoreInvalidCertificates = false;
  int TimeOut = 0;
  std::string DiretorioEsquemas;
  std::string DiretorioTemplates;
  std::string NomeCertificado;
  TVersaoManual VersaoManual = vm50;
  std::string TipoAmbiente;
  std::string cUF;
  std::string UF;
  std::string CNPJ;
  TModoOperacao ModoOperacao = moNormal;
};

// An operation that the object's class does not implement was called.
class EAbstractError : public Exception {
 public:
  EAbstractError() : Exception("Abstract Error") {}
  const char* ClassName() const noexcept override { return "EAbstractError"; }
};

// Called just before the manual 3.0 transport posts a request, with the
// transport and the request's handle; the host attaches its client
// certificate there.
using TOnGetValidCertificate = std::function<void(TxndSoapTransport& aTransport, CURL* aRequest)>;

class TxndNFEInterface {
 public:
  // Keeps the three references; owns none of them.
  TxndNFEInterface(const TNFeData& aDados, TxndGovUtils& aGovUtils, TxndGovX& aGovX);
  virtual ~TxndNFEInterface() = default;
  TxndNFEInterface(const TxndNFEInterface&) = delete;
  TxndNFEInterface& operator=(const TxndNFEInterface&) = delete;

  // ---- Request bodies (slots 0 to 5) ----
  virtual std::string MontarPedidoStatus();
  virtual std::string MontarPedidoCancelamento(const std::string& aDados);
  virtual std::string MontarPedidoConsulta(const std::string& aChave);
  virtual std::string MontarPedidoRecibo(const std::string& aNRec);
  virtual std::string MontarPedidoInutilizacao(const std::string& aDados);
  virtual std::string MontarPedidoCadastro(const std::string& aUF, const std::string& aCNPJ);

  // ---- Operations of the manual versions (slots 6 to 14) ----
  // Each raises EAbstractError unless the class implements it.
  virtual std::string GerarChave(const std::string& aDataEmissao, const std::string& aCUF,
                                 const std::string& aCNPJ, const std::string& aMod,
                                 const std::string& aSerie, const std::string& aNNF,
                                 const std::string& aCNF, const std::string& aTpEmis);
  virtual std::string StatusServico();
  virtual std::string CancelarNFe(const std::string& aDados);
  virtual std::string ConsultarNFe(const std::string& aChave);
  virtual std::string InutilizarNFe(const std::string& aDados);
  virtual std::string EnviarLote(const std::string& aIdLote, const std::string& aXmlLote,
                                 bool aCompactado);
  virtual std::string EnviarLoteVariante(const std::string& aIdLote, const std::string& aXmlLote,
                                         bool aCompactado);
  virtual std::string ConsultarRecibo(const std::string& aNRec);
  virtual std::string ConsultarCadastro(const std::string& aUF, const std::string& aCNPJ);

  // ---- Shared helpers ----
  // The template aNome of the configured version and UF, read whole, accents
  // removed; ExndTemplateNotFoundException when the file is missing.
  std::string CarregarTemplate(const std::string& aNome);
  // The address of a service in the section of the operation mode (the UF,
  // "SVCAN" or "SVCRS"; no fallback); ExndNFeAddressException when empty.
  std::string EnderecoServidor(const std::string& aServico) const;
  // Drops the first <?xml version="1.0"?> and every CR LF pair.
  static std::string LimparXml(const std::string& aXml);
  // The server's PrepareXml: ready to be placed in an envelope.
  std::string PrepararCorpo(const std::string& aXml);

  const TOnGetValidCertificate& OnGetValidCertificate() const { return FOnGetValidCertificate; }
  void SetOnGetValidCertificate(TOnGetValidCertificate aValue) {
    FOnGetValidCertificate = std::move(aValue);
  }

 protected:
  const TNFeData& Dados() const { return FDados; }
  IxndGovUtils& GovUtils() { return FGovUtils.Server(); }
  IxndGovX& GovX() { return FGovX.Server(); }

 private:
  const TNFeData& FDados;
  TxndGovUtils& FGovUtils;
  TxndGovX& FGovX;
  TOnGetValidCertificate FOnGetValidCertificate;
};

// The web-service object of a manual version, over the three references
// (owned by the caller): TxndNFE30Intf for 2.0.2a and 3.0, TxndNFE40Intf,
// TxndNFE50Intf, TxndNFE50aIntf; nullptr for a value outside the enumeration.
std::unique_ptr<TxndNFEInterface> CriarInterfaceVersao(TVersaoManual aVersao,
                                                       const TNFeData& aDados,
                                                       TxndGovUtils& aGovUtils, TxndGovX& aGovX);

}  // namespace xnd

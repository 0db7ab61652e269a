// Manual 2.0.2a and 3.0: the seven web services of that generation through
// the library's SOAP 1.1 client, each call carrying a header read from its
// header template and a body. The host attaches its client certificate in
// OnGetValidCertificate, called before each request is posted.
#pragma once

#include <string>

#include "services/xndNFEInterface.h"

namespace xnd {

class TxndNFE30Intf : public TxndNFEInterface {
 public:
  using TxndNFEInterface::TxndNFEInterface;

  // The key of this generation: nine-digit cNF; aTpEmis is ignored.
  std::string GerarChave(const std::string& aDataEmissao, const std::string& aCUF,
                         const std::string& aCNPJ, const std::string& aMod,
                         const std::string& aSerie, const std::string& aNNF,
                         const std::string& aCNF, const std::string& aTpEmis) override;
  std::string StatusServico() override;
  std::string CancelarNFe(const std::string& aDados) override;
  std::string ConsultarNFe(const std::string& aChave) override;
  // aDados goes as it is, without a template.
  std::string InutilizarNFe(const std::string& aDados) override;
  // aXmlLote goes as it is; aIdLote and aCompactado are not used.
  std::string EnviarLote(const std::string& aIdLote, const std::string& aXmlLote,
                         bool aCompactado) override;
  std::string ConsultarRecibo(const std::string& aNRec) override;
  // Not guarded: its failures reach the caller as they are.
  std::string ConsultarCadastro(const std::string& aUF, const std::string& aCNPJ) override;

 private:
  // The steps of every operation: header template, transport with the
  // certificate hook, address; then aChamar(header, address, transport)
  // obtains the binding, builds the body and calls, its failures turned into
  // ExndSoapException when aProtegido.
  template <class Chamar>
  std::string Executar(const char* aCabecalho, const char* aServidor, bool aProtegido,
                       Chamar aChamar);
};

}  // namespace xnd

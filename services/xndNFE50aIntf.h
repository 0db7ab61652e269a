// Manual 5.0a: the third generation of services (the authorisation services
// NfeAutorizacao / NfeRetAutorizacao), the compressed batch, and every answer
// reduced to the service's own element. Cancellation and key generation are
// those of manual 4.0.
#pragma once

#include <string>

#include "services/xndNFE50Intf.h"

namespace xnd {

class TxndNFE50aIntf : public TxndNFE50Intf {
 public:
  using TxndNFE50Intf::TxndNFE50Intf;

  std::string StatusServico() override;
  std::string ConsultarNFe(const std::string& aChave) override;
  std::string InutilizarNFe(const std::string& aDados) override;
  // aCompactado: gzip + base64 in "pedido_enviarnfezip.soap", action .../nfeAutorizacaoLoteZip.
  std::string EnviarLote(const std::string& aIdLote, const std::string& aXmlLote,
                         bool aCompactado) override;
  // As EnviarLote; the compressed form uses the action .../NfeAutorizacaoLoteZip.
  std::string EnviarLoteVariante(const std::string& aIdLote, const std::string& aXmlLote,
                                 bool aCompactado) override;
  std::string ConsultarRecibo(const std::string& aNRec) override;
  std::string ConsultarCadastro(const std::string& aUF, const std::string& aCNPJ) override;

  // The first element inside the Body of a SOAP envelope; any other text, or
  // any failure, gives the answer unchanged.
  std::string ExtrairCorpoSoap(const std::string& aResposta);

 private:
  std::string EnviarLoteAutorizacao(const std::string& aXmlLote, bool aCompactado,
                                    const char* aAcaoZip);
};

}  // namespace xnd

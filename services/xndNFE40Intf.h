// Manual 4.0: the second generation of services (keys ending in "2"), the
// request inserted into the envelope template of each operation and sent
// through xndGovX's SendSoapMessage.
#pragma once

#include <string>

#include "services/xndNFEInterface.h"

namespace xnd {

class TxndNFE40Intf : public TxndNFEInterface {
 public:
  using TxndNFEInterface::TxndNFEInterface;

  std::string GerarChave(const std::string& aDataEmissao, const std::string& aCUF,
                         const std::string& aCNPJ, const std::string& aMod,
                         const std::string& aSerie, const std::string& aNNF,
                         const std::string& aCNF, const std::string& aTpEmis) override;
  std::string StatusServico() override;
  std::string CancelarNFe(const std::string& aDados) override;
  std::string ConsultarNFe(const std::string& aChave) override;
  std::string InutilizarNFe(const std::string& aDados) override;
  // aIdLote and aCompactado are not used: the batch always goes uncompressed.
  std::string EnviarLote(const std::string& aIdLote, const std::string& aXmlLote,
                         bool aCompactado) override;
  std::string ConsultarRecibo(const std::string& aNRec) override;
  std::string ConsultarCadastro(const std::string& aUF, const std::string& aCNPJ) override;

  // gzip, then base64: the compressed batch of the national authorisation service.
  std::string CompactarLote(const std::string& aTexto);

 protected:
  // What an operation sends: server-list key, envelope template, service
  // namespace, SOAP action and result element.
  struct TOperacaoSoap {
    const char* Servidor;
    const char* Template;
    std::string Namespace;
    std::string Acao;
    const char* Resultado;
  };
  // A service of the NF-e namespace: ns/wsdl/<servico>, action ns/wsdl/<servico>/<operacao>.
  static TOperacaoSoap Operacao(const char* aServidor, const char* aTemplate, const char* aServico,
                                const char* aOperacao, const char* aResultado);

  // The exchange, in this order: address, body, envelope filled with (UF
  // code, body), SendSoapMessage. aCorpo builds the body after the address
  // was found.
  template <class MontarCorpo>
  std::string Trocar(const TOperacaoSoap& aOperacao, MontarCorpo aCorpo) {
    const std::string endereco = EnderecoServidor(aOperacao.Servidor);
    const std::string corpo = aCorpo();
    return Enviar(aOperacao, endereco, corpo);
  }

 private:
  std::string Enviar(const TOperacaoSoap& aOperacao, const std::string& aEndereco,
                     const std::string& aCorpo);
};

}  // namespace xnd

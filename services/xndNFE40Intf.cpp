#include "services/xndNFE40Intf.h"

#include "platform/text.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

TxndNFE40Intf::TOperacaoSoap TxndNFE40Intf::Operacao(const char* aServidor, const char* aTemplate,
                                                     const char* aServico, const char* aOperacao,
                                                     const char* aResultado) {
  const std::string ns = std::string(NFeNamespace) + "/wsdl/" + aServico;
  return {aServidor, aTemplate, ns, ns + "/" + aOperacao, aResultado};
}

std::string TxndNFE40Intf::Enviar(const TOperacaoSoap& aOperacao, const std::string& aEndereco,
                                  const std::string& aCorpo) {
  const std::string envelope = Format(CarregarTemplate(aOperacao.Template), Dados().cUF, aCorpo);
  return GovX().SendSoapMessage(aEndereco, envelope, aOperacao.Acao, aOperacao.Resultado,
                                aOperacao.Namespace);
}

std::string TxndNFE40Intf::GerarChave(const std::string& aDataEmissao, const std::string& aCUF,
                                      const std::string& aCNPJ, const std::string& aMod,
                                      const std::string& aSerie, const std::string& aNNF,
                                      const std::string& aCNF, const std::string& aTpEmis) {
  return GerarChaveNFeTpEmis(aDataEmissao, aCUF, aCNPJ, aMod, aSerie, aNNF, aTpEmis, aCNF);
}

std::string TxndNFE40Intf::StatusServico() {
  static const TOperacaoSoap op =
      Operacao("NfeStatusServico2", "pedido_status.soap", "NfeStatusServico2",
               "nfeStatusServicoNF2", "nfeStatusServicoNF2Result");
  return Trocar(op, [&] { return MontarPedidoStatus(); });
}

std::string TxndNFE40Intf::CancelarNFe(const std::string& aDados) {
  static const TOperacaoSoap op =
      Operacao("NfeCancelamento2", "pedido_cancelarnf.soap", "NfeCancelamento2",
               "nfeCancelamentoNF2", "nfeCancelamentoNF2Result");
  return Trocar(op, [&] { return PrepararCorpo(MontarPedidoCancelamento(aDados)); });
}

std::string TxndNFE40Intf::ConsultarNFe(const std::string& aChave) {
  static const TOperacaoSoap op = Operacao("NfeConsulta2", "pedido_consultanf.soap", "NfeConsulta2",
                                           "nfeConsultaNF2", "nfeConsultaNF2Result");
  return Trocar(op, [&] { return PrepararCorpo(MontarPedidoConsulta(aChave)); });
}

std::string TxndNFE40Intf::InutilizarNFe(const std::string& aDados) {
  static const TOperacaoSoap op =
      Operacao("NfeInutilizacao2", "pedido_inutilizarnf.soap", "NfeInutilizacao2",
               "nfeInutilizacaoNF2", "nfeInutilizacaoNF2Result");
  return Trocar(op, [&] { return PrepararCorpo(MontarPedidoInutilizacao(aDados)); });
}

std::string TxndNFE40Intf::EnviarLote(const std::string&, const std::string& aXmlLote, bool) {
  static const TOperacaoSoap op = Operacao("NfeRecepcao2", "pedido_enviarnfe.soap", "NfeRecepcao2",
                                           "nfeRecepcaoLote2", "nfeRecepcaoLote2Result");
  return Trocar(op, [&] { return PrepararCorpo(aXmlLote); });
}

std::string TxndNFE40Intf::ConsultarRecibo(const std::string& aNRec) {
  static const TOperacaoSoap op =
      Operacao("NfeRetRecepcao2", "pedido_consultarecibo.soap", "NfeRetRecepcao2",
               "nfeRetRecepcao2", "nfeRetRecepcao2Result");
  return Trocar(op, [&] { return PrepararCorpo(MontarPedidoRecibo(aNRec)); });
}

// The register service's operation is consultaCadastro2, answered in
// consultaCadastro2Result, as in the service description of
// CadConsultaCadastro2 (and as manual 5.0a sends it).
std::string TxndNFE40Intf::ConsultarCadastro(const std::string& aUF, const std::string& aCNPJ) {
  static const TOperacaoSoap op =
      Operacao("CadConsulta2", "pedido_consultacadastro.soap", "CadConsultaCadastro2",
               "consultaCadastro2", "consultaCadastro2Result");
  return Trocar(op, [&] { return PrepararCorpo(MontarPedidoCadastro(aUF, aCNPJ)); });
}

std::string TxndNFE40Intf::CompactarLote(const std::string& aTexto) {
  return GovUtils().EncodeBase64(GovUtils().Compress(aTexto));
}

}  // namespace xnd

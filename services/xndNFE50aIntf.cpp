#include "services/xndNFE50aIntf.h"

#include "platform/text.h"

namespace xnd {

namespace {

constexpr const char* CaminhoCorpoSoap = "./soap:Envelope/soap:Body/*";

}  // namespace

std::string TxndNFE50aIntf::StatusServico() {
  static const TOperacaoSoap op =
      Operacao("NfeStatusServico3", "pedido_status.soap", "NfeStatusServico3", "nfeStatusServicoNF",
               "nfeStatusServicoNFResult");
  return ExtrairCorpoSoap(Trocar(op, [&] { return MontarPedidoStatus(); }));
}

std::string TxndNFE50aIntf::ConsultarNFe(const std::string& aChave) {
  static const TOperacaoSoap op = Operacao("NfeConsulta3", "pedido_consultanf.soap", "NfeConsulta3",
                                           "nfeConsultaNF", "nfeConsultaNFResult");
  return ExtrairCorpoSoap(Trocar(op, [&] { return PrepararCorpo(MontarPedidoConsulta(aChave)); }));
}

std::string TxndNFE50aIntf::InutilizarNFe(const std::string& aDados) {
  static const TOperacaoSoap op =
      Operacao("NfeInutilizacao3", "pedido_inutilizarnf.soap", "NfeInutilizacao3",
               "nfeInutilizacaoNF", "nfeInutilizacaoNFResult");
  return ExtrairCorpoSoap(
      Trocar(op, [&] { return PrepararCorpo(MontarPedidoInutilizacao(aDados)); }));
}

std::string TxndNFE50aIntf::EnviarLoteAutorizacao(const std::string& aXmlLote, bool aCompactado,
                                                  const char* aAcaoZip) {
  if (!aCompactado) {
    static const TOperacaoSoap op =
        Operacao("NfeRecepcao3", "pedido_enviarnfe.soap", "NfeAutorizacao", "NfeAutorizacaoLote",
                 "nfeAutorizacaoLoteResult");
    return ExtrairCorpoSoap(Trocar(op, [&] { return PrepararCorpo(aXmlLote); }));
  }
  const TOperacaoSoap op = Operacao("NfeRecepcao3", "pedido_enviarnfezip.soap", "NfeAutorizacao",
                                    aAcaoZip, "nfeAutorizacaoLoteZipResult");
  return ExtrairCorpoSoap(Trocar(op, [&] { return CompactarLote(PrepararCorpo(aXmlLote)); }));
}

std::string TxndNFE50aIntf::EnviarLote(const std::string&, const std::string& aXmlLote,
                                       bool aCompactado) {
  return EnviarLoteAutorizacao(aXmlLote, aCompactado, "nfeAutorizacaoLoteZip");
}

std::string TxndNFE50aIntf::EnviarLoteVariante(const std::string&, const std::string& aXmlLote,
                                               bool aCompactado) {
  return EnviarLoteAutorizacao(aXmlLote, aCompactado, "NfeAutorizacaoLoteZip");
}

std::string TxndNFE50aIntf::ConsultarRecibo(const std::string& aNRec) {
  static const TOperacaoSoap op =
      Operacao("NfeRetRecepcao3", "pedido_consultarecibo.soap", "NfeRetAutorizacao",
               "NfeRetAutorizacaoLote", "NfeRetAutorizacaoLoteResult");
  return ExtrairCorpoSoap(Trocar(op, [&] { return PrepararCorpo(MontarPedidoRecibo(aNRec)); }));
}

std::string TxndNFE50aIntf::ConsultarCadastro(const std::string& aUF, const std::string& aCNPJ) {
  static const TOperacaoSoap op =
      Operacao("ConsultaCad3", "pedido_consultacadastro.soap", "CadConsultaCadastro2",
               "consultaCadastro2", "consultaCadastro2Result");
  return ExtrairCorpoSoap(
      Trocar(op, [&] { return PrepararCorpo(MontarPedidoCadastro(aUF, aCNPJ)); }));
}

std::string TxndNFE50aIntf::ExtrairCorpoSoap(const std::string& aResposta) {
  try {
    const std::string declaracao =
        Format("xmlns:soap=\"%s\"", GovUtils().GetRootNamespace(aResposta));
    std::string corpo;
    if (GovUtils().SelectValue(aResposta, CaminhoCorpoSoap, smNodeXml, declaracao, corpo))
      return corpo;
  } catch (const std::exception&) {
    // Not XML, or not an envelope the query understands: the answer as it came.
  }
  return aResposta;
}

}  // namespace xnd

// Host conveniences of the NF-e component: the status, receipt and situation
// queries, each bringing the component's settings to the servers first (so
// they work as the first call of a program), and the distribution document
// nfeProc of an authorised note.
#include <functional>

#include "nfe/xndNFe.h"
#include "nfe/xndNFeRetorno.h"
#include "platform/text.h"
#include "services/xndNFEInterface.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* NamespaceNFe = "http://www.portalfiscal.inf.br/nfe";

// The element aNome of aXml from its start tag to its end tag, as it stands
// (signed bytes are never rebuilt); "" when absent.
std::string ElementoLiteral(const std::string& aXml, const std::string& aNome) {
  std::size_t inicio = aXml.find("<" + aNome);
  while (inicio != std::string::npos) {
    const char depois = inicio + aNome.size() + 1 < aXml.size() ? aXml[inicio + aNome.size() + 1] : 0;
    if (depois == ' ' || depois == '>') break;
    inicio = aXml.find("<" + aNome, inicio + 1);
  }
  if (inicio == std::string::npos) return "";
  const std::string fechamento = "</" + aNome + ">";
  const std::size_t fim = aXml.rfind(fechamento);
  if (fim == std::string::npos || fim < inicio) return "";
  return aXml.substr(inicio, fim + fechamento.size() - inicio);
}

std::string AtributoVersao(const std::string& aInicio) {
  const std::size_t at = aInicio.find("versao=\"");
  if (at == std::string::npos) return "";
  const std::size_t fim = aInicio.find('"', at + 8);
  return fim == std::string::npos ? "" : aInicio.substr(at + 8, fim - at - 8);
}

}  // namespace

TRetornoNFe TxndNFe::Consultar(const std::string& aTipoLog, const std::string& aId,
                               const std::string& aErro,
                               const std::function<std::string(TxndNFEInterface&)>& aServico) {
  AtualizarDadosNFe();
  ObterGovX();  // pushes the settings and brings up the version's interface
  VerificarCertificado();
  std::string resposta;
  try {
    resposta = aServico(ObterInterfaceVersao());
  } catch (const ExndNFeConfigException&) {
    throw;
  } catch (const std::exception& e) {
    throw ExndSoapException(aErro + ": " + e.what(), DiretorioLogErro());
  }
  GravarLog(resposta, aTipoLog, aId, "");
  try {
    return TRetornoNFe::Ler(resposta, ObterGovUtils());
  } catch (const std::exception& e) {
    throw ExndSoapException(aErro + ": resposta ilegível do serviço: " + e.what(),
                            DiretorioLogErro());
  }
}

TRetornoNFe TxndNFe::StatusServico() {
  return Consultar("sta", UF(), "Erro ao consultar o status do serviço",
                   [](TxndNFEInterface& i) { return i.StatusServico(); });
}

TRetornoNFe TxndNFe::ConsultarRecibo(const std::string& aNumeroRecibo) {
  const std::string recibo = Trim(aNumeroRecibo);
  if (!IsAsciiDigits(recibo) || recibo.size() > 15) {
    throw ExndNFeCheckParams("Número de recibo inválido: \"%s\"", {aNumeroRecibo},
                             DiretorioLogErro());
  }
  return Consultar("pro-rec", recibo, "Erro ao consultar o recibo " + recibo,
                   [&](TxndNFEInterface& i) { return i.ConsultarRecibo(recibo); });
}

TRetornoNFe TxndNFe::ConsultarNFe(const std::string& aChave) {
  std::string chave = Trim(aChave);
  if (chave.rfind("NFe", 0) == 0) chave.erase(0, 3);
  if (!IsAsciiDigits(chave) || chave.size() != 44) {
    throw ExndNFeCheckParams("Chave de acesso inválida: \"%s\"", {aChave}, DiretorioLogErro());
  }
  return Consultar("sit", chave, "Erro ao consultar a NF-e " + chave,
                   [&](TxndNFEInterface& i) { return i.ConsultarNFe(chave); });
}

std::string TxndNFe::MontarNFeProc(const std::string& aNFeAssinada, const std::string& aProtNFe) {
  const std::string nfe = ElementoLiteral(aNFeAssinada, "NFe");
  if (nfe.empty())
    throw ExndNFeCheckParams("O XML informado não contém uma NF-e", DiretorioLogErro());
  if (!NotaAssinada(nfe))
    throw ExndSignatureException("A nota não possui assinatura", DiretorioLogErro());
  const std::string protNFe = ElementoLiteral(aProtNFe, "protNFe");
  if (protNFe.empty()) {
    throw ExndNFeCheckParams("O protocolo informado não contém um protNFe", DiretorioLogErro());
  }
  const std::string chaveNota = TxndNFeXmlUtils::ObterChaveAcesso(nfe, false);
  const std::string chaveProtocolo = ObterValorTag("chNFe", protNFe);
  if (chaveNota != chaveProtocolo) {
    throw ExndNFeCheckParams("A chave do protocolo (%s) difere da chave da NF-e (%s)",
                             {chaveProtocolo, chaveNota}, DiretorioLogErro());
  }
  const std::string cStat = ObterValorTag("cStat", protNFe);
  if (cStat != "100" && cStat != "150") {
    throw ExndNFeCheckParams("O protocolo não autoriza o uso da NF-e: %s - %s",
                             {cStat, ObterValorTag("xMotivo", protNFe)}, DiretorioLogErro());
  }
  const std::string versao = AtributoVersao(nfe.substr(nfe.find("<infNFe")));
  return "<nfeProc xmlns=\"" + std::string(NamespaceNFe) + "\" versao=\"" + versao + "\">" + nfe +
         protNFe + "</nfeProc>";
}

}  // namespace xnd

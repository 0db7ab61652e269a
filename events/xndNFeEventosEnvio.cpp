// TxndEventos: the exchanges with the services (events, situation query,
// addressed documents) and the infEvento builders.
#include <exception>
#include <vector>

#include "events/xndNFeEventosBase.h"
#include "events/xndNFeEventosXmlUtils.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* ServicoEvento3 = "RecepcaoEvento3";
constexpr const char* ServicoEvento = "nfeRecepcaoEvento";
constexpr const char* ServicoConsulta = "NfeConsulta2";
constexpr const char* ServicoDestinadas = "nfeConsultaNFDest";

// aXml without a leading byte-order mark and XML declaration: a request is
// put inside a SOAP body, where neither may stand. The rest is left as it is
// (signed bytes are never touched).
std::string SemDeclaracao(const std::string& aXml) {
  std::string_view xml = aXml;
  if (xml.starts_with("\xEF\xBB\xBF")) xml.remove_prefix(3);
  std::size_t inicio = 0;
  while (inicio < xml.size() && (xml[inicio] == ' ' || xml[inicio] == '\t' ||
                                 xml[inicio] == '\r' || xml[inicio] == '\n')) {
    ++inicio;
  }
  if (xml.substr(inicio).starts_with("<?xml")) {
    const std::size_t fim = xml.find("?>", inicio);
    if (fim != std::string_view::npos) xml.remove_prefix(fim + 2);
  }
  return std::string(xml);
}

}  // namespace

std::string TxndEventos::LogEnvio(const std::string& aTexto, const std::string& aTipo,
                                  const std::string& aId) {
  return GovUtils()->SaveLog(aTexto, aTipo, FDiretorioLog, "", aId);
}

std::string TxndEventos::NomeLogEnvioEventos(const std::string& aIdLote) {
  return GovUtils()->MakeLogFileName("ped-eve", aIdLote);
}

std::string TxndEventos::NomeLogRetornoEventos(const std::string& aIdLote) {
  return GovUtils()->MakeLogFileName("eve", aIdLote);
}

// ---- Events -------------------------------------------------------------------------------

std::string TxndEventos::EnviarEventosPara(const std::string& aServico,
                                           const std::string& aEnvelope) {
  std::string alvo =
      ArquivoServidores().ReadString(FUFWS, "TargetNamespaceCCe", "");
  if (alvo.empty()) alvo = NamespaceNFe() + "/wsdl/RecepcaoEvento";
  const std::string endereco = EnderecoServico(aServico);
  return GovX()->SendSoapMessage(endereco, aEnvelope,
                                 NamespaceNFe() + "/wsdl/RecepcaoEvento/nfeRecepcaoEvento",
                                 "nfeRecepcaoEventoResult", alvo);
}

// The Mapping.txt command of the schema of a batch whose events are all of
// type aTipo ("" when that type has none of its own).
const char* ComandoEsquemaTipo(const std::string& aTipo) {
  if (aTipo == "110110") return "CCE";
  if (aTipo == "110111") return "CANCELAMENTO";
  return "";
}

// The tpEvento shared by every event of the batch; "" when they differ or there is none.
std::string TipoUnicoDoLote(const std::string& aLote) {
  std::string tipo;
  for (std::size_t pos = aLote.find("<tpEvento>"); pos != std::string::npos;
       pos = aLote.find("<tpEvento>", pos + 1)) {
    const std::string atual = ObterValorTag("tpEvento", aLote.substr(pos));
    if (!tipo.empty() && atual != tipo) return {};
    tipo = atual;
  }
  return tipo;
}

void TxndEventos::ValidarLoteEventos(const std::string& aLote) {
  ValidarEsquema(aLote, ComandoEsquemaEvento);
  const std::string comando = ComandoEsquemaTipo(TipoUnicoDoLote(aLote));
  if (comando.empty()) return;
  // Only when the schema directory maps the type (older Mapping.txt files do not).
  const std::string mapeamento = IncludeTrailingPathDelimiter(FDiretorioEsquemas) + "Mapping.txt";
  if (TMemIniFile(mapeamento).ReadString("ValidarXML", comando, "").empty()) return;
  ValidarEsquema(aLote, comando);
}

std::string TxndEventos::EnviarEventos(const std::string& aLote) {
  const std::string lote = SemDeclaracao(aLote);
  VerificarTamanhoLote(lote, LimiteLoteEventosKB);
  if (FValidarEsquemaAntesEnvio) ValidarLoteEventos(lote);
  const std::string envelope = MontarEnvelopeEnvio(lote);
  const std::string idLote = ObterValorTag("idLote", lote);
  LogEnvio(lote, "ped-eve", idLote);
  std::string resposta;
  if (ServicoDisponivel(ServicoEvento3)) {
    try {
      resposta = EnviarEventosPara(ServicoEvento3, envelope);
    } catch (const std::exception& e) {
      if (std::string_view(e.what()).find("Not Found (404)") == std::string_view::npos) throw;
      resposta = EnviarEventosPara(ServicoEvento, envelope);
    }
  } else {
    resposta = EnviarEventosPara(ServicoEvento, envelope);
  }
  LogEnvio(resposta, "eve", idLote);
  return resposta;
}

// ---- Situation query ----------------------------------------------------------------------

namespace {

// The service namespace of an envelope: that of its nfeDadosMsg element.
std::string NamespaceDoCorpo(const std::string& aEnvelope) {
  const std::size_t dados = aEnvelope.find("<nfeDadosMsg xmlns=\"");
  if (dados == std::string::npos) return {};
  const std::size_t inicio = dados + std::string_view("<nfeDadosMsg xmlns=\"").size();
  const std::size_t fim = aEnvelope.find('"', inicio);
  return fim == std::string::npos ? std::string() : aEnvelope.substr(inicio, fim - inicio);
}

}  // namespace

// The situation service of the envelope's generation: NfeConsulta2
// (nfeConsultaNF2) up to manual 5.0; NfeConsulta3 (nfeConsultaNF, its own
// server-list key) when the templates of manual 5.0a put the request there.
std::string TxndEventos::ChamarConsultaNF(const std::string& aPedido) {
  const std::string envelope = MontarEnvelopeConsultaNF(aPedido);
  const bool terceira = NamespaceDoCorpo(envelope) == NamespaceNFe() + "/wsdl/NfeConsulta3";
  const std::string servico = terceira ? "NfeConsulta3" : ServicoConsulta;
  const std::string operacao = terceira ? "nfeConsultaNF" : "nfeConsultaNF2";
  const std::string endereco = EnderecoServico(servico);
  const std::string alvo = NamespaceNFe() + "/wsdl/" + servico;
  return GovX()->SendSoapMessage(endereco, envelope, alvo + "/" + operacao, operacao + "Result",
                                 alvo);
}

std::string TxndEventos::ConsultarNF(const std::string& aChave) {
  if (GovUtils()->RemoveAllAccents(aChave) != aChave) {
    throw ExndEventoCheckParams("ID da Nota não pode conter acentos: %s", {aChave},
                                FDiretorioLogErro);
  }
  if (Trim(aChave).empty()) {
    throw ExndEventoCheckParams("Favor Informar Chave da NFe.", FDiretorioLogErro);
  }
  const std::string pedido = TxndEventosXMLUtils::ExtrairElementoRaiz(
      Format(CarregarModeloEvento("pedido_consultanf.xml"), AmbienteParaTpAmb(FAmbiente),
             EscapeXml(aChave)));
  ValidarEsquema(pedido, ComandoEsquemaConsultaNF);
  GovUtils()->SaveLog(pedido, "ped-sit", FDiretorioLog, "", aChave);
  const std::string nomeResposta = GovUtils()->MakeLogFileName("sit", aChave);
  const std::string resposta = ChamarConsultaNF(pedido);
  GovUtils()->SaveLog(resposta, "sit", FDiretorioLog, nomeResposta, aChave);
  return resposta;
}

// ---- Addressed documents -----------------------------------------------------

std::string TxndEventos::ConsultarNFDest(const std::string& aPedido) {
  const std::string envelope = MontarEnvelopeConsultaDest(SemDeclaracao(aPedido));
  const std::string endereco = EnderecoServico(ServicoDestinadas);
  return GovX()->SendSoapMessage(endereco, envelope,
                                 NamespaceNFe() + "/wsdl/NfeConsultaDest/nfeConsultaNFDest",
                                 "nfeConsultaNFDestResult", NamespaceNFe() + "/wsdl/NfeConsultaDest");
}


// ---- Builders -----------------------------------------------------------------------------

std::string TxndEventos::MontarLoteEventos(const std::string& aIdLote, const std::string& aEventos) {
  return std::string("<envEvento xmlns=\"") + NamespaceNFePadrao + "\" versao=\"1.00\"><idLote>" +
         EscapeXml(aIdLote) + "</idLote>" + aEventos + "</envEvento>";
}

namespace {

constexpr const char* CondicaoUsoCCe =
    "A Carta de Correcao e disciplinada pelo paragrafo 1o-A do art. 7o do Convenio S/N, de 15 de "
    "dezembro de 1970 e pode ser utilizada para regularizacao de erro ocorrido na emissao de "
    "documento fiscal, desde que o erro nao esteja relacionado com: I - as variaveis que "
    "determinam o valor do imposto tais como: base de calculo, aliquota, diferenca de preco, "
    "quantidade, valor da operacao ou da prestacao; II - a correcao de dados cadastrais que "
    "implique mudanca do remetente ou do destinatario; III - a data de emissao ou de saida.";

std::string InfEvento(const TDadosEvento& aDados, const std::string& aTipo,
                      const std::string& aDetalhe) {
  const std::string autor = aDados.CNPJ.empty() ? "<CPF>" + EscapeXml(aDados.CPF) + "</CPF>"
                                                : "<CNPJ>" + EscapeXml(aDados.CNPJ) + "</CNPJ>";
  return "<infEvento Id=\"" +
         EscapeXml(Format("ID%s%s%2.2d", aTipo, aDados.chNFe, aDados.nSeqEvento)) + "\"><cOrgao>" +
         EscapeXml(aDados.cOrgao) + "</cOrgao><tpAmb>" + AmbienteParaTpAmb(aDados.Ambiente) +
         "</tpAmb>" + autor + "<chNFe>" + EscapeXml(aDados.chNFe) + "</chNFe><dhEvento>" +
         EscapeXml(aDados.dhEvento) + "</dhEvento><tpEvento>" + aTipo + "</tpEvento><nSeqEvento>" +
         IntToStr(aDados.nSeqEvento) +
         "</nSeqEvento><verEvento>1.00</verEvento><detEvento versao=\"1.00\">" + aDetalhe +
         "</detEvento></infEvento>";
}

}  // namespace

std::string MontarInfEventoCCe(const TDadosEvento& aDados, const std::string& aCorrecao,
                               const std::string& aLineDelimiter) {
  std::string correcao;
  const std::vector<std::string_view> linhas = SplitLines(aCorrecao);
  for (std::size_t i = 0; i < linhas.size(); ++i) {
    if (i > 0) correcao += aLineDelimiter;
    correcao.append(linhas[i]);
  }
  return InfEvento(aDados, "110110",
                   "<descEvento>Carta de Correcao</descEvento><xCorrecao>" + EscapeXml(correcao) +
                       "</xCorrecao><xCondUso>" + CondicaoUsoCCe + "</xCondUso>");
}

std::string MontarInfEventoCancelamento(const TDadosEvento& aDados, const std::string& aProtocolo,
                                        const std::string& aJustificativa) {
  return InfEvento(aDados, "110111",
                   "<descEvento>Cancelamento</descEvento><nProt>" + EscapeXml(aProtocolo) +
                       "</nProt><xJust>" + EscapeXml(aJustificativa) + "</xJust>");
}

}  // namespace xnd

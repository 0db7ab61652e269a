#include "events/xndNFeEventosXmlUtils.h"

#include <vector>

#include "external/xndGovUtils.h"
#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

const std::string& PrefixoTec() {
  static const std::string prefixo = std::string("xmlns:tec=\"") + NamespaceNFePadrao + "\"";
  return prefixo;
}

// The events to sign: infEvento in any namespace, outside the answers.
constexpr const char* ConsultaEventos =
    "//*[local-name()='infEvento'][not(ancestor::*[local-name()='retEvento'])]";

// Element name of the wrapper that lets a sequence of elements be read as one document.
constexpr const char* Envoltorio = "xndEventos";

// aXml without a leading byte-order mark, blanks and XML declaration,
// wrapped in one element: a single document and a sequence of elements
// (several infEvento one after the other) read alike.
std::string ComoDocumentoUnico(const std::string& aXml) {
  std::string_view texto = aXml;
  if (texto.starts_with("\xEF\xBB\xBF")) texto.remove_prefix(3);
  while (!texto.empty() && (texto.front() == ' ' || texto.front() == '\t' ||
                            texto.front() == '\r' || texto.front() == '\n')) {
    texto.remove_prefix(1);
  }
  if (texto.starts_with("<?xml")) {
    const std::size_t fim = texto.find("?>");
    texto.remove_prefix(fim == std::string_view::npos ? texto.size() : fim + 2);
  }
  std::string documento;
  documento.reserve(texto.size() + 32);
  documento.append("<").append(Envoltorio).append(">");
  documento.append(texto);
  documento.append("</").append(Envoltorio).append(">");
  return documento;
}

std::vector<std::string> Eventos(const std::string& aXml) {
  TxndGovUtils govUtils;
  std::vector<std::string> nos;
  govUtils->SelectNodes(ComoDocumentoUnico(aXml), ConsultaEventos, smNodeXml, "", nos);
  return nos;
}

// "ID..." of aIdEvento without the "#" ExtrairIdEvento puts in front; ""
// when it holds a character an XPath literal cannot carry.
std::string IdSemReferencia(const std::string& aIdEvento) {
  std::string id = aIdEvento;
  if (!id.empty() && id.front() == '#') id.erase(0, 1);
  if (id.find('\'') != std::string::npos) return {};
  return id;
}


std::string PrimeiroNo(const std::string& aXml, const std::string& aConsulta) {
  TxndGovUtils govUtils;
  std::vector<std::string> nos;
  govUtils->SelectNodes(aXml, aConsulta, smNodeXml, PrefixoTec(), nos);
  return nos.empty() ? std::string() : nos.front();
}

// Valid UTF-8 unchanged; anything else read as Windows-1252.
std::string ParaUtf8(const std::string& aTexto) {
  return IsValidUtf8(aTexto) ? aTexto : Win1252ToUtf8(aTexto);
}

}  // namespace

// ---- TxndEventosXMLUtils ------------------------------------------------------------------

int TxndEventosXMLUtils::ContarEventos(const std::string& aXml) {
  return static_cast<int>(Eventos(aXml).size());
}

std::string TxndEventosXMLUtils::ObterEvento(int aIndice, const std::string& aXml) const {
  return ObterEventoPadrao(aIndice, aXml);
}

std::string TxndEventosXMLUtils::ObterEventoPadrao(int aIndice, const std::string& aXml) {
  if (aIndice < 0) return {};
  std::vector<std::string> nos = Eventos(aXml);
  if (static_cast<std::size_t>(aIndice) >= nos.size()) return {};
  return std::move(nos[static_cast<std::size_t>(aIndice)]);
}

std::string TxndEventosXMLUtils::ObterValorTag(const std::string& aTag, const std::string& aXml) {
  return xnd::ObterValorTag(aTag, aXml);
}

std::string TxndEventosXMLUtils::ExtrairElementoRaiz(const std::string& aXml) {
  TxndGovUtils govUtils;
  std::string raiz;
  if (!govUtils->SelectValue(aXml, "*", smNodeXml, "", raiz)) return {};
  return raiz;
}

std::string TxndEventosXMLUtils::CarregarModelo(const std::string& aArquivo,
                                                const std::string& aDiretorioLogErro) {
  TxndGovUtils govUtils;
  const std::string caminho = govUtils->ResolvePath(aArquivo);
  if (!FileExists(caminho)) {
    throw ExndTemplateNotFoundException("Arquivo de template não encontrado: %s", {caminho},
                                        aDiretorioLogErro);
  }
  return govUtils->RemoveAllAccents(govUtils->ReadTextFile(caminho));
}

// ---- TxndEventosXMLLogs -------------------------------------------------------------------

std::string TxndEventosXMLLogs::CarregarLog(const std::string& aArquivo,
                                            const std::string& aDiretorio,
                                            const std::string& aDiretorioLogErro) {
  TxndGovUtils govUtils;
  std::string texto;
  const std::string arquivo = NormalizePathSeparators(aArquivo);
  if (IsAbsolutePath(arquivo)) {
    if (!FileExists(arquivo)) {
      throw ExndEventoLogNotFoundException("Arquivo de Log %s não existe.", {aArquivo},
                                           aDiretorioLogErro);
    }
    texto = govUtils->ReadTextFile(arquivo);
  } else {
    const std::string candidato =
        IncludeTrailingPathDelimiter(govUtils->ResolvePath(aDiretorio)) + ExtractFileName(arquivo);
    texto = FileExists(candidato) ? govUtils->ReadTextFile(candidato) : aArquivo;
  }
  return govUtils->DecodeUtf8(texto);
}

std::string TxndEventosXMLLogs::ObterEventoDoLog(const std::string& aLog,
                                                 const std::string& aDiretorio,
                                                 const std::string& aIdEvento,
                                                 const std::string& aDiretorioLogErro) {
  const std::string texto = CarregarLog(aLog, aDiretorio, aDiretorioLogErro);
  if (aIdEvento.empty()) return PrimeiroNo(texto, ".//tec:evento");
  const std::string id = IdSemReferencia(aIdEvento);
  if (id.empty()) return {};
  return PrimeiroNo(texto, ".//tec:evento[tec:infEvento/@Id='" + id + "']");
}

std::string ObterRetEvento(const std::string& aXml, const std::string& aIdEvento) {
  if (aIdEvento.empty()) return PrimeiroNo(aXml, ".//tec:retEvento");
  // "ID" + tpEvento (6) + chNFe (44) + nSeqEvento (2 or more).
  const std::string id = IdSemReferencia(aIdEvento);
  if (id.size() < 54 || !id.starts_with("ID") || !IsAsciiDigits(std::string_view(id).substr(2))) {
    return {};
  }
  const std::string tipo = id.substr(2, 6);
  const std::string chave = id.substr(8, 44);
  const std::string sequencia = id.substr(52);
  return PrimeiroNo(aXml, ".//tec:retEvento[tec:infEvento[tec:chNFe='" + chave +
                              "' and tec:tpEvento='" + tipo + "' and number(tec:nSeqEvento)=" +
                              sequencia + "]]");
}

// ---- TxndEventosXmlDestinatario -----------------------------------------------------------

std::string TxndEventosXmlDestinatario::Gerar() {
  const std::string xml = MontarXml(IdEvento());
  SalvarXml(xml);
  return xml;
}

std::string TxndEventosXmlDestinatario::MontarXml(const std::string& aIdEvento) {
  const std::string evento = TxndEventosXMLLogs::ObterEventoDoLog(XmlEvento(), DiretorioLog(),
                                                                  aIdEvento, FDiretorioLogErro);
  if (evento.empty()) {
    throw ExndEventoXmlDestinatario("Evento Id: %s não encontrada no Log : %s ",
                                    {aIdEvento, XmlEvento()}, FDiretorioLogErro);
  }
  const std::string retorno = ObterRetEvento(XmlRetorno(), aIdEvento);
  return ParaUtf8(Format(Modelo(), evento, retorno));
}

void TxndEventosXmlDestinatario::SalvarXml(const std::string& aXml) {
  if (ArquivoSaida().empty()) return;
  std::string linhas;
  linhas.reserve(aXml.size() + 2);
  for (const std::string_view linha : SplitLines(aXml)) linhas.append(linha).append("\r\n");
  TxndGovUtils govUtils;
  govUtils->WriteTextFile(linhas, ArquivoSaida());
  if (FOnSalvar) FOnSalvar(ArquivoSaida(), aXml);
}

}  // namespace xnd

// The subcommands of xndnfe.
#include <chrono>
#include <ctime>
#include <thread>

#include <unistd.h>

#include "XndCliComum.h"
#include "external/xndGovUtils.h"
#include "nfe/xndNFeRetorno.h"
#include "platform/files.h"
#include "platform/stringlist.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::cli {

namespace {

using json = nlohmann::ordered_json;

json ProtocoloJson(const TProtocoloNFe& aP) {
  return json{{"chNFe", aP.chNFe}, {"cStat", aP.cStat}, {"xMotivo", aP.xMotivo},
              {"nProt", aP.nProt}};
}

json RetornoJson(const TRetornoNFe& aR) {
  json j{{"cStat", aR.cStat}, {"xMotivo", aR.xMotivo}};
  if (!aR.nRec.empty()) j["nRec"] = aR.nRec;
  json protocolos = json::array();
  for (const TProtocoloNFe& p : aR.Protocolos) protocolos.push_back(ProtocoloJson(p));
  j["protocolos"] = protocolos;
  return j;
}

void EscreverProtocolos(const TContexto& aCtx, const TRetornoNFe& aR) {
  for (const TProtocoloNFe& p : aR.Protocolos) {
    aCtx.Saida << p.chNFe << " " << p.cStat << " - " << p.xMotivo;
    if (!p.nProt.empty()) aCtx.Saida << " (protocolo " << p.nProt << ")";
    aCtx.Saida << "\n";
  }
}

bool TodasAutorizadas(const TRetornoNFe& aR) {
  if (aR.Protocolos.empty()) return false;
  for (const TProtocoloNFe& p : aR.Protocolos)
    if (!p.Autorizada()) return false;
  return true;
}

// The schema command of a document, by its root element.
std::string ComandoEsquema(const std::string& aXml) {
  std::size_t at = 0;
  while ((at = aXml.find('<', at)) != std::string::npos) {
    if (aXml.compare(at, 2, "<?") != 0 && aXml.compare(at, 4, "<!--") != 0) break;
    ++at;
  }
  if (at == std::string::npos) return "";
  const std::size_t fim = aXml.find_first_of(" \t\r\n/>", at + 1);
  std::string raiz = aXml.substr(at + 1, fim == std::string::npos ? std::string::npos : fim - at - 1);
  const std::size_t prefixo = raiz.find(':');
  if (prefixo != std::string::npos) raiz.erase(0, prefixo + 1);
  if (raiz == "NFe") return "NFE";
  if (raiz == "enviNFe") return "ENVIO";
  if (raiz == "nfeProc") return "PROCNFE";
  if (raiz == "envEvento") return "EVENTO";
  return "";
}

// The NFe elements of a signed batch, by access key.
std::map<std::string, std::string> NotasPorChave(const std::string& aLote) {
  std::map<std::string, std::string> notas;
  for (std::size_t at = aLote.find("<NFe"); at != std::string::npos;
       at = aLote.find("<NFe", at + 1)) {
    const std::size_t fim = aLote.find("</NFe>", at);
    if (fim == std::string::npos) break;
    const std::string nota = aLote.substr(at, fim + 6 - at);
    const std::string chave = TxndNFeXmlUtils::ObterChaveAcesso(nota, false);
    if (!chave.empty()) notas[chave] = nota;
  }
  return notas;
}

int Tentativas(const TContexto& aCtx) { return aCtx.Linha.Inteiro("--tentativas", 10, 1, 1000); }

void Esperar(const TContexto& aCtx, int aSegundos, const std::string& aRecibo) {
  aCtx.Progresso("Aguardando o processamento do lote (recibo " + aRecibo + "): nova consulta em " +
                 std::to_string(aSegundos) + " s");
  std::this_thread::sleep_for(std::chrono::seconds(aSegundos));
}

// The receipt queried until the batch is processed, waiting what the service
// asks between queries (at least one second).
TRetornoNFe AguardarProcessamento(TContexto& aCtx, const TRetornoNFe& aRecebimento) {
  int espera = std::max(aRecebimento.tMed, 1);
  const int tentativas = Tentativas(aCtx);
  TRetornoNFe resultado;
  for (int i = 0; i < tentativas; ++i) {
    Esperar(aCtx, espera, aRecebimento.nRec);
    resultado = aCtx.NFe->ConsultarRecibo(aRecebimento.nRec);
    if (resultado.cStat != "105") return resultado;
    espera = std::max(resultado.tMed, espera);
  }
  throw ECliFalha(csRejeitado, "o lote do recibo " + aRecebimento.nRec +
                                   " ainda está em processamento após " +
                                   std::to_string(tentativas) + " consultas; consulte mais tarde "
                                   "com: xndnfe recibo " + aRecebimento.nRec);
}

void GravarNFeProcs(TContexto& aCtx, const TRetornoNFe& aResultado, const std::string& aLote) {
  const std::string pasta = aCtx.Linha.Valor("--saida");
  if (pasta.empty()) return;
  if (!ForceDirectories(pasta))
    throw ECliFalha(csEntradaInvalida, "não foi possível criar a pasta " + pasta);
  const std::map<std::string, std::string> notas = NotasPorChave(aLote);
  for (const TProtocoloNFe& p : aResultado.Protocolos) {
    const auto nota = notas.find(p.chNFe);
    if (!p.Autorizada() || nota == notas.end()) continue;
    GravarArquivo(pasta + "/" + p.chNFe + "-nfeProc.xml",
                  aCtx.NFe->MontarNFeProc(nota->second, p.Xml));
  }
}

}  // namespace

// "YYYY-MM-DDThh:mm:ss±hh:mm" now, in the time zone of the UF (IBGE code),
// whatever the machine's own zone; the date alone when aSoData. Brazil keeps
// no daylight saving time since 2019; the islands at -02:00 and the west of
// AM at -05:00 take the zone of their state's capital.
std::string AgoraNaUF(const std::string& aCUF, bool aSoData) {
  int horas = -3;
  if (aCUF == "12") horas = -5;  // AC
  if (aCUF == "11" || aCUF == "13" || aCUF == "14" || aCUF == "50" || aCUF == "51")
    horas = -4;  // RO AM RR MS MT
  const std::time_t agora =
      std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()) + horas * 3600;
  std::tm local{};
  gmtime_r(&agora, &local);
  char texto[32];
  std::strftime(texto, sizeof texto, aSoData ? "%Y-%m-%d" : "%Y-%m-%dT%H:%M:%S", &local);
  return aSoData ? std::string(texto) : Format("%s-%2.2d:00", texto, -horas);
}

std::string IdLotePadrao() {
  const auto agora = std::chrono::system_clock::now().time_since_epoch();
  const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(agora).count();
  // 13 digits of milliseconds and 2 of the process: runs started together
  // from a script get numbers (and log files) of their own.
  return std::to_string(ms * 100 + getpid() % 100);
}

int ComandoStatus(TContexto& aCtx) {
  const TRetornoNFe r = aCtx.NFe->StatusServico();
  if (aCtx.Linha.Json)
    aCtx.Escrever(json{{"cStat", r.cStat}, {"xMotivo", r.xMotivo}, {"cUF", r.cUF}, {"tMed", r.tMed}});
  else
    aCtx.Saida << r.cStat << " - " << r.xMotivo << "\n";
  return r.cStat == "107" ? csOk : csRejeitado;
}

int ComandoCertificados(TContexto& aCtx) {
  TStringList lista;
  aCtx.NFe->ListarCertificados(&lista);
  if (aCtx.Linha.Json) {
    json nomes = json::array();
    for (int i = 0; i < lista.Count(); ++i) nomes.push_back(lista[i]);
    aCtx.Escrever(json{{"certificados", nomes}});
  } else {
    for (int i = 0; i < lista.Count(); ++i) aCtx.Saida << lista[i] << "\n";
  }
  return csOk;
}

int ComandoValidar(TContexto& aCtx) {
  const std::string arquivo = aCtx.Linha.Posicionais[0];
  const std::string xml = LerArquivo(arquivo, true);
  const std::string comando = ComandoEsquema(xml);
  if (comando.empty())
    throw ECliFalha(csEntradaInvalida,
                    arquivo + " não é uma NF-e, um lote (enviNFe), um nfeProc nem um envEvento");
  if (xml.find("schemaLocation") == std::string::npos) {
    // A schema that is not installed is a configuration fault, not a verdict.
    const std::string esquema = aCtx.NFe->ObterArquivoEsquema(comando);
    if (!FileExists(esquema))
      throw ECliFalha(csEntradaInvalida, "esquema não encontrado: " + esquema +
                                             " (instale os esquemas nacionais na pasta de "
                                             "esquemas, ou informe --esquemas)");
  }
  std::vector<std::string> erros;
  try {
    aCtx.NFe->ValidarEsquema(xml, comando);
  } catch (const ExndSchemaValidationException& e) {
    TStringList* lista = aCtx.NFe->ErrosValidador();
    for (int i = 0; i < lista->Count(); ++i)
      if (!Trim((*lista)[i]).empty()) erros.push_back((*lista)[i]);
    if (erros.empty()) erros.push_back(e.what());
  }
  if (aCtx.Linha.Json) {
    aCtx.Escrever(json{{"valido", erros.empty()}, {"erros", erros}});
  } else if (erros.empty()) {
    aCtx.Saida << arquivo << ": válido\n";
  } else {
    aCtx.Saida << arquivo << ": inválido\n";
    for (const std::string& e : erros) aCtx.Saida << e << "\n";
  }
  return erros.empty() ? csOk : csRejeitado;
}

int ComandoAssinar(TContexto& aCtx) {
  const std::string lote = LerArquivo(aCtx.Linha.Posicionais[0], true);
  std::string assinado;
  aCtx.NFe->AssinarLote(lote, assinado);
  if (aCtx.Linha.Tem("-o"))
    GravarArquivo(aCtx.Linha.Valor("-o"), assinado);
  else
    aCtx.Saida << assinado;
  return csOk;
}

int ComandoEnviar(TContexto& aCtx) {
  const std::string lote = LerArquivo(aCtx.Linha.Posicionais[0], true);
  const std::string idLote = aCtx.Linha.Valor("--lote", IdLotePadrao());
  Tentativas(aCtx);  // a bad value is refused before anything is sent
  std::string assinado = lote;
  if (!NotaAssinada(lote)) {
    aCtx.Progresso("Assinando as notas do lote " + idLote);
    aCtx.NFe->AssinarLote(lote, assinado);
  }
  aCtx.NFe->SetValidarEsquemaAntesEnvio(!aCtx.Linha.Tem("--sem-validar"));
  aCtx.Progresso("Enviando o lote " + idLote);
  std::string resposta;
  aCtx.NFe->EnviarLote(idLote, assinado, resposta, false);
  TxndGovUtils utils;
  const TRetornoNFe recebimento = TRetornoNFe::Ler(resposta, utils);
  TRetornoNFe resultado = recebimento;
  if (recebimento.cStat == "103") {
    resultado = AguardarProcessamento(aCtx, recebimento);
  } else if (recebimento.cStat != "104") {
    if (aCtx.Linha.Json)
      aCtx.Escrever(RetornoJson(recebimento));
    else
      aCtx.Saida << "Lote " << idLote << " não recebido: " << recebimento.cStat << " - "
                 << recebimento.xMotivo << "\n";
    return csRejeitado;
  }
  GravarNFeProcs(aCtx, resultado, assinado);
  if (aCtx.Linha.Json) {
    json j = RetornoJson(resultado);
    j["nRec"] = recebimento.nRec;
    aCtx.Escrever(j);
  } else {
    aCtx.Saida << "Lote " << idLote << " (recibo " << recebimento.nRec << "): " << resultado.cStat
               << " - " << resultado.xMotivo << "\n";
    EscreverProtocolos(aCtx, resultado);
  }
  return resultado.cStat == "104" && TodasAutorizadas(resultado) ? csOk : csRejeitado;
}

int ComandoRecibo(TContexto& aCtx) {
  const TRetornoNFe r = aCtx.NFe->ConsultarRecibo(aCtx.Linha.Posicionais[0]);
  if (aCtx.Linha.Json) {
    aCtx.Escrever(RetornoJson(r));
  } else {
    aCtx.Saida << r.cStat << " - " << r.xMotivo << "\n";
    EscreverProtocolos(aCtx, r);
  }
  return r.cStat == "104" && TodasAutorizadas(r) ? csOk : csRejeitado;
}

int ComandoConsultar(TContexto& aCtx) {
  const TRetornoNFe r = aCtx.NFe->ConsultarNFe(aCtx.Linha.Posicionais[0]);
  if (aCtx.Linha.Json) {
    aCtx.Escrever(RetornoJson(r));
  } else {
    aCtx.Saida << r.cStat << " - " << r.xMotivo << "\n";
    EscreverProtocolos(aCtx, r);
  }
  return r.cStat == "100" || r.cStat == "150" ? csOk : csRejeitado;
}

int ComandoNFeProc(TContexto& aCtx) {
  const std::string nfe = LerArquivo(aCtx.Linha.Posicionais[0], true);
  const std::string documento = LerArquivo(aCtx.Linha.Posicionais[1], true);
  const std::string chave = TxndNFeXmlUtils::ObterChaveAcesso(nfe, false);
  // The protocol of this note, from a protNFe or an answer that holds several.
  TxndGovUtils utils;
  const TRetornoNFe r = TRetornoNFe::Ler(documento, utils);
  std::string protocolo = documento;
  for (const TProtocoloNFe& p : r.Protocolos)
    if (p.chNFe == chave) protocolo = p.Xml;
  const std::map<std::string, std::string> notas = NotasPorChave(nfe);
  const auto nota = notas.find(chave);
  const std::string proc = aCtx.NFe->MontarNFeProc(nota == notas.end() ? nfe : nota->second, protocolo);
  if (aCtx.Linha.Tem("-o"))
    GravarArquivo(aCtx.Linha.Valor("-o"), proc);
  else
    aCtx.Saida << proc << "\n";
  return csOk;
}

}  // namespace xnd::cli

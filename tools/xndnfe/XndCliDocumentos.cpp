// xndnfe danfe, evento and cce: the DANFE of a note, the events of a note
// (correction letter, cancellation) sent to the service, and the printout of
// a registered correction letter.
#include <chrono>
#include <filesystem>

#include "XndCliComum.h"
#include "danfe/xndNFeDanfe.h"
#include "events/xndNFeEventos.h"
#include "events/xndNFeEventosXmlUtils.h"
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

constexpr const char* ModeloRetratoPadrao = "vm40/Danfe/retrato.rtm";
constexpr const char* ModeloPaisagemPadrao = "vm40/Danfe/paisagem.rtm";

// Limits of the event texts in the event schemas (characters).
constexpr std::size_t CorrecaoMinima = 15, CorrecaoMaxima = 1000;
constexpr std::size_t JustificativaMinima = 15, JustificativaMaxima = 255;
constexpr int MaximoCorrecoes = 20;  // CC-e per note

// The printing options shared by danfe and cce: an output must be chosen.
void ExigirSaida(const TContexto& aCtx) {
  const TLinhaComando& l = aCtx.Linha;
  if (!l.Tem("-o") && !l.Tem("--imprimir") && !l.Tem("--impressora"))
    throw ECliFalha(csEntradaInvalida,
                    "informe -o ARQUIVO.pdf ou --imprimir (xndnfe " + l.Comando + " --help)");
  if (l.Tem("-o") && (l.Tem("--imprimir") || l.Tem("--impressora")))
    throw ECliFalha(csEntradaInvalida, "escolha -o ou --imprimir, não os dois");
}

int Copias(const TContexto& aCtx, int aPadrao) {
  return aCtx.Linha.Inteiro("--copias", aPadrao, 1, 999);
}

std::string Logotipo(const TContexto& aCtx, const std::string& aPadrao) {
  if (!aCtx.Linha.Tem("--logotipo")) return aPadrao;
  const std::string arquivo = Absoluto(aCtx.Linha.Valor("--logotipo"));
  if (!FileExists(arquivo))
    throw ECliFalha(csEntradaInvalida, "logotipo não encontrado: " + arquivo);
  return arquivo;
}

// The templates folder without its manual-version subfolder ("Templates/").
std::string DiretorioTemplatesBase(TxndNFe& aNFe) {
  std::string diretorio = aNFe.DiretorioTemplates();
  RemoverPastaVersaoManual(diretorio);
  return diretorio;
}

// The target of an export: its folder must exist (nothing is created behind the user's back).
std::string ArquivoSaida(const TContexto& aCtx) {
  const std::string arquivo = Absoluto(aCtx.Linha.Valor("-o"));
  const std::string pasta = std::filesystem::path(arquivo).parent_path().string();
  if (!DirectoryExists(pasta)) throw ECliFalha(csEntradaInvalida, "pasta não encontrada: " + pasta);
  return arquivo;
}

// PNG pages written beside an export in format 2 (SAIDA-1.png, SAIDA-2.png
// ...) since aInicio: pages left by an older, longer export are not listed.
std::vector<std::string> PaginasPng(const std::string& aPdf,
                                    std::filesystem::file_time_type aInicio) {
  namespace fs = std::filesystem;
  const std::string base = fs::path(aPdf).replace_extension().string();
  std::vector<std::string> paginas;
  for (int i = 1;; ++i) {
    const std::string png = base + "-" + std::to_string(i) + ".png";
    std::error_code erro;
    const fs::file_time_type quando = fs::last_write_time(png, erro);
    if (erro || quando < aInicio) break;
    paginas.push_back(png);
  }
  return paginas;
}

// The DANFE parameters of the component's settings, completed for the tool:
// the shipped templates when the configuration names none, and the output.
std::string ParametrosDanfe(TContexto& aCtx, const std::string& aSaida) {
  TxndNFe& nfe = *aCtx.NFe;
  TDanfeSettings& d = *nfe.DanfeSettings();
  const std::string templates = DiretorioTemplatesBase(nfe);
  if (Trim(d.ModeloRetrato()).empty()) d.SetModeloRetrato(templates + ModeloRetratoPadrao);
  if (Trim(d.ModeloPaisagem()).empty()) d.SetModeloPaisagem(templates + ModeloPaisagemPadrao);
  d.SetQtdeCopias(Copias(aCtx, d.QtdeCopias()));
  d.SetLogotipoEmitente(Logotipo(aCtx, d.LogotipoEmitente()));
  nfe.MontarParametrosDanfe();
  std::string params;
  const TStringList& lista = nfe.ParametrosDanfe();
  for (int i = 0; i < lista.Count(); ++i) params += lista[i] + "\r\n";
  if (!aSaida.empty()) params += "SalvarComo=" + aSaida + "\r\n";
  if (aCtx.Linha.Tem("--png")) params += "FormatoExportacao=2\r\n";
  if (aCtx.Linha.Tem("--impressora"))
    params += "Impressora=" + aCtx.Linha.Valor("--impressora") + "\r\n";
  return params;
}

// ---- Events ----

struct TNotaEvento {
  std::string Chave;
  std::string Protocolo;  // the authorisation protocol, when the file carries it
};

// NOTA: an access key (with or without "NFe"), or a file holding the note.
TNotaEvento LerNotaEvento(const std::string& aNota) {
  std::string chave = Trim(aNota);
  if (chave.rfind("NFe", 0) == 0) chave.erase(0, 3);
  if (chave.size() == 44 && IsAsciiDigits(chave)) return {chave, ""};
  const std::string xml = LerArquivo(aNota, true);
  TNotaEvento nota{TxndNFeXmlUtils::ObterChaveAcesso(xml, false), ""};
  if (nota.Chave.empty())
    throw ECliFalha(csEntradaInvalida, aNota + " não é uma chave de acesso nem contém uma NF-e");
  TxndGovUtils utils;
  for (const TProtocoloNFe& p : TRetornoNFe::Ler(xml, utils).Protocolos)
    if (p.chNFe == nota.Chave) nota.Protocolo = p.nProt;
  return nota;
}

void VerificarTamanho(const std::string& aTexto, const char* aNome, std::size_t aMin,
                      std::size_t aMax) {
  const std::size_t n = Utf8Length(Trim(aTexto));
  if (n < aMin || n > aMax)
    throw ECliFalha(csEntradaInvalida, std::string(aNome) + " deve ter de " + std::to_string(aMin) +
                                           " a " + std::to_string(aMax) + " caracteres (tem " +
                                           std::to_string(n) + ")");
}

int Sequencia(const TContexto& aCtx) { return aCtx.Linha.Inteiro("--seq", 1, 1, MaximoCorrecoes); }

TDadosEvento DadosEvento(TxndNFe& aNFe, const std::string& aChave, int aSequencia) {
  TDadosEvento dados;
  dados.cOrgao = aChave.substr(0, 2);
  dados.Ambiente = aNFe.Ambiente();
  // The author is the emitter: the configured CNPJ, or the one of the key.
  dados.CNPJ = aNFe.CNPJ().empty() ? aChave.substr(6, 14) : aNFe.CNPJ();
  dados.chNFe = aChave;
  dados.dhEvento = AgoraNaUF(dados.cOrgao, false);  // the issuer's zone, as the note's dates
  dados.nSeqEvento = aSequencia;
  return dados;
}

// The events object in step with the component's settings, certificate checked.
TxndNFeEventos& PrepararEventos(TxndNFe& aNFe) {
  aNFe.AtualizarDadosNFe();
  aNFe.ObterGovX();  // pushes the certificate and connection settings
  aNFe.AtualizarEventos();
  return aNFe.ObterEventos();
}

struct TResultadoEvento {
  std::string cStat, xMotivo, nProt;
};

// Signs, validates and sends the event; the answer to it, read.
TResultadoEvento EnviarEvento(TContexto& aCtx, TxndNFeEventos& aEventos,
                              const std::string& aInfEvento, const std::string& aIdLote,
                              std::string& aIdEvento) {
  const std::string assinados = aEventos.AssinarEventos(aInfEvento);
  aIdEvento = aEventos.ExtrairIdEvento(assinados);
  const std::string lote = TxndEventos::MontarLoteEventos(aIdLote, assinados);
  if (!aCtx.Linha.Tem("--sem-validar")) aEventos.ValidarLoteEventos(lote);
  aEventos.SetValidarEsquemaAntesEnvio(false);
  aCtx.Progresso("Enviando o evento " + aIdEvento.substr(1));
  std::string resposta;
  try {
    resposta = aEventos.EnviarEventos(lote);
  } catch (const std::exception& e) {
    throw ECliFalha(csSemServico, std::string("Erro ao enviar o evento: ") + e.what());
  }
  const std::string retorno = ObterRetEvento(resposta, aIdEvento);
  if (retorno.empty())
    return {ObterValorTag("cStat", resposta), ObterValorTag("xMotivo", resposta), ""};
  return {ObterValorTag("cStat", retorno), ObterValorTag("xMotivo", retorno),
          ObterValorTag("nProt", retorno)};
}

// 135 registered; 136 registered without link (the note is not yet known to
// the authority); 155 a cancellation accepted after its time.
bool EventoRegistrado(const std::string& aCStat) {
  return aCStat == "135" || aCStat == "136" || aCStat == "155";
}

}  // namespace

int ComandoDanfe(TContexto& aCtx) {
  ExigirSaida(aCtx);
  if (aCtx.Linha.Tem("--png") && !aCtx.Linha.Tem("-o"))
    throw ECliFalha(csEntradaInvalida, "--png pede -o ARQUIVO.pdf");
  const std::string xml = LerArquivo(aCtx.Linha.Posicionais[0], true);
  const std::string saida = aCtx.Linha.Tem("-o") ? ArquivoSaida(aCtx) : "";
  TxndNFeDanfe& danfe = aCtx.NFe->Danfe();
  danfe.SetDiretorioLogErro(aCtx.NFe->DiretorioLogErro());
  danfe.SetParams(ParametrosDanfe(aCtx, saida));
  danfe.SetXML(xml);
  if (danfe.EhCCe())
    throw ECliFalha(csEntradaInvalida,
                    aCtx.Linha.Posicionais[0] + " é uma carta de correção (use xndnfe cce)");
  json j;
  if (!saida.empty()) {
    // The clock of the files' folder, a second back for coarse timestamps.
    const auto inicio = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(1);
    danfe.ExportarPDF();
    j["pdf"] = saida;
    if (aCtx.Linha.Tem("--png")) j["png"] = PaginasPng(saida, inicio);
  } else if (aCtx.Linha.Tem("--impressora")) {
    danfe.ImprimirNaImpressora();
    j["impressora"] = aCtx.Linha.Valor("--impressora");
  } else {
    danfe.Imprimir();
    j["impressora"] = "";
  }
  if (aCtx.Linha.Json) {
    aCtx.Escrever(j);
  } else if (!saida.empty()) {
    aCtx.Saida << "DANFE gravado em " << saida << "\n";
    if (j.contains("png"))
      for (const auto& png : j["png"])
        aCtx.Saida << "página gravada em " << png.get<std::string>() << "\n";
  } else {
    aCtx.Saida << "DANFE enviado à impressora"
               << (aCtx.Linha.Tem("--impressora") ? " " + aCtx.Linha.Valor("--impressora") : "")
               << "\n";
  }
  return csOk;
}

int ComandoEvento(TContexto& aCtx) {
  const std::vector<std::string>& p = aCtx.Linha.Posicionais;
  const std::string& tipo = p[0];
  if (tipo != "cce" && tipo != "cancelar")
    throw ECliFalha(csEntradaInvalida, "evento desconhecido: " + tipo + " (use cce ou cancelar)");
  const bool cce = tipo == "cce";
  const std::string& texto = p[2];
  if (cce) {
    VerificarTamanho(texto, "a correção", CorrecaoMinima, CorrecaoMaxima);
  } else {
    VerificarTamanho(texto, "a justificativa", JustificativaMinima, JustificativaMaxima);
    if (aCtx.Linha.Tem("--seq"))
      throw ECliFalha(csEntradaInvalida, "o cancelamento não tem --seq (é sempre o evento 1)");
  }
  const int sequencia = cce ? Sequencia(aCtx) : 1;
  TNotaEvento nota = LerNotaEvento(p[1]);
  if (aCtx.Linha.Tem("--protocolo")) nota.Protocolo = Trim(aCtx.Linha.Valor("--protocolo"));
  if (!cce && (nota.Protocolo.size() != 15 || !IsAsciiDigits(nota.Protocolo)))
    throw ECliFalha(
        csEntradaInvalida,
        nota.Protocolo.empty()
            ? "informe o protocolo de autorização da nota (--protocolo) ou o seu nfeProc"
            : "protocolo de autorização inválido: " + nota.Protocolo);
  const std::string saida =
      aCtx.Linha.Tem("-o")
          ? ArquivoSaida(aCtx)
          : Absoluto(nota.Chave +
                     (cce ? "-cce-" + std::to_string(sequencia) : std::string("-canc")) +
                     "-procEventoNFe.xml");

  TxndNFe& nfe = *aCtx.NFe;
  TxndNFeEventos& eventos = PrepararEventos(nfe);
  const TDadosEvento dados = DadosEvento(nfe, nota.Chave, sequencia);
  const std::string delimitador = nfe.DanfeSettings()->LineDelimiter();
  const std::string infEvento =
      cce ? MontarInfEventoCCe(dados, texto, delimitador.empty() ? "|" : delimitador)
          : MontarInfEventoCancelamento(dados, nota.Protocolo, texto);
  const std::string idLote = aCtx.Linha.Valor("--lote", IdLotePadrao());
  std::string idEvento;
  const TResultadoEvento r = EnviarEvento(aCtx, eventos, infEvento, idLote, idEvento);
  const bool registrado = EventoRegistrado(r.cStat);
  if (registrado) {
    eventos.GerarXmlDestinatario(idEvento, eventos.NomeLogEnvioEventos(idLote),
                                 eventos.NomeLogRetornoEventos(idLote), saida, "");
  }
  if (aCtx.Linha.Json) {
    json j{{"chNFe", nota.Chave}, {"cStat", r.cStat}, {"xMotivo", r.xMotivo}, {"nProt", r.nProt}};
    if (registrado) j["arquivo"] = saida;
    aCtx.Escrever(j);
  } else {
    aCtx.Saida << nota.Chave << " " << r.cStat << " - " << r.xMotivo;
    if (!r.nProt.empty()) aCtx.Saida << " (protocolo " << r.nProt << ")";
    aCtx.Saida << "\n";
    if (registrado) aCtx.Saida << "procEventoNFe gravado em " << saida << "\n";
  }
  return registrado ? csOk : csRejeitado;
}

int ComandoCCe(TContexto& aCtx) {
  ExigirSaida(aCtx);
  const std::string arquivo = Absoluto(aCtx.Linha.Posicionais[0]);
  const std::string xml = LerArquivo(arquivo, true);
  if (ObterValorTag("tpEvento", xml) != "110110")
    throw ECliFalha(csEntradaInvalida, aCtx.Linha.Posicionais[0] + " não é uma carta de correção");
  TxndNFe& nfe = *aCtx.NFe;
  TDanfeSettings& d = *nfe.DanfeSettings();
  d.SetQtdeCopias(Copias(aCtx, d.QtdeCopias()));
  d.SetLogotipoEmitente(Logotipo(aCtx, d.LogotipoEmitente()));
  std::string destino;
  if (aCtx.Linha.Tem("-o")) {
    destino = ArquivoSaida(aCtx);
    nfe.ExportarCCePDF(arquivo, destino);
  } else if (aCtx.Linha.Tem("--impressora")) {
    destino = aCtx.Linha.Valor("--impressora");
    nfe.ImprimirCCeImpressora(arquivo, destino);
  } else {
    nfe.ImprimirCCe(arquivo);
  }
  if (aCtx.Linha.Json)
    aCtx.Escrever(aCtx.Linha.Tem("-o") ? json{{"pdf", destino}} : json{{"impressora", destino}});
  else if (aCtx.Linha.Tem("-o"))
    aCtx.Saida << "CC-e gravada em " << destino << "\n";
  else
    aCtx.Saida << "CC-e enviada à impressora" << (destino.empty() ? "" : " " + destino) << "\n";
  return csOk;
}

}  // namespace xnd::cli

// TxndNFeEventos: the authorisation check and the four CC-e outputs.
#include "events/xndNFeEventos.h"

#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* MarcaAutorizacao = "<cStat>135";
constexpr const char* ModeloCCePadrao = "cce/Impressao/ModeloCCe.rtm";

}  // namespace

TxndNFeEventos::TxndNFeEventos(TComponent* aOwner, TxndGovX* aGovX, TxndNFeDanfe* aDanfe,
                               TxndEmailSettings* aEmailSettings, TxndGovUtils* aGovUtils)
    : TxndEventos(aOwner, aGovX, aEmailSettings, aGovUtils),
      FDanfe(aDanfe),
      FImpressaoCCeSettings(std::make_unique<TxndImpressaoCCeSettings>()) {}

TxndNFeEventos::~TxndNFeEventos() = default;

void TxndNFeEventos::SetImpressaoCCeSettings(std::unique_ptr<TxndImpressaoCCeSettings> aValue) {
  FImpressaoCCeSettings = aValue ? std::move(aValue) : std::make_unique<TxndImpressaoCCeSettings>();
}

// The exception logs are written to this text followed by the file name.
void TxndNFeEventos::SetDiretorioLogErro(const std::string& aValue) {
  TxndEventos::SetDiretorioLogErro(aValue);
  FDiretorioLogErro = NormalizePathSeparators(aValue);
  if (!FDiretorioLogErro.empty()) FDiretorioLogErro = IncludeTrailingPathDelimiter(FDiretorioLogErro);
}

// ---- Authorisation ------------------------------------------------------------------------

std::string TxndNFeEventos::TextoCCe(const std::string& aXmlOuArquivo) {
  if (!aXmlOuArquivo.empty() && FileExists(aXmlOuArquivo))
    return GovUtils()->ReadTextFile(aXmlOuArquivo);
  return aXmlOuArquivo;
}

bool TxndNFeEventos::CCeAutorizada(const std::string& aXmlOuArquivo) {
  return TextoCCe(aXmlOuArquivo).find(MarcaAutorizacao) != std::string::npos;
}

void TxndNFeEventos::VerificarCCeAutorizada(const std::string& aXmlOuArquivo) {
  if (!CCeAutorizada(aXmlOuArquivo))
    throw ExndEventoCheckParams("A CCe não está Autorizada.", FDiretorioLogErro);
}

// ---- Outputs ------------------------------------------------------------------------------

void TxndNFeEventos::MontarParametrosImpressao() {
  const TxndImpressaoCCeSettings& s = *FImpressaoCCeSettings;
  FParametrosImpressao.Clear();
  FParametrosImpressao.Add("QtdeCopias=" + std::to_string(s.QtdeCopias()));
  if (!Trim(s.ModeloRTM()).empty()) {
    FParametrosImpressao.Add("ArquivoRtm=" + s.ModeloRTM());
  } else {
    std::string diretorio = DiretorioTemplates();
    RemoverPastaVersaoManual(diretorio);
    FParametrosImpressao.Add("ArquivoRtm=" + diretorio + ModeloCCePadrao);
  }
  FParametrosImpressao.Add("LogotipoEmitente=" + s.LogotipoEmitente());
  FParametrosImpressao.Add("LineDelimiter=" + s.LineDelimiter());
}

// The DANFE object gets the CC-e's text, not the name of the file that holds
// it: it reads its XML as a document.
void TxndNFeEventos::Emitir(const std::string& aTexto, int (TxndNFeDanfe::*aSaida)()) {
  if (FDanfe == nullptr)
    throw ExndCCeReportException("Objeto de impressão da CCe não informado.", FDiretorioLogErro);
  FDanfe->SetXML(aTexto);
  FDanfe->SetParams(FParametrosImpressao.Text());
  (FDanfe->*aSaida)();
}

void TxndNFeEventos::ImprimirCCeImpressora(const std::string& aXml, const std::string& aImpressora) {
  const std::string texto = TextoCCe(aXml);
  VerificarCCeAutorizada(texto);
  MontarParametrosImpressao();
  FParametrosImpressao.Add("Impressora=" + aImpressora);
  Emitir(texto, &TxndNFeDanfe::ImprimirNaImpressora);
}

void TxndNFeEventos::VisualizarCCe(const std::string& aXml) {
  const std::string texto = TextoCCe(aXml);
  VerificarCCeAutorizada(texto);
  MontarParametrosImpressao();
  Emitir(texto, &TxndNFeDanfe::Visualizar);
}

void TxndNFeEventos::ImprimirCCe(const std::string& aXml) {
  const std::string texto = TextoCCe(aXml);
  VerificarCCeAutorizada(texto);
  MontarParametrosImpressao();
  Emitir(texto, &TxndNFeDanfe::Imprimir);
}

void TxndNFeEventos::ExportarCCePDF(const std::string& aXml, const std::string& aArquivo) {
  const std::string texto = TextoCCe(aXml);
  VerificarCCeAutorizada(texto);
  MontarParametrosImpressao();
  FImpressaoCCeSettings->SetSalvarComo(aArquivo);
  std::string arquivo = FImpressaoCCeSettings->SalvarComo();
  if (arquivo.empty() && FOnDialogoSalvar) arquivo = FOnDialogoSalvar(TDialogoSalvarArquivo{});
  if (arquivo.empty()) return;
  FParametrosImpressao.Add("SalvarComo=" + arquivo);
  Emitir(texto, &TxndNFeDanfe::ExportarPDF);
}

}  // namespace xnd

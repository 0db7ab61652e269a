// Construction, destruction, properties, versioned directories and the
// configuration check of the NF-e component.
#include "nfe/xndNFe.h"

#include "danfe/xndNFeDanfe.h"
#include "events/xndNFeEventos.h"
#include "platform/com.h"
#include "platform/files.h"
#include "platform/text.h"
#include "services/xndNFEInterface.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* DiretorioTemplatesPadrao = "Templates/";
constexpr const char* DiretorioEsquemasPadrao = "Esquemas/";
constexpr const char* DiretorioLogPadrao = "Log/";
constexpr const char* DiretorioXmlDestinatarioPadrao = "XmlDestinatario/";

std::string TextoBooleano(bool aValue) { return aValue ? "-1" : "0"; }

// Everything after the last "/" is dropped.
std::string CortarAposUltimaBarra(const std::string& aPath) {
  const std::size_t pos = aPath.rfind(PathDelim);
  return pos == std::string::npos ? std::string() : aPath.substr(0, pos + 1);
}

// A directory that does not exist and cannot be created as a single directory.
bool DiretorioInvalido(const std::string& aPath) {
  return !DirectoryExists(aPath) && !CreateDir(aPath);
}

}  // namespace

// ---- TxndNFeConversor ----

void TxndNFeConversor::SetDiretorioTemplates(const std::string& aValue) {
  FDiretorioTemplates = NormalizeConfiguredPath(aValue);
  IncluirBarraFinal(FDiretorioTemplates);
}

// ---- TxndCustomNFe: life cycle ----

TxndCustomNFe::TxndCustomNFe(TComponent* aOwner) : TComponent(aOwner) {
  CoInitializeThread();
  FErrosValidador = std::make_unique<TStringList>();
  FServidoresINI = std::make_unique<TMemIniFile>("");
  FNomeCertificado = std::make_unique<TxndCertStringNFe>();
  FParametrosDanfe = std::make_unique<TStringList>();
  FTabelaUF = std::make_unique<TStringList>();
  FDanfeSettings = std::make_unique<TDanfeSettings>();
  FNFeData = std::make_unique<TNFeData>();
  FVersaoManual = vm50;
  FCaracteresRemoverAcentos = CaracteresRemoverAcentosPadrao;
  FAmbiente = akHomologacao;
  FModoOperacao = moNormal;
  FSalvarLogsEmDisco = true;
  CarregarTabelaUF(*FTabelaUF);
}

TxndCustomNFe::~TxndCustomNFe() {
  if (FGovX) {
    try {
      LiberarCertificado();
    } catch (const std::exception&) {
      // Already written to the exception log; a destructor cannot raise.
    }
  }
  FDanfe.reset();
  FErrosValidador.reset();
  FConfigINI.reset();
  FEmailSettings.reset();
  FServidoresINI.reset();
  FParametrosDanfe.reset();
  FTabelaUF.reset();
  FDanfeSettings.reset();
  FEventos.reset();
  FGovUtils.reset();
  FGovX.reset();
  FNomeCertificado.reset();
  FNFeData.reset();
  FInterfaceVersao.reset();
  CoUninitializeThread();
}

// ---- TxndCustomNFe: virtual operations ----

// An empty value clears the state, so that a configuration saved without one
// loads back; VerificarParametros reports it.
void TxndCustomNFe::SetUF(const std::string& aValue) {
  if (!aValue.empty() && FTabelaUF->IndexOfName(aValue) < 0) {
    throw ExndCheckParams("a sigla da UF %s, é inválida.", {aValue}, FDiretorioLogErro);
  }
  FUF = UpperCase(aValue);
}

void TxndCustomNFe::SetDiretorioTemplates(const std::string& aValue) {
  FDiretorioTemplates = aValue.empty() ? DiretorioTemplatesPadrao : NormalizeConfiguredPath(aValue);
}

std::string TxndCustomNFe::ObterNamespace() { return NFeNamespace; }

void TxndCustomNFe::IncluirDiretorioVersao(std::string& aPath) {
  RemoverPastaVersaoManual(aPath);
  const std::string versao = DiretorioVersaoManual(FVersaoManual);
  if (versao.empty()) {
    throw ExndNFeVersaoManualException(
        "Não foi possível completar o processo. A versão do manual não é válida.",
        FDiretorioLogErro);
  }
  aPath += versao;
}

void TxndCustomNFe::SetVersaoManual(TVersaoManual aValue) {
  FVersaoManual = aValue;
  Danfe().SetVersao(aValue);
}

void TxndCustomNFe::MontarParametrosDanfe() {
  const TDanfeSettings& d = *FDanfeSettings;
  const std::string versao = VersaoManualParaTexto(FVersaoManual);
  TStringList& p = *FParametrosDanfe;
  p.Clear();
  p.Add("QtdeCopias=" + IntToStr(d.QtdeCopias()));
  p.Add("Versao=" + versao);
  p.Add("ModeloRetrato=" + d.ModeloRetrato());
  p.Add("ModeloPaisagem=" + d.ModeloPaisagem());
  p.Add("LogotipoEmitente=" + d.LogotipoEmitente());
  p.Add("FraseContingencia=" + d.FraseContingencia());
  p.Add("FraseHomologacao=" + d.FraseHomologacao());
  p.Add("VersaoManual=" + versao);
  p.Add("LineDelimiter=" + d.LineDelimiter());
  p.Add("InfCplMaxCol=" + IntToStr(d.InfCplMaxCol()));
  p.Add("InfCplMaxRow=" + IntToStr(d.InfCplMaxRow()));
  p.Add("ImprimirVolume=" + TextoBooleano(d.ImprimirVolume()));
  p.Add("ImprimirDuplicata=" + TextoBooleano(d.ImprimirDuplicata()));
  p.Add("ImprimirUnidadeTributada=" + TextoBooleano(d.ImprimirUnidadeTributada()));
  p.Add("ModeloRTMCCe=" + d.ModeloRTMCCe());
}

std::string TxndCustomNFe::ObterDiretorioTemplatesUF() { return DiretorioTemplates() + FUF + "/"; }

void TxndCustomNFe::VerificarParametros() {
  if (FUF.empty()) throw ExndNFeException("O campo UF está vazio.", FDiretorioLogErro);
  if (FCNPJ.empty()) throw ExndNFeException("O campo CNPJ está vazio.", FDiretorioLogErro);
  if (Utf8Length(FCNPJ) != 14) {
    throw ExndNFeException("O CNPJ não possui 14 digitos. %s", {FCNPJ}, FDiretorioLogErro);
  }
  const std::string log = DiretorioLog();
  if (DiretorioInvalido(log)) {
    throw ExndNFeException("O diretório para salvar os Logs, é inválido. %s", {log},
                           FDiretorioLogErro);
  }
  const std::string hom = ArquivoServidoresHom();
  if (!FileExists(hom)) {
    throw ExndNFeException("Caminho dos servidores de Homologação inválido. %s", {hom},
                           FDiretorioLogErro);
  }
  const std::string prod = ArquivoServidoresProd();
  if (!FileExists(prod) && FAmbiente == akProducao) {
    throw ExndNFeException("Caminho dos servidores de Produção inválido. %s", {prod},
                           FDiretorioLogErro);
  }
}

// ---- TxndCustomNFe: properties ----

void TxndCustomNFe::SetDanfeSettings(std::unique_ptr<TDanfeSettings> aValue) {
  FDanfeSettings = aValue ? std::move(aValue) : std::make_unique<TDanfeSettings>();
}

std::string TxndCustomNFe::DiretorioVersionado(std::string& aArmazenado, const char* aPadrao) {
  if (aArmazenado.empty()) aArmazenado = aPadrao;
  std::string path = CortarAposUltimaBarra(ExpandirCaminho(aArmazenado));
  IncluirDiretorioVersao(path);
  return path;
}

std::string TxndCustomNFe::DiretorioTemplates() {
  return DiretorioVersionado(FDiretorioTemplates, DiretorioTemplatesPadrao);
}

std::string TxndCustomNFe::DiretorioEsquemas() {
  return DiretorioVersionado(FDiretorioEsquemas, DiretorioEsquemasPadrao);
}

void TxndCustomNFe::SetDiretorioEsquemas(const std::string& aValue) {
  FDiretorioEsquemas = NormalizeConfiguredPath(aValue);
}

std::string TxndCustomNFe::ArquivoServidoresHom() const {
  return ExpandirCaminho(FArquivoServidoresHom);
}

void TxndCustomNFe::SetArquivoServidoresHom(const std::string& aValue) {
  FArquivoServidoresHom = NormalizeConfiguredPath(aValue);
}

std::string TxndCustomNFe::ArquivoServidoresProd() const {
  return ExpandirCaminho(FArquivoServidoresProd);
}

void TxndCustomNFe::SetArquivoServidoresProd(const std::string& aValue) {
  FArquivoServidoresProd = NormalizeConfiguredPath(aValue);
}

const std::string& TxndCustomNFe::DiretorioLog() {
  if (FDiretorioLog.empty()) FDiretorioLog = DiretorioLogPadrao;
  return FDiretorioLog;
}

void TxndCustomNFe::SetDiretorioLog(const std::string& aValue) {
  FDiretorioLog = NormalizeConfiguredPath(aValue);
}

TxndEmailSettings* TxndCustomNFe::EmailSettings() {
  if (!FEmailSettings) FEmailSettings = std::make_unique<TxndEmailSettings>();
  return FEmailSettings.get();
}

TCustomIniFile* TxndCustomNFe::ConfigINI() {
  if (!FConfigINI) FConfigINI = std::make_unique<TIniFile>(ObterArquivoConfiguracao(""));
  return FConfigINI.get();
}

void TxndCustomNFe::SetConfigINI(std::unique_ptr<TCustomIniFile> aValue) {
  FConfigINI = std::move(aValue);
}

void TxndCustomNFe::SetCaminhoCertificado(const std::string& aValue) {
  FCaminhoCertificado = NormalizeConfiguredPath(aValue);
}

void TxndCustomNFe::SetDiretorioLogErro(const std::string& aValue) {
  if (aValue.empty()) return;
  std::string dir = ExpandirCaminho(aValue);
  if (!DirectoryExists(dir)) ForceDirectories(dir);
  IncluirBarraFinal(dir);
  FDiretorioLogErro = dir;
}

void TxndCustomNFe::SetDiretorioTemporario(const std::string& aValue) {
  if (aValue.empty()) return;
  FDiretorioTemporario = ExpandirCaminho(aValue);
  if (!DirectoryExists(FDiretorioTemporario)) ForceDirectories(FDiretorioTemporario);
}

TxndNFeDanfe& TxndCustomNFe::Danfe() {
  if (!FDanfe) {
    FDanfe = std::make_unique<TxndNFeDanfe>();
    FDanfe->SetVersao(FVersaoManual);
  }
  return *FDanfe;
}

TxndNFeEventos& TxndCustomNFe::ObterEventos() {
  if (!FEventos) {
    TxndGovX& govX = ObterGovX();
    FEventos = std::make_unique<TxndNFeEventos>(nullptr, &govX, &Danfe(), EmailSettings(),
                                                &ObterGovUtils());
  }
  return *FEventos;
}

// ---- TxndNFe ----

TxndNFe::TxndNFe(TComponent* aOwner) : TxndCustomNFe(aOwner) {
  FDiretorioXmlDestinatario = DiretorioXmlDestinatarioPadrao;
  FMaxSizeLoteEnvio = 500;
  SetAnexarDanfePDF(true);
  FXmlUtils = std::make_unique<TxndNFeXmlUtils>();
}

TxndNFe::~TxndNFe() {
  FXmlUtils.reset();
  FConversor.reset();
}

void TxndNFe::SetDiretorioTemplates(const std::string& aValue) {
  TxndCustomNFe::SetDiretorioTemplates(aValue);
  if (!FConversor) FConversor = std::make_unique<TxndNFeConversor>();
  FConversor->SetDiretorioTemplates(DiretorioTemplates());
}

void TxndNFe::SetVersaoManual(TVersaoManual aValue) {
  TxndCustomNFe::SetVersaoManual(aValue);
  AtualizarDadosNFe();
}

void TxndNFe::VerificarParametros() {
  TxndCustomNFe::VerificarParametros();
  const std::string destinatario = DiretorioXmlDestinatario();
  if (DiretorioInvalido(destinatario)) {
    throw ExndNFeCheckParams("O caminho configurado para salvar o XMLDestinatario é inválido. %s",
                             {destinatario}, DiretorioLogErro());
  }
  if (FMaxSizeLoteEnvio < 1) {
    throw ExndNFeCheckParams("O tamanho máximo para o lote está com valor menor que um.",
                             DiretorioLogErro());
  }
}

std::string TxndNFe::DiretorioXmlDestinatario() {
  std::string dir = ExpandirCaminho(FDiretorioXmlDestinatario);
  IncluirBarraFinal(dir);
  if (!dir.empty() && !DirectoryExists(dir)) ForceDirectories(dir);
  return dir;
}

void TxndNFe::SetDiretorioXmlDestinatario(const std::string& aValue) {
  FDiretorioXmlDestinatario = NormalizeConfiguredPath(aValue);
  IncluirBarraFinal(FDiretorioXmlDestinatario);
}

void TxndNFe::SetDiretorioDownloads(const std::string& aValue) {
  FDiretorioDownloads = NormalizeConfiguredPath(aValue);
}

}  // namespace xnd

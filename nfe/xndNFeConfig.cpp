// Loading and saving the NF-e component's settings through an INI object.
#include "nfe/xndNFe.h"

#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* ArquivoConfiguracaoPadrao = "nfeConfig.ini";
constexpr const char* SecaoDanfe = "DANFE";
constexpr const char* SecaoEmail = "MAIL";
constexpr const char* SecaoNFe = "NFE";
constexpr const char* PrefixoErroLeitura = "Erro ao carregar configurações: ";
constexpr const char* PrefixoErroGravacao = "Erro ao salvar configurações: ";
constexpr int DiretorioPadraoTemporario = 1;

std::string NomeRepositorio(TCertificadoKind aTipo) {
  switch (aTipo) {
    case ckMemory:
      return "MEMORY_STORE";
    case ckLocalMachine:
      return "LOCAL_MACHINE_STORE";
    case ckFile:
      return "CURRENT_USER_STORE";
    case ckActiveDiretory:
      return "ACTIVE_DIRECTORY_USER_STORE";
    case ckSmartCard:
      return "SMART_CARD_USER_STORE";
  }
  return "";
}

// 1 is production; every other number (2 included) homologation, so a
// damaged file never points at production.
TAmbienteKind NumeroParaAmbiente(int aNumero) { return aNumero == 1 ? akProducao : akHomologacao; }

int AmbienteParaNumero(TAmbienteKind aAmbiente) { return aAmbiente == akProducao ? 1 : 2; }

// Runs aOperacao, replacing any exception by ExndNFeConfigException with aPrefixo.
template <class Op>
void ComoErroConfiguracao(const char* aPrefixo, const std::string& aLogDir, Op aOperacao) {
  try {
    aOperacao();
  } catch (const std::exception& e) {
    throw ExndNFeConfigException(std::string(aPrefixo) + e.what(), aLogDir);
  }
}

}  // namespace

std::string TxndCustomNFe::ObterArquivoConfiguracao(const std::string& aNome) {
  const std::string programa = DiretorioAplicacao();
  const std::string nome = NormalizeConfiguredPath(aNome);
  if (nome.empty()) return programa + ArquivoConfiguracaoPadrao;
  if (FileExists(nome)) return nome;
  if (DirectoryExists(nome)) return IncludeTrailingPathDelimiter(nome) + ArquivoConfiguracaoPadrao;
  const std::string diretorio = ExtractFilePath(nome);
  const std::string arquivo = ExtractFileName(nome);
  if (arquivo.empty()) return programa + ArquivoConfiguracaoPadrao;
  if (!diretorio.empty() && DirectoryExists(diretorio)) return nome;
  if (FileExists(programa + arquivo)) return programa + arquivo;
  if (diretorio.empty()) return programa + arquivo;
  return programa + ArquivoConfiguracaoPadrao;
}

TCustomIniFile& TxndCustomNFe::ConfigAtual() {
  return FConfigExterna != nullptr ? *FConfigExterna : *ConfigINI();
}

// ---- Reading ----

void TxndCustomNFe::LerValoresComponente(TCustomIniFile& aIni, const std::string& aSecao) {
  const std::string& s = aSecao;
  SetVersaoManual(TextoParaVersaoManual(
      aIni.ReadString(s, "VersaoManual", VersaoManualParaTexto(FVersaoManual))));
  SetTipoCertificado(TextoParaTipoCertificado(aIni.ReadString(s, "TipoCertificado", "")));
  SetDiretorioTemplates(aIni.ReadString(s, "DiretorioTemplates", "Templates"));
  SetDiretorioEsquemas(aIni.ReadString(s, "DiretorioEsquemas", "Esquemas"));
  SetCNPJ(aIni.ReadString(s, "CNPJ", ""));
  SetArquivoServidoresHom(aIni.ReadString(s, "ArquivoServidoresHom", "nfeServidoresHom.ini"));
  SetArquivoServidoresProd(aIni.ReadString(s, "ArquivoServidoresProd", "nfeServidoresProd.ini"));
  SetDiretorioLog(aIni.ReadString(s, "DiretorioLog", "Log"));
  SetAmbiente(NumeroParaAmbiente(aIni.ReadInteger(s, "Ambiente", 2)));
  SetValidarEsquemaAntesEnvio(aIni.ReadBool(s, "ValidarEsquema", false));
  // Only a key that is present is a choice of the host (see the property).
  if (aIni.ValueExists(s, "IgnoreInvalidCertificates")) {
    SetIgnoreInvalidCertificates(aIni.ReadBool(s, "IgnoreInvalidCertificates", false));
  }
  FNomeCertificado->SetText(aIni.ReadString(s, "NomeCertificado", ""));
  SetPinCode(ObterGovUtils()->UnprotectText(aIni.ReadString(s, "PinCode", "")));
  SetConexaoSegura(aIni.ReadBool(s, "ConexaoSegura", true));
  SetProxy(aIni.ReadString(s, "Proxy", ""));
  SetSenha(aIni.ReadString(s, "Senha", ""));
  SetUsuario(aIni.ReadString(s, "Usuario", ""));
  SetTimeOut(aIni.ReadInteger(s, "TimeOut", 0));
  SetCaracteresRemoverAcentos(
      aIni.ReadString(s, "CaracteresRemoverAcentos", CaracteresRemoverAcentosPadrao));
  SetUF(aIni.ReadString(s, "UF", "SP"));
  SetCaminhoCertificado(aIni.ReadString(s, "CaminhoCertificado", ""));
  SetSenhaCertificado(aIni.ReadString(s, "SenhaCertificado", ""));
  SetDiretorioLogErro(aIni.ReadString(s, "DiretorioLogErro", ""));
  const std::string temporario =
      ExpandirCaminho(ObterGovUtils()->GetDefaultDirectory(DiretorioPadraoTemporario));
  SetDiretorioTemporario(aIni.ReadString(s, "DiretorioTemporario", temporario));
  SetModoOperacao(TextoParaModoOperacao(aIni.ReadString(s, "ModoOperacao", "Normal")));
  SetSalvarLogsEmDisco(aIni.ReadBool(s, "SalvarLogsEmDisco", true));
}

void TxndCustomNFe::LerValoresEmail(TCustomIniFile& aIni) {
  TxndEmailSettings& e = *EmailSettings();
  e.SetServidorSmtp(aIni.ReadString(SecaoEmail, "Servidor", ""));
  e.SetEmailRemetente(aIni.ReadString(SecaoEmail, "EmailRemetente", ""));
  e.SetEmailDestinatario(aIni.ReadString(SecaoEmail, "EmailDestinatario", ""));
  e.SetAssunto(aIni.ReadString(SecaoEmail, "Assunto", ""));
  e.SetMensagem(aIni.ReadString(SecaoEmail, "Mensagem", ""));
  e.SetUsuario(aIni.ReadString(SecaoEmail, "Usuario", ""));
  e.SetSenha(aIni.ReadString(SecaoEmail, "Senha", ""));
  e.SetPorta(aIni.ReadInteger(SecaoEmail, "Porta", 0));
  e.SetAutenticacao(aIni.ReadBool(SecaoEmail, "Autenticacao", false));
  e.SetTimeOut(aIni.ReadInteger(SecaoEmail, "TimeOut", 30000));
  e.SetCCo(aIni.ReadString(SecaoEmail, "CCo", ""));
  e.SetCC(aIni.ReadString(SecaoEmail, "CC", ""));
  e.SetConteudoHtml(aIni.ReadBool(SecaoEmail, "ConteudoHtml", false));
}

void TxndCustomNFe::LerValoresDanfe(TCustomIniFile& aIni) {
  TDanfeSettings& d = *FDanfeSettings;
  d.SetFraseHomologacao(aIni.ReadString(SecaoDanfe, "FraseHomologacao", d.FraseHomologacao()));
  d.SetLogotipoEmitente(
      NormalizeConfiguredPath(aIni.ReadString(SecaoDanfe, "LogotipoEmitente", "")));
  d.SetFraseContingencia(aIni.ReadString(SecaoDanfe, "FraseContingencia", d.FraseContingencia()));
  d.SetModeloRetrato(
      NormalizeConfiguredPath(aIni.ReadString(SecaoDanfe, "ModeloRetrato", d.ModeloRetrato())));
  d.SetModeloPaisagem(
      NormalizeConfiguredPath(aIni.ReadString(SecaoDanfe, "ModeloPaisagem", d.ModeloPaisagem())));
  d.SetModeloDanfeSimplificado(NormalizeConfiguredPath(
      aIni.ReadString(SecaoDanfe, "ModeloDanfeSimplificado", d.ModeloDanfeSimplificado())));
  d.SetLineDelimiter(aIni.ReadString(SecaoDanfe, "LineDelimiter", d.LineDelimiter()));
  d.SetQtdeCopias(aIni.ReadInteger(SecaoDanfe, "QtdeCopias", 1));
  d.SetInfCplMaxCol(aIni.ReadInteger(SecaoDanfe, "InfCplMaxCol", 68));
  d.SetInfCplMaxRow(aIni.ReadInteger(SecaoDanfe, "InfCplMaxRow", 7));
  d.SetImprimirVolume(aIni.ReadBool(SecaoDanfe, "ImprimirVolume", false));
  d.SetImprimirDuplicata(aIni.ReadBool(SecaoDanfe, "ImprimirDuplicata", true));
  d.SetImprimirUnidadeTributada(aIni.ReadBool(SecaoDanfe, "ImprimirUnidadeTributada", false));
  SetDanfeSimplificado(aIni.ReadBool(SecaoDanfe, "DanfeSimplificado", false));
  d.SetModeloRTMCCe(
      NormalizeConfiguredPath(aIni.ReadString(SecaoDanfe, "ModeloRTMCCe", d.ModeloRTMCCe())));
}

void TxndCustomNFe::LerConfiguracao() {
  ComoErroConfiguracao(PrefixoErroLeitura, FDiretorioLogErro, [this] {
    TCustomIniFile& ini = ConfigAtual();
    LerValoresComponente(ini, FSectionINI);
    LerValoresEmail(ini);
    SetAnexarDanfePDF(ini.ReadBool(FSectionINI, "AnexarDanfePDF", true));
    LerValoresDanfe(ini);
  });
}

// ---- Writing ----

void TxndCustomNFe::GravarValoresComponente(TCustomIniFile& aIni, const std::string& aSecao) {
  const std::string& s = aSecao;
  aIni.WriteString(s, "Repositorio", NomeRepositorio(FTipoCertificado));
  aIni.WriteBool(s, "IgnoreInvalidCertificates", FIgnoreInvalidCertificates);
  aIni.WriteString(s, "CNPJ", FCNPJ);
  aIni.WriteString(s, "ArquivoServidoresHom", FArquivoServidoresHom);
  aIni.WriteString(s, "ArquivoServidoresProd", FArquivoServidoresProd);
  aIni.WriteInteger(s, "Ambiente", AmbienteParaNumero(FAmbiente));
  aIni.WriteString(s, "DiretorioLog", FDiretorioLog);
  aIni.WriteBool(s, "ValidarEsquema", FValidarEsquemaAntesEnvio);
  aIni.WriteString(s, "DiretorioTemplates", FDiretorioTemplates);
  aIni.WriteString(s, "DiretorioEsquemas", FDiretorioEsquemas);
  aIni.WriteString(s, "NomeCertificado",
                   StringReplace(FNomeCertificado->Text(), "\r\n", "", false));
  aIni.WriteString(s, "PinCode", ObterGovUtils()->ProtectText(FPinCode));
  aIni.WriteString(s, "DiretorioLogErro", FDiretorioLogErro);
  aIni.WriteString(s, "DiretorioTemporario", FDiretorioTemporario);
  aIni.WriteString(s, "ModoOperacao", ModoOperacaoParaTexto(FModoOperacao));
  aIni.WriteBool(s, "SalvarLogsEmDisco", FSalvarLogsEmDisco);
  IHttpSettings& conexao = ObterGovX()->ConnectionSettings();
  if (!conexao.CertificatePath().empty()) {
    aIni.WriteString(s, "CaminhoCertificado", conexao.CertificatePath());
    aIni.WriteString(s, "SenhaCertificado", conexao.CertificatePassword());
  }
  aIni.WriteBool(s, "ConexaoSegura", FConexaoSegura);
  aIni.WriteString(s, "Proxy", FProxy);
  aIni.WriteString(s, "Senha", FSenha);
  aIni.WriteString(s, "Usuario", FUsuario);
  aIni.WriteInteger(s, "TimeOut", FTimeOut);
  aIni.WriteString(s, "CaracteresRemoverAcentos", FCaracteresRemoverAcentos);
  aIni.WriteString(s, "VersaoManual", VersaoManualParaTexto(FVersaoManual));
  aIni.WriteString(s, "UF", FUF);
}

void TxndCustomNFe::GravarValoresDanfe(TCustomIniFile& aIni) {
  const TDanfeSettings& d = *FDanfeSettings;
  aIni.WriteString(SecaoDanfe, "LogotipoEmitente", d.LogotipoEmitente());
  aIni.WriteString(SecaoDanfe, "FraseContingencia", d.FraseContingencia());
  aIni.WriteString(SecaoDanfe, "FraseHomologacao", d.FraseHomologacao());
  aIni.WriteString(SecaoDanfe, "ModeloRetrato", d.ModeloRetrato());
  aIni.WriteString(SecaoDanfe, "ModeloPaisagem", d.ModeloPaisagem());
  aIni.WriteString(SecaoDanfe, "ModeloDanfeSimplificado", d.ModeloDanfeSimplificado());
  aIni.WriteString(SecaoDanfe, "LineDelimiter", d.LineDelimiter());
  aIni.WriteInteger(SecaoDanfe, "QtdeCopias", d.QtdeCopias());
  aIni.WriteInteger(SecaoDanfe, "InfCplMaxCol", d.InfCplMaxCol());
  aIni.WriteInteger(SecaoDanfe, "InfCplMaxRow", d.InfCplMaxRow());
  aIni.WriteBool(SecaoDanfe, "ImprimirVolume", d.ImprimirVolume());
  aIni.WriteBool(SecaoDanfe, "ImprimirDuplicata", d.ImprimirDuplicata());
  aIni.WriteBool(SecaoDanfe, "ImprimirUnidadeTributada", d.ImprimirUnidadeTributada());
  aIni.WriteBool(SecaoDanfe, "DanfeSimplificado", FDanfeSimplificado);
  aIni.WriteString(SecaoDanfe, "ModeloRTMCCe", d.ModeloRTMCCe());
}

void TxndCustomNFe::GravarValoresEmail(TCustomIniFile& aIni) {
  const TxndEmailSettings& e = *EmailSettings();
  aIni.WriteString(SecaoEmail, "Servidor", e.ServidorSmtp());
  aIni.WriteString(SecaoEmail, "EmailRemetente", e.EmailRemetente());
  aIni.WriteString(SecaoEmail, "Assunto", e.Assunto());
  aIni.WriteString(SecaoEmail, "Mensagem", e.Mensagem());
  aIni.WriteString(SecaoEmail, "Usuario", e.Usuario());
  aIni.WriteString(SecaoEmail, "Senha", e.Senha());
  aIni.WriteInteger(SecaoEmail, "TimeOut", e.TimeOut());
  aIni.WriteString(SecaoEmail, "EmailDestinatario", e.EmailDestinatario());
  aIni.WriteString(SecaoEmail, "CCo", e.CCo());
  aIni.WriteString(SecaoEmail, "CC", e.CC());
  aIni.WriteBool(SecaoEmail, "Autenticacao", e.Autenticacao());
  aIni.WriteInteger(SecaoEmail, "Porta", e.Porta());
  aIni.WriteBool(SecaoEmail, "ConteudoHtml", e.ConteudoHtml());
}

void TxndCustomNFe::GravarConfiguracao() {
  ComoErroConfiguracao(PrefixoErroGravacao, FDiretorioLogErro, [this] {
    TCustomIniFile& ini = ConfigAtual();
    GravarValoresComponente(ini, FSectionINI);
    GravarValoresDanfe(ini);
    GravarValoresEmail(ini);
    ini.WriteBool(FSectionINI, "AnexarDanfePDF", FAnexarDanfePDF);
  });
}

// ---- Entry points ----

template <class Op>
void TxndCustomNFe::UsarConfigExterna(TCustomIniFile* aIni, const char* aNomeOperacao,
                                      Op aOperacao) {
  if (aIni == nullptr) {
    throw ExndConfigINIException(
        std::string("O parâmetro não pode ser nil para realizar o ") + aNomeOperacao, "");
  }
  FConfigINI.reset();
  FConfigExterna = aIni;
  struct TRestaurar {
    TxndCustomNFe& FNFe;
    ~TRestaurar() {
      FNFe.FConfigExterna = nullptr;
      FNFe.FConfigINI = std::make_unique<TMemIniFile>("");
    }
  } restaurar{*this};
  aOperacao();
}

void TxndCustomNFe::LoadConfig(const std::string& aFileName) {
  const std::string arquivo = ObterArquivoConfiguracao(aFileName);
  if (!FileExists(arquivo)) {
    throw ExndConfigINIException("Arquivo %s não foi encontrado", {arquivo}, FDiretorioLogErro);
  }
  FConfigINI = std::make_unique<TIniFile>(arquivo);
  LerConfiguracao();
}

void TxndCustomNFe::LoadConfig(TCustomIniFile* aIni) {
  UsarConfigExterna(aIni, "LoadConfig", [this] { LerConfiguracao(); });
}

void TxndCustomNFe::SaveConfig(const std::string& aFileName) {
  if (!aFileName.empty())
    FConfigINI = std::make_unique<TIniFile>(ObterArquivoConfiguracao(aFileName));
  GravarConfiguracao();
}

void TxndCustomNFe::SaveConfig(TCustomIniFile* aIni) {
  UsarConfigExterna(aIni, "SaveConfig", [this] { GravarConfiguracao(); });
}

// ---- TxndNFe ----

void TxndNFe::GarantirSecao() {
  if (SectionINI().empty()) SetSectionINI(SecaoNFe);
}

void TxndNFe::LerConfiguracao() {
  TxndCustomNFe::LerConfiguracao();
  ComoErroConfiguracao(PrefixoErroLeitura, DiretorioLogErro(), [this] {
    TCustomIniFile& ini = ConfigAtual();
    SetMaxSizeLoteEnvio(ini.ReadInteger(SectionINI(), "MaxSizeLoteEnvio", 500));
    SetDiretorioXmlDestinatario(
        ini.ReadString(SectionINI(), "DiretorioXmlDestinatario", "XmlDestinatario/"));
    SetDiretorioDownloads(ini.ReadString(SectionINI(), "DiretorioDownloads", "Downloads/"));
  });
}

void TxndNFe::GravarConfiguracao() {
  TxndCustomNFe::GravarConfiguracao();
  ComoErroConfiguracao(PrefixoErroGravacao, DiretorioLogErro(), [this] {
    TCustomIniFile& ini = ConfigAtual();
    ini.WriteInteger(SectionINI(), "MaxSizeLoteEnvio", MaxSizeLoteEnvio());
    ini.WriteString(SectionINI(), "DiretorioXmlDestinatario", FDiretorioXmlDestinatario);
    ini.WriteString(SectionINI(), "DiretorioDownloads", DiretorioDownloads());
  });
}

void TxndNFe::LoadConfig(const std::string& aFileName) {
  GarantirSecao();
  TxndCustomNFe::LoadConfig(aFileName);
}

void TxndNFe::LoadConfig(TCustomIniFile* aIni) {
  GarantirSecao();
  TxndCustomNFe::LoadConfig(aIni);
}

void TxndNFe::SaveConfig(const std::string& aFileName) {
  GarantirSecao();
  TxndCustomNFe::SaveConfig(aFileName);
}

void TxndNFe::SaveConfig(TCustomIniFile* aIni) {
  GarantirSecao();
  TxndCustomNFe::SaveConfig(aIni);
}

}  // namespace xnd

// The NF-e component: TxndCustomNFe carries the configuration an NF-e client
// needs (manual version, state, certificate, environment, directories,
// server lists, connection, e-mail and DANFE settings), owns the two server
// wrappers and pushes its settings into them; TxndNFe is the concrete
// component placed on forms.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "nfe/xndNFeRetorno.h"
#include "platform/component.h"
#include "platform/inifile.h"
#include "platform/stringlist.h"
#include "types/xndNFeType.h"

namespace xnd {

struct TNFeData;
class TxndNFEInterface;
class TxndNFeDanfe;
class TxndNFeEventos;
struct TDialogoSalvarArquivo;
class TxndNFeXmlUtils;
class TxndVeldoraX;
class TxndValidadorClientX;

using TOnLogContentEventNFe = std::function<void(const std::string& aNome, const std::string& aID,
                                                 const std::string& aFileName,
                                                 const std::string& aConteudo)>;

// Holds the templates directory, always with a trailing "/".
class TxndNFeConversor {
 public:
  const std::string& DiretorioTemplates() const { return FDiretorioTemplates; }
  void SetDiretorioTemplates(const std::string& aValue);

 private:
  std::string FDiretorioTemplates;
};

class TxndCustomNFe : public TComponent {
 public:
  static constexpr const char* VersaoComponente = "5.7.10.27457";
  static constexpr const char* CaracteresRemoverAcentosPadrao =
      "áéíóúàèìòùâêîôûäëïöüãõñçÁÉÍÓÚÀÈÌÒÙÂÊÎÔÛÄËÏÖÜÃÕÑÇºª";

  explicit TxndCustomNFe(TComponent* aOwner = nullptr);
  ~TxndCustomNFe() override;

  // ---- Virtual operations ----
  virtual void SetUF(const std::string& aValue);
  virtual void SetDiretorioTemplates(const std::string& aValue);
  virtual std::string ObterNamespace();
  virtual void IncluirDiretorioVersao(std::string& aPath);
  virtual void SetVersaoManual(TVersaoManual aValue);
  virtual void MontarParametrosDanfe();
  virtual std::string ObterDiretorioTemplatesUF();
  virtual void LerConfiguracao();
  virtual void GravarConfiguracao();
  virtual void SaveConfig(const std::string& aFileName);
  virtual void SaveConfig(TCustomIniFile* aIni);
  virtual void LoadConfig(const std::string& aFileName);
  virtual void LoadConfig(TCustomIniFile* aIni);
  virtual void VerificarParametros();

  // ---- Published properties ----
  TVersaoManual VersaoManual() const { return FVersaoManual; }
  bool AnexarDanfePDF() const { return FAnexarDanfePDF; }
  void SetAnexarDanfePDF(bool aValue) { FAnexarDanfePDF = aValue; }
  TDanfeSettings* DanfeSettings() const { return FDanfeSettings.get(); }
  // The component takes the object as its own; null leaves a fresh default object.
  void SetDanfeSettings(std::unique_ptr<TDanfeSettings> aValue);
  TAuditorSettings* AuditorSettings() const { return FAuditorSettings; }
  void SetAuditorSettings(TAuditorSettings* aValue) { FAuditorSettings = aValue; }
  const std::string& UF() const { return FUF; }
  std::string Versao() const { return VersaoComponente; }
  void SetVersao(const std::string& /*aValue*/) {}
  const std::string& CaracteresRemoverAcentos() const { return FCaracteresRemoverAcentos; }
  void SetCaracteresRemoverAcentos(const std::string& aValue) { FCaracteresRemoverAcentos = aValue; }
  TCertificadoKind TipoCertificado() const { return FTipoCertificado; }
  void SetTipoCertificado(TCertificadoKind aValue) { FTipoCertificado = aValue; }
  // The versioned templates directory; stores the default "Templates/" when empty.
  std::string DiretorioTemplates();
  // Whether the server certificate of the web services goes unverified.
  // A host that never chooses (neither this property nor the configuration
  // file's "IgnoreInvalidCertificates" key) gets true at the first server
  // use; a value the host did set, true or false, is never overridden.
  bool IgnoreInvalidCertificates() const { return FIgnoreInvalidCertificates; }
  void SetIgnoreInvalidCertificates(bool aValue) {
    FIgnoreInvalidCertificates = aValue;
    FIgnoreInvalidCertificatesEscolhido = true;
  }
  const std::string& CNPJ() const { return FCNPJ; }
  void SetCNPJ(const std::string& aValue) { FCNPJ = aValue; }
  std::string ArquivoServidoresHom() const;
  void SetArquivoServidoresHom(const std::string& aValue);
  std::string ArquivoServidoresProd() const;
  void SetArquivoServidoresProd(const std::string& aValue);
  // "Log/" when empty (and then stored).
  const std::string& DiretorioLog();
  void SetDiretorioLog(const std::string& aValue);
  TAmbienteKind Ambiente() const { return FAmbiente; }
  void SetAmbiente(TAmbienteKind aValue) { FAmbiente = aValue; }
  bool ValidarEsquemaAntesEnvio() const { return FValidarEsquemaAntesEnvio; }
  void SetValidarEsquemaAntesEnvio(bool aValue) { FValidarEsquemaAntesEnvio = aValue; }
  // Created on first read; assigning is ignored.
  TxndEmailSettings* EmailSettings();
  void SetEmailSettings(TxndEmailSettings* /*aValue*/) {}
  // The versioned schema directory; stores the default "Esquemas/" when empty.
  std::string DiretorioEsquemas();
  void SetDiretorioEsquemas(const std::string& aValue);
  bool ConexaoSegura() const { return FConexaoSegura; }
  void SetConexaoSegura(bool aValue) { FConexaoSegura = aValue; }
  // Edited in place; assigning is ignored.
  TxndCertStringNFe* NomeCertificado() const { return FNomeCertificado.get(); }
  void SetNomeCertificado(TxndCertStringNFe* /*aValue*/) {}
  int TimeOut() const { return FTimeOut; }
  void SetTimeOut(int aValue) { FTimeOut = aValue; }
  TStringList* ErrosValidador() const { return FErrosValidador.get(); }
  void SetErrosValidador(TStringList* /*aValue*/) {}
  const std::string& SectionINI() const { return FSectionINI; }
  void SetSectionINI(const std::string& aValue) { FSectionINI = aValue; }
  // When none: a file-backed INI object on the default configuration file.
  TCustomIniFile* ConfigINI();
  // The component takes the object as its own.
  void SetConfigINI(std::unique_ptr<TCustomIniFile> aValue);
  const std::string& Proxy() const { return FProxy; }
  void SetProxy(const std::string& aValue) { FProxy = aValue; }
  const std::string& Usuario() const { return FUsuario; }
  void SetUsuario(const std::string& aValue) { FUsuario = aValue; }
  const std::string& Senha() const { return FSenha; }
  void SetSenha(const std::string& aValue) { FSenha = aValue; }
  const std::string& PinCode() const { return FPinCode; }
  void SetPinCode(const std::string& aValue) { FPinCode = aValue; }
  const TOnLogEventNFe& OnLog() const { return FOnLog; }
  void SetOnLog(TOnLogEventNFe aValue) { FOnLog = std::move(aValue); }
  const TOnCheckCertificateEventNFe& OnCheckCertificate() const { return FOnCheckCertificate; }
  void SetOnCheckCertificate(TOnCheckCertificateEventNFe aValue) { FOnCheckCertificate = std::move(aValue); }
  const std::string& CaminhoCertificado() const { return FCaminhoCertificado; }
  void SetCaminhoCertificado(const std::string& aValue);
  const std::string& SenhaCertificado() const { return FSenhaCertificado; }
  void SetSenhaCertificado(const std::string& aValue) { FSenhaCertificado = aValue; }
  const std::string& DiretorioLogErro() const { return FDiretorioLogErro; }
  // Empty is ignored; otherwise resolved, created with its parents and stored with a trailing "/".
  void SetDiretorioLogErro(const std::string& aValue);
  const std::string& DiretorioTemporario() const { return FDiretorioTemporario; }
  // Empty is ignored; otherwise resolved, stored and created with its parents.
  void SetDiretorioTemporario(const std::string& aValue);
  TModoOperacao ModoOperacao() const { return FModoOperacao; }
  void SetModoOperacao(TModoOperacao aValue) { FModoOperacao = aValue; }
  TEntregaXML EntregaXML() const { return FEntregaXML; }
  void SetEntregaXML(TEntregaXML aValue) { FEntregaXML = aValue; }
  TxndVeldoraX* ComponenteVeldora() const { return FComponenteVeldora; }
  void SetComponenteVeldora(TxndVeldoraX* aValue) { FComponenteVeldora = aValue; }
  TxndValidadorClientX* ComponenteAuditor() const { return FComponenteAuditor; }
  void SetComponenteAuditor(TxndValidadorClientX* aValue) { FComponenteAuditor = aValue; }

  // ---- Unpublished state ----
  bool SalvarLogsEmDisco() const { return FSalvarLogsEmDisco; }
  void SetSalvarLogsEmDisco(bool aValue) { FSalvarLogsEmDisco = aValue; }
  const TOnLogContentEventNFe& OnLogContent() const { return FOnLogContent; }
  void SetOnLogContent(TOnLogContentEventNFe aValue) { FOnLogContent = std::move(aValue); }
  const TStringList& TabelaUF() const { return *FTabelaUF; }
  const TStringList& ParametrosDanfe() const { return *FParametrosDanfe; }
  // Created on first need with the component's manual version.
  TxndNFeDanfe& Danfe();
  // The events object, created on first need with the signing and utility
  // wrappers, the DANFE object and the e-mail settings (all lent to it).
  TxndNFeEventos& ObterEventos();

  // ---- Server objects and settings push ----
  TxndGovUtils& ObterGovUtils();
  TxndGovX& ObterGovX();
  void EnviarConfiguracaoEmail();
  void EnviarConfiguracaoConexao();
  std::string ObterDiretorioTemporario();
  // Replaces the content of aLista with the certificate names of the store.
  void ListarCertificados(TStringList* aLista);
  void VerificarCertificado();
  void LiberarCertificado();

  // ---- Version interface and configuration snapshot ----
  TxndNFEInterface& ObterInterfaceVersao();
  TCustomIniFile& ObterServidoresINI();
  TNFeData& NFeData() const { return *FNFeData; }

  // The configuration file that a given name resolves to.
  static std::string ObterArquivoConfiguracao(const std::string& aNome);

 protected:
  bool DanfeSimplificado() const { return FDanfeSimplificado; }
  void SetDanfeSimplificado(bool aValue) { FDanfeSimplificado = aValue; }

  void AtualizarInterfaceVersao();
  // The current ConfigINI, the caller's object during LoadConfig/SaveConfig of an INI object.
  TCustomIniFile& ConfigAtual();
  // Uses aIni for aOperacao, then leaves a new empty in-memory INI object as ConfigINI.
  template <class Op>
  void UsarConfigExterna(TCustomIniFile* aIni, const char* aNomeOperacao, Op aOperacao);

 private:
  std::string DiretorioVersionado(std::string& aArmazenado, const char* aPadrao);
  void TratarNomeCertificado(const std::string& aTexto);
  void ConfigurarGovXNovo(TxndGovX& aGovX);
  void InstalarPonteLogContent(TxndGovUtils& aGovUtils);
  void LerValoresComponente(TCustomIniFile& aIni, const std::string& aSecao);
  void LerValoresEmail(TCustomIniFile& aIni);
  void LerValoresDanfe(TCustomIniFile& aIni);
  void GravarValoresComponente(TCustomIniFile& aIni, const std::string& aSecao);
  void GravarValoresDanfe(TCustomIniFile& aIni);
  void GravarValoresEmail(TCustomIniFile& aIni);

  TVersaoManual FVersaoManual = vm50;
  bool FAnexarDanfePDF = false;
  std::unique_ptr<TDanfeSettings> FDanfeSettings;
  TAuditorSettings* FAuditorSettings = nullptr;
  std::string FUF;
  std::string FCaracteresRemoverAcentos;
  TCertificadoKind FTipoCertificado = ckMemory;
  std::string FDiretorioTemplates;
  bool FIgnoreInvalidCertificates = false;
  bool FIgnoreInvalidCertificatesEscolhido = false;  // set by the host
  std::string FCNPJ;
  std::string FArquivoServidoresHom;
  std::string FArquivoServidoresProd;
  std::string FDiretorioLog;
  TAmbienteKind FAmbiente = akHomologacao;
  bool FValidarEsquemaAntesEnvio = false;
  std::unique_ptr<TxndEmailSettings> FEmailSettings;
  std::string FDiretorioEsquemas;
  bool FConexaoSegura = false;
  std::unique_ptr<TxndCertStringNFe> FNomeCertificado;
  int FTimeOut = 0;
  std::unique_ptr<TStringList> FErrosValidador;
  std::string FSectionINI;
  std::unique_ptr<TCustomIniFile> FConfigINI;
  TCustomIniFile* FConfigExterna = nullptr;
  std::string FProxy;
  std::string FUsuario;
  std::string FSenha;
  std::string FPinCode;
  TOnLogEventNFe FOnLog;
  TOnCheckCertificateEventNFe FOnCheckCertificate;
  std::string FCaminhoCertificado;
  std::string FSenhaCertificado;
  std::string FDiretorioLogErro;
  std::string FDiretorioTemporario;
  TModoOperacao FModoOperacao = moNormal;
  TEntregaXML FEntregaXML = exEmail;
  TxndVeldoraX* FComponenteVeldora = nullptr;
  TxndValidadorClientX* FComponenteAuditor = nullptr;
  bool FDanfeSimplificado = false;

  bool FSalvarLogsEmDisco = true;
  TOnLogContentEventNFe FOnLogContent;
  std::unique_ptr<TStringList> FTabelaUF;
  std::unique_ptr<TStringList> FParametrosDanfe;
  std::unique_ptr<TCustomIniFile> FServidoresINI;
  std::unique_ptr<TNFeData> FNFeData;
  std::unique_ptr<TxndNFEInterface> FInterfaceVersao;
  std::unique_ptr<TxndNFeDanfe> FDanfe;
  std::unique_ptr<TxndNFeEventos> FEventos;
  std::unique_ptr<TxndGovUtils> FGovUtils;
  std::unique_ptr<TxndGovX> FGovX;
};

class TxndNFe : public TxndCustomNFe {
 public:
  explicit TxndNFe(TComponent* aOwner = nullptr);
  ~TxndNFe() override;

  // ---- Virtual operations ----
  void SetDiretorioTemplates(const std::string& aValue) override;
  void SetVersaoManual(TVersaoManual aValue) override;
  void LerConfiguracao() override;
  void GravarConfiguracao() override;
  void SaveConfig(const std::string& aFileName) override;
  void SaveConfig(TCustomIniFile* aIni) override;
  void LoadConfig(const std::string& aFileName) override;
  void LoadConfig(TCustomIniFile* aIni) override;
  void VerificarParametros() override;
  virtual void AtualizarDadosNFe();
  // ---- Batch signing and submission (xndNFeAssinatura.cpp, xndNFeEnvio.cpp) ----
  // Replaces every "º" by "o", then fills the signing template with the note.
  virtual void MontarEnvelopeAssinatura(std::string& aXml);
  // Creates the events object when absent and copies the component's
  // settings into it; run before every CC-e output.
  virtual void AtualizarEventos();
  // aXmlAssinado := the notes of the batch, each wrapped and signed, in batch order.
  virtual void AssinarLote(const std::string& aXml, std::string& aXmlAssinado);
  // Checks, logs and indexes the request, sends it, logs the answer (aRetorno)
  // and indexes its receipt; aCompactado goes unchanged to the version interface.
  // Once the service has answered, the batch counts as sent: aRetorno holds
  // the answer from then on, and a failure of a later step (answer log,
  // receipt index) raises ExndNFeLoteEnviadoException, whose NumeroRecibo()
  // and Retorno() give the receipt and the answer. Any other exception means
  // the batch did not reach the service (or its answer did not come back).
  virtual void EnviarLote(const std::string& aIdLote, const std::string& aLoteNotas,
                          std::string& aRetorno, bool aCompactado);
  // "ID110110" + key + the sequence with at least two digits.
  virtual std::string GerarIdCCe(const std::string& aChave, int aSequencia);
  // ---- CC-e outputs (xndNFeCCe.cpp) ----
  // Each brings the events object up to date and runs its operation of the
  // same name: aXml is the authorised CC-e (distribution XML) or the name of
  // a file that holds it. An empty aArquivo asks OnDialogoSalvarPDF for the
  // name; without one, or when it answers "", nothing is exported.
  virtual void ImprimirCCeImpressora(const std::string& aXml, const std::string& aImpressora);
  virtual void VisualizarCCe(const std::string& aXml);
  virtual void ImprimirCCe(const std::string& aXml);
  virtual void ExportarCCePDF(const std::string& aXml, const std::string& aArquivo);

  // ---- Host conveniences (xndNFeConsultas.cpp) ----
  // Each query pushes the component's settings to the servers, checks the
  // certificate, asks the service of the UF and environment, logs the answer
  // ("sta", "pro-rec", "sit") and returns it read. A service that cannot be
  // reached or answers unreadably raises ExndSoapException; a bad receipt or
  // key, ExndNFeCheckParams; a missing configuration, ExndNFeConfigException.
  TRetornoNFe StatusServico();
  TRetornoNFe ConsultarRecibo(const std::string& aNumeroRecibo);
  // aChave: the 44 digits, with or without the "NFe" prefix.
  TRetornoNFe ConsultarNFe(const std::string& aChave);
  // The distribution document (nfeProc, what the recipient gets): the signed
  // NFe element as it stands and its protNFe. Raises when the note is not
  // signed, the protocol is of another note or does not authorise it.
  std::string MontarNFeProc(const std::string& aNFeAssinada, const std::string& aProtNFe);

  // A template of the versioned templates directory of the UF, read whole.
  std::string CarregarTemplate(const std::string& aNome);
  // The number of notes (1 to 50) of a batch; raises outside that range.
  int VerificarQuantidadeNotas(const std::string& aXml);
  // The contingency fields of a note against tpEmis and ModoOperacao.
  void VerificarContingencia(const std::string& aXml);
  // A signed note without doubled blanks in KeyInfo / SignatureValue, its
  // XML declaration and its CR LF pairs.
  static std::string NormalizarAssinatura(const std::string& aXml);
  // Builds the request of a batch and checks it (certificate, batch number,
  // size, signature, schema), in that order.
  void MontarLoteEnvio(const std::string& aIdLote, const std::string& aLoteNotas,
                       std::string& aPedido);

  // ---- Schema validation (xndNFeEsquema.cpp) ----
  // Raises ExndSchemaValidationException, ErrosValidador holding the errors.
  void ValidarEsquema(const std::string& aXml, const std::string& aComando);
  // The versioned schema directory + the command's value in "Mapping.txt".
  std::string ObterArquivoEsquema(const std::string& aComando);

  // ---- Operation logs (xndNFeLogs.cpp) ----
  // Appends aXml to the log aNomeArquivo (MakeLogFileName(aTipo, aIdLote)
  // when empty) when SalvarLogsEmDisco; raises OnLog and OnLogContent. The
  // append is whole or not at all; a failure is ExndLogException naming the
  // file and the reason.
  void GravarLog(const std::string& aXml, const std::string& aTipo, const std::string& aIdLote,
                 const std::string& aNomeArquivo);
  // One index file per access key of the batch log, when SalvarLogsEmDisco.
  void IndexarLogLote(const std::string& aNomeArquivoLog);
  // The same for the log that aXmlGravado was just appended to: when that is
  // all the log holds, the keys come from aXmlGravado without reading it back.
  void IndexarLogLote(const std::string& aNomeArquivoLog, const std::string* aXmlGravado);
  // DiretorioXmlDestinatario + aChaveOuRecibo := "env-lot=" + aNomeArquivoLog;
  // a failure is ExndLogException naming the file and the reason.
  void GravarIndiceLog(const std::string& aChaveOuRecibo, const std::string& aNomeArquivoLog);

  // ---- Published properties ----
  // Resolved with a trailing "/"; created with its parents when missing.
  std::string DiretorioXmlDestinatario();
  // Stored with a trailing "/" added when non-empty.
  void SetDiretorioXmlDestinatario(const std::string& aValue);
  const std::string& DiretorioDownloads() const { return FDiretorioDownloads; }
  void SetDiretorioDownloads(const std::string& aValue);
  int MaxSizeLoteEnvio() const { return FMaxSizeLoteEnvio; }
  void SetMaxSizeLoteEnvio(int aValue) { FMaxSizeLoteEnvio = aValue; }
  const TOnXmlDestinatarioEvent& OnXmlDestinatario() const { return FOnXmlDestinatario; }
  void SetOnXmlDestinatario(TOnXmlDestinatarioEvent aValue) { FOnXmlDestinatario = std::move(aValue); }
  const TOnXmlCanDestinatarioEvent& OnXmlCanDestinatario() const { return FOnXmlCanDestinatario; }
  void SetOnXmlCanDestinatario(TOnXmlCanDestinatarioEvent aValue) {
    FOnXmlCanDestinatario = std::move(aValue);
  }
  const TOnDownloadNFeEvent& OnDownloadNFe() const { return FOnDownloadNFe; }
  void SetOnDownloadNFe(TOnDownloadNFeEvent aValue) { FOnDownloadNFe = std::move(aValue); }
  // The save-file dialog of ExportarCCePDF, installed by a desktop host: it
  // gets what to show and answers the chosen name ("" when cancelled).
  const std::function<std::string(const TDialogoSalvarArquivo&)>& OnDialogoSalvarPDF() const {
    return FOnDialogoSalvarPDF;
  }
  void SetOnDialogoSalvarPDF(std::function<std::string(const TDialogoSalvarArquivo&)> aValue) {
    FOnDialogoSalvarPDF = std::move(aValue);
  }
  using TxndCustomNFe::DanfeSimplificado;
  using TxndCustomNFe::SetDanfeSimplificado;

  // ---- Unpublished state ----
  TxndNFeXmlUtils& XmlUtils() const { return *FXmlUtils; }
  // Null until the templates directory is first assigned.
  const TxndNFeConversor* Conversor() const { return FConversor.get(); }

 private:
  // The shared road of the queries: settings, certificate, service, log, reading.
  TRetornoNFe Consultar(const std::string& aTipoLog, const std::string& aId,
                        const std::string& aErro,
                        const std::function<std::string(TxndNFEInterface&)>& aServico);
  void GarantirSecao();

  std::string FDiretorioXmlDestinatario;
  std::string FDiretorioDownloads;
  int FMaxSizeLoteEnvio = 500;
  TOnXmlDestinatarioEvent FOnXmlDestinatario;
  TOnXmlCanDestinatarioEvent FOnXmlCanDestinatario;
  TOnDownloadNFeEvent FOnDownloadNFe;
  std::function<std::string(const TDialogoSalvarArquivo&)> FOnDialogoSalvarPDF;
  std::unique_ptr<TxndNFeXmlUtils> FXmlUtils;
  std::unique_ptr<TxndNFeConversor> FConversor;
  // While AssinarLote runs: the signing template, read for the first note
  // that is wrapped and reused for the others of the batch.
  bool FAssinandoLote = false;
  std::optional<std::string> FModeloAssinaturaLote;
};

}  // namespace xnd

// TxndEventos: the events component. It carries what an NF-e event exchange
// needs (state, environment, contingency mode, server lists, template,
// schema and log directories) and the operations that sign a batch of
// events, validate it, wrap it in a SOAP envelope and send it, query an
// NF-e's situation and the documents addressed to the issuer, download
// them, and assemble the distribution XML (procEventoNFe) of an event.
//
// Signing, certificates and SOAP over HTTPS are xndGovX's; XPath, schemas and
// files xndGovUtils's. The component holds both wrappers by reference (the
// NF-e component lends them, with the certificate settings already pushed).
//
// What a host passes:
//   AssinarEventos  one or more infEvento elements (each in its own evento, in
//                   an envEvento, or bare one after the other); it returns one
//                   signed <evento> per infEvento, one after the other;
//   EnviarEventos   the envEvento batch: MontarLoteEventos(idLote, signed
//                   events) builds it from AssinarEventos' result.
// MontarInfEventoCCe and MontarInfEventoCancelamento build the infEvento of
// the correction letter (110110) and of the cancellation (110111).
//
// Every exception the component raises itself is logged in DiretorioLogErro
// (the program's directory when empty): "nfeeventos_exception.log" for the
// events branch, "nfe_exception.log" for the shared classes (file not found,
// certificate, signature, schema validation).
#pragma once

#include <memory>
#include <string>

#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "platform/component.h"
#include "platform/inifile.h"
#include "platform/stringlist.h"
#include "types/xndNFeType.h"

namespace xnd {

// Mapping.txt commands of the events component (section "ValidarXML").
inline constexpr const char* ComandoEsquemaEvento = "EVENTO";
inline constexpr const char* ComandoEsquemaConsultaNF = "CONSULTANF";
inline constexpr const char* ComandoEsquemaConsultaDest = "CONSULTADEST";
inline constexpr const char* ComandoEsquemaDownload = "DOWNLOADNFE";

// The largest event batch the services accept, in KB of 1000 characters.
inline constexpr int LimiteLoteEventosKB = 500;

class TxndEventos : public TComponent {
 public:
  // Keeps the three references (not owned), fills the UF code table.
  TxndEventos(TComponent* aOwner, TxndGovX* aGovX, TxndEmailSettings* aEmailSettings,
              TxndGovUtils* aGovUtils);
  ~TxndEventos() override;

  // ---- Published properties ----
  // UF: GetUF / SetUF below.
  std::string UF() const { return GetUF(); }
  const std::string& UFWS() const { return FUFWS; }
  void SetUFWS(const std::string& aValue) { FUFWS = aValue; }
  const std::string& CNPJ() const { return FCNPJ; }
  void SetCNPJ(const std::string& aValue) { FCNPJ = aValue; }
  TAmbienteKind Ambiente() const { return FAmbiente; }
  void SetAmbiente(TAmbienteKind aValue) { FAmbiente = aValue; }
  TModoOperacao ModoOperacao() const { return FModoOperacao; }
  void SetModoOperacao(TModoOperacao aValue) { FModoOperacao = aValue; }
  TVersaoManual VersaoManual() const { return FVersaoManual; }
  void SetVersaoManual(TVersaoManual aValue) { FVersaoManual = aValue; }
  const std::string& ArquivoServidoresProd() const { return FArquivoServidoresProd; }
  void SetArquivoServidoresProd(const std::string& aValue);
  const std::string& ArquivoServidoresHom() const { return FArquivoServidoresHom; }
  void SetArquivoServidoresHom(const std::string& aValue);
  const std::string& DiretorioTemplates() const { return FDiretorioTemplates; }
  void SetDiretorioTemplates(const std::string& aValue);
  const std::string& DiretorioEsquemas() const { return FDiretorioEsquemas; }
  void SetDiretorioEsquemas(const std::string& aValue);
  const std::string& DiretorioLog() const { return FDiretorioLog; }
  void SetDiretorioLog(const std::string& aValue);
  const std::string& DiretorioXmlDestinatario() const { return FDiretorioXmlDestinatario; }
  void SetDiretorioXmlDestinatario(const std::string& aValue);
  // When set, EnviarEventos validates the batch (ValidarLoteEventos) before
  // sending it.
  bool ValidarEsquemaAntesEnvio() const { return FValidarEsquemaAntesEnvio; }
  void SetValidarEsquemaAntesEnvio(bool aValue) { FValidarEsquemaAntesEnvio = aValue; }
  TxndEmailSettings* EmailSettings() const { return FEmailSettings; }
  const TOnLogEventNFe& OnLog() const { return FOnLog; }
  void SetOnLog(TOnLogEventNFe aValue) { FOnLog = std::move(aValue); }
  const std::string& DiretorioLogErro() const { return FDiretorioLogErro; }
  void SetDiretorioLogErro(const std::string& aValue);

  // ---- Virtual operations, in slot order ----
  // Spare handler, integer and text that nothing uses.
  virtual TOnLogEventNFe GetReservadoEvento() const { return FReservadoEvento; }
  virtual void SetReservadoEvento(TOnLogEventNFe aValue) { FReservadoEvento = std::move(aValue); }
  virtual int GetReservadoInteiro() const { return FReservadoInteiro; }
  virtual void SetReservadoInteiro(int aValue) { FReservadoInteiro = aValue; }
  virtual std::string GetReservadoTexto() const { return FReservadoTexto; }
  virtual void SetReservadoTexto(const std::string& aValue) { FReservadoTexto = aValue; }

  virtual std::string GetUF() const { return FUF; }
  virtual void SetUF(const std::string& aValue) { FUF = aValue; }

  // "assinarEvento.xml" filled with aXml, every "º" replaced by "o" first.
  virtual std::string MontarAssinarEvento(const std::string& aXml);
  // CompactarAssinatura, then the first <?xml version="1.0"?> and every CR LF removed.
  virtual std::string LimparAssinatura(const std::string& aXml);
  // Runs of blanks inside KeyInfo and SignatureValue collapsed.
  virtual std::string CompactarAssinatura(const std::string& aXml);
  // aXml against the schema of aComando (ArquivoEsquema); any failure
  // becomes ExndSchemaValidationException with the same message.
  virtual void ValidarEsquema(const std::string& aXml, const std::string& aComando);
  virtual std::string NamespaceNFe() const;
  // DiretorioEsquemas + the value of aComando in Mapping.txt's "ValidarXML":
  // ExndEventoFileNotFoundException without Mapping.txt, ExndEventoCheckParams
  // "Não foi encontrado mapeamento de XSD para o comando <cmd> " without the key.
  virtual std::string ArquivoEsquema(const std::string& aComando);
  // Templates "envio.soap", "pedido_consultanf.soap" (UF code from the key's
  // first two digits), "consulta_dest.soap", "evento_downloadNFe.soap" filled
  // with the UF code and aCorpo.
  virtual std::string MontarEnvelopeEnvio(const std::string& aCorpo);
  virtual std::string MontarEnvelopeConsultaNF(const std::string& aCorpo);
  virtual std::string MontarEnvelopeConsultaDest(const std::string& aCorpo);
  virtual std::string MontarEnvelopeDownload(const std::string& aCorpo);
  // Sends the envEvento batch to "RecepcaoEvento3" when the server list has
  // it, else to "nfeRecepcaoEvento"; a "Not Found (404)" from the first goes
  // once more to "nfeRecepcaoEvento". The batch and the answer are logged in
  // DiretorioLog (NomeLogEnvioEventos / NomeLogRetornoEventos of its idLote).
  // Returns the content of nfeRecepcaoEventoResult (retEnvEvento).
  virtual std::string EnviarEventos(const std::string& aLote);
  // Sends a consSitNFe: to "NfeConsulta2" (nfeConsultaNF2), or to "NfeConsulta3"
  // (nfeConsultaNF) when the generation's envelope is that service's (manual 5.0a).
  virtual std::string ChamarConsultaNF(const std::string& aPedido);
  // DiretorioTemplates + UF + "/".
  virtual std::string DiretorioTemplatesUF() const;
  // "#" + the 54 characters of the first <infEvento Id="...">; ExndEventosException
  // "Campo \"Id\" não encontrado para nota fiscal" without one.
  virtual std::string ExtrairIdEvento(const std::string& aXml);
  virtual int ContarEventos(const std::string& aXml);
  virtual std::string ObterEvento(int aIndice, const std::string& aXml);
  // The address of aServico in the section of the operation mode (UFWS,
  // "SVCAN", "SVCRS"); ExndEventosAddressException "Servidor para <servico>
  // não definido no arquivo: <file>" when it is empty.
  virtual std::string EnderecoServico(const std::string& aServico);
  virtual bool ServicoDisponivel(const std::string& aServico);
  // True, or ExndEventoMaxSizeException "O Lote do Evento possui <n> KB
  // ultrapassando o limite de <limit> KB." (KB of 1000 characters).
  virtual bool VerificarTamanhoLote(const std::string& aXml, int aLimiteKB);
  // Checks the certificate, then signs every infEvento of aEventos in its
  // "assinarEvento.xml" wrapper; the signed events one after the other.
  virtual std::string AssinarEventos(const std::string& aEventos);
  // The situation of the NF-e aChave (retConsSitNFe); request and answer logged
  // in DiretorioLog ("ped-sit" and "sit" with the key).
  virtual std::string ConsultarNF(const std::string& aChave);
  // The procEventoNFe of the event aIdEvento from the event log aLogEvento and
  // the answer log aLogConsulta (names in DiretorioLog, paths, or the XML),
  // with the template aModelo ("envioxml_dest.xml" when empty); written to
  // aArquivoSaida when given.
  virtual std::string GerarXmlDestinatario(const std::string& aIdEvento,
                                           const std::string& aLogEvento,
                                           const std::string& aLogConsulta,
                                           const std::string& aArquivoSaida,
                                           const std::string& aModelo);
  // The event type code of the concrete class ("110110" ...).
  virtual std::string CodigoEvento() = 0;
  // The documents addressed to the issuer (retConsNFeDest) for the consNFeDest aPedido.
  virtual std::string ConsultarNFDest(const std::string& aPedido);
  // "ID" + CodigoEvento + aChave + aSequencia with at least two digits.
  virtual std::string GerarIdEvento(const std::string& aChave, int aSequencia);

  // ---- Added after the slots ----
  // The NF-e documents of the downloadNFe aPedido (retDownloadNFe), from
  // the server-list key "NfeDownloadNF"; the request and answer are logged
  // ("ped-down" and "down" with the first chNFe). Each NF-e made available
  // (cStat 140) is unpacked to DiretorioDownloads (DiretorioLog when empty)
  // as "<chNFe>-procNFe.xml" and OnDownloadNFe gets that file; content that
  // does not unpack raises ExndEventosException.
  virtual std::string DownloadNFe(const std::string& aPedido);
  const std::string& DiretorioDownloads() const { return FDiretorioDownloads; }
  void SetDiretorioDownloads(const std::string& aValue);
  const TOnDownloadNFeEvent& OnDownloadNFe() const { return FOnDownloadNFe; }
  void SetOnDownloadNFe(TOnDownloadNFeEvent aValue) { FOnDownloadNFe = std::move(aValue); }

  // Non-virtual.
  // The open server list of the environment (opened, or reopened when its name changed).
  TCustomIniFile& ArquivoServidores();
  // CheckCertificate of xndGovX; a failure becomes ExndCertStoreException.
  void VerificarCertificado();
  // aNome when it names an existing file, else DiretorioTemplatesUF() + aNome.
  std::string CarregarModeloEvento(const std::string& aNome);
  // The envEvento batch against Mapping.txt's "EVENTO" schema and, when all
  // its events are of one type that has a schema of its own mapped ("CCE"
  // for 110110, "CANCELAMENTO" for 110111), against that one too.
  void ValidarLoteEventos(const std::string& aLote);
  // Log files of EnviarEventos for a batch number (in DiretorioLog).
  std::string NomeLogEnvioEventos(const std::string& aIdLote);
  std::string NomeLogRetornoEventos(const std::string& aIdLote);

  // <envEvento versao="1.00" xmlns="..."><idLote>aIdLote</idLote>aEventos</envEvento>.
  static std::string MontarLoteEventos(const std::string& aIdLote, const std::string& aEventos);

 protected:
  TxndGovX& GovX() { return *FGovX; }
  TxndGovUtils& GovUtils() { return *FGovUtils; }
  // The UF code of UF ("" when not in the table).
  std::string CodigoUFAtual() const;

 private:
  std::string EnviarEventosPara(const std::string& aServico, const std::string& aEnvelope);
  std::string LogEnvio(const std::string& aTexto, const std::string& aTipo, const std::string& aId);

  TOnLogEventNFe FReservadoEvento;
  int FReservadoInteiro = 0;
  std::string FReservadoTexto;

  std::string FUF;
  std::string FUFWS;
  std::string FCNPJ;
  TAmbienteKind FAmbiente = akProducao;
  TModoOperacao FModoOperacao = moNormal;
  TVersaoManual FVersaoManual = vm202a;
  std::string FArquivoServidoresProd;
  std::string FArquivoServidoresHom;
  std::string FDiretorioTemplates;
  std::string FDiretorioEsquemas;
  std::string FDiretorioLog;
  std::string FDiretorioXmlDestinatario;
  bool FValidarEsquemaAntesEnvio = false;
  TxndEmailSettings* FEmailSettings;  // lent
  TOnLogEventNFe FOnLog;
  TOnDownloadNFeEvent FOnDownloadNFe;
  std::string FDiretorioDownloads;
  std::string FDiretorioLogErro;

  TStringList FTabelaUF;
  std::unique_ptr<TCustomIniFile> FServidores;
  TxndGovX* FGovX;          // lent
  TxndGovUtils* FGovUtils;  // lent
};

// An events component for one event type, chosen by the host
// ("110110" correction letter, "110111" cancellation, ...).
class TxndEventosTipo : public TxndEventos {
 public:
  using TxndEventos::TxndEventos;
  std::string CodigoEvento() override { return FTipoEvento; }
  const std::string& TipoEvento() const { return FTipoEvento; }
  void SetTipoEvento(const std::string& aValue) { FTipoEvento = aValue; }

 private:
  std::string FTipoEvento;
};

// ---- infEvento builders (layout 1.00) ----

struct TDadosEvento {
  std::string cOrgao;      // UF code of the authority (91 for the national one)
  TAmbienteKind Ambiente = akHomologacao;
  std::string CNPJ;        // author: CNPJ, or CPF when CNPJ is empty
  std::string CPF;
  std::string chNFe;
  std::string dhEvento;    // "AAAA-MM-DDThh:mm:ss-03:00"
  int nSeqEvento = 1;
};

// The correction letter's infEvento (110110). Line breaks of aCorrecao (CR LF,
// LF or CR) become aLineDelimiter, since a signed text never carries them;
// the text is escaped. The standard xCondUso without accents.
std::string MontarInfEventoCCe(const TDadosEvento& aDados, const std::string& aCorrecao,
                               const std::string& aLineDelimiter = "|");
// The cancellation's infEvento (110111) with the authorisation protocol and
// the justification (escaped).
std::string MontarInfEventoCancelamento(const TDadosEvento& aDados, const std::string& aProtocolo,
                                        const std::string& aJustificativa);

}  // namespace xnd

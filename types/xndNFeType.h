// Shared enumerations, event types and the settings classes that the NF-e
// components publish as nested properties.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/dataset.h"
#include "platform/stringlist.h"

namespace xnd {

// Integration manual version.
enum TVersaoManual : uint8_t { vm202a, vm30, vm40, vm50, vm50a };

// Operation mode: normal authoriser or one of the national contingency services.
enum TModoOperacao : uint8_t { moNormal, moSVCAN, moSVCRS };

// Certificate store kind, handed to the signing server as its ordinal.
enum TCertificadoKind : uint8_t { ckMemory, ckLocalMachine, ckFile, ckActiveDiretory, ckSmartCard };

// Environment: production (tpAmb 1) or homologation (tpAmb 2).
enum TAmbienteKind : uint8_t { akProducao, akHomologacao };

// Schema package.
enum TVersaoEsquema : uint8_t {
  pl_005a,
  pl_005b,
  pl_005c,
  pl_005d,
  pl_005f,
  pl_006e,
  pl_006f,
  pl_006g,
  pl_006i,
  pl_006j,
  pl_006m,
  pl_006n,
  pl_006p,
  pl_006q,
  pl_006r,
  pl_006s,
  pl_008a
};

// How the recipient's XML is delivered.
enum TEntregaXML : uint8_t { exEmail, exVeldora };

// States of the entry datasets: TDataSetState of the in-memory table (platform/dataset.h).

// Events of the components (called synchronously; an empty function is "not set").
using TOnLogEventNFe =
    std::function<void(const std::string& aNome, const std::string& aID, const std::string& aFileName)>;
// The handler may change the certificate name.
using TOnCheckCertificateEventNFe = std::function<void(std::string& aCertificateName)>;
using TOnXmlDestinatarioEvent = std::function<void(const std::string& aFileName)>;
using TOnXmlCanDestinatarioEvent = std::function<void(const std::string& aFileName)>;
using TOnDownloadNFeEvent = std::function<void(const std::string& aFileName)>;

// DANFE printing settings. Plain values, copyable; Assign copies every value.
class TDanfeSettings {
 public:
  TDanfeSettings();
  virtual ~TDanfeSettings() = default;
  TDanfeSettings(const TDanfeSettings&) = default;
  TDanfeSettings& operator=(const TDanfeSettings&) = default;

  void Assign(const TDanfeSettings& aSource) { *this = aSource; }

  const std::string& FraseContingencia() const { return FFraseContingencia; }
  void SetFraseContingencia(const std::string& aValue) { FFraseContingencia = aValue; }
  const std::string& FraseHomologacao() const { return FFraseHomologacao; }
  void SetFraseHomologacao(const std::string& aValue) { FFraseHomologacao = aValue; }
  const std::string& ModeloRetrato() const { return FModeloRetrato; }
  void SetModeloRetrato(const std::string& aValue) { FModeloRetrato = aValue; }
  const std::string& ModeloPaisagem() const { return FModeloPaisagem; }
  void SetModeloPaisagem(const std::string& aValue) { FModeloPaisagem = aValue; }
  const std::string& ModeloDanfeSimplificado() const { return FModeloDanfeSimplificado; }
  void SetModeloDanfeSimplificado(const std::string& aValue) { FModeloDanfeSimplificado = aValue; }
  int QtdeCopias() const { return FQtdeCopias; }
  void SetQtdeCopias(int aValue) { FQtdeCopias = aValue; }
  const std::string& LogotipoEmitente() const { return FLogotipoEmitente; }
  void SetLogotipoEmitente(const std::string& aValue) { FLogotipoEmitente = aValue; }
  const std::string& LineDelimiter() const { return FLineDelimiter; }
  void SetLineDelimiter(const std::string& aValue) { FLineDelimiter = aValue; }
  int InfCplMaxCol() const { return FInfCplMaxCol; }
  void SetInfCplMaxCol(int aValue) { FInfCplMaxCol = aValue; }
  int InfCplMaxRow() const { return FInfCplMaxRow; }
  void SetInfCplMaxRow(int aValue) { FInfCplMaxRow = aValue; }
  bool ImprimirVolume() const { return FImprimirVolume; }
  void SetImprimirVolume(bool aValue) { FImprimirVolume = aValue; }
  bool ImprimirDuplicata() const { return FImprimirDuplicata; }
  void SetImprimirDuplicata(bool aValue) { FImprimirDuplicata = aValue; }
  bool ImprimirUnidadeTributada() const { return FImprimirUnidadeTributada; }
  void SetImprimirUnidadeTributada(bool aValue) { FImprimirUnidadeTributada = aValue; }
  const std::string& ModeloRTMCCe() const { return FModeloRTMCCe; }
  void SetModeloRTMCCe(const std::string& aValue) { FModeloRTMCCe = aValue; }

 private:
  std::string FFraseContingencia;
  std::string FFraseHomologacao;
  std::string FModeloRetrato;
  std::string FModeloPaisagem;
  std::string FModeloDanfeSimplificado;
  int FQtdeCopias;
  std::string FLogotipoEmitente;
  std::string FLineDelimiter;
  int FInfCplMaxCol;
  int FInfCplMaxRow;
  bool FImprimirVolume;
  bool FImprimirDuplicata;
  bool FImprimirUnidadeTributada;
  std::string FModeloRTMCCe;
};

// E-mail delivery settings. Every accessor but those of ConteudoHtml is
// virtual so a descendant can redirect them; the readers come first, then the
// writers, each group in the same order.
class TxndEmailSettings {
 public:
  TxndEmailSettings() = default;
  virtual ~TxndEmailSettings() = default;
  TxndEmailSettings(const TxndEmailSettings&) = default;
  TxndEmailSettings& operator=(const TxndEmailSettings&) = default;

  // Copies every value through the accessors of aSource.
  void Assign(const TxndEmailSettings& aSource);

  virtual std::string Assunto() const { return FAssunto; }
  virtual bool Autenticacao() const { return FAutenticacao; }
  virtual std::string CC() const { return FCC; }
  virtual std::string CCo() const { return FCCo; }
  virtual std::string EmailDestinatario() const { return FEmailDestinatario; }
  virtual std::string EmailRemetente() const { return FEmailRemetente; }
  virtual std::string Mensagem() const { return FMensagem; }
  virtual int Porta() const { return FPorta; }
  virtual std::string Senha() const { return FSenha; }
  virtual std::string ServidorSmtp() const { return FServidorSmtp; }
  virtual std::string Usuario() const { return FUsuario; }
  // Milliseconds.
  virtual int TimeOut() const { return FTimeOut; }

  virtual void SetAssunto(const std::string& aValue) { FAssunto = aValue; }
  virtual void SetAutenticacao(bool aValue) { FAutenticacao = aValue; }
  virtual void SetCC(const std::string& aValue) { FCC = aValue; }
  virtual void SetCCo(const std::string& aValue) { FCCo = aValue; }
  virtual void SetEmailDestinatario(const std::string& aValue) { FEmailDestinatario = aValue; }
  virtual void SetEmailRemetente(const std::string& aValue) { FEmailRemetente = aValue; }
  virtual void SetMensagem(const std::string& aValue) { FMensagem = aValue; }
  virtual void SetPorta(int aValue) { FPorta = aValue; }
  virtual void SetSenha(const std::string& aValue) { FSenha = aValue; }
  virtual void SetServidorSmtp(const std::string& aValue) { FServidorSmtp = aValue; }
  virtual void SetUsuario(const std::string& aValue) { FUsuario = aValue; }
  virtual void SetTimeOut(int aValue) { FTimeOut = aValue; }

  bool ConteudoHtml() const { return FConteudoHtml; }
  void SetConteudoHtml(bool aValue) { FConteudoHtml = aValue; }

 private:
  std::string FEmailRemetente;
  std::string FEmailDestinatario;
  std::string FServidorSmtp;
  std::string FUsuario;
  std::string FSenha;
  std::string FAssunto;
  std::string FMensagem;
  int FPorta = 0;
  bool FAutenticacao = false;
  std::string FCCo;
  std::string FCC;
  int FTimeOut = 0;
  bool FConteudoHtml = false;
};

// Display size of the validator's HTML view.
class TAuditorSettings {
 public:
  TAuditorSettings() = default;
  virtual ~TAuditorSettings() = default;
  TAuditorSettings(const TAuditorSettings&) = default;
  TAuditorSettings& operator=(const TAuditorSettings&) = default;

  void Assign(const TAuditorSettings& aSource) { *this = aSource; }

  const std::string& HeightHtml() const { return FHeightHtml; }
  void SetHeightHtml(const std::string& aValue) { FHeightHtml = aValue; }
  const std::string& WidthHtml() const { return FWidthHtml; }
  void SetWidthHtml(const std::string& aValue) { FWidthHtml = aValue; }

 private:
  std::string FHeightHtml;
  std::string FWidthHtml;
};

// Called with the new text when the whole text of a TxndCertStringNFe is assigned.
using TOnTextChangeEvent = std::function<void(const std::string& aText)>;

// Certificate-name list that tells its owner when its whole text is replaced.
// Adding, deleting or changing single lines does not call the hook.
class TxndCertStringNFe : public TStringList {
 public:
  TxndCertStringNFe() = default;

  virtual void SetOnTextChange(TOnTextChangeEvent aValue);
  virtual TOnTextChangeEvent GetOnTextChange() const;
  // Calls the hook with aText when one is set.
  virtual void DoTextChange(const std::string& aText);

  // Rebuilds the list as TStringList does, then DoTextChange(aText) with the
  // text exactly as assigned.
  void SetText(const std::string& aText) override;

 private:
  TOnTextChangeEvent FOnTextChange;
};

}  // namespace xnd

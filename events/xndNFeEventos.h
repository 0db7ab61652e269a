// TxndNFeEventos: the events component the NF-e component creates. On top of
// TxndEventos it prints an authorised correction letter (CC-e): the answer
// must carry the authorisation status 135; the CC-e XML and the print
// parameters then go to the DANFE object (lent by the NF-e component), whose
// report engine renders them with the CC-e report model.
//
// The xml argument of every output is the CC-e distribution XML itself or
// the name of a file that holds it; a file's content is what is printed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "danfe/xndNFeDanfe.h"
#include "events/xndNFeEventosBase.h"
#include "platform/stringlist.h"

namespace xnd {

// The print settings of the CC-e.
class TxndImpressaoCCeSettings {
 public:
  const std::string& LogotipoEmitente() const { return FLogotipoEmitente; }
  void SetLogotipoEmitente(const std::string& aValue) { FLogotipoEmitente = aValue; }
  // Empty (or blanks) means the standard CC-e model of the templates directory.
  const std::string& ModeloRTM() const { return FModeloRTM; }
  void SetModeloRTM(const std::string& aValue) { FModeloRTM = aValue; }
  int QtdeCopias() const { return FQtdeCopias; }
  void SetQtdeCopias(int aValue) { FQtdeCopias = aValue; }
  // The PDF target of the last export.
  const std::string& SalvarComo() const { return FSalvarComo; }
  void SetSalvarComo(const std::string& aValue) { FSalvarComo = aValue; }
  // Kept; the printer actually used is the argument of ImprimirCCeImpressora.
  const std::string& Impressora() const { return FImpressora; }
  void SetImpressora(const std::string& aValue) { FImpressora = aValue; }
  // The character that stands for a line break in the correction text.
  const std::string& LineDelimiter() const { return FLineDelimiter; }
  void SetLineDelimiter(const std::string& aValue) { FLineDelimiter = aValue; }

 private:
  std::string FLogotipoEmitente;
  std::string FModeloRTM;
  int FQtdeCopias = 1;
  std::string FSalvarComo;
  std::string FImpressora;
  std::string FLineDelimiter;
};

// What a save-file dialog is asked to show when ExportarCCePDF has no file name.
struct TDialogoSalvarArquivo {
  std::string ExtensaoPadrao = "pdf";
  std::string Filtro = "Arquivo PDF (*.pdf)|*.pdf";
  bool ConfirmarSobrescrita = true;     // ask before overwriting an existing file
  bool ExigirDiretorioExistente = true;  // the chosen directory must exist
};
// Shows the dialog; the chosen file name, or "" when the user cancelled.
using TOnDialogoSalvarArquivo = std::function<std::string(const TDialogoSalvarArquivo&)>;

class TxndNFeEventos : public TxndEventos {
 public:
  // aDanfe is lent (not owned); the print settings start with one copy.
  TxndNFeEventos(TComponent* aOwner, TxndGovX* aGovX, TxndNFeDanfe* aDanfe,
                 TxndEmailSettings* aEmailSettings, TxndGovUtils* aGovUtils);
  ~TxndNFeEventos() override;

  // ---- Virtual operations added after those of TxndEventos ----
  // Rebuilds the print parameters: "QtdeCopias", "ArquivoRtm", "LogotipoEmitente",
  // "LineDelimiter", in this order.
  virtual void MontarParametrosImpressao();
  // Each output checks the authorisation, builds the parameters and hands
  // the CC-e to the DANFE object's output of the same kind.
  virtual void ImprimirCCeImpressora(const std::string& aXml, const std::string& aImpressora);
  virtual void VisualizarCCe(const std::string& aXml);
  virtual void ImprimirCCe(const std::string& aXml);
  // An empty aArquivo asks OnDialogoSalvar for the name; no name (no
  // dialog, or the dialog cancelled) means no output and no error.
  virtual void ExportarCCePDF(const std::string& aXml, const std::string& aArquivo);
  std::string CodigoEvento() override { return FCodigoEvento; }

  // Whether the answer (text, or the name of a file that holds it) contains
  // "<cStat>135" anywhere.
  bool CCeAutorizada(const std::string& aXmlOuArquivo);
  // ExndEventoCheckParams "A CCe não está Autorizada." when it is not.
  void VerificarCCeAutorizada(const std::string& aXmlOuArquivo);

  // ---- Properties ----
  const TStringList& ParametrosImpressao() const { return FParametrosImpressao; }
  TxndNFeDanfe* Danfe() const { return FDanfe; }
  TxndImpressaoCCeSettings* ImpressaoCCeSettings() const { return FImpressaoCCeSettings.get(); }
  // The component takes the object as its own; null leaves a fresh default object.
  void SetImpressaoCCeSettings(std::unique_ptr<TxndImpressaoCCeSettings> aValue);
  const TOnXmlCanDestinatarioEvent& OnXmlCanDestinatario() const { return FOnXmlCanDestinatario; }
  void SetOnXmlCanDestinatario(TOnXmlCanDestinatarioEvent aValue) {
    FOnXmlCanDestinatario = std::move(aValue);
  }
  bool AnexarDanfePDF() const { return FAnexarDanfePDF; }
  void SetAnexarDanfePDF(bool aValue) { FAnexarDanfePDF = aValue; }
  const std::string& DiretorioTemporario() const { return FDiretorioTemporario; }
  void SetDiretorioTemporario(const std::string& aValue) { FDiretorioTemporario = aValue; }
  // The error-log directory of the authorisation check and the outputs. It
  // is also given to TxndEventos, so the exchanges log where the CC-e does.
  const std::string& DiretorioLogErro() const { return FDiretorioLogErro; }
  void SetDiretorioLogErro(const std::string& aValue);
  const TOnDialogoSalvarArquivo& OnDialogoSalvar() const { return FOnDialogoSalvar; }
  void SetOnDialogoSalvar(TOnDialogoSalvarArquivo aValue) { FOnDialogoSalvar = std::move(aValue); }

 private:
  // The CC-e text of aXmlOuArquivo: the file's content when it names one.
  std::string TextoCCe(const std::string& aXmlOuArquivo);
  // Steps 4 and 5 of every output: XML and parameters to the DANFE object, then its output.
  void Emitir(const std::string& aTexto, int (TxndNFeDanfe::*aSaida)());

  TxndNFeDanfe* FDanfe;  // lent
  TStringList FParametrosImpressao;
  std::string FCodigoEvento;
  std::unique_ptr<TxndImpressaoCCeSettings> FImpressaoCCeSettings;
  TOnXmlCanDestinatarioEvent FOnXmlCanDestinatario;
  bool FAnexarDanfePDF = false;
  std::string FDiretorioTemporario;
  std::string FDiretorioLogErro;
  TOnDialogoSalvarArquivo FOnDialogoSalvar;
};

}  // namespace xnd

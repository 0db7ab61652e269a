// TxndNFeDanfe: the printing component of the DANFE and of the CC-e. It keeps
// the document and the print parameters inside the xndGovX report engine,
// tells an NF-e from a CC-e, prepares the matching datasets, serialises them
// and has the engine preview, print or export.
//
// Each output runs four steps: PrepararImpressao (parameters, template),
// PrepararDadosImpressao (datasets and their JSON), the engine's output,
// LimparDatasets. A failure of any step is raised as ExndException with the
// failure's message (the datasets are emptied all the same).
//
// Parameters (key=value lines, applied in this order): "VersaoManual",
// "ModeloRetrato", "ModeloPaisagem", "LogotipoEmitente", "FraseContingencia",
// "FraseHomologacao", "ProtocoloDPEC", "DataHoraDPEC", "LineDelimiter",
// "ImprimirVolume", "ImprimirDuplicata", "ImprimirUnidadeTributada",
// "QtdeCopias", "InfCplMaxCol", "InfCplMaxRow", "ValidarRegrasNegocio",
// "FormatoExportacao", then the template, "Impressora", "SalvarComo";
// "ArquivoRtm" is the template of the CC-e.
#pragma once

#include <memory>
#include <string>

#include "danfe/xndNFeDanfeCCe.h"
#include "danfe/xndNFeDanfeDados.h"
#include "danfe/xndNFeDanfeSerializer.h"
#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "platform/component.h"
#include "types/xndNFeType.h"

namespace xnd {

class TxndNFeDanfe : public TComponent {
 public:
  explicit TxndNFeDanfe(TComponent* aOwner = nullptr);
  ~TxndNFeDanfe() override;

  TVersaoManual Versao() const { return FVersao; }
  // Replaces Dados by the class of the version (defaults of its properties,
  // the component's contingency and homologation phrases).
  void SetVersao(TVersaoManual aValue);
  TxndNFeDanfeDados& Dados() const { return *FDados; }
  // The document, kept in the report engine (Windows-1252 text is converted to UTF-8).
  std::string XML();
  void SetXML(const std::string& aValue);
  // The print parameters, kept in the report engine. Reading raises
  // ExndNFeCheckParams "Erro ao ler parâmetros de impressão" when the engine fails.
  std::string Params();
  void SetParams(const std::string& aValue);
  const std::string& DiretorioLogErro() const { return FDiretorioLogErro; }
  // Also the error-log directory of Dados.
  void SetDiretorioLogErro(const std::string& aValue) {
    FDiretorioLogErro = aValue;
    FDados->SetDiretorioLogErro(aValue);
  }

  // The outputs; each returns 0 or raises ExndException.
  int ImprimirNaImpressora();
  int Visualizar();
  int Imprimir();
  int ExportarPDF();

  // Whether XML is a CC-e (tpEvento 110110 inside evento); an empty XML is
  // not. ExndNFeReportException "Foi encontrado um erro ao verificar se o XML
  // é uma CCe" when the XML cannot be read.
  bool EhCCe();
  // Applies Params, hands the template and the output settings to the engine;
  // ExndNFeReportException "Arquivo "%s" não encontrado." when the engine's template does not
  // exist.
  void PrepararImpressao();
  // Loads the datasets of XML (NF-e or CC-e) and hands their JSON to the engine.
  void PrepararDadosImpressao();
  // "ArquivoRtm" for a CC-e; "ModeloPaisagem" for an NF-e with tpImp 2,
  // "ModeloRetrato" otherwise; resolved to a full path when not empty.
  std::string ArquivoModelo();
  // Empties, closes and reopens every dataset of Dados and the CC-e dataset.
  void LimparDatasets();

  TxndCCeDadosImpressao& DadosCCe();

 private:
  TxndGovX& GovX();
  TxndGovUtils& GovUtils();
  std::string Parametro(const std::string& aParams, const std::string& aNome);
  int Executar(void (IxndGovX::*aSaida)());

  TVersaoManual FVersao = vm50;
  std::unique_ptr<TxndNFeDanfeDados> FDados;
  std::string FDiretorioLogErro;
  std::string FModeloRetrato;
  std::string FModeloPaisagem;
  std::unique_ptr<TxndGovX> FGovX;
  std::unique_ptr<TxndGovUtils> FGovUtils;
  std::unique_ptr<TxndCCeDadosImpressao> FDadosCCe;
};

}  // namespace xnd

// The print data of a CC-e (correction letter): one dataset "Dados" with one
// record read from the event XML (the evento with its retEvento).
#pragma once

#include <memory>
#include <string>

#include "external/xndGovUtils.h"
#include "platform/dataset.h"

namespace xnd {

class TxndCCeDadosImpressao {
 public:
  // aGovUtils is used, never owned; it outlives this object.
  explicit TxndCCeDadosImpressao(TxndGovUtils& aGovUtils);
  virtual ~TxndCCeDadosImpressao();
  TxndCCeDadosImpressao(const TxndCCeDadosImpressao&) = delete;
  TxndCCeDadosImpressao& operator=(const TxndCCeDadosImpressao&) = delete;

  TDataSource* DataSource() const { return FDataSource.get(); }
  TClientDataSet& DataSet() const { return *FDataSet; }
  const std::string& Xml() const { return FXml; }
  void SetXml(const std::string& aValue) { FXml = aValue; }
  // Stands for a line break in xCorrecao (becomes CR LF); "" for none.
  const std::string& LineDelimiter() const { return FLineDelimiter; }
  void SetLineDelimiter(const std::string& aValue) { FLineDelimiter = aValue; }

  // Fills the one record from Xml: "CNPJ", "chNFe", "nProt", "nSeqEvento",
  // "cOrgao" as written, "dhRegEvento" as "DD/MM/YYYY hh:mm:ss" (the time as
  // written, its offset ignored), "xCorrecao" with LineDelimiter as CR LF,
  // "CPFCNPJDest" CNPJDest or else CPFDest. Raises what xndGovUtils raises
  // (malformed XML, a date-time that is not one).
  virtual void PreencherCCe();
  // Empties the dataset.
  virtual void LimparCCe();
  // Creates the fields and opens the dataset (the constructor calls it).
  virtual void DefinirCamposCCe();
  // LimparCCe, then one record filled by PreencherCCe.
  virtual void CarregarCCe();

 private:
  TxndGovUtils& FGovUtils;
  std::unique_ptr<TClientDataSet> FDataSet;
  std::unique_ptr<TDataSource> FDataSource;
  std::string FXml;
  std::string FLineDelimiter;
};

}  // namespace xnd

// DANFE data: an authorised NF-e turned into flat text datasets for the
// report engine. One class per manual generation, each derived from the one
// before; the DANFE component creates the one of its Versao.
//
// Datasets (every field text of 255 characters unless said otherwise):
//   "Dados" (master, one record per NF-e; "ContinuaObsContribuinte" and
//   "ObsContribuinte" memos of 8000), "DadosItens" ("ItemObs" memo of 500),
//   "vol", the five reference datasets, "DadosCobranca" (details of "Dados"
//   on "nNF"), "DadosLotesMedicamento" and "DadosVeiculosNovos" (details of
//   "DadosItens" on "nNF;Item", filled from the item when appended). Links
//   are made in the order "vol", the five references, "DadosItens",
//   "DadosCobranca", then the two item details: the serializer nests details
//   in that order.
//
// Values are read from the NF-e text as text values: entity and character
// references resolved, LineDelimiter (in free texts) turned into a carriage
// return. A missing tag gives an empty field, never an error.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "external/xndGovUtils.h"
#include "platform/dataset.h"
#include "platform/stringlist.h"

namespace xnd {

// "1234.56" -> "1.234,56", "-123456.7" -> "-123.456,7"; "" stays ""; a text
// without "." is returned unchanged ("1234"); a text that is not a decimal
// number gets only its first "." turned into ",".
std::string FormatarNumeroBR(const std::string& aTexto);

// Splits aTexto (lines end with CR, LF or CR LF) into the box of at most
// aLinhas lines of at most aColunas characters (code points; a longer line
// is cut, its rest becomes the next line) and the continuation: every line
// left once the box is full, joined with CR LF, after
// "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\n". Each box line ends with
// CR LF. aColunas below 1 means lines are never cut.
void DividirInfCpl(const std::string& aTexto, int aColunas, int aLinhas, std::string& aCaixa,
                   std::string& aContinuacao);

// The text between the first "<aTag>" of aXml and the first "</aTag>" after
// it (plain search, no attributes); "" when either is missing.
std::string ConteudoTag(std::string_view aTag, std::string_view aXml);

// The text value of XML character data: the five predefined entities and
// decimal / hexadecimal character references resolved; anything else kept.
std::string TextoXml(const std::string& aEscapado);

class TxndNFeDanfeDados {
 public:
  TxndNFeDanfeDados();
  virtual ~TxndNFeDanfeDados();
  TxndNFeDanfeDados(const TxndNFeDanfeDados&) = delete;
  TxndNFeDanfeDados& operator=(const TxndNFeDanfeDados&) = delete;

  // ---- Data sources, one over each dataset --------------------------------
  TDataSource* DataSource() const { return FDataSource.get(); }
  TDataSource* DataSourceItens() const { return FDataSourceItens.get(); }
  TDataSource* DataSourceVolume() const { return FDataSourceVolume.get(); }
  TDataSource* DataSourceRefNFe() const { return FDataSourceRefNFe.get(); }
  TDataSource* DataSourceRefNF1A() const { return FDataSourceRefNF1A.get(); }
  TDataSource* DataSourceRefProdutor() const { return FDataSourceRefProdutor.get(); }
  TDataSource* DataSourceRefCupomFiscal() const { return FDataSourceRefCupomFiscal.get(); }
  TDataSource* DataSourceRefCTe() const { return FDataSourceRefCTe.get(); }
  TDataSource* DataSourceCobranca() const { return FDataSourceCobranca.get(); }
  TDataSource* DataSourceMed() const { return FDataSourceMed.get(); }
  TDataSource* DataSourceVeic() const { return FDataSourceVeic.get(); }
  // The eleven datasets in link order ("Dados" first).
  std::vector<TClientDataSet*> DataSets() const;

  // ---- Properties -------------------------------------------------------------
  const std::string& Xml() const { return FXml; }
  void SetXml(const std::string& aValue) { FXml = aValue; }
  const std::string& FraseContingencia() const { return FFraseContingencia; }
  void SetFraseContingencia(const std::string& aValue) { FFraseContingencia = aValue; }
  const std::string& FraseHomologacao() const { return FFraseHomologacao; }
  void SetFraseHomologacao(const std::string& aValue) { FFraseHomologacao = aValue; }
  const std::string& ProtocoloDPEC() const { return FProtocoloDPEC; }
  void SetProtocoloDPEC(const std::string& aValue) { FProtocoloDPEC = aValue; }
  const std::string& DataHoraDPEC() const { return FDataHoraDPEC; }
  void SetDataHoraDPEC(const std::string& aValue) { FDataHoraDPEC = aValue; }
  // Stands for a line break in free texts (infCpl, infAdFisco, xProd, infAdProd); "" for none.
  const std::string& LineDelimiter() const { return FLineDelimiter; }
  void SetLineDelimiter(const std::string& aValue) { FLineDelimiter = aValue; }
  // True: only authorised notes load; false: a preview of any note.
  bool ValidarRegrasNegocio() const { return FValidarRegrasNegocio; }
  void SetValidarRegrasNegocio(bool aValue) { FValidarRegrasNegocio = aValue; }
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
  const std::string& DiretorioLogErro() const { return FDiretorioLogErro; }
  void SetDiretorioLogErro(const std::string& aValue) { FDiretorioLogErro = aValue; }

  // ---- Operations ---------------------------------------------------------------
  // Empties the datasets and loads Xml (one or more NF-e, concatenated or
  // not). Raises ExndNFeReportException when Xml holds no NF-e, when a check
  // of VerificarXml fails, and "Protocolo de DPEC não foi informado"; the
  // date conversions raise their own classes.
  void CarregarDados();
  // Empties the eleven datasets.
  void LimparDados();
  // Elements infNFe in the prepared Xml.
  virtual int QuantidadeNFe();
  // 1 for manual 2.0.2a; later the first tpEmis of Xml as a number (EConvertError when it is not
  // one).
  virtual int TipoEmissao();
  // The IBGE code of a UF from this object's table ("EX" -> "99"); "" when unknown.
  std::string CodigoUFDanfe(const std::string& aSigla) const;

 protected:
  virtual void PreencherItem(const std::string& aDet, const std::string& aItem);
  virtual void PreencherCodigoBarras();
  virtual void PreencherTransporte();
  virtual void PreencherIdentificacao();
  virtual void VerificarXml();

  // The group of aTag in the NF-e being loaded (first occurrence) as "<aTag>...</aTag>".
  std::string Grupo(const std::string& aTag) const;
  // The text value of aTag in aXml (first occurrence); with aQuebras,
  // LineDelimiter becomes a carriage return.
  std::string Valor(const std::string& aTag, const std::string& aXml, bool aQuebras = false) const;
  void SetCampo(TClientDataSet& aDataSet, const std::string& aCampo, const std::string& aValor);
  // Whether the note writes dates as date-times (layout 3.10 and later).
  bool LayoutDataHora() const;
  std::string LayoutVersao() const;

  TClientDataSet& Dados() const { return *FDados; }
  TClientDataSet& Itens() const { return *FItens; }
  TClientDataSet& Med() const { return *FMed; }
  TClientDataSet& Veic() const { return *FVeic; }
  TxndGovUtils& GovUtils();
  // The NF-e being loaded, and the prepared Xml.
  const std::string& NFe() const { return FNFe; }
  const std::string& XmlPreparado() const { return FXmlPreparado; }
  // The notes of the prepared Xml: their count, and the i-th nfeProc ("" when there are fewer).
  int NotasCarregadas() const { return static_cast<int>(FInfNFes.size()); }
  const std::string& NFeProc(int aIndice) const;

 private:
  void CriarDataSets();
  void PreencherEmitente();
  void PreencherDestinatario();
  void PreencherEntrega();
  void PreencherTotais();
  void PreencherVeiculoTransporte();
  // Returns the volume text lines for the additional information.
  void PreencherVolumes();
  void PreencherResumoVolumes();
  void PreencherInformacoesAdicionais();
  void PreencherTotaisISSQN();
  void CarregarItens(const std::string& aInfNFe);
  // The NFref elements that CarregarItens met in the same reading.
  void CarregarReferencias();
  void CarregarDuplicatas();
  void PreencherReferencia(const std::string& aNFref);
  void PreencherMedicamentos(const std::string& aDet, const std::string& aItem);
  void PreencherVeiculoNovo(const std::string& aDet, const std::string& aItem);

  std::unique_ptr<TClientDataSet> FDados, FItens, FVolume, FRefNFe, FRefNF1A, FRefProdutor,
      FRefCupomFiscal, FRefCTe, FCobranca, FMed, FVeic;
  std::unique_ptr<TDataSource> FDataSource, FDataSourceItens, FDataSourceVolume, FDataSourceRefNFe,
      FDataSourceRefNF1A, FDataSourceRefProdutor, FDataSourceRefCupomFiscal, FDataSourceRefCTe,
      FDataSourceCobranca, FDataSourceMed, FDataSourceVeic;

  std::string FXml;
  std::string FFraseContingencia;
  std::string FFraseHomologacao;
  std::string FProtocoloDPEC;
  std::string FDataHoraDPEC;
  std::string FLineDelimiter;
  bool FValidarRegrasNegocio = true;
  int FInfCplMaxCol = 68;
  int FInfCplMaxRow = 7;
  bool FImprimirVolume = false;
  bool FImprimirDuplicata = false;
  bool FImprimirUnidadeTributada = false;
  std::string FDiretorioLogErro;

  TStringList FTabelaUF;
  bool FTemMedicamentos = false;
  std::string FNFe;
  std::string FXmlPreparado;
  // The volumes of the NF-e being loaded, as read (numbers unformatted).
  struct TVolume {
    std::string qVol, esp, marca, nVol, pesoL, pesoB;
  };
  std::vector<TVolume> FVolumes;
  std::vector<std::string> FInfNFes;
  std::vector<std::string> FNFeProcs;
  std::vector<std::string> FReferencias;
  std::unique_ptr<TxndGovUtils> FGovUtils;
};

class TxndNFeDanfeDados202 : public TxndNFeDanfeDados {
 public:
  int TipoEmissao() override;

 protected:
  void PreencherIdentificacao() override;
  void VerificarXml() override;
};

class TxndNFeDanfeDados30 : public TxndNFeDanfeDados202 {
 public:
  int TipoEmissao() override;

 protected:
  void PreencherCodigoBarras() override;
  void PreencherIdentificacao() override;
  void VerificarXml() override;
};

class TxndNFeDanfeDados40 : public TxndNFeDanfeDados30 {
 protected:
  void PreencherItem(const std::string& aDet, const std::string& aItem) override;
  void PreencherTransporte() override;
  void PreencherIdentificacao() override;
};

class TxndNFeDanfeDados50 : public TxndNFeDanfeDados40 {};

}  // namespace xnd

// The dictionary-driven entry datasets: fields and tables described by the
// dictionary XML, and the engine TxndXMLDataSetNFe that loads the dictionary,
// numbers and links the records and checks each record when it is posted.
//
// The dictionary: the document element's children are the datasets (element
// name = dataset name, upper case); a dataset's first child lists its fields
// (one element each, attributes "nome", "tamanho", "requerido", "tagvazia",
// "visible", "tpnode", "enum", "dica", "display", "rec"); its second child is
// the link node ("mastersource", "masterfield", "keyfield" for a detail).
// Whitespace text and comments are not nodes.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "external/xndGovUtils.h"
#include "platform/dataset.h"
#include "platform/stringlist.h"

struct _xmlNode;
struct _xmlDoc;

namespace xnd {

// A text field of the dictionary.
class TXmlFieldNFe : public TField {
 public:
  explicit TXmlFieldNFe(TComponent* aOwner = nullptr) : TField(aOwner) {}

  virtual std::string GetDica() const;
  virtual bool GetTagVazia() const;
  virtual std::string GetTpNode() const;
  virtual void SetTpNode(const std::string& aValue);
  virtual void SetTagVazia(bool aValue);
  virtual void SetDica(const std::string& aValue);
  // The allowed values, one per line ("" when any value is allowed).
  virtual std::string GetEnum() const;
  // Parses a dictionary list: values separated by commas; a value that starts
  // with a double quote runs to its closing quote ("" inside stands for one
  // quote); any other runs to the next comma or character up to 32; a comma
  // at the very end adds an empty value.
  virtual void SetEnum(const std::string& aList);
  // The enum check: a non-empty text outside the list (ignoring case) raises
  // ExndDataSetException "Conteúdo %s é inválido para o campo %s [%s].%s"
  // without log directory.
  virtual void ValidarConteudo();

  const std::vector<std::string>& EnumValues() const { return FEnum; }
  // " Dica: " and the hint, or "" when there is no hint.
  std::string TextoDica() const;

 private:
  std::string FTpNode;
  std::vector<std::string> FEnum;
  bool FTagVazia = false;
  std::string FDica;
};

// The field class of the NF-e engines: also carries the dictionary's "rec".
class TxndNFeXMLField : public TXmlFieldNFe {
 public:
  using TXmlFieldNFe::TXmlFieldNFe;
  const std::string& Rec() const { return FRec; }
  void SetRec(std::string aValue) { FRec = std::move(aValue); }

 private:
  std::string FRec;
};

// A table of the dictionary; its component name is the dataset name.
class TXmlDataSetNFe : public TClientDataSet {
 public:
  explicit TXmlDataSetNFe(TComponent* aOwner = nullptr);
  ~TXmlDataSetNFe() override;

  virtual TDataSource& GetFonteDados() const;
  virtual std::string GetNomeGrupo() const;
  virtual std::string GetCampoChave() const;
  virtual std::string GetCampoMestre() const;
  virtual std::string GetNomeMestre() const;
  virtual void SetNomeGrupo(const std::string& aValue);
  virtual void SetCampoMestre(const std::string& aValue);
  virtual void SetNomeMestre(const std::string& aValue);
  virtual void SetCampoChave(const std::string& aValue);
  // Replaces the link object; details linked to the old one are unlinked.
  virtual void SetFonteDados(std::unique_ptr<TDataSource> aValue);

  TDataSource& FonteDados() const { return GetFonteDados(); }
  std::string NomeGrupo() const { return GetNomeGrupo(); }
  std::string NomeMestre() const { return GetNomeMestre(); }
  std::string CampoMestre() const { return GetCampoMestre(); }
  std::string CampoChave() const { return GetCampoChave(); }

 private:
  std::string FNomeGrupo;
  std::string FNomeMestre;
  std::string FCampoMestre;
  std::string FCampoChave;
  std::unique_ptr<TDataSource> FFonteDados;
};

using TListDataSets = std::vector<std::unique_ptr<TXmlDataSetNFe>>;

struct TXmlDocDeleter {
  void operator()(_xmlDoc* aDoc) const noexcept;
};
using TXmlDocumento = std::unique_ptr<_xmlDoc, TXmlDocDeleter>;

// The engine. Its exceptions carry DiretorioLogErro as their log directory
// unless noted.
class TxndXMLDataSetNFe : public TComponent {
 public:
  explicit TxndXMLDataSetNFe(TComponent* aOwner = nullptr);
  ~TxndXMLDataSetNFe() override;

  // A new field of the engine's field class (TXmlFieldNFe here).
  virtual std::unique_ptr<TXmlFieldNFe> CriarCampo(TXmlDataSetNFe& aDataSet);
  // Copies "tpnode", "enum", "dica" and "display" when present.
  virtual void LerAtributosCampo(_xmlNode* aNode, TXmlFieldNFe& aField);
  virtual bool GetMestreDetalhe() const;
  virtual TListDataSets& GetListDataSets();
  virtual std::string GetXMLDicionario() const;
  // Replaces the list; the datasets of the old list are freed.
  virtual void SetListDataSets(TListDataSets aList);
  // Stores the name ("\" read as "/"); a non-empty one empties ListDataSets and loads it.
  virtual void SetXMLDicionario(const std::string& aFileName);
  virtual void AtivarMestreDetalhe(bool aAtivo);
  // A missing file: ExndDataSetFileNotFoundException "Arquivo:  %s não
  // encontrado."; a file that cannot be read or parsed (a DOCTYPE included):
  // ExndDataSetLoadTemplateException "Erro no arquivo %s .".
  virtual TXmlDocumento AbrirDicionario();
  virtual void AoAntesGravar(TClientDataSet& aDataSet);
  virtual void AoAntesIncluir(TClientDataSet& aDataSet);
  virtual void AoDepoisIncluir(TClientDataSet& aDataSet);
  // Builds the datasets of the dictionary and appends them to ListDataSets.
  // Any failure leaves ListDataSets empty and raises.
  virtual void CarregarDicionario();
  // Every dataset empty, with its fields, links and handlers; the handle
  // counters go on.
  virtual void LimparDataSets();
  // The XML writing primitives.
  virtual std::string ExpandirModelo(const std::string& aModelo);
  virtual std::string GerarGrupo(TXmlDataSetNFe& aDataSet);
  virtual std::string GerarCampo(TXmlFieldNFe& aField);
  virtual std::string GerarCampoPorNome(TXmlDataSetNFe& aDataSet, const std::string& aCampo);
  virtual std::string GerarCampos(TXmlDataSetNFe& aDataSet, const std::vector<std::string>& aCampos);
  // The current record holds a visible, non-empty field other than "handle"
  // and the dataset's CampoMestre.
  virtual bool PossuiDados(TXmlDataSetNFe& aDataSet);
  virtual int ProximoHandle(TXmlDataSetNFe& aDataSet, bool aIncrementar);
  // ExndDataSetException "Parte %s não encontrada." with the upper-cased name.
  virtual TXmlDataSetNFe& DataSetPorNome(std::string_view aNome);
  virtual void IncluirParte(std::string_view aNome);
  virtual void SalvarParte(std::string_view aNome);
  // LimparDataSets and one record in every top-level dataset; an
  // ExndDataSetException becomes ExndNFeDataSetException without log directory.
  virtual void Incluir();
  // ExndDataSetFieldNotFoundException "Campo %s não encontrado".
  virtual TXmlFieldNFe& CampoPorNome(std::string_view aNome);

  TListDataSets& ListDataSets() { return GetListDataSets(); }
  std::string XMLDicionario() const { return GetXMLDicionario(); }
  bool MestreDetalhe() const { return GetMestreDetalhe(); }
  const std::string& DiretorioLogErro() const { return FDiretorioLogErro; }
  void SetDiretorioLogErro(std::string aValue) { FDiretorioLogErro = std::move(aValue); }

 protected:
  // Created on first use, freed with the engine.
  TxndGovUtils& GovUtils();
  void SetMestreDetalhe(bool aValue) { FMestreDetalhe = aValue; }

 private:
  TListDataSets FListDataSets;
  std::string FXMLDicionario;
  std::string FDiretorioLogErro;
  TStringList FHandles;
  bool FMestreDetalhe = false;
  std::unique_ptr<TxndGovUtils> FGovUtils;
};

}  // namespace xnd

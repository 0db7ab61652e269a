// The NF-e engine: the dictionary engine that knows the NF-e layout. From the
// datasets of one note it writes the note's infNFe element as one text (no
// declaration, no namespace, no signature, no line breaks), elements in the
// order of the national schema. Each NF-e group has its own overridable
// writer so that a schema package replaces single groups
// (datasets/xndNFeDataSetVersoes.h); this class writes the layout of packages
// pl_005a and pl_005b.
//
// Values are written escaped (&, <, >, "): a value never changes the
// structure of the note that is then signed.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "datasets/xndXMLDataSetNFe.h"
#include "platform/stringlist.h"

namespace xnd {

class TxndNFeCustomDataSet : public TxndXMLDataSetNFe {
 public:
  // Master-detail links are on from creation.
  explicit TxndNFeCustomDataSet(TComponent* aOwner = nullptr);
  ~TxndNFeCustomDataSet() override;

  // ---- Writers, in slot order. Each returns its group's text ("" when the
  // group has no data) and raises what its fields' lookups raise.

  // The opening tag "<infNFe Id=... versao=...>"; first builds the key
  // (GerarChaveId).
  virtual std::string ConvPartA();
  // ide; ExndNFeDataSetException "Parte B - Identificaçãcão da Nota Fiscal
  // eletrônica não foi preenchida." when B has no record.
  virtual std::string ConvPartB();
  virtual std::string ConvPartC();
  virtual std::string ConvPartE();
  virtual std::string ConvPartD();
  virtual std::string ConvPartF();
  virtual std::string ConvPartG();
  // Every H record from the first: det, prod, imposto, infAdProd.
  virtual std::string ConvPartItens();
  virtual std::string ConvPartJ();
  virtual std::string ConvPartK();
  virtual std::string ConvPartL();
  virtual std::string ConvPartL1();
  virtual std::string ConvPartL2();
  virtual std::string ConvPartN();
  virtual std::string ConvPartO();
  virtual std::string ConvPartP();
  virtual std::string ConvPartQ();
  virtual std::string ConvPartR();
  virtual std::string ConvPartS();
  virtual std::string ConvPartT();
  virtual std::string ConvPartU();
  virtual std::string ConvPartV();
  virtual std::string ConvPartI();
  virtual std::string ConvPartW();
  virtual std::string ConvPartX();
  virtual std::string ConvPartY();
  virtual std::string ConvPartZ();
  virtual std::string ConvPartRef();
  virtual std::string ConvICMSComb(TXmlDataSetNFe& aL1);
  virtual std::string ConvDI();
  virtual std::string ConvAdi();
  virtual std::string ConvCompra();
  virtual std::string ConvExporta();
  virtual std::string ConvProcRef();
  virtual std::string ConvObsCont();
  virtual std::string ConvObsFisco();
  virtual std::string ConvAutXML();
  virtual std::string ConvDetExport();
  virtual std::string ConvExportInd();
  // Rebuild ListaItemNFe / ListaNFe from the loaded datasets ("Parte %s não
  // encontrada." for the first one missing).
  virtual void AddDataSetsListaItemNFe();
  virtual void AddDataSetsListaNFE();
  // The whole infNFe of the current note.
  virtual std::string ConverterAuto();

  // The access key of the note, written into A ("Id_A03" = "NFe" + key) and
  // B ("cNF_B03" padded, "cDV_B23"), both posted. The key builder's
  // exceptions pass through; a key that is not 44 characters long (a number
  // longer than its place in the key) raises ExndCheckParams "A Chave da NFe
  // %s deve possuir exatamente 44 dígitos." before anything is written.
  virtual std::string GerarChaveId();

  // ---- Replaced from the dictionary engine.
  std::unique_ptr<TXmlFieldNFe> CriarCampo(TXmlDataSetNFe& aDataSet) override;
  void LerAtributosCampo(_xmlNode* aNode, TXmlFieldNFe& aField) override;
  // Loads, then binds the 26 letter datasets and rebuilds both lists.
  void CarregarDicionario() override;
  // As the dictionary engine's, without removing accents: the value is
  // written as entered, escaped.
  std::string GerarCampo(TXmlFieldNFe& aField) override;
  // The three lookups, as the dictionary engine's, remembered until the
  // datasets change (a note reads the same few hundred names again and again).
  TXmlDataSetNFe& DataSetPorNome(std::string_view aNome) override;
  TXmlFieldNFe& CampoPorNome(std::string_view aNome) override;
  std::string GerarCampoPorNome(TXmlDataSetNFe& aDataSet, const std::string& aCampo) override;
  // Also forgets the letters, both lists and the remembered lookups.
  void SetListDataSets(TListDataSets aList) override;
  // A new note: LimparDataSets, State := dsInsert, one record in every
  // dataset of ListaNFe in list order. A dataset exception sets State to
  // dsBrowse and is raised again.
  void Incluir() override;

  // ---- The note's life cycle.

  // ExndNfeDataSetConfigException "Arquivo Estrutura do XML não configurado."
  // when no dictionary is configured.
  virtual void VerificarDicionario();
  // Posts the item datasets being edited; StateItem := dsBrowse.
  virtual void SalvarItem();
  // Posts what was entered, writes the note (ConverterAuto) and appends it to
  // LoteNFe; State := dsBrowse. A dataset exception becomes an
  // ExndNFeDataSetException with the same message; nothing is appended then.
  virtual void Salvar();

  // The last note written by Salvar ("" before the first).
  const std::string& UltimoXml() const { return FUltimoXml; }
  // Its access key, 44 digits ("" before the first).
  const std::string& UltimaChave() const { return FUltimaChave; }

  TStringList& LoteNFe() { return *FLoteNFe; }
  // The engine takes the list and frees it.
  void SetLoteNFe(std::unique_ptr<TStringList> aLista);
  TDataSetState State() const { return FState; }
  TDataSetState StateItem() const { return FStateItem; }

  const std::vector<TXmlDataSetNFe*>& ListaNFe() const { return FListaNFe; }
  const std::vector<TXmlDataSetNFe*>& ListaItemNFe() const { return FListaItemNFe; }
  // The dataset of a layout letter, 'A' to 'Z', bound at the last load.
  TXmlDataSetNFe& Parte(char aLetra) const;

 protected:
  // Appends the named datasets to a list.
  void Listar(std::vector<TXmlDataSetNFe*>& aLista, const std::vector<std::string>& aNomes);
  std::vector<TXmlDataSetNFe*>& ListaNFeMut() { return FListaNFe; }
  std::vector<TXmlDataSetNFe*>& ListaItemNFeMut() { return FListaItemNFe; }
  // Wraps a non-empty text as <aTag>aText</aTag>; "" stays "".
  static std::string Envolver(const std::string& aTag, const std::string& aText);
  // The GerarGrupo of every record of a dataset, from the first, with its
  // NomeGrupo set first.
  std::string GruposDeTodos(TXmlDataSetNFe& aDataSet, const std::string& aNomeGrupo);
  // The key aGerar builds, checked: a date whose year and month are not
  // digits raises the key builder's date message (aMensagemData, one
  // generation's text), any other non-digit ExndNFeCheckTXT naming the key's
  // fields, and a key that is not 44 digits long ExndCheckParams.
  std::string ChaveVerificada(const std::function<std::string()>& aGerar, const std::string& aData,
                              const char* aMensagemData);
  // Writes the key into A and B and posts both; aCNF is the padded cNF.
  void GravarChave(const std::string& aChave, const std::string& aCNF);
  std::string TextoCampo(const std::string& aNome) { return CampoPorNome(aNome).AsString(); }
  // The parts of ConvPartX that later packages keep.
  std::string ConvTransporta();
  std::string ConvReboque();
  std::string ConvVol();
  std::string ConvRetTrib();
  void SetStateItem(TDataSetState aState) { FStateItem = aState; }
  // AtivarMestreDetalhe(true) unless the links are already on.
  void LigarMestreDetalhe();

 private:
  std::array<TXmlDataSetNFe*, 26> FPartes{};
  std::vector<TXmlDataSetNFe*> FListaNFe;
  std::vector<TXmlDataSetNFe*> FListaItemNFe;
  std::unique_ptr<TStringList> FLoteNFe;
  TDataSetState FState = dsInactive;
  TDataSetState FStateItem = dsInactive;
  std::string FUltimoXml;
  std::string FUltimaChave;
  // Remembered lookups; emptied whenever the datasets change.
  void EsquecerDataSets();
  std::unordered_map<std::string, TXmlDataSetNFe*> FDataSets;
  std::unordered_map<std::string, TXmlFieldNFe*> FCamposNota;
  std::unordered_map<const TXmlDataSetNFe*, std::unordered_map<std::string, TXmlFieldNFe*>> FCampos;
};

}  // namespace xnd

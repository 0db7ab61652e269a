// The dataset entry component: a host enters an invoice through the datasets
// of an NF-e engine, saves it note by note and collects the notes' infNFe in
// LoteNFe, ready for AssinarLote and EnviarLote.
//
//   TxndNFeDataSets entrada;
//   entrada.SetVersaoEsquema(pl_008a);
//   entrada.SetXMLDicionario("Templates/vm40/Conversor/NFeDataSets.xml");
//   entrada.Incluir();
//   ... fill the datasets of ListDataSets() ...
//   entrada.Salvar();               // LoteNFe() gets the note's infNFe
//
// The component owns one engine of the class of VersaoEsquema
// (CriarEngineNFe). Setting VersaoEsquema or XMLDicionario replaces that
// engine, and with it its datasets and LoteNFe. It is built in a library of
// its own, linked after the rules (engine <- rules <- entry component).
#pragma once

#include <memory>
#include <string>

#include "datasets/xndNFeDataSetVersoes.h"
#include "platform/component.h"
#include "platform/dataset.h"
#include "platform/stringlist.h"
#include "types/xndNFeType.h"

namespace xnd {

class TxndNFeDataSets : public TComponent {
 public:
  // Starts with a pl_006f engine without dictionary; VersaoEsquema reads
  // pl_005a until it is set.
  explicit TxndNFeDataSets(TComponent* aOwner = nullptr);
  ~TxndNFeDataSets() override;

  // ---- Published properties, in the order a form sets them.

  // The engine's notes, one infNFe per line, oldest first. Incluir never
  // touches it; the host reads it and clears it.
  TStringList& LoteNFe() { return FEngine->LoteNFe(); }
  // The component takes the list (null: a new empty one); the list it
  // replaces, with every note in it, is freed at once, so a reference to the
  // old LoteNFe() must not be used after this call.
  void SetLoteNFe(std::unique_ptr<TStringList> aLista) { FEngine->SetLoteNFe(std::move(aLista)); }

  TVersaoEsquema VersaoEsquema() const { return FVersaoEsquema; }
  // A new engine of the package's class, without dictionary, replaces the
  // current one (also when the value does not change). A value outside the
  // enumeration raises the factory's ExndNFeDataSetException and changes
  // nothing.
  void SetVersaoEsquema(TVersaoEsquema aVersao);

  std::string XMLDicionario() const { return FEngine->XMLDicionario(); }
  // Replaces the engine as SetVersaoEsquema(VersaoEsquema()) does, then loads
  // the dictionary into the new engine. A dictionary that cannot be loaded
  // raises the engine's exception and leaves a new engine without
  // dictionary (XMLDicionario reads empty).
  void SetXMLDicionario(const std::string& aFileName);

  // dsInactive, dsInsert or dsBrowse.
  TDataSetState State() const { return FEngine->State(); }
  // dsInactive until the first save reaches the items, dsBrowse after.
  TDataSetState StateItem() const { return FEngine->StateItem(); }
  // The engine's datasets, in dictionary order.
  TListDataSets& ListDataSets() { return FEngine->ListDataSets(); }

  // After Salvar writes the note: the manual's rule set (mode 1).
  bool ValidaRegrasNegocio() const { return FValidaRegrasNegocio; }
  void SetValidaRegrasNegocio(bool aValue) { FValidaRegrasNegocio = aValue; }
  // Before Salvar writes the note: the normalising rule set (mode 0).
  bool ValidaRegrasNegocioVarno() const { return FValidaRegrasNegocioVarno; }
  void SetValidaRegrasNegocioVarno(bool aValue) { FValidaRegrasNegocioVarno = aValue; }
  // Names of rules to skip, handed to the rule controller.
  const std::string& ExcecoesDeRegras() const { return FExcecoesDeRegras; }
  void SetExcecoesDeRegras(std::string aValue) { FExcecoesDeRegras = std::move(aValue); }
  // Stored with the component; the engine and the rules keep their own
  // (empty) log directory.
  const std::string& DiretorioLogErro() const { return FDiretorioLogErro; }
  void SetDiretorioLogErro(std::string aValue) { FDiretorioLogErro = std::move(aValue); }

  // ---- Operations.

  // A new note: the engine's Incluir (empty datasets, State dsInsert, one
  // record in every note-level dataset). A dataset exception sets State to
  // dsBrowse and passes.
  virtual void Incluir();
  // Normalising rules (when ValidaRegrasNegocioVarno), the engine's Salvar
  // (posts, writes the infNFe, appends it to LoteNFe, State dsBrowse), then
  // the manual's rules (when ValidaRegrasNegocio). A rule violation is
  // raised as ExndNFeRuleException: in mode 0 before anything is saved, in
  // mode 1 after the note is already in LoteNFe.
  virtual void Salvar();

  // The engine, for what the component does not expose (IncluirParte,
  // SalvarParte, the last note's key).
  TxndNFeCustomDataSet& Engine() { return *FEngine; }
  const TxndNFeCustomDataSet& Engine() const { return *FEngine; }

 private:
  void ExecutarRegras(int aModo);

  std::unique_ptr<TxndNFeCustomDataSet> FEngine;
  TVersaoEsquema FVersaoEsquema = pl_005a;
  bool FValidaRegrasNegocio = false;
  bool FValidaRegrasNegocioVarno = false;
  std::string FExcecoesDeRegras;
  std::string FDiretorioLogErro;
};

}  // namespace xnd

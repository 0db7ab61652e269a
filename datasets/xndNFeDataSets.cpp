#include "datasets/xndNFeDataSets.h"

#include "rules/xndNFeRules.h"

namespace xnd {

TxndNFeDataSets::TxndNFeDataSets(TComponent* aOwner)
    : TComponent(aOwner), FEngine(std::make_unique<TxndDS_pl006f>()) {}

TxndNFeDataSets::~TxndNFeDataSets() = default;

void TxndNFeDataSets::SetVersaoEsquema(TVersaoEsquema aVersao) {
  // The new engine is made first: a value the factory refuses leaves the
  // component with its engine and its value.
  std::unique_ptr<TxndNFeCustomDataSet> engine = CriarEngineNFe(aVersao);
  FVersaoEsquema = aVersao;
  FEngine = std::move(engine);
}

void TxndNFeDataSets::SetXMLDicionario(const std::string& aFileName) {
  SetVersaoEsquema(FVersaoEsquema);
  try {
    FEngine->SetXMLDicionario(aFileName);
  } catch (...) {
    // The failed engine keeps the name it could not load; a fresh one keeps
    // Salvar from taking that name for a configured dictionary.
    FEngine = CriarEngineNFe(FVersaoEsquema);
    throw;
  }
}

void TxndNFeDataSets::Incluir() { FEngine->Incluir(); }

void TxndNFeDataSets::ExecutarRegras(int aModo) {
  TxndControllerRulesNFe controller;
  controller.SetDataSet(FEngine.get());
  controller.SetExcecoesDeRegras(FExcecoesDeRegras);
  controller.SetVersaoEsquema(FVersaoEsquema);
  controller.ExecutarRegras(aModo);
}

void TxndNFeDataSets::Salvar() {
  if (FValidaRegrasNegocioVarno) ExecutarRegras(0);
  FEngine->Salvar();
  if (FValidaRegrasNegocio) ExecutarRegras(1);
}

}  // namespace xnd

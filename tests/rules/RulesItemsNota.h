// A note for the item, tax and total rules: the shipped dictionary, a header
// that those rules accept, items with consistent taxes and the totals of W
// computed from them. Runs a manual's rule set over it with the rules of the
// header groups (A to G, J02c) excepted, so that a row fails only by the rules
// it is about.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "datasets/xndXMLDataSetNFe.h"
#include "types/xndNFeType.h"

namespace xnd::test {

// The names of the rules of the header groups, as an exceptions list.
extern const char* const kExcecoesCabecalho;

class TNotaItens {
 public:
  // A note of aItens items (CFOP 5102, ICMS 18 %, PIS and COFINS) whose totals agree.
  explicit TNotaItens(int aItens = 1);
  ~TNotaItens();

  TxndXMLDataSetNFe& Motor() { return *FMotor; }
  // Writes a field on the current record of the group that holds it (an item
  // field: the current item's).
  void Definir(std::string_view aCampo, const std::string& aValor);
  // Makes item aItem (from 1) current.
  void IrItem(int aItem);
  // Appends a record to a group of the current item (DI, ADI, DETEXPORT, ...).
  void NovoRegistro(std::string_view aGrupo);
  // Appends an item with the base values, its totals not added to W.
  void NovoItem();
  // Sets the W totals from the items' amounts as every total rule adds them.
  void RecalcularTotais();

  // Runs the manual set of aVersao with kExcecoesCabecalho plus aExcecoes;
  // the violation's message, or "" when none.
  std::string Executar(TVersaoManual aVersao, const std::string& aExcecoes = "");

 private:
  std::unique_ptr<TxndXMLDataSetNFe> FMotor;
  int FItens = 0;
};

// The whole message of a violation.
std::string Violacao(const std::string& aNome, const std::string& aCodigo, const std::string& aMensagem,
                     const std::string& aCampo);

}  // namespace xnd::test

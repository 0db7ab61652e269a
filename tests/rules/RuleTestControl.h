// A controller whose protected steps the tests reach: its loaded list, its
// loaders and its run, and a record of which loader a run called.
#pragma once

#include <string>
#include <vector>

#include "rules/xndNFeRules.h"

namespace xnd::test {

class ControleDeTeste : public TxndControllerRulesNFe {
 public:
  using TxndControllerRulesNFe::CarregarRegras40;
  using TxndControllerRulesNFe::CarregarRegras50;
  using TxndControllerRulesNFe::CarregarRegras50a;
  using TxndControllerRulesNFe::CarregarRegrasVarno;
  using TxndControllerRulesNFe::Regras;
  using TxndControllerRulesNFe::ValidarRegras;

  // The class names of the loaded rules, less "TxndNFe".
  std::vector<std::string> Classes() {
    std::vector<std::string> classes;
    for (const auto& regra : Regras()) classes.push_back(regra->ClassName().substr(7));
    return classes;
  }
};

}  // namespace xnd::test

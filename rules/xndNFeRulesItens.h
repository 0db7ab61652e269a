// The catalogue of the item, tax, transport and total rules (groups I to ZB):
// the definitions the loaders read, and the helpers those rules share.
// Internal to the rules module.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

// ---- Helpers -----------------------------------------------------------------

// ValorDentroTolerancia made on the difference rounded to millionths, so that
// amounts written with cents (which binary fractions cannot hold exactly)
// agree at exactly the tolerance: 300.30 agrees within 1.00 with 301.30, and
// not with 301.31.
bool ValorConfere(long double aValor, long double aReferencia, long double aTolerancia);

// The first character of a text, "" for an empty one.
std::string PrimeiroCaractere(const std::string& aTexto);

// Walks the records of a group from its first while aPasso answers true;
// true when every record passed (also when there is none).
bool TodosRegistros(TClientDataSet& aGrupo, const std::function<bool()>& aPasso);

// A rule over the whole note that reads item data: walks the items itself.
class TxndNFeRegraNota : public TxndNFeRule {
 public:
  using TxndNFeRule::TxndNFeRule;

 protected:
  // Goes to the first record of H and calls aPasso for each item while it
  // answers true; leaves H past its last record when every item was seen
  // (the rules here walk them all, as the total rules do).
  void ParaCadaItem(const std::function<bool()>& aPasso);
  // The sum of ConverterValor of aCampo of group aGrupo over the items for
  // which aFiltro (when given) is true.
  long double SomarItens(std::string_view aGrupo, std::string_view aCampo,
                         const std::function<bool()>& aFiltro = {});
};

// ---- Catalogue -----------------------------------------------------------------

// Products, import and export (I, DI, ADI, DETEXPORT, EXPORTIND): xndNFeRulesI.cpp
extern const TxndNFeRuleDef RegraGI01;
extern const TxndNFeRuleDef RegraGI03;
extern const TxndNFeRuleDef RegraGI05_1;
extern const TxndNFeRuleDef RegraGI08;
extern const TxndNFeRuleDef RegraGI08_1;
extern const TxndNFeRuleDef RegraGI08_2;
extern const TxndNFeRuleDef RegraGI08_3;
extern const TxndNFeRuleDef RegraGI08_4;
extern const TxndNFeRuleDef RegraGI08_5;
extern const TxndNFeRuleDef RegraGI08_6;
extern const TxndNFeRuleDef RegraGI08_7;
extern const TxndNFeRuleDef RegraGI08_8;
extern const TxndNFeRuleDef RegraGI08_9;
extern const TxndNFeRuleDef RegraGI08_10;
extern const TxndNFeRuleDef RegraGI08_11;
extern const TxndNFeRuleDef RegraGI08_12;
extern const TxndNFeRuleDef RegraGI08_13;
extern const TxndNFeRuleDef RegraGI12;
extern const TxndNFeRuleDef RegraGI18;
extern const TxndNFeRuleDef RegraGI23_b;
extern const TxndNFeRuleDef RegraGI23_d;
extern const TxndNFeRuleDef RegraGI23_e;
extern const TxndNFeRuleDef RegraGI23d_1;
extern const TxndNFeRuleDef RegraGI29_a;
extern const TxndNFeRuleDef RegraGI50;
extern const TxndNFeRuleDef RegraGI50_1;
extern const TxndNFeRuleDef RegraGI51;
extern const TxndNFeRuleDef RegraGI52;
extern const TxndNFeRuleDef RegraGI54;
extern const TxndNFeRuleDef RegraGI54_1;

// Fuel and paper (L1, L2): xndNFeRulesL.cpp
extern const TxndNFeRuleDef RegraGL101_NT003_2012;
extern const TxndNFeRuleDef RegraGL102a;
extern const TxndNFeRuleDef RegraGL109_1;

// ICMS (N): xndNFeRulesN.cpp
extern const TxndNFeRuleDef RegraGN12;
extern const TxndNFeRuleDef RegraGN16_04;
extern const TxndNFeRuleDef RegraGN16_NT005_2012;
extern const TxndNFeRuleDef RegraGN16_NT006_2013;
extern const TxndNFeRuleDef RegraGN16a;
extern const TxndNFeRuleDef RegraGN16c;
extern const TxndNFeRuleDef RegraGN17;
extern const TxndNFeRuleDef RegraGN17_2;
extern const TxndNFeRuleDef RegraGN17_NT005_2013;
extern const TxndNFeRuleDef RegraGN28;
extern const TxndNFeRuleDef RegraGN28_1;
extern const TxndNFeRuleDef RegraGN28_1_NT003_2012;
extern const TxndNFeRuleDef RegraGN28_2;
extern const TxndNFeRuleDef RegraGN28_2_NT005_2013;
extern const TxndNFeRuleDef RegraGN28_NT003_2012;

// IPI (O): xndNFeRulesO.cpp
extern const TxndNFeRuleDef RegraGO07;

// PIS (Q): xndNFeRulesQ.cpp
extern const TxndNFeRuleDef RegraGQ01_2;

// COFINS (S): xndNFeRulesS.cpp
extern const TxndNFeRuleDef RegraGS01_2;

// ISSQN (U): xndNFeRulesU.cpp
extern const TxndNFeRuleDef RegraGU01;
extern const TxndNFeRuleDef RegraGU05;

// Totals (W): xndNFeRulesW.cpp
extern const TxndNFeRuleDef RegraGW03;
extern const TxndNFeRuleDef RegraGW03_NT003_2012;
extern const TxndNFeRuleDef RegraGW04;
extern const TxndNFeRuleDef RegraGW04_NT003_2012;
extern const TxndNFeRuleDef RegraGW05;
extern const TxndNFeRuleDef RegraGW05_NT003_2012;
extern const TxndNFeRuleDef RegraGW06;
extern const TxndNFeRuleDef RegraGW06_NT003_2012;
extern const TxndNFeRuleDef RegraGW07;
extern const TxndNFeRuleDef RegraGW07_NT003_2012;
extern const TxndNFeRuleDef RegraGW08;
extern const TxndNFeRuleDef RegraGW08_NT003_2012;
extern const TxndNFeRuleDef RegraGW09;
extern const TxndNFeRuleDef RegraGW09_NT003_2012;
extern const TxndNFeRuleDef RegraGW10;
extern const TxndNFeRuleDef RegraGW10_NT003_2012;
extern const TxndNFeRuleDef RegraGW11;
extern const TxndNFeRuleDef RegraGW11_NT003_2012;
extern const TxndNFeRuleDef RegraGW12;
extern const TxndNFeRuleDef RegraGW12_NT003_2012;
extern const TxndNFeRuleDef RegraGW13;
extern const TxndNFeRuleDef RegraGW13_NT003_2012;
extern const TxndNFeRuleDef RegraGW14;
extern const TxndNFeRuleDef RegraGW14_NT003_2012;
extern const TxndNFeRuleDef RegraGW15;
extern const TxndNFeRuleDef RegraGW15_NT003_2012;
extern const TxndNFeRuleDef RegraGW16_NT005_2013;
extern const TxndNFeRuleDef RegraGW16a;
extern const TxndNFeRuleDef RegraGW16b_NT003_2013;
extern const TxndNFeRuleDef RegraGW18;
extern const TxndNFeRuleDef RegraGW18_NT003_2012;
extern const TxndNFeRuleDef RegraGW19;
extern const TxndNFeRuleDef RegraGW19_NT003_2012;
extern const TxndNFeRuleDef RegraGW20;
extern const TxndNFeRuleDef RegraGW20_NT003_2012;
extern const TxndNFeRuleDef RegraGW21;
extern const TxndNFeRuleDef RegraGW21_NT003_2012;
extern const TxndNFeRuleDef RegraGW22;
extern const TxndNFeRuleDef RegraGW22_NT003_2012;
extern const TxndNFeRuleDef RegraGW22b;
extern const TxndNFeRuleDef RegraGW22c;
extern const TxndNFeRuleDef RegraGW22d;
extern const TxndNFeRuleDef RegraGW22e;
extern const TxndNFeRuleDef RegraGW22f;

// Transport (X): xndNFeRulesX.cpp
extern const TxndNFeRuleDef RegraGX04;
extern const TxndNFeRuleDef RegraGX04_1;
extern const TxndNFeRuleDef RegraGX05;
extern const TxndNFeRuleDef RegraGX07;
extern const TxndNFeRuleDef RegraGX17;

// Installments (Y): xndNFeRulesY.cpp
extern const TxndNFeRuleDef RegraGY01;

// Export place (ZA): xndNFeRulesZA.cpp
extern const TxndNFeRuleDef RegraGZA01;
extern const TxndNFeRuleDef RegraGZA01_1;

// Public purchases (ZB): xndNFeRulesZB.cpp
extern const TxndNFeRuleDef RegraGZB02;

}  // namespace xnd

// A rule over the whole note that walks the items itself.
#define XND_NFE_REGRA_NOTA(Classe)                                              \
  class TxndNFe##Classe final : public ::xnd::TxndNFeRegraNota {                \
   public:                                                                      \
    using TxndNFeRegraNota::TxndNFeRegraNota;                                   \
    std::string ClassName() const override { return "TxndNFe" #Classe; }        \
    void Validar() override;                                                    \
  }

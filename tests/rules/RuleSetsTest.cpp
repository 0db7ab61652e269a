// The rule sets: each loader registers the rules of its manual in the order
// of the manual's list, with the manual version, names and per-set fields it
// gives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/rules/RuleTestControl.h"

namespace xnd {
namespace {

using Lista = std::vector<std::string>;

// The full run order of each manual's set (class names less "TxndNFe").
const Lista kOrdem40 = {
    "GA03", "GB07", "GB09", "GB10_2", "GB10a", "GB12", "GB12_1", "GB13", "GB17", "GB20d", "GB20e", "GB20i",
    "GB22", "GB22_1", "GB23", "GB25", "GB25_1", "GB25_2", "GB26", "GB28", "GC02", "GC02_a", "GC02_a1", "GC10",
    "GC10_1", "GC17", "GD01", "GE02", "GE02_1", "GE02_2", "GE03", "GE10", "GE10_1", "GE10_2", "GE14",
    "GE14_1", "GE17", "GF02", "GF02_a", "GF07", "GF07_1", "GF07_2", "GG02", "GG02_a", "GG07", "GG07_1",
    "GG07_2", "GI03", "GI12", "GI08", "GI08_1", "GI08_2", "GI08_3", "GI08_4", "GI08_5", "GI08_6", "GI08_7",
    "GI08_8", "GN12", "GN17", "GO07", "GU01", "GU05", "GX04", "GX05", "GX07", "GX17", "GI01", "GI18", "GY01",
    "GN28", "GN28_1", "GN28_2", "GW03", "GW04", "GW05", "GW06", "GW07", "GW08", "GW09", "GW10", "GW12",
    "GW11", "GW13", "GW14", "GW15", "GW18", "GW19", "GW20", "GW21", "GW22",
};
const Lista kOrdem50 = {
    "GA03", "GB07", "GB10_2", "GB10a", "GB12", "GB12_1", "GB13", "GB17", "GB20d", "GB20e", "GB20i", "GB22",
    "GB22_1", "GB23", "GB25", "GB25_1", "GB25_2", "GB26", "GB28", "GC02", "GC02_a", "GC02_a1", "GC10",
    "GC10_1", "GC17", "GD01", "GE02", "GE02_1", "GE02_2", "GE03", "GE10", "GE10_1", "GE10_2", "GE14",
    "GE14_1", "GE17", "GF02", "GF02_a", "GF07", "GF07_1", "GF07_2", "GG02", "GG02_a", "GG07", "GG07_1",
    "GG07_2", "GI03", "GI12", "GI08", "GI08_1", "GI08_2", "GI08_3", "GI08_4", "GI08_5", "GI08_6", "GI08_7",
    "GI08_8", "GN12", "GN17", "GO07", "GU01", "GU05", "GX04", "GX05", "GX07", "GX17", "GI01", "GI18", "GY01",
    "GN28_2", "GW03_NT003_2012", "GW04_NT003_2012", "GW05_NT003_2012", "GW06_NT003_2012", "GW07_NT003_2012",
    "GW08_NT003_2012", "GW09_NT003_2012", "GW10_NT003_2012", "GW11_NT003_2012", "GW12_NT003_2012",
    "GW13_NT003_2012", "GW14_NT003_2012", "GW15_NT003_2012", "GW18_NT003_2012", "GW19_NT003_2012",
    "GW20_NT003_2012", "GW21_NT003_2012", "GW22_NT003_2012", "J02_c_NT003_2012", "GB09_1_NT003_2012",
    "GL101_NT003_2012", "GN28_NT003_2012", "GN28_1_NT003_2012", "GN16_NT006_2013", "GN16_NT005_2012",
    "GB13a_NT003_2013", "GB13b_NT003_2013", "GB20_NT003_2013", "GB20ha_NT003_2013", "GB20ia_NT003_2013",
    "GB20m_NT003_2013", "GB25_3_NT003_2013", "GW16b_NT003_2013",
};
const Lista kOrdem50a = {
    "GA03", "GB07", "GB10_3", "GB12", "GB12_1", "GB17", "GB20d", "GB20e", "GB20i", "GB22", "GB22_1", "GB23",
    "GB25", "GB25_1", "GB25_2", "GB26", "GC02", "GC02_a", "GC02_a1", "GC10", "GC10_1", "GC17", "GD01", "GE02",
    "GE02_1", "GE02_2", "GE03", "GE10", "GE10_1", "GE10_2_NT005_2013", "GE14_NT005_2013", "GE14_1_NT005_2013",
    "GE17", "GF02", "GF02_a", "GF07", "GF07_1", "GF07_2", "GG02", "GG02_a", "GG07", "GG07_1", "GG07_2",
    "GI03", "GI12", "GI08", "GI08_1", "GI08_2", "GI08_3", "GI08_4", "GI08_5", "GI08_6", "GI08_7", "GN12",
    "GN17_NT005_2013", "GO07", "GU01", "GU05", "GX04", "GX05", "GX07", "GX17", "GI01", "GI18", "GY01",
    "GW03_NT003_2012", "GW04_NT003_2012", "GW05_NT003_2012", "GW06_NT003_2012", "GW07_NT003_2012",
    "GW08_NT003_2012", "GW09_NT003_2012", "GW10_NT003_2012", "GW11_NT003_2012", "GW12_NT003_2012",
    "GW13_NT003_2012", "GW14_NT003_2012", "GW15_NT003_2012", "GW18_NT003_2012", "GW19_NT003_2012",
    "GW20_NT003_2012", "GW21_NT003_2012", "GW22_NT003_2012", "J02_c_NT003_2012", "GB09_1_NT003_2012",
    "GL101_NT003_2012", "GN28_NT003_2012", "GN28_1_NT003_2012", "GB06", "GB06_1", "GB25_3", "GB25_4", "GB25b",
    "GB26_1", "GE01", "GE03a", "GE03a_1", "GE03a_2", "GE03a_3", "GE04", "GE12", "GE12_1", "GE12_2", "GE12_3",
    "GE16a", "GE17_1", "GE17_2", "GE17_3", "GI05_1", "GI08_9", "GI08_10", "GI08_11", "GI08_12", "GI08_13",
    "GI23_b", "GI23_d", "GI23d_1", "GI23_e", "GI29_a", "GI50", "GI50_1", "GI51", "GI52", "GI54", "GI54_1",
    "GL102a", "GL109_1", "GN16_04", "GN16a", "GN16c", "GN17", "GN17_2", "GN28_2_NT005_2013", "GQ01_2",
    "GS01_2", "GW16a", "GW22b", "GW22c", "GW22d", "GW22e", "GW22f", "GX04_1", "GZA01", "GZA01_1", "GZB02",
    "GN16_NT006_2013", "GN16_NT005_2012", "GW16b_NT003_2013", "GW16_NT005_2013",
};

struct Conjunto {
  const char* Nome;
  void (test::ControleDeTeste::*Carregar)();
  const Lista* Ordem;
  TVersaoManual Versao;
};

TEST(RuleSets, EachSetRunsItsRulesInTheManualsOrderWithItsVersion) {
  const Conjunto conjuntos[] = {
      {"4.0", &test::ControleDeTeste::CarregarRegras40, &kOrdem40, vm40},
      {"5.0", &test::ControleDeTeste::CarregarRegras50, &kOrdem50, vm50},
      {"5.0a", &test::ControleDeTeste::CarregarRegras50a, &kOrdem50a, vm50a},
  };
  for (const Conjunto& conjunto : conjuntos) {
    test::ControleDeTeste controle;
    (controle.*conjunto.Carregar)();
    const Lista classes = controle.Classes();
    EXPECT_EQ(classes, *conjunto.Ordem) << conjunto.Nome;
    for (const auto& regra : controle.Regras()) {
      EXPECT_EQ(regra->ManualRegra(), conjunto.Versao) << regra->ClassName();
      EXPECT_TRUE(regra->Enabled());
      EXPECT_EQ(regra->DataSet(), nullptr);
    }
  }
}

TEST(RuleSets, SetsHold91And103And149Rules) {
  EXPECT_EQ(kOrdem40.size(), 91u);
  EXPECT_EQ(kOrdem50.size(), 103u);
  EXPECT_EQ(kOrdem50a.size(), 149u);
}

// GN12 tells the 4.0 user its one field; 5.0 and 5.0a name both.
TEST(RuleSets, GN12TakesTheFieldOfItsSet) {
  const auto campo = [](void (test::ControleDeTeste::*aCarregar)()) {
    test::ControleDeTeste controle;
    (controle.*aCarregar)();
    for (const auto& regra : controle.Regras())
      if (regra->ClassName() == "TxndNFeGN12") return regra->FieldName();
    return std::string();
  };
  EXPECT_EQ(campo(&test::ControleDeTeste::CarregarRegras40), "CST_N12");
  EXPECT_EQ(campo(&test::ControleDeTeste::CarregarRegras50), "CST_N12 ou CSOSN_N12a");
  EXPECT_EQ(campo(&test::ControleDeTeste::CarregarRegras50a), "CST_N12 ou CSOSN_N12a");
}

TEST(RuleSets, NormalisingSetIsFourUnnamedFieldRulesOfManual50) {
  test::ControleDeTeste controle;
  controle.CarregarRegrasVarno();
  EXPECT_EQ(controle.Classes(), (Lista{"Varno1", "Varno2", "Varno3", "Varno4"}));
  int n = 0;
  for (const auto& regra : controle.Regras()) {
    EXPECT_EQ(regra->Name(), "Varno" + std::to_string(++n));
    EXPECT_EQ(regra->FieldName() + regra->Codigo() + regra->Mensagem(), "");
    EXPECT_EQ(regra->ManualRegra(), vm50);
  }
}

// A rule whose field differs by set reads its own field.
TEST(RuleSets, GB09_1TakesTheIssueDateFieldOfItsSet) {
  const auto campo = [](void (test::ControleDeTeste::*aCarregar)()) {
    test::ControleDeTeste controle;
    (controle.*aCarregar)();
    for (const auto& regra : controle.Regras())
      if (regra->ClassName() == "TxndNFeGB09_1_NT003_2012") return regra->Name() + " " + regra->FieldName();
    return std::string();
  };
  EXPECT_EQ(campo(&test::ControleDeTeste::CarregarRegras50), "GB09.1 dEmi_B09");
  EXPECT_EQ(campo(&test::ControleDeTeste::CarregarRegras50a), "GB09.1 dhEmi_B09");
}

}  // namespace
}  // namespace xnd

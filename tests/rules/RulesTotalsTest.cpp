// The total rules (group W) through the manual's rule set: each total at
// exactly its tolerance passes and one cent beyond fails; the filters of the
// sums; the totals of manual 5.0a. Also the item loop stopping at the first
// bad item, the dataset check of every rule, and the tolerance comparison.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "datasets/xndXMLDataSetNFe.h"
#include "rules/xndNFeRules.h"
#include "rules/xndNFeRulesItens.h"
#include "tests/rules/RulesItemsNota.h"
#include "types/xndNFeExceptions.h"

namespace xnd {
namespace {

using test::TNotaItens;
using test::Violacao;

std::string Dinheiro(long double aValor) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "%.2Lf", aValor);
  return texto;
}

// ---- Tolerance -------------------------------------------------------------------

TEST(ValorConfere, LimiteInclusivoAoCentavo) {
  struct {
    const char* valor;
    const char* referencia;
    long double tolerancia;
    bool confere;
  } const casos[] = {
      {"300.00", "301.00", 1.00L, true},   {"300.00", "301.01", 1.00L, false}, {"300.00", "299.00", 1.00L, true},
      {"300.00", "298.99", 1.00L, false},  {"300.00", "300.50", 0.50L, true},  {"300.00", "300.51", 0.50L, false},
      // Amounts that binary fractions hold only approximately.
      {"300.30", "301.30", 1.00L, true},   {"1.65", "2.65", 1.00L, true},     {"0.10", "0.60", 0.50L, true},
      {"0.10", "0.61", 0.50L, false},      {"9999999999999.99", "0", 1.00L, false},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(ValorConfere(ConverterValor(c.valor), ConverterValor(c.referencia), c.tolerancia), c.confere)
        << c.valor << " ~ " << c.referencia;
  }
}

// ---- Every total at its boundary ---------------------------------------------------

struct Total {
  const char* nome;
  const char* codigo;
  const char* campo;  // FieldName
  const char* total;  // the total of W
  long double base;   // its value on the one-item base note
  const char* mensagem;
};

const Total kTotais[] = {
    {"GW03", "531", "", "vBC_W03", 100.00L, "Rejeição: Total da BC ICMS difere do somatório dos itens"},
    {"GW04", "532", "", "vICMS_W04", 18.00L, "Rejeição: Total do ICMS difere do somatório dos itens"},
    {"GW05", "533", "", "vBCST_W05", 0, "Rejeição: Total da BC ICMS-ST difere do somatório dos itens"},
    {"GW06", "534", "", "vST_W06", 0, "Rejeição: Total do ICMS-ST difere do somatório dos itens"},
    {"GW07", "564", "", "vProd_W07", 100.00L, "Rejeição: Total do Produto/Serviço difere do somatório dos itens"},
    {"GW08", "535", "", "vFrete_W08", 0, "Rejeição: Total do Frete difere do somatório dos itens"},
    {"GW09", "536", "", "vSeg_W09", 0, "Rejeição: Total do Seguro difere do somatório dos itens"},
    {"GW10", "537", "", "vDesc_W10", 0, "Rejeição: Total do Desconto difere do somatório dos itens"},
    {"GW11", "601", "vII_P04", "vII_W11", 0, "Rejeição: Total do vII difere do somatório dos itens"},
    {"GW12", "538", "", "vIPI_W12", 0, "Rejeição: Total do IPI difere do somatório dos itens"},
    {"GW13", "602", "vPIS_Q09", "vPIS_W13", 1.65L,
     "Rejeição: Total do PIS difere do somatório dos itens sujeitos ao ICMS"},
    {"GW14", "603", "vCOFINS_S11", "vCOFINS_W14", 7.60L,
     "Rejeição: Total do COFINS difere do somatório dos itens sujeitos ao ICMS"},
    {"GW15", "604", "vOutro_I17a", "vOutro_W15", 0, "Rejeição: Total do vOutro difere do somatório dos itens"},
    {"GW18", "605", "vProd_I11", "vServ_W18", 0,
     "Rejeição: Total do vServ difere do somatório do vProd dos itens sujeito ao ISSQN"},
    {"GW19", "606", "vBC_U02", "vBC_W19", 0, "Rejeição: Total do vBC do ISS difere do somatório dos itens"},
    {"GW20", "607", "vISSQN_U04", "vISS_W20", 0, "Rejeição: Total do ISS difere do somatório dos itens"},
    {"GW21", "608", "vPIS_Q09", "vPIS_W21", 0,
     "Rejeição: Total do PIS difere do somatório dos itens sujeitos ao ISSQN"},
    {"GW22", "609", "vCOFINS_S11", "vCOFINS_W22", 0,
     "Rejeição: Total do COFINS difere do somatório dos itens sujeitos ao ISSQN"},
};

// Manual 4.0 allows 1.00 of difference; 5.0 (the classes of note 2012.003) 0.50.
TEST(RulesTotals, CadaTotalNoLimiteDaTolerancia) {
  for (const Total& t : kTotais) {
    for (const auto& [versao, tolerancia] : {std::pair{vm40, 1.00L}, {vm50, 0.50L}}) {
      SCOPED_TRACE(std::string(t.nome) + (versao == vm40 ? " 4.0" : " 5.0"));
      for (const long double sinal : {1.0L, -1.0L}) {
        TNotaItens nota;
        nota.Definir(t.total, Dinheiro(t.base + sinal * tolerancia));
        EXPECT_EQ(nota.Executar(versao), "");
      }
      TNotaItens nota;
      nota.Definir(t.total, Dinheiro(t.base + tolerancia + 0.01L));
      EXPECT_EQ(nota.Executar(versao), Violacao(t.nome, t.codigo, t.mensagem, t.campo));
    }
  }
}

struct CasoTotal {
  const char* nome;
  TVersaoManual versao;
  std::function<void(TNotaItens&)> alteracao;
  std::string esperado;
  std::string excecoes = "";
  int itens = 1;
};

void PrintTo(const CasoTotal& c, std::ostream* os) { *os << c.nome; }

class RulesTotalsCasos : public ::testing::TestWithParam<CasoTotal> {};

TEST_P(RulesTotalsCasos, MensagemOuNenhuma) {
  const CasoTotal& caso = GetParam();
  TNotaItens nota(caso.itens);
  caso.alteracao(nota);
  EXPECT_EQ(nota.Executar(caso.versao, caso.excecoes), caso.esperado);
}

const std::string kGW03 = Violacao("GW03", "531", "Rejeição: Total da BC ICMS difere do somatório dos itens", "");
const std::string kGW16 = Violacao(
    "GW16", "610", "Rejeição: Total da NF difere do somatório dos Valores compõe o valor Total da NF", "vNF_W16");
const std::string kMsgTotTrib = "Rejeição: Total do Valor Aproximado dos Tributos difere do somatório dos itens";

// Two items of 100.00 and 200.00 (base of ICMS, product, ...).
void DoisItens(TNotaItens& n) {
  n.IrItem(2);
  for (const auto& [campo, valor] : {std::pair{"vProd_I11", "200.00"}, {"vUnCom_I10a", "200.00"},
                                     {"vUnTrib_I14a", "200.00"}, {"vBC_N15", "200.00"}, {"vICMS_N17", "36.00"}}) {
    n.Definir(campo, valor);
  }
  n.RecalcularTotais();
}

void Tributos(TNotaItens& n, const char* aItem, const char* aTotal) {
  n.NovoRegistro("M");
  n.Definir("vTotTrib_M02", aItem);
  n.Definir("vTotTrib_W16a", aTotal);
}

void IssqnCom(TNotaItens& n, const char* aCampo, const char* aTotal, const char* aValorTotal) {
  n.Definir("IM_C19", "12345");
  n.NovoRegistro("U");
  for (const auto& [campo, valor] : {std::pair{"vBC_U02", "100.00"}, {"vAliq_U03", "5.00"},
                                     {"vISSQN_U04", "5.00"}, {"cListServ_U06", "01.01"}}) {
    n.Definir(campo, valor);
  }
  n.Definir(aCampo, "5.00");
  n.RecalcularTotais();
  n.Definir(aTotal, aValorTotal);
}

INSTANTIATE_TEST_SUITE_P(
    Totais, RulesTotalsCasos,
    ::testing::Values(
        CasoTotal{"GW03_301_00", vm40,
                  [](TNotaItens& n) {
                    DoisItens(n);
                    n.Definir("vBC_W03", "301.00");
                  },
                  "", "", 2},
        CasoTotal{"GW03_301_01", vm40,
                  [](TNotaItens& n) {
                    DoisItens(n);
                    n.Definir("vBC_W03", "301.01");
                  },
                  kGW03, "", 2},
        CasoTotal{"GW03_NT003_2012_300_51", vm50,
                  [](TNotaItens& n) {
                    DoisItens(n);
                    n.Definir("vBC_W03", "300.51");
                  },
                  kGW03, "", 2},
        // 100.10 + 200.20 against 301.30: exactly 1.00 apart.
        CasoTotal{"GW03_CentavosNoLimite", vm40,
                  [](TNotaItens& n) {
                    n.IrItem(1);
                    n.Definir("vBC_N15", "100.10");
                    n.Definir("vICMS_N17", "18.02");
                    DoisItens(n);
                    n.IrItem(2);
                    n.Definir("vBC_N15", "200.20");
                    n.Definir("vICMS_N17", "36.04");
                    n.RecalcularTotais();
                    n.Definir("vBC_W03", "301.30");
                  },
                  "", "", 2},
        // A deferred item's base stays out of the sum.
        CasoTotal{"GW03_Cst51ForaDaSoma", vm40,
                  [](TNotaItens& n) {
                    n.IrItem(2);
                    n.Definir("CST_N12", "51");
                    n.Definir("vICMS_N17", "0.00");
                    n.RecalcularTotais();
                    n.Definir("vBC_W03", "200.00");
                  },
                  kGW03, "GN17", 2},
        CasoTotal{"GW04_IsentoForaDaSoma", vm40,
                  [](TNotaItens& n) {
                    n.IrItem(2);
                    n.Definir("CST_N12", "40");
                    n.RecalcularTotais();
                  },
                  "", "", 2},
        CasoTotal{"GW07_ForaDoTotal", vm40,
                  [](TNotaItens& n) {
                    n.IrItem(2);
                    n.Definir("indTot_I17b", "0");
                    n.RecalcularTotais();
                    n.Definir("vProd_W07", "200.00");
                  },
                  Violacao("GW07", "564", "Rejeição: Total do Produto/Serviço difere do somatório dos itens", ""), "",
                  2},
        // An empty total counts as 0.
        CasoTotal{"GW08_TotalVazio080", vm40,
                  [](TNotaItens& n) {
                    n.Definir("vFrete_I15", "0.80");
                    n.Definir("vFrete_W08", "");
                  },
                  ""},
        CasoTotal{"GW08_TotalVazio120", vm40,
                  [](TNotaItens& n) {
                    n.Definir("vFrete_I15", "1.20");
                    n.Definir("vFrete_W08", "");
                  },
                  Violacao("GW08", "535", "Rejeição: Total do Frete difere do somatório dos itens", "")},
        // ISSQN items: vServ, the ISS base and tax, PIS and COFINS of services.
        CasoTotal{"GW18_ItemDeServico", vm50,
                  [](TNotaItens& n) {
                    IssqnCom(n, "vBC_U02", "vServ_W18", "100.51");
                  },
                  Violacao("GW18", "605",
                           "Rejeição: Total do vServ difere do somatório do vProd dos itens sujeito ao ISSQN",
                           "vProd_I11")},
        CasoTotal{"GW21_PisDeServico", vm50,
                  [](TNotaItens& n) { IssqnCom(n, "vBC_U02", "vPIS_W21", "2.16"); },
                  Violacao("GW21", "608", "Rejeição: Total do PIS difere do somatório dos itens sujeitos ao ISSQN",
                           "vPIS_Q09")},
        CasoTotal{"GW16_Limite", vm50a, [](TNotaItens& n) { n.Definir("vNF_W16", "101.00"); }, ""},
        CasoTotal{"GW16_UmCentavoAlem", vm50a, [](TNotaItens& n) { n.Definir("vNF_W16", "101.01"); }, kGW16},
        // The exonerated ICMS is taken off the note's total.
        CasoTotal{"GW16_IcmsDesonerado", vm50a,
                  [](TNotaItens& n) {
                    n.Definir("vICMSDeson_W04a", "10.00");
                    n.Definir("vNF_W16", "90.00");
                  },
                  ""},
        CasoTotal{"GW16_EntradaNaoConfere", vm50a,
                  [](TNotaItens& n) {
                    n.Definir("tpNF_B11", "0");
                    n.Definir("CFOP_I08", "1102");
                    n.Definir("vNF_W16", "150.00");
                  },
                  ""},
        // A direct sale of a vehicle leaves the ICMS-ST out of the total.
        CasoTotal{"GW16_VendaDiretaSemST", vm50a,
                  [](TNotaItens& n) {
                    n.Definir("vBCST_N21", "100.00");
                    n.Definir("vICMSST_N23", "5.00");
                    n.NovoRegistro("J");
                    n.Definir("tpOp_J02", "2");
                    n.RecalcularTotais();
                    n.Definir("vNF_W16", "100.00");
                  },
                  ""},
        CasoTotal{"GW16_VendaComST", vm50a,
                  [](TNotaItens& n) {
                    n.Definir("vBCST_N21", "100.00");
                    n.Definir("vICMSST_N23", "5.00");
                    n.RecalcularTotais();
                    n.Definir("vNF_W16", "100.00");
                  },
                  kGW16},
        CasoTotal{"GW16a_101", vm50a, [](TNotaItens& n) { Tributos(n, "10.00", "11.01"); },
                  Violacao("GW16a", "685", kMsgTotTrib, "vTotTrib_W16a")},
        CasoTotal{"GW16a_100", vm50a, [](TNotaItens& n) { Tributos(n, "10.00", "11.00"); }, ""},
        // A sum of zero is never compared.
        CasoTotal{"GW16a_SomaZero", vm50a, [](TNotaItens& n) { Tributos(n, "0.00", "99.00"); }, "", "GW16b"},
        CasoTotal{"GW16b_101", vm50, [](TNotaItens& n) { Tributos(n, "10.00", "11.01"); },
                  Violacao("GW16b", "685", kMsgTotTrib, "vTotTrib_W16a")},
        CasoTotal{"GW16b_100", vm50, [](TNotaItens& n) { Tributos(n, "10.00", "9.00"); }, ""},
        CasoTotal{"GW16b_TotalVazio", vm50, [](TNotaItens& n) { Tributos(n, "0.01", ""); },
                  Violacao("GW16b", "685", kMsgTotTrib, "vTotTrib_W16a")},
        CasoTotal{"GW22b_101", vm50a, [](TNotaItens& n) { IssqnCom(n, "vDeducao_U07", "vDeducao_W22b", "6.01"); },
                  Violacao("GW22b", "364", "Rejeição: Total do valor da dedução do ISS difere do somatório dos itens",
                           "vDeducao_W22b")},
        CasoTotal{"GW22b_100", vm50a, [](TNotaItens& n) { IssqnCom(n, "vDeducao_U07", "vDeducao_W22b", "6.00"); },
                  ""},
        CasoTotal{"GW22c_101", vm50a, [](TNotaItens& n) { IssqnCom(n, "vOutro_U08", "vOutro_W22c", "3.99"); },
                  Violacao("GW22c", "365", "Rejeição: Total de outras retenções difere do somatório dos itens",
                           "vOutro_W22c")},
        CasoTotal{"GW22c_100", vm50a, [](TNotaItens& n) { IssqnCom(n, "vOutro_U08", "vOutro_W22c", "4.00"); }, ""},
        CasoTotal{"GW22d_101", vm50a,
                  [](TNotaItens& n) { IssqnCom(n, "vDescIncond_U09", "vDescIncond_W22d", "6.01"); },
                  Violacao("GW22d", "366",
                           "Rejeição: Total do desconto incondicionado ISS difere do somatório dos itens",
                           "vDescIncond_W22d")},
        CasoTotal{"GW22d_100", vm50a,
                  [](TNotaItens& n) { IssqnCom(n, "vDescIncond_U09", "vDescIncond_W22d", "6.00"); }, ""},
        CasoTotal{"GW22e_101", vm50a, [](TNotaItens& n) { IssqnCom(n, "vDescCond_U10", "vDescCond_W22e", "6.01"); },
                  Violacao("GW22e", "367", "Rejeição: Total do desconto condicionado ISS difere do somatório dos itens",
                           "vDescCond_W22e")},
        CasoTotal{"GW22e_100", vm50a, [](TNotaItens& n) { IssqnCom(n, "vDescCond_U10", "vDescCond_W22e", "6.00"); },
                  ""},
        CasoTotal{"GW22f_101", vm50a, [](TNotaItens& n) { IssqnCom(n, "vISSRet_U11", "vISSRet_W22f", "6.01"); },
                  Violacao("GW22f", "368", "Rejeição: Total de ISS retido difere do somatório dos itens",
                           "vISSRet_W22f")},
        CasoTotal{"GW22f_100", vm50a, [](TNotaItens& n) { IssqnCom(n, "vISSRet_U11", "vISSRet_W22f", "6.00"); },
                  ""}),
    [](const auto& info) { return std::string(info.param.nome); });

// ---- The item loop and the base note ---------------------------------------------------

TEST(RulesItemLoop, ParaNoPrimeiroItemRuim) {
  TNotaItens nota(3);
  nota.IrItem(2);
  nota.Definir("cEAN_I03", "7891000000015");
  nota.IrItem(3);
  nota.Definir("cEAN_I03", "0");
  EXPECT_EQ(nota.Executar(vm50a), Violacao("GI03", "611", "Rejeição: cEAN inválido", "cEAN_I03"));
  // The loop stopped on the second item; the third was not examined.
  EXPECT_EQ(nota.Motor().DataSetPorNome("H").RecNo(), 2);
}

TEST(RulesItemLoop, NotaBaseDeTresItensPassaNosTresConjuntos) {
  for (const TVersaoManual versao : {vm40, vm50, vm50a}) {
    TNotaItens nota(3);
    EXPECT_EQ(nota.Executar(versao), "") << VersaoManualParaTexto(versao);
    EXPECT_TRUE(nota.Motor().DataSetPorNome("H").Eof());
  }
}

// Every rule of these groups checks that it has a dataset before reading,
// also GX04.1, GZA01 and GZA01.1.
TEST(RulesItems, SemDataSetCadaRegraRecusa) {
  for (const TxndNFeRuleDef* def : {&RegraGX04_1, &RegraGZA01, &RegraGZA01_1, &RegraGI08, &RegraGW03,
                                    &RegraGW16_NT005_2013, &RegraGW16a, &RegraGU01, &RegraGN16_04}) {
    const auto regra = def->Criar(*def, def->FieldName, vm50a);
    try {
      regra->Validar();
      ADD_FAILURE() << def->Classe;
    } catch (const ExndNFeRuleException& e) {
      EXPECT_EQ(e.Message(), "DataSet não configurado para validação da NFe.") << def->Classe;
    }
  }
}

}  // namespace
}  // namespace xnd

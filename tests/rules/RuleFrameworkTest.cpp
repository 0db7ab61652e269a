// The rule framework: the base notes pass their sets, the violation message,
// the controller's choice of set, the exceptions list, the run order and the
// emptied list, the item loop, the missing dataset, ConverterValor and the
// day count of the date rules.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/files.h"
#include "tests/rules/RuleTestControl.h"
#include "tests/rules/RuleTestNotes.h"
#include "types/xndNFeExceptions.h"

namespace xnd {
namespace {

using test::RuleTestNote;

TEST(RuleBaseNotes, EachManualsBaseNotePassesItsWholeSetAndTheNormalisingSet) {
  for (const TVersaoManual versao : {vm40, vm50, vm50a}) {
    RuleTestNote nota(versao, 2);
    EXPECT_EQ(nota.Executar(1), "") << VersaoManualParaTexto(versao);
    EXPECT_EQ(nota.Executar(0), "") << VersaoManualParaTexto(versao);
    EXPECT_EQ(nota.Get("cNF_B03"), "12345678");
    EXPECT_EQ(nota.Get("CNPJ_E02"), test::CnpjDestinatario);
  }
}

TEST(RuleViolation, MessageNamesRuleCodeTextAndFieldAndIsARuleException) {
  RuleTestNote nota(vm50a);
  nota.Set("IE_C17", "");
  TxndControllerRulesNFe controle;
  controle.SetDataSet(&nota.Motor());
  controle.SetVersaoEsquema(pl_008a);
  controle.SetRelogio(test::RelogioFixo(test::HoraDosTestes()));
  try {
    controle.ExecutarRegras(1);
    FAIL() << "sem violação";
  } catch (const ExndNFeRuleException& e) {
    EXPECT_EQ(e.Message(), "[GC17]: 229 - Rejeição: IE do Emitente não informada.\r\nVerifique o Campo: IE_C17");
  }
}

// A rule that writes its name to a journal and fails when told to.
class RegraEspia : public TxndNFeRule {
 public:
  RegraEspia(std::string aNome, std::vector<std::string>& aDiario, bool aFalhar = false)
      : TxndNFeRule(std::move(aNome), "campo_X01", "999", "Rejeição: espiã"), FDiario(aDiario), FFalhar(aFalhar) {}
  std::string ClassName() const override { return "TxndNFeEspia"; }
  void Validar() override {
    FDiario.push_back(Name());
    if (FFalhar) Rejeitar();
  }

 private:
  std::vector<std::string>& FDiario;
  bool FFalhar;
};

// A controller whose four loaders load spies named after the loader.
class ControleEspiao : public test::ControleDeTeste {
 public:
  std::vector<std::string> Diario;

 protected:
  void CarregarRegrasVarno() override { Regras().push_back(std::make_unique<RegraEspia>("Varno", Diario)); }
  void CarregarRegras40() override { Regras().push_back(std::make_unique<RegraEspia>("40", Diario)); }
  void CarregarRegras50() override { Regras().push_back(std::make_unique<RegraEspia>("50", Diario)); }
  void CarregarRegras50a() override { Regras().push_back(std::make_unique<RegraEspia>("50a", Diario)); }
};

TEST(RuleController, ModeAndSchemaChooseTheSet) {
  struct Caso {
    int Modo;
    TVersaoEsquema Esquema;
    std::vector<std::string> Rodadas;
  };
  const Caso casos[] = {
      {0, pl_008a, {"Varno"}}, {1, pl_006e, {"40"}}, {1, pl_006j, {"40"}}, {1, pl_006m, {"50"}},
      {1, pl_006s, {"50"}},    {1, pl_008a, {"50a"}}, {1, pl_005a, {}},    {1, pl_005f, {}},
      {2, pl_008a, {}},        {-1, pl_008a, {}},
  };
  for (const Caso& caso : casos) {
    ControleEspiao controle;
    controle.SetVersaoEsquema(caso.Esquema);
    controle.ExecutarRegras(caso.Modo);
    EXPECT_EQ(controle.Diario, caso.Rodadas) << caso.Modo << " " << int(caso.Esquema);
  }
}

TEST(RuleController, UnmappedSchemaRaisesBeforeAnyRule) {
  ControleEspiao controle;
  controle.SetVersaoEsquema(static_cast<TVersaoEsquema>(17));
  EXPECT_THROW(controle.ExecutarRegras(1), ExndNFeVersaoManualException);
  EXPECT_TRUE(controle.Diario.empty());
  EXPECT_TRUE(controle.Regras().empty());
}

TEST(RuleController, ExceptionsListMatchesNamesAsSubstringsCaseIncluded) {
  struct Caso {
    std::string Excecoes;
    std::vector<std::string> Rodadas;
  };
  const Caso casos[] = {
      {"", {"GB12", "GB12.1", "GE17", "", "GE1"}},
      // GB12 is inside GB12.1, GE1 inside GE17; the empty name is never excepted.
      {"GB12.1;GE17", {""}},
      {"gb12.1", {"GB12", "GB12.1", "GE17", "", "GE1"}},
      {"xGE17x", {"GB12", "GB12.1", ""}},
      {"GB12", {"GB12.1", "GE17", "", "GE1"}},
  };
  for (const Caso& caso : casos) {
    test::ControleDeTeste controle;
    std::vector<std::string> diario;
    for (const char* nome : {"GB12", "GB12.1", "GE17", "", "GE1"})
      controle.Regras().push_back(std::make_unique<RegraEspia>(nome, diario));
    TxndXMLDataSetNFe motor;
    controle.SetDataSet(&motor);
    controle.SetExcecoesDeRegras(caso.Excecoes);
    controle.ValidarRegras();
    EXPECT_EQ(diario, caso.Rodadas) << caso.Excecoes;
    // Every rule is given the engine, the excepted ones too.
    for (const auto& regra : controle.Regras()) EXPECT_EQ(regra->DataSet(), &motor) << regra->Name();
  }
}

TEST(RuleController, FirstViolationEndsTheRunAndTheListIsEmptied) {
  RuleTestNote nota(vm50a);
  // The loader is replaced by three spies, the second failing.
  struct Carga : ControleEspiao {
    void CarregarRegras50a() override {
      for (const auto& [nome, falha] : {std::pair{"R1", false}, {"R2", true}, {"R3", false}})
        Regras().push_back(std::make_unique<RegraEspia>(nome, Diario, falha));
    }
  } carga;
  carga.SetVersaoEsquema(pl_008a);
  carga.SetDataSet(&nota.Motor());
  try {
    carga.ExecutarRegras(1);
    FAIL() << "sem violação";
  } catch (const ExndNFeRuleException& e) {
    EXPECT_EQ(e.Message(), "[R2]: 999 - Rejeição: espiã.\r\nVerifique o Campo: campo_X01");
  }
  EXPECT_EQ(carga.Diario, (std::vector<std::string>{"R1", "R2"}));
  EXPECT_TRUE(carga.Regras().empty());
  // A run that passes empties the list as well.
  carga.Diario.clear();
  carga.ExecutarRegras(0);
  EXPECT_EQ(carga.Diario, (std::vector<std::string>{"Varno"}));
  EXPECT_TRUE(carga.Regras().empty());
}

TEST(RuleController, WithoutADataSetEachSetStopsAtItsFirstRule) {
  for (const int modo : {0, 1}) {
    TxndControllerRulesNFe controle;
    controle.SetVersaoEsquema(pl_008a);
    try {
      controle.ExecutarRegras(modo);
      FAIL() << "sem exceção no modo " << modo;
    } catch (const ExndNFeRuleException& e) {
      EXPECT_EQ(e.Message(), "DataSet não configurado para validação da NFe.");
    }
  }
}

// An item rule failing on the item whose product is aProduto.
class RegraItemEspia : public TxndNFeTemplateItem {
 public:
  RegraItemEspia(std::vector<std::string>& aDiario, std::string aProduto)
      : TxndNFeTemplateItem("GI99", "cProd_I02", "", "Rejeição: item"), FDiario(aDiario), FProduto(aProduto) {}
  std::string ClassName() const override { return "TxndNFeGI99"; }
  bool ValidarItem() override {
    FDiario.push_back(FItens->FieldByName("cProd_I02").AsString());
    return FDiario.back() != FProduto;
  }

 private:
  std::vector<std::string>& FDiario;
  std::string FProduto;
};

TEST(RuleItemLoop, StopsAtTheFirstFailingItemAndOtherwiseLeavesHPastItsEnd) {
  RuleTestNote nota(vm50a, 3);
  std::vector<std::string> diario;
  test::ControleDeTeste controle;
  controle.SetDataSet(&nota.Motor());
  controle.Regras().push_back(std::make_unique<RegraItemEspia>(diario, "P2"));
  try {
    controle.ValidarRegras();
    FAIL() << "sem violação";
  } catch (const ExndNFeRuleException& e) {
    EXPECT_EQ(e.Message(), "[GI99]:  - Rejeição: item.\r\nVerifique o Campo: cProd_I02");
  }
  EXPECT_EQ(diario, (std::vector<std::string>{"P1", "P2"}));

  diario.clear();
  controle.Regras().clear();
  controle.Regras().push_back(std::make_unique<RegraItemEspia>(diario, "none"));
  controle.ValidarRegras();
  EXPECT_EQ(diario, (std::vector<std::string>{"P1", "P2", "P3"}));
  EXPECT_TRUE(nota.Motor().DataSetPorNome("H").Eof());
}

TEST(RuleController, GroupWalksLeaveNREFPastItsLastRecord) {
  RuleTestNote nota(vm50);
  nota.Incluir("NREF", {{"refNFe_B13", test::ChaveReferenciada("7")}});
  nota.Incluir("NREF", {{"refNFe_B13", test::ChaveReferenciada("8")}});
  EXPECT_EQ(nota.Executar(), "");
  EXPECT_TRUE(nota.Motor().DataSetPorNome("NREF").Eof());
}

TEST(RuleAmounts, ConverterValorReadsTheFirstPointAsTheDecimalSeparator) {
  struct Caso {
    const char* Texto;
    long double Valor;
  };
  for (const Caso& caso : {Caso{"12,50", 12.5L}, {"12.50", 12.5L}, {"", 0.0L}, {"7", 7.0L}, {"-0.25", -0.25L},
                           {" 3.5 ", 3.5L}, {"1E3", 1000.0L}}) {
    EXPECT_EQ(ConverterValor(caso.Texto), caso.Valor) << caso.Texto;
  }
  for (const char* texto : {"1.234,56", "1.234.56", "abc", ",", "1e", "12.5x"}) {
    try {
      ConverterValor(texto);
      ADD_FAILURE() << texto;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + StringReplace(texto, ".", ",", false) + "' is not a valid floating point value")
          << texto;
    }
  }
}

TEST(RuleClock, DaysBetweenNowAndADateAreWholeLocalDaysWithoutSign) {
  using namespace std::chrono;
  const auto dia = [](int a, unsigned m, unsigned d) { return year_month_day{year{a} / m / d}; };
  const TxndDataHoraLocal dezHoras = test::HoraDosTestes();
  const TxndDataHoraLocal meiaNoite = time_point_cast<milliseconds>(local_days{dia(2026, 12, 10)});
  EXPECT_EQ(DiasEntre(dezHoras, dia(2026, 11, 10)), 30);
  EXPECT_EQ(DiasEntre(dezHoras + hours{13}, dia(2026, 11, 10)), 30);
  EXPECT_EQ(DiasEntre(meiaNoite, dia(2026, 11, 9)), 31);
  EXPECT_EQ(DiasEntre(dezHoras, dia(2027, 1, 10)), 30);
  EXPECT_EQ(DiasEntre(meiaNoite, dia(2027, 1, 10)), 31);
  EXPECT_EQ(DiasEntre(dezHoras, dia(2027, 1, 11)), 31);
  // Across a change of summer time the local calendar still counts whole days.
  EXPECT_EQ(DiasEntre(time_point_cast<milliseconds>(local_days{dia(2018, 11, 4)}) + hours{12}, dia(2018, 10, 5)),
            30);
}

// The rules' default clock reads the issuer's local wall clock, not UTC.
TEST(RuleClock, DefaultClockIsTheLocalWallClock) {
  using namespace std::chrono;
  if (!FileExists("/usr/share/zoneinfo/America/Sao_Paulo")) GTEST_SKIP() << "tzdata ausente";
  sys_time<milliseconds> utc;
  TxndDataHoraLocal local;
  {
    test::ScopedEnv tz("TZ", "America/Sao_Paulo");
    tzset();
    utc = time_point_cast<milliseconds>(system_clock::now());
    local = RelogioLocal();
  }
  tzset();
  const auto diferenca = local.time_since_epoch() - (utc.time_since_epoch() - hours{3});
  EXPECT_LT(abs(duration_cast<milliseconds>(diferenca).count()), 2000);
}

}  // namespace
}  // namespace xnd

// Base notes of the rule tests: one valid note per manual version (4.0, 5.0,
// 5.0a), entered through the shipped dictionary as an application enters it,
// that passes the whole rule set of its version under the fixed test clock.
//
// Use:
//   test::RuleTestNote nota(vm50a);            // one item; RuleTestNote(vm40, 3) for three
//   nota.Set("UF_E12", "EX");                  // a mutation (current record, not posted)
//   nota.Incluir("NREF", {{"refNFe_B13", ...}}); // a record appended and posted
//   EXPECT_EQ(nota.Executar(), "[GE02]: ...");   // "" when the set passes
//   nota.Executar(1, "GB12.1;GE17");           // with an exceptions list
// Executar runs TxndControllerRulesNFe (mode 1 by default) with the schema of
// the note's version and the clock fixed at HoraDosTestes(); a violation
// (ExndNFeRuleException) comes back as its message, any other exception
// passes to the test.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datasets/xndXMLDataSetNFe.h"
#include "rules/xndNFeRules.h"
#include "tests/support/TempDir.h"

namespace xnd::test {

// 10/12/2026 10:00:00 local: the date the base notes are issued the day before.
TxndDataHoraLocal HoraDosTestes();
// A clock that always reads aHora.
TxndRelogio RelogioFixo(TxndDataHoraLocal aHora);
// The schema version that selects the set of a manual: pl_006j (4.0),
// pl_006s (5.0), pl_008a (5.0a).
TVersaoEsquema EsquemaDoManual(TVersaoManual aVersao);
// "NFe" followed by the 44-digit key of the base notes' issuer for these values.
std::string IdNFe(const std::string& aData, const std::string& aNNF = "1", const std::string& aMod = "55",
                  const std::string& aTpEmis = "1");
// A valid 44-digit key of another note of the issuer (model aMod, UF aCUF).
std::string ChaveReferenciada(const std::string& aNNF, const std::string& aMod = "55",
                              const std::string& aCUF = "35", const std::string& aCNPJ = "11222333000181");

// Valid documents of the base notes.
inline constexpr const char* CnpjEmitente = "11222333000181";
inline constexpr const char* CnpjDestinatario = "11444777000161";
inline constexpr const char* CpfValido = "11144477735";

using Valores = std::vector<std::pair<std::string, std::string>>;

class RuleTestNote {
 public:
  explicit RuleTestNote(TVersaoManual aVersao, int aItens = 1);
  ~RuleTestNote();
  RuleTestNote(const RuleTestNote&) = delete;
  RuleTestNote& operator=(const RuleTestNote&) = delete;

  TxndXMLDataSetNFe& Motor() { return *FMotor; }
  TVersaoManual Versao() const { return FVersao; }
  // Writes a field of the current record of the group that holds it (the
  // record is put in edit mode when browsing); not posted, so a value the
  // dictionary refuses can be tried.
  void Set(std::string_view aCampo, const std::string& aValor);
  std::string Get(std::string_view aCampo);
  // Appends a record to aGrupo (a detail of the current master record),
  // writes the values and posts it.
  void Incluir(std::string_view aGrupo, const Valores& aValores);
  // Runs the controller: the message of the violation, or "" when none.
  std::string Executar(int aModo = 1, const std::string& aExcecoes = "");

 private:
  void Preencher(int aItens);

  TempDir FTemp;
  std::unique_ptr<TxndXMLDataSetNFe> FMotor;
  TVersaoManual FVersao;
};

}  // namespace xnd::test

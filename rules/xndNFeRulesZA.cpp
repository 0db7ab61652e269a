// Rules of group ZA: the place where exported goods leave the country.
#include "rules/xndNFeRulesItens.h"

namespace xnd {

XND_NFE_REGRA(GZA01);
XND_NFE_DEF_REGRA(GZA01, "GZA01", "", "355", "Rejeição: Informar o local de saída do Pais no caso da exportação");

void TxndNFeGZA01::Validar() {
  TxndNFeRule::Validar();
  if (Campo("tpNF_B11") != "1" || Campo("idDest_B11a") != "3") return;
  if (Campo("UFSaidaPais_ZA02").empty() && Campo("xLocExporta_ZA03").empty() && Campo("xLocDespacho_ZA04").empty()) {
    Rejeitar();
  }
}

XND_NFE_REGRA(GZA01_1);
XND_NFE_DEF_REGRA(GZA01_1, "GZA01.1", "", "356",
                  "Rejeição: Informar o local de saída do Pais somente no caso da exportação");

void TxndNFeGZA01_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("tpNF_B11") != "0" && Campo("idDest_B11a") == "3") return;
  if (!Campo("UFSaidaPais_ZA02").empty() || !Campo("xLocExporta_ZA03").empty() ||
      !Campo("xLocDespacho_ZA04").empty()) {
    Rejeitar();
  }
}

}  // namespace xnd

// The year of the access key.
#include <chrono>
#include <string>

#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(J02_c_NT003_2012);
XND_NFE_DEF_REGRA(J02_c_NT003_2012, "J02c", "", "615",
                  "Rejeição: Chave de Acesso inválida (Ano < 06 ou Ano maior que Ano corrente).");

// Characters 6 and 7 of ID_A03 ("NFe", the state code, then the year) are the
// key's year: from 06 up to the current year (the clock's local year).
void TxndNFeJ02_c_NT003_2012::Validar() {
  TxndNFeRule::Validar();
  const int anoChave = StrToInt(Utf8Copy(Campo("ID_A03"), 6, 2));
  const std::chrono::year_month_day hoje{std::chrono::floor<std::chrono::days>(Agora())};
  const int anoCorrente = static_cast<int>(hoje.year()) % 100;
  if (anoChave > anoCorrente || anoChave < 6) Rejeitar();
}

}  // namespace xnd

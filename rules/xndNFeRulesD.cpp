// Rules of group D, the tax authority's own group.
#include <string>

#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(GD01);
XND_NFE_DEF_REGRA(GD01, "GD01", "", "403",
                  "Rejeição: O grupo de informações da NF-e avulsa é de uso exclusivo do Fisco");

// Group D belongs to the tax authority: a note never fills it.
void TxndNFeGD01::Validar() {
  TxndNFeRule::Validar();
  if (GrupoPreenchido("D")) Rejeitar();
}

}  // namespace xnd

// Rules of group Y: the invoice and its installments (DUP).
#include "rules/xndNFeRulesItens.h"

namespace xnd {

XND_NFE_REGRA_ITEM(GY01);
XND_NFE_DEF_REGRA(GY01, "GY01", "", "", "Número de ocorrências do Grupo da Duplicata maior que 120");

bool TxndNFeGY01::ValidarItem() { return Registros(Grupo("DUP")) <= 120; }

}  // namespace xnd

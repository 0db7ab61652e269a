// Rules of group Q: PIS of the item.
#include "rules/xndNFeRulesItens.h"

namespace xnd {

XND_NFE_REGRA_ITEM(GQ01_2);
XND_NFE_DEF_REGRA(GQ01_2, "GQ01_2", "", "745", "Rejeição: NF-e sem grupo do PIS");

bool TxndNFeGQ01_2::ValidarItem() {
  for (const char* campo : {"CST_Q06", "CST_Q02", "vBC_Q07", "pPIS_Q08", "vPIS_Q09", "qBCProd_Q10", "vAliqProd_Q11"}) {
    if (!Campo(campo).empty()) return true;
  }
  return false;
}

}  // namespace xnd

// Rules of group S: COFINS of the item.
#include "rules/xndNFeRulesItens.h"

namespace xnd {

XND_NFE_REGRA_ITEM(GS01_2);
XND_NFE_DEF_REGRA(GS01_2, "GS01_2", "", "748", "Rejeição: NF-e sem grupo do COFINS");

bool TxndNFeGS01_2::ValidarItem() {
  for (const char* campo : {"CST_S06", "vBC_S07", "pCOFINS_S08", "qBCProd_S09", "vAliqProd_S10", "vCOFINS_S11"}) {
    if (!Campo(campo).empty()) return true;
  }
  return false;
}

}  // namespace xnd

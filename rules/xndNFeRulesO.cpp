// Rules of group O: IPI of the item.
#include "platform/text.h"
#include "rules/xndNFeRulesItens.h"
#include "datasets/xndXMLDataSetNFe.h"

namespace xnd {

XND_NFE_REGRA_ITEM(GO07);
XND_NFE_DEF_REGRA(GO07, "GO07", "", "529", "Rejeição: NCM de informação obrigatória para produto tributado pelo IPI");

bool TxndNFeGO07::ValidarItem() {
  const std::string cst = CampoDe(Grupo("O"), "CST_O09");
  if (cst != "00" && cst != "49" && cst != "50" && cst != "99") return true;
  return Utf8Length(Campo("NCM_I05")) == 8;
}

}  // namespace xnd

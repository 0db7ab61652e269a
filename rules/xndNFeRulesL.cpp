// Rules of group L: fuel (L1) and paper under RECOPI (L2) details of the item.
#include "datasets/xndXMLDataSetNFe.h"
#include "rules/xndNFeRulesConst.h"
#include "rules/xndNFeRulesItens.h"

namespace xnd {

XND_NFE_REGRA_ITEM(GL101_NT003_2012);
XND_NFE_DEF_REGRA(GL101_NT003_2012, "GL101", "", "660",
                  "Rejeição: CFOP de Combustível e não informado grupo de combustível da NF-e.");

bool TxndNFeGL101_NT003_2012::ValidarItem() {
  if (!ContemCodigo(kCfopCombustivel, CampoDe(*FItens, "CFOP_I08"))) return true;
  return !CampoDe(Grupo("L1"), "cProdANP_L102").empty();
}

XND_NFE_REGRA_ITEM(GL102a);
XND_NFE_DEF_REGRA(GL102a, "GL102a", "pMixGN_L102a", "461",
                  "Rejeição: Informado percentual de Gás Natural na mistura para produto diferente de GLP");

bool TxndNFeGL102a::ValidarItem() {
  if (Campo("cProdANP_L102") == "210203001") return true;
  return Campo("pMixGN_L102a").empty();
}

XND_NFE_REGRA_ITEM(GL109_1);
XND_NFE_DEF_REGRA(GL109_1, "GL109_1", "nRECOPI_L109", "349", "Rejeição: Número RECOPI não informado");

bool TxndNFeGL109_1::ValidarItem() {
  if (Campo("CST_N12") != "41" && Campo("CSOSN_N12a") != "300") return true;
  if (!ContemCodigo(kNcmPapel, Campo("NCM_I05"))) return true;
  return !Campo("nRECOPI_L109").empty();
}

}  // namespace xnd

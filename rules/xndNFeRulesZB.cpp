// Rules of group ZB: purchases by public bodies.
#include "datasets/xndXMLDataSetNFe.h"
#include "rules/xndNFeRulesItens.h"

namespace xnd {

XND_NFE_REGRA_NOTA(GZB02);
XND_NFE_DEF_REGRA(GZB02, "GZB02", "xNEmp_ZB02", "359",
                  "Rejeição: NF-e de venda a Órgão Público sem informa a Nota de Empenho");

// A sale to a public body (an item exempted with motDesICMS_N28 "8") needs
// the commitment note; every item is looked at.
void TxndNFeGZB02::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& icms = Grupo("N");
  bool orgaoPublico = false;
  ParaCadaItem([&] {
    orgaoPublico = orgaoPublico || CampoDe(icms, "motDesICMS_N28") == "8";
    return true;
  });
  if (orgaoPublico && Campo("xNEmp_ZB02").empty()) Rejeitar();
}

}  // namespace xnd

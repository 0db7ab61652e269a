// Rules of group U: ISSQN of the items.
#include "datasets/xndXMLDataSetNFe.h"
#include "rules/xndNFeRulesItens.h"

namespace xnd {

// Both rules look at every item, not at whichever item happens to be current.

XND_NFE_REGRA_NOTA(GU01);
XND_NFE_DEF_REGRA(GU01, "GU01", "", "530",
                  "Rejeição: Operação com tributação de ISSQN sem informar a Inscrição Municipal");

void TxndNFeGU01::Validar() {
  TxndNFeRule::Validar();
  bool issqn = false;
  ParaCadaItem([&] {
    issqn = issqn || GrupoPreenchido("U");
    return true;
  });
  if (issqn && Campo("IM_C19").empty()) Rejeitar();
}

XND_NFE_REGRA_NOTA(GU05);
XND_NFE_DEF_REGRA(GU05, "GU05", "cMunFG_U05", "287",
                  "Rejeição: Código do município de ocorrência do fato gerador do ISSQN");

void TxndNFeGU05::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& issqn = Grupo("U");
  ParaCadaItem([&] {
    const std::string municipio = CampoDe(issqn, "cMunFG_U05");
    if (!municipio.empty() && !ValidarCodigoMunicipio(municipio)) Rejeitar();
    return true;
  });
}

}  // namespace xnd

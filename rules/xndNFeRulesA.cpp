// Rules of group A: the access key of the note.
#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(GA03);
XND_NFE_DEF_REGRA(GA03, "GA03", "ID_A03", "502",
                  "Rejeição: Erro na Chave de Acesso - Campo ID não corresponde à concatenação dos campos "
                  "correspondentes");

// The key of ID_A03 (its "NFe" prefix dropped) decoded by the rule's manual:
// its check digit must be cDV_B23.
void TxndNFeGA03::Validar() {
  TxndNFeRule::Validar();
  const TxndDecodeChaveNFe chave = Decodificar(Utf8Copy(Campo("ID_A03"), 4, 44));
  if (chave.cDV != Campo("cDV_B23")) Rejeitar();
}

}  // namespace xnd

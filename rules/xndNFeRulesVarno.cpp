// The normalising rules: they adjust the recipient and the identification
// before the XML is generated and never raise a violation.
#include <string>

#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(Varno1);
XND_NFE_REGRA(Varno2);
XND_NFE_REGRA(Varno3);
XND_NFE_REGRA(Varno4);
XND_NFE_DEF_REGRA(Varno1, "Varno1", "", "", "");
XND_NFE_DEF_REGRA(Varno2, "Varno2", "", "", "");
XND_NFE_DEF_REGRA(Varno3, "Varno3", "", "", "");
XND_NFE_DEF_REGRA(Varno4, "Varno4", "", "", "");

// A recipient abroad has no CNPJ and its CPF left out of the XML.
void TxndNFeVarno1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("UF_E12") == "EX") {
    AtribuirCampo("CNPJ_E02", "");
    AtribuirCampo("CPF_E03", "NULL");
  }
}

// A recipient with a CPF has its CNPJ left out of the XML.
void TxndNFeVarno2::Validar() {
  TxndNFeRule::Validar();
  if (InformadoNaoNulo(Campo("CPF_E03"))) AtribuirCampo("CNPJ_E02", "NULL");
}

// A note without its numeric code takes its number.
void TxndNFeVarno3::Validar() {
  TxndNFeRule::Validar();
  const std::string codigo = Campo("cNF_B03");
  if (codigo.empty() || codigo == "0") AtribuirCampo("cNF_B03", Campo("nNF_B08"));
}

void TxndNFeVarno4::Validar() {
  TxndNFeRule::Validar();
  if (Campo("verProc_B27").empty()) AtribuirCampo("verProc_B27", "1.0");
}

}  // namespace xnd

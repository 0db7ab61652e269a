// Rules of group G, the delivery place.
#include <string>

#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(GG02);
XND_NFE_DEF_REGRA(GG02, "GG02", "CNPJ_G02", "514",
                  "Rejeição: CNPJ do local de Entrega inválido");

XND_NFE_REGRA(GG02_a);
XND_NFE_DEF_REGRA(GG02_a, "GG02a", "CPF_G02a", "541",
                  "Rejeição: CPF do local de Entrega inválido");

XND_NFE_REGRA(GG07);
XND_NFE_DEF_REGRA(GG07, "GG07", "cMun_G07", "515",
                  "Rejeição: Código Município do Local de Entrega deve ser 9999999 para UF = EX");

XND_NFE_REGRA(GG07_1);
XND_NFE_DEF_REGRA(GG07_1, "GG07.1", "cMun_G07", "278",
                  "Rejeição: Código Município do Local de Entrega: dígito inválido");

XND_NFE_REGRA(GG07_2);
XND_NFE_DEF_REGRA(GG07_2, "GG07.2", "cMun_G07", "279",
                  "Rejeição: Código do Município do Local de Entrega difere da UF do Local de Entrega");

void TxndNFeGG02::Validar() {
  TxndNFeRule::Validar();
  const std::string cnpj = Campo("CNPJ_G02");
  if (InformadoNaoNulo(cnpj) && !CNPJValido(cnpj)) Rejeitar();
}

void TxndNFeGG02_a::Validar() {
  TxndNFeRule::Validar();
  const std::string cpf = Campo("CPF_G02a");
  if (InformadoNaoNulo(cpf) && !CPFValido(cpf)) Rejeitar();
}

// A place abroad has the municipality 9999999.
void TxndNFeGG07::Validar() {
  TxndNFeRule::Validar();
  if (Campo("UF_G09") == "EX" && Campo("cMun_G07") != "9999999") Rejeitar();
}

void TxndNFeGG07_1::Validar() {
  TxndNFeRule::Validar();
  const std::string uf = Campo("UF_G09");
  if (Informado(uf) && UpperCase(uf) != "EX" && !MunicipioValido(Campo("cMun_G07"))) Rejeitar();
}

// The municipality's first two digits are its state's code. A place abroad
// (UF "EX", municipality 9999999, which GG07 checks) has no state code and
// is not compared.
void TxndNFeGG07_2::Validar() {
  TxndNFeRule::Validar();
  const std::string municipio = Campo("cMun_G07");
  const std::string uf = Campo("UF_G09");
  if (Informado(municipio) && UpperCase(uf) != "EX" && Utf8Copy(municipio, 1, 2) != CodigoUF(uf)) Rejeitar();
}

}  // namespace xnd

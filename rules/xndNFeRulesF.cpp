// Rules of group F, the pick-up place.
#include <string>

#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(GF02);
XND_NFE_DEF_REGRA(GF02, "GF02", "CNPJ_F02", "512",
                  "Rejeição: CNPJ do local de Retirada inválido");

XND_NFE_REGRA(GF02_a);
XND_NFE_DEF_REGRA(GF02_a, "GF02a", "CPF_F02a", "540",
                  "Rejeição: CPF do local de Retirada inválido");

XND_NFE_REGRA(GF07);
XND_NFE_DEF_REGRA(GF07, "GF07", "cMun_F07", "513",
                  "Rejeição: Código Município do Local de Retirada deve ser 9999999 para UF = EX");

XND_NFE_REGRA(GF07_1);
XND_NFE_DEF_REGRA(GF07_1, "GF07.1", "cMun_F07", "276",
                  "Rejeição: Código Município do Local de Retirada: dígito inválido");

XND_NFE_REGRA(GF07_2);
XND_NFE_DEF_REGRA(GF07_2, "GF07.2", "cMun_F07", "277",
                  "Rejeição: Código do Município do Local de Retirada difere da UF do Local de Retirada");

void TxndNFeGF02::Validar() {
  TxndNFeRule::Validar();
  const std::string cnpj = Campo("CNPJ_F02");
  if (InformadoNaoNulo(cnpj) && !CNPJValido(cnpj)) Rejeitar();
}

void TxndNFeGF02_a::Validar() {
  TxndNFeRule::Validar();
  const std::string cpf = Campo("CPF_F02a");
  if (InformadoNaoNulo(cpf) && !CPFValido(cpf)) Rejeitar();
}

// A place abroad has the municipality 9999999.
void TxndNFeGF07::Validar() {
  TxndNFeRule::Validar();
  if (Campo("UF_F09") == "EX" && Campo("cMun_F07") != "9999999") Rejeitar();
}

void TxndNFeGF07_1::Validar() {
  TxndNFeRule::Validar();
  const std::string uf = Campo("UF_F09");
  if (Informado(uf) && UpperCase(uf) != "EX" && !MunicipioValido(Campo("cMun_F07"))) Rejeitar();
}

// The municipality's first two digits are its state's code. A place abroad
// (UF "EX", municipality 9999999, which GF07 checks) has no state code and
// is not compared.
void TxndNFeGF07_2::Validar() {
  TxndNFeRule::Validar();
  const std::string municipio = Campo("cMun_F07");
  const std::string uf = Campo("UF_F09");
  if (Informado(municipio) && UpperCase(uf) != "EX" && Utf8Copy(municipio, 1, 2) != CodigoUF(uf)) Rejeitar();
}

}  // namespace xnd

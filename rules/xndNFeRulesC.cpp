// Rules of group C, the issuer.
#include <string>

#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(GC02);
XND_NFE_DEF_REGRA(GC02, "GC02", "CNPJ_C02", "207",
                  "Rejeição: CNPJ do emitente inválido");

XND_NFE_REGRA(GC02_a);
XND_NFE_DEF_REGRA(GC02_a, "GC02a", "CPF_C02a", "407",
                  "Rejeição: O CPF só pode ser informado no campo emitente para a NF-e avulsa");

XND_NFE_REGRA(GC02_a1);
XND_NFE_DEF_REGRA(GC02_a1, "GC02a.1", "CPF_C02a", "401",
                  "Rejeição: CPF do remetente inválido");

XND_NFE_REGRA(GC10);
XND_NFE_DEF_REGRA(GC10, "GC10", "cMun_C10", "272",
                  "Rejeição: Código Município deo emitente: Dígito inválido");

XND_NFE_REGRA(GC10_1);
XND_NFE_DEF_REGRA(GC10_1, "GC10.1", "cMun_C10", "273",
                  "Rejeição: Código Município do Emitente difere da UF do emitente");

XND_NFE_REGRA(GC17);
XND_NFE_DEF_REGRA(GC17, "GC17", "IE_C17", "229",
                  "Rejeição: IE do Emitente não informada");

void TxndNFeGC02::Validar() {
  TxndNFeRule::Validar();
  const std::string cnpj = Campo("CNPJ_C02");
  if (Informado(cnpj) && !CNPJValido(cnpj)) Rejeitar();
}

// Only the tax authority's own notes are issued by a CPF.
void TxndNFeGC02_a::Validar() {
  TxndNFeRule::Validar();
  if (Informado(Campo("CPF_C02a"))) Rejeitar();
}

void TxndNFeGC02_a1::Validar() {
  TxndNFeRule::Validar();
  const std::string cpf = Campo("CPF_C02a");
  if (Informado(cpf) && !CPFValido(cpf)) Rejeitar();
}

void TxndNFeGC10::Validar() {
  TxndNFeRule::Validar();
  if (!MunicipioValido(Campo("cMun_C10"))) Rejeitar();
}

void TxndNFeGC10_1::Validar() {
  TxndNFeRule::Validar();
  if (Utf8Copy(Campo("cMun_C10"), 1, 2) != Campo("cUF_B02")) Rejeitar();
}

void TxndNFeGC17::Validar() {
  TxndNFeRule::Validar();
  if (!Informado(Campo("IE_C17"))) Rejeitar();
}

}  // namespace xnd

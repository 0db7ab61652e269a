// Rules of group X: the carrier.
#include "datasets/xndXMLDataSetNFe.h"
#include "rules/xndNFeRulesConst.h"
#include "rules/xndNFeRulesItens.h"

namespace xnd {

XND_NFE_REGRA(GX04);
XND_NFE_DEF_REGRA(GX04, "GX04", "CNPJ_X04", "542", "Rejeição: CNPJ do transportador inválido");

void TxndNFeGX04::Validar() {
  TxndNFeRule::Validar();
  const std::string cnpj = Campo("CNPJ_X04");
  if (!cnpj.empty() && !CNPJValido(cnpj)) Rejeitar();
}

XND_NFE_REGRA_NOTA(GX04_1);
XND_NFE_DEF_REGRA(GX04_1, "GX04.1", "CNPJ_X04", "362", "Rejeição: Venda de combustível sem informação do Transportador");

// A note with any fuel-sale item needs a carrier with a valid document.
void TxndNFeGX04_1::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& itens = Grupo("I");
  bool combustivel = false;
  ParaCadaItem([&] {
    combustivel = combustivel || ContemCodigo(kCfopVendaCombustivel, CampoDe(itens, "CFOP_I08"));
    return true;
  });
  if (!combustivel) return;
  const std::string cnpj = Campo("CNPJ_X04");
  const std::string cpf = Campo("CPF_X05");
  if (cnpj.empty() && cpf.empty()) Rejeitar();
  if (!cnpj.empty() && !CNPJValido(cnpj)) Rejeitar();
  if (!cpf.empty() && !CPFValido(cpf)) Rejeitar();
}

XND_NFE_REGRA(GX05);
XND_NFE_DEF_REGRA(GX05, "GX05", "CPF_X05", "543", "Rejeição: CPF do transportador inválido");

void TxndNFeGX05::Validar() {
  TxndNFeRule::Validar();
  const std::string cpf = Campo("CPF_X05");
  if (!cpf.empty() && !CPFValido(cpf)) Rejeitar();
}

XND_NFE_REGRA(GX07);
XND_NFE_DEF_REGRA(GX07, "GX07", "UF_X10", "559", "Rejeição: UF do Transportador não informada");

void TxndNFeGX07::Validar() {
  TxndNFeRule::Validar();
  if (!Campo("IE_X07").empty() && Campo("UF_X10").empty()) Rejeitar();
}

XND_NFE_REGRA(GX17);
XND_NFE_DEF_REGRA(GX17, "GX17", "cMunFG_X17", "288",
                  "Rejeição: Código do município do FG - Transporte: dígito inválido");

void TxndNFeGX17::Validar() {
  TxndNFeRule::Validar();
  const std::string municipio = Campo("cMunFG_X17");
  if (!municipio.empty() && !ValidarCodigoMunicipio(municipio)) Rejeitar();
}

}  // namespace xnd

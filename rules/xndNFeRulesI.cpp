// Rules of group I: the item's product data, its CFOP, and the import (DI,
// ADI) and export (DETEXPORT, EXPORTIND) details of the item.
#include <array>
#include <string_view>

#include "datasets/xndXMLDataSetNFe.h"
#include "platform/text.h"
#include "rules/xndNFeRulesConst.h"
#include "rules/xndNFeRulesItens.h"

namespace xnd {

namespace {

bool Um(const std::string& aTexto, std::initializer_list<std::string_view> aValores) {
  for (const std::string_view valor : aValores) {
    if (aTexto == valor) return true;
  }
  return false;
}

}  // namespace

XND_NFE_REGRA_ITEM(GI01);
XND_NFE_DEF_REGRA(GI01, "GI01", "", "", "Número de ocorrências da Declaração de Importação maior que 100");

bool TxndNFeGI01::ValidarItem() { return Registros(Grupo("DI")) <= 100; }

XND_NFE_REGRA_ITEM(GI03);
XND_NFE_DEF_REGRA(GI03, "GI03", "cEAN_I03", "611", "Rejeição: cEAN inválido");

bool TxndNFeGI03::ValidarItem() { return ValidarGTIN(CampoDe(*FItens, "cEAN_I03")); }

XND_NFE_REGRA_ITEM(GI05_1);
XND_NFE_DEF_REGRA(GI05_1, "GI05.1", "NCM_I05", "793", "Rejeição: Informado Capítulo do NCM inexistente");

bool TxndNFeGI05_1::ValidarItem() {
  const std::string ncm = Campo("NCM_I05");
  return !(Utf8Length(ncm) == 2 && Um(ncm, {"77", "98", "99"}));
}

XND_NFE_REGRA_ITEM(GI08);
XND_NFE_DEF_REGRA(GI08, "GI08", "CFOP_I08", "518", "Rejeição: CFOP de entrada para NF-e de saída");

bool TxndNFeGI08::ValidarItem() {
  if (Campo("tpNF_B11") != "1") return true;
  return !Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"1", "2", "3"});
}

XND_NFE_REGRA_ITEM(GI08_1);
XND_NFE_DEF_REGRA(GI08_1, "GI08.1", "CFOP_I08", "519", "Rejeição: CFOP de saída para NF-e de entrada");

bool TxndNFeGI08_1::ValidarItem() {
  if (Campo("tpNF_B11") != "0") return true;
  return !Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"5", "6", "7"});
}

XND_NFE_REGRA_ITEM(GI08_2);
XND_NFE_DEF_REGRA(GI08_2, "GI08.2", "CFOP_I08", "520",
                  "Rejeição: CFOP de operação com exterior e UF destinatário difere de EX");

bool TxndNFeGI08_2::ValidarItem() {
  if (!Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"3", "7"})) return true;
  return Campo("UF_E12") == "EX";
}

XND_NFE_REGRA_ITEM(GI08_3);
XND_NFE_DEF_REGRA(GI08_3, "GI08.3", "CFOP_I08", "521",
                  "Rejeição: CFOP de Operação Estadual e UF do emitente difere da UF do destinatário para "
                  "destinatário contribuinte do ICMS");

bool TxndNFeGI08_3::ValidarItem() {
  const std::string ufEmitente = Campo("UF_C12");
  return !(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")) == "5" && Campo("UF_E12") != ufEmitente &&
           !Campo("IE_E17").empty() && Campo("UFCons_L120") != ufEmitente && Campo("modFrete_X02") != "9");
}

XND_NFE_REGRA_ITEM(GI08_4);
XND_NFE_DEF_REGRA(GI08_4, "GI08.4", "CFOP_I08", "522",
                  "Rejeição: CFOP de Operação Estadual e UF emitente difere UF destinatário");

// As GI08.3 for an entry: the other party's IE (IE_E17) says it is an ICMS
// contributor. The issuer's own IE_C17 is always informed and could not tell.
bool TxndNFeGI08_4::ValidarItem() {
  const std::string ufEmitente = Campo("UF_C12");
  return !(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")) == "1" && Campo("UF_E12") != ufEmitente &&
           !Campo("IE_E17").empty() && Campo("UFCons_L120") != ufEmitente);
}

XND_NFE_REGRA_ITEM(GI08_5);
XND_NFE_DEF_REGRA(GI08_5, "GI08.5", "CFOP_I08", "523",
                  "Rejeição: CFOP não é de Operação Estadual e UF emitente igual UF destinatário");

bool TxndNFeGI08_5::ValidarItem() {
  if (Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"1", "5"})) return true;
  return Campo("UF_E12") != Campo("UF_C12");
}

XND_NFE_REGRA_ITEM(GI08_6);
XND_NFE_DEF_REGRA(GI08_6, "GI08.6", "CFOP_I08", "524",
                  "Rejeição: CFOP de operação com Exterior e não informado NCM completo");

bool TxndNFeGI08_6::ValidarItem() {
  if (!Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"3", "7"})) return true;
  return Utf8Length(Campo("NCM_I05")) == 8;
}

XND_NFE_REGRA_ITEM(GI08_7);
XND_NFE_DEF_REGRA(GI08_7, "GI08.7", "CFOP_I08", "525", "Rejeição: CFOP de importação e não informado dados da DI");

bool TxndNFeGI08_7::ValidarItem() {
  if (Registros(Grupo("DI")) != 0) return true;
  return PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")) != "3";
}

XND_NFE_REGRA_ITEM(GI08_8);
XND_NFE_DEF_REGRA(GI08_8, "GI08.8", "CFOP_I08", "526", "Rejeição: CFOP de Exportação e não informado Local de Embarque");

bool TxndNFeGI08_8::ValidarItem() {
  if (PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")) != "7") return true;
  return !Campo("UFEmbarq_ZA02").empty() && !Campo("xLocEmbarq_ZA03").empty();
}

XND_NFE_REGRA_ITEM(GI08_9);
XND_NFE_DEF_REGRA(GI08_9, "GI08.9", "CFOP_I08", "731", "Rejeição: CFOP de operação com Exterior e idDest <> 3");

bool TxndNFeGI08_9::ValidarItem() {
  if (!Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"3", "7"})) return true;
  return Campo("idDest_B11a") == "3";
}

XND_NFE_REGRA_ITEM(GI08_10);
XND_NFE_DEF_REGRA(GI08_10, "GI08.10", "CFOP_I08", "732", "Rejeição: CFOP de operação interestadual e idDest <> 2");

bool TxndNFeGI08_10::ValidarItem() {
  if (!Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"2", "6"})) return true;
  return Campo("idDest_B11a") == "2";
}

XND_NFE_REGRA_ITEM(GI08_11);
XND_NFE_DEF_REGRA(GI08_11, "GI08.11", "CFOP_I08", "733", "Rejeição: CFOP de operação interna e idDest <> 1");

bool TxndNFeGI08_11::ValidarItem() {
  if (!Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"1", "5"})) return true;
  return Campo("idDest_B11a") == "1";
}

XND_NFE_REGRA_ITEM(GI08_12);
XND_NFE_DEF_REGRA(GI08_12, "GI08.12", "CFOP_I08", "327", "Rejeição: CFOP inválido para NF-e com finalidade de devolução");

bool TxndNFeGI08_12::ValidarItem() {
  if (Campo("finNFe_B25") != "4") return true;
  return ContemCodigo(kCfopDevolucao, CampoDe(*FItens, "CFOP_I08"));
}

XND_NFE_REGRA_ITEM(GI08_13);
XND_NFE_DEF_REGRA(GI08_13, "GI08.13", "CFOP_I08", "328",
                  "Rejeição: CFOP de devolução para NF-e que não tem finalidade de devolução");

bool TxndNFeGI08_13::ValidarItem() {
  if (Campo("finNFe_B25") == "4") return true;
  return !ContemCodigo(kCfopDevolucao, CampoDe(*FItens, "CFOP_I08"));
}

XND_NFE_REGRA_ITEM(GI12);
XND_NFE_DEF_REGRA(GI12, "GI12", "cEANTrib_I12", "612", "Rejeição: cEANTrib inválido");

bool TxndNFeGI12::ValidarItem() { return ValidarGTIN(CampoDe(*FItens, "cEANTrib_I12")); }

XND_NFE_REGRA_ITEM(GI18);
XND_NFE_DEF_REGRA(GI18, "GI18", "", "", "Número de ocorrências das Adições maior que 100");

// The additions hang under each DI of the item: every DI is looked at.
bool TxndNFeGI18::ValidarItem() {
  TXmlDataSetNFe& adicoes = Grupo("ADI");
  return TodosRegistros(Grupo("DI"), [&] { return Registros(adicoes) <= 100; });
}

// The import rules below look at every DI of the item, not only the first.

XND_NFE_REGRA_ITEM(GI23_b);
XND_NFE_DEF_REGRA(GI23_b, "GI23.b", "vAFRMM_I23b", "330",
                  "Rejeição: Informar o Valor da AFRMM na importação por via marítima");

bool TxndNFeGI23_b::ValidarItem() {
  TXmlDataSetNFe& di = Grupo("DI");
  return TodosRegistros(di, [&] {
    return !(CampoDe(di, "tpViaTransp_I23a") == "1" && CampoDe(di, "vAFRMM_I23b").empty());
  });
}

XND_NFE_REGRA_ITEM(GI23_d);
XND_NFE_DEF_REGRA(GI23_d, "GI23.d", "CNPJ_I23d", "331",
                  "Rejeição: Informar o CNPJ do adquirente ou do encomendante nesta forma de importação");

bool TxndNFeGI23_d::ValidarItem() {
  TXmlDataSetNFe& di = Grupo("DI");
  return TodosRegistros(di, [&] {
    return !(CampoDe(di, "CNPJ_I23d").empty() && Um(CampoDe(di, "tpIntermedio_I23c"), {"2", "3"}));
  });
}

XND_NFE_REGRA_ITEM(GI23_e);
XND_NFE_DEF_REGRA(GI23_e, "GI23.e", "UFTerceiro_I23e", "333",
                  "Rejeição: Informar a UF do adquirente ou do encomendante nesta forma de importação");

bool TxndNFeGI23_e::ValidarItem() {
  TXmlDataSetNFe& di = Grupo("DI");
  return TodosRegistros(di, [&] {
    return !(CampoDe(di, "UFTerceiro_I23e").empty() && Um(CampoDe(di, "tpIntermedio_I23c"), {"2", "3"}));
  });
}

XND_NFE_REGRA_ITEM(GI23d_1);
XND_NFE_DEF_REGRA(GI23d_1, "GI23d.1", "CNPJ_I23d", "332",
                  "Rejeição: CNPJ do adquirente ou do encomendante da importação inválido");

bool TxndNFeGI23d_1::ValidarItem() {
  TXmlDataSetNFe& di = Grupo("DI");
  return TodosRegistros(di, [&] {
    const std::string cnpj = CampoDe(di, "CNPJ_I23d");
    return cnpj.empty() || CNPJValido(cnpj);
  });
}

XND_NFE_REGRA_ITEM(GI29_a);
XND_NFE_DEF_REGRA(GI29_a, "GI29.a", "nDraw_I29a", "334",
                  "Rejeição: Número do processo de drawback não informado na importação");

bool TxndNFeGI29_a::ValidarItem() {
  if (!Campo("nDraw_I29a").empty()) return true;
  return !Um(CampoDe(*FItens, "CFOP_I08"), {"3127", "3211"});
}

XND_NFE_REGRA_ITEM(GI50);
XND_NFE_DEF_REGRA(GI50, "GI50", "detExport_I50", "336",
                  "Rejeição: Informado o grupo de exportação no item para CFOP que não é de exportação");

// What the message says: an export group on an item whose CFOP is not of a
// foreign operation ("3" or "7"). An item without export group passes.
bool TxndNFeGI50::ValidarItem() {
  if (Registros(Grupo("DETEXPORT")) == 0) return true;
  return Um(PrimeiroCaractere(CampoDe(*FItens, "CFOP_I08")), {"3", "7"});
}

XND_NFE_REGRA_ITEM(GI50_1);
XND_NFE_DEF_REGRA(GI50_1, "GI50.1", "detExport_I50", "337", "Rejeição: Não informado o grupo de exportação no item");

bool TxndNFeGI50_1::ValidarItem() {
  if (Registros(Grupo("DETEXPORT")) != 0) return true;
  return !Um(CampoDe(*FItens, "CFOP_I08"), {"3127", "3211", "3503", "7127", "7211", "7501"});
}

XND_NFE_REGRA_ITEM(GI51);
XND_NFE_DEF_REGRA(GI51, "GI51", "nDraw_I51", "338",
                  "Rejeição: Número do processo de drawback não informado na exportação");

bool TxndNFeGI51::ValidarItem() {
  if (!Campo("nDraw_I51").empty()) return true;
  return !Um(CampoDe(*FItens, "CFOP_I08"), {"7127", "7211"});
}

XND_NFE_REGRA_ITEM(GI52);
XND_NFE_DEF_REGRA(GI52, "GI52", "exportInd_I52", "340", "Rejeição: Não informado o grupo de exportação indireta no item");

bool TxndNFeGI52::ValidarItem() {
  if (Registros(Grupo("EXPORTIND")) != 0) return true;
  return !Um(CampoDe(*FItens, "CFOP_I08"), {"3503", "7501"});
}

// The indirect-export keys hang under each export group of the item: every
// one is looked at.

XND_NFE_REGRA_ITEM(GI54);
XND_NFE_DEF_REGRA(GI54, "GI54", "chNFe_I54", "342",
                  "Rejeição: Chave de Acesso informada na Exportação Indireta com DV inválido");

bool TxndNFeGI54::ValidarItem() {
  TXmlDataSetNFe& indireta = Grupo("EXPORTIND");
  return TodosRegistros(Grupo("DETEXPORT"), [&] {
    const std::string chave = CampoDe(indireta, "chNFe_I54");
    return chave.empty() || DigitoChaveValido(chave);
  });
}

XND_NFE_REGRA_ITEM(GI54_1);
XND_NFE_DEF_REGRA(GI54_1, "GI54.1", "chNFe_I54", "343",
                  "Rejeição: Modelo da NF-e informada na Exportação Indireta diferente de 55");

bool TxndNFeGI54_1::ValidarItem() {
  TXmlDataSetNFe& indireta = Grupo("EXPORTIND");
  return TodosRegistros(Grupo("DETEXPORT"), [&] {
    const std::string chave = CampoDe(indireta, "chNFe_I54");
    return chave.empty() || Utf8Copy(chave, 21, 2) == "55";
  });
}

}  // namespace xnd

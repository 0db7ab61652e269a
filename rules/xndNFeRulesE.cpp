// Rules of group E, the recipient.
#include <string>

#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(GE01);
XND_NFE_DEF_REGRA(GE01, "GE01", "", "719",
                  "Rejeição: NF-e sem a identificação do destinatário");

XND_NFE_REGRA(GE02);
XND_NFE_DEF_REGRA(GE02, "GE02", "CNPJ_E02", "507",
                  "Rejeição: O CNPJ do Destinatário/remetente não deve ser informado em operação com o exterior");

XND_NFE_REGRA(GE02_1);
XND_NFE_DEF_REGRA(GE02_1, "GE02.1", "CNPJ_E02", "508",
                  "Rejeição: O CNPJ com conteúdo nulo só é válido em operação com exterior");

XND_NFE_REGRA(GE02_2);
XND_NFE_DEF_REGRA(GE02_2, "GE02.2", "CNPJ_E02", "208",
                  "Rejeição: CNPJ do destinatário inválido");

XND_NFE_REGRA(GE03);
XND_NFE_DEF_REGRA(GE03, "GE03", "CPF_E03", "237",
                  "Rejeição: CPF do destinatário inválido");

XND_NFE_REGRA(GE03a);
XND_NFE_DEF_REGRA(GE03a, "GE03a", "idEstrangeiro_E03a", "720",
                  "Rejeição: Na operação com Exterior deve ser informada tag idEstrangeiro");

XND_NFE_REGRA(GE03a_1);
XND_NFE_DEF_REGRA(GE03a_1, "GE03a.1", "idEstrangeiro_E03a", "721",
                  "Rejeição: Operação interestadual deve informar CNPJ ou CPF");

XND_NFE_REGRA(GE03a_2);
XND_NFE_DEF_REGRA(GE03a_2, "GE03a.2", "indPres_B25b", "722",
                  "Rejeição: Operação interna com idEstrangeiro informado deve ser presencial");

XND_NFE_REGRA(GE03a_3);
XND_NFE_DEF_REGRA(GE03a_3, "GE03a.3", "idEstrangeiro_E03a", "723",
                  "Rejeição: Operação interna com idEstrangeiro informado deve ser para consumidor final");

XND_NFE_REGRA(GE04);
XND_NFE_DEF_REGRA(GE04, "GE04", "xNome_E04", "724",
                  "Rejeição: NF-e sem o nome do destinatário");

XND_NFE_REGRA(GE10);
XND_NFE_DEF_REGRA(GE10, "GE10", "cMun_E10", "274",
                  "Rejeição: Código do Município do Destinatário: dígito inválido");

XND_NFE_REGRA(GE10_1);
XND_NFE_DEF_REGRA(GE10_1, "GE10.1", "cMun_E10", "275",
                  "Rejeição: Código do Município do Destinatário difere da UF do destinatário");

XND_NFE_REGRA(GE10_2);
XND_NFE_DEF_REGRA(GE10_2, "GE10.2", "cMun_E10", "509",
                  "Rejeição: Informado Código do Município Diferente de 9999999 para operação com exterior");

XND_NFE_REGRA(GE10_2_NT005_2013);
XND_NFE_DEF_REGRA(GE10_2_NT005_2013, "GE10.2", "cMun_E10", "509",
                  "Rejeição: Informado Código do Município Diferente de 9999999 para operação com exterior");

XND_NFE_REGRA(GE12);
XND_NFE_DEF_REGRA(GE12, "GE12", "UF_E12", "727",
                  "Rejeição: Operação com Exterior e UF diferente de EX");

XND_NFE_REGRA(GE12_1);
XND_NFE_DEF_REGRA(GE12_1, "GE12.1", "UF_C12", "771",
                  "Rejeição: Operação Interestadual e UF de destino com EX");

XND_NFE_REGRA(GE12_2);
XND_NFE_DEF_REGRA(GE12_2, "GE12.2", "UF_C12", "772",
                  "Rejeição: Operação Interestadual e UF de destino igual à UF do emitente");

XND_NFE_REGRA(GE12_3);
XND_NFE_DEF_REGRA(GE12_3, "GE12.3", "UF_C12", "773",
                  "Rejeição: Operação Interna e UF de destino difere da UF do emitente");

XND_NFE_REGRA(GE14);
XND_NFE_DEF_REGRA(GE14, "GE14", "cPais_E14", "510",
                  "Rejeição: Operação com Exterior e Código País destinatário é 1058 (Brasil) ou não informado");

XND_NFE_REGRA(GE14_1);
XND_NFE_DEF_REGRA(GE14_1, "GE14.1", "cPais_E14", "511",
                  "Rejeição: Não é de Operação com Exterior e Código País destinatário difere de 1058(Brasil)");

XND_NFE_REGRA(GE14_1_NT005_2013);
XND_NFE_DEF_REGRA(GE14_1_NT005_2013, "GE14.1", "cPais_E14", "511",
                  "Rejeição: Não é de Operação com Exterior e Código País destinatário difere de 1058(Brasil)");

XND_NFE_REGRA(GE14_NT005_2013);
XND_NFE_DEF_REGRA(GE14_NT005_2013, "GE14", "cPais_E14", "510",
                  "Rejeição: Operação com Exterior e Código País destinatário é 1058 (Brasil) ou não informado");

XND_NFE_REGRA(GE16a);
XND_NFE_DEF_REGRA(GE16a, "GE16.a", "indIEDest_E16a", "790",
                  "Rejeição: Operação com Exterior para destinatário Contribuinte de ICMS");

XND_NFE_REGRA(GE17);
XND_NFE_DEF_REGRA(GE17, "GE17", "IE_E17", "210",
                  "Rejeição: IE do Destinatário inválida");

XND_NFE_REGRA(GE17_1);
XND_NFE_DEF_REGRA(GE17_1, "GE17.1", "IE_E17", "728",
                  "Rejeição: NF-e sem informação da IE do destinatário");

XND_NFE_REGRA(GE17_2);
XND_NFE_DEF_REGRA(GE17_2, "GE17.2", "IE_E17", "791",
                  "Rejeição: NF-e com indicação de destinatário isentode IE, com a informação da IE do destinatário");

XND_NFE_REGRA(GE17_3);
XND_NFE_DEF_REGRA(GE17_3, "GE17.3", "IE_E17", "792",
                  "Rejeição: Informada a IE do destinatário para operação com destinatário no Exterior");

void TxndNFeGE01::Validar() {
  TxndNFeRule::Validar();
  if (Registros(Grupo("E")) == 0) Rejeitar();
}

void TxndNFeGE02::Validar() {
  TxndNFeRule::Validar();
  if (Campo("UF_E12") == "EX" && Informado(Campo("CNPJ_E02"))) Rejeitar();
}

// A recipient in Brazil is identified by its CNPJ, its CPF or, for a foreign
// buyer of an operation inside the country, its idEstrangeiro (always empty
// before layout 3.10).
void TxndNFeGE02_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("UF_E12") != "EX" && !Informado(Campo("CNPJ_E02")) && !Informado(Campo("CPF_E03")) &&
      !Informado(Campo("idEstrangeiro_E03a"))) {
    Rejeitar();
  }
}

void TxndNFeGE02_2::Validar() {
  TxndNFeRule::Validar();
  const std::string cnpj = Campo("CNPJ_E02");
  if (InformadoNaoNulo(cnpj) && !CNPJValido(cnpj)) Rejeitar();
}

void TxndNFeGE03::Validar() {
  TxndNFeRule::Validar();
  const std::string cpf = Campo("CPF_E03");
  if (InformadoNaoNulo(cpf) && !CPFValido(cpf)) Rejeitar();
}

void TxndNFeGE03a::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "3" && !Informado(Campo("idEstrangeiro_E03a"))) Rejeitar();
}

void TxndNFeGE03a_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "2" && Informado(Campo("idEstrangeiro_E03a"))) Rejeitar();
}

// An internal operation with a foreign buyer is made in person (indPres 1).
void TxndNFeGE03a_2::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "1" && Informado(Campo("idEstrangeiro_E03a")) && Campo("indPres_B25b") != "1") {
    Rejeitar();
  }
}

// An internal operation with a foreign buyer is made to a final consumer (indFinal 1).
void TxndNFeGE03a_3::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "1" && Informado(Campo("idEstrangeiro_E03a")) && Campo("indFinal_B25a") != "1") {
    Rejeitar();
  }
}

void TxndNFeGE04::Validar() {
  TxndNFeRule::Validar();
  if (!Informado(Campo("xNome_E04"))) Rejeitar();
}

void TxndNFeGE10::Validar() {
  TxndNFeRule::Validar();
  if (UpperCase(Campo("UF_E12")) != "EX" && !MunicipioValido(Campo("cMun_E10"))) Rejeitar();
}

void TxndNFeGE10_1::Validar() {
  TxndNFeRule::Validar();
  const std::string uf = Campo("UF_E12");
  if (uf != "EX" && Utf8Copy(Campo("cMun_E10"), 1, 2) != CodigoUF(uf)) Rejeitar();
}

void TxndNFeGE10_2::Validar() {
  TxndNFeRule::Validar();
  if (Campo("UF_E12") == "EX" && Campo("cMun_E10") != "9999999") Rejeitar();
}

void TxndNFeGE10_2_NT005_2013::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "3" && Campo("cMun_E10") != "9999999") Rejeitar();
}

void TxndNFeGE12::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "3" && Campo("UF_E12") != "EX") Rejeitar();
}

void TxndNFeGE12_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "2" && Campo("UF_E12") == "EX") Rejeitar();
}

void TxndNFeGE12_2::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "2" && UpperCase(Campo("UF_E12")) == UpperCase(Campo("UF_C12"))) Rejeitar();
}

void TxndNFeGE12_3::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "1" && UpperCase(Campo("UF_E12")) != UpperCase(Campo("UF_C12"))) Rejeitar();
}

void TxndNFeGE14::Validar() {
  TxndNFeRule::Validar();
  const std::string pais = Campo("cPais_E14");
  if (Campo("UF_E12") == "EX" && (pais == "1058" || pais.empty())) Rejeitar();
}

void TxndNFeGE14_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("UF_E12") != "EX" && Campo("cPais_E14") != "1058") Rejeitar();
}

void TxndNFeGE14_1_NT005_2013::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") != "3" && Campo("cPais_E14") != "1058") Rejeitar();
}

void TxndNFeGE14_NT005_2013::Validar() {
  TxndNFeRule::Validar();
  const std::string pais = Campo("cPais_E14");
  if (Campo("idDest_B11a") == "3" && (pais == "1058" || pais.empty())) Rejeitar();
}

void TxndNFeGE16a::Validar() {
  TxndNFeRule::Validar();
  if (Campo("idDest_B11a") == "3" && Campo("indIEDest_E16a") != "9") Rejeitar();
}

void TxndNFeGE17::Validar() {
  TxndNFeRule::Validar();
  const std::string ie = Campo("IE_E17");
  if (Campo("UF_E12") == "EX" && Informado(ie) && ie != "ISENTO") Rejeitar();
}

void TxndNFeGE17_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("indIEDest_E16a") == "1" && !Informado(Campo("IE_E17"))) Rejeitar();
}

void TxndNFeGE17_2::Validar() {
  TxndNFeRule::Validar();
  if (Campo("indIEDest_E16a") == "2" && Informado(Campo("IE_E17"))) Rejeitar();
}

void TxndNFeGE17_3::Validar() {
  TxndNFeRule::Validar();
  if (Informado(Campo("IE_E17")) && Campo("UF_E12") == "EX") Rejeitar();
}

}  // namespace xnd

// Rules of group B, the identification of the note, and of its referenced
// documents (group NREF).
#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "datasets/xndXMLDataSetNFe.h"
#include "platform/text.h"
#include "rules/xndNFeRulesCatalogo.h"

namespace xnd {

XND_NFE_REGRA(GB06);
XND_NFE_DEF_REGRA(GB06, "GB06", "mod_B06", "765",
                  "Rejeição: Lote só poderá conter NF-e ou NFC-e");

XND_NFE_REGRA(GB06_1);
XND_NFE_DEF_REGRA(GB06_1, "GB06.1", "mod_B06", "450",
                  "Rejeição: Modelo da NF-e diferente de 55");

XND_NFE_REGRA(GB07);
XND_NFE_DEF_REGRA(GB07, "GB07", "serie_B07", "266",
                  "Rejeição: Série utilizada fora da faixa permitida no WebService (0-899)");

XND_NFE_REGRA(GB09);
XND_NFE_DEF_REGRA(GB09, "GB09.1", "dEmi_B09", "228",
                  "Rejeição: Data de Emissão muito atrasada");

XND_NFE_REGRA(GB09_1_NT003_2012);
XND_NFE_DEF_REGRA(GB09_1_NT003_2012, "GB09.1", "dEmi_B09", "228",
                  "Rejeição: Data de Emissão muito atrasada");

XND_NFE_REGRA(GB10_2);
XND_NFE_DEF_REGRA(GB10_2, "GB10.2", "dSaiEnt_B10", "506",
                  "Rejeição: Data de Saída menor que a Data de Emissão");

XND_NFE_REGRA(GB10_3);
XND_NFE_DEF_REGRA(GB10_3, "GB10.3", "dhSaiEnt_B10", "506",
                  "Rejeição: Data de Saída menor que a Data de Emissão");

XND_NFE_REGRA(GB10a);
XND_NFE_DEF_REGRA(GB10a, "GB10a", "hSaiEnt_B10a", "NT 2011.004 (Item 2.1)",
                  "Rejeição: Hora Saída (hSaiEnt_B10a) não pode ser informada sem sua respectiva Data de Saída (dSaiEnt_B10)");

XND_NFE_REGRA(GB12);
XND_NFE_DEF_REGRA(GB12, "GB12", "cMunFG_B12", "270",
                  "Rejeição: Código Município do fato gerador: dígito inválido");

XND_NFE_REGRA(GB12_1);
XND_NFE_DEF_REGRA(GB12_1, "GB12.1", "cMunFG_B12", "271",
                  "Rejeição: Código do Município do Fato Gerador difere da UF do Emitente");

XND_NFE_REGRA(GB13);
XND_NFE_DEF_REGRA(GB13, "GB13", "refNFe_B13", "547",
                  "Rejeição: Dígito Verificador da Chave de Acesso da NF-e Referenciada inválido.");

XND_NFE_REGRA(GB13a_NT003_2013);
XND_NFE_DEF_REGRA(GB13a_NT003_2013, "GB13a", "refNFe_B13", "679",
                  "Rejeição: Modelo da NF-e referenciada diferente de 55");

XND_NFE_REGRA(GB13b_NT003_2013);
XND_NFE_DEF_REGRA(GB13b_NT003_2013, "GB13b", "refNFe_B13", "680",
                  "Rejeição: Duplicidade de NF-e referenciada (Chave de Acesso referenciada mais de uma vez)");

XND_NFE_REGRA(GB17);
XND_NFE_DEF_REGRA(GB17, "GB17", "CNPJ_B17", "548",
                  "Rejeição: CNPJ da NF Referenciada inválido");

XND_NFE_REGRA(GB20_NT003_2013);
XND_NFE_DEF_REGRA(GB20_NT003_2013, "GB20", "refNF_B20", "681",
                  "Rejeição: Duplicidade de NF Modelo 1 referenciada (CNPJ, Modelo, Série e Número)");

XND_NFE_REGRA(GB20d);
XND_NFE_DEF_REGRA(GB20d, "GB20d", "CNPJ_B20d", "549",
                  "Rejeição: CNPJ da NF Referenciada de produtor inválido");

XND_NFE_REGRA(GB20e);
XND_NFE_DEF_REGRA(GB20e, "GB20e", "CPF_B20e", "550",
                  "Rejeição: CPF da NF Referenciada de produtor inválido");

XND_NFE_REGRA(GB20ha_NT003_2013);
XND_NFE_DEF_REGRA(GB20ha_NT003_2013, "GB20ha", "refNFP_B20ha", "682",
                  "Rejeição: Duplicidade de NF de Produtor referenciada (IE, Modelo, Série e Número)");

XND_NFE_REGRA(GB20i);
XND_NFE_DEF_REGRA(GB20i, "GB20i", "refCTe_B20i", "552",
                  "Rejeição: Dígito Verificador da Chave de Acesso do CT-e Referenciado inválido.");

XND_NFE_REGRA(GB20ia_NT003_2013);
XND_NFE_DEF_REGRA(GB20ia_NT003_2013, "GB20ia", "refCTe_B20i", "683",
                  "Rejeição: Modelo do CT-e referenciado diferente de 57");

XND_NFE_REGRA(GB20m_NT003_2013);
XND_NFE_DEF_REGRA(GB20m_NT003_2013, "GB20m", "refECF_B20m", "684",
                  "Rejeição: Duplicidade de Cupom Fiscal referenciado (Modelo, Número de Ordem e COO)");

XND_NFE_REGRA(GB22);
XND_NFE_DEF_REGRA(GB22, "GB22", "tpEmis_B22", "556",
                  "Rejeição: Justificativa de entrada em Contingencia não deve ser informado para tipo de emissão Normal");

XND_NFE_REGRA(GB22_1);
XND_NFE_DEF_REGRA(GB22_1, "GB22.1", "tpEmis_B22", "557",
                  "Rejeição: A Justificativa de entrada em Contingência deve ser informada");

XND_NFE_REGRA(GB23);
XND_NFE_DEF_REGRA(GB23, "GB23", "cDV_B23", "253",
                  "Rejeição: Dígito Verificador da chave de acesso composta inválida");

XND_NFE_REGRA(GB25);
XND_NFE_DEF_REGRA(GB25, "GB25", "finNFe_B25", "254",
                  "Rejeição: NF-e complementar não possui NF referenciada");

XND_NFE_REGRA(GB25_1);
XND_NFE_DEF_REGRA(GB25_1, "GB25.1", "finNFe_B25", "255",
                  "Rejeição: NF-e complementar possui mais de uma NF referenciada");

XND_NFE_REGRA(GB25_2);
XND_NFE_DEF_REGRA(GB25_2, "GB25.2", "finNFe_B25", "269",
                  "Rejeição: CNPJ Emitente da NF Complementar difere do CNPJ da NF Referenciada");

XND_NFE_REGRA(GB25_3);
XND_NFE_DEF_REGRA(GB25_3, "GB25.3", "finNFe_B25", "321",
                  "Rejeição:  NF-e  de  devolução  não  possui  documento fiscal referenciado");

XND_NFE_REGRA(GB25_3_NT003_2013);
XND_NFE_DEF_REGRA(GB25_3_NT003_2013, "GB25.3", "retNFe_B13 ou cUF_B15", "678",
                  "Rejeição: NF referenciada com UF diferente da NF-e complementar");

XND_NFE_REGRA(GB25_4);
XND_NFE_DEF_REGRA(GB25_4, "GB25.4", "finNfe_B25", "322",
                  "Rejeição:  NF-e  de  devolução  com  mais  de  um documento fiscal referenciado");

XND_NFE_REGRA(GB25b);
XND_NFE_DEF_REGRA(GB25b, "GB25b", "indPres_B25b", "794",
                  "Rejeição: NF-e com indicativo de NFC-e com entrega a domicílio");

XND_NFE_REGRA(GB26);
XND_NFE_DEF_REGRA(GB26, "GB26", "procEmi_B26", "451",
                  "Rejeição: Processo de Emissão informado inválido");

XND_NFE_REGRA(GB26_1);
XND_NFE_DEF_REGRA(GB26_1, "GB26.1", "procEmi_B26", "370",
                  "Rejeição: Nota Fiscal Avulsa com tipo de emissão inválido");

XND_NFE_REGRA(GB28);
XND_NFE_DEF_REGRA(GB28, "GB28", "dhCont_B28", "558",
                  "Rejeição: Data de entrada em contingência posterior a data de emissão");

namespace {

// The entries of the referenced documents seen so far; an entry repeats
// only when it equals a whole earlier entry.
class TEntradasVistas {
 public:
  // False when aEntrada was already seen; otherwise keeps it.
  bool Registrar(const std::string& aEntrada) {
    if (std::find(FEntradas.begin(), FEntradas.end(), aEntrada) != FEntradas.end()) return false;
    FEntradas.push_back(aEntrada);
    return true;
  }

 private:
  std::vector<std::string> FEntradas;
};

// The fields of a record joined with "#".
std::string Juntar(const TClientDataSet& aGrupo, std::initializer_list<const char*> aCampos) {
  std::string entrada;
  bool primeiro = true;
  for (const char* campo : aCampos) {
    if (!primeiro) entrada += '#';
    entrada += aGrupo.FieldByName(campo).AsString();
    primeiro = false;
  }
  return entrada;
}

}  // namespace

void TxndNFeGB06::Validar() {
  TxndNFeRule::Validar();
  const std::string modelo = Campo("mod_B06");
  if (modelo != "55" && modelo != "65") Rejeitar();
}

void TxndNFeGB06_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("mod_B06") != "55") Rejeitar();
}

// Series 890 to 899 are reserved.
void TxndNFeGB07::Validar() {
  TxndNFeRule::Validar();
  const int serie = StrToInt(Campo("serie_B07"));
  if (serie >= 890 && serie <= 899) Rejeitar();
}

void TxndNFeGB09::Validar() {
  TxndNFeRule::Validar();
  if (DiasEntre(Agora(), TextoParaData(Campo("dEmi_B09"))) > 30) Rejeitar();
}

// The date is read from the rule's own field (dEmi_B09 or dhEmi_B09 by set).
void TxndNFeGB09_1_NT003_2012::Validar() {
  TxndNFeRule::Validar();
  if (DiasEntre(Agora(), TextoParaData(Campo(FieldName()))) > 30) {
    const std::string tpEmis = CampoDe(Grupo("B"), "tpEmis_B22");
    if (tpEmis == "1" || tpEmis == "3") Rejeitar();
  }
}

void TxndNFeGB10_2::Validar() {
  TxndNFeRule::Validar();
  const std::string saida = Campo("dSaiEnt_B10");
  if (Campo("tpNF_B11") == "1" && Informado(saida)) {
    if (TextoParaData(Campo("dEmi_B09")) > TextoParaData(saida)) Rejeitar();
  }
}

void TxndNFeGB10_3::Validar() {
  TxndNFeRule::Validar();
  const std::string saida = Campo("dhSaiEnt_B10");
  if (Campo("tpNF_B11") == "1" && Informado(saida)) {
    if (TextoParaData(Campo("dhEmi_B09")) > TextoParaData(saida)) Rejeitar();
  }
}

void TxndNFeGB10a::Validar() {
  TxndNFeRule::Validar();
  if (Informado(Campo("hSaiEnt_B10a")) && !Informado(Campo("dSaiEnt_B10"))) Rejeitar();
}

void TxndNFeGB12::Validar() {
  TxndNFeRule::Validar();
  if (!MunicipioValido(Campo("cMunFG_B12"))) Rejeitar();
}

void TxndNFeGB12_1::Validar() {
  TxndNFeRule::Validar();
  if (Utf8Copy(Campo("cMunFG_B12"), 1, 2) != Campo("cUF_B02")) Rejeitar();
}

void TxndNFeGB13::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string chave = CampoDe(nref, "refNFe_B13");
    if (Informado(chave) && !DigitoChaveValido(chave)) Rejeitar();
  }
}

void TxndNFeGB13a_NT003_2013::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string chave = CampoDe(nref, "refNFe_B13");
    if (Informado(chave) && Decodificar(chave).mod != "55") Rejeitar();
  }
}

void TxndNFeGB13b_NT003_2013::Validar() {
  TxndNFeRule::Validar();
  TEntradasVistas vistas;
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string chave = CampoDe(nref, "refNFe_B13");
    if (Informado(chave) && !vistas.Registrar(chave)) Rejeitar();
  }
}

void TxndNFeGB17::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string cnpj = CampoDe(nref, "CNPJ_B17");
    if (Informado(cnpj) && !CNPJValido(cnpj)) Rejeitar();
  }
}

void TxndNFeGB20_NT003_2013::Validar() {
  TxndNFeRule::Validar();
  TEntradasVistas vistas;
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    if (!Informado(CampoDe(nref, "CNPJ_B17"))) continue;
    if (!vistas.Registrar(Juntar(nref, {"CNPJ_B17", "mod_B18", "serie_B19", "nNF_B20"}))) Rejeitar();
  }
}

void TxndNFeGB20d::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string cnpj = CampoDe(nref, "CNPJ_B20d");
    if (Informado(cnpj) && !CNPJValido(cnpj)) Rejeitar();
  }
}

void TxndNFeGB20e::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string cpf = CampoDe(nref, "CPF_B20e");
    if (Informado(cpf) && !CPFValido(cpf)) Rejeitar();
  }
}

void TxndNFeGB20ha_NT003_2013::Validar() {
  TxndNFeRule::Validar();
  TEntradasVistas vistas;
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    if (!Informado(CampoDe(nref, "IE_B20f"))) continue;
    if (!vistas.Registrar(Juntar(nref, {"IE_B20f", "mod_B20g", "serie_B20h", "nNF_B20ha"}))) Rejeitar();
  }
}

void TxndNFeGB20i::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string chave = CampoDe(nref, "refCTe_B20i");
    if (Informado(chave) && !DigitoChaveValido(chave)) Rejeitar();
  }
}

void TxndNFeGB20ia_NT003_2013::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string chave = CampoDe(nref, "refCTe_B20i");
    if (Informado(chave) && Decodificar(chave).mod != "57") Rejeitar();
  }
}

void TxndNFeGB20m_NT003_2013::Validar() {
  TxndNFeRule::Validar();
  TEntradasVistas vistas;
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    if (!Informado(CampoDe(nref, "mod_B20k"))) continue;
    if (!vistas.Registrar(Juntar(nref, {"mod_B20k", "nECF_B20l", "nCOO_B20m"}))) Rejeitar();
  }
}

void TxndNFeGB22::Validar() {
  TxndNFeRule::Validar();
  if (Campo("tpEmis_B22") == "1" && (Informado(Campo("dhCont_B28")) || Informado(Campo("xJust_B29")))) {
    Rejeitar();
  }
}

void TxndNFeGB22_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("tpEmis_B22") != "1" && (!Informado(Campo("dhCont_B28")) || !Informado(Campo("xJust_B29")))) {
    Rejeitar();
  }
}

void TxndNFeGB23::Validar() {
  TxndNFeRule::Validar();
  if (!DigitoChaveValido(Utf8Copy(Campo("ID_A03"), 4, 44))) Rejeitar();
}

void TxndNFeGB25::Validar() {
  TxndNFeRule::Validar();
  if (Campo("finNFe_B25") == "2" && Registros(Grupo("NREF")) == 0) Rejeitar();
}

void TxndNFeGB25_1::Validar() {
  TxndNFeRule::Validar();
  if (Campo("finNFe_B25") == "2" && Registros(Grupo("NREF")) > 1) Rejeitar();
}

// A complementary note refers to notes of its own issuer.
void TxndNFeGB25_2::Validar() {
  TxndNFeRule::Validar();
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    if (Campo("finNFe_B25") != "2") continue;
    const std::string chave = CampoDe(nref, "refNFe_B13");
    if (Informado(chave) && Decodificar(Utf8Copy(chave, 1, 44)).CNPJ != Campo("CNPJ_C02")) Rejeitar();
    const std::string cnpj = CampoDe(nref, "CNPJ_B17");
    if (Informado(cnpj) && cnpj != Campo("CNPJ_C02")) Rejeitar();
  }
}

void TxndNFeGB25_3::Validar() {
  TxndNFeRule::Validar();
  if (Campo("finNFe_B25") == "4" && Registros(Grupo("NREF")) == 0) Rejeitar();
}

void TxndNFeGB25_3_NT003_2013::Validar() {
  TxndNFeRule::Validar();
  if (Campo("finNFe_B25") != "2") return;
  const std::string uf = Campo("cUF_B02");
  TXmlDataSetNFe& nref = Grupo("NREF");
  for (nref.First(); !nref.Eof(); nref.Next()) {
    const std::string chave = CampoDe(nref, "refNFe_B13");
    if (Informado(chave)) {
      if (Decodificar(chave).cUF != uf) Rejeitar();
    } else {
      const std::string ufReferenciada = CampoDe(nref, "cUF_B15");
      if (Informado(ufReferenciada) && ufReferenciada != uf) Rejeitar();
    }
  }
}

void TxndNFeGB25_4::Validar() {
  TxndNFeRule::Validar();
  if (Campo("finNFe_B25") == "4" && Registros(Grupo("NREF")) > 1) Rejeitar();
}

void TxndNFeGB25b::Validar() {
  TxndNFeRule::Validar();
  if (Campo("indPres_B25b") == "4") Rejeitar();
}

void TxndNFeGB26::Validar() {
  TxndNFeRule::Validar();
  const std::string processo = Campo("procEmi_B26");
  if (processo != "0" && processo != "3") Rejeitar();
}

void TxndNFeGB26_1::Validar() {
  TxndNFeRule::Validar();
  const std::string processo = Campo("procEmi_B26");
  if ((processo == "1" || processo == "2") && Campo("tpEmis_B22") != "1") Rejeitar();
}

void TxndNFeGB28::Validar() {
  TxndNFeRule::Validar();
  const std::string contingencia = Campo("dhCont_B28");
  if (Informado(contingencia) && TextoParaData(contingencia) > TextoParaData(Campo("dEmi_B09"))) Rejeitar();
}

}  // namespace xnd

#include "datasets/xndNFeCustomDataSet.h"

#include <libxml/tree.h>

#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* kLetras = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The date message of GerarChaveNFe (first key generation).
constexpr const char* kDataInvalidaChave =
    "%s Data de Emissão no Formato inválido. Utilizar YYYY-MM-DD para NF-e 2.0 ou YYYY-MM-DDTHH:mm:ssTZD para "
    "NF-e 3.10";

bool EmEdicao(const TClientDataSet& aDataSet) {
  return aDataSet.State() == dsEdit || aDataSet.State() == dsInsert;
}

}  // namespace

TxndNFeCustomDataSet::TxndNFeCustomDataSet(TComponent* aOwner)
    : TxndXMLDataSetNFe(aOwner), FLoteNFe(std::make_unique<TStringList>()) {
  SetMestreDetalhe(true);
}

TxndNFeCustomDataSet::~TxndNFeCustomDataSet() = default;

void TxndNFeCustomDataSet::SetLoteNFe(std::unique_ptr<TStringList> aLista) {
  FLoteNFe = aLista ? std::move(aLista) : std::make_unique<TStringList>();
}

TXmlDataSetNFe& TxndNFeCustomDataSet::Parte(char aLetra) const {
  const char letra = static_cast<char>(aLetra >= 'a' && aLetra <= 'z' ? aLetra - 'a' + 'A' : aLetra);
  if (letra < 'A' || letra > 'Z' || FPartes[letra - 'A'] == nullptr) {
    throw ExndDataSetException("Parte %s não encontrada.", {std::string(1, letra)}, DiretorioLogErro());
  }
  return *FPartes[letra - 'A'];
}

std::string TxndNFeCustomDataSet::Envolver(const std::string& aTag, const std::string& aText) {
  return aText.empty() ? std::string() : "<" + aTag + ">" + aText + "</" + aTag + ">";
}

std::string TxndNFeCustomDataSet::GruposDeTodos(TXmlDataSetNFe& aDataSet, const std::string& aNomeGrupo) {
  aDataSet.SetNomeGrupo(aNomeGrupo);
  std::string text;
  for (aDataSet.First(); !aDataSet.Eof(); aDataSet.Next()) text += GerarGrupo(aDataSet);
  return text;
}

// ---------------------------------------------------------------- dictionary

std::unique_ptr<TXmlFieldNFe> TxndNFeCustomDataSet::CriarCampo(TXmlDataSetNFe&) {
  return std::make_unique<TxndNFeXMLField>();
}

void TxndNFeCustomDataSet::LerAtributosCampo(_xmlNode* aNode, TXmlFieldNFe& aField) {
  TxndXMLDataSetNFe::LerAtributosCampo(aNode, aField);
  auto* field = dynamic_cast<TxndNFeXMLField*>(&aField);
  if (field == nullptr || aNode->type != XML_ELEMENT_NODE) return;
  if (xmlChar* rec = xmlGetProp(aNode, BAD_CAST "rec")) {
    field->SetRec(reinterpret_cast<const char*>(rec));
    xmlFree(rec);
  }
}

void TxndNFeCustomDataSet::Listar(std::vector<TXmlDataSetNFe*>& aLista, const std::vector<std::string>& aNomes) {
  for (const std::string& nome : aNomes) aLista.push_back(&DataSetPorNome(nome));
}

void TxndNFeCustomDataSet::AddDataSetsListaItemNFe() {
  Listar(FListaItemNFe, {"H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "DI", "ADI",
                         "L1"});
}

void TxndNFeCustomDataSet::AddDataSetsListaNFE() {
  Listar(FListaNFe, {"A", "B", "C", "D", "E", "F", "G", "X", "W", "Y", "Z", "REBOQUE", "VOL", "LACRE", "PROCREF",
                     "OBSCONT", "MANAGER"});
}

void TxndNFeCustomDataSet::EsquecerDataSets() {
  FPartes.fill(nullptr);
  FListaNFe.clear();
  FListaItemNFe.clear();
  FDataSets.clear();
  FCamposNota.clear();
  FCampos.clear();
}

void TxndNFeCustomDataSet::SetListDataSets(TListDataSets aList) {
  EsquecerDataSets();
  TxndXMLDataSetNFe::SetListDataSets(std::move(aList));
}

TXmlDataSetNFe& TxndNFeCustomDataSet::DataSetPorNome(std::string_view aNome) {
  const auto found = FDataSets.find(std::string(aNome));
  if (found != FDataSets.end()) return *found->second;
  TXmlDataSetNFe& dataSet = TxndXMLDataSetNFe::DataSetPorNome(aNome);
  FDataSets.emplace(std::string(aNome), &dataSet);
  return dataSet;
}

TXmlFieldNFe& TxndNFeCustomDataSet::CampoPorNome(std::string_view aNome) {
  const auto found = FCamposNota.find(std::string(aNome));
  if (found != FCamposNota.end()) return *found->second;
  TXmlFieldNFe& campo = TxndXMLDataSetNFe::CampoPorNome(aNome);
  FCamposNota.emplace(std::string(aNome), &campo);
  return campo;
}

std::string TxndNFeCustomDataSet::GerarCampoPorNome(TXmlDataSetNFe& aDataSet, const std::string& aCampo) {
  auto& campos = FCampos[&aDataSet];
  const auto found = campos.find(aCampo);
  if (found != campos.end()) return GerarCampo(*found->second);
  auto* campo = dynamic_cast<TXmlFieldNFe*>(&aDataSet.FieldByName(aCampo));
  if (campo == nullptr) throw EDatabaseError(Format("Field '%s' is not a dictionary field", aCampo));
  campos.emplace(aCampo, campo);
  return GerarCampo(*campo);
}

void TxndNFeCustomDataSet::LigarMestreDetalhe() {
  if (!MestreDetalhe()) AtivarMestreDetalhe(true);
}

// Each load starts both lists afresh: a second load never lists the
// datasets of the first, which are gone.
void TxndNFeCustomDataSet::CarregarDicionario() {
  EsquecerDataSets();
  TxndXMLDataSetNFe::CarregarDicionario();
  for (const char* letra = kLetras; *letra != '\0'; ++letra) {
    FPartes[*letra - 'A'] = &DataSetPorNome(std::string(1, *letra));
  }
  AddDataSetsListaNFE();
  AddDataSetsListaItemNFe();
}

// ---------------------------------------------------------------- primitives

std::string TxndNFeCustomDataSet::GerarCampo(TXmlFieldNFe& aField) {
  const std::string value = aField.AsString();
  if (!aField.Visible() || UpperCase(value) == "NULL") return {};
  if (value.empty() && !aField.GetTagVazia()) return {};
  const std::string& fieldName = aField.FieldName();
  const std::string name = fieldName.substr(0, fieldName.find('_'));
  if (aField.GetTpNode() == "elemento") return "<" + name + ">" + EscapeXml(value) + "</" + name + ">";
  return name + "=\"" + EscapeXml(value) + "\"";
}

// ---------------------------------------------------------------- key

// The key builder takes YY and MM from a date of the right length without
// looking at them, and its check digit refuses any non-digit with a bare
// conversion error: both are reported here in the note's terms.
std::string TxndNFeCustomDataSet::ChaveVerificada(const std::function<std::string()>& aGerar,
                                                  const std::string& aData, const char* aMensagemData) {
  std::string chave;
  try {
    chave = aGerar();
  } catch (const EConvertError&) {
    const std::string anoMes = Utf8Copy(aData, 1, 4) + Utf8Copy(aData, 6, 2);
    if (anoMes.size() != 6 || anoMes.find_first_not_of("0123456789") != std::string::npos ||
        Utf8Copy(aData, 5, 1) != "-") {
      throw ExndNFeCheckParams(aMensagemData, {aData}, DiretorioLogErro());
    }
    throw ExndNFeCheckTXT(
        "Os campos da chave de acesso devem ser numéricos: cUF = %s, mod = %s, serie = %s, nNF = %s, "
        "tpEmis = %s, cNF = %s",
        {TextoCampo("cUF_B02"), TextoCampo("mod_B06"), TextoCampo("serie_B07"), TextoCampo("nNF_B08"),
         TextoCampo("tpEmis_B22"), TextoCampo("cNF_B03")},
        DiretorioLogErro());
  }
  if (Utf8Length(chave) != 44) {
    throw ExndCheckParams("A Chave da NFe %s deve possuir exatamente 44 dígitos.", {chave}, DiretorioLogErro());
  }
  return chave;
}

void TxndNFeCustomDataSet::GravarChave(const std::string& aChave, const std::string& aCNF) {
  TXmlDataSetNFe& a = Parte('A');
  a.FieldByName("Id_A03").SetAsString("NFe" + aChave);
  a.Post();
  TXmlDataSetNFe& b = Parte('B');
  if (!EmEdicao(b)) b.Edit();
  b.FieldByName("cNF_B03").SetAsString(aCNF);
  b.FieldByName("cDV_B23").SetAsString(aChave.substr(aChave.size() - 1));
  b.Post();
  FUltimaChave = aChave;
}

std::string TxndNFeCustomDataSet::GerarChaveId() {
  Parte('B').First();
  TXmlDataSetNFe& a = Parte('A');
  if (!EmEdicao(a)) a.Edit();
  const std::string cNF = TextoCampo("cNF_B03");
  const std::string data = TextoCampo("dEmi_B09");
  const std::string chave = ChaveVerificada(
      [&] {
        return GerarChaveNFe(data, TextoCampo("cUF_B02"), TextoCampo("CNPJ_C02"), TextoCampo("mod_B06"),
                             TextoCampo("serie_B07"), TextoCampo("nNF_B08"), cNF);
      },
      data, kDataInvalidaChave);
  GravarChave(chave, GovUtils()->PadLeft(cNF, 9));
  return chave;
}

// ---------------------------------------------------------------- writers

std::string TxndNFeCustomDataSet::ConvPartA() {
  GerarChaveId();
  TXmlDataSetNFe& a = Parte('A');
  return Format("<infNFe %s %s>", GerarCampoPorNome(a, "Id_A03"), GerarCampoPorNome(a, "versao_A02"));
}

std::string TxndNFeCustomDataSet::ConvPartB() {
  TXmlDataSetNFe& b = Parte('B');
  if (b.RecordCount() == 0) {
    throw ExndNFeDataSetException("Parte B - Identificaçãcão da Nota Fiscal eletrônica não foi preenchida.",
                                  DiretorioLogErro());
  }
  return "<ide>" +
         GerarCampos(b, {"cUF_B02", "cNF_B03", "natOp_B04", "indPag_B05", "mod_B06", "serie_B07", "nNF_B08",
                         "dEmi_B09", "dSaiEnt_B10", "tpNF_B11", "cMunFG_B12"}) +
         ConvPartRef() +
         GerarCampos(b, {"tpImp_B21", "tpEmis_B22", "cDV_B23", "tpAmb_B24", "finNFe_B25", "procEmi_B26",
                         "verProc_B27"}) +
         "</ide>";
}

// Layout 1.10 writes a refNF for every record without refNFe, even an empty
// one: its schema has no other reference kind.
std::string TxndNFeCustomDataSet::ConvPartRef() {
  TXmlDataSetNFe& nref = DataSetPorNome("NREF");
  std::string text;
  for (nref.First(); !nref.Eof(); nref.Next()) {
    std::string r;
    if (!nref.FieldByName("refNFe_B13").AsString().empty()) {
      r = GerarCampoPorNome(nref, "refNFe_B13");
    } else {
      r = "<refNF>" +
          GerarCampos(nref, {"cUF_B15", "AAMM_B16", "CNPJ_B17", "mod_B18", "serie_B19", "nNF_B20"}) +
          "</refNF>";
    }
    if (!r.empty()) text += "<NFref>" + r + "</NFref>";
  }
  return text;
}

std::string TxndNFeCustomDataSet::ConvPartC() {
  return ExpandirModelo(
      "<emit>@c(CNPJ_C02)@c(xNome_C03)@c(xFant_C04)<enderEmit>@c(xLgr_C06)@c(nro_C07)@c(xCpl_C08)@c(xBairro_C09)"
      "@c(cMun_C10)@c(xMun_C11)@c(UF_C12)@c(CEP_C13)@c(cPais_C14)@c(xPais_C15)@c(fone_C16)</enderEmit>@c(IE_C17)"
      "@c(IEST_C18)@c(IM_C19)@c(CNAE_C20)</emit>");
}

std::string TxndNFeCustomDataSet::ConvPartD() {
  Parte('D').SetNomeGrupo("avulsa");
  return ExpandirModelo("@d(*)");
}

std::string TxndNFeCustomDataSet::ConvPartE() {
  TXmlDataSetNFe& e = Parte('E');
  return "<dest>" + GerarCampos(e, {"CNPJ_E02", "CPF_E03", "xNome_E04"}) + "<enderDest>" +
         GerarCampos(e, {"xLgr_E06", "nro_E07", "xCpl_E08", "xBairro_E09", "cMun_E10", "xMun_E11", "UF_E12",
                         "CEP_E13", "cPais_E14", "xPais_E15", "fone_E16"}) +
         "</enderDest>" + GerarCampos(e, {"IE_E17", "ISUF_E18"}) + "</dest>";
}

std::string TxndNFeCustomDataSet::ConvPartF() {
  Parte('F').SetNomeGrupo("retirada");
  return GerarGrupo(Parte('F'));
}

std::string TxndNFeCustomDataSet::ConvPartG() {
  Parte('G').SetNomeGrupo("entrega");
  return GerarGrupo(Parte('G'));
}

// The item number is nItem_H02 as entered: items are not renumbered.
std::string TxndNFeCustomDataSet::ConvPartItens() {
  TXmlDataSetNFe& h = Parte('H');
  std::string text;
  for (h.First(); !h.Eof(); h.Next()) {
    text += ExpandirModelo("<det @h(nItem_H02)>");
    text += ConvPartI();
    text += "<imposto>" + ConvPartN() + ConvPartO() + ConvPartP() + ConvPartQ() + ConvPartR() + ConvPartS() +
            ConvPartT() + ConvPartU() + "</imposto>";
    text += ConvPartV() + "</det>";
  }
  return text;
}

std::string TxndNFeCustomDataSet::ConvPartI() {
  return "<prod>" + GerarGrupo(Parte('I')) + ConvDI() + ConvPartJ() + ConvPartK() + ConvPartL() + ConvPartL1() +
         "</prod>";
}

std::string TxndNFeCustomDataSet::ConvDI() {
  TXmlDataSetNFe& di = DataSetPorNome("DI");
  di.SetNomeGrupo("");
  std::string text;
  for (di.First(); !di.Eof(); di.Next()) {
    std::string g = GerarGrupo(di);
    if (!g.empty()) text += "<DI>" + g + ConvAdi() + "</DI>";
  }
  return text;
}

std::string TxndNFeCustomDataSet::ConvAdi() {
  TXmlDataSetNFe& adi = DataSetPorNome("ADI");
  adi.SetNomeGrupo("");
  std::string text;
  for (adi.First(); !adi.Eof(); adi.Next()) text += Envolver("adi", GerarGrupo(adi));
  return text;
}

std::string TxndNFeCustomDataSet::ConvPartJ() {
  Parte('J').SetNomeGrupo("veicProd");
  return GerarGrupo(Parte('J'));
}

std::string TxndNFeCustomDataSet::ConvPartK() { return GruposDeTodos(Parte('K'), "med"); }

std::string TxndNFeCustomDataSet::ConvPartL() { return GruposDeTodos(Parte('L'), "arma"); }

std::string TxndNFeCustomDataSet::ConvPartL1() {
  TXmlDataSetNFe& l1 = DataSetPorNome("L1");
  std::string text = GerarCampos(l1, {"cProdANP_L102", "CODIF_L103", "qTemp_L104"});
  text += Envolver("CIDE", GerarCampos(l1, {"qBCProd_L106", "vAliqProd_L107", "vCIDE_L108"}));
  text += ConvICMSComb(l1);
  text += Envolver("ICMSInter", GerarCampos(l1, {"vBCICMSSTDest_L115", "vICMSSTDest_L116"}));
  text += Envolver("ICMSCons", GerarCampos(l1, {"vBCICMSSTCons_L118", "vICMSSTCons_L119", "UFcons_L120"}));
  return Envolver("comb", text);
}

std::string TxndNFeCustomDataSet::ConvICMSComb(TXmlDataSetNFe& aL1) {
  return Envolver("ICMS", GerarCampos(aL1, {"vBCICMS_L110", "vICMS_L111", "vBCICMSST_L112", "vICMSST_L113"}));
}

std::string TxndNFeCustomDataSet::ConvPartL2() {
  return GerarCampoPorNome(DataSetPorNome("L2"), "nRECOPI_L109");
}

// An unknown CST keeps the group name of the previous item (or none): layout
// 1.10 writes the item's ICMS fields whatever the CST, and this is the name
// they were last written under.
std::string TxndNFeCustomDataSet::ConvPartN() {
  TXmlDataSetNFe& n = Parte('N');
  static const std::vector<std::pair<std::vector<std::string>, std::string>> kGrupos = {
      {{"00"}, "ICMS00"}, {{"10"}, "ICMS10"}, {{"20"}, "ICMS20"},
      {{"30"}, "ICMS30"}, {{"40", "41", "50"}, "ICMS40"}, {{"51"}, "ICMS51"},
      {{"60"}, "ICMS60"}, {{"70"}, "ICMS70"}, {{"90"}, "ICMS90"}};
  const std::string cst = n.FieldByName("CST_N12").AsString();
  for (const auto& [codigos, grupo] : kGrupos) {
    for (const std::string& codigo : codigos) {
      if (codigo == cst) n.SetNomeGrupo(grupo);
    }
  }
  return "<ICMS>" + GerarGrupo(n) + "</ICMS>";
}

namespace {

bool Entre(const std::string& aValor, std::initializer_list<const char*> aCodigos) {
  for (const char* codigo : aCodigos) {
    if (aValor == codigo) return true;
  }
  return false;
}

}  // namespace

std::string TxndNFeCustomDataSet::ConvPartO() {
  const std::string cst = Parte('O').FieldByName("CST_O09").AsString();
  const std::string cabecalho = "<IPI>@o(clEnq_O02)@o(CNPJProd_O03)@o(cSelo_O04)@o(qSelo_O05)@o(cEnq_O06)";
  if (Entre(cst, {"00", "49", "50", "99"})) {
    return ExpandirModelo(cabecalho +
                          "<IPITrib>@o(CST_O09)@o(vBC_O10)@o(qUnid_O11)@o(vUnid_O12)@o(pIPI_O13)@o(vIPI_O14)"
                          "</IPITrib></IPI>");
  }
  if (Entre(cst, {"01", "02", "03", "04", "05", "51", "52", "53", "54", "55"})) {
    return ExpandirModelo(cabecalho + "<IPINT>@o(CST_O09)</IPINT></IPI>");
  }
  return {};
}

std::string TxndNFeCustomDataSet::ConvPartP() {
  Parte('P').SetNomeGrupo("II");
  return GerarGrupo(Parte('P'));
}

// The PIS element is written even when the CST matches no template.
std::string TxndNFeCustomDataSet::ConvPartQ() {
  const std::string cst = Parte('Q').FieldByName("CST_Q06").AsString();
  std::string text;
  if (Entre(cst, {"01", "02"})) {
    text = ExpandirModelo("<PISAliq>@q(CST_Q06)@q(VBC_Q07)@q(PPIS_Q08)@q(VPIS_Q09)</PISAliq>");
  } else if (cst == "03") {
    text = ExpandirModelo("<PISQtde>@q(CST_Q06)@q(QBCPROD_Q10)@q(VALIQPROD_Q11)@q(VPIS_Q09)</PISQtde>");
  } else if (Entre(cst, {"04", "06", "07", "08", "09"})) {
    text = ExpandirModelo("<PISNT>@q(CST_Q06)</PISNT>");
  } else if (cst == "99") {
    text = ExpandirModelo(
        "<PISOutr>@q(CST_Q06)@q(VBC_Q07)@q(PPIS_Q08)@q(QBCPROD_Q10)@q(VALIQPROD_Q11)@q(VPIS_Q09)</PISOutr>");
  }
  return "<PIS>" + text + "</PIS>";
}

std::string TxndNFeCustomDataSet::ConvPartR() {
  Parte('R').SetNomeGrupo("PISST");
  return GerarGrupo(Parte('R'));
}

std::string TxndNFeCustomDataSet::ConvPartS() {
  const std::string cst = Parte('S').FieldByName("CST_S06").AsString();
  std::string text;
  if (Entre(cst, {"01", "02"})) {
    text = ExpandirModelo("<COFINSAliq>@s(CST_S06)@s(VBC_S07)@s(PCOFINS_S08)@s(VCOFINS_S11)</COFINSAliq>");
  } else if (cst == "03") {
    text = ExpandirModelo("<COFINSQtde>@s(CST_S06)@s(QBCPROD_S09)@s(VALIQPROD_S10)@s(VCOFINS_S11)</COFINSQtde>");
  } else if (Entre(cst, {"04", "06", "07", "08", "09"})) {
    text = ExpandirModelo("<COFINSNT>@s(CST_S06)</COFINSNT>");
  } else if (cst == "99") {
    text = ExpandirModelo(
        "<COFINSOutr>@s(CST_S06)@s(VBC_S07)@s(PCOFINS_S08)@s(QBCPROD_S09)@s(VALIQPROD_S10)@s(VCOFINS_S11)"
        "</COFINSOutr>");
  }
  return "<COFINS>" + text + "</COFINS>";
}

std::string TxndNFeCustomDataSet::ConvPartT() {
  Parte('T').SetNomeGrupo("COFINSST");
  return GerarGrupo(Parte('T'));
}

std::string TxndNFeCustomDataSet::ConvPartU() {
  Parte('U').SetNomeGrupo("ISSQN");
  return GerarGrupo(Parte('U'));
}

std::string TxndNFeCustomDataSet::ConvPartV() {
  Parte('V').SetNomeGrupo("");
  return GerarGrupo(Parte('V'));
}

std::string TxndNFeCustomDataSet::ConvRetTrib() {
  std::string text;
  for (const char* nome : {"vRetPIS_W24", "vRetCOFINS_W25", "vRetCSLL_W26", "vBCIRRF_W27", "vIRRF_W28",
                           "vBCRetPrev_W29", "vRetPrev_W30"}) {
    text += GerarCampo(CampoPorNome(nome));
  }
  return Envolver("retTrib", text);
}

std::string TxndNFeCustomDataSet::ConvPartW() {
  std::string text = ExpandirModelo(
      "<total><ICMSTot>@w(vBC_W03)@w(vICMS_W04)@w(vBCST_W05)@w(vST_W06)@w(vProd_W07)@w(vFrete_W08)@w(vSeg_W09)"
      "@w(vDesc_W10)@w(vII_W11)@w(vIPI_W12)@w(vPIS_W13)@w(vCOFINS_W14)@w(vOutro_W15)@w(vNF_W16)</ICMSTot>");
  std::string issqn;
  for (const char* nome : {"vServ_W18", "vBC_W19", "vISS_W20", "vPIS_W21", "vCOFINS_W22"}) {
    issqn += GerarCampo(CampoPorNome(nome));
  }
  return text + Envolver("ISSQNtot", issqn) + ConvRetTrib() + "</total>";
}

std::string TxndNFeCustomDataSet::ConvTransporta() {
  return Envolver("transporta",
                  ExpandirModelo("@x(CNPJ_X04)@x(CPF_X05)@x(xNome_X06)@x(IE_X07)@x(xEnder_X08)@x(xMun_X09)@x(UF_X10)")) +
         Envolver("retTransp",
                  ExpandirModelo("@x(vServ_X12)@x(vBCRet_X13)@x(pICMSRet_X14)@x(vICMSRet_X15)@x(CFOP_X16)"
                                 "@x(cMunFG_X17)")) +
         Envolver("veicTransp", ExpandirModelo("@x(placa_X19)@x(UF_X20)@x(RNTC_X21)"));
}

std::string TxndNFeCustomDataSet::ConvReboque() { return GruposDeTodos(DataSetPorNome("REBOQUE"), "reboque"); }

// A volume without data gives nothing, whatever its seals hold.
std::string TxndNFeCustomDataSet::ConvVol() {
  TXmlDataSetNFe& vol = DataSetPorNome("VOL");
  TXmlDataSetNFe& lacre = DataSetPorNome("LACRE");
  vol.SetNomeGrupo("");
  std::string text;
  for (vol.First(); !vol.Eof(); vol.Next()) {
    const std::string g = GerarGrupo(vol);
    if (!g.empty()) text += "<vol>" + g + GruposDeTodos(lacre, "lacres") + "</vol>";
  }
  return text;
}

std::string TxndNFeCustomDataSet::ConvPartX() {
  return ExpandirModelo("<transp>@x(modFrete_X02)") + ConvTransporta() + ConvReboque() + ConvVol() + "</transp>";
}

std::string TxndNFeCustomDataSet::ConvPartY() {
  TXmlDataSetNFe& y = Parte('Y');
  std::string text = Envolver("fat", GerarCampos(y, {"nFat_Y03", "vOrig_Y04", "vDesc_Y05", "vLiq_Y06"}));
  TXmlDataSetNFe& dup = DataSetPorNome("DUP");
  for (dup.First(); !dup.Eof(); dup.Next()) {
    text += Envolver("dup", GerarCampos(dup, {"nDup_Y08", "dVenc_Y09", "vDup_Y10"}));
  }
  return Envolver("cobr", text);
}

std::string TxndNFeCustomDataSet::ConvPartZ() {
  const std::string a = ExpandirModelo("@z(infAdFisco_Z02)@z(infCpl_Z03)") + ConvObsCont() + ConvObsFisco() +
                        ConvProcRef();
  return Envolver("infAdic", a) + ConvExporta() + ConvCompra();
}

std::string TxndNFeCustomDataSet::ConvExporta() {
  return Envolver("exporta", ExpandirModelo("@z(UFEmbarq_ZA02)@z(xLocEmbarq_ZA03)"));
}

std::string TxndNFeCustomDataSet::ConvCompra() {
  return Envolver("compra", ExpandirModelo("@z(xNEmp_ZB02)@z(xPed_ZB03)@z(xCont_ZB04)"));
}

namespace {

// obsCont / obsFisco: the xCampo attribute and the xTexto element.
std::string Observacoes(TxndNFeCustomDataSet& aEngine, TXmlDataSetNFe& aDataSet, const std::string& aTag,
                        const std::string& aCampo, const std::string& aTexto) {
  std::string text;
  for (aDataSet.First(); !aDataSet.Eof(); aDataSet.Next()) {
    const std::string campo = aEngine.GerarCampoPorNome(aDataSet, aCampo);
    const std::string texto = aEngine.GerarCampoPorNome(aDataSet, aTexto);
    if (!(campo + texto).empty()) text += "<" + aTag + " " + campo + ">" + texto + "</" + aTag + ">";
  }
  return text;
}

}  // namespace

std::string TxndNFeCustomDataSet::ConvObsCont() {
  return Observacoes(*this, DataSetPorNome("OBSCONT"), "obsCont", "xCampo_Z05", "xTexto_Z06");
}

std::string TxndNFeCustomDataSet::ConvObsFisco() {
  return Observacoes(*this, DataSetPorNome("OBSFISCO"), "obsFisco", "xCampo_Z08", "xTexto_Z09");
}

std::string TxndNFeCustomDataSet::ConvProcRef() { return GruposDeTodos(DataSetPorNome("PROCREF"), "procRef"); }

std::string TxndNFeCustomDataSet::ConvAutXML() {
  TXmlDataSetNFe& aut = DataSetPorNome("AUTXML");
  aut.SetNomeGrupo("");
  std::string text;
  for (aut.First(); !aut.Eof(); aut.Next()) text += Envolver("autXML", GerarGrupo(aut));
  return text;
}

std::string TxndNFeCustomDataSet::ConvDetExport() {
  TXmlDataSetNFe& det = DataSetPorNome("DETEXPORT");
  det.SetNomeGrupo("");
  std::string text;
  for (det.First(); !det.Eof(); det.Next()) {
    const std::string g = GerarGrupo(det);
    if (!g.empty()) text += "<detExport>" + g + ConvExportInd() + "</detExport>";
  }
  return text;
}

std::string TxndNFeCustomDataSet::ConvExportInd() {
  TXmlDataSetNFe& ind = DataSetPorNome("EXPORTIND");
  ind.SetNomeGrupo("");
  std::string text;
  for (ind.First(); !ind.Eof(); ind.Next()) text += Envolver("exportInd", GerarGrupo(ind));
  return text;
}

// The links are switched on once: switching them on again would only
// rebuild every detail's view.
std::string TxndNFeCustomDataSet::ConverterAuto() {
  LigarMestreDetalhe();
  std::string text = ConvPartA();
  text += ConvPartB();
  text += ConvPartC();
  text += ConvPartD();
  text += ConvPartE();
  text += ConvPartF();
  text += ConvPartG();
  text += ConvPartItens();
  text += ConvPartW();
  text += ConvPartX();
  text += ConvPartY();
  text += ConvPartZ();
  return text + "</infNFe>";
}

// ---------------------------------------------------------------- life cycle

void TxndNFeCustomDataSet::Incluir() {
  try {
    LimparDataSets();
    FState = dsInsert;
    for (TXmlDataSetNFe* dataSet : FListaNFe) dataSet->Append();
  } catch (const ExndNFeDataSetException&) {
    FState = dsBrowse;
    throw;
  }
}

void TxndNFeCustomDataSet::VerificarDicionario() {
  if (XMLDicionario().empty()) {
    throw ExndNfeDataSetConfigException("Arquivo Estrutura do XML não configurado.", DiretorioLogErro());
  }
}

void TxndNFeCustomDataSet::SalvarItem() {
  VerificarDicionario();
  for (TXmlDataSetNFe* dataSet : FListaItemNFe) {
    if (EmEdicao(*dataSet)) dataSet->Post();
  }
  FStateItem = dsBrowse;
}

void TxndNFeCustomDataSet::Salvar() {
  VerificarDicionario();
  try {
    SalvarItem();
    for (TXmlDataSetNFe* dataSet : FListaNFe) {
      if (EmEdicao(*dataSet)) {
        dataSet->Post();
        dataSet->First();
      }
    }
    std::string xml = ConverterAuto();
    FLoteNFe->Add(xml);
    FUltimoXml = std::move(xml);
    FState = dsBrowse;
  } catch (const ExndDataSetException& e) {
    throw ExndNFeDataSetException(e.Message(), "");
  }
}

}  // namespace xnd

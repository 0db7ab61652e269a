#include "datasets/xndNFeDataSetVersoes.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

// The date message of GerarChaveNFeTpEmis (no blank after "inválido.").
constexpr const char* kDataInvalidaChaveTpEmis =
    "%s Data de Emissão no Formato inválido.Utilizar YYYY-MM-DD para NF-e 2.0 ou YYYY-MM-DDTHH:mm:ssTZD para "
    "NF-e 3.10";

const std::vector<std::string> kICMS10 = {"orig_N11",    "CST_N12",      "modBC_N13",    "vBC_N15",
                                          "pICMS_N16",   "vICMS_N17",    "modBCST_N18",  "pMVAST_N19",
                                          "pRedBCST_N20", "vBCST_N21",   "pICMSST_N22",  "vICMSST_N23"};
const std::vector<std::string> kICMS70 = {"orig_N11",     "CST_N12",     "modBC_N13",   "pRedBC_N14", "vBC_N15",
                                          "pICMS_N16",    "vICMS_N17",   "modBCST_N18", "pMVAST_N19",
                                          "pRedBCST_N20", "vBCST_N21",   "pICMSST_N22", "vICMSST_N23"};
const std::vector<std::string> kICMS90 = {"orig_N11",     "CST_N12",     "modBC_N13",   "vBC_N15",    "pRedBC_N14",
                                          "pICMS_N16",    "vICMS_N17",   "modBCST_N18", "pMVAST_N19",
                                          "pRedBCST_N20", "vBCST_N21",   "pICMSST_N22", "vICMSST_N23"};

bool Entre(const std::string& aValor, std::initializer_list<const char*> aCodigos) {
  for (const char* codigo : aCodigos) {
    if (aValor == codigo) return true;
  }
  return false;
}

}  // namespace

void TxndDS_pl006e::CarregarDicionario() {
  TxndDS_pl005d::CarregarDicionario();
  ListaNFeMut().push_back(&DataSetPorNome("CANA"));
}

std::string TxndDS_pl006e::DataEmissaoChave() { return TextoCampo("dEmi_B09"); }

std::string TxndDS_pl006e::GerarChaveId() {
  Parte('B').First();
  TXmlDataSetNFe& a = Parte('A');
  if (a.State() != dsEdit && a.State() != dsInsert) a.Edit();
  const std::string cNF = TextoCampo("cNF_B03");
  const std::string data = DataEmissaoChave();
  const std::string chave = ChaveVerificada(
      [&] {
        return GerarChaveNFeTpEmis(data, TextoCampo("cUF_B02"), TextoCampo("CNPJ_C02"), TextoCampo("mod_B06"),
                                   TextoCampo("serie_B07"), TextoCampo("nNF_B08"), TextoCampo("tpEmis_B22"), cNF);
      },
      data, kDataInvalidaChaveTpEmis);
  GravarChave(chave, GovUtils()->PadLeft(cNF, 8));
  return chave;
}

std::string TxndDS_pl006e::ConvPartB() {
  TXmlDataSetNFe& b = Parte('B');
  if (b.RecordCount() == 0) return TxndDS_pl005d::ConvPartB();  // its message
  return "<ide>" +
         GerarCampos(b, {"cUF_B02", "cNF_B03", "natOp_B04", "indPag_B05", "mod_B06", "serie_B07", "nNF_B08",
                         "dEmi_B09", "dSaiEnt_B10", "hSaiEnt_B10a", "tpNF_B11", "cMunFG_B12"}) +
         ConvPartRef() +
         GerarCampos(b, {"tpImp_B21", "tpEmis_B22", "cDV_B23", "tpAmb_B24", "finNFe_B25", "procEmi_B26",
                         "verProc_B27", "dhCont_B28", "xJust_B29"}) +
         "</ide>";
}

std::vector<std::string> TxndDS_pl006e::CamposReferencia() {
  return {"refNFe_B13", "cUF_B15",    "AAMM_B16", "CNPJ_B17",  "mod_B18",   "serie_B19",  "nNF_B20",
          "cUF_B20b",   "AAMM_B20c",  "CNPJ_B20d", "CPF_B20e", "IE_B20f",   "mod_B20g",   "serie_B20h",
          "nNF_B20ha",  "refCTe_B20i", "mod_B20k", "nECF_B20l", "nCOO_B20m"};
}

// A record whose fields are all empty adds no NFref.
std::string TxndDS_pl006e::ConvPartRef() {
  const std::vector<std::string> c = CamposReferencia();
  TXmlDataSetNFe& nref = DataSetPorNome("NREF");
  std::string text;
  for (nref.First(); !nref.Eof(); nref.Next()) {
    std::string s;
    if (!nref.FieldByName(c[0]).AsString().empty()) s = GerarCampoPorNome(nref, c[0]);
    if (s.empty()) s = Envolver("refNF", GerarCampos(nref, {c[1], c[2], c[3], c[4], c[5], c[6]}));
    if (s.empty()) s = Envolver("refNFP", GerarCampos(nref, {c[7], c[8], c[9], c[10], c[11], c[12], c[13], c[14]}));
    if (s.empty()) s = GerarCampoPorNome(nref, c[15]);
    if (s.empty()) s = Envolver("refECF", GerarCampos(nref, {c[16], c[17], c[18]}));
    if (!s.empty()) text += "<NFref>" + s + "</NFref>";
  }
  return text;
}

std::string TxndDS_pl006e::ConvPartC() {
  TXmlDataSetNFe& c = Parte('C');
  return "<emit>" + GerarCampos(c, {"CNPJ_C02", "CPF_C02a", "xNome_C03", "xFant_C04"}) + "<enderEmit>" +
         GerarCampos(c, {"xLgr_C06", "nro_C07", "xCpl_C08", "xBairro_C09", "cMun_C10", "xMun_C11", "UF_C12",
                         "CEP_C13", "cPais_C14", "xPais_C15", "fone_C16"}) +
         "</enderEmit>" + GerarCampos(c, {"IE_C17", "IEST_C18", "IM_C19", "CNAE_C20", "CRT_C21"}) + "</emit>";
}

std::string TxndDS_pl006e::ConvPartE() {
  TXmlDataSetNFe& e = Parte('E');
  return "<dest>" + GerarCampos(e, {"CNPJ_E02", "CPF_E03", "xNome_E04"}) + "<enderDest>" +
         GerarCampos(e, {"xLgr_E06", "nro_E07", "xCpl_E08", "xBairro_E09", "cMun_E10", "xMun_E11", "UF_E12",
                         "CEP_E13", "cPais_E14", "xPais_E15", "fone_E16"}) +
         "</enderDest>" + GerarCampos(e, {"IE_E17", "ISUF_E18", "email_E19"}) + "</dest>";
}

std::string TxndDS_pl006e::ConvPartI() {
  TXmlDataSetNFe& i = Parte('I');
  return "<prod>" +
         GerarCampos(i, {"cProd_I02", "cEAN_I03", "xProd_I04", "NCM_I05", "EXTIPI_I06", "CFOP_I08", "uCom_I09",
                         "qCom_I10", "vUnCom_I10a", "vProd_I11", "cEANTrib_I12", "uTrib_I13", "qTrib_I14",
                         "vUnTrib_I14a", "vFrete_I15", "vSeg_I16", "vDesc_I17", "vOutro_I17a", "indTot_I17b"}) +
         ConvDI() + GerarCampos(i, {"xPed_I30", "nItemPed_I31"}) + ConvPartJ() + ConvPartK() + ConvPartL() +
         ConvPartL1() + "</prod>";
}

std::string TxndDS_pl006e::ConvImposto() {
  return "<imposto>" + ConvPartN() + ConvPartO() + ConvPartP() + ConvPartU() + ConvPartQ() + ConvPartR() +
         ConvPartS() + ConvPartT() + "</imposto>";
}

std::string TxndDS_pl006e::ConvPartItens() {
  TXmlDataSetNFe& h = Parte('H');
  std::string text;
  for (h.First(); !h.Eof(); h.Next()) {
    text += ExpandirModelo("<det @h(nItem_H02)>");
    text += ConvPartI();
    text += ConvImposto();
    text += ConvPartV() + "</det>";
  }
  return text;
}

std::string TxndDS_pl006e::ConvPartL1() {
  TXmlDataSetNFe& l1 = DataSetPorNome("L1");
  return Envolver("comb", GerarCampos(l1, {"cProdANP_L102", "CODIF_L103", "qTemp_L104", "UFCons_L120"}) +
                              Envolver("CIDE", GerarCampos(l1, {"qBCProd_L106", "vAliqProd_L107", "vCIDE_L108"})));
}

std::vector<std::string> TxndDS_pl006e::CamposICMS(const std::string& aGrupo) {
  static const std::vector<std::pair<std::string, std::vector<std::string>>> kCampos = {
      {"ICMS00", {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pICMS_N16", "vICMS_N17"}},
      {"ICMS10", kICMS10},
      {"ICMS20", {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16", "vICMS_N17"}},
      {"ICMS30",
       {"orig_N11", "CST_N12", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21", "pICMSST_N22",
        "vICMSST_N23"}},
      {"ICMS40", {"orig_N11", "CST_N12", "vICMS_N17", "motDesICMS_N28"}},
      {"ICMSST", {"orig_N11", "CST_N12", "vBCSTRet_N26", "vICMSSTRet_N27", "vBCSTDest_N31", "vICMSSTDest_N32"}},
      {"ICMS51", {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16", "vICMS_N17"}},
      {"ICMS60", {"orig_N11", "CST_N12", "vBCSTRet_N26", "vICMSSTRet_N27"}},
      {"ICMS70", kICMS70},
      {"ICMS90", kICMS90},
      {"ICMSPart",
       {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16", "vICMS_N17", "modBCST_N18",
        "pMVAST_N19", "pRedBCST_N20", "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "pBCOp_N25", "UFST_N24"}},
      {"ICMSSN101", {"orig_N11", "CSOSN_N12a", "pCredSN_N29", "vCredICMSSN_N30"}},
      {"ICMSSN102", {"orig_N11", "CSOSN_N12a"}},
      {"ICMSSN201",
       {"orig_N11", "CSOSN_N12a", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21", "pICMSST_N22",
        "vICMSST_N23", "pCredSN_N29", "vCredICMSSN_N30"}},
      {"ICMSSN202",
       {"orig_N11", "CSOSN_N12a", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21", "pICMSST_N22",
        "vICMSST_N23"}},
      {"ICMSSN500", {"orig_N11", "CSOSN_N12a", "vBCSTRet_N26", "vICMSSTRet_N27"}},
      {"ICMSSN900",
       {"orig_N11", "CSOSN_N12a", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16", "vICMS_N17", "modBCST_N18",
        "pMVAST_N19", "pRedBCST_N20", "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "pCredSN_N29",
        "vCredICMSSN_N30"}}};
  for (const auto& [grupo, campos] : kCampos) {
    if (grupo == aGrupo) return campos;
  }
  return {};
}

// The group by CST (Normal regime), replaced by the partition group and then
// by a Simples Nacional group when those apply; no group, no ICMS element.
std::string TxndDS_pl006e::ConvPartN() {
  TXmlDataSetNFe& n = Parte('N');
  const std::string cst = n.FieldByName("CST_N12").AsString();
  std::string grupo;
  if (Entre(cst, {"00", "10", "20", "30", "51", "60", "70", "90"})) {
    grupo = "ICMS" + cst;
  } else if (cst == "41" && !(n.FieldByName("vBCSTRet_N26").AsString().empty() &&
                              n.FieldByName("vICMSSTRet_N27").AsString().empty() &&
                              n.FieldByName("vBCSTDest_N31").AsString().empty())) {
    grupo = "ICMSST";
  } else if (Entre(cst, {"40", "41", "50"})) {
    grupo = "ICMS40";
  }
  if ((cst == "10" || cst == "90") && !n.FieldByName("UFST_N24").AsString().empty()) grupo = "ICMSPart";
  const std::string csosn = n.FieldByName("CSOSN_N12a").AsString();
  if (csosn == "101") {
    grupo = "ICMSSN101";
  } else if (Entre(csosn, {"102", "103", "300", "400"})) {
    grupo = "ICMSSN102";
  } else if (csosn == "201") {
    grupo = "ICMSSN201";
  } else if (Entre(csosn, {"202", "203"})) {
    grupo = "ICMSSN202";
  } else if (csosn == "500") {
    grupo = "ICMSSN500";
  } else if (csosn == "900") {
    grupo = "ICMSSN900";
  }
  if (grupo.empty()) return {};
  return "<ICMS><" + grupo + ">" + GerarCampos(n, CamposICMS(grupo)) + "</" + grupo + "></ICMS>";
}

std::string TxndDS_pl006e::ConvPartO() {
  TXmlDataSetNFe& o = Parte('O');
  const std::string cst = o.FieldByName("CST_O09").AsString();
  const std::string cabecalho = GerarCampos(o, {"clEnq_O02", "CNPJProd_O03", "cSelo_O04", "qSelo_O05", "cEnq_O06"});
  if (Entre(cst, {"00", "49", "50", "99"})) {
    return "<IPI>" + cabecalho + "<IPITrib>" +
           GerarCampos(o, {"CST_O09", "vBC_O10", "pIPI_O13", "qUnid_O11", "vUnid_O12", "vIPI_O14"}) +
           "</IPITrib></IPI>";
  }
  if (Entre(cst, {"01", "02", "03", "04", "05", "51", "52", "53", "54", "55"})) {
    return "<IPI>" + cabecalho + "<IPINT>" + GerarCampoPorNome(o, "CST_O09") + "</IPINT></IPI>";
  }
  return {};
}

std::string TxndDS_pl006e::ConvPartX() {
  return ExpandirModelo("<transp>@x(modFrete_X02)") + ConvTransporta() + ConvReboque() +
         ExpandirModelo("@x(vagao_X25a)") + ExpandirModelo("@x(balsa_X25b)") + ConvVol() + "</transp>";
}

std::string TxndDS_pl006e::ConvPartZ() { return TxndDS_pl005d::ConvPartZ() + ConvCana(); }

std::string TxndDS_pl006e::ConvCana() {
  TXmlDataSetNFe& cana = DataSetPorNome("CANA");
  TXmlDataSetNFe& forDia = DataSetPorNome("FORDIA");
  forDia.SetNomeGrupo("forDia");
  std::string dias;
  for (forDia.First(); !forDia.Eof(); forDia.Next()) {
    const std::string qtde = GerarCampoPorNome(forDia, "qtde_ZC06");
    if (!qtde.empty()) dias += "<forDia " + GerarCampoPorNome(forDia, "dia_ZC05") + ">" + qtde + "</forDia>";
  }
  const std::string deduc = GruposDeTodos(DataSetPorNome("DEDUC"), "deduc");
  return Envolver("cana", GerarCampos(cana, {"safra_ZC02", "ref_ZC03"}) + dias +
                              GerarCampos(cana, {"qTotMes_ZC07", "qTotAnt_ZC08", "qTotGer_ZC09"}) + deduc +
                              GerarCampos(cana, {"vFor_ZC13", "vTotDed_ZC14", "vLiqFor_ZC15"}));
}

}  // namespace xnd

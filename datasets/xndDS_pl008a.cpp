#include "datasets/xndNFeDataSetVersoes.h"

namespace xnd {

void TxndDS_pl008a::AddDataSetsListaNFE() {
  Listar(ListaNFeMut(), {"A", "B", "C", "D", "E", "F", "G", "AUTXML", "X", "W", "Y", "Z", "REBOQUE", "VOL",
                         "LACRE", "PROCREF", "OBSCONT", "MANAGER"});
}

void TxndDS_pl008a::AddDataSetsListaItemNFe() {
  Listar(ListaItemNFeMut(), {"H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "DI", "ADI",
                 "DETEXPORT", "EXPORTIND", "L1", "L2"});
}

// autXML goes after entrega and before the items.
std::string TxndDS_pl008a::ConverterAuto() {
  LigarMestreDetalhe();
  std::string text = ConvPartA();
  text += ConvPartB();
  text += ConvPartC();
  text += ConvPartD();
  text += ConvPartE();
  text += ConvPartF();
  text += ConvPartG();
  text += ConvAutXML();
  text += ConvPartItens();
  text += ConvPartW();
  text += ConvPartX();
  text += ConvPartY();
  text += ConvPartZ();
  return text + "</infNFe>";
}

std::string TxndDS_pl008a::DataEmissaoChave() { return TextoCampo("dhEmi_B09"); }

// Layout 3.10 moved NFref to the end of ide, after xJust: written where
// layout 2.00 had it (after cMunFG), a referenced note is refused by the
// 3.10 schema.
std::string TxndDS_pl008a::ConvPartB() {
  TXmlDataSetNFe& b = Parte('B');
  if (b.RecordCount() == 0) return TxndDS_pl006s::ConvPartB();  // its message
  return "<ide>" +
         GerarCampos(b, {"cUF_B02", "cNF_B03", "natOp_B04", "indPag_B05", "mod_B06", "serie_B07", "nNF_B08",
                         "dhEmi_B09", "dhSaiEnt_B10", "tpNF_B11", "idDest_B11a", "cMunFG_B12"}) +
         GerarCampos(b, {"tpImp_B21", "tpEmis_B22", "cDV_B23", "tpAmb_B24", "finNFe_B25", "indFinal_B25a",
                         "indPres_B25b", "procEmi_B26", "verProc_B27", "dhCont_B28", "xJust_B29"}) +
         ConvPartRef() + "</ide>";
}

std::vector<std::string> TxndDS_pl008a::CamposReferencia() {
  return {"refNFe_BA02", "cUF_BA04",   "AAMM_BA05", "CNPJ_BA06", "mod_BA07",  "serie_BA08", "nNF_BA09",
          "cUF_BA11",    "AAMM_BA12",  "CNPJ_BA13", "CPF_BA14",  "IE_BA15",   "mod_BA16",   "serie_BA17",
          "nNF_BA18",    "refCTe_BA19", "mod_BA21", "nECF_BA22", "nCOO_BA23"};
}

// Layout 3.10 makes the recipient (an NFC-e may have none) and its address
// optional: an empty group, which the schema refuses, is left out.
std::string TxndDS_pl008a::ConvPartE() {
  TXmlDataSetNFe& e = Parte('E');
  if (!PossuiDados(e)) return {};
  const std::string endereco =
      GerarCampos(e, {"xLgr_E06", "nro_E07", "xCpl_E08", "xBairro_E09", "cMun_E10", "xMun_E11", "UF_E12",
                      "CEP_E13", "cPais_E14", "xPais_E15", "fone_E16"});
  return "<dest>" + GerarCampos(e, {"CNPJ_E02", "CPF_E03", "idEstrangeiro_E03a", "xNome_E04"}) +
         (endereco.empty() ? std::string() : "<enderDest>" + endereco + "</enderDest>") +
         GerarCampos(e, {"indIEDest_E16a", "IE_E17", "ISUF_E18", "IM_E18a", "email_E19"}) + "</dest>";
}

std::string TxndDS_pl008a::ConvPartI() {
  TXmlDataSetNFe& i = Parte('I');
  return "<prod>" +
         GerarCampos(i, {"cProd_I02", "cEAN_I03", "xProd_I04", "NCM_I05", "EXTIPI_I06", "CFOP_I08", "uCom_I09",
                         "qCom_I10", "vUnCom_I10a", "vProd_I11", "cEANTrib_I12", "uTrib_I13", "qTrib_I14",
                         "vUnTrib_I14a", "vFrete_I15", "vSeg_I16", "vDesc_I17", "vOutro_I17a", "indTot_I17b"}) +
         ConvDI() + ConvDetExport() + GerarCampos(i, {"xPed_I30", "nItemPed_I31", "nFCI_I70"}) + ConvPartJ() +
         ConvPartK() + ConvPartL() + ConvPartL1() + ConvPartL2() + "</prod>";
}

std::string TxndDS_pl008a::ConvPartL1() {
  TXmlDataSetNFe& l1 = DataSetPorNome("L1");
  return Envolver("comb",
                  GerarCampos(l1, {"cProdANP_L102", "pMixGN_L102a", "CODIF_L103", "qTemp_L104", "UFCons_L120"}) +
                      Envolver("CIDE", GerarCampos(l1, {"qBCProd_L106", "vAliqProd_L107", "vCIDE_L108"})));
}

std::vector<std::string> TxndDS_pl008a::CamposICMS(const std::string& aGrupo) {
  std::vector<std::string> campos;
  if (aGrupo == "ICMS20") {
    return {"orig_N11",  "CST_N12",   "modBC_N13",       "pRedBC_N14",    "vBC_N15",
            "pICMS_N16", "vICMS_N17", "vICMSDeson_N27a", "motDesICMS_N28"};
  }
  if (aGrupo == "ICMS30") {
    return {"orig_N11",    "CST_N12",     "modBCST_N18",     "pMVAST_N19",    "pRedBCST_N20",
            "vBCST_N21",   "pICMSST_N22", "vICMSST_N23",     "vICMSDeson_N27a", "motDesICMS_N28"};
  }
  if (aGrupo == "ICMS40") return {"orig_N11", "CST_N12", "vICMS_N17", "vICMSDeson_N27a", "motDesICMS_N28"};
  if (aGrupo == "ICMS51") {
    return {"orig_N11",    "CST_N12",  "modBC_N13",      "pRedBC_N14", "vBC_N15",
            "pICMS_N16",   "vICMSOp_N16a", "pDif_N16b",  "vICMSDif_N16c", "vICMS_N17"};
  }
  campos = TxndDS_pl006s::CamposICMS(aGrupo);
  if (aGrupo == "ICMS70" || aGrupo == "ICMS90") {
    campos.push_back("vICMSDeson_N27a");
    campos.push_back("motDesICMS_N28");
  }
  return campos;
}

std::string TxndDS_pl008a::ConvPartW() {
  std::string issqn;
  for (const char* nome : {"vServ_W18", "vBC_W19", "vISS_W20", "vPIS_W21", "vCOFINS_W22", "dCompet_W22a",
                           "vDeducao_W22b", "vOutro_W22c", "vDescIncond_W22d", "vDescCond_W22e", "vISSRet_W22f",
                           "cRegTrib_W22g"}) {
    issqn += GerarCampo(CampoPorNome(nome));
  }
  return ExpandirModelo("<total><ICMSTot>@w(vBC_W03)@w(vICMS_W04)@w(vICMSDeson_W04a)@w(vBCST_W05)@w(vST_W06)"
                        "@w(vProd_W07)@w(vFrete_W08)@w(vSeg_W09)@w(vDesc_W10)@w(vII_W11)@w(vIPI_W12)@w(vPIS_W13)"
                        "@w(vCOFINS_W14)@w(vOutro_W15)@w(vNF_W16)@w(vTotTrib_W16a)</ICMSTot>") +
         Envolver("ISSQNtot", issqn) + ConvRetTrib() + "</total>";
}

std::string TxndDS_pl008a::ConvExporta() {
  return Envolver("exporta", ExpandirModelo("@z(UFSaidaPais_ZA02)@z(xLocExporta_ZA03)@z(xLocDespacho_ZA04)"));
}

}  // namespace xnd

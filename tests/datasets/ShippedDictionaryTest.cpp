// The shipped dictionary: it loads, holds every dataset and field that the
// XML generation and the business rules read by name, links the groups of an
// item to H, and is up to date with its sources.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "datasets/xndXMLDataSetNFe.h"
#include "platform/files.h"
#include "tests/support/TempDir.h"
#include "types/xndNFeExceptions.h"

namespace xnd {
namespace {

std::string ShippedDictionary() { return ProgramDirectory() + "Templates/vm40/Conversor/NFeDataSets.xml"; }

class ShippedDictionary : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    FTemp = new test::TempDir;
    FEngine = new TxndXMLDataSetNFe;
    FEngine->SetDiretorioLogErro(FTemp->Path());
    FEngine->SetXMLDicionario(xnd::ShippedDictionary());
  }
  static void TearDownTestSuite() {
    delete FEngine;
    delete FTemp;
  }
  static test::TempDir* FTemp;
  static TxndXMLDataSetNFe* FEngine;
};

test::TempDir* ShippedDictionary::FTemp = nullptr;
TxndXMLDataSetNFe* ShippedDictionary::FEngine = nullptr;

// Every dataset the generator and the rules name.
const char* const kDataSets[] = {
    "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S",
    "T", "U", "V", "W", "X", "Y", "Z", "REBOQUE", "VOL", "LACRE", "PROCREF", "OBSCONT", "MANAGER",
    "DI", "ADI", "L1", "L2", "NREF", "DUP", "OBSFISCO", "CANA", "FORDIA", "DEDUC", "AUTXML",
    "DETEXPORT", "EXPORTIND"};

// Every field the generator writes and the rules read, spelled as they spell it.
const char* const kCampos[] = {
"AAMM_B16", "AAMM_B20c", "AAMM_BA05", "AAMM_BA12", "balsa_X25b", "cDV_B23", "cEANTrib_I12", "cEAN_I03", 
"cEnq_O06", "CEP_C13", "CEP_E13", "CFOP_I08", "CFOP_X16", "chNFe_I54", "clEnq_O02", "cMunFG_B12", 
"cMunFG_U05", "cMunFG_X17", "cMun_C10", "cMun_E10", "cMun_F07", "cMun_G07", "CNAE_C20", "cNF_B03", 
"CNPJProd_O03", "CNPJ_B17", "CNPJ_B20d", "CNPJ_BA06", "CNPJ_BA13", "CNPJ_C02", "CNPJ_E02", "CNPJ_F02", 
"CNPJ_G02", "CNPJ_I23d", "CNPJ_X04", "CODIF_L103", "cPais_C14", "cPais_E14", "CPF_B20e", "CPF_BA14", 
"CPF_C02a", "CPF_E03", "CPF_F02a", "CPF_G02a", "CPF_X05", "cProdANP_L102", "cProd_I02", "cRegTrib_W22g", 
"CRT_C21", "cSelo_O04", "CSOSN_N12a", "CST_N12", "CST_O09", "CST_Q02", "CST_Q06", "CST_S06", 
"cUF_B02", "cUF_B15", "cUF_B20b", "cUF_BA04", "cUF_BA11", "dCompet_W22a", "dEmi_B09", "dhCont_B28", 
"dhEmi_B09", "dhSaiEnt_B10", "dia_ZC05", "dSaiEnt_B10", "dVenc_Y09", "email_E19", "EXTIPI_I06", "finNFe_B25", 
"fone_C16", "fone_E16", "hSaiEnt_B10a", "idDest_B11a", "idEstrangeiro_E03a", "ID_A03", "IEST_C18", "IE_B20f", 
"IE_BA15", "IE_C17", "IE_E17", "IE_X07", "IM_C19", "IM_E18a", "indFinal_B25a", "indIEDest_E16a", 
"indPag_B05", "indPres_B25b", "indTot_I17b", "infAdFisco_Z02", "infCpl_Z03", "ISUF_E18", "modBCST_N18", "modBC_N13", 
"modFrete_X02", "mod_B06", "mod_B18", "mod_B20g", "mod_B20k", "mod_BA07", "mod_BA16", "mod_BA21", 
"motDesICMS_N28", "natOp_B04", "NCM_I05", "nCOO_B20m", "nCOO_BA23", "nDraw_I29a", "nDraw_I51", "nDup_Y08", 
"nECF_B20l", "nECF_BA22", "nFat_Y03", "nFCI_I70", "nItemPed_I31", "nItem_H02", "nNF_B08", "nNF_B20", 
"nNF_B20ha", "nNF_BA09", "nNF_BA18", "nRECOPI_L109", "nro_C07", "nro_E07", "orig_N11", "pBCOp_N25", 
"pCOFINS_S08", "pCredSN_N29", "pDif_N16b", "pICMSRet_X14", "pICMSST_N22", "pICMS_N16", "pIPI_O13", "pMixGN_L102a", 
"pMVAST_N19", "pPIS_Q08", "pRedBCST_N20", "pRedBC_N14", "procEmi_B26", "qBCProd_L106", "qBCProd_Q10", "qBCProd_S09", 
"qCom_I10", "qSelo_O05", "qtde_ZC06", "qTemp_L104", "qTotAnt_ZC08", "qTotGer_ZC09", "qTotMes_ZC07", "qTrib_I14", 
"qUnid_O11", "refCTe_B20i", "refCTe_BA19", "refNFe_B13", "refNFe_BA02", "ref_ZC03", "RNTC_X21", "safra_ZC02", 
"serie_B07", "serie_B19", "serie_B20h", "serie_BA08", "serie_BA17", "tpAmb_B24", "tpEmis_B22", "tpImp_B21", 
"tpIntermedio_I23c", "tpNF_B11", "tpOp_J02", "tpViaTransp_I23a", "uCom_I09", "UFCons_L120", "UFEmbarq_ZA02", "UFSaidaPais_ZA02", 
"UFST_N24", "UFTerceiro_I23e", "UF_C12", "UF_E12", "UF_F09", "UF_G09", "UF_X10", "UF_X20", 
"uTrib_I13", "vAFRMM_I23b", "vagao_X25a", "vAliqProd_L107", "vAliqProd_Q11", "vAliqProd_S10", "vBCICMSSTCons_L118", "vBCICMSSTDest_L115", 
"vBCICMSST_L112", "vBCICMS_L110", "vBCIRRF_W27", "vBCRetPrev_W29", "vBCRet_X13", "vBCSTDest_N31", "vBCSTRet_N26", "vBCST_N21", 
"vBCST_W05", "vBC_N15", "vBC_O10", "vBC_Q07", "vBC_S07", "vBC_U02", "vBC_W03", "vBC_W19", 
"vCIDE_L108", "vCOFINS_S11", "vCOFINS_W14", "vCOFINS_W22", "vCredICMSSN_N30", "vDeducao_U07", "vDeducao_W22b", "vDescCond_U10", 
"vDescCond_W22e", "vDescIncond_U09", "vDescIncond_W22d", "vDesc_I17", "vDesc_W10", "vDesc_Y05", "vDup_Y10", "verProc_B27", 
"versao_A02", "vFor_ZC13", "vFrete_I15", "vFrete_W08", "vICMSDeson_N27a", "vICMSDeson_W04a", "vICMSDif_N16c", "vICMSOp_N16a", 
"vICMSRet_X15", "vICMSSTCons_L119", "vICMSSTDest_L116", "vICMSSTDest_N32", "vICMSSTRet_N27", "vICMSST_L113", "vICMSST_N23", "vICMS_L111", 
"vICMS_N17", "vICMS_W04", "vII_P04", "vII_W11", "vIPI_O14", "vIPI_W12", "vIRRF_W28", "vISSQN_U04", 
"vISSRet_U11", "vISSRet_W22f", "vISS_W20", "vLiqFor_ZC15", "vLiq_Y06", "vNF_W16", "vOrig_Y04", "vOutro_I17a", 
"vOutro_U08", "vOutro_W15", "vOutro_W22c", "vPIS_Q09", "vPIS_W13", "vPIS_W21", "vProd_I11", "vProd_W07", 
"vRetCOFINS_W25", "vRetCSLL_W26", "vRetPIS_W24", "vRetPrev_W30", "vSeg_I16", "vSeg_W09", "vServ_W18", "vServ_X12", 
"vST_W06", "vTotDed_ZC14", "vTotTrib_M02", "vTotTrib_W16a", "vUnCom_I10a", "vUnid_O12", "vUnTrib_I14a", "xBairro_C09", 
"xBairro_E09", "xCampo_Z05", "xCampo_Z08", "xCont_ZB04", "xCpl_C08", "xCpl_E08", "xEnder_X08", "xFant_C04", 
"xJust_B29", "xLgr_C06", "xLgr_E06", "xLocDespacho_ZA04", "xLocEmbarq_ZA03", "xLocExporta_ZA03", "xMun_C11", "xMun_E11", 
"xMun_X09", "xNEmp_ZB02", "xNome_C03", "xNome_E04", "xNome_X06", "xPais_C15", "xPais_E15", "xPed_I30", 
"xPed_ZB03", "xProd_I04", "xTexto_Z06", "xTexto_Z09", };

TEST_F(ShippedDictionary, HoldsEveryDatasetAndFieldReadByName) {
  for (const char* name : kDataSets) EXPECT_NO_THROW(FEngine->DataSetPorNome(name)) << name;
  for (const char* name : kCampos) EXPECT_NO_THROW(FEngine->CampoPorNome(name)) << name;
}

TEST_F(ShippedDictionary, EveryDatasetHasAHandleAndItsLinks) {
  for (const auto& dataSet : FEngine->ListDataSets()) {
    const TField* handle = dataSet->FindField("handle");
    ASSERT_NE(handle, nullptr) << dataSet->Name();
    EXPECT_FALSE(handle->Visible());
    if (dataSet->NomeMestre().empty()) continue;
    EXPECT_NO_THROW(FEngine->DataSetPorNome(dataSet->NomeMestre())) << dataSet->Name();
    EXPECT_EQ(dataSet->CampoMestre(), "handle");
    const TField* key = dataSet->FindField(dataSet->CampoChave());
    ASSERT_NE(key, nullptr) << dataSet->Name();
    EXPECT_FALSE(key->Visible());
  }
  // The groups of an item follow H; ADI follows DI, EXPORTIND follows
  // DETEXPORT and LACRE follows VOL.
  for (const char* item : {"I", "J", "K", "L", "L1", "L2", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V",
                           "DI", "DETEXPORT"})
    EXPECT_EQ(FEngine->DataSetPorNome(item).NomeMestre(), "H") << item;
  EXPECT_EQ(FEngine->DataSetPorNome("ADI").NomeMestre(), "DI");
  EXPECT_EQ(FEngine->DataSetPorNome("EXPORTIND").NomeMestre(), "DETEXPORT");
  EXPECT_EQ(FEngine->DataSetPorNome("LACRE").NomeMestre(), "VOL");
  EXPECT_EQ(FEngine->DataSetPorNome("H").NomeMestre(), "");
}

TEST_F(ShippedDictionary, WritesAttributesOnlyWhereTheLayoutHasThem) {
  std::vector<std::string> attributes;
  for (const auto& dataSet : FEngine->ListDataSets()) {
    for (const auto& field : dataSet->Fields()) {
      const auto& xmlField = static_cast<const TXmlFieldNFe&>(*field);
      if (field->Visible() && xmlField.GetTpNode() != "elemento") attributes.push_back(field->FieldName());
    }
  }
  EXPECT_EQ(attributes, (std::vector<std::string>{"versao_A02", "Id_A03", "nItem_H02", "xCampo_Z05",
                                                  "xCampo_Z08", "dia_ZC05"}));
}

TEST_F(ShippedDictionary, NoteOfTenItemsThroughTheItemGroups) {
  FEngine->AtivarMestreDetalhe(true);
  FEngine->Incluir();
  for (int item = 1; item <= 10; ++item) {
    FEngine->IncluirParte("H");
    FEngine->CampoPorNome("nItem_H02").SetAsInteger(item);
    FEngine->IncluirParte("I");
    for (const auto& [campo, valor] : std::vector<std::pair<std::string, std::string>>{
             {"cProd_I02", "P" + std::to_string(item)}, {"xProd_I04", "Parafuso"}, {"CFOP_I08", "5102"},
             {"uCom_I09", "UN"}, {"qCom_I10", "1.0000"}, {"vUnCom_I10a", "2.50"}, {"vProd_I11", "2.50"},
             {"uTrib_I13", "UN"}, {"qTrib_I14", "1.0000"}, {"vUnTrib_I14a", "2.50"}})
      FEngine->CampoPorNome(campo).SetAsString(valor);
    FEngine->IncluirParte("N");
    FEngine->CampoPorNome("orig_N11").SetAsString("0");
    FEngine->CampoPorNome("CST_N12").SetAsString("00");
  }
  // Moving H posts the pending groups of the last item.
  TXmlDataSetNFe& h = FEngine->DataSetPorNome("H");
  h.First();
  EXPECT_EQ(h.RecordCount(), 10);
  EXPECT_EQ(FEngine->CampoPorNome("cProd_I02").AsString(), "P1");
  h.Last();
  EXPECT_EQ(FEngine->CampoPorNome("cProd_I02").AsString(), "P10");
  EXPECT_EQ(FEngine->DataSetPorNome("N").RecordCount(), 1);
  // A value outside the schema's list is refused when the group is posted.
  FEngine->DataSetPorNome("N").Edit();
  FEngine->CampoPorNome("CST_N12").SetAsString("07");
  EXPECT_THROW(FEngine->SalvarParte("N"), ExndDataSetException);
  FEngine->DataSetPorNome("N").Cancel();
  // A required field of an item left empty stops the item's post.
  h.Edit();
  FEngine->IncluirParte("I");
  FEngine->CampoPorNome("cProd_I02").SetAsString("P11");
  EXPECT_THROW(FEngine->SalvarParte("I"), ExndDataSetException);
  FEngine->DataSetPorNome("I").Cancel();
  FEngine->AtivarMestreDetalhe(false);
}

TEST(ShippedDictionarySources, GeneratedDictionaryIsUpToDate) {
  if (std::system("python3 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "python3 não encontrado";
  const std::string command = std::string("python3 ") + XND_SOURCE_DIR + "/scripts/gen-dictionary --check";
  EXPECT_EQ(std::system(command.c_str()), 0) << "run scripts/gen-dictionary";
  // The copy beside the program is the committed one.
  EXPECT_EQ(ReadFileBytes(ShippedDictionary()),
            ReadFileBytes(std::string(XND_SOURCE_DIR) + "/data/Templates/vm40/Conversor/NFeDataSets.xml"));
}

TEST(ShippedDictionarySources, SizesAndValuesAreThoseOfTheNationalSchemas) {
  const std::string schemas = std::string(XND_SHARED_DIR) + "/schemas";
  if (!DirectoryExists(schemas + "/PL_008i2")) GTEST_SKIP() << "esquemas nacionais ausentes em " << schemas;
  if (std::system("python3 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "python3 não encontrado";
  const std::string command =
      std::string("python3 ") + XND_SOURCE_DIR + "/scripts/gen-dictionary --check --schemas " + schemas;
  EXPECT_EQ(std::system(command.c_str()), 0) << "run scripts/gen-dictionary --schemas " << schemas;
}

}  // namespace
}  // namespace xnd

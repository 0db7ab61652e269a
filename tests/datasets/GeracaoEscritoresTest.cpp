// What each schema package writes for one input, as a table: a realistic
// note of the package's layout with one change, and a fragment the note
// must (or must not) hold. The dictionary used here is the shipped one
// without its lists of allowed values, so that codes outside the tables
// reach the writers.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "tests/datasets/NotaDataSets.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

using TCampos = std::vector<std::pair<std::string, std::string>>;
using TAlteracao = std::function<void(TxndNFeCustomDataSet&)>;

const std::string& DicionarioSemListas() {
  static const TempDir dir;
  static const std::string path = dir.Write(
      "NFeDataSets.xml", std::regex_replace(LerArquivoTexto(DicionarioInstalado()), std::regex(" enum=\"[^\"]*\""), ""));
  return path;
}

// The record of a dataset under item aItem (1-based; 0: the note's current
// record), edited, or appended when there is none, with the given values.
void Alterar(TxndNFeCustomDataSet& aEngine, int aItem, const std::string& aDataSet, const TCampos& aCampos,
             bool aNovo = false) {
  if (aItem > 0) {
    TXmlDataSetNFe& h = aEngine.Parte('H');
    h.First();
    for (int i = 1; i < aItem; ++i) h.Next();
  }
  TXmlDataSetNFe& dataSet = aEngine.DataSetPorNome(aDataSet);
  if (aNovo || dataSet.RecordCount() == 0) {
    dataSet.Append();
  } else {
    dataSet.Edit();
  }
  for (const auto& [campo, valor] : aCampos) dataSet.FieldByName(campo).SetAsString(valor);
  dataSet.Post();
}

TAlteracao Item(int aItem, const std::string& aDataSet, const TCampos& aCampos) {
  return [=](TxndNFeCustomDataSet& e) { Alterar(e, aItem, aDataSet, aCampos); };
}

TAlteracao Nota(const std::string& aDataSet, const TCampos& aCampos, bool aNovo = false) {
  return [=](TxndNFeCustomDataSet& e) { Alterar(e, 0, aDataSet, aCampos, aNovo); };
}

struct CasoEscritor {
  const char* Nome;
  TVersaoEsquema Versao;
  TAlteracao Alteracao;
  const char* Trecho;
  bool Presente;
};

void PrintTo(const CasoEscritor& aCaso, std::ostream* aOut) { *aOut << aCaso.Nome; }

const char* NotaDoLeiaute(TVersaoEsquema aVersao) {
  if (aVersao <= pl_005f) return "nota110.xml";
  return aVersao == pl_008a ? "nota310.xml" : "nota200.xml";
}

class GeracaoEscritoresTest : public ::testing::TestWithParam<CasoEscritor> {};

TEST_P(GeracaoEscritoresTest, WritesTheFragmentOfItsPackage) {
  const CasoEscritor& caso = GetParam();
  auto engine = CriarEngineComDicionario(caso.Versao, DicionarioSemListas());
  PreencherDeXml(*engine, NotaDeTeste(NotaDoLeiaute(caso.Versao)));
  if (caso.Alteracao) caso.Alteracao(*engine);

  const std::string nota = engine->ConverterAuto();

  EXPECT_EQ(nota.find(caso.Trecho) != std::string::npos, caso.Presente) << nota;
}

const TCampos kComb = {{"cProdANP_L102", "210203001"}, {"vBCICMS_L110", "10.00"}};
const TCampos kCST99 = {{"CST_N12", "99"}, {"CSOSN_N12a", "999"}};

INSTANTIATE_TEST_SUITE_P(
    Pacotes, GeracaoEscritoresTest,
    ::testing::Values(
        // ICMS
        CasoEscritor{"pl_005a_CSTDesconhecidoEscreveOsCamposDeN", pl_005a, Item(1, "N", {{"CST_N12", "99"}}),
                     "<imposto><ICMS><orig>0</orig><CST>99</CST><modBC>3</modBC><vBC>1000.00</vBC><pICMS>18.00</pICMS>"
                     "<vICMS>180.00</vICMS></ICMS>",
                     true},
        CasoEscritor{"pl_005a_CSTDesconhecidoGuardaOGrupoDoItemAnterior", pl_005a, Item(2, "N", {{"CST_N12", "99"}}),
                     "<ICMS><ICMS00><orig>0</orig><CST>99</CST><modBC>3</modBC><vBC>300.00</vBC>", true},
        CasoEscritor{"pl_005c_CSTDesconhecidoDaICMSVazio", pl_005c, Item(1, "N", kCST99), "<ICMS></ICMS>", true},
        CasoEscritor{"pl_006e_CSTECSOSNDesconhecidosSemICMS", pl_006e, Item(1, "N", kCST99),
                     "</prod><imposto><IPI>", true},
        CasoEscritor{"pl_006e_CSOSNSubstituiOCST", pl_006e, Item(1, "N", {{"CSOSN_N12a", "102"}}),
                     "<imposto><ICMS><ICMSSN102><orig>0</orig><CSOSN>102</CSOSN></ICMSSN102></ICMS><IPI>", true},
        CasoEscritor{"pl_006f_CST10ComUFSTDaICMSPart", pl_006f, Item(1, "N", {{"CST_N12", "10"}, {"UFST_N24", "RJ"}}),
                     "<imposto><ICMS><ICMSPart><orig>0</orig><CST>10</CST><modBC>3</modBC><vBC>1000.00</vBC>"
                     "<pICMS>18.00</pICMS><vICMS>180.00</vICMS><UFST>RJ</UFST></ICMSPart></ICMS>",
                     true},
        CasoEscritor{"pl_006e_CST41ComDadosDeSTDaICMSST", pl_006e,
                     Item(1, "N",
                          {{"CST_N12", "41"}, {"modBC_N13", ""}, {"vBCSTRet_N26", "50.00"},
                           {"vICMSSTRet_N27", "9.00"}}),
                     "<ICMS><ICMSST><orig>0</orig><CST>41</CST><vBCSTRet>50.00</vBCSTRet><vICMSSTRet>9.00</vICMSSTRet>"
                     "</ICMSST></ICMS>",
                     true},
        CasoEscritor{"pl_008a_ICMS51ComDiferimento", pl_008a,
                     Item(1, "N", {{"CST_N12", "51"}, {"pDif_N16b", "33.33"}, {"vICMSDif_N16c", "60.00"}}),
                     "<ICMS51><orig>0</orig><CST>51</CST><modBC>3</modBC><vBC>1000.00</vBC><pICMS>18.00</pICMS>"
                     "<pDif>33.33</pDif><vICMSDif>60.00</vICMSDif><vICMS>180.00</vICMS></ICMS51>",
                     true},
        // PIS and COFINS
        CasoEscritor{"pl_005a_PIS05DaPISVazio", pl_005a, Item(1, "Q", {{"CST_Q06", "05"}}), "<PIS></PIS>", true},
        CasoEscritor{"pl_005c_PIS49DaPISVazio", pl_005c, Item(1, "Q", {{"CST_Q06", "49"}}), "<PIS></PIS>", true},
        CasoEscritor{"pl_005f_PIS49DaPISOutr", pl_005f, Item(1, "Q", {{"CST_Q06", "49"}}),
                     "<PIS><PISOutr><CST>49</CST><vBC>1000.00</vBC><pPIS>1.65</pPIS><vPIS>16.50</vPIS></PISOutr></PIS>",
                     true},
        CasoEscritor{"pl_006e_NaoHerdaOs32CodigosDoPl005f", pl_006e, Item(1, "Q", {{"CST_Q06", "49"}}),
                     "<PIS></PIS>", true},
        CasoEscritor{"pl_006g_PIS49DaPISOutrDeNovo", pl_006g, Item(1, "Q", {{"CST_Q06", "49"}}),
                     "<PIS><PISOutr><CST>49</CST>", true},
        CasoEscritor{"pl_006g_COFINS75DaCOFINSOutr", pl_006g, Item(1, "S", {{"CST_S06", "75"}}),
                     "<COFINS><COFINSOutr><CST>75</CST><vBC>1000.00</vBC><pCOFINS>7.60</pCOFINS>", true},
        // IPI
        CasoEscritor{"pl_005a_IPI99VazioAindaDaIPITrib", pl_005a,
                     Item(2, "O", {{"CST_O09", "99"}, {"cEnq_O06", ""}}), "<IPI><IPITrib><CST>99</CST></IPITrib></IPI>",
                     true},
        CasoEscritor{"pl_006e_IPITribNaOrdemDe200", pl_006e,
                     Item(1, "O", {{"qUnid_O11", "10.0000"}, {"vUnid_O12", "5.0000"}, {"vBC_O10", ""}, {"pIPI_O13", ""}}),
                     "<IPITrib><CST>50</CST><qUnid>10.0000</qUnid><vUnid>5.0000</vUnid><vIPI>50.00</vIPI></IPITrib>", true},
        CasoEscritor{"pl_006e_IPIDeCSTDesconhecidoNaoEscrito", pl_006e, Item(1, "O", {{"CST_O09", "98"}}),
                     "<vICMS>180.00</vICMS></ICMS00></ICMS><PIS>", true},
        // Fuel
        CasoEscritor{"pl_005a_CombustivelComICMS", pl_005a, Item(1, "L1", kComb),
                     "<comb><cProdANP>210203001</cProdANP><ICMS><vBCICMS>10.00</vBCICMS></ICMS></comb>", true},
        CasoEscritor{"pl_005c_CombustivelComICMSComb", pl_005c, Item(1, "L1", kComb),
                     "<comb><cProdANP>210203001</cProdANP><ICMSComb><vBCICMS>10.00</vBCICMS></ICMSComb></comb>", true},
        CasoEscritor{"pl_006e_CombustivelSemGruposDeICMS", pl_006e, Item(1, "L1", kComb),
                     "<comb><cProdANP>210203001</cProdANP></comb>", true},
        CasoEscritor{"pl_008a_CombustivelComPMixGN", pl_008a, Item(1, "L1", {{"cProdANP_L102", "210203001"}, {"pMixGN_L102a", "50.00"}}),
                     "<comb><cProdANP>210203001</cProdANP><pMixGN>50.00</pMixGN></comb>", true},
        // Layout 3.10 groups of prod
        CasoEscritor{"pl_008a_NRECOPINoFimDeProd", pl_008a, Item(1, "L2", {{"nRECOPI_L109", "20140123456789012345"}}),
                     "<nItemPed>1</nItemPed><nRECOPI>20140123456789012345</nRECOPI></prod>", true},
        CasoEscritor{"pl_008a_DetExportComExportInd", pl_008a,
                     [](TxndNFeCustomDataSet& e) {
                       Alterar(e, 1, "DETEXPORT", {{"nDraw_I51", "20140012345"}}, true);
                       Alterar(e, 0, "EXPORTIND", {{"nRE_I53", "123456789012"}, {"qExport_I55", "1.0000"}}, true);
                     },
                     "<indTot>1</indTot><detExport><nDraw>20140012345</nDraw><exportInd><nRE>123456789012</nRE>"
                     "<qExport>1.0000</qExport></exportInd></detExport><xPed>",
                     true},
        CasoEscritor{"pl_006s_SemDetExport", pl_006s, Item(1, "DETEXPORT", {{"nDraw_I51", "20140012345"}}),
                     "<detExport>", false},
        // References
        CasoEscritor{"pl_005a_ReferenciaVaziaDaRefNFVazio", pl_005a, Nota("NREF", {}, true),
                     "<NFref><refNF></refNF></NFref>", true},
        CasoEscritor{"pl_006e_ReferenciaVaziaNaoEscrita", pl_006e, Nota("NREF", {}, true), "<NFref><refNF></refNF>",
                     false},
        CasoEscritor{"pl_006e_ReferenciaDeCTe", pl_006e,
                     Nota("NREF", {{"refCTe_B20i", "35150300822602000124570010000000011000000014"}}, true),
                     "<NFref><refCTe>35150300822602000124570010000000011000000014</refCTe></NFref><tpImp>", true},
        CasoEscritor{"pl_008a_ReferenciaDeECFNoFimDeIde", pl_008a,
                     Nota("NREF", {{"mod_BA21", "2D"}, {"nECF_BA22", "1"}, {"nCOO_BA23", "123"}}, true),
                     "<NFref><refECF><mod>2D</mod><nECF>1</nECF><nCOO>123</nCOO></refECF></NFref></ide>", true},
        // vTotTrib, nFCI
        CasoEscritor{"pl_006q_SemVTotTrib", pl_006q, nullptr, "<vTotTrib>", false},
        CasoEscritor{"pl_006r_VTotTribNoImposto", pl_006r, nullptr, "<imposto><vTotTrib>310.50</vTotTrib><ICMS>", true},
        CasoEscritor{"pl_006r_VTotTribNoTotal", pl_006r, nullptr, "<vNF>1701.60</vNF><vTotTrib>310.50</vTotTrib>", true},
        CasoEscritor{"pl_006r_VTotTribVazioNadaNoImposto", pl_006r, Item(1, "M", {{"vTotTrib_M02", ""}}),
                     "</prod><imposto><ICMS>", true},
        CasoEscritor{"pl_006r_SemNFCI", pl_006r, nullptr, "<nFCI>", false},
        CasoEscritor{"pl_006s_NFCI", pl_006s, nullptr, "<nItemPed>1</nItemPed><nFCI>", true},
        // transp, cana, exporta
        CasoEscritor{"pl_006e_VagaoDepoisDoReboque", pl_006e, Nota("X", {{"vagao_X25a", "V-12"}}),
                     "</reboque><vagao>V-12</vagao><vol>", true},
        CasoEscritor{"pl_008a_VolumeSemDadosNaoLevaSeusLacres", pl_008a,
                     [](TxndNFeCustomDataSet& e) {
                       Alterar(e, 0, "VOL", {}, true);
                       Alterar(e, 0, "LACRE", {{"nLacre_X34", "L-0003"}}, true);
                     },
                     "L-0003", false},
        CasoEscritor{"pl_005a_SemVagao", pl_005a, Nota("X", {{"vagao_X25a", "V-12"}}), "<vagao>", false},
        CasoEscritor{"pl_006e_Cana", pl_006e,
                     [](TxndNFeCustomDataSet& e) {
                       Alterar(e, 0, "CANA", {{"safra_ZC02", "2025/2026"}, {"ref_ZC03", "03/2026"}});
                       Alterar(e, 0, "FORDIA", {{"dia_ZC05", "1"}, {"qtde_ZC06", "10.0000000000"}}, true);
                       Alterar(e, 0, "DEDUC", {{"xDed_ZC11", "Frete"}, {"vDed_ZC12", "1.00"}}, true);
                     },
                     "</compra><cana><safra>2025/2026</safra><ref>03/2026</ref><forDia dia=\"1\"><qtde>10.0000000000"
                     "</qtde></forDia><deduc><xDed>Frete</xDed><vDed>1.00</vDed></deduc></cana></infNFe>",
                     true},
        CasoEscritor{"pl_006s_ExportaDe200", pl_006s, Nota("Z", {{"UFEmbarq_ZA02", "SP"}, {"xLocEmbarq_ZA03", "Santos"}}),
                     "<exporta><UFEmbarq>SP</UFEmbarq><xLocEmbarq>Santos</xLocEmbarq></exporta>", true},
        CasoEscritor{"pl_008a_ExportaDe310", pl_008a,
                     Nota("Z", {{"UFSaidaPais_ZA02", "SP"}, {"xLocExporta_ZA03", "Santos"}, {"UFEmbarq_ZA02", "RJ"}}),
                     "<exporta><UFSaidaPais>SP</UFSaidaPais><xLocExporta>Santos</xLocExporta></exporta>", true},
        // Values: markup is escaped, "null" is never written
        CasoEscritor{"pl_008a_MarcacaoNoValorEscapada", pl_008a,
                     Nota("C", {{"xNome_C03", "</xNome><CNPJ>1</CNPJ><xNome>"}}),
                     "<xNome>&lt;/xNome&gt;&lt;CNPJ&gt;1&lt;/CNPJ&gt;&lt;xNome&gt;</xNome>", true},
        CasoEscritor{"pl_008a_AspasEmAtributoEscapadas", pl_008a,
                     Nota("OBSCONT", {{"xCampo_Z05", "a\"b<c"}, {"xTexto_Z06", "x & y"}}, true),
                     "<obsCont xCampo=\"a&quot;b&lt;c\"><xTexto>x &amp; y</xTexto></obsCont>", true},
        CasoEscritor{"pl_006e_AcentosMantidos", pl_006e, Nota("C", {{"xFant_C04", "Açaí & Cia"}}),
                     "<xFant>Açaí &amp; Cia</xFant>", true},
        CasoEscritor{"pl_005a_NullNuncaEscrito", pl_005a, Nota("C", {{"xFant_C04", "nUlL"}}), "<xFant>", false}),
    [](const ::testing::TestParamInfo<CasoEscritor>& aInfo) { return std::string(aInfo.param.Nome); });

}  // namespace
}  // namespace xnd::test

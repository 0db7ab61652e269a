// The item, tax, transport and total rules over a note through the manual's
// rule set: {set, change to the note, exceptions} -> whole message or none.
// Each rule has a failing row and a passing row at its boundary.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/text.h"
#include "rules/xndNFeRules.h"
#include "rules/xndNFeRulesItens.h"
#include "tests/rules/RulesItemsNota.h"
#include "types/xndNFeExceptions.h"

namespace xnd {
namespace {

using test::TNotaItens;
using test::Violacao;
using TAlteracao = std::function<void(TNotaItens&)>;

// ---- Texts of the violations -------------------------------------------------

const std::string kMsgGN16 =
    " Rejeição: Alíquota do ICMS com valor superior a 4 por cento na operação de saída interestadual com produtos "
    "importados";
const std::string kMsgGN16_04 =
    "Rejeição: Alíquota do ICMS com valor superior a 4 por cento na operação de saída interestadual com produtos "
    "importados";

// ---- Notes -------------------------------------------------------------------------

constexpr const char* kGtinValido = "7891000000014";
constexpr const char* kGtinInvalido = "7891000000015";
constexpr const char* kChave55 = "35140511222333000181550010000000011123456784";
constexpr const char* kChave55DvErrado = "35140511222333000181550010000000011123456785";
constexpr const char* kChave65 = "35140511222333000181650010000000011123456787";

// A sale abroad of the current item with CFOP aCfop: recipient EX, ICMS not
// levied (CST 41), the place of shipment informed.
void Exportacao(TNotaItens& n, const std::string& aCfop = "7101") {
  for (const auto& [campo, valor] :
       {std::pair{"UF_E12", "EX"}, {"cMun_E10", "9999999"}, {"idDest_B11a", "3"}, {"indIEDest_E16a", "9"},
        {"IE_E17", ""}, {"CNPJ_E02", ""}, {"CST_N12", "41"}, {"modBC_N13", ""}, {"vBC_N15", ""},
        {"pICMS_N16", ""}, {"vICMS_N17", ""}, {"UFEmbarq_ZA02", "SP"}, {"xLocEmbarq_ZA03", "Santos"},
        {"UFSaidaPais_ZA02", "SP"}, {"xLocExporta_ZA03", "Santos"}, {"xLocDespacho_ZA04", "Santos"}}) {
    n.Definir(campo, valor);
  }
  n.Definir("CFOP_I08", aCfop);
  n.RecalcularTotais();
}

// An entry from abroad of the current item, with one DI and one addition.
void Importacao(TNotaItens& n, const std::string& aCfop = "3102") {
  for (const auto& [campo, valor] : {std::pair{"tpNF_B11", "0"}, {"UF_E12", "EX"}, {"idDest_B11a", "3"},
                                     {"indIEDest_E16a", "9"}, {"IE_E17", ""}}) {
    n.Definir(campo, valor);
  }
  n.Definir("CFOP_I08", aCfop);
  n.NovoRegistro("DI");
  for (const auto& [campo, valor] : {std::pair{"nDI_I19", "1234567890"}, {"dDI_I20", "2014-05-01"},
                                     {"tpViaTransp_I23a", "4"}, {"tpIntermedio_I23c", "1"}}) {
    n.Definir(campo, valor);
  }
  n.NovoRegistro("ADI");
  n.Definir("nAdicao_I26", "1");
  n.RecalcularTotais();
}

// A sale to another state (RJ) with CFOP aCfop.
void Interestadual(TNotaItens& n, const std::string& aCfop = "6102") {
  n.Definir("UF_E12", "RJ");
  n.Definir("cMun_E10", "3304557");
  n.Definir("idDest_B11a", "2");
  n.Definir("CFOP_I08", aCfop);
}

// An imported good (origin 1) sold to RJ at 12 %.
void ImportadoInterestadual(TNotaItens& n) {
  Interestadual(n);
  n.Definir("orig_N11", "1");
  n.Definir("pICMS_N16", "12.00");
  n.Definir("vICMS_N17", "12.00");
  n.RecalcularTotais();
}

// ICMS deferred (CST 51): operation 18 % of 100.00, aPDif % of it deferred.
void Diferimento(TNotaItens& n, const std::string& aVICMSOp, const std::string& aPDif,
                 const std::string& aVICMSDif, const std::string& aVICMS) {
  for (const auto& [campo, valor] : {std::pair{"CST_N12", "51"}, {"vICMSOp_N16a", aVICMSOp.c_str()},
                                     {"pDif_N16b", aPDif.c_str()}, {"vICMSDif_N16c", aVICMSDif.c_str()},
                                     {"vICMS_N17", aVICMS.c_str()}}) {
    n.Definir(campo, valor);
  }
  n.RecalcularTotais();
}

// An exemption for the Manaus free-trade zone (motDesICMS 7) to AM.
void IsencaoZfm(TNotaItens& n, const std::string& aCfop, const std::string& aSuframa) {
  Interestadual(n, aCfop);
  n.Definir("UF_E12", "AM");
  n.Definir("cMun_E10", "1302603");
  for (const auto& [campo, valor] : {std::pair{"CST_N12", "40"}, {"vBC_N15", ""}, {"pICMS_N16", ""},
                                     {"vICMS_N17", "18.00"}, {"motDesICMS_N28", "7"}}) {
    n.Definir(campo, valor);
  }
  n.Definir("ISUF_E18", aSuframa);
  n.RecalcularTotais();
}

// An ISSQN group on the current item.
void Issqn(TNotaItens& n, const std::string& aMunicipio = "3550308") {
  n.NovoRegistro("U");
  for (const auto& [campo, valor] : {std::pair{"vBC_U02", "100.00"}, {"vAliq_U03", "5.00"},
                                     {"vISSQN_U04", "5.00"}, {"cListServ_U06", "01.01"}}) {
    n.Definir(campo, valor);
  }
  n.Definir("cMunFG_U05", aMunicipio);
  n.RecalcularTotais();
}

void Registros(TNotaItens& n, const char* aGrupo, const char* aCampo, int aQuantos) {
  for (int i = 1; i <= aQuantos; ++i) {
    n.NovoRegistro(aGrupo);
    n.Definir(aCampo, IntToStr(i));
  }
}

// ---- The table ----------------------------------------------------------------------

struct Caso {
  const char* nome;
  TVersaoManual versao;
  TAlteracao alteracao;
  std::string esperado;
  std::string excecoes = "";
  int itens = 1;
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nome; }

class RulesItems : public ::testing::TestWithParam<Caso> {};

TEST_P(RulesItems, MensagemOuNenhuma) {
  const Caso& caso = GetParam();
  TNotaItens nota(caso.itens);
  caso.alteracao(nota);
  EXPECT_EQ(nota.Executar(caso.versao, caso.excecoes), caso.esperado);
}

std::string Nome(const ::testing::TestParamInfo<Caso>& aInfo) { return aInfo.param.nome; }

// Group I: products and their CFOP.
INSTANTIATE_TEST_SUITE_P(
    GrupoI, RulesItems,
    ::testing::Values(
        Caso{"GI01_101DI", vm40, [](TNotaItens& n) { Registros(n, "DI", "nDI_I19", 101); },
             Violacao("GI01", "", "Número de ocorrências da Declaração de Importação maior que 100", "")},
        Caso{"GI01_100DI", vm40, [](TNotaItens& n) { Registros(n, "DI", "nDI_I19", 100); }, ""},
        Caso{"GI03_Invalido", vm40, [](TNotaItens& n) { n.Definir("cEAN_I03", kGtinInvalido); },
             Violacao("GI03", "611", "Rejeição: cEAN inválido", "cEAN_I03")},
        Caso{"GI03_Valido", vm40, [](TNotaItens& n) { n.Definir("cEAN_I03", kGtinValido); }, ""},
        Caso{"GI05_1_Capitulo98", vm50a, [](TNotaItens& n) { n.Definir("NCM_I05", "98"); },
             Violacao("GI05.1", "793", "Rejeição: Informado Capítulo do NCM inexistente", "NCM_I05")},
        Caso{"GI05_1_Posicao9801", vm50a, [](TNotaItens& n) { n.Definir("NCM_I05", "9801"); }, ""},
        Caso{"GI05_1_Capitulo01", vm50a, [](TNotaItens& n) { n.Definir("NCM_I05", "01"); }, ""},
        Caso{"GI08_EntradaEmNotaDeSaida", vm40, [](TNotaItens& n) { n.Definir("CFOP_I08", "1102"); },
             Violacao("GI08", "518", "Rejeição: CFOP de entrada para NF-e de saída", "CFOP_I08")},
        Caso{"GI08_EntradaEmNotaDeEntrada", vm40,
             [](TNotaItens& n) {
               n.Definir("tpNF_B11", "0");
               n.Definir("CFOP_I08", "1102");
             },
             ""},
        Caso{"GI08_1_SaidaEmNotaDeEntrada", vm40, [](TNotaItens& n) { n.Definir("tpNF_B11", "0"); },
             Violacao("GI08.1", "519", "Rejeição: CFOP de saída para NF-e de entrada", "CFOP_I08")},
        Caso{"GI08_2_ExteriorSemEX", vm40, [](TNotaItens& n) { n.Definir("CFOP_I08", "7101"); },
             Violacao("GI08.2", "520", "Rejeição: CFOP de operação com exterior e UF destinatário difere de EX",
                      "CFOP_I08")},
        Caso{"GI08_2_Exportacao", vm40, [](TNotaItens& n) { Exportacao(n); }, ""},
        Caso{"GI08_3_EstadualParaOutraUF", vm40,
             [](TNotaItens& n) {
               n.Definir("UF_E12", "RJ");
               n.Definir("modFrete_X02", "0");
             },
             Violacao("GI08.3", "521",
                      "Rejeição: CFOP de Operação Estadual e UF do emitente difere da UF do destinatário para "
                      "destinatário contribuinte do ICMS",
                      "CFOP_I08")},
        Caso{"GI08_3_SemFrete", vm40, [](TNotaItens& n) { n.Definir("UF_E12", "RJ"); }, ""},
        Caso{"GI08_4_EntradaEstadualDeContribuinte", vm40,
             [](TNotaItens& n) {
               n.Definir("tpNF_B11", "0");
               n.Definir("CFOP_I08", "1102");
               n.Definir("UF_E12", "RJ");
             },
             Violacao("GI08.4", "522", "Rejeição: CFOP de Operação Estadual e UF emitente difere UF destinatário",
                      "CFOP_I08")},
        // The issuer's IE is always there; the other party's tells a contributor.
        Caso{"GI08_4_EntradaDeNaoContribuinte", vm40,
             [](TNotaItens& n) {
               n.Definir("tpNF_B11", "0");
               n.Definir("CFOP_I08", "1102");
               n.Definir("UF_E12", "RJ");
               n.Definir("IE_E17", "");
             },
             ""},
        Caso{"GI08_5_InterestadualNaMesmaUF", vm40, [](TNotaItens& n) { n.Definir("CFOP_I08", "6102"); },
             Violacao("GI08.5", "523", "Rejeição: CFOP não é de Operação Estadual e UF emitente igual UF destinatário",
                      "CFOP_I08")},
        Caso{"GI08_5_InterestadualParaRJ", vm40, [](TNotaItens& n) { Interestadual(n); }, ""},
        Caso{"GI08_6_NcmIncompleto", vm40,
             [](TNotaItens& n) {
               Exportacao(n);
               n.Definir("NCM_I05", "7318150");
             },
             Violacao("GI08.6", "524", "Rejeição: CFOP de operação com Exterior e não informado NCM completo",
                      "CFOP_I08")},
        Caso{"GI08_7_ImportacaoSemDI", vm40,
             [](TNotaItens& n) {
               n.Definir("tpNF_B11", "0");
               n.Definir("UF_E12", "EX");
               n.Definir("CFOP_I08", "3102");
             },
             Violacao("GI08.7", "525", "Rejeição: CFOP de importação e não informado dados da DI", "CFOP_I08")},
        Caso{"GI08_7_ImportacaoComDI", vm40, [](TNotaItens& n) { Importacao(n); }, ""},
        Caso{"GI08_8_SemLocalDeEmbarque", vm40,
             [](TNotaItens& n) {
               Exportacao(n);
               n.Definir("xLocEmbarq_ZA03", "");
             },
             Violacao("GI08.8", "526", "Rejeição: CFOP de Exportação e não informado Local de Embarque", "CFOP_I08")},
        Caso{"GI08_9_ExteriorComIdDest1", vm50a,
             [](TNotaItens& n) {
               Exportacao(n);
               n.Definir("idDest_B11a", "1");
             },
             Violacao("GI08.9", "731", "Rejeição: CFOP de operação com Exterior e idDest <> 3", "CFOP_I08")},
        Caso{"GI08_9_Exportacao", vm50a, [](TNotaItens& n) { Exportacao(n); }, ""},
        Caso{"GI08_10_InterestadualComIdDest1", vm50a,
             [](TNotaItens& n) {
               Interestadual(n);
               n.Definir("idDest_B11a", "1");
             },
             Violacao("GI08.10", "732", "Rejeição: CFOP de operação interestadual e idDest <> 2", "CFOP_I08")},
        Caso{"GI08_10_Interestadual", vm50a, [](TNotaItens& n) { Interestadual(n); }, ""},
        Caso{"GI08_11_InternaComIdDest2", vm50a, [](TNotaItens& n) { n.Definir("idDest_B11a", "2"); },
             Violacao("GI08.11", "733", "Rejeição: CFOP de operação interna e idDest <> 1", "CFOP_I08")},
        Caso{"GI08_12_DevolucaoComVenda", vm50a, [](TNotaItens& n) { n.Definir("finNFe_B25", "4"); },
             Violacao("GI08.12", "327", "Rejeição: CFOP inválido para NF-e com finalidade de devolução",
                      "CFOP_I08")},
        Caso{"GI08_12_DevolucaoComCfopDeDevolucao", vm50a,
             [](TNotaItens& n) {
               n.Definir("finNFe_B25", "4");
               n.Definir("CFOP_I08", "5202");
             },
             ""},
        Caso{"GI08_13_CfopDeDevolucaoEmVenda", vm50a, [](TNotaItens& n) { n.Definir("CFOP_I08", "5202"); },
             Violacao("GI08.13", "328", "Rejeição: CFOP de devolução para NF-e que não tem finalidade de devolução",
                      "CFOP_I08")},
        Caso{"GI12_Invalido", vm40, [](TNotaItens& n) { n.Definir("cEANTrib_I12", kGtinInvalido); },
             Violacao("GI12", "612", "Rejeição: cEANTrib inválido", "cEANTrib_I12")},
        Caso{"GI12_Valido", vm40, [](TNotaItens& n) { n.Definir("cEANTrib_I12", kGtinValido); }, ""},
        Caso{"GI18_101Adicoes", vm40,
             [](TNotaItens& n) {
               Registros(n, "DI", "nDI_I19", 1);
               Registros(n, "ADI", "nAdicao_I26", 101);
             },
             Violacao("GI18", "", "Número de ocorrências das Adições maior que 100", "")},
        Caso{"GI18_100Adicoes", vm40,
             [](TNotaItens& n) {
               Registros(n, "DI", "nDI_I19", 1);
               Registros(n, "ADI", "nAdicao_I26", 100);
             },
             ""},
        Caso{"GI23_b_MaritimaSemAFRMM", vm50a,
             [](TNotaItens& n) {
               Importacao(n);
               n.Definir("tpViaTransp_I23a", "1");
             },
             Violacao("GI23.b", "330", "Rejeição: Informar o Valor da AFRMM na importação por via marítima",
                      "vAFRMM_I23b")},
        Caso{"GI23_b_MaritimaComAFRMM", vm50a,
             [](TNotaItens& n) {
               Importacao(n);
               n.Definir("tpViaTransp_I23a", "1");
               n.Definir("vAFRMM_I23b", "10.00");
             },
             ""},
        // Every DI of the item counts, not only the current one.
        Caso{"GI23_b_SegundaDI", vm50a,
             [](TNotaItens& n) {
               Importacao(n);
               n.NovoRegistro("DI");
               n.Definir("nDI_I19", "2");
               n.Definir("tpViaTransp_I23a", "1");
             },
             Violacao("GI23.b", "330", "Rejeição: Informar o Valor da AFRMM na importação por via marítima",
                      "vAFRMM_I23b")},
        Caso{"GI23_d_EncomendaSemCNPJ", vm50a,
             [](TNotaItens& n) {
               Importacao(n);
               n.Definir("tpIntermedio_I23c", "2");
             },
             Violacao("GI23.d", "331",
                      "Rejeição: Informar o CNPJ do adquirente ou do encomendante nesta forma de importação",
                      "CNPJ_I23d")},
        Caso{"GI23_e_EncomendaSemUF", vm50a,
             [](TNotaItens& n) {
               Importacao(n);
               n.Definir("tpIntermedio_I23c", "3");
               n.Definir("CNPJ_I23d", "11444777000161");
             },
             Violacao("GI23.e", "333",
                      "Rejeição: Informar a UF do adquirente ou do encomendante nesta forma de importação",
                      "UFTerceiro_I23e")},
        Caso{"GI23_e_EncomendaCompleta", vm50a,
             [](TNotaItens& n) {
               Importacao(n);
               n.Definir("tpIntermedio_I23c", "3");
               n.Definir("CNPJ_I23d", "11444777000161");
               n.Definir("UFTerceiro_I23e", "RJ");
             },
             ""},
        Caso{"GI23d_1_CnpjInvalido", vm50a,
             [](TNotaItens& n) {
               Importacao(n);
               n.Definir("CNPJ_I23d", "11444777000162");
             },
             Violacao("GI23d.1", "332", "Rejeição: CNPJ do adquirente ou do encomendante da importação inválido",
                      "CNPJ_I23d")},
        Caso{"GI29_a_DrawbackSemNumero", vm50a, [](TNotaItens& n) { Importacao(n, "3127"); },
             Violacao("GI29.a", "334", "Rejeição: Número do processo de drawback não informado na importação",
                      "nDraw_I29a")},
        Caso{"GI29_a_DrawbackComNumero", vm50a,
             [](TNotaItens& n) {
               Importacao(n, "3127");
               n.Definir("nDraw_I29a", "20140000001");
               n.NovoRegistro("DETEXPORT");
               n.Definir("nDraw_I51", "20140000001");
             },
             ""},
        // An export group on an item whose CFOP is not a foreign operation.
        Caso{"GI50_GrupoDeExportacaoEmVendaInterna", vm50a,
             [](TNotaItens& n) {
               n.NovoRegistro("DETEXPORT");
               n.Definir("nDraw_I51", "20140000001");
             },
             Violacao("GI50", "336",
                      "Rejeição: Informado o grupo de exportação no item para CFOP que não é de exportação",
                      "detExport_I50")},
        Caso{"GI50_GrupoDeExportacaoEmExportacao", vm50a,
             [](TNotaItens& n) {
               Exportacao(n);
               n.NovoRegistro("DETEXPORT");
               n.Definir("nDraw_I51", "20140000001");
             },
             ""},
        Caso{"GI50_1_DrawbackSemGrupo", vm50a, [](TNotaItens& n) { Exportacao(n, "7127"); },
             Violacao("GI50.1", "337", "Rejeição: Não informado o grupo de exportação no item", "detExport_I50")},
        Caso{"GI50_1_DrawbackComGrupo", vm50a,
             [](TNotaItens& n) {
               Exportacao(n, "7127");
               n.NovoRegistro("DETEXPORT");
               n.Definir("nDraw_I51", "20140000001");
             },
             ""},
        Caso{"GI51_DrawbackSemNumero", vm50a, [](TNotaItens& n) { Exportacao(n, "7127"); },
             Violacao("GI51", "338", "Rejeição: Número do processo de drawback não informado na exportação",
                      "nDraw_I51"),
             "GI50.1"},
        Caso{"GI52_IndiretaSemGrupo", vm50a,
             [](TNotaItens& n) {
               Exportacao(n, "7501");
               n.NovoRegistro("DETEXPORT");
               n.Definir("nDraw_I51", "20140000001");
             },
             Violacao("GI52", "340", "Rejeição: Não informado o grupo de exportação indireta no item",
                      "exportInd_I52")},
        Caso{"GI54_ChaveComDvErrado", vm50a,
             [](TNotaItens& n) {
               Exportacao(n, "7501");
               n.NovoRegistro("DETEXPORT");
               n.Definir("nDraw_I51", "20140000001");
               n.NovoRegistro("EXPORTIND");
               n.Definir("nRE_I53", "140000000001");
               n.Definir("chNFe_I54", kChave55DvErrado);
               n.Definir("qExport_I55", "1.0000");
             },
             Violacao("GI54", "342", "Rejeição: Chave de Acesso informada na Exportação Indireta com DV inválido",
                      "chNFe_I54")},
        Caso{"GI54_1_ChaveDeNFCe", vm50a,
             [](TNotaItens& n) {
               Exportacao(n, "7501");
               n.NovoRegistro("DETEXPORT");
               n.Definir("nDraw_I51", "20140000001");
               n.NovoRegistro("EXPORTIND");
               n.Definir("nRE_I53", "140000000001");
               n.Definir("chNFe_I54", kChave65);
               n.Definir("qExport_I55", "1.0000");
             },
             Violacao("GI54.1", "343", "Rejeição: Modelo da NF-e informada na Exportação Indireta diferente de 55",
                      "chNFe_I54")},
        Caso{"GI54_ExportacaoIndiretaCompleta", vm50a,
             [](TNotaItens& n) {
               Exportacao(n, "7501");
               n.NovoRegistro("DETEXPORT");
               n.Definir("nDraw_I51", "20140000001");
               n.NovoRegistro("EXPORTIND");
               n.Definir("nRE_I53", "140000000001");
               n.Definir("chNFe_I54", kChave55);
               n.Definir("qExport_I55", "1.0000");
             },
             ""}),
    Nome);

// Groups L (fuel, paper) and N (ICMS).
INSTANTIATE_TEST_SUITE_P(
    GruposLN, RulesItems,
    ::testing::Values(
        Caso{"GL101_CombustivelSemGrupo", vm50, [](TNotaItens& n) { n.Definir("CFOP_I08", "5656"); },
             Violacao("GL101", "660", "Rejeição: CFOP de Combustível e não informado grupo de combustível da NF-e.",
                      "")},
        Caso{"GL101_CombustivelComGrupo", vm50,
             [](TNotaItens& n) {
               n.Definir("CFOP_I08", "5656");
               n.NovoRegistro("L1");
               n.Definir("cProdANP_L102", "210203001");
             },
             ""},
        Caso{"GL102a_MisturaEmOutroProduto", vm50a,
             [](TNotaItens& n) {
               n.NovoRegistro("L1");
               n.Definir("cProdANP_L102", "320102001");
               n.Definir("pMixGN_L102a", "50.0000");
             },
             Violacao("GL102a", "461",
                      "Rejeição: Informado percentual de Gás Natural na mistura para produto diferente de GLP",
                      "pMixGN_L102a")},
        Caso{"GL102a_MisturaEmGLP", vm50a,
             [](TNotaItens& n) {
               n.NovoRegistro("L1");
               n.Definir("cProdANP_L102", "210203001");
               n.Definir("pMixGN_L102a", "50.0000");
             },
             ""},
        Caso{"GL109_1_PapelImuneSemRecopi", vm50a,
             [](TNotaItens& n) {
               n.Definir("NCM_I05", "48010010");
               n.Definir("CST_N12", "41");
               n.RecalcularTotais();
             },
             Violacao("GL109_1", "349", "Rejeição: Número RECOPI não informado", "nRECOPI_L109")},
        Caso{"GL109_1_PapelImuneComRecopi", vm50a,
             [](TNotaItens& n) {
               n.Definir("NCM_I05", "48010010");
               n.Definir("CST_N12", "41");
               n.RecalcularTotais();
               n.NovoRegistro("L2");
               n.Definir("nRECOPI_L109", "20140000000000000001");
             },
             ""},
        Caso{"GN12_ExportacaoTributada", vm40,
             [](TNotaItens& n) {
               Exportacao(n);
               n.Definir("CST_N12", "00");
             },
             Violacao("GN12", "527", "Rejeição: Operação de Exportação com informação de ICMS incompatível",
                      "CST_N12")},
        Caso{"GN12_SimplesNacionalSem300", vm50,
             [](TNotaItens& n) {
               Exportacao(n);
               n.Definir("CRT_C21", "1");
               n.Definir("CST_N12", "");
               n.Definir("CSOSN_N12a", "102");
             },
             Violacao("GN12", "527", "Rejeição: Operação de Exportação com informação de ICMS incompatível",
                      "CST_N12 ou CSOSN_N12a")},
        Caso{"GN12_SimplesNacional300", vm50,
             [](TNotaItens& n) {
               Exportacao(n);
               n.Definir("CRT_C21", "1");
               n.Definir("CST_N12", "");
               n.Definir("CSOSN_N12a", "300");
             },
             ""},
        Caso{"GN16_ImportadoA12", vm50, [](TNotaItens& n) { ImportadoInterestadual(n); },
             Violacao("GN16", "663", kMsgGN16, "orig_N11")},
        Caso{"GN16_ImportadoA4", vm50,
             [](TNotaItens& n) {
               ImportadoInterestadual(n);
               n.Definir("pICMS_N16", "4.00");
               n.Definir("vICMS_N17", "4.00");
               n.RecalcularTotais();
             },
             ""},
        Caso{"GN16_EmitidaEm2012", vm50,
             [](TNotaItens& n) {
               ImportadoInterestadual(n);
               n.Definir("dEmi_B09", "2012-12-31");
             },
             ""},
        Caso{"GN16_Origem8SoNaNota2013006", vm50,
             [](TNotaItens& n) {
               ImportadoInterestadual(n);
               n.Definir("orig_N11", "8");
             },
             Violacao("GN16", "663", kMsgGN16, "orig_N11")},
        Caso{"GN16_04_ImportadoA12", vm50a, [](TNotaItens& n) { ImportadoInterestadual(n); },
             Violacao("GN16_04", "663", kMsgGN16_04, "pICMS_N16")},
        // GN16_04 lets a non-contributor pass; the two GN16 of the set do not.
        Caso{"GN16_04_NaoContribuinte", vm50a,
             [](TNotaItens& n) {
               ImportadoInterestadual(n);
               n.Definir("indIEDest_E16a", "9");
             },
             Violacao("GN16", "663", kMsgGN16, "orig_N11")},
        // A 5.0a note carries only dhEmi_B09: the family reads it.
        Caso{"GN16_NotaSoComDhEmi", vm50a,
             [](TNotaItens& n) {
               ImportadoInterestadual(n);
               n.Definir("dEmi_B09", "");
             },
             Violacao("GN16_04", "663", kMsgGN16_04, "pICMS_N16")},
        Caso{"GN16_NotaSoComDhEmiDe2012", vm50a,
             [](TNotaItens& n) {
               ImportadoInterestadual(n);
               n.Definir("dEmi_B09", "");
               n.Definir("dhEmi_B09", "2012-12-31T23:59:59-03:00");
             },
             ""},
        // Excepting GN16_04 excepts the two rules named GN16 as well.
        Caso{"GN16_04_ExcetuadoLevaOsGN16", vm50a, [](TNotaItens& n) { ImportadoInterestadual(n); }, "",
             "GN16_04"},
        Caso{"GN16a_Difere101", vm50a, [](TNotaItens& n) { Diferimento(n, "19.01", "0", "0", "19.01"); },
             Violacao("GN16a", "351", "Rejeição: Valor do ICMS da Operação no CST=51 difere do produto BC e Alíquota",
                      "vICMSOp_N16a")},
        Caso{"GN16a_Difere100", vm50a, [](TNotaItens& n) { Diferimento(n, "19.00", "0", "0", "19.00"); }, ""},
        Caso{"GN16c_Difere101", vm50a, [](TNotaItens& n) { Diferimento(n, "18.00", "50.00", "10.01", "7.99"); },
             Violacao("GN16c", "352",
                      "Rejeição: Valor do ICMS Diferido no CST=51 difere do produto Valor ICMS Operação e "
                      "percentual diferimento",
                      "vICMSDif_N16c")},
        Caso{"GN16c_Difere100", vm50a, [](TNotaItens& n) { Diferimento(n, "18.00", "50.00", "10.00", "8.00"); },
             ""},
        Caso{"GN17_Difere101", vm40,
             [](TNotaItens& n) {
               n.Definir("vICMS_N17", "19.01");
               n.RecalcularTotais();
             },
             Violacao("GN17", "528", "Rejeição: Valor do ICMS difere do produto BC e Alíquota", "vICMS_N17")},
        Caso{"GN17_Difere100Abaixo", vm40,
             [](TNotaItens& n) {
               n.Definir("vICMS_N17", "17.00");
               n.RecalcularTotais();
             },
             ""},
        Caso{"GN17_Diferimento40", vm40, [](TNotaItens& n) { Diferimento(n, "18.00", "100.00", "18.00", "0.00"); },
             Violacao("GN17", "528", "Rejeição: Valor do ICMS difere do produto BC e Alíquota", "vICMS_N17")},
        // Under 5.0a a deferral is GN17 of note 2013.005's: 18.00 - 18.00 = 0.00.
        Caso{"GN17_Diferimento50a", vm50a,
             [](TNotaItens& n) { Diferimento(n, "18.00", "100.00", "18.00", "0.00"); }, ""},
        // GN17 of the set checks the same; excepting "GN17" leaves GN17_2 alone.
        Caso{"GN17_2_Difere101", vm50a,
             [](TNotaItens& n) {
               n.Definir("vICMS_N17", "19.01");
               n.RecalcularTotais();
             },
             Violacao("GN17_2", "528", "Rejeição: Valor do ICMS difere do produto BC e Alíquota", "vICMS_N17"),
             "GN17;"},
        Caso{"GN17_2_Difere100", vm50a,
             [](TNotaItens& n) {
               n.Definir("vICMS_N17", "19.00");
               n.RecalcularTotais();
             },
             ""},
        Caso{"GN17_NT005_2013_Difere101", vm50a,
             [](TNotaItens& n) { Diferimento(n, "18.00", "50.00", "9.00", "10.01"); },
             Violacao("GN17", "353",
                      "Rejeição: Valor do ICMS no CST=51 não corresponde a diferença do ICMS operação e ICMS "
                      "diferido",
                      "vICMS_N17")},
        Caso{"GN17_NT005_2013_Difere100", vm50a,
             [](TNotaItens& n) { Diferimento(n, "18.00", "50.00", "9.00", "10.00"); }, ""},
        Caso{"GN28_ZfmSemSuframa", vm40, [](TNotaItens& n) { IsencaoZfm(n, "6109", ""); },
             Violacao("GN28", "625", "Rejeição: Inscrição SUFRAMA deve ser informada na venda com isenção para ZFM",
                      "motDesICMS_N28")},
        Caso{"GN28_ZfmComSuframa", vm40, [](TNotaItens& n) { IsencaoZfm(n, "6109", "123456789"); }, ""},
        Caso{"GN28_1_CfopForaDaZfm", vm40, [](TNotaItens& n) { IsencaoZfm(n, "6102", "123456789"); },
             Violacao("GN28.1", "626", "Rejeição: O CFOP de operação isenta para ZFM deve ser 6109 ou 6110",
                      "motDesICMS_N28")},
        Caso{"GN28_1_Cfop6110", vm40, [](TNotaItens& n) { IsencaoZfm(n, "6110", "123456789"); }, ""},
        // Excepting GN28.1 excepts GN28 too.
        Caso{"GN28_1_ExcetuadoLevaGN28", vm40, [](TNotaItens& n) { IsencaoZfm(n, "6109", ""); }, "", "GN28.1"},
        Caso{"GN28_2_Zero000", vm40,
             [](TNotaItens& n) {
               IsencaoZfm(n, "6109", "123456789");
               n.Definir("vICMS_N17", "0.00");
             },
             Violacao("GN28.2", "627", "Rejeição: O valor do ICMS desonerado deve ser informado", "motDesICMS_N28")},
        // Zero written another way is the same zero.
        Caso{"GN28_2_Zero0", vm40,
             [](TNotaItens& n) {
               IsencaoZfm(n, "6109", "123456789");
               n.Definir("vICMS_N17", "0");
             },
             Violacao("GN28.2", "627", "Rejeição: O valor do ICMS desonerado deve ser informado", "motDesICMS_N28")},
        Caso{"GN28_2_UmCentavo", vm40,
             [](TNotaItens& n) {
               IsencaoZfm(n, "6109", "123456789");
               n.Definir("vICMS_N17", "0.01");
               n.RecalcularTotais();
             },
             ""},
        Caso{"GN28_NT003_2012_ZfmSemSuframa", vm50, [](TNotaItens& n) { IsencaoZfm(n, "6109", ""); },
             Violacao("GN28", "625", "Rejeição: Inscrição SUFRAMA deve ser informada na venda com isenção para ZFM",
                      "motDesICMS_N28")},
        Caso{"GN28_1_NT003_2012_CfopForaDaLista", vm50, [](TNotaItens& n) { IsencaoZfm(n, "6102", "123456789"); },
             Violacao("GN28.1", "626", "Rejeição: CFOP de operação isenta para ZFM diferente do previsto",
                      "motDesICMS_N28")},
        // 6109, the ZFM sale, is in the list.
        Caso{"GN28_1_NT003_2012_Cfop6109", vm50, [](TNotaItens& n) { IsencaoZfm(n, "6109", "123456789"); }, ""},
        Caso{"GN28_2_NT005_2013_Cfop6120", vm50a,
             [](TNotaItens& n) {
               IsencaoZfm(n, "6120", "123456789");
               n.Definir("idDest_B11a", "2");
             },
             Violacao("GN28.1", "626", "Rejeição: CFOP de operação isenta para ZFM diferente do previsto",
                      "motDesICMS_N28")},
        Caso{"GN28_2_NT005_2013_ForaDaLista", vm50a, [](TNotaItens& n) { IsencaoZfm(n, "6102", "123456789"); },
             Violacao("GN28_2", "626", "Rejeição: CFOP de operação isenta para ZFM diferente do previsto",
                      "motDesICMS_N28"),
             "GN28.1"},
        Caso{"GN28_2_NT005_2013_Cfop6120SemGN28_1", vm50a,
             [](TNotaItens& n) { IsencaoZfm(n, "6120", "123456789"); }, "", "GN28.1"}),
    Nome);

// Groups O, Q, S, U, X, Y, ZA, ZB.
INSTANTIATE_TEST_SUITE_P(
    GruposOaZ, RulesItems,
    ::testing::Values(
        Caso{"GO07_IpiSemNcmCompleto", vm40,
             [](TNotaItens& n) {
               n.NovoRegistro("O");
               n.Definir("CST_O09", "50");
               n.Definir("cEnq_O06", "999");
               n.Definir("NCM_I05", "7318");
             },
             Violacao("GO07", "529", "Rejeição: NCM de informação obrigatória para produto tributado pelo IPI", "")},
        Caso{"GO07_IpiNaoTributado", vm40,
             [](TNotaItens& n) {
               n.NovoRegistro("O");
               n.Definir("CST_O09", "51");
               n.Definir("cEnq_O06", "999");
               n.Definir("NCM_I05", "7318");
             },
             ""},
        Caso{"GQ01_2_SemPis", vm50a,
             [](TNotaItens& n) {
               for (const char* c : {"CST_Q06", "vBC_Q07", "pPIS_Q08", "vPIS_Q09"}) n.Definir(c, "");
               n.RecalcularTotais();
             },
             Violacao("GQ01_2", "745", "Rejeição: NF-e sem grupo do PIS", "")},
        Caso{"GQ01_2_SoCst", vm50a,
             [](TNotaItens& n) {
               for (const char* c : {"vBC_Q07", "pPIS_Q08", "vPIS_Q09"}) n.Definir(c, "");
               n.Definir("CST_Q06", "07");
               n.RecalcularTotais();
             },
             ""},
        Caso{"GS01_2_SemCofins", vm50a,
             [](TNotaItens& n) {
               for (const char* c : {"CST_S06", "vBC_S07", "pCOFINS_S08", "vCOFINS_S11"}) n.Definir(c, "");
               n.RecalcularTotais();
             },
             Violacao("GS01_2", "748", "Rejeição: NF-e sem grupo do COFINS", "")},
        Caso{"GS01_2_SoCst", vm50a,
             [](TNotaItens& n) {
               for (const char* c : {"vBC_S07", "pCOFINS_S08", "vCOFINS_S11"}) n.Definir(c, "");
               n.Definir("CST_S06", "07");
               n.RecalcularTotais();
             },
             ""},
        Caso{"GU01_IssqnSemIM", vm40, [](TNotaItens& n) { Issqn(n); },
             Violacao("GU01", "530", "Rejeição: Operação com tributação de ISSQN sem informar a Inscrição Municipal",
                      "")},
        Caso{"GU01_IssqnComIM", vm40,
             [](TNotaItens& n) {
               Issqn(n);
               n.Definir("IM_C19", "12345");
             },
             ""},
        // ISSQN on the first of two items: every item is looked at.
        Caso{"GU01_IssqnNoPrimeiroItem", vm40,
             [](TNotaItens& n) {
               n.IrItem(1);
               Issqn(n);
             },
             Violacao("GU01", "530", "Rejeição: Operação com tributação de ISSQN sem informar a Inscrição Municipal",
                      ""),
             "", 2},
        Caso{"GU05_MunicipioInvalido", vm40,
             [](TNotaItens& n) {
               n.Definir("IM_C19", "12345");
               Issqn(n, "3550309");
             },
             Violacao("GU05", "287", "Rejeição: Código do município de ocorrência do fato gerador do ISSQN",
                      "cMunFG_U05")},
        Caso{"GX04_CnpjInvalido", vm40, [](TNotaItens& n) { n.Definir("CNPJ_X04", "11222333000182"); },
             Violacao("GX04", "542", "Rejeição: CNPJ do transportador inválido", "CNPJ_X04")},
        Caso{"GX04_CnpjValido", vm40, [](TNotaItens& n) { n.Definir("CNPJ_X04", "11222333000181"); }, ""},
        Caso{"GX04_1_CombustivelSemTransportador", vm50a,
             [](TNotaItens& n) {
               n.Definir("CFOP_I08", "5656");
               n.NovoRegistro("L1");
               n.Definir("cProdANP_L102", "210203001");
             },
             Violacao("GX04.1", "362", "Rejeição: Venda de combustível sem informação do Transportador", "CNPJ_X04")},
        Caso{"GX04_1_CombustivelComCpf", vm50a,
             [](TNotaItens& n) {
               n.Definir("CFOP_I08", "5656");
               n.NovoRegistro("L1");
               n.Definir("cProdANP_L102", "210203001");
               n.Definir("CPF_X05", "52998224725");
             },
             ""},
        // Fuel on the first of two items still needs the carrier.
        Caso{"GX04_1_CombustivelNoPrimeiroItem", vm50a,
             [](TNotaItens& n) {
               n.IrItem(1);
               n.Definir("CFOP_I08", "5656");
               n.NovoRegistro("L1");
               n.Definir("cProdANP_L102", "210203001");
             },
             Violacao("GX04.1", "362", "Rejeição: Venda de combustível sem informação do Transportador", "CNPJ_X04"),
             "", 2},
        Caso{"GX05_CpfInvalido", vm40, [](TNotaItens& n) { n.Definir("CPF_X05", "52998224726"); },
             Violacao("GX05", "543", "Rejeição: CPF do transportador inválido", "CPF_X05")},
        Caso{"GX05_CpfValido", vm40, [](TNotaItens& n) { n.Definir("CPF_X05", "52998224725"); }, ""},
        Caso{"GX07_IeSemUF", vm40, [](TNotaItens& n) { n.Definir("IE_X07", "333333333333"); },
             Violacao("GX07", "559", "Rejeição: UF do Transportador não informada", "UF_X10")},
        Caso{"GX07_IeComUF", vm40,
             [](TNotaItens& n) {
               n.Definir("IE_X07", "333333333333");
               n.Definir("UF_X10", "SP");
             },
             ""},
        Caso{"GX17_MunicipioInvalido", vm40, [](TNotaItens& n) { n.Definir("cMunFG_X17", "3550309"); },
             Violacao("GX17", "288", "Rejeição: Código do município do FG - Transporte: dígito inválido",
                      "cMunFG_X17")},
        Caso{"GX17_MunicipioValido", vm40, [](TNotaItens& n) { n.Definir("cMunFG_X17", "3550308"); }, ""},
        Caso{"GY01_121Duplicatas", vm40,
             [](TNotaItens& n) {
               n.Definir("nFat_Y03", "1");
               Registros(n, "DUP", "nDup_Y08", 121);
             },
             Violacao("GY01", "", "Número de ocorrências do Grupo da Duplicata maior que 120", "")},
        Caso{"GY01_120Duplicatas", vm40,
             [](TNotaItens& n) {
               n.Definir("nFat_Y03", "1");
               Registros(n, "DUP", "nDup_Y08", 120);
             },
             ""},
        Caso{"GZA01_ExportacaoSemLocal", vm50a,
             [](TNotaItens& n) {
               Exportacao(n);
               for (const char* c : {"UFSaidaPais_ZA02", "xLocExporta_ZA03", "xLocDespacho_ZA04"}) n.Definir(c, "");
             },
             Violacao("GZA01", "355", "Rejeição: Informar o local de saída do Pais no caso da exportação", "")},
        Caso{"GZA01_ExportacaoSoComDespacho", vm50a,
             [](TNotaItens& n) {
               Exportacao(n);
               n.Definir("UFSaidaPais_ZA02", "");
               n.Definir("xLocExporta_ZA03", "");
             },
             ""},
        Caso{"GZA01_1_LocalEmVendaInterna", vm50a, [](TNotaItens& n) { n.Definir("UFSaidaPais_ZA02", "SP"); },
             Violacao("GZA01.1", "356", "Rejeição: Informar o local de saída do Pais somente no caso da exportação",
                      "")},
        Caso{"GZA01_1_LocalEmImportacao", vm50a,
             [](TNotaItens& n) {
               Importacao(n);
               n.Definir("UFSaidaPais_ZA02", "SP");
             },
             Violacao("GZA01.1", "356", "Rejeição: Informar o local de saída do Pais somente no caso da exportação",
                      "")},
        Caso{"GZB02_OrgaoPublicoSemEmpenho", vm50a,
             [](TNotaItens& n) {
               n.IrItem(1);
               n.Definir("motDesICMS_N28", "8");
             },
             Violacao("GZB02", "359", "Rejeição: NF-e de venda a Órgão Público sem informa a Nota de Empenho",
                      "xNEmp_ZB02"),
             "", 2},
        Caso{"GZB02_OrgaoPublicoComEmpenho", vm50a,
             [](TNotaItens& n) {
               n.Definir("motDesICMS_N28", "8");
               n.Definir("xNEmp_ZB02", "2014NE000001");
             },
             ""}),
    Nome);

// The two rules named GN16 run together in a set; alone they differ in the
// ANP codes (note 2012.005 lets them pass) and origin 8 (note 2013.006 fails it).
TEST(RulesItemsGN16, AsDuasRegrasDoMesmoNome) {
  const auto executar = [](const TxndNFeRuleDef& aDef, const std::function<void(TNotaItens&)>& aAlteracao) {
    TNotaItens nota;
    ImportadoInterestadual(nota);
    aAlteracao(nota);
    const auto regra = aDef.Criar(aDef, aDef.FieldName, vm50);
    regra->SetDataSet(&nota.Motor());
    try {
      regra->Validar();
    } catch (const ExndNFeRuleException& e) {
      return e.Message();
    }
    return std::string();
  };
  const std::string violacao = Violacao("GN16", "663", kMsgGN16, "orig_N11");
  const auto nada = [](TNotaItens&) {};
  const auto anp = [](TNotaItens& n) {
    n.NovoRegistro("L1");
    n.Definir("cProdANP_L102", "220101003");
  };
  const auto origem8 = [](TNotaItens& n) { n.Definir("orig_N11", "8"); };
  EXPECT_EQ(executar(RegraGN16_NT005_2012, nada), violacao);
  EXPECT_EQ(executar(RegraGN16_NT006_2013, nada), violacao);
  EXPECT_EQ(executar(RegraGN16_NT005_2012, anp), "");
  EXPECT_EQ(executar(RegraGN16_NT006_2013, anp), violacao);
  EXPECT_EQ(executar(RegraGN16_NT005_2012, origem8), "");
  EXPECT_EQ(executar(RegraGN16_NT006_2013, origem8), violacao);
}

}  // namespace
}  // namespace xnd

// The catalogue of the identification, reference and party rules: each row
// mutates a base note of one manual version and runs that version's whole
// set through the controller, so the rule's registration, its place in the
// order and the stop at the first violation are checked with its message.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/rules/RuleTestNotes.h"

namespace xnd {
namespace {

using test::Valores;

std::string V(const std::string& aNome, const std::string& aCodigo, const std::string& aMensagem,
              const std::string& aCampo) {
  return "[" + aNome + "]: " + aCodigo + " - " + aMensagem + ".\r\nVerifique o Campo: " + aCampo;
}

const std::string kGA03 = V("GA03", "502", "Rejeição: Erro na Chave de Acesso - Campo ID não corresponde à concatenação dos campos correspondentes", "ID_A03");
const std::string kGB06 = V("GB06", "765", "Rejeição: Lote só poderá conter NF-e ou NFC-e", "mod_B06");
const std::string kGB06_1 = V("GB06.1", "450", "Rejeição: Modelo da NF-e diferente de 55", "mod_B06");
const std::string kGB07 = V("GB07", "266", "Rejeição: Série utilizada fora da faixa permitida no WebService (0-899)", "serie_B07");
const std::string kGB09 = V("GB09.1", "228", "Rejeição: Data de Emissão muito atrasada", "dEmi_B09");
const std::string kGB09_1_NT003_2012 = V("GB09.1", "228", "Rejeição: Data de Emissão muito atrasada", "dEmi_B09");
const std::string kGB10_2 = V("GB10.2", "506", "Rejeição: Data de Saída menor que a Data de Emissão", "dSaiEnt_B10");
const std::string kGB10_3 = V("GB10.3", "506", "Rejeição: Data de Saída menor que a Data de Emissão", "dhSaiEnt_B10");
const std::string kGB10a = V("GB10a", "NT 2011.004 (Item 2.1)", "Rejeição: Hora Saída (hSaiEnt_B10a) não pode ser informada sem sua respectiva Data de Saída (dSaiEnt_B10)", "hSaiEnt_B10a");
const std::string kGB12 = V("GB12", "270", "Rejeição: Código Município do fato gerador: dígito inválido", "cMunFG_B12");
const std::string kGB12_1 = V("GB12.1", "271", "Rejeição: Código do Município do Fato Gerador difere da UF do Emitente", "cMunFG_B12");
const std::string kGB13 = V("GB13", "547", "Rejeição: Dígito Verificador da Chave de Acesso da NF-e Referenciada inválido.", "refNFe_B13");
const std::string kGB13a_NT003_2013 = V("GB13a", "679", "Rejeição: Modelo da NF-e referenciada diferente de 55", "refNFe_B13");
const std::string kGB13b_NT003_2013 = V("GB13b", "680", "Rejeição: Duplicidade de NF-e referenciada (Chave de Acesso referenciada mais de uma vez)", "refNFe_B13");
const std::string kGB17 = V("GB17", "548", "Rejeição: CNPJ da NF Referenciada inválido", "CNPJ_B17");
const std::string kGB20_NT003_2013 = V("GB20", "681", "Rejeição: Duplicidade de NF Modelo 1 referenciada (CNPJ, Modelo, Série e Número)", "refNF_B20");
const std::string kGB20d = V("GB20d", "549", "Rejeição: CNPJ da NF Referenciada de produtor inválido", "CNPJ_B20d");
const std::string kGB20e = V("GB20e", "550", "Rejeição: CPF da NF Referenciada de produtor inválido", "CPF_B20e");
const std::string kGB20ha_NT003_2013 = V("GB20ha", "682", "Rejeição: Duplicidade de NF de Produtor referenciada (IE, Modelo, Série e Número)", "refNFP_B20ha");
const std::string kGB20i = V("GB20i", "552", "Rejeição: Dígito Verificador da Chave de Acesso do CT-e Referenciado inválido.", "refCTe_B20i");
const std::string kGB20ia_NT003_2013 = V("GB20ia", "683", "Rejeição: Modelo do CT-e referenciado diferente de 57", "refCTe_B20i");
const std::string kGB20m_NT003_2013 = V("GB20m", "684", "Rejeição: Duplicidade de Cupom Fiscal referenciado (Modelo, Número de Ordem e COO)", "refECF_B20m");
const std::string kGB22 = V("GB22", "556", "Rejeição: Justificativa de entrada em Contingencia não deve ser informado para tipo de emissão Normal", "tpEmis_B22");
const std::string kGB22_1 = V("GB22.1", "557", "Rejeição: A Justificativa de entrada em Contingência deve ser informada", "tpEmis_B22");
const std::string kGB23 = V("GB23", "253", "Rejeição: Dígito Verificador da chave de acesso composta inválida", "cDV_B23");
const std::string kGB25 = V("GB25", "254", "Rejeição: NF-e complementar não possui NF referenciada", "finNFe_B25");
const std::string kGB25_1 = V("GB25.1", "255", "Rejeição: NF-e complementar possui mais de uma NF referenciada", "finNFe_B25");
const std::string kGB25_2 = V("GB25.2", "269", "Rejeição: CNPJ Emitente da NF Complementar difere do CNPJ da NF Referenciada", "finNFe_B25");
const std::string kGB25_3 = V("GB25.3", "321", "Rejeição:  NF-e  de  devolução  não  possui  documento fiscal referenciado", "finNFe_B25");
const std::string kGB25_3_NT003_2013 = V("GB25.3", "678", "Rejeição: NF referenciada com UF diferente da NF-e complementar", "retNFe_B13 ou cUF_B15");
const std::string kGB25_4 = V("GB25.4", "322", "Rejeição:  NF-e  de  devolução  com  mais  de  um documento fiscal referenciado", "finNfe_B25");
const std::string kGB25b = V("GB25b", "794", "Rejeição: NF-e com indicativo de NFC-e com entrega a domicílio", "indPres_B25b");
const std::string kGB26 = V("GB26", "451", "Rejeição: Processo de Emissão informado inválido", "procEmi_B26");
const std::string kGB26_1 = V("GB26.1", "370", "Rejeição: Nota Fiscal Avulsa com tipo de emissão inválido", "procEmi_B26");
const std::string kGB28 = V("GB28", "558", "Rejeição: Data de entrada em contingência posterior a data de emissão", "dhCont_B28");
const std::string kGC02 = V("GC02", "207", "Rejeição: CNPJ do emitente inválido", "CNPJ_C02");
const std::string kGC02_a = V("GC02a", "407", "Rejeição: O CPF só pode ser informado no campo emitente para a NF-e avulsa", "CPF_C02a");
const std::string kGC02_a1 = V("GC02a.1", "401", "Rejeição: CPF do remetente inválido", "CPF_C02a");
const std::string kGC10 = V("GC10", "272", "Rejeição: Código Município deo emitente: Dígito inválido", "cMun_C10");
const std::string kGC10_1 = V("GC10.1", "273", "Rejeição: Código Município do Emitente difere da UF do emitente", "cMun_C10");
const std::string kGC17 = V("GC17", "229", "Rejeição: IE do Emitente não informada", "IE_C17");
const std::string kGD01 = V("GD01", "403", "Rejeição: O grupo de informações da NF-e avulsa é de uso exclusivo do Fisco", "");
const std::string kGE01 = V("GE01", "719", "Rejeição: NF-e sem a identificação do destinatário", "");
const std::string kGE02 = V("GE02", "507", "Rejeição: O CNPJ do Destinatário/remetente não deve ser informado em operação com o exterior", "CNPJ_E02");
const std::string kGE02_1 = V("GE02.1", "508", "Rejeição: O CNPJ com conteúdo nulo só é válido em operação com exterior", "CNPJ_E02");
const std::string kGE02_2 = V("GE02.2", "208", "Rejeição: CNPJ do destinatário inválido", "CNPJ_E02");
const std::string kGE03 = V("GE03", "237", "Rejeição: CPF do destinatário inválido", "CPF_E03");
const std::string kGE03a = V("GE03a", "720", "Rejeição: Na operação com Exterior deve ser informada tag idEstrangeiro", "idEstrangeiro_E03a");
const std::string kGE03a_1 = V("GE03a.1", "721", "Rejeição: Operação interestadual deve informar CNPJ ou CPF", "idEstrangeiro_E03a");
const std::string kGE03a_2 = V("GE03a.2", "722", "Rejeição: Operação interna com idEstrangeiro informado deve ser presencial", "indPres_B25b");
const std::string kGE03a_3 = V("GE03a.3", "723", "Rejeição: Operação interna com idEstrangeiro informado deve ser para consumidor final", "idEstrangeiro_E03a");
const std::string kGE04 = V("GE04", "724", "Rejeição: NF-e sem o nome do destinatário", "xNome_E04");
const std::string kGE10 = V("GE10", "274", "Rejeição: Código do Município do Destinatário: dígito inválido", "cMun_E10");
const std::string kGE10_1 = V("GE10.1", "275", "Rejeição: Código do Município do Destinatário difere da UF do destinatário", "cMun_E10");
const std::string kGE10_2 = V("GE10.2", "509", "Rejeição: Informado Código do Município Diferente de 9999999 para operação com exterior", "cMun_E10");
const std::string kGE10_2_NT005_2013 = V("GE10.2", "509", "Rejeição: Informado Código do Município Diferente de 9999999 para operação com exterior", "cMun_E10");
const std::string kGE12 = V("GE12", "727", "Rejeição: Operação com Exterior e UF diferente de EX", "UF_E12");
const std::string kGE12_1 = V("GE12.1", "771", "Rejeição: Operação Interestadual e UF de destino com EX", "UF_C12");
const std::string kGE12_2 = V("GE12.2", "772", "Rejeição: Operação Interestadual e UF de destino igual à UF do emitente", "UF_C12");
const std::string kGE12_3 = V("GE12.3", "773", "Rejeição: Operação Interna e UF de destino difere da UF do emitente", "UF_C12");
const std::string kGE14 = V("GE14", "510", "Rejeição: Operação com Exterior e Código País destinatário é 1058 (Brasil) ou não informado", "cPais_E14");
const std::string kGE14_1 = V("GE14.1", "511", "Rejeição: Não é de Operação com Exterior e Código País destinatário difere de 1058(Brasil)", "cPais_E14");
const std::string kGE14_1_NT005_2013 = V("GE14.1", "511", "Rejeição: Não é de Operação com Exterior e Código País destinatário difere de 1058(Brasil)", "cPais_E14");
const std::string kGE14_NT005_2013 = V("GE14", "510", "Rejeição: Operação com Exterior e Código País destinatário é 1058 (Brasil) ou não informado", "cPais_E14");
const std::string kGE16a = V("GE16.a", "790", "Rejeição: Operação com Exterior para destinatário Contribuinte de ICMS", "indIEDest_E16a");
const std::string kGE17 = V("GE17", "210", "Rejeição: IE do Destinatário inválida", "IE_E17");
const std::string kGE17_1 = V("GE17.1", "728", "Rejeição: NF-e sem informação da IE do destinatário", "IE_E17");
const std::string kGE17_2 = V("GE17.2", "791", "Rejeição: NF-e com indicação de destinatário isentode IE, com a informação da IE do destinatário", "IE_E17");
const std::string kGE17_3 = V("GE17.3", "792", "Rejeição: Informada a IE do destinatário para operação com destinatário no Exterior", "IE_E17");
const std::string kGF02 = V("GF02", "512", "Rejeição: CNPJ do local de Retirada inválido", "CNPJ_F02");
const std::string kGF02_a = V("GF02a", "540", "Rejeição: CPF do local de Retirada inválido", "CPF_F02a");
const std::string kGF07 = V("GF07", "513", "Rejeição: Código Município do Local de Retirada deve ser 9999999 para UF = EX", "cMun_F07");
const std::string kGF07_1 = V("GF07.1", "276", "Rejeição: Código Município do Local de Retirada: dígito inválido", "cMun_F07");
const std::string kGF07_2 = V("GF07.2", "277", "Rejeição: Código do Município do Local de Retirada difere da UF do Local de Retirada", "cMun_F07");
const std::string kGG02 = V("GG02", "514", "Rejeição: CNPJ do local de Entrega inválido", "CNPJ_G02");
const std::string kGG02_a = V("GG02a", "541", "Rejeição: CPF do local de Entrega inválido", "CPF_G02a");
const std::string kGG07 = V("GG07", "515", "Rejeição: Código Município do Local de Entrega deve ser 9999999 para UF = EX", "cMun_G07");
const std::string kGG07_1 = V("GG07.1", "278", "Rejeição: Código Município do Local de Entrega: dígito inválido", "cMun_G07");
const std::string kGG07_2 = V("GG07.2", "279", "Rejeição: Código do Município do Local de Entrega difere da UF do Local de Entrega", "cMun_G07");
const std::string kJ02_c_NT003_2012 = V("J02c", "615", "Rejeição: Chave de Acesso inválida (Ano < 06 ou Ano maior que Ano corrente).", "");

Valores Mais(Valores a, const Valores& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The last digit of a key or Id changed: a wrong check digit.
std::string DigitoErrado(std::string aChave) {
  aChave.back() = aChave.back() == '9' ? '0' : static_cast<char>(aChave.back() + 1);
  return aChave;
}

// An Id whose check digit is wrong, with cDV_B23 agreeing with it.
Valores IdComDigitoErrado() {
  const std::string id = DigitoErrado(test::IdNFe("2026-12-09"));
  return {{"ID_A03", id}, {"cDV_B23", id.substr(id.size() - 1)}};
}

// A valid Id of another emission date (another key year).
Valores IdDe(const std::string& aData) {
  const std::string id = test::IdNFe(aData);
  return {{"ID_A03", id}, {"cDV_B23", id.substr(id.size() - 1)}};
}

const std::string kChave7 = test::ChaveReferenciada("7");
const std::string kChave8 = test::ChaveReferenciada("8");
const std::string kCnpjInvalido = "11222333000182";
const std::string kCpfInvalido = "11144477736";

// A recipient abroad as the normalising set leaves it (layout 2.00).
const Valores kExterior = {{"UF_E12", "EX"},       {"CNPJ_E02", ""},        {"CPF_E03", "NULL"},
                           {"cMun_E10", "9999999"}, {"xMun_E11", "EXTERIOR"}, {"cPais_E14", "1600"},
                           {"xPais_E15", "CHINA"},  {"IE_E17", ""}};
// The same in layout 3.10: an operation with a place abroad.
const Valores kExterior310 = Mais(kExterior, {{"idDest_B11a", "3"}, {"idEstrangeiro_E03a", "AB12345"},
                                              {"indIEDest_E16a", "9"}});
// A foreign buyer in an internal operation, in person, final consumer.
const Valores kEstrangeiroInterno = {{"CNPJ_E02", ""},         {"idEstrangeiro_E03a", "AB12345"},
                                     {"indIEDest_E16a", "9"},  {"IE_E17", ""},
                                     {"indPres_B25b", "1"},    {"indFinal_B25a", "1"}};
// Interstate operation to Rio de Janeiro.
const Valores kRio = {{"UF_E12", "RJ"}, {"cMun_E10", "3304557"}, {"xMun_E11", "Rio de Janeiro"}};
// Emission in contingency (FS) with its time and reason.
const Valores kContingencia = {{"tpEmis_B22", "2"},
                               {"dhCont_B28", "2026-12-09T08:00:00-03:00"},
                               {"xJust_B29", "Falha de comunicacao com a SEFAZ autorizadora"}};

struct Caso {
  const char* Nome;
  TVersaoManual Versao;
  Valores Campos;
  std::vector<Valores> Nref = {};
  std::string Excecoes = "";
  std::string Esperado = "";
  std::function<void(test::RuleTestNote&)> Preparar = nullptr;
};

void PrintTo(const Caso& aCaso, std::ostream* aSaida) { *aSaida << aCaso.Nome; }

class RuleCatalog : public testing::TestWithParam<Caso> {};

TEST_P(RuleCatalog, RunsTheWholeSetToTheExpectedMessage) {
  const Caso& caso = GetParam();
  test::RuleTestNote nota(caso.Versao);
  if (caso.Preparar) caso.Preparar(nota);
  for (const auto& [campo, valor] : caso.Campos) nota.Set(campo, valor);
  for (const Valores& nref : caso.Nref) nota.Incluir("NREF", nref);
  EXPECT_EQ(nota.Executar(1, caso.Excecoes), caso.Esperado);
}

const Caso kCasos[] = {
    // A: the access key.
    {"GA03_DigitoDiferenteDoCDV", vm40, {{"cDV_B23", DigitoErrado(test::IdNFe("2026-12-09")).substr(46)}}, {}, "", kGA03},
    {"GA03_AntesDeGB07", vm50, {{"cDV_B23", DigitoErrado(test::IdNFe("2026-12-09")).substr(46)}, {"serie_B07", "895"}}, {}, "", kGA03},
    {"GB23_ChaveComDigitoErrado", vm50a, IdComDigitoErrado(), {}, "", kGB23},
    {"GB23_Excetuada", vm40, IdComDigitoErrado(), {}, "GB23", ""},
    {"J02c_AnoPosterior", vm50, IdDe("2027-01-05"), {}, "", kJ02_c_NT003_2012},
    {"J02c_AnoMenorQue06", vm50a, IdDe("2005-06-01"), {}, "", kJ02_c_NT003_2012},
    {"J02c_Ano06", vm50a, IdDe("2006-01-01"), {}, "", ""},
    {"J02c_ForaDoConjunto40", vm40, IdDe("2027-01-05"), {}, "", ""},
    // B: identification.
    {"GB06_Modelo57", vm50a, {{"mod_B06", "57"}}, {}, "", kGB06},
    {"GB06_1_Modelo65", vm50a, {{"mod_B06", "65"}}, {}, "", kGB06_1},
    {"GB06_Modelo65Passa", vm50a, {{"mod_B06", "65"}}, {}, "GB06.1", ""},
    {"GB07_Serie890", vm40, {{"serie_B07", "890"}}, {}, "", kGB07},
    {"GB07_Serie899", vm50a, {{"serie_B07", "899"}}, {}, "", kGB07},
    {"GB07_Serie889", vm50, {{"serie_B07", "889"}}, {}, "", ""},
    {"GB07_Serie900", vm50a, {{"serie_B07", "900"}}, {}, "", ""},
    {"GB09_31DiasAtras", vm40, {{"dEmi_B09", "2026-11-09"}}, {}, "", kGB09},
    {"GB09_30DiasAtras", vm40, {{"dEmi_B09", "2026-11-10"}}, {}, "", ""},
    {"GB09_31DiasAFrente", vm40, {{"dEmi_B09", "2027-01-10"}}, {}, "", ""},
    {"GB09_32DiasAFrente", vm40, {{"dEmi_B09", "2027-01-11"}}, {}, "", kGB09},
    {"GB09_1_50_31DiasAtras", vm50, {{"dEmi_B09", "2026-11-09"}}, {}, "", kGB09_1_NT003_2012},
    {"GB09_1_50_EmContingenciaFS", vm50, Mais({{"dEmi_B09", "2026-11-09"}}, Mais(kContingencia, {{"dhCont_B28", "2026-11-09T08:00:00-03:00"}})), {}, "", ""},
    {"GB09_1_50a_31DiasAtras", vm50a, {{"dhEmi_B09", "2026-11-09T23:59:00-03:00"}}, {}, "",
     V("GB09.1", "228", "Rejeição: Data de Emissão muito atrasada", "dhEmi_B09")},
    {"GB09_1_50a_30DiasAtras", vm50a, {{"dhEmi_B09", "2026-11-10T00:00:00-03:00"}}, {}, "", ""},
    {"GB10_2_SaidaAntesDaEmissao", vm40, {{"dSaiEnt_B10", "2026-12-08"}}, {}, "", kGB10_2},
    {"GB10_2_SaidaNoDiaDaEmissao", vm50, {{"dSaiEnt_B10", "2026-12-09"}}, {}, "", ""},
    {"GB10_2_NotaDeEntrada", vm50, {{"tpNF_B11", "0"}, {"CFOP_I08", "1102"}, {"dSaiEnt_B10", "2026-12-08"}}, {}, "", ""},
    {"GB10_3_SaidaAntesDaEmissao", vm50a, {{"dhSaiEnt_B10", "2026-12-08T23:00:00-03:00"}}, {}, "", kGB10_3},
    {"GB10_3_HoraAnteriorNoMesmoDia", vm50a, {{"dhSaiEnt_B10", "2026-12-09T08:00:00-03:00"}}, {}, "", ""},
    {"GB10a_HoraSemData", vm50, {{"hSaiEnt_B10a", "10:00:00"}}, {}, "", kGB10a},
    {"GB10a_HoraComData", vm40, {{"hSaiEnt_B10a", "10:00:00"}, {"dSaiEnt_B10", "2026-12-09"}}, {}, "", ""},
    {"GB12_DigitoInvalido", vm40, {{"cMunFG_B12", "3550309"}}, {}, "", kGB12},
    {"GB12_CodigoVazio", vm50a, {{"cMunFG_B12", ""}}, {}, "", kGB12},
    {"GB12_ExcetuadaPorGB12_1", vm50, {{"cMunFG_B12", "3550309"}}, {}, "GB12.1", ""},
    {"GB12_ExcecaoEmMinusculas", vm50, {{"cMunFG_B12", "3550309"}}, {}, "gb12.1", kGB12},
    {"GB12_1_MunicipioDeOutraUF", vm50a, {{"cMunFG_B12", "3304557"}}, {}, "", kGB12_1},
    {"GB22_NormalComJustificativa", vm40, {{"xJust_B29", "Justificativa qualquer"}}, {}, "", kGB22},
    {"GB22_NormalComHoraDeContingencia", vm50a, {{"dhCont_B28", "2026-12-09T08:00:00-03:00"}}, {}, "", kGB22},
    {"GB22_1_SemJustificativa", vm50, Mais(kContingencia, {{"xJust_B29", ""}}), {}, "", kGB22_1},
    {"GB22_1_SCANSemJustificativa", vm40, {{"tpEmis_B22", "3"}, {"dhCont_B28", "2026-12-09T08:00:00-03:00"}}, {}, "", kGB22_1},
    {"GB22_1_ContingenciaCompleta", vm50a, kContingencia, {}, "", ""},
    {"GB25b_EntregaADomicilio", vm50a, {{"indPres_B25b", "4"}}, {}, "", kGB25b},
    {"GB25b_OperacaoNaoPresencial", vm50a, {{"indPres_B25b", "9"}}, {}, "", ""},
    {"GB26_ProcessoAvulsoFisco", vm40, {{"procEmi_B26", "1"}}, {}, "", kGB26},
    {"GB26_ProcessoDoContribuinte3", vm50a, {{"procEmi_B26", "3"}}, {}, "", ""},
    {"GB26_1_AvulsaEmContingencia", vm50a, Mais(kContingencia, {{"procEmi_B26", "2"}}), {}, "GB26;", kGB26_1},
    {"GB26_1_AvulsaNormal", vm50a, {{"procEmi_B26", "1"}}, {}, "GB26;", ""},
    {"GB28_ContingenciaDepoisDaEmissao", vm40, Mais(kContingencia, {{"dhCont_B28", "2026-12-10T08:00:00-03:00"}}), {}, "", kGB28},
    {"GB28_ContingenciaNoDiaDaEmissao", vm50, kContingencia, {}, "", ""},
    // NREF: referenced documents.
    {"GB13_DigitoInvalido", vm40, {}, {{{"refNFe_B13", DigitoErrado(kChave7)}}}, "", kGB13},
    {"GB13_ChavesValidas", vm50, {}, {{{"refNFe_B13", kChave7}}, {{"refNFe_B13", kChave8}}}, "", ""},
    {"GB13a_ModeloDaReferenciada", vm50, {}, {{{"refNFe_B13", test::ChaveReferenciada("7", "65")}}}, "", kGB13a_NT003_2013},
    {"GB13b_ChaveRepetida", vm50, {}, {{{"refNFe_B13", kChave7}}, {{"refNFe_B13", kChave8}}, {{"refNFe_B13", kChave7}}}, "", kGB13b_NT003_2013},
    {"GB17_CNPJInvalido", vm50a, {}, {{{"CNPJ_B17", kCnpjInvalido}, {"mod_B18", "01"}}}, "", kGB17},
    {"GB17_CNPJValido", vm40, {}, {{{"CNPJ_B17", test::CnpjDestinatario}, {"mod_B18", "01"}}}, "", ""},
    {"GB20_NotaModelo1Repetida", vm50,  {},
     {{{"CNPJ_B17", test::CnpjDestinatario}, {"mod_B18", "01"}, {"serie_B19", "1"}, {"nNF_B20", "123"}},
      {{"CNPJ_B17", test::CnpjDestinatario}, {"mod_B18", "01"}, {"serie_B19", "1"}, {"nNF_B20", "123"}}}, "", kGB20_NT003_2013},
    // A number that is the start of an earlier one is another note.
    {"GB20_NumeroContidoNoAnterior", vm50, {},
     {{{"CNPJ_B17", test::CnpjDestinatario}, {"mod_B18", "01"}, {"serie_B19", "1"}, {"nNF_B20", "123"}},
      {{"CNPJ_B17", test::CnpjDestinatario}, {"mod_B18", "01"}, {"serie_B19", "1"}, {"nNF_B20", "12"}}}, "", ""},
    {"GB20d_CNPJProdutorInvalido", vm40, {}, {{{"CNPJ_B20d", kCnpjInvalido}}}, "", kGB20d},
    {"GB20d_CNPJProdutorValido", vm50a, {}, {{{"CNPJ_B20d", test::CnpjDestinatario}}}, "", ""},
    {"GB20e_CPFProdutorInvalido", vm50a, {}, {{{"CPF_B20e", kCpfInvalido}}}, "", kGB20e},
    {"GB20e_CPFProdutorValido", vm50, {}, {{{"CPF_B20e", test::CpfValido}}}, "", ""},
    {"GB20ha_NotaDeProdutorRepetida", vm50, {},
     {{{"IE_B20f", "123456789"}, {"mod_B20g", "04"}, {"serie_B20h", "1"}, {"nNF_B20ha", "5"}},
      {{"IE_B20f", "123456789"}, {"mod_B20g", "04"}, {"serie_B20h", "1"}, {"nNF_B20ha", "5"}}}, "", kGB20ha_NT003_2013},
    {"GB20ha_OutraSerie", vm50, {},
     {{{"IE_B20f", "123456789"}, {"mod_B20g", "04"}, {"serie_B20h", "1"}, {"nNF_B20ha", "5"}},
      {{"IE_B20f", "123456789"}, {"mod_B20g", "04"}, {"serie_B20h", "2"}, {"nNF_B20ha", "5"}}}, "", ""},
    {"GB20i_DigitoDoCTeInvalido", vm50a, {}, {{{"refCTe_B20i", DigitoErrado(test::ChaveReferenciada("9", "57"))}}}, "", kGB20i},
    {"GB20i_CTeValido", vm40, {}, {{{"refCTe_B20i", test::ChaveReferenciada("9", "57")}}}, "", ""},
    {"GB20ia_ModeloDoCTe", vm50, {}, {{{"refCTe_B20i", kChave7}}}, "", kGB20ia_NT003_2013},
    {"GB20ia_CTeModelo57", vm50, {}, {{{"refCTe_B20i", test::ChaveReferenciada("9", "57")}}}, "", ""},
    {"GB20m_CupomRepetido", vm50, {},
     {{{"mod_B20k", "2D"}, {"nECF_B20l", "1"}, {"nCOO_B20m", "5"}}, {{"mod_B20k", "2D"}, {"nECF_B20l", "1"}, {"nCOO_B20m", "5"}}}, "", kGB20m_NT003_2013},
    {"GB20m_COOContidoNoAnterior", vm50, {},
     {{{"mod_B20k", "2D"}, {"nECF_B20l", "1"}, {"nCOO_B20m", "55"}}, {{"mod_B20k", "2D"}, {"nECF_B20l", "1"}, {"nCOO_B20m", "5"}}}, "", ""},
    {"GB25_ComplementarSemReferencia", vm40, {{"finNFe_B25", "2"}}, {}, "", kGB25},
    {"GB25_1_ComplementarComDuasReferencias", vm50a, {{"finNFe_B25", "2"}}, {{{"refNFe_B13", kChave7}}, {{"refNFe_B13", kChave8}}}, "", kGB25_1},
    {"GB25_ComplementarComUmaReferencia", vm50, {{"finNFe_B25", "2"}}, {{{"refNFe_B13", kChave7}}}, "", ""},
    {"GB25_2_ChaveDeOutroEmitente", vm40, {{"finNFe_B25", "2"}},
     {{{"refNFe_B13", test::ChaveReferenciada("7", "55", "35", test::CnpjDestinatario)}}}, "", kGB25_2},
    {"GB25_2_NotaModelo1DeOutroEmitente", vm50a, {{"finNFe_B25", "2"}}, {{{"CNPJ_B17", test::CnpjDestinatario}, {"mod_B18", "01"}}}, "", kGB25_2},
    {"GB25_2_NotaModelo1DoEmitente", vm50a, {{"finNFe_B25", "2"}}, {{{"CNPJ_B17", test::CnpjEmitente}, {"mod_B18", "01"}}}, "", ""},
    {"GB25_3_DevolucaoSemReferencia", vm50a, {{"finNFe_B25", "4"}}, {}, "", kGB25_3},
    {"GB25_4_DevolucaoComDuasReferencias", vm50a, {{"finNFe_B25", "4"}}, {{{"refNFe_B13", kChave7}}, {{"refNFe_B13", kChave8}}}, "", kGB25_4},
    {"GB25_4_DevolucaoComUmaReferencia", vm50a, {{"finNFe_B25", "4"}, {"CFOP_I08", "5202"}}, {{{"refNFe_B13", kChave7}}}, "", ""},
    {"GB25_3_50_ChaveDeOutraUF", vm50, {{"finNFe_B25", "2"}}, {{{"refNFe_B13", test::ChaveReferenciada("7", "55", "33")}}}, "", kGB25_3_NT003_2013},
    {"GB25_3_50_NotaModelo1DeOutraUF", vm50, {{"finNFe_B25", "2"}},
     {{{"cUF_B15", "33"}, {"CNPJ_B17", test::CnpjEmitente}, {"mod_B18", "01"}}}, "", kGB25_3_NT003_2013},
    {"GB25_3_50_NotaModelo1DaUF", vm50, {{"finNFe_B25", "2"}},
     {{{"cUF_B15", "35"}, {"CNPJ_B17", test::CnpjEmitente}, {"mod_B18", "01"}}}, "", ""},
    // C: issuer; D: the tax authority's group.
    {"GC02_CNPJInvalido", vm40, {{"CNPJ_C02", kCnpjInvalido}}, {}, "", kGC02},
    {"GC02a_CPFInformado", vm50, {{"CPF_C02a", test::CpfValido}}, {}, "", kGC02_a},
    {"GC02a_1_CPFInvalido", vm50a, {{"CPF_C02a", kCpfInvalido}}, {}, "GC02a;", kGC02_a1},
    {"GC02a_1_CPFValido", vm50a, {{"CPF_C02a", test::CpfValido}}, {}, "GC02a;", ""},
    {"GC10_DigitoInvalido", vm40, {{"cMun_C10", "3550309"}}, {}, "", kGC10},
    {"GC10_1_MunicipioDeOutraUF", vm50a, {{"cMun_C10", "3304557"}}, {}, "", kGC10_1},
    {"GC17_IEVazia", vm50, {{"IE_C17", ""}}, {}, "", kGC17},
    {"GD01_GrupoDoFiscoPreenchido", vm40, {{"xOrgao_D03", "Secretaria da Fazenda"}}, {}, "", kGD01},
    // E: recipient.
    {"GE01_SemDestinatario", vm50a, {}, {}, "GE02.1;GE10;GE14.1", kGE01,
     [](test::RuleTestNote& n) { n.Motor().DataSetPorNome("E").Delete(); }},
    // One recipient record, all of its fields empty: GE01 passes, GE04 does not.
    {"GE01_DestinatarioVazio", vm50a, {}, {}, "GE02.1;GE10;GE14.1", kGE04,
     [](test::RuleTestNote& n) {
       TXmlDataSetNFe& e = n.Motor().DataSetPorNome("E");
       e.Delete();
       e.Append();
       e.Post();
     }},
    {"GE02_CNPJNoExterior", vm40, Mais(kExterior, {{"CNPJ_E02", test::CnpjDestinatario}}), {}, "", kGE02},
    {"GE02_ExteriorSemCNPJ", vm40, kExterior, {}, "", ""},
    {"GE02_1_SemCNPJNemCPF", vm50, {{"CNPJ_E02", ""}}, {}, "", kGE02_1},
    {"GE02_1_EstrangeiroEmOperacaoInterna", vm50a, kEstrangeiroInterno, {}, "", ""},
    {"GE02_2_CNPJInvalido", vm50a, {{"CNPJ_E02", kCnpjInvalido}}, {}, "", kGE02_2},
    {"GE02_2_NullEmMinusculas", vm40, {{"CNPJ_E02", "null"}}, {}, "", ""},
    {"GE03_CPFInvalido", vm40, {{"CNPJ_E02", "NULL"}, {"CPF_E03", kCpfInvalido}}, {}, "", kGE03},
    {"GE03_CPFValido", vm50a, {{"CNPJ_E02", "NULL"}, {"CPF_E03", test::CpfValido}}, {}, "", ""},
    {"GE03a_ExteriorSemIdEstrangeiro", vm50a, Mais(kExterior310, {{"idEstrangeiro_E03a", ""}}), {}, "", kGE03a},
    {"GE03a_ExteriorComIdEstrangeiro", vm50a,
     Mais(kExterior310, {{"UFSaidaPais_ZA02", "SP"}, {"xLocExporta_ZA03", "Santos"}}), {}, "GI08.11", ""},
    {"GE03a_1_InterestadualComIdEstrangeiro", vm50a, Mais(kRio, {{"idDest_B11a", "2"}, {"idEstrangeiro_E03a", "AB12345"}}), {}, "", kGE03a_1},
    {"GE03a_2_EstrangeiroNaoPresencial", vm50a, Mais(kEstrangeiroInterno, {{"indPres_B25b", "2"}}), {}, "", kGE03a_2},
    {"GE03a_3_EstrangeiroNaoConsumidorFinal", vm50a, Mais(kEstrangeiroInterno, {{"indFinal_B25a", "0"}}), {}, "", kGE03a_3},
    {"GE04_SemNome", vm50a, {{"xNome_E04", ""}}, {}, "", kGE04},
    {"GE10_DigitoInvalido", vm40, {{"cMun_E10", "3509503"}}, {}, "", kGE10},
    {"GE10_CodigoVazio", vm50, {{"cMun_E10", ""}}, {}, "", kGE10},
    {"GE10_1_MunicipioDeOutraUF", vm50a, {{"cMun_E10", "3304557"}}, {}, "", kGE10_1},
    {"GE10_2_ExteriorComMunicipio", vm40, Mais(kExterior, {{"cMun_E10", "3550308"}}), {}, "", kGE10_2},
    {"GE10_2_50a_ExteriorComMunicipio", vm50a, Mais(kExterior310, {{"cMun_E10", "3550308"}}), {}, "", kGE10_2_NT005_2013},
    {"GE12_ExteriorComUFDoBrasil", vm50a, Mais(kExterior310, {{"UF_E12", "SP"}}), {}, "GE10;GE10.1", kGE12},
    {"GE12_1_InterestadualParaEX", vm50a, {{"idDest_B11a", "2"}, {"UF_E12", "EX"}, {"CNPJ_E02", ""}, {"CPF_E03", "NULL"},
      {"cMun_E10", "9999999"}, {"IE_E17", ""}, {"indIEDest_E16a", "9"}}, {}, "", kGE12_1},
    {"GE12_2_InterestadualParaAMesmaUF", vm50a, {{"idDest_B11a", "2"}}, {}, "", kGE12_2},
    {"GE12_2_InterestadualParaOutraUF", vm50a, Mais(kRio, {{"idDest_B11a", "2"}, {"CFOP_I08", "6102"}}), {}, "", ""},
    {"GE12_3_InternaParaOutraUF", vm50a, kRio, {}, "", kGE12_3},
    {"GE14_ExteriorSemPais", vm40, Mais(kExterior, {{"cPais_E14", ""}}), {}, "", kGE14},
    {"GE14_ExteriorNoBrasil", vm50, Mais(kExterior, {{"cPais_E14", "1058"}}), {}, "", kGE14},
    {"GE14_1_SemPais", vm40, {{"cPais_E14", ""}}, {}, "", kGE14_1},
    {"GE14_1_50a_PaisEstrangeiro", vm50a, {{"cPais_E14", "1600"}}, {}, "", kGE14_1_NT005_2013},
    {"GE14_50a_ExteriorNoBrasil", vm50a, Mais(kExterior310, {{"cPais_E14", "1058"}}), {}, "", kGE14_NT005_2013},
    {"GE16a_ExteriorContribuinte", vm50a, Mais(kExterior310, {{"indIEDest_E16a", "1"}}), {}, "", kGE16a},
    {"GE17_ExteriorComIE", vm40, Mais(kExterior, {{"IE_E17", "123456"}}), {}, "", kGE17},
    {"GE17_ExteriorIsento", vm40, Mais(kExterior, {{"IE_E17", "ISENTO"}}), {}, "", ""},
    {"GE17_1_ContribuinteSemIE", vm50a, {{"IE_E17", ""}}, {}, "", kGE17_1},
    {"GE17_2_IsentoComIE", vm50a, {{"indIEDest_E16a", "2"}}, {}, "", kGE17_2},
    {"GE17_2_IsentoSemIE", vm50a, {{"indIEDest_E16a", "2"}, {"IE_E17", ""}}, {}, "", ""},
    {"GE17_3_ExteriorIsento", vm50a, Mais(kExterior310, {{"IE_E17", "ISENTO"}}), {}, "", kGE17_3},
    // F: pick-up place; G: delivery place.
    {"GF02_CNPJInvalido", vm40, {{"CNPJ_F02", kCnpjInvalido}}, {}, "", kGF02},
    {"GF02_CNPJNulo", vm50a, {{"CNPJ_F02", "NULL"}}, {}, "", ""},
    {"GF02a_CPFInvalido", vm50, {{"CPF_F02a", kCpfInvalido}}, {}, "", kGF02_a},
    {"GF07_ExteriorComMunicipio", vm50a, {{"UF_F09", "EX"}, {"cMun_F07", "3550308"}}, {}, "", kGF07},
    {"GF07_ExteriorCom9999999", vm40, {{"UF_F09", "EX"}, {"cMun_F07", "9999999"}}, {}, "", ""},
    {"GF07_1_DigitoInvalido", vm50, {{"UF_F09", "SP"}, {"cMun_F07", "3550309"}}, {}, "", kGF07_1},
    {"GF07_2_MunicipioDeOutraUF", vm50a, {{"UF_F09", "RJ"}, {"cMun_F07", "3550308"}}, {}, "", kGF07_2},
    {"GF07_2_MunicipioDaUF", vm50a, {{"UF_F09", "RJ"}, {"cMun_F07", "3304557"}}, {}, "", ""},
    {"GG02_CNPJInvalido", vm50a, {{"CNPJ_G02", kCnpjInvalido}}, {}, "", kGG02},
    {"GG02a_CPFInvalido", vm40, {{"CPF_G02a", kCpfInvalido}}, {}, "", kGG02_a},
    {"GG02a_CPFNuloEmMinusculas", vm40, {{"CPF_G02a", "null"}}, {}, "", ""},
    {"GG07_ExteriorComMunicipio", vm50, {{"UF_G09", "EX"}, {"cMun_G07", "3550308"}}, {}, "", kGG07},
    {"GG07_ExteriorCom9999999", vm50a, {{"UF_G09", "EX"}, {"cMun_G07", "9999999"}}, {}, "", ""},
    {"GG07_1_DigitoInvalido", vm40, {{"UF_G09", "SP"}, {"cMun_G07", "3550309"}}, {}, "", kGG07_1},
    {"GG07_2_MunicipioDeOutraUF", vm50a, {{"UF_G09", "RJ"}, {"cMun_G07", "3550308"}}, {}, "", kGG07_2},
};

INSTANTIATE_TEST_SUITE_P(Catalogo, RuleCatalog, testing::ValuesIn(kCasos),
                         [](const testing::TestParamInfo<Caso>& aInfo) { return std::string(aInfo.param.Nome); });

// The normalising set: mutation -> the fields it sets.
TEST(RuleNormalising, FillsAndBlanksTheFieldsItOwns) {
  struct CasoVarno {
    const char* Nome;
    Valores Campos;
    Valores Esperado;
  };
  const CasoVarno casos[] = {
      {"Varno1", {{"UF_E12", "EX"}}, {{"CNPJ_E02", ""}, {"CPF_E03", "NULL"}}},
      {"Varno2", {{"CPF_E03", test::CpfValido}}, {{"CNPJ_E02", "NULL"}, {"CPF_E03", test::CpfValido}}},
      {"Varno2_Nulo", {{"CPF_E03", "null"}}, {{"CNPJ_E02", test::CnpjDestinatario}}},
      {"Varno3_Zero", {{"cNF_B03", "0"}, {"nNF_B08", "4321"}}, {{"cNF_B03", "4321"}}},
      {"Varno3_Vazio", {{"cNF_B03", ""}}, {{"cNF_B03", "1"}}},
      {"Varno3_DoisZeros", {{"cNF_B03", "00"}}, {{"cNF_B03", "00"}}},
      {"Varno4", {{"verProc_B27", ""}}, {{"verProc_B27", "1.0"}}},
      {"Nenhuma", {}, {{"CNPJ_E02", test::CnpjDestinatario}, {"CPF_E03", ""}, {"cNF_B03", "12345678"}}},
  };
  for (const CasoVarno& caso : casos) {
    test::RuleTestNote nota(vm50a);
    for (const auto& [campo, valor] : caso.Campos) nota.Set(campo, valor);
    // The recipient is posted: the rule puts its record in edit mode itself.
    nota.Motor().SalvarParte("E");
    EXPECT_EQ(nota.Executar(0), "") << caso.Nome;
    for (const auto& [campo, valor] : caso.Esperado) EXPECT_EQ(nota.Get(campo), valor) << caso.Nome << " " << campo;
  }
}

}  // namespace
}  // namespace xnd

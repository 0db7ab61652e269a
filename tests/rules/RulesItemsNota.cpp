#include "tests/rules/RulesItemsNota.h"

#include <cmath>
#include <cstdio>

#include "platform/files.h"
#include "platform/text.h"
#include "rules/xndNFeRules.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {

const char* const kExcecoesCabecalho =
    "GA03;GB06;GB06.1;GB07;GB09.1;GB10.2;GB10.3;GB10a;GB12;GB12.1;GB13;GB13a;GB13b;GB17;GB20;GB20d;GB20e;"
    "GB20ha;GB20i;GB20ia;GB20m;GB22;GB22.1;GB23;GB25;GB25.1;GB25.2;GB25.3;GB25.4;GB25b;GB26;GB26.1;GB28;"
    "GC02;GC02a;GC02a.1;GC10;GC10.1;GC17;GD01;GE01;GE02;GE02.1;GE02.2;GE03;GE03a;GE03a.1;GE03a.2;GE03a.3;"
    "GE04;GE10;GE10.1;GE10.2;GE12;GE12.1;GE12.2;GE12.3;GE14;GE14.1;GE16.a;GE17;GE17.1;GE17.2;GE17.3;"
    "GF02;GF02a;GF07;GF07.1;GF07.2;GG02;GG02a;GG07;GG07.1;GG07.2;J02c;";

namespace {

std::string Dinheiro(long double aValor) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "%.2Lf", aValor);
  return texto;
}

long double Valor(const std::string& aTexto) { return ConverterValor(aTexto); }

}  // namespace

TNotaItens::TNotaItens(int aItens) : FMotor(std::make_unique<TxndXMLDataSetNFe>()) {
  FMotor->SetXMLDicionario(ProgramDirectory() + "Templates/vm40/Conversor/NFeDataSets.xml");
  FMotor->AtivarMestreDetalhe(true);
  FMotor->Incluir();
  for (const auto& [campo, valor] : {
           std::pair{"versao_A02", "3.10"},  {"cUF_B02", "35"},          {"cNF_B03", "12345678"},
           {"natOp_B04", "Venda"},          {"indPag_B05", "0"},          {"mod_B06", "55"},
           {"serie_B07", "1"},              {"nNF_B08", "1"},             {"dEmi_B09", "2014-05-10"},
           {"dhEmi_B09", "2014-05-10T10:00:00-03:00"},                     {"tpNF_B11", "1"},
           {"idDest_B11a", "1"},            {"cMunFG_B12", "3550308"},    {"tpImp_B21", "1"},
           {"tpEmis_B22", "1"},             {"tpAmb_B24", "2"},           {"finNFe_B25", "1"},
           {"indFinal_B25a", "0"},          {"indPres_B25b", "1"},        {"procEmi_B26", "0"},
           {"verProc_B27", "1.0"},          {"CNPJ_C02", "11222333000181"}, {"xNome_C03", "Emitente"},
           {"xLgr_C06", "Rua A"},           {"nro_C07", "1"},             {"xBairro_C09", "Centro"},
           {"cMun_C10", "3550308"},         {"xMun_C11", "Sao Paulo"},    {"UF_C12", "SP"},
           {"IE_C17", "111111111111"},      {"CRT_C21", "3"},             {"CNPJ_E02", "11444777000161"},
           {"xNome_E04", "Destinatario"},   {"cMun_E10", "3550308"},      {"UF_E12", "SP"},
           {"cPais_E14", "1058"},           {"indIEDest_E16a", "1"},      {"IE_E17", "222222222222"},
           {"modFrete_X02", "9"}}) {
    Definir(campo, valor);
  }
  for (int i = 0; i < aItens; ++i) NovoItem();
  RecalcularTotais();
}

TNotaItens::~TNotaItens() = default;

void TNotaItens::Definir(std::string_view aCampo, const std::string& aValor) {
  TXmlFieldNFe& campo = FMotor->CampoPorNome(aCampo);
  TClientDataSet& grupo = *campo.DataSet();
  if (grupo.State() == dsBrowse) grupo.Edit();
  campo.SetAsString(aValor);
}

void TNotaItens::IrItem(int aItem) {
  TXmlDataSetNFe& itens = FMotor->DataSetPorNome("H");
  itens.First();
  for (int i = 1; i < aItem; ++i) itens.Next();
}

void TNotaItens::NovoRegistro(std::string_view aGrupo) { FMotor->IncluirParte(aGrupo); }

void TNotaItens::NovoItem() {
  ++FItens;
  const std::string n = IntToStr(FItens);
  FMotor->IncluirParte("H");
  Definir("nItem_H02", n);
  FMotor->IncluirParte("I");
  for (const auto& [campo, valor] : {
           std::pair{"cProd_I02", "P" + n},  {"xProd_I04", std::string("Parafuso")}, {"NCM_I05", std::string("73181500")},
           {"CFOP_I08", std::string("5102")}, {"uCom_I09", std::string("UN")},       {"qCom_I10", std::string("1.0000")},
           {"vUnCom_I10a", std::string("100.00")}, {"vProd_I11", std::string("100.00")},
           {"uTrib_I13", std::string("UN")},  {"qTrib_I14", std::string("1.0000")},  {"vUnTrib_I14a", std::string("100.00")},
           {"indTot_I17b", std::string("1")}}) {
    Definir(campo, valor);
  }
  FMotor->IncluirParte("N");
  for (const auto& [campo, valor] : {std::pair{"orig_N11", "0"}, {"CST_N12", "00"}, {"modBC_N13", "3"},
                                     {"vBC_N15", "100.00"}, {"pICMS_N16", "18.00"}, {"vICMS_N17", "18.00"}}) {
    Definir(campo, valor);
  }
  FMotor->IncluirParte("Q");
  for (const auto& [campo, valor] : {std::pair{"CST_Q06", "01"}, {"vBC_Q07", "100.00"}, {"pPIS_Q08", "1.65"},
                                     {"vPIS_Q09", "1.65"}}) {
    Definir(campo, valor);
  }
  FMotor->IncluirParte("S");
  for (const auto& [campo, valor] : {std::pair{"CST_S06", "01"}, {"vBC_S07", "100.00"}, {"pCOFINS_S08", "7.60"},
                                     {"vCOFINS_S11", "7.60"}}) {
    Definir(campo, valor);
  }
}

void TNotaItens::RecalcularTotais() {
  TXmlDataSetNFe& itens = FMotor->DataSetPorNome("H");
  TXmlDataSetNFe& i = FMotor->DataSetPorNome("I");
  TXmlDataSetNFe& n = FMotor->DataSetPorNome("N");
  TXmlDataSetNFe& o = FMotor->DataSetPorNome("O");
  TXmlDataSetNFe& p = FMotor->DataSetPorNome("P");
  TXmlDataSetNFe& q = FMotor->DataSetPorNome("Q");
  TXmlDataSetNFe& s = FMotor->DataSetPorNome("S");
  TXmlDataSetNFe& u = FMotor->DataSetPorNome("U");
  long double vBC = 0, vICMS = 0, vBCST = 0, vST = 0, vProd = 0, vFrete = 0, vSeg = 0, vDesc = 0, vII = 0, vIPI = 0,
              vPIS = 0, vCOFINS = 0, vOutro = 0, vServ = 0, vBCISS = 0, vISS = 0, vPISISS = 0, vCOFINSISS = 0;
  const auto campo = [](TXmlDataSetNFe& g, const char* f) { return Valor(g.FieldByName(f).AsString()); };
  itens.First();
  while (!itens.Eof()) {
    const std::string cst = n.FieldByName("CST_N12").AsString();
    const bool icms = !n.FieldByName("orig_N11").AsString().empty();
    const bool issqn = !u.FieldByName("vISSQN_U04").AsString().empty();
    if (cst != "51") vBC += campo(n, "vBC_N15");
    if (cst != "40" && cst != "41" && cst != "50" && cst != "51") vICMS += campo(n, "vICMS_N17");
    vBCST += campo(n, "vBCST_N21");
    vST += campo(n, "vICMSST_N23");
    if (icms && i.FieldByName("indTot_I17b").AsString() == "1") vProd += campo(i, "vProd_I11");
    vFrete += campo(i, "vFrete_I15");
    vSeg += campo(i, "vSeg_I16");
    vDesc += campo(i, "vDesc_I17");
    vOutro += campo(i, "vOutro_I17a");
    vII += campo(p, "vII_P04");
    vIPI += campo(o, "vIPI_O14");
    if (icms) vPIS += campo(q, "vPIS_Q09");
    if (icms) vCOFINS += campo(s, "vCOFINS_S11");
    if (issqn) {
      vServ += campo(i, "vProd_I11");
      vPISISS += campo(q, "vPIS_Q09");
      vCOFINSISS += campo(s, "vCOFINS_S11");
    }
    vBCISS += campo(u, "vBC_U02");
    vISS += campo(u, "vISSQN_U04");
    itens.Next();
  }
  const long double vNF = vProd + vST + vFrete + vSeg + vOutro + vII + vIPI + vServ - vDesc;
  for (const auto& [nome, valor] :
       {std::pair{"vBC_W03", vBC}, {"vICMS_W04", vICMS}, {"vBCST_W05", vBCST}, {"vST_W06", vST},
        {"vProd_W07", vProd}, {"vFrete_W08", vFrete}, {"vSeg_W09", vSeg}, {"vDesc_W10", vDesc}, {"vII_W11", vII},
        {"vIPI_W12", vIPI}, {"vPIS_W13", vPIS}, {"vCOFINS_W14", vCOFINS}, {"vOutro_W15", vOutro}, {"vNF_W16", vNF},
        {"vServ_W18", vServ}, {"vBC_W19", vBCISS}, {"vISS_W20", vISS}, {"vPIS_W21", vPISISS},
        {"vCOFINS_W22", vCOFINSISS}}) {
    Definir(nome, Dinheiro(valor));
  }
}

std::string TNotaItens::Executar(TVersaoManual aVersao, const std::string& aExcecoes) {
  TxndControllerRulesNFe controle;
  controle.SetDataSet(FMotor.get());
  controle.SetExcecoesDeRegras(std::string(kExcecoesCabecalho) + aExcecoes);
  controle.SetVersaoEsquema(aVersao == vm40 ? pl_006j : aVersao == vm50 ? pl_006s : pl_008a);
  try {
    controle.ExecutarRegras(1);
  } catch (const ExndNFeRuleException& e) {
    return e.Message();
  }
  return "";
}

std::string Violacao(const std::string& aNome, const std::string& aCodigo, const std::string& aMensagem,
                     const std::string& aCampo) {
  return "[" + aNome + "]: " + aCodigo + " - " + aMensagem + ".\r\nVerifique o Campo: " + aCampo;
}

}  // namespace xnd::test

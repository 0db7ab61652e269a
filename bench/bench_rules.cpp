// Business rules: the whole 5.0a set and the normalising set run by the
// controller over one 10-item note entered through the shipped dictionary
// (µs per note). The note is valid, so every rule runs to its end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "datasets/xndXMLDataSetNFe.h"
#include "rules/xndNFeRules.h"
#include "tests/support/TempDir.h"
#include "utils/xndNFeXmlUtils.h"

namespace {

using namespace xnd;

std::string Dicionario() { return std::string(XND_SOURCE_DIR) + "/data/Templates/vm40/Conversor/NFeDataSets.xml"; }

using Valores = std::vector<std::pair<const char*, std::string>>;

void Preencher(TxndXMLDataSetNFe& aEngine, const char* aParte, const Valores& aValores) {
  aEngine.IncluirParte(aParte);
  for (const auto& [campo, valor] : aValores) aEngine.CampoPorNome(campo).SetAsString(valor);
}

// A note of layout 3.10 issued on 09/12/2026: issuer and recipient in São
// Paulo, ten items with ICMS, PIS and COFINS, totals and transport.
void PreencherNota(TxndXMLDataSetNFe& aEngine) {
  const std::string id =
      "NFe" + GerarChaveNFeTpEmis("2026-12-09", "35", "11222333000181", "55", "1", "1", "1", "12345678");
  aEngine.Incluir();
  for (const auto& [campo, valor] : Valores{
           {"versao_A02", "3.10"}, {"Id_A03", id}, {"cUF_B02", "35"}, {"cNF_B03", "12345678"},
           {"natOp_B04", "Venda"}, {"indPag_B05", "0"}, {"mod_B06", "55"}, {"serie_B07", "1"}, {"nNF_B08", "1"},
           {"dhEmi_B09", "2026-12-09T09:00:00-03:00"}, {"tpNF_B11", "1"}, {"idDest_B11a", "1"},
           {"cMunFG_B12", "3550308"}, {"tpImp_B21", "1"}, {"tpEmis_B22", "1"}, {"cDV_B23", id.substr(46)},
           {"tpAmb_B24", "2"}, {"finNFe_B25", "1"}, {"indFinal_B25a", "0"}, {"indPres_B25b", "1"},
           {"procEmi_B26", "0"}, {"verProc_B27", "1.0"}, {"CNPJ_C02", "11222333000181"}, {"xNome_C03", "Emitente"},
           {"xLgr_C06", "Rua"}, {"nro_C07", "1"}, {"xBairro_C09", "Centro"}, {"cMun_C10", "3550308"},
           {"xMun_C11", "Sao Paulo"}, {"UF_C12", "SP"}, {"IE_C17", "111111111111"}, {"CRT_C21", "3"},
           {"CNPJ_E02", "11444777000161"}, {"xNome_E04", "Destinatario"}, {"cMun_E10", "3509502"},
           {"xMun_E11", "Campinas"}, {"UF_E12", "SP"}, {"cPais_E14", "1058"}, {"indIEDest_E16a", "1"},
           {"IE_E17", "222222222222"}, {"modFrete_X02", "9"}})
    aEngine.CampoPorNome(campo).SetAsString(valor);
  // The totals of the ten items below, which the total rules compare.
  for (const auto& [total, valor] : Valores{
           {"vBC_W03", "25.00"}, {"vICMS_W04", "4.50"}, {"vBCST_W05", "0.00"}, {"vST_W06", "0.00"},
           {"vProd_W07", "25.00"}, {"vFrete_W08", "0.00"}, {"vSeg_W09", "0.00"}, {"vDesc_W10", "0.00"},
           {"vII_W11", "0.00"}, {"vIPI_W12", "0.00"}, {"vPIS_W13", "0.40"}, {"vCOFINS_W14", "1.90"},
           {"vOutro_W15", "0.00"}, {"vNF_W16", "25.00"}})
    aEngine.CampoPorNome(total).SetAsString(valor);
  for (int item = 1; item <= 10; ++item) {
    aEngine.IncluirParte("H");
    aEngine.CampoPorNome("nItem_H02").SetAsInteger(item);
    Preencher(aEngine, "I",
              {{"cProd_I02", "P" + std::to_string(item)}, {"xProd_I04", "Parafuso"}, {"NCM_I05", "73181500"},
               {"CFOP_I08", "5102"}, {"uCom_I09", "UN"}, {"qCom_I10", "1.0000"}, {"vUnCom_I10a", "2.50"},
               {"vProd_I11", "2.50"}, {"uTrib_I13", "UN"}, {"qTrib_I14", "1.0000"}, {"vUnTrib_I14a", "2.50"},
               {"indTot_I17b", "1"}});
    Preencher(aEngine, "N", {{"orig_N11", "0"}, {"CST_N12", "00"}, {"modBC_N13", "3"}, {"vBC_N15", "2.50"},
                             {"pICMS_N16", "18.00"}, {"vICMS_N17", "0.45"}});
    Preencher(aEngine, "Q", {{"CST_Q06", "01"}, {"vBC_Q07", "2.50"}, {"pPIS_Q08", "1.65"}, {"vPIS_Q09", "0.04"}});
    Preencher(aEngine, "S",
              {{"CST_S06", "01"}, {"vBC_S07", "2.50"}, {"pCOFINS_S08", "7.60"}, {"vCOFINS_S11", "0.19"}});
    for (const char* parte : {"I", "N", "Q", "S", "H"}) aEngine.SalvarParte(parte);
  }
  for (const char* parte : {"A", "B", "C", "E", "W", "X"}) aEngine.SalvarParte(parte);
}

TxndDataHoraLocal DezDeDezembro() {
  using namespace std::chrono;
  return time_point_cast<milliseconds>(local_days{year{2026} / 12 / 10}) + hours{10};
}

void Executar(benchmark::State& state, int aModo) {
  test::TempDir temp;
  TxndXMLDataSetNFe engine;
  engine.SetDiretorioLogErro(temp.Path());
  engine.SetXMLDicionario(Dicionario());
  engine.AtivarMestreDetalhe(true);
  PreencherNota(engine);
  for (auto _ : state) {
    TxndControllerRulesNFe controle;
    controle.SetDataSet(&engine);
    controle.SetVersaoEsquema(pl_008a);
    controle.SetRelogio([] { return DezDeDezembro(); });
    controle.ExecutarRegras(aModo);
  }
}

// The whole 5.0a set over the 10-item note.
void BM_Regras50a_NotaDezItens(benchmark::State& state) { Executar(state, 1); }
BENCHMARK(BM_Regras50a_NotaDezItens)->Unit(benchmark::kMicrosecond);

// The normalising set over the same note.
void BM_RegrasVarno_NotaDezItens(benchmark::State& state) { Executar(state, 0); }
BENCHMARK(BM_RegrasVarno_NotaDezItens)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

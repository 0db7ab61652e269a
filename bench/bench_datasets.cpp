// Entry datasets: loading the shipped dictionary, filling one 10-item note
// through IncluirParte / field writes / SalvarParte, and the resident memory
// of one engine after thousands of notes filled and cleared (it must not grow).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "datasets/xndXMLDataSetNFe.h"
#include "tests/support/TempDir.h"

namespace {

using namespace xnd;

std::string Dicionario() { return std::string(XND_SOURCE_DIR) + "/data/Templates/vm40/Conversor/NFeDataSets.xml"; }

using Valores = std::vector<std::pair<const char*, const char*>>;

void Preencher(TxndXMLDataSetNFe& aEngine, const char* aParte, const Valores& aValores) {
  aEngine.IncluirParte(aParte);
  for (const auto& [campo, valor] : aValores) aEngine.CampoPorNome(campo).SetAsString(valor);
}

// One note: identification, issuer, recipient, ten items with ICMS, PIS and
// COFINS, totals and transport, as an application fills them.
void PreencherNota(TxndXMLDataSetNFe& aEngine) {
  aEngine.Incluir();
  for (const auto& [campo, valor] : Valores{
           {"cUF_B02", "35"}, {"cNF_B03", "12345678"}, {"natOp_B04", "Venda"}, {"indPag_B05", "0"},
           {"mod_B06", "55"}, {"serie_B07", "1"}, {"nNF_B08", "1"}, {"dEmi_B09", "2012-01-01"},
           {"tpNF_B11", "1"}, {"cMunFG_B12", "3550308"}, {"tpImp_B21", "1"}, {"tpEmis_B22", "1"},
           {"tpAmb_B24", "2"}, {"finNFe_B25", "1"}, {"procEmi_B26", "0"}, {"verProc_B27", "1.0"},
           {"versao_A02", "2.00"}, {"CNPJ_C02", "11222333000181"}, {"xNome_C03", "Emitente"},
           {"xLgr_C06", "Rua"}, {"nro_C07", "1"}, {"xBairro_C09", "Centro"}, {"cMun_C10", "3550308"},
           {"xMun_C11", "Sao Paulo"}, {"UF_C12", "SP"}, {"IE_C17", "123456789"}, {"CNPJ_E02", "11222333000181"},
           {"xNome_E04", "Destinatario"}, {"UF_E12", "SP"}, {"modFrete_X02", "9"}})
    aEngine.CampoPorNome(campo).SetAsString(valor);
  for (const char* total : {"vBC_W03", "vICMS_W04", "vBCST_W05", "vST_W06", "vProd_W07", "vFrete_W08", "vSeg_W09",
                            "vDesc_W10", "vII_W11", "vIPI_W12", "vPIS_W13", "vCOFINS_W14", "vOutro_W15", "vNF_W16"})
    aEngine.CampoPorNome(total).SetAsString("0.00");
  for (int item = 1; item <= 10; ++item) {
    aEngine.IncluirParte("H");
    aEngine.CampoPorNome("nItem_H02").SetAsInteger(item);
    Preencher(aEngine, "I",
              {{"cProd_I02", "P1"}, {"xProd_I04", "Parafuso"}, {"NCM_I05", "73181500"}, {"CFOP_I08", "5102"},
               {"uCom_I09", "UN"}, {"qCom_I10", "1.0000"}, {"vUnCom_I10a", "2.50"}, {"vProd_I11", "2.50"},
               {"uTrib_I13", "UN"}, {"qTrib_I14", "1.0000"}, {"vUnTrib_I14a", "2.50"}, {"indTot_I17b", "1"}});
    Preencher(aEngine, "N", {{"orig_N11", "0"}, {"CST_N12", "00"}, {"modBC_N13", "3"}, {"vBC_N15", "2.50"},
                             {"pICMS_N16", "18.00"}, {"vICMS_N17", "0.45"}});
    Preencher(aEngine, "Q", {{"CST_Q06", "01"}, {"vBC_Q07", "2.50"}, {"pPIS_Q08", "1.65"}, {"vPIS_Q09", "0.04"}});
    Preencher(aEngine, "S",
              {{"CST_S06", "01"}, {"vBC_S07", "2.50"}, {"pCOFINS_S08", "7.60"}, {"vCOFINS_S11", "0.19"}});
    for (const char* parte : {"I", "N", "Q", "S", "H"}) aEngine.SalvarParte(parte);
  }
  for (const char* parte : {"A", "B", "C", "E", "W", "X"}) aEngine.SalvarParte(parte);
}

struct Engine {
  Engine() {
    engine.SetDiretorioLogErro(temp.Path());
    engine.SetXMLDicionario(Dicionario());
    engine.AtivarMestreDetalhe(true);
  }
  test::TempDir temp;
  TxndXMLDataSetNFe engine;
};

// Resident set in KiB, now (not the peak).
double ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1024.0;
}

void BM_CarregarDicionario(benchmark::State& state) {
  test::TempDir temp;
  for (auto _ : state) {
    TxndXMLDataSetNFe engine;
    engine.SetDiretorioLogErro(temp.Path());
    engine.SetXMLDicionario(Dicionario());
    benchmark::DoNotOptimize(engine.ListDataSets().size());
  }
}
BENCHMARK(BM_CarregarDicionario)->Unit(benchmark::kMillisecond);

void BM_NotaDezItens(benchmark::State& state) {
  Engine e;
  for (auto _ : state) PreencherNota(e.engine);
}
BENCHMARK(BM_NotaDezItens)->Unit(benchmark::kMicrosecond);

// 10,000 notes filled and cleared in one engine; the resident set after the
// first 1,000 and after all of them.
void BM_MemoriaDezMilNotas(benchmark::State& state) {
  for (auto _ : state) {
    Engine e;
    for (int i = 0; i < 1000; ++i) PreencherNota(e.engine);
    e.engine.LimparDataSets();
    const double after1000 = ResidentKiB();
    for (int i = 1000; i < 10000; ++i) PreencherNota(e.engine);
    e.engine.LimparDataSets();
    const double after10000 = ResidentKiB();
    state.counters["RSS_1000_KiB"] = after1000;
    state.counters["RSS_10000_KiB"] = after10000;
    state.counters["crescimento_KiB"] = after10000 - after1000;
  }
}
BENCHMARK(BM_MemoriaDezMilNotas)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

// The complete rule set of manual 5.0a (149 rules) over a valid note of 10
// and of 100 items: microseconds per note, loading and freeing the rules
// included, as Salvar pays them. Goal: less than one signature (< 300 us for
// 10 items).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "datasets/xndNFeDataSetVersoes.h"
#include "datasets/xndXMLDataSetNFe.h"
#include "platform/text.h"
#include "rules/xndNFeRules.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace {

using namespace xnd;

std::string Dicionario() { return std::string(XND_SOURCE_DIR) + "/data/Templates/vm40/Conversor/NFeDataSets.xml"; }

using Valores = std::vector<std::pair<std::string, std::string>>;

void Escrever(TxndXMLDataSetNFe& aMotor, const Valores& aValores) {
  for (const auto& [campo, valor] : aValores) aMotor.CampoPorNome(campo).SetAsString(valor);
}

// A 5.0a note that passes every rule: issued the day before the fixed clock,
// items of 100.00 with ICMS 18 %, PIS and COFINS, totals that agree.
void PreencherNota(TxndXMLDataSetNFe& aMotor, int aItens) {
  const std::string id =
      "NFe" + GerarChaveNFeTpEmis("2026-12-09", "35", "11222333000181", "55", "1", "1", "1", "12345678");
  aMotor.Incluir();
  Escrever(aMotor, {{"versao_A02", "3.10"}, {"Id_A03", id}, {"cUF_B02", "35"}, {"cNF_B03", "12345678"},
                    {"natOp_B04", "Venda"}, {"indPag_B05", "0"}, {"mod_B06", "55"}, {"serie_B07", "1"},
                    {"nNF_B08", "1"}, {"dhEmi_B09", "2026-12-09T09:00:00-03:00"}, {"tpNF_B11", "1"},
                    {"idDest_B11a", "1"}, {"cMunFG_B12", "3550308"}, {"tpImp_B21", "1"}, {"tpEmis_B22", "1"},
                    {"cDV_B23", id.substr(id.size() - 1)}, {"tpAmb_B24", "2"}, {"finNFe_B25", "1"},
                    {"indFinal_B25a", "0"}, {"indPres_B25b", "1"}, {"procEmi_B26", "0"}, {"verProc_B27", "1.0"},
                    {"CNPJ_C02", "11222333000181"}, {"xNome_C03", "Emitente"}, {"xLgr_C06", "Rua Um"},
                    {"nro_C07", "100"}, {"xBairro_C09", "Centro"}, {"cMun_C10", "3550308"},
                    {"xMun_C11", "Sao Paulo"}, {"UF_C12", "SP"}, {"IE_C17", "111111111111"}, {"CRT_C21", "3"},
                    {"CNPJ_E02", "11444777000161"}, {"xNome_E04", "Destinatario"}, {"xLgr_E06", "Avenida"},
                    {"nro_E07", "200"}, {"xBairro_E09", "Centro"}, {"cMun_E10", "3509502"},
                    {"xMun_E11", "Campinas"}, {"UF_E12", "SP"}, {"cPais_E14", "1058"},
                    {"indIEDest_E16a", "1"}, {"IE_E17", "222222222222"}, {"modFrete_X02", "9"}});
  for (int item = 1; item <= aItens; ++item) {
    aMotor.IncluirParte("H");
    aMotor.CampoPorNome("nItem_H02").SetAsInteger(item);
    aMotor.IncluirParte("I");
    Escrever(aMotor, {{"cProd_I02", "P" + IntToStr(item)}, {"cEAN_I03", "7891000000014"},
                      {"xProd_I04", "Parafuso"}, {"NCM_I05", "73181500"}, {"CFOP_I08", "5102"}, {"uCom_I09", "UN"},
                      {"qCom_I10", "1.0000"}, {"vUnCom_I10a", "100.00"}, {"vProd_I11", "100.00"},
                      {"cEANTrib_I12", "7891000000014"}, {"uTrib_I13", "UN"}, {"qTrib_I14", "1.0000"},
                      {"vUnTrib_I14a", "100.00"}, {"indTot_I17b", "1"}});
    aMotor.IncluirParte("M");
    Escrever(aMotor, {{"vTotTrib_M02", "30.00"}});
    aMotor.IncluirParte("N");
    Escrever(aMotor, {{"orig_N11", "0"}, {"CST_N12", "00"}, {"modBC_N13", "3"}, {"vBC_N15", "100.00"},
                      {"pICMS_N16", "18.00"}, {"vICMS_N17", "18.00"}});
    aMotor.IncluirParte("Q");
    Escrever(aMotor, {{"CST_Q06", "01"}, {"vBC_Q07", "100.00"}, {"pPIS_Q08", "1.65"}, {"vPIS_Q09", "1.65"}});
    aMotor.IncluirParte("S");
    Escrever(aMotor,
             {{"CST_S06", "01"}, {"vBC_S07", "100.00"}, {"pCOFINS_S08", "7.60"}, {"vCOFINS_S11", "7.60"}});
    for (const char* grupo : {"I", "M", "N", "Q", "S", "H"}) aMotor.SalvarParte(grupo);
  }
  const auto vezes = [aItens](int aCentavos) {
    const long long total = static_cast<long long>(aCentavos) * aItens;
    return IntToStr(total / 100) + "." + (total % 100 < 10 ? "0" : "") + IntToStr(total % 100);
  };
  Escrever(aMotor, {{"vBC_W03", vezes(10000)}, {"vICMS_W04", vezes(1800)}, {"vBCST_W05", "0.00"},
                    {"vST_W06", "0.00"}, {"vProd_W07", vezes(10000)}, {"vFrete_W08", "0.00"}, {"vSeg_W09", "0.00"},
                    {"vDesc_W10", "0.00"}, {"vII_W11", "0.00"}, {"vIPI_W12", "0.00"}, {"vPIS_W13", vezes(165)},
                    {"vCOFINS_W14", vezes(760)}, {"vOutro_W15", "0.00"}, {"vNF_W16", vezes(10000)},
                    {"vTotTrib_W16a", vezes(3000)}});
  for (const char* grupo : {"A", "B", "C", "E", "W", "X"}) aMotor.SalvarParte(grupo);
}

TxndDataHoraLocal Relogio() {
  using namespace std::chrono;
  return time_point_cast<milliseconds>(local_days{year{2026} / 12 / 10}) + hours{10};
}

void Medir(benchmark::State& aState, TxndXMLDataSetNFe& aMotor) {
  aMotor.SetXMLDicionario(Dicionario());
  aMotor.AtivarMestreDetalhe(true);
  PreencherNota(aMotor, static_cast<int>(aState.range(0)));
  const auto executar = [&aMotor] {
    TxndControllerRulesNFe controle;
    controle.SetDataSet(&aMotor);
    controle.SetVersaoEsquema(pl_008a);
    controle.SetRelogio(Relogio);
    controle.ExecutarRegras(1);
  };
  try {
    executar();  // the note must pass: a violation would measure a shorter run
  } catch (const ExndNFeRuleException& e) {
    aState.SkipWithError(e.Message().c_str());
    return;
  }
  for (auto _ : aState) executar();
  aState.SetItemsProcessed(aState.iterations());
}

// In the engine of the note's package, as the entry component runs them.
void BM_Regras50a(benchmark::State& aState) {
  const std::unique_ptr<TxndNFeCustomDataSet> motor = CriarEngineNFe(pl_008a);
  Medir(aState, *motor);
}
BENCHMARK(BM_Regras50a)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// In the bare dictionary engine (no package, no lookup caches).
void BM_Regras50aMotorDicionario(benchmark::State& aState) {
  TxndXMLDataSetNFe motor;
  Medir(aState, motor);
}
BENCHMARK(BM_Regras50aMotorDicionario)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// Prints the cost per note beside the goal.
class Relatorio : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& aRuns) override {
    ConsoleReporter::ReportRuns(aRuns);
    for (const Run& run : aRuns) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred)
        FMicros[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [nome, micros] : FMicros) {
      const bool dez = nome.find("/10") != std::string::npos && nome.find("/100") == std::string::npos;
      std::printf("%s: %.0f us por nota%s\n", nome.c_str(), micros,
                  dez ? " (meta: < 300 us, menos que uma assinatura)" : "");
    }
  }

 private:
  std::map<std::string, double> FMicros;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Relatorio relatorio;
  benchmark::RunSpecifiedBenchmarks(&relatorio);
  benchmark::Shutdown();
  return 0;
}

// Writing a note's infNFe from filled datasets, in CPU time of the calling
// thread: the pl_008a engine on the realistic 3.10 note of the tests with 10
// and 100 items (the datasets are filled once; each iteration is one
// ConverterAuto), and the whole road of one 10-item note: generate, sign
// (AssinarLote with the test PKI certificate) and validate against the
// national 3.10 schema (when ../shared/schemas is there). After the table:
// microseconds per note, each stage's share of the road, and generation
// against signing next to its goal (< 25%).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench/BenchRawRsa.h"
#include "external/xndGovUtils.h"
#include "nfe/xndNFe.h"
#include "tests/datasets/NotaDataSets.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace {

using namespace xnd;
using namespace xnd::test;
using xnd::bench::ThreadCpuSeconds;

std::string Dicionario() { return std::string(XND_SOURCE_DIR) + "/data/Templates/vm40/Conversor/NFeDataSets.xml"; }

// The realistic 3.10 note with its items repeated and renumbered up to aItens.
std::string NotaComItens(int aItens) {
  const std::string nota = NotaDeTeste("nota310.xml");
  std::vector<std::string> itens;
  for (std::size_t at = nota.find("<det nItem="); at != std::string::npos; at = nota.find("<det nItem=", at + 1)) {
    const std::size_t end = nota.find("</det>", at) + 6;
    const std::size_t body = nota.find('>', at) + 1;
    itens.push_back(nota.substr(body, end - body));
  }
  std::string dets;
  for (int i = 0; i < aItens; ++i) {
    dets += "<det nItem=\"" + std::to_string(i + 1) + "\">" + itens[static_cast<std::size_t>(i) % itens.size()];
  }
  const std::size_t first = nota.find("<det nItem=");
  const std::size_t last = nota.rfind("</det>") + 6;
  return nota.substr(0, first) + dets + nota.substr(last);
}

std::unique_ptr<TxndNFeCustomDataSet> EnginePreenchida(int aItens) {
  auto engine = CriarEngineNFe(pl_008a);
  engine->SetXMLDicionario(Dicionario());
  PreencherDeXml(*engine, NotaComItens(aItens));
  return engine;
}

void BM_GerarNota(benchmark::State& aState) {
  auto engine = EnginePreenchida(static_cast<int>(aState.range(0)));
  for (auto _ : aState) benchmark::DoNotOptimize(engine->ConverterAuto());
  aState.SetItemsProcessed(aState.iterations());
}
BENCHMARK(BM_GerarNota)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// Generate, sign, validate one 10-item note per iteration; each stage's CPU
// time goes into a counter (µs per note).
void BM_PercursoNota10(benchmark::State& aState) {
  const TempDir temp;
  const ScopedEnv home{"HOME", temp.Path()};
  const ScopedEnv data{"XDG_DATA_HOME", temp.Path() + "data"};
  auto engine = EnginePreenchida(10);
  TxndNFe nfe;
  nfe.SetDiretorioLogErro(temp.Path());
  nfe.SetDiretorioTemplates(std::string(XND_SOURCE_DIR) + "/data/Templates/");
  nfe.SetUF("SP");
  nfe.SetVersaoManual(vm50a);
  nfe.SetCaminhoCertificado(TestPki::Instance().CompanyPfx());
  nfe.SetSenhaCertificado(TestPki::Password);
  const std::string esquema = std::string(XND_SHARED_DIR) + "/schemas/PL_008i2/nfe_v3.10.xsd";
  const bool validar = FileExists(esquema);
  TxndGovUtils utils;
  double gerar = 0, assinar = 0, validacao = 0;
  for (auto _ : aState) {
    double t0 = ThreadCpuSeconds();
    const std::string nota = engine->ConverterAuto();
    double t1 = ThreadCpuSeconds();
    std::string assinado;
    nfe.AssinarLote(EmNFe(nota), assinado);
    double t2 = ThreadCpuSeconds();
    if (validar) utils->ValidateWithSchema(assinado, NFeNamespace, esquema);
    double t3 = ThreadCpuSeconds();
    gerar += t1 - t0;
    assinar += t2 - t1;
    validacao += t3 - t2;
  }
  const double n = static_cast<double>(aState.iterations());
  aState.counters["gerar_us"] = gerar / n * 1e6;
  aState.counters["assinar_us"] = assinar / n * 1e6;
  aState.counters["validar_us"] = validacao / n * 1e6;
  aState.SetItemsProcessed(aState.iterations());
}
BENCHMARK(BM_PercursoNota10)->Unit(benchmark::kMicrosecond);

class ShareReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& aRuns) override {
    ConsoleReporter::ReportRuns(aRuns);
    for (const Run& run : aRuns) {
      if (run.error_occurred) continue;
      for (const auto& [name, counter] : run.counters) FCounters[run.benchmark_name()][name] = counter.value;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* itens : {"10", "100"}) {
      const double rate = Counter(std::string("BM_GerarNota/") + itens, "items_per_second");
      if (rate > 0) std::printf("Geração, nota de %3s itens: %8.1f µs de CPU por nota\n", itens, 1e6 / rate);
    }
    const double gerar = Counter("BM_PercursoNota10", "gerar_us");
    const double assinar = Counter("BM_PercursoNota10", "assinar_us");
    const double validar = Counter("BM_PercursoNota10", "validar_us");
    const double total = gerar + assinar + validar;
    if (total <= 0) return;
    std::printf("Percurso de uma nota de 10 itens (gerar + assinar + validar = %.1f µs de CPU):\n", total);
    std::printf("  gerar    %8.1f µs  %5.1f%%\n", gerar, 100 * gerar / total);
    std::printf("  assinar  %8.1f µs  %5.1f%%\n", assinar, 100 * assinar / total);
    std::printf("  validar  %8.1f µs  %5.1f%%%s\n", validar, 100 * validar / total,
                validar > 0 ? "" : "   (esquemas nacionais ausentes)");
    std::printf("  geração / assinatura: %.1f%%   (meta: < 25%%)\n", 100 * gerar / assinar);
  }

 private:
  double Counter(const std::string& aBenchmark, const std::string& aCounter) const {
    const auto run = FCounters.find(aBenchmark);
    if (run == FCounters.end()) return 0;
    const auto found = run->second.find(aCounter);
    return found == run->second.end() ? 0 : found->second;
  }

  std::map<std::string, std::map<std::string, double>> FCounters;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  ShareReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

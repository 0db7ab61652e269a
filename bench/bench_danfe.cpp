// DANFE data: CarregarDados of an authorised note (the 3.10 public sample,
// its protocol kept, its items repeated up to 5 and 300) followed by the
// serialisation of the datasets, as one DANFE output prepares them.
#include <benchmark/benchmark.h>

#include <regex>
#include <string>

#include "danfe/xndNFeDanfeDados.h"
#include "danfe/xndNFeDanfeSerializer.h"
#include "tests/support/SampleDocuments.h"

namespace {

using namespace xnd;

// The authorised 3.10 sample with aItens items (copies of its first item, renumbered).
std::string NotaAutorizada(int aItens) {
  const std::string xml = test::SharedFixture("nfe310_nfeProc_autorizada_5itens.xml");
  const std::size_t inicio = xml.find("<det nItem=\"1\">");
  const std::size_t fimPrimeiro = xml.find("</det>", inicio) + 6;
  const std::size_t fim = xml.rfind("</det>") + 6;
  const std::string item = xml.substr(inicio, fimPrimeiro - inicio);
  static const std::regex numero("nItem=\"1\"");
  std::string itens;
  for (int i = 1; i <= aItens; ++i)
    itens += std::regex_replace(item, numero, "nItem=\"" + std::to_string(i) + "\"");
  return xml.substr(0, inicio) + itens + xml.substr(fim);
}

void BM_CarregarDadosESerializar(benchmark::State& aState) {
  TxndNFeDanfeDados50 dados;
  dados.SetXml(NotaAutorizada(static_cast<int>(aState.range(0))));
  std::size_t bytes = 0;
  for (auto _ : aState) {
    dados.CarregarDados();
    const std::string json = SerializarDataSources(
        {dados.DataSource(), dados.DataSourceItens(), dados.DataSourceCobranca(),
         dados.DataSourceMed(), dados.DataSourceVeic(), dados.DataSourceRefNFe(),
         dados.DataSourceRefNF1A(), dados.DataSourceRefProdutor(), dados.DataSourceRefCupomFiscal(),
         dados.DataSourceRefCTe()});
    bytes = json.size();
    benchmark::DoNotOptimize(json.data());
  }
  aState.counters["json_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_CarregarDadosESerializar)->Arg(5)->Arg(300)->Unit(benchmark::kMicrosecond);

void BM_CarregarDados(benchmark::State& aState) {
  TxndNFeDanfeDados50 dados;
  dados.SetXml(NotaAutorizada(static_cast<int>(aState.range(0))));
  for (auto _ : aState) dados.CarregarDados();
}
BENCHMARK(BM_CarregarDados)->Arg(5)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

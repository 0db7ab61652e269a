// Counting and extracting the notes of a batch: a 50-note enviNFe of about
// 1 MB built from the signed NFe of the 3.10 sample document.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

#include "platform/files.h"
#include "utils/xndNFeXmlUtils.h"

namespace {

constexpr int kNotas = 50;

std::string NFeDaAmostra() {
  const std::string xml =
      xnd::ReadFileBytes(std::string(XND_SHARED_DIR) + "/fixtures/nfe310_nfeProc_autorizada_5itens.xml");
  const std::size_t inicio = xml.find("<NFe ");
  const std::size_t fim = xml.find("</NFe>");
  if (inicio == std::string::npos || fim == std::string::npos) throw std::runtime_error("amostra sem NFe");
  return xml.substr(inicio, fim + 6 - inicio);
}

// Each copy gets its own Id so that the notes differ (about 17.5 KB each).
const std::string& Lote() {
  static const std::string lote = [] {
    const std::string nfe = NFeDaAmostra();
    const std::string id = "NFe35150300822602000124550010009923461099234656";
    std::string texto = "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\"><idLote>1</idLote>";
    for (int i = 0; i < kNotas; ++i) {
      std::string nota = nfe;
      const std::string numero = std::to_string(100 + i);
      nota.replace(nota.find(id) + id.size() - numero.size(), numero.size(), numero);
      texto += nota;
    }
    return texto + "</enviNFe>";
  }();
  return lote;
}

void BM_ContarNFe(benchmark::State& aState) {
  const std::string& lote = Lote();
  for (auto _ : aState) benchmark::DoNotOptimize(xnd::TxndNFeXmlUtils::ContarNFe(lote));
  aState.SetBytesProcessed(static_cast<int64_t>(aState.iterations()) * static_cast<int64_t>(lote.size()));
}
BENCHMARK(BM_ContarNFe);

void BM_ContarEExtrairTodas(benchmark::State& aState) {
  const std::string& lote = Lote();
  const xnd::TxndNFeXmlUtils utils;
  for (auto _ : aState) {
    const int total = xnd::TxndNFeXmlUtils::ContarNFe(lote);
    std::size_t bytes = 0;
    for (int i = 0; i < total; ++i) bytes += utils.ExtrairNFe(i, lote, false).size();
    benchmark::DoNotOptimize(bytes);
  }
  aState.counters["notas"] = xnd::TxndNFeXmlUtils::ContarNFe(lote);
  aState.counters["MB"] = static_cast<double>(lote.size()) / 1e6;
}
BENCHMARK(BM_ContarEExtrairTodas)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

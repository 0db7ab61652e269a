// xndGovUtils costs on a full batch: selecting the notes of a 50-note enviNFe
// (about 1 MB) and validating one note against the 3.10 schema once compiled.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "external/xndGovUtilsIntf.h"
#include "platform/files.h"
#include "servers/govutils/GovUtilsServer.h"

namespace {

constexpr const char* kNamespace = "http://www.portalfiscal.inf.br/nfe";
constexpr const char* kTecPrefix = "xmlns:tec=\"http://www.portalfiscal.inf.br/nfe\"";
constexpr int kNotesPerBatch = 50;

std::string SharedPath(const std::string& aRelative) {
  return std::string(XND_SHARED_DIR) + "/" + aRelative;
}

std::unique_ptr<xnd::IxndGovUtils> NewGovUtils() {
  std::unique_ptr<xnd::IServer> server = xnd::CreateGovUtilsServer();
  auto* typed = dynamic_cast<xnd::IxndGovUtils*>(server.get());
  if (typed == nullptr) return nullptr;
  server.release();
  return std::unique_ptr<xnd::IxndGovUtils>(typed);
}

// The NFe element (infNFe and its Signature) of the 5-item 3.10 sample; empty
// when the sample is not there.
std::string SampleNote() {
  const std::string path = SharedPath("fixtures/nfe310_nfeProc_autorizada_5itens.xml");
  if (!xnd::FileExists(path)) return {};
  const std::string proc = xnd::ReadFileBytes(path);
  const std::size_t start = proc.find("<NFe ");
  const std::string close = "</NFe>";
  const std::size_t end = proc.find(close, start);
  if (start == std::string::npos || end == std::string::npos) return {};
  return proc.substr(start, end + close.size() - start);
}

std::string Batch(const std::string& aNote) {
  std::string batch = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><enviNFe xmlns=\"" +
                      std::string(kNamespace) +
                      "\" versao=\"3.10\"><idLote>1</idLote><indSinc>0</indSinc>";
  for (int i = 0; i < kNotesPerBatch; ++i) batch += aNote;
  return batch + "</enviNFe>";
}

void BM_SelectNodesOfBatch(benchmark::State& aState) {
  const std::string note = SampleNote();
  if (note.empty()) {
    aState.SkipWithError("sample documents not found in XND_SHARED_DIR/fixtures");
    return;
  }
  const std::string batch = Batch(note);
  const auto utils = NewGovUtils();
  std::vector<std::string> nodes;
  for (auto _ : aState) {
    utils->SelectNodes(batch, ".//tec:infNFe", xnd::smNodeXml, kTecPrefix, nodes);
    benchmark::DoNotOptimize(nodes.data());
  }
  if (nodes.size() != kNotesPerBatch) aState.SkipWithError("wrong number of notes selected");
  aState.SetBytesProcessed(static_cast<std::int64_t>(aState.iterations() * batch.size()));
  aState.counters["batch_KB"] = static_cast<double>(batch.size()) / 1024.0;
  aState.counters["notes/s"] = benchmark::Counter(
      static_cast<double>(aState.iterations()) * kNotesPerBatch, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SelectNodesOfBatch)->Unit(benchmark::kMillisecond);

void BM_ValidateNoteCachedSchema(benchmark::State& aState) {
  const std::string note = SampleNote();
  const std::string schema = SharedPath("schemas/PL_008i2/nfe_v3.10.xsd");
  if (note.empty() || !xnd::FileExists(schema)) {
    aState.SkipWithError("sample documents or national schemas not found in XND_SHARED_DIR");
    return;
  }
  // The first validation compiles the schema; the loop measures the cached path,
  // with a new server object each time as many callers do.
  NewGovUtils()->ValidateWithSchema(note, kNamespace, schema);
  for (auto _ : aState) NewGovUtils()->ValidateWithSchema(note, kNamespace, schema);
  aState.counters["validations/s"] =
      benchmark::Counter(static_cast<double>(aState.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ValidateNoteCachedSchema)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

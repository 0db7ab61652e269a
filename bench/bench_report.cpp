// Report engine: export to PDF of a one-page DANFE (the 3.10 public sample),
// a 10-page DANFE (its items repeated) and a CC-e, through the real xndGovX
// server, each writing its file. Goal: a one-page DANFE in under 20 ms.
// Peak RSS of the process is reported with each.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <string>

#include "platform/files.h"
#include "servers/govx/GovXServerImpl.h"
#include "servers/govx/report/ReportEngine.h"

namespace {

std::string SourcePath(const std::string& aRelative) {
  return std::string(XND_SOURCE_DIR) + "/" + aRelative;
}

std::string SampleJson(const std::string& aName) {
  return xnd::ReadFileBytes(SourcePath("tests/danfe/data/" + aName));
}

// The sample note with its items repeated up to aItems.
std::string ManyItems(int aItems) {
  nlohmann::json data = nlohmann::json::parse(SampleJson("nfe310_5itens_vm50.json"));
  for (auto& entry : data[0]["Items"][0]) {
    if (entry.value("Name", "") != "DadosItens") continue;
    const nlohmann::json items = entry["Items"];
    nlohmann::json out = nlohmann::json::array();
    for (int i = 0; i < aItems; ++i)
      out.push_back(items[static_cast<std::size_t>(i) % items.size()]);
    entry["Items"] = out;
  }
  return data.dump();
}

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Export(benchmark::State& aState, const std::string& aTemplate, const std::string& aData,
            const std::string& aXml = "") {
  xnd::govx::TGovXServer server;
  xnd::IReportSettings& s = server.ReportSettings();
  s.SetTemplate(SourcePath("data/Templates/" + aTemplate));
  s.SetData(aData);
  s.SetXml(aXml);
  const std::string out =
      xnd::TemporaryDirectory() + "xndnfe-bench-" + std::to_string(getpid()) + ".pdf";
  s.SetOutputFileName(out);
  aState.counters["pages"] = xnd::govx::report::RenderReport(s).PageCount;
  for (auto _ : aState) server.ReportExport();
  xnd::DeleteFile(out);
  aState.counters["peak_rss_MB"] = PeakRssMb();
}

void BM_DanfeOnePage(benchmark::State& aState) {
  Export(aState, "vm40/Danfe/retrato.rtm", SampleJson("nfe310_5itens_vm50.json"));
}
BENCHMARK(BM_DanfeOnePage)->Unit(benchmark::kMillisecond);

void BM_DanfeTenPages(benchmark::State& aState) {
  Export(aState, "vm40/Danfe/retrato.rtm", ManyItems(580));
}
BENCHMARK(BM_DanfeTenPages)->Unit(benchmark::kMillisecond);

void BM_CCe(benchmark::State& aState) {
  Export(aState, "cce/Impressao/ModeloCCe.rtm", SampleJson("cce_procEventoNFe_135.json"),
         xnd::ReadFileBytes(std::string(XND_SHARED_DIR) + "/fixtures/cce_procEventoNFe_135.xml"));
}
BENCHMARK(BM_CCe)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

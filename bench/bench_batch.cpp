// Batch costs with the real servers and the test PKI certificate: the raw
// signature of one note (the xndGovX baseline), AssinarLote of a 50-note
// batch, and EnviarLote of that batch to the local SEFAZ simulator on
// loopback (request log, 50 index files, TLS with a client certificate,
// answer log, receipt index). Each reports the process's peak resident set
// (getrusage ru_maxrss) when it ends; the figure only grows from one
// benchmark to the next.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>
#include <string>
#include <vector>

#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "nfe/xndNFe.h"
#include "tests/batch/BatchEndToEndSupport.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace {

using namespace xnd;
using namespace xnd::test;

constexpr int kNotes = 50;

double PeakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A component configured as a host would: state, version, certificate, and
// its directories in a temporary directory.
struct BatchSetup {
  BatchSetup() {
    const TestPki& pki = TestPki::Instance();
    NFe = std::make_unique<TxndNFe>();
    NFe->SetDiretorioLogErro(Dir.Path() + "erros/");
    // Benchmarks get no installation data beside them: the source tree's.
    NFe->SetDiretorioTemplates(std::string(XND_SOURCE_DIR) + "/data/Templates/");
    NFe->SetUF("SP");
    NFe->SetVersaoManual(vm50a);
    NFe->SetCNPJ("12345678000195");
    NFe->SetDiretorioLog(Dir.Path() + "Log/");
    NFe->SetDiretorioXmlDestinatario(Dir.Path() + "XmlDestinatario/");
    NFe->SetCaminhoCertificado(pki.CompanyPfx());
    NFe->SetSenhaCertificado(TestPki::Password);
    Batch = RenumberedBatch(kNotes, Keys);
  }

  TempDir Dir;
  ScopedEnv Home{"HOME", Dir.Path()};
  ScopedEnv CaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  std::unique_ptr<TxndNFe> NFe;
  std::string Batch;
  std::vector<std::string> Keys;
};

void BM_SignXmlRaw(benchmark::State& aState) {
  const TestPki& pki = TestPki::Instance();
  TxndGovX govX;
  ISignatureSettings& settings = govX->SignatureSettings();
  settings.SetCertificateKind(2);
  settings.SetCertificatePath(pki.CompanyPfx());
  settings.SetCertificatePassword(TestPki::Password);
  settings.SetElementName("infNFe");
  std::string key;
  const std::string note = NFeWrapper + RenumberedNote(1, key) + "</NFe>";
  benchmark::DoNotOptimize(govX->SignXml(note, "NFe" + key));
  for (auto _ : aState) benchmark::DoNotOptimize(govX->SignXml(note, "NFe" + key));
  aState.SetItemsProcessed(aState.iterations());
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_SignXmlRaw)->Unit(benchmark::kMillisecond);

void BM_AssinarLote50(benchmark::State& aState) {
  BatchSetup setup;
  std::string signed_;
  try {
    setup.NFe->AssinarLote(setup.Batch, signed_);  // the certificate's key is loaded here
  } catch (const std::exception& e) {
    aState.SkipWithError(e.what());
    return;
  }
  for (auto _ : aState) {
    setup.NFe->AssinarLote(setup.Batch, signed_);
    benchmark::DoNotOptimize(signed_.data());
  }
  aState.SetItemsProcessed(aState.iterations() * kNotes);
  aState.counters["batch_KB"] = static_cast<double>(signed_.size()) / 1000.0;
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_AssinarLote50)->Unit(benchmark::kMillisecond);

// Signs the batch and sends it once outside the timing (a failure skips the
// benchmark), then times EnviarLote with a new batch number each iteration.
void TimeEnviarLote(benchmark::State& aState, BatchSetup& aSetup, bool aCountRequestSize) {
  std::string signed_;
  std::string answer;
  int batchNumber = 1;
  try {
    aSetup.NFe->AssinarLote(aSetup.Batch, signed_);
    aSetup.NFe->EnviarLote(std::to_string(batchNumber), signed_, answer, false);
  } catch (const std::exception& e) {
    aState.SkipWithError(e.what());
    return;
  }
  for (auto _ : aState) {
    aSetup.NFe->EnviarLote(std::to_string(++batchNumber), signed_, answer, false);
    benchmark::DoNotOptimize(answer.data());
  }
  aState.SetItemsProcessed(aState.iterations() * kNotes);
  if (aCountRequestSize) {
    aState.counters["request_KB"] = static_cast<double>(signed_.size()) / 1000.0;
  }
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}

void BM_EnviarLote50(benchmark::State& aState) {
  BatchSetup setup;
  const std::string servers = setup.Dir.Path() + "nfeServidoresHom.ini";
  const SimulatorProcess simulator(servers);
  if (!simulator.Ready()) {
    aState.SkipWithError(simulator.Error().c_str());
    return;
  }
  setup.NFe->SetArquivoServidoresHom(servers);
  TimeEnviarLote(aState, setup, true);
}
// Wall time: most of it is the simulator checking each signature.
BENCHMARK(BM_EnviarLote50)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same send to a loopback TLS server that answers a receipt at once:
// the library's own share of the exchange.
void BM_EnviarLote50Loopback(benchmark::State& aState) {
  BatchSetup setup;
  LoopbackTlsServer server;
  server.Respond(CannedResponse{
      200, "application/soap+xml; charset=utf-8",
      "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
      "<nfeAutorizacaoLoteResult xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NfeAutorizacao\">"
      "<retEnviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\"><tpAmb>2</tpAmb>"
      "<cStat>103</cStat><xMotivo>Lote recebido com sucesso</xMotivo><cUF>35</cUF>"
      "<infRec><nRec>351000000000001</nRec><tMed>1</tMed></infRec></retEnviNFe>"
      "</nfeAutorizacaoLoteResult></soap:Body></soap:Envelope>",
      0});
  setup.Dir.Write("servidores.ini", "[SP]\nNfeRecepcao3=" + server.Url() + "\n");
  setup.NFe->SetArquivoServidoresHom(setup.Dir.Path() + "servidores.ini");
  TimeEnviarLote(aState, setup, false);
}
BENCHMARK(BM_EnviarLote50Loopback)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

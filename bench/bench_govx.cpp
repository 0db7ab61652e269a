// xndGovX: signatures of a 10-item NF-e 3.10 note per second next to the raw
// RSA-2048/SHA-1 signatures per second of the same key, and SOAP round trips
// per second to the loopback HTTPS server over one kept-alive connection.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/BenchRawRsa.h"
#include "servers/govx/GovXServerImpl.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace {

using xnd::govx::TGovXOptions;
using xnd::govx::TGovXServer;
using xnd::test::TestPki;

void UseCompanyCertificate(TGovXServer& aServer) {
  const TestPki& pki = TestPki::Instance();
  aServer.SignatureSettings().SetCertificatePath(pki.CompanyPfx());
  aServer.SignatureSettings().SetCertificatePassword(TestPki::Password);
  aServer.ConnectionSettings().SetCertificatePath(pki.CompanyPfx());
  aServer.ConnectionSettings().SetCertificatePassword(TestPki::Password);
}

void BM_SignXml_Nfe310_10Itens(benchmark::State& aState) {
  TGovXServer server;
  UseCompanyCertificate(server);
  const std::string note = xnd::test::UnsignedNfe310(10);
  server.SignXml(note, xnd::test::Nfe310Id);  // the key is opened once, here
  for (auto _ : aState) benchmark::DoNotOptimize(server.SignXml(note, xnd::test::Nfe310Id));
  aState.SetItemsProcessed(aState.iterations());
}
BENCHMARK(BM_SignXml_Nfe310_10Itens)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// The RSA-SHA1 signature alone, over a text the size of a SignedInfo.
void BM_RawRsa2048Sha1(benchmark::State& aState) { xnd::bench::RawRsa2048Sha1(aState); }
BENCHMARK(BM_RawRsa2048Sha1)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_SendSoapMessage_KeepAlive(benchmark::State& aState) {
  xnd::test::LoopbackTlsServer host;
  host.Respond({200, "application/soap+xml; charset=utf-8",
                xnd::test::SharedFixture("soap_retConsStatServ_107.xml"), 0});
  TGovXServer server(
      TGovXOptions{xnd::govx::DefaultMachineStoreDirectory, TestPki::Instance().RootCaPem()});
  UseCompanyCertificate(server);
  const std::string ns = "http://www.portalfiscal.inf.br/nfe/wsdl/NfeStatusServico2";
  const std::string envelope =
      "<soap12:Envelope xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body>"
      "<nfeDadosMsg xmlns=\"" +
      ns +
      "\"><consStatServ versao=\"3.10\" "
      "xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb><cUF>35</cUF><xServ>STATUS"
      "</xServ></consStatServ></nfeDadosMsg></soap12:Body></soap12:Envelope>";
  auto send = [&] {
    return server.SendSoapMessage(host.Url(), envelope, ns + "/nfeStatusServicoNF2",
                                  "nfeStatusServicoNF2Result", ns);
  };
  send();  // handshake once
  long reconnects = 0;
  for (auto _ : aState) {
    benchmark::DoNotOptimize(send());
    reconnects += server.LastNewConnections();
  }
  aState.SetItemsProcessed(aState.iterations());
  aState.counters["novas_conexoes"] = static_cast<double>(reconnects);
}
BENCHMARK(BM_SendSoapMessage_KeepAlive)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// Prints the table as usual, then the signing rate as a share of the raw rate.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& aRuns) override {
    ConsoleReporter::ReportRuns(aRuns);
    for (const Run& run : aRuns) {
      const auto rate = run.counters.find("items_per_second");
      if (rate != run.counters.end()) FRates[run.benchmark_name()] = rate->second;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double sign = Rate("BM_SignXml_Nfe310_10Itens");
    const double raw = Rate("BM_RawRsa2048Sha1");
    if (sign > 0 && raw > 0) {
      std::printf(
          "SignXml: %.0f assinaturas/s; RSA-2048 SHA-1 puro: %.0f/s; razao: %.1f%% (meta ousada: "
          ">= 75%%)\n",
          sign, raw, 100.0 * sign / raw);
    }
  }

 private:
  double Rate(const std::string& aBenchmark) const {
    for (const auto& [name, rate] : FRates) {
      if (name.rfind(aBenchmark, 0) == 0) return rate;
    }
    return 0;
  }

  std::map<std::string, double> FRates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

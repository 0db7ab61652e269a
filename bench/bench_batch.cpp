// Batch costs with the real servers and the test PKI certificate, in CPU
// time of the calling thread (the machine is shared; wall time is noisy):
// - the raw RSA-2048/SHA-1 signature of the certificate's key, the unit of
//   the ratios printed at the end (each SignXml or AssinarLote iteration is
//   followed, outside its timing, by as many raw signatures, so that the
//   two sides of a ratio see the same load of the shared machine);
// - SignXml of one note through the xndGovX wrapper;
// - AssinarLote per note on batches of 1, 10 and 50 notes, and the walk over
//   the notes of a batch (ContarNFe, then each note as ExtrairNFe gives it)
//   on 10 and 200 notes;
// - EnviarLote of 50 notes to a loopback TLS server that answers at once,
//   whole and stage by stage (request, schema, log + index, send), and to the
//   local SEFAZ simulator (wall time: most of it is the simulator checking
//   each signature);
// - the resident set while 20,000 notes are signed in batches of 50.
// After the table, each ratio is printed next to its goal.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchRawRsa.h"
#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "nfe/xndNFe.h"
#include "services/xndNFEInterface.h"
#include "tests/batch/BatchEndToEndSupport.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"
#include "utils/xndNFeXmlUtils.h"

namespace {

using xnd::bench::RawSigner;
using xnd::bench::ThreadCpuSeconds;

using namespace xnd;
using namespace xnd::test;

constexpr int kNotes = 50;

double PeakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The resident set now (second field of /proc/self/statm, in pages).
double CurrentRssMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
         (1024.0 * 1024.0);
}

// A component configured as a host would: state, version, certificate, and
// its directories in a temporary directory; a batch of aNotes notes.
struct BatchSetup {
  explicit BatchSetup(int aNotes = kNotes) {
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
    Batch = RenumberedBatch(aNotes, Keys);
  }

  // The national 3.10 schemas with the shipped Mapping.txt; false when the
  // shared folder does not have them.
  bool InstallNationalSchemas() {
    namespace fs = std::filesystem;
    const fs::path package = fs::path(XND_SHARED_DIR) / "schemas" / "PL_008i2";
    if (!fs::is_directory(package)) return false;
    const fs::path target = fs::path(Dir.MakeDir("Esquemas/vm50a"));
    for (const auto& entry : fs::directory_iterator(package)) fs::copy(entry.path(), target);
    fs::copy(fs::path(XND_SOURCE_DIR) / "data/Esquemas/vm50a/Mapping.txt", target);
    NFe->SetDiretorioEsquemas(Dir.Path() + "Esquemas/");
    return true;
  }

  TempDir Dir;
  ScopedEnv Home{"HOME", Dir.Path()};
  ScopedEnv CaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  std::unique_ptr<TxndNFe> NFe;
  std::string Batch;
  std::vector<std::string> Keys;
};

// The RSA-SHA1 signature alone, over a text the size of a SignedInfo.
void BM_RawRsa2048Sha1(benchmark::State& aState) { xnd::bench::RawRsa2048Sha1(aState); }
BENCHMARK(BM_RawRsa2048Sha1)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

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
  RawSigner raw;
  double signCpu = 0;
  double rawCpu = 0;
  for (auto _ : aState) {
    const double start = ThreadCpuSeconds();
    benchmark::DoNotOptimize(govX->SignXml(note, "NFe" + key));
    signCpu += ThreadCpuSeconds() - start;
    aState.PauseTiming();
    rawCpu += raw.Time(1);
    aState.ResumeTiming();
  }
  aState.SetItemsProcessed(aState.iterations());
  aState.counters["razao_rsa"] = signCpu > 0 ? rawCpu / signCpu : 0;
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_SignXmlRaw)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

// Items are notes: items_per_second is notes signed per CPU second.
void BM_AssinarLote(benchmark::State& aState) {
  const int notes = static_cast<int>(aState.range(0));
  BatchSetup setup(notes);
  std::string signed_;
  try {
    setup.NFe->AssinarLote(setup.Batch, signed_);  // the certificate's key is loaded here
  } catch (const std::exception& e) {
    aState.SkipWithError(e.what());
    return;
  }
  RawSigner raw;
  double batchCpu = 0;
  double rawCpu = 0;
  for (auto _ : aState) {
    const double start = ThreadCpuSeconds();
    setup.NFe->AssinarLote(setup.Batch, signed_);
    benchmark::DoNotOptimize(signed_.data());
    batchCpu += ThreadCpuSeconds() - start;
    aState.PauseTiming();
    rawCpu += raw.Time(notes);  // as many raw signatures as notes
    aState.ResumeTiming();
  }
  aState.SetItemsProcessed(aState.iterations() * notes);
  aState.counters["razao_rsa"] = batchCpu > 0 ? rawCpu / batchCpu : 0;
  aState.counters["batch_KB"] = static_cast<double>(signed_.size()) / 1000.0;
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_AssinarLote)
    ->Arg(1)
    ->Arg(10)
    ->Arg(kNotes)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// The notes of a batch taken as AssinarLote takes them, past its 50-note
// limit: the cost per note must not grow with the batch.
void BM_ExtrairNotas(benchmark::State& aState) {
  const int notes = static_cast<int>(aState.range(0));
  std::vector<std::string> keys;
  const std::string batch = RenumberedBatch(notes, keys);
  for (auto _ : aState) {
    const int count = TxndNFeXmlUtils::ContarNFe(batch);
    TPercursoNFe walk(batch, false);
    for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(walk.Proxima());
  }
  aState.SetItemsProcessed(aState.iterations() * notes);
}
BENCHMARK(BM_ExtrairNotas)->Arg(10)->Arg(200)->Unit(benchmark::kMicrosecond);

CannedResponse ReceiptAnswer() {
  return CannedResponse{
      200, "application/soap+xml; charset=utf-8",
      "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
      "<nfeAutorizacaoLoteResult xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NfeAutorizacao\">"
      "<retEnviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\"><tpAmb>2</tpAmb>"
      "<cStat>103</cStat><xMotivo>Lote recebido com sucesso</xMotivo><cUF>35</cUF>"
      "<infRec><nRec>351000000000001</nRec><tMed>1</tMed></infRec></retEnviNFe>"
      "</nfeAutorizacaoLoteResult></soap:Body></soap:Envelope>",
      0};
}

// A batch signed, a loopback TLS server answering a receipt at once, and
// the component pointed at it.
struct LoopbackSend {
  explicit LoopbackSend(benchmark::State& aState) {
    Server.Respond(ReceiptAnswer());
    Setup.Dir.Write("servidores.ini", "[SP]\nNfeRecepcao3=" + Server.Url() + "\n");
    Setup.NFe->SetArquivoServidoresHom(Setup.Dir.Path() + "servidores.ini");
    try {
      Setup.NFe->AssinarLote(Setup.Batch, Signed);
      std::string answer;
      Setup.NFe->EnviarLote(NextBatchNumber(), Signed, answer, false);
    } catch (const std::exception& e) {
      aState.SkipWithError(e.what());
      Ready = false;
    }
  }
  // A new batch number for every send: each gets its own request log.
  std::string NextBatchNumber() { return std::to_string(++FBatchNumber); }

  BatchSetup Setup;
  LoopbackTlsServer Server;
  std::string Signed;
  bool Ready = true;

 private:
  int FBatchNumber = 0;
};

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

// The whole EnviarLote to the loopback server: the library's own share of
// the exchange (the server's thread is not counted).
void BM_EnviarLote50Loopback(benchmark::State& aState) {
  BatchSetup setup;
  LoopbackTlsServer server;
  server.Respond(ReceiptAnswer());
  setup.Dir.Write("servidores.ini", "[SP]\nNfeRecepcao3=" + server.Url() + "\n");
  setup.NFe->SetArquivoServidoresHom(setup.Dir.Path() + "servidores.ini");
  TimeEnviarLote(aState, setup, false);
}
BENCHMARK(BM_EnviarLote50Loopback)->Unit(benchmark::kMillisecond);

// The stages of EnviarLote one by one, each on its own: the request built
// and checked (without the schema), the schema validation, the request log
// and its index files, and the send through the version interface.
void BM_EnviarLote50Etapa_Montar(benchmark::State& aState) {
  LoopbackSend send(aState);
  if (!send.Ready) return;
  std::string request;
  for (auto _ : aState) {
    send.Setup.NFe->MontarLoteEnvio("1", send.Signed, request);
    benchmark::DoNotOptimize(request.data());
  }
  aState.SetItemsProcessed(aState.iterations() * kNotes);
}
BENCHMARK(BM_EnviarLote50Etapa_Montar)->Unit(benchmark::kMillisecond);

void BM_EnviarLote50Etapa_Validar(benchmark::State& aState) {
  LoopbackSend send(aState);
  if (!send.Ready) return;
  if (!send.Setup.InstallNationalSchemas()) {
    aState.SkipWithError("esquemas nacionais (PL_008i2) não encontrados em ../shared/schemas");
    return;
  }
  std::string request;
  send.Setup.NFe->MontarLoteEnvio("1", send.Signed, request);
  try {
    send.Setup.NFe->ValidarEsquema(request, "ENVIO");  // the schema is compiled here
  } catch (const std::exception& e) {
    aState.SkipWithError(e.what());
    return;
  }
  for (auto _ : aState) send.Setup.NFe->ValidarEsquema(request, "ENVIO");
  aState.SetItemsProcessed(aState.iterations() * kNotes);
}
BENCHMARK(BM_EnviarLote50Etapa_Validar)->Unit(benchmark::kMillisecond);

void BM_EnviarLote50Etapa_LogIndice(benchmark::State& aState) {
  LoopbackSend send(aState);
  if (!send.Ready) return;
  std::string request;
  send.Setup.NFe->MontarLoteEnvio("1", send.Signed, request);
  TxndGovUtils govUtils;
  for (auto _ : aState) {
    const std::string batchNumber = send.NextBatchNumber();
    const std::string logName = govUtils->MakeLogFileName("env-lot", batchNumber);
    send.Setup.NFe->GravarLog(request, "env-lot", batchNumber, logName);
    send.Setup.NFe->IndexarLogLote(logName, &request);  // as EnviarLote does
  }
  aState.SetItemsProcessed(aState.iterations() * kNotes);
}
BENCHMARK(BM_EnviarLote50Etapa_LogIndice)->Unit(benchmark::kMillisecond);

void BM_EnviarLote50Etapa_Enviar(benchmark::State& aState) {
  LoopbackSend send(aState);
  if (!send.Ready) return;
  std::string request;
  send.Setup.NFe->MontarLoteEnvio("1", send.Signed, request);
  for (auto _ : aState) {
    benchmark::DoNotOptimize(
        send.Setup.NFe->ObterInterfaceVersao().EnviarLote(send.NextBatchNumber(), request, false));
  }
  aState.SetItemsProcessed(aState.iterations() * kNotes);
}
BENCHMARK(BM_EnviarLote50Etapa_Enviar)->Unit(benchmark::kMillisecond);

// 20,000 notes signed in batches of 50, once: the resident set after the
// first 2,500 notes and at the end.
constexpr int kRssNotes = 20000;
constexpr int kRssEarlyNotes = 2500;

void BM_RssAssinarLote20000(benchmark::State& aState) {
  BatchSetup setup;
  std::string signed_;
  for (auto _ : aState) {
    try {
      for (int done = 0; done < kRssNotes; done += kNotes) {
        setup.NFe->AssinarLote(setup.Batch, signed_);
        if (done + kNotes == kRssEarlyNotes) aState.counters["rss_2500_MiB"] = CurrentRssMiB();
      }
    } catch (const std::exception& e) {
      aState.SkipWithError(e.what());
      return;
    }
    aState.counters["rss_20000_MiB"] = CurrentRssMiB();
  }
  aState.SetItemsProcessed(aState.iterations() * kRssNotes);
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_RssAssinarLote20000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Prints the table as usual, then the ratios next to their goals.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& aRuns) override {
    ConsoleReporter::ReportRuns(aRuns);
    for (const Run& run : aRuns) {
      if (run.error_occurred) continue;
      std::map<std::string, double>& counters = FRuns[run.benchmark_name()];
      for (const auto& [name, counter] : run.counters) counters[name] = counter.value;
      counters["cpu_ms"] = run.GetAdjustedCPUTime() *
                           benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                           benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double raw = Counter("BM_RawRsa2048Sha1", "items_per_second");
    std::printf(
        "\nRazões ao RSA-2048 SHA-1 puro, em tempo de CPU (cada medida seguida das mesmas "
        "assinaturas puras; %.0f assinaturas puras por segundo no início):\n",
        raw);
    const double sign = Counter("BM_SignXmlRaw", "razao_rsa");
    if (sign > 0) {
      std::printf("  SignXml, uma nota:          %.2f   (meta ousada: >= 0,75)\n", sign);
    }
    for (const char* notes : {"1", "10", "50"}) {
      const std::string name = std::string("BM_AssinarLote/") + notes;
      const double ratio = Counter(name, "razao_rsa");
      const double rate = Counter(name, "items_per_second");
      if (ratio > 0 && rate > 0) {
        std::printf("  AssinarLote, %2s nota(s):    %.2f por nota  (%.0f µs de CPU por nota)%s\n",
                    notes, ratio, 1e6 / rate,
                    std::string(notes) == "50" ? "   (meta: >= 0,55)" : "");
      }
    }
    const double one = Counter("BM_AssinarLote/1", "razao_rsa");
    const double fifty = Counter("BM_AssinarLote/50", "razao_rsa");
    if (one > 0 && fifty > 0) {
      std::printf("  custo por nota, 50 notas / 1 nota: %.2f   (meta: plano, perto de 1)\n",
                  one / fifty);
    }
    const double ten = Counter("BM_ExtrairNotas/10", "items_per_second");
    const double twoHundred = Counter("BM_ExtrairNotas/200", "items_per_second");
    if (ten > 0 && twoHundred > 0) {
      std::printf(
          "  extração das notas: %.2f µs por nota com 10, %.2f com 200; 200 / 10: %.2f   (meta: "
          "plano)\n",
          1e6 / ten, 1e6 / twoHundred, ten / twoHundred);
    }
    std::printf("EnviarLote de 50 notas ao servidor local, ms de CPU por etapa:\n");
    for (const char* stage : {"Montar", "Validar", "LogIndice", "Enviar"}) {
      const double ms = Counter(std::string("BM_EnviarLote50Etapa_") + stage, "cpu_ms");
      if (ms > 0) std::printf("  %-10s %8.2f\n", stage, ms);
    }
    const double whole = Counter("BM_EnviarLote50Loopback", "cpu_ms");
    if (whole > 0)
      std::printf("  %-10s %8.2f   (EnviarLote inteiro, esquema desligado)\n", "total", whole);
    const double early = Counter("BM_RssAssinarLote20000", "rss_2500_MiB");
    const double late = Counter("BM_RssAssinarLote20000", "rss_20000_MiB");
    if (early > 0 && late > 0) {
      std::printf(
          "Memória residente: %.1f MiB após 2.500 notas, %.1f MiB após 20.000   (meta: "
          "plana)\n",
          early, late);
    }
  }

 private:
  double Counter(const std::string& aBenchmark, const std::string& aCounter) const {
    for (const auto& [name, counters] : FRuns) {
      if (name.rfind(aBenchmark, 0) != 0) continue;
      // "BM_AssinarLote/1" must not take "BM_AssinarLote/10".
      if (name.size() > aBenchmark.size() && name[aBenchmark.size()] != '/') continue;
      const auto found = counters.find(aCounter);
      if (found != counters.end()) return found->second;
    }
    return 0;
  }

  std::map<std::string, std::map<std::string, double>> FRuns;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

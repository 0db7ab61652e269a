// The library's whole road for a batch of 50 notes of 10 items each, stage
// by stage, in CPU time of the calling thread (the machine is shared):
// - entering the notes through TxndNFeDataSets with both rule sets on
//   (Incluir, the fields, Salvar: normalising rules, infNFe, manual rules);
// - AssinarLote of the 50 notes;
// - the batch request built and validated against the national package;
// - EnviarLote to a loopback TLS server that answers at once.
// The entry stage is also run without the rules, to show their share.
// Each run reports the peak resident set; after the table the entry stage
// is compared with the signing stage (goal: entering, checking and
// generating cost less than signing).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "nfe/xndNFe.h"
#include "tests/nfedatasets/NotaEntrada.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace {

using namespace xnd;
using namespace xnd::test;

constexpr int kNotas = 50;
constexpr int kItens = 10;

double PeakRssMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::string Dicionario() { return std::string(XND_SOURCE_DIR) + "/data/Templates/vm40/Conversor/NFeDataSets.xml"; }

// The 50 notes entered and saved; the batch of their NFe elements.
std::string EntrarLote(TxndNFeDataSets& aEntrada) {
  aEntrada.LoteNFe().Clear();
  for (int numero = 1; numero <= kNotas; ++numero) {
    EntrarNota(aEntrada, numero, kItens, true);
    aEntrada.Salvar();
  }
  std::string lote;
  for (const std::string& nota : aEntrada.LoteNFe().Items()) {
    lote += "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + nota + "</NFe>";
  }
  return lote;
}

std::unique_ptr<TxndNFeDataSets> NovaEntrada(bool aRegras = true) {
  auto entrada = std::make_unique<TxndNFeDataSets>();
  Configurar(*entrada, pl_008a, Dicionario());
  entrada->SetValidaRegrasNegocio(aRegras);
  entrada->SetValidaRegrasNegocioVarno(aRegras);
  return entrada;
}

// The NF-e component as a host configures it, its files in a temporary directory.
struct Estrada {
  Estrada() {
    NFe.SetDiretorioLogErro(Dir.Path() + "erros/");
    NFe.SetDiretorioTemplates(std::string(XND_SOURCE_DIR) + "/data/Templates/");
    NFe.SetUF("SP");
    NFe.SetVersaoManual(vm50a);
    NFe.SetCNPJ("11222333000181");
    NFe.SetDiretorioLog(Dir.Path() + "Log/");
    NFe.SetDiretorioXmlDestinatario(Dir.Path() + "XmlDestinatario/");
    NFe.SetCaminhoCertificado(TestPki::Instance().CompanyPfx());
    NFe.SetSenhaCertificado(TestPki::Password);
    auto entrada = NovaEntrada();
    Lote = EntrarLote(*entrada);
  }
  bool InstalarEsquemas() {
    namespace fs = std::filesystem;
    const fs::path pacote = fs::path(XND_SHARED_DIR) / "schemas" / "PL_008i2";
    if (!fs::is_directory(pacote)) return false;
    const fs::path destino = fs::path(Dir.MakeDir("Esquemas/vm50a"));
    for (const auto& arquivo : fs::directory_iterator(pacote)) fs::copy(arquivo.path(), destino);
    fs::copy(fs::path(XND_SOURCE_DIR) / "data/Esquemas/vm50a/Mapping.txt", destino);
    NFe.SetDiretorioEsquemas(Dir.Path() + "Esquemas/");
    return true;
  }

  TempDir Dir;
  ScopedEnv Home{"HOME", Dir.Path()};
  ScopedEnv Data{"XDG_DATA_HOME", Dir.Path() + "data"};
  TxndNFe NFe;
  std::string Lote;
};

void BM_Estrada50x10_1_EntrarRegrasGerar(benchmark::State& aState) {
  auto entrada = NovaEntrada();
  for (auto _ : aState) benchmark::DoNotOptimize(EntrarLote(*entrada).data());
  aState.SetItemsProcessed(aState.iterations() * kNotas);
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_Estrada50x10_1_EntrarRegrasGerar)->Unit(benchmark::kMillisecond);

// The same without the two rule runs: what the rules add to the stage.
void BM_Estrada50x10_1_EntrarGerarSemRegras(benchmark::State& aState) {
  auto entrada = NovaEntrada(false);
  for (auto _ : aState) benchmark::DoNotOptimize(EntrarLote(*entrada).data());
  aState.SetItemsProcessed(aState.iterations() * kNotas);
}
BENCHMARK(BM_Estrada50x10_1_EntrarGerarSemRegras)->Unit(benchmark::kMillisecond);

void BM_Estrada50x10_2_Assinar(benchmark::State& aState) {
  Estrada estrada;
  std::string assinado;
  estrada.NFe.AssinarLote(estrada.Lote, assinado);  // the key is loaded here
  for (auto _ : aState) estrada.NFe.AssinarLote(estrada.Lote, assinado);
  aState.SetItemsProcessed(aState.iterations() * kNotas);
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_Estrada50x10_2_Assinar)->Unit(benchmark::kMillisecond);

void BM_Estrada50x10_3_MontarValidar(benchmark::State& aState) {
  Estrada estrada;
  if (!estrada.InstalarEsquemas()) {
    aState.SkipWithError("esquemas nacionais (PL_008i2) não encontrados em ../shared/schemas");
    return;
  }
  std::string assinado;
  std::string pedido;
  estrada.NFe.AssinarLote(estrada.Lote, assinado);
  estrada.NFe.MontarLoteEnvio("1", assinado, pedido);
  estrada.NFe.ValidarEsquema(pedido, "ENVIO");  // the schema is compiled here
  for (auto _ : aState) {
    estrada.NFe.MontarLoteEnvio("1", assinado, pedido);
    estrada.NFe.ValidarEsquema(pedido, "ENVIO");
  }
  aState.SetItemsProcessed(aState.iterations() * kNotas);
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_Estrada50x10_3_MontarValidar)->Unit(benchmark::kMillisecond);

std::string RespostaRecibo() {
  return "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
         "<nfeAutorizacaoLoteResult xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NfeAutorizacao\">"
         "<retEnviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\"><tpAmb>2</tpAmb>"
         "<cStat>103</cStat><xMotivo>Lote recebido com sucesso</xMotivo><cUF>35</cUF>"
         "<infRec><nRec>351000000000001</nRec><tMed>1</tMed></infRec></retEnviNFe>"
         "</nfeAutorizacaoLoteResult></soap:Body></soap:Envelope>";
}

// EnviarLote whole (request, log, index, send) without the schema check,
// which the stage above measures.
void BM_Estrada50x10_4_Enviar(benchmark::State& aState) {
  Estrada estrada;
  const ScopedEnv caBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  LoopbackTlsServer servidor;
  servidor.Respond(CannedResponse{200, "application/soap+xml; charset=utf-8", RespostaRecibo()});
  estrada.Dir.Write("servidores.ini", "[SP]\nNfeRecepcao3=" + servidor.Url() + "\n");
  estrada.NFe.SetArquivoServidoresHom(estrada.Dir.Path() + "servidores.ini");
  estrada.NFe.SetValidarEsquemaAntesEnvio(false);
  std::string assinado;
  std::string resposta;
  int numero = 1;
  try {
    estrada.NFe.AssinarLote(estrada.Lote, assinado);
    estrada.NFe.EnviarLote(std::to_string(numero), assinado, resposta, false);
  } catch (const std::exception& e) {
    aState.SkipWithError(e.what());
    return;
  }
  for (auto _ : aState) estrada.NFe.EnviarLote(std::to_string(++numero), assinado, resposta, false);
  aState.SetItemsProcessed(aState.iterations() * kNotas);
  aState.counters["peak_rss_MiB"] = PeakRssMiB();
}
BENCHMARK(BM_Estrada50x10_4_Enviar)->Unit(benchmark::kMillisecond);

class Relatorio : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& aRuns) override {
    ConsoleReporter::ReportRuns(aRuns);
    for (const Run& run : aRuns) {
      if (run.error_occurred) continue;
      FCpuMs[run.benchmark_name()] = run.GetAdjustedCPUTime() *
                                     benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                                     benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double entrar = FCpuMs["BM_Estrada50x10_1_EntrarRegrasGerar"];
    const double assinar = FCpuMs["BM_Estrada50x10_2_Assinar"];
    std::printf("\nLote de %d notas de %d itens, ms de CPU por lote:\n", kNotas, kItens);
    for (const auto& [nome, ms] : FCpuMs) std::printf("  %-40s %8.1f\n", nome.c_str(), ms);
    if (entrar > 0 && assinar > 0) {
      std::printf("  entrar + regras + gerar / assinar: %.2f   (meta: < 1)\n", entrar / assinar);
    }
    const double semRegras = FCpuMs["BM_Estrada50x10_1_EntrarGerarSemRegras"];
    if (semRegras > 0 && assinar > 0) {
      std::printf("  entrar + gerar, sem regras / assinar: %.2f\n", semRegras / assinar);
    }
  }

 private:
  std::map<std::string, double> FCpuMs;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Relatorio relatorio;
  benchmark::RunSpecifiedBenchmarks(&relatorio);
  benchmark::Shutdown();
  return 0;
}

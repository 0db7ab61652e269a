// Event costs with the real servers and the test PKI certificate: one CC-e
// signed (AssinarEventos) and validated against the national CC-e schema,
// and a batch of 20 signed CC-e sent by EnviarEventos to a loopback TLS
// server that answers at once (size check, request and answer logs, TLS with
// a client certificate): the library's own share of the exchange.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "events/xndNFeEventosBase.h"
#include "external/xndGovUtils.h"
#include "external/xndGovX.h"
#include "tests/support/CompanyCertificate.h"
#include "tests/events/EventosTestSupport.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace {

using namespace xnd;
using namespace xnd::test;

constexpr int kEventos = 20;
constexpr const char* Chave = "35150300822602000124550010009923461099234656";

TDadosEvento Dados(int aSequencia) {
  TDadosEvento dados;
  dados.cOrgao = "35";
  dados.CNPJ = "00822602000124";
  dados.chNFe = Chave;
  dados.dhEvento = "2026-12-10T10:00:00-03:00";
  dados.nSeqEvento = aSequencia;
  return dados;
}

// The events component as a host configures it; benchmarks get no
// installation data beside them, so the source tree's.
struct EventosSetup {
  EventosSetup() {
    UseCompanyCertificate(GovX.Server());
    Eventos.SetTipoEvento("110110");
    Eventos.SetUF("SP");
    Eventos.SetUFWS("SP");
    Eventos.SetAmbiente(akHomologacao);
    Eventos.SetDiretorioTemplates(std::string(XND_SOURCE_DIR) + "/data/Templates/vm50/");
    Eventos.SetDiretorioLog(Dir.MakeDir("Log"));
    Eventos.SetDiretorioLogErro(Dir.MakeDir("erros"));
  }

  TempDir Dir;
  ScopedEnv CaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  TxndGovX GovX;
  TxndGovUtils GovUtils;
  TxndEmailSettings Email;
  TxndEventosTipo Eventos{nullptr, &GovX, &Email, &GovUtils};
};

void BM_AssinarValidarCCe(benchmark::State& aState) {
  if (EsquemasCompartilhados().empty()) {
    aState.SkipWithError("the shared schemas are absent");
    return;
  }
  EventosSetup setup;
  setup.Eventos.SetDiretorioEsquemas(MontarDiretorioEsquemas(
      setup.Dir, std::string(XND_SOURCE_DIR) + "/data/Esquemas/vm50/Mapping.txt"));
  const std::string inf = MontarInfEventoCCe(Dados(1), "Texto da correcao do campo endereco");
  try {
    // Key, certificate and compiled schema are loaded once, here.
    setup.Eventos.ValidarEsquema(
        TxndEventos::MontarLoteEventos("1", setup.Eventos.AssinarEventos(inf)), "CCE");
  } catch (const std::exception& e) {
    aState.SkipWithError(e.what());
    return;
  }
  for (auto _ : aState) {
    const std::string lote =
        TxndEventos::MontarLoteEventos("1", setup.Eventos.AssinarEventos(inf));
    setup.Eventos.ValidarEsquema(lote, "CCE");
    benchmark::DoNotOptimize(lote.data());
  }
  aState.SetItemsProcessed(aState.iterations());
}
BENCHMARK(BM_AssinarValidarCCe)->Unit(benchmark::kMicrosecond);

void BM_EnviarEventos20Loopback(benchmark::State& aState) {
  EventosSetup setup;
  LoopbackTlsServer server;
  server.Respond(CannedResponse{
      200, "application/soap+xml; charset=utf-8",
      "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
      "<nfeRecepcaoEventoResult xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/RecepcaoEvento\">"
      "<retEnvEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\">"
      "<idLote>1</idLote><tpAmb>2</tpAmb><verAplic>LOOPBACK</verAplic><cOrgao>35</cOrgao>"
      "<cStat>128</cStat><xMotivo>Lote de Evento Processado</xMotivo></retEnvEvento>"
      "</nfeRecepcaoEventoResult></soap:Body></soap:Envelope>",
      0});
  setup.Dir.Write("servidores.ini", "[SP]\nRecepcaoEvento3=" + server.Url() + "\n");
  setup.Eventos.SetArquivoServidoresHom(setup.Dir.File("servidores.ini"));
  std::string infs;
  for (int i = 1; i <= kEventos; ++i)
    infs += MontarInfEventoCCe(Dados(i), "Texto da correcao do campo endereco");
  std::string lote;
  int numero = 1;
  try {
    lote = setup.Eventos.AssinarEventos(infs);
    setup.Eventos.EnviarEventos(TxndEventos::MontarLoteEventos(std::to_string(numero), lote));
  } catch (const std::exception& e) {
    aState.SkipWithError(e.what());
    return;
  }
  for (auto _ : aState) {
    const std::string resposta = setup.Eventos.EnviarEventos(
        TxndEventos::MontarLoteEventos(std::to_string(++numero), lote));
    benchmark::DoNotOptimize(resposta.data());
  }
  aState.SetItemsProcessed(aState.iterations() * kEventos);
  aState.counters["batch_KB"] = static_cast<double>(lote.size()) / 1000.0;
}
BENCHMARK(BM_EnviarEventos20Loopback)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

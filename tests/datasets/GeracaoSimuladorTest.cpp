// A note written from the datasets goes the whole road: signed by
// AssinarLote, sent by EnviarLote to the local SEFAZ simulator and
// authorised in the receipt query.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "nfe/xndNFe.h"
#include "services/xndNFEInterface.h"
#include "tests/batch/BatchEndToEndSupport.h"
#include "tests/datasets/NotaDataSets.h"
#include "tests/nfe/NFeTestSupport.h"

namespace xnd::test {
namespace {

TEST(GeracaoSimuladorTest, TheGeneratedNoteIsAuthorised) {
  TempDir temp;
  const ScopedEnv home{"HOME", temp.Path()};
  const ScopedEnv data{"XDG_DATA_HOME", temp.Path() + "data"};
  const ScopedEnv caBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  const SimulatorProcess simulator(temp.Path() + "nfeServidoresHom.ini");
  if (!simulator.Ready()) GTEST_SKIP() << simulator.Error();
  auto engine = CriarEngineComDicionario(pl_008a);
  PreencherDeXml(*engine, NotaDeTeste("nota310.xml"));
  engine->Salvar();
  TxndNFe nfe;
  nfe.SetDiretorioLogErro(temp.Path() + "erros/");
  nfe.SetUF("SP");
  nfe.SetVersaoManual(vm50a);
  nfe.SetCNPJ("12345678000195");
  nfe.SetDiretorioLog(temp.Path() + "Log/");
  nfe.SetDiretorioXmlDestinatario(temp.Path() + "XmlDestinatario/");
  nfe.SetCaminhoCertificado(TestPki::Instance().CompanyPfx());
  nfe.SetSenhaCertificado(TestPki::Password);
  nfe.SetArquivoServidoresHom(temp.Path() + "nfeServidoresHom.ini");
  std::string assinado;
  nfe.AssinarLote(EmNFe(engine->LoteNFe()[0]), assinado);
  std::string resposta;

  const TRaised sent = Capture([&] { nfe.EnviarLote("20260013", assinado, resposta, false); });

  ASSERT_EQ(sent, TRaised{});
  ASSERT_EQ(ObterValorTag("cStat", resposta), "103") << resposta;
  std::string resultado;
  for (int tentativa = 0; tentativa < 20; ++tentativa) {
    resultado = nfe.ObterInterfaceVersao().ConsultarRecibo(ObterNumeroRecibo(resposta));
    if (ObterValorTag("cStat", resultado) != "105") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const std::size_t protocolo = resultado.find("<protNFe");
  ASSERT_NE(protocolo, std::string::npos) << resultado;
  EXPECT_EQ(ObterValorTag("chNFe", resultado.substr(protocolo)), engine->UltimaChave()) << resultado;
  EXPECT_EQ(ObterValorTag("cStat", resultado.substr(protocolo)), "100") << resultado;
}

}  // namespace
}  // namespace xnd::test

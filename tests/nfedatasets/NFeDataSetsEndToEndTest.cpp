// The library's whole road for a batch entered through the entry component:
// three notes saved with both rule sets on, signed by AssinarLote (each
// signature checked by xmlsec1), the batch request validated against the
// national package, sent by EnviarLote to the local SEFAZ simulator and
// every note authorised in the receipt query. Once for layout 3.10 (manual
// 5.0a, pl_008a) and once for layout 2.00 (manual 5.0, pl_006s).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "external/xndGovUtils.h"
#include "nfe/xndNFe.h"
#include "services/xndNFEInterface.h"
#include "tests/batch/BatchEndToEndSupport.h"
#include "tests/nfe/NFeTestSupport.h"
#include "tests/nfedatasets/NotaEntrada.h"
#include "tests/support/XmlSecVerify.h"

namespace xnd::test {
namespace {

struct Estrada {
  const char* Nome;
  TVersaoEsquema Esquema;
  TVersaoManual Manual;
  bool Layout310;
  const char* Pacote;  // national package in the shared schemas
  const char* PastaEsquemas;
};

void PrintTo(const Estrada& aEstrada, std::ostream* aSaida) { *aSaida << aEstrada.Nome; }

// cStat of the protNFe of each key in a receipt-query answer ("" when absent).
std::vector<std::string> StatusDosProtocolos(const std::string& aResposta, const std::vector<std::string>& aChaves) {
  TxndGovUtils utils;
  std::vector<std::string> protocolos;
  utils->SelectNodes(aResposta, ".//tec:protNFe", smNodeXml, NFeNamespacePrefix, protocolos);
  std::vector<std::string> status;
  for (const std::string& chave : aChaves) {
    std::string achado;
    for (const std::string& p : protocolos) {
      if (ObterValorTag("chNFe", p) == chave) achado = ObterValorTag("cStat", p);
    }
    status.push_back(achado);
  }
  return status;
}

class NFeDataSetsEndToEnd : public testing::TestWithParam<Estrada> {
 protected:
  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
  ScopedEnv FCaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
};

TEST_P(NFeDataSetsEndToEnd, ABatchEnteredThroughTheComponentIsAuthorised) {
  namespace fs = std::filesystem;
  const Estrada& estrada = GetParam();
  const fs::path pacote = fs::path(XND_SHARED_DIR) / "schemas" / estrada.Pacote;
  if (!fs::is_directory(pacote)) GTEST_SKIP() << "national schemas not found in " << pacote;
  const SimulatorProcess simulador(FTemp.Path() + "nfeServidoresHom.ini");
  if (!simulador.Ready()) GTEST_SKIP() << simulador.Error();

  TxndNFeDataSets entrada;
  Configurar(entrada, estrada.Esquema);
  entrada.SetValidaRegrasNegocio(true);
  entrada.SetValidaRegrasNegocioVarno(true);
  std::vector<std::string> chaves;
  for (int numero = 1; numero <= 3; ++numero) {
    EntrarNota(entrada, numero, 2, estrada.Layout310);
    ASSERT_EQ(Capture([&] { entrada.Salvar(); }), TRaised{}) << "note " << numero;
    chaves.push_back(entrada.Engine().UltimaChave());
  }
  ASSERT_EQ(entrada.LoteNFe().Count(), 3);

  TxndNFe nfe;
  nfe.SetDiretorioLogErro(FTemp.Path() + "erros/");
  nfe.SetUF("SP");
  nfe.SetVersaoManual(estrada.Manual);
  nfe.SetCNPJ("11222333000181");
  nfe.SetDiretorioLog(FTemp.Path() + "Log/");
  nfe.SetDiretorioXmlDestinatario(FTemp.Path() + "XmlDestinatario/");
  nfe.SetCaminhoCertificado(TestPki::Instance().CompanyPfx());
  nfe.SetSenhaCertificado(TestPki::Password);
  nfe.SetArquivoServidoresHom(FTemp.Path() + "nfeServidoresHom.ini");
  const fs::path esquemas = fs::path(FTemp.MakeDir(std::string("Esquemas/") + estrada.PastaEsquemas));
  for (const auto& arquivo : fs::directory_iterator(pacote)) fs::copy(arquivo.path(), esquemas);
  fs::copy(fs::path(ProgramDirectory()) / "Esquemas" / estrada.PastaEsquemas / "Mapping.txt", esquemas);
  nfe.SetDiretorioEsquemas(FTemp.Path() + "Esquemas/");
  nfe.SetValidarEsquemaAntesEnvio(true);

  std::string lote;
  for (const std::string& nota : entrada.LoteNFe().Items()) lote += NFeWrapper + nota + "</NFe>";
  std::string assinado;
  ASSERT_EQ(Capture([&] { nfe.AssinarLote(lote, assinado); }), TRaised{});
  const std::vector<std::string> notas = SignedNotes(assinado);
  ASSERT_EQ(notas.size(), 3u);
  for (std::size_t i = 0; i < notas.size(); ++i) {
    EXPECT_NE(notas[i].find("Id=\"NFe" + chaves[i] + "\""), std::string::npos);
    const XmlSecVerdict veredito = VerifyWithXmlSec(notas[i], "infNFe");
    EXPECT_TRUE(veredito.Verified) << veredito.Output;
  }
  std::string pedido;
  EXPECT_EQ(Capture([&] { nfe.MontarLoteEnvio("20260016", assinado, pedido); }), TRaised{});
  EXPECT_EQ(nfe.ErrosValidador()->Count(), 0) << nfe.ErrosValidador()->Text();

  std::string resposta;
  ASSERT_EQ(Capture([&] { nfe.EnviarLote("20260016", assinado, resposta, false); }), TRaised{});
  ASSERT_EQ(ObterValorTag("cStat", resposta), "103") << resposta;
  std::string resultado;
  for (int tentativa = 0; tentativa < 20; ++tentativa) {
    resultado = nfe.ObterInterfaceVersao().ConsultarRecibo(ObterNumeroRecibo(resposta));
    if (ObterValorTag("cStat", resultado) != "105") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(StatusDosProtocolos(resultado, chaves), (std::vector<std::string>(3, "100"))) << resultado;
}

INSTANTIATE_TEST_SUITE_P(Layouts, NFeDataSetsEndToEnd,
                         testing::Values(Estrada{"Layout310Manual50a", pl_008a, vm50a, true, "PL_008i2", "vm50a"},
                                         Estrada{"Layout200Manual50", pl_006s, vm50, false, "PL_006u", "vm50"}),
                         [](const testing::TestParamInfo<Estrada>& aInfo) { return std::string(aInfo.param.Nome); });

}  // namespace
}  // namespace xnd::test

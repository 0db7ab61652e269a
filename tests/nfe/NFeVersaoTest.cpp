// The component's version interface object, its checks, the server list it
// opens and the configuration snapshot it fills; with the real servers and
// the local simulator where an exchange shows the choice.
#include <gtest/gtest.h>

#include <typeinfo>

#include "NFeTestSupport.h"
#include "nfe/xndNFe.h"
#include "services/xndNFE30Intf.h"
#include "services/xndNFE40Intf.h"
#include "services/xndNFE50Intf.h"
#include "services/xndNFE50aIntf.h"
#include "tests/services/SimuladorFixture.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

class VersaoFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FNFe = std::make_unique<TxndNFe>();
    FNFe->SetDiretorioLogErro(FDir.Path() + "erros/");
    FNFe->SetUF("SP");
    FNFe->SetCNPJ("00822602000124");
  }
  void TearDown() override { FNFe.reset(); }

  std::string ServidoresHom(
      const std::string& aTexto = "[SP]\r\nNfeStatusServico2=https://sp/2\r\n") {
    const std::string arquivo = FDir.Write("hom/nfeServidoresHom.ini", aTexto);
    FNFe->SetArquivoServidoresHom(arquivo);
    return arquivo;
  }

  std::vector<std::string> Erros() const {
    return LogLines(FDir.Path() + "erros/nfe_exception.log");
  }

  TempDir FDir;
  ScopedEnv FHome{"HOME", FDir.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FDir.Path() + "data"};
  std::unique_ptr<TxndNFe> FNFe;
};

// ---- ObterInterfaceVersao
// ----------------------------------------------------------------------------

TEST_F(VersaoFixture, BeforeAnySettingsPushThereIsNoVersionObject) {
  ServidoresHom();
  EXPECT_EQ(Capture([&] { FNFe->ObterInterfaceVersao(); }),
            (TRaised{"ExndNFeConfigException", "Versão do Manual não definida"}));
  ASSERT_EQ(Erros().size(), 1u);
  EXPECT_TRUE(IsLogLine(Erros()[0], "ExndNFeConfigException", "Versão do Manual não definida"));
}

TEST_F(VersaoFixture, AVersionWithoutAnInterfaceClassLeavesNone) {
  ServidoresHom();
  const TVersaoManual foraDaEnumeracao = static_cast<TVersaoManual>(9);
  // Storing it refreshes the snapshot, whose versioned directories refuse it.
  EXPECT_EQ(Capture([&] { FNFe->SetVersaoManual(foraDaEnumeracao); }),
            (TRaised{"ExndNFeVersaoManualException",
                     "Não foi possível completar o processo. A versão do manual não é válida."}));
  FNFe->ObterGovX();
  EXPECT_EQ(Capture([&] { FNFe->ObterInterfaceVersao(); }),
            (TRaised{"ExndNFeConfigException", "Versão do Manual não definida"}));
}

struct CasoArquivos {
  const char* Nome;
  TAmbienteKind Ambiente;
  bool Hom;                 // homologation file given and present
  bool Prod;                // production file given and present
  const char* ProdAusente;  // production name given but missing ("" = not given)
  std::string Mensagem;     // "" = the object is handed out
};

class ArquivosServidoresTest : public VersaoFixture,
                               public ::testing::WithParamInterface<CasoArquivos> {};

TEST_P(ArquivosServidoresTest, TheServerListOfTheEnvironmentMustBeGivenAndExist) {
  const CasoArquivos& caso = GetParam();
  if (caso.Hom) ServidoresHom();
  if (caso.Prod) FNFe->SetArquivoServidoresProd(FDir.Write("nfeServidoresProd.ini", "[SP]\r\n"));
  if (*caso.ProdAusente != '\0') FNFe->SetArquivoServidoresProd(FDir.File(caso.ProdAusente));
  FNFe->SetAmbiente(caso.Ambiente);
  FNFe->ObterGovX();

  const std::string mensagem = StringReplace(caso.Mensagem, "%DIR%", FDir.Path());
  const TRaised esperado =
      mensagem.empty() ? TRaised{} : TRaised{"ExndNFeConfigException", mensagem};
  EXPECT_EQ(Capture([&] { FNFe->ObterInterfaceVersao(); }), esperado);
  if (!mensagem.empty()) {
    ASSERT_FALSE(Erros().empty());
    EXPECT_TRUE(IsLogLine(Erros().back(), "ExndNFeConfigException", mensagem));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Checks, ArquivosServidoresTest,
    ::testing::Values(CasoArquivos{"HomologacaoPresente", akHomologacao, true, false, "", ""},
                      CasoArquivos{"HomologacaoNaoInformada", akHomologacao, false, true, "",
                                   "Arquivo de servidores de homologação não informado"},
                      CasoArquivos{"ProducaoPresente", akProducao, false, true, "", ""},
                      CasoArquivos{"ProducaoNaoInformadaComHomologacaoBoa", akProducao, true, false,
                                   "", "Arquivo de servidores de produção não informado"},
                      CasoArquivos{
                          "ProducaoAusente", akProducao, true, false, "falta.ini",
                          "Arquivo \"%DIR%falta.ini\" de servidores de produção não encontrado"}),
    [](const ::testing::TestParamInfo<CasoArquivos>& aInfo) {
      return std::string(aInfo.param.Nome);
    });

TEST_F(VersaoFixture, AMissingHomologationFileIsNamedInQuotes) {
  FNFe->SetArquivoServidoresHom(FDir.File("nenhum.ini"));
  FNFe->ObterGovX();
  EXPECT_EQ(
      Capture([&] { FNFe->ObterInterfaceVersao(); }),
      (TRaised{"ExndNFeConfigException", "Arquivo \"" + FDir.File("nenhum.ini") +
                                             "\" de servidores de homologação não encontrado"}));
}

// ---- The class of each manual version
// ----------------------------------------------------------------

class ClasseVersaoTest : public VersaoFixture,
                         public ::testing::WithParamInterface<TVersaoManual> {};

TEST_P(ClasseVersaoTest, EachVersionGetsItsInterfaceClass) {
  ServidoresHom();
  FNFe->SetVersaoManual(GetParam());
  FNFe->ObterGovX();
  TxndNFEInterface& intf = FNFe->ObterInterfaceVersao();

  const std::type_info& esperado = GetParam() == vm202a || GetParam() == vm30
                                       ? typeid(TxndNFE30Intf)
                                   : GetParam() == vm40 ? typeid(TxndNFE40Intf)
                                   : GetParam() == vm50 ? typeid(TxndNFE50Intf)
                                                        : typeid(TxndNFE50aIntf);
  EXPECT_EQ(typeid(intf), esperado);
  // The manual 3.0 services get the component's certificate handler.
  EXPECT_EQ(static_cast<bool>(intf.OnGetValidCertificate()),
            GetParam() == vm202a || GetParam() == vm30);
}

INSTANTIATE_TEST_SUITE_P(Versoes, ClasseVersaoTest,
                         ::testing::Values(vm202a, vm30, vm40, vm50, vm50a),
                         [](const ::testing::TestParamInfo<TVersaoManual>& aInfo) {
                           return "vm" + StringReplace(VersaoManualParaTexto(aInfo.param), ".", "");
                         });

// ---- ObterServidoresINI and the snapshot
// ------------------------------------------------------------------

TEST_F(VersaoFixture, TheServerListStaysOpenUntilItsNameChanges) {
  const std::string hom = ServidoresHom();
  TCustomIniFile* primeiro = &FNFe->ObterServidoresINI();
  EXPECT_EQ(primeiro->FileName(), hom);
  EXPECT_EQ(&FNFe->ObterServidoresINI(), primeiro);

  const std::string prod = FDir.Write("prod/nfeServidoresProd.ini", "[SP]\r\n");
  FNFe->SetArquivoServidoresProd(prod);
  FNFe->SetAmbiente(akProducao);
  EXPECT_EQ(FNFe->ObterServidoresINI().FileName(), prod);
}

TEST_F(VersaoFixture, AServerListThatDoesNotExistIsRefused) {
  FNFe->SetArquivoServidoresHom(FDir.File("ausente/servidores.ini"));
  EXPECT_EQ(Capture([&] { FNFe->ObterServidoresINI(); }),
            (TRaised{"ExndFileNotFoundException", "O arquivo de servidores informado não existe: " +
                                                      FDir.File("ausente/servidores.ini")}));
}

TEST_F(VersaoFixture, TheSnapshotCarriesTheComponentsSettings) {
  const std::string hom = ServidoresHom();
  FNFe->SetVersaoManual(vm50a);
  FNFe->SetDiretorioTemplates(FDir.MakeDir("Templates/vm40"));
  FNFe->SetDiretorioEsquemas(FDir.MakeDir("Esquemas/vm40"));
  FNFe->SetDiretorioLog(FDir.Path() + "logs/");
  FNFe->SetValidarEsquemaAntesEnvio(true);
  FNFe->SetIgnoreInvalidCertificates(true);
  FNFe->SetTimeOut(30000);
  FNFe->NomeCertificado()->Add("EMPRESA TESTE LTDA:12345678000195");
  FNFe->SetModoOperacao(moSVCRS);
  FNFe->SetUF("rs");

  FNFe->AtualizarDadosNFe();

  const TNFeData& d = FNFe->NFeData();
  EXPECT_EQ(d.ArquivoServidoresHom, hom);
  EXPECT_EQ(d.ArquivoServidoresProd, "");
  ASSERT_NE(d.ServidoresINI, nullptr);
  EXPECT_EQ(d.ServidoresINI->FileName(), hom);
  EXPECT_EQ(d.Ambiente, akHomologacao);
  EXPECT_EQ(d.DiretorioLog, FDir.Path() + "logs/");
  EXPECT_TRUE(d.ValidarEsquemaAntesEnvio);
  EXPECT_TRUE(d.IgnoreInvalidCertificates);
  EXPECT_EQ(d.TimeOut, 30000);
  EXPECT_EQ(d.DiretorioEsquemas, FDir.Path() + "Esquemas/vm50a/");
  EXPECT_EQ(d.DiretorioTemplates, FDir.Path() + "Templates/vm50a/");
  EXPECT_EQ(d.NomeCertificado, "EMPRESA TESTE LTDA:12345678000195\r\n");
  EXPECT_EQ(d.VersaoManual, vm50a);
  EXPECT_EQ(d.TipoAmbiente, "2");
  EXPECT_EQ(d.cUF, "43");
  EXPECT_EQ(d.UF, "RS");
  EXPECT_EQ(d.CNPJ, "00822602000124");
  EXPECT_EQ(d.ModoOperacao, moSVCRS);
}

TEST_F(VersaoFixture, WithoutTheEnvironmentsFileTheServerListIsLeftAsItWas) {
  FNFe->AtualizarDadosNFe();
  EXPECT_EQ(FNFe->NFeData().ServidoresINI, nullptr);
  ServidoresHom();
  FNFe->AtualizarDadosNFe();
  TCustomIniFile* aberto = FNFe->NFeData().ServidoresINI;
  ASSERT_NE(aberto, nullptr);
  FNFe->SetAmbiente(akProducao);
  FNFe->AtualizarDadosNFe();
  EXPECT_EQ(FNFe->NFeData().ServidoresINI, aberto);
  EXPECT_EQ(FNFe->NFeData().TipoAmbiente, "1");
}

// ---- Against the simulator
// ------------------------------------------------------------------------------------

class VersaoSimuladorTest : public VersaoFixture {
 protected:
  void SetUp() override {
    VersaoFixture::SetUp();
    FNFe->SetArquivoServidoresHom(FSimulador.ListaServidores());
    FNFe->SetCaminhoCertificado(TestPki::Instance().CompanyPfx());
    FNFe->SetSenhaCertificado(TestPki::Password);
  }
  ScopedEnv FCaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  SimuladorLocal FSimulador;
};

TEST_F(VersaoSimuladorTest, AVersionChangedBetweenTwoOperationsSwitchesTheServices) {
  FNFe->SetVersaoManual(vm40);
  FNFe->ObterGovX();
  const std::string antes = FNFe->ObterInterfaceVersao().StatusServico();
  FNFe->SetVersaoManual(vm50a);
  FNFe->ObterGovX();
  const std::string depois = FNFe->ObterInterfaceVersao().StatusServico();

  const auto recebidas = FSimulador.Simulador().Requisicoes();
  ASSERT_EQ(recebidas.size(), 2u);
  EXPECT_EQ(recebidas[0].Caminho, "/SP/NfeStatusServico2");
  EXPECT_EQ(recebidas[1].Caminho, "/SP/NfeStatusServico3");
  EXPECT_EQ(ObterValorTag("cStat", antes), "107");
  EXPECT_EQ(ObterValorTag("cStat", depois), "107");
  EXPECT_NE(antes.find("versao=\"2.00\""), std::string::npos) << antes;
  EXPECT_NE(depois.find("versao=\"3.10\""), std::string::npos) << depois;
}

TEST_F(VersaoSimuladorTest, TheManual30ServicesPresentTheComponentsCertificate) {
  for (const TVersaoManual versao : {vm202a, vm30}) {
    FNFe->SetVersaoManual(versao);
    FNFe->ObterGovX();
    EXPECT_EQ(ObterValorTag("cStat", FNFe->ObterInterfaceVersao().StatusServico()), "107");
  }
  const auto recebidas = FSimulador.Simulador().Requisicoes();
  ASSERT_EQ(recebidas.size(), 2u);
  for (const auto& r : recebidas) {
    EXPECT_EQ(r.Caminho, "/SP/NfeStatusServico");
    EXPECT_EQ(r.Cliente, TestPki::CompanyName);
  }
}

}  // namespace
}  // namespace xnd::test

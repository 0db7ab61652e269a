// The component's own queries (status, receipt, situation) and the nfeProc
// distribution document, against the simulator run as a separate process:
// each query works as the first call of a fresh component.
#include <gtest/gtest.h>

#include <filesystem>

#include "external/xndGovUtils.h"
#include "nfe/xndNFe.h"
#include "tests/batch/BatchEndToEndSupport.h"
#include "tests/nfe/NFeTestSupport.h"
#include "tests/support/LoopbackTlsServer.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

class HostQueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FNFe = NewComponent();
    FBatch = RenumberedBatch(2, FKeys);
  }
  void TearDown() override { FNFe.reset(); }

  std::unique_ptr<TxndNFe> NewComponent() {
    auto nfe = std::make_unique<TxndNFe>();
    nfe->SetDiretorioLogErro(FTemp.Path() + "erros/");
    nfe->SetUF("SP");
    nfe->SetVersaoManual(vm50a);
    nfe->SetDiretorioLog(FTemp.Path() + "Log/");
    nfe->SetArquivoServidoresHom(FTemp.Path() + "nfeServidoresHom.ini");
    nfe->SetCaminhoCertificado(TestPki::Instance().CompanyPfx());
    nfe->SetSenhaCertificado(TestPki::Password);
    return nfe;
  }

  // The batch signed and sent; its receipt.
  std::string Send(std::string& aSigned) {
    FNFe->AssinarLote(FBatch, aSigned);
    std::string answer;
    FNFe->EnviarLote("1", aSigned, answer, false);
    return ObterNumeroRecibo(answer);
  }

  TempDir FTemp;
  ScopedEnv FHome{"HOME", FTemp.Path()};
  ScopedEnv FData{"XDG_DATA_HOME", FTemp.Path() + "data"};
  ScopedEnv FCaBundle{"XND_CA_BUNDLE", TestPki::Instance().RootCaPem()};
  std::unique_ptr<TxndNFe> FNFe;
  std::string FBatch;
  std::vector<std::string> FKeys;
};

TEST_F(HostQueriesTest, TheStatusIsTheFirstCallOfAFreshComponentForEveryManual) {
  const SimulatorProcess simulator(FTemp.Path() + "nfeServidoresHom.ini");
  if (!simulator.Ready()) GTEST_SKIP() << simulator.Error();
  for (const TVersaoManual versao : {vm202a, vm30, vm40, vm50, vm50a}) {
    FNFe = NewComponent();
    FNFe->SetVersaoManual(versao);

    const TRetornoNFe status = FNFe->StatusServico();

    EXPECT_EQ(status.cStat, "107") << versao << status.Xml;
    EXPECT_EQ(status.xMotivo, "Servico em Operacao");
    EXPECT_EQ(status.cUF, "35");
    EXPECT_EQ(status.tMed, 1);
    EXPECT_TRUE(status.Protocolos.empty());
  }
  EXPECT_TRUE(FileExists(FTemp.Path() + "Log/" + TxndGovUtils()->MakeLogFileName("sta", "SP")));
}

TEST_F(HostQueriesTest, ReceiptAndSituationAreReadAndTheNoteBecomesItsDistributionDocument) {
  const SimulatorProcess simulator(FTemp.Path() + "nfeServidoresHom.ini");
  if (!simulator.Ready()) GTEST_SKIP() << simulator.Error();
  std::string signed_;
  const std::string receipt = Send(signed_);
  ASSERT_FALSE(receipt.empty());

  FNFe = NewComponent();  // a program that only queries
  const TRetornoNFe result = FNFe->ConsultarRecibo(receipt);
  const TRetornoNFe situation = FNFe->ConsultarNFe("NFe" + FKeys[1]);

  EXPECT_EQ(result.cStat, "104") << result.Xml;
  EXPECT_EQ(result.nRec, receipt);
  ASSERT_EQ(result.Protocolos.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const TProtocoloNFe& p = result.Protocolos[i];
    EXPECT_EQ(p.chNFe, FKeys[i]);
    EXPECT_EQ(p.cStat, "100");
    EXPECT_EQ(p.xMotivo, "Autorizado o uso da NF-e");
    EXPECT_TRUE(p.Autorizada());
    EXPECT_EQ(p.nProt.size(), 15u);
  }
  EXPECT_EQ(situation.cStat, "100");
  ASSERT_EQ(situation.Protocolos.size(), 1u);
  EXPECT_EQ(situation.Protocolos[0].nProt, result.Protocolos[1].nProt);

  const std::vector<std::string> notes = SignedNotes(signed_);
  const std::string proc = FNFe->MontarNFeProc(notes[1], situation.Protocolos[0].Xml);
  EXPECT_EQ(proc.rfind("<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\">" +
                           notes[1] + "<protNFe",
                       0),
            0u)
      << proc;
  const std::string schema = SharedSchemasDir() + "PL_008i2/procNFe_v3.10.xsd";
  if (FileExists(schema)) {
    TxndGovUtils utils;
    EXPECT_NO_THROW(
        utils->ValidateWithSchema(proc, "http://www.portalfiscal.inf.br/nfe", schema))
        << utils->GetValidationErrors();
  }
}

TEST_F(HostQueriesTest, BadInputIsRefusedBeforeAnythingIsSent) {
  const std::string protocol =
      "<protNFe versao=\"3.10\"><infProt><chNFe>" + FKeys[0] +
      "</chNFe><cStat>204</cStat><xMotivo>Rejeicao: Duplicidade de NF-e</xMotivo></infProt>"
      "</protNFe>";
  std::string signed_;
  FNFe->AssinarLote(FBatch, signed_);
  const std::vector<std::string> notes = SignedNotes(signed_);
  const std::string otherKey = StringReplace(protocol, "<cStat>204", "<cStat>100", false);

  const std::vector<std::pair<std::function<void()>, TRaised>> cases = {
      {[&] { FNFe->ConsultarRecibo("35100000000000A"); },
       {"ExndNFeCheckParams", "Número de recibo inválido: \"35100000000000A\""}},
      {[&] { FNFe->ConsultarRecibo("3510000000000001"); },
       {"ExndNFeCheckParams", "Número de recibo inválido: \"3510000000000001\""}},
      {[&] { FNFe->ConsultarNFe("NFe123"); },
       {"ExndNFeCheckParams", "Chave de acesso inválida: \"NFe123\""}},
      {[&] { FNFe->MontarNFeProc("<nfe/>", protocol); },
       {"ExndNFeCheckParams", "O XML informado não contém uma NF-e"}},
      {[&] { FNFe->MontarNFeProc(FBatch, protocol); },
       {"ExndSignatureException", "A nota não possui assinatura"}},
      {[&] { FNFe->MontarNFeProc(notes[0], "<retConsSitNFe/>"); },
       {"ExndNFeCheckParams", "O protocolo informado não contém um protNFe"}},
      {[&] { FNFe->MontarNFeProc(notes[1], otherKey); },
       {"ExndNFeCheckParams",
        "A chave do protocolo (" + FKeys[0] + ") difere da chave da NF-e (" + FKeys[1] + ")"}},
      {[&] { FNFe->MontarNFeProc(notes[0], protocol); },
       {"ExndNFeCheckParams",
        "O protocolo não autoriza o uso da NF-e: 204 - Rejeicao: Duplicidade de NF-e"}},
  };
  for (const auto& [call, expected] : cases) EXPECT_EQ(Capture(call), expected);
}

TEST_F(HostQueriesTest, AServiceThatCannotBeReachedIsASoapErrorNamingTheQuery) {
  std::string url;
  {
    const LoopbackTlsServer server;
    url = server.Url();
  }  // gone: nothing listens on its port any more
  FTemp.Write("nfeServidoresHom.ini", "[SP]\nNfeStatusServico3=" + url + "\n");

  const TRaised raised = Capture([&] { FNFe->StatusServico(); });

  const std::string prefix = "Erro ao consultar o status do serviço: ";
  EXPECT_EQ(raised.ClassName, "ExndSoapException");
  ASSERT_GT(raised.Message.size(), prefix.size()) << raised.Message;
  EXPECT_EQ(raised.Message.substr(0, prefix.size()), prefix);
}

}  // namespace
}  // namespace xnd::test

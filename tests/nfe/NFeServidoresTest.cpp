// The settings the component pushes into the servers as a server sees them,
// the certificate operations and the event bridges.
#include <gtest/gtest.h>

#include "tests/nfe/NFeTestSupport.h"

namespace xnd::test {
namespace {

using NFeServidoresTest = NFeFixture;

void ConfigurarTudo(TxndNFe& aNFe, const std::string& aTemplates) {
  TxndEmailSettings& e = *aNFe.EmailSettings();
  e.SetEmailRemetente("de@x.br");
  e.SetServidorSmtp("smtp.x.br");
  e.SetUsuario("mu");
  e.SetSenha("ms");
  e.SetAssunto("As");
  e.SetMensagem("Me");
  e.SetPorta(587);
  e.SetAutenticacao(true);
  e.SetCCo("bcc@x.br");
  e.SetCC("cc@x.br");
  e.SetTimeOut(30000);
  e.SetConteudoHtml(false);
  aNFe.SetDiretorioTemplates(aTemplates);
  aNFe.SetPinCode("1234");
  aNFe.SetProxy("proxy:3128");
  aNFe.SetTipoCertificado(ckLocalMachine);
  aNFe.SetIgnoreInvalidCertificates(false);
  aNFe.SetConexaoSegura(true);
  aNFe.SetTimeOut(15000);
  aNFe.SetSenha("ps");
  aNFe.SetUsuario("pu");
  aNFe.SetCaminhoCertificado("C:\\certs\\a1.pfx");
  aNFe.SetSenhaCertificado("segredo");
}

TEST_F(NFeServidoresTest, FirstUsePushesEverySettingInOrderWithTheForcedKind) {
  ConfigurarTudo(*FNFe, FTemp.Path() + "App/Templates/vm40/");
  TStringList lista;
  FNFe->ListarCertificados(&lista);

  EXPECT_EQ(FGovX.Log.Calls(), (std::vector<std::string>{
                                   "Sig.Option=3",
                                   "Mail.Sender=de@x.br",
                                   "Mail.SmtpServer=smtp.x.br",
                                   "Mail.User=mu",
                                   "Mail.Password=ms",
                                   "Mail.Subject=As",
                                   "Mail.Message=Me",
                                   "Mail.Port=587",
                                   "Mail.Authentication=-1",
                                   "Mail.Bcc=bcc@x.br",
                                   "Mail.Cc=cc@x.br",
                                   "Mail.TimeOut=30000",
                                   "Mail.HtmlContent=0",
                                   "Conn.PinCode=1234",
                                   "Sig.PinCode=1234",
                                   "Conn.Proxy=proxy:3128",
                                   "Sig.CertificateKind=2",
                                   "Conn.CertificateKind=2",
                                   "Sig.AllowedElementsFile=" + FTemp.Path() +
                                       "App/Templates//elementospermitidos.bin",
                                   "Conn.IgnoreInvalidCertificates=0",
                                   "Conn.SecureConnection=-1",
                                   "Conn.TimeOut=15000",
                                   "Conn.Password=ps",
                                   "Conn.User=pu",
                                   "Conn.CertificatePath=C:/certs/a1.pfx",
                                   "Sig.CertificatePath=C:/certs/a1.pfx",
                                   "Conn.CertificatePassword=segredo",
                                   "Sig.CertificatePassword=segredo",
                                   "ListCertificates",
                               }));
  EXPECT_EQ(FUtils.Log.Calls(), (std::vector<std::string>{"Utils.SetSaveLogs=-1"}));
  EXPECT_EQ(FNFe->TipoCertificado(), ckFile);
  EXPECT_FALSE(FNFe->IgnoreInvalidCertificates()) << "the host chose to verify";
}

// The first server use turns verification off only for a host that chose
// nothing, neither through the property nor through the configuration file.
struct EscolhaVerificacaoCase {
  const char* Name;
  const char* Ini;  // "" = no configuration loaded
  int Propriedade;  // -1 = not set, else 0/1 set before the first use
  bool Ignorar;
};
void PrintTo(const EscolhaVerificacaoCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

class EscolhaVerificacaoTest : public NFeFixture,
                               public ::testing::WithParamInterface<EscolhaVerificacaoCase> {};

TEST_P(EscolhaVerificacaoTest, FirstUseKeepsTheHostsChoice) {
  const EscolhaVerificacaoCase& c = GetParam();
  if (*c.Ini != '\0') {
    TMemIniFile ini("");
    ini.SetText(std::string("[NFE]\r\n") + c.Ini);
    FNFe->LoadConfig(&ini);
  }
  if (c.Propriedade >= 0) FNFe->SetIgnoreInvalidCertificates(c.Propriedade == 1);
  TStringList lista;
  FNFe->ListarCertificados(&lista);

  EXPECT_EQ(FNFe->IgnoreInvalidCertificates(), c.Ignorar);
  EXPECT_EQ(FGovX.Log.StartingWith("Conn.IgnoreInvalidCertificates="),
            std::vector<std::string>{std::string("Conn.IgnoreInvalidCertificates=") +
                                     (c.Ignorar ? "-1" : "0")});
}

INSTANTIATE_TEST_SUITE_P(
    Casos, EscolhaVerificacaoTest,
    ::testing::Values(EscolhaVerificacaoCase{"NadaEscolhido", "", -1, true},
                      EscolhaVerificacaoCase{"PropriedadeFalsa", "", 0, false},
                      EscolhaVerificacaoCase{"PropriedadeVerdadeira", "", 1, true},
                      EscolhaVerificacaoCase{"ArquivoComZero", "IgnoreInvalidCertificates=0\r\n",
                                             -1, false},
                      EscolhaVerificacaoCase{"ArquivoComUm", "IgnoreInvalidCertificates=1\r\n", -1,
                                             true},
                      EscolhaVerificacaoCase{"ArquivoSemAChave", "CNPJ=1\r\n", -1, true}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST_F(NFeServidoresTest, LaterUsesPushValuesSetAfterTheFirstUnchanged) {
  TStringList lista;
  FNFe->ListarCertificados(&lista);
  FGovX.Log.Clear();
  FNFe->SetTipoCertificado(ckSmartCard);
  FNFe->SetIgnoreInvalidCertificates(false);
  FNFe->SetSalvarLogsEmDisco(false);
  FNFe->NomeCertificado()->Add("EMPRESA:1");
  FNFe->NomeCertificado()->Add("EMPRESA:2");
  FNFe->ListarCertificados(&lista);
  const auto& calls = FGovX.Log.Calls();
  EXPECT_FALSE(FGovX.Log.Contains("Sig.Option=3"));
  EXPECT_EQ(FGovX.Log.StartingWith("Conn.CertificateKind="),
            (std::vector<std::string>{"Conn.CertificateKind=4"}));
  EXPECT_TRUE(FGovX.Log.Contains("Conn.IgnoreInvalidCertificates=0"));
  EXPECT_TRUE(FGovX.Log.Contains("Conn.CertificateName=EMPRESA:1\r\nEMPRESA:2\r\n"));
  EXPECT_TRUE(FGovX.Log.Contains("Sig.CertificateName=EMPRESA:1\r\nEMPRESA:2\r\n"));
  EXPECT_FALSE(FGovX.Log.Contains("Conn.CertificatePath="));
  EXPECT_EQ(calls.back(), "ListCertificates");
  EXPECT_EQ(FUtils.Log.Calls().back(), "Utils.SetSaveLogs=0");
  EXPECT_EQ(FGovX.Created, 1);
}

TEST_F(NFeServidoresTest, ListingReplacesTheTargetList) {
  FGovX.Certificates = {"EMPRESA A:11111111000191", "EMPRESA B:22222222000191"};
  TStringList lista;
  lista.Add("antigo");
  FNFe->ListarCertificados(&lista);
  FNFe->ListarCertificados(&lista);
  EXPECT_EQ(lista.Items(), FGovX.Certificates);
  EXPECT_EQ(lista.UpdateCount(), 0);
  FGovX.Certificates.clear();
  FNFe->ListarCertificados(&lista);
  EXPECT_EQ(lista.Count(), 0);
}

TEST_F(NFeServidoresTest, ListingFailuresAreCertStoreErrorsAndLeaveTheListAlone) {
  EXPECT_EQ(Capture([&] { FNFe->ListarCertificados(nullptr); }),
            (TRaised{"ExndCheckParams", "A lista do certificado não foi instanciada. "}));
  EXPECT_EQ(FGovX.Created, 0);

  FGovX.ListError = "Repositório de certificados inacessível";
  TStringList lista;
  lista.Add("antigo");
  EXPECT_EQ(Capture([&] { FNFe->ListarCertificados(&lista); }),
            (TRaised{"ExndCertStoreException", "Repositório de certificados inacessível"}));
  EXPECT_EQ(lista.Items(), std::vector<std::string>{"antigo"});
  const auto lines = ErrorLog();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(
      IsLogLine(lines[1], "ExndCertStoreException", "Repositório de certificados inacessível"));
}

TEST_F(NFeServidoresTest, AServerThatCannotBeCreatedIsTriedAgainAtTheNextUse) {
  TStringList lista;
  {
    ScopedServerFactory failing(GovXServerName, FailingFactory("Classe não registrada: xndGovX"));
    EXPECT_EQ(Capture([&] { FNFe->ListarCertificados(&lista); }),
              (TRaised{"ExndCertStoreException", "Classe não registrada: xndGovX"}));
    EXPECT_EQ(FNFe->TipoCertificado(), ckMemory);
  }
  FGovX.Certificates = {"EMPRESA:1"};
  FNFe->ListarCertificados(&lista);
  EXPECT_EQ(lista.Items(), FGovX.Certificates);
  EXPECT_EQ(FGovX.Log.Calls().front(), "Sig.Option=3");
  EXPECT_EQ(FNFe->TipoCertificado(), ckFile);
}

TEST_F(NFeServidoresTest, CertificateNameReachesTheServerOnlyAfterFirstUse) {
  FNFe->NomeCertificado()->SetText("EMPRESA:1");
  EXPECT_EQ(FGovX.Created, 0);

  TStringList lista;
  FNFe->ListarCertificados(&lista);
  FGovX.Log.Clear();
  FNFe->NomeCertificado()->SetText("EMPRESA:2");
  const auto& calls = FGovX.Log.Calls();
  ASSERT_GE(calls.size(), 3u);
  // the push of ObterGovX, then the two names, then the check (with its own push)
  EXPECT_EQ(FGovX.Log.StartingWith("Sig.CertificateName="),
            (std::vector<std::string>{"Sig.CertificateName=EMPRESA:2\r\n",
                                      "Sig.CertificateName=EMPRESA:2",
                                      "Sig.CertificateName=EMPRESA:2\r\n"}));
  EXPECT_EQ(calls.back(), "CheckCertificate");

  FGovX.Log.Clear();
  FNFe->NomeCertificado()->SetText("");
  EXPECT_FALSE(FGovX.Log.Contains("CheckCertificate"));
  EXPECT_TRUE(FGovX.Log.Contains("Conn.CertificateName="));
}

TEST_F(NFeServidoresTest, AnUnusableCertificateRaisesFromTheAssignment) {
  TStringList lista;
  FNFe->ListarCertificados(&lista);
  FGovX.CheckError = "Certificado vencido";
  EXPECT_EQ(Capture([&] { FNFe->NomeCertificado()->SetText("EMPRESA:1"); }),
            (TRaised{"ExndCertStoreException", "Certificado vencido"}));
  EXPECT_EQ(Capture([&] { FNFe->VerificarCertificado(); }),
            (TRaised{"ExndCertStoreException", "Certificado vencido"}));
}

TEST_F(NFeServidoresTest, DestructionReleasesTheCertificateOnlyWhenThereIsOne) {
  FNFe.reset();
  EXPECT_EQ(FGovX.Created, 0);

  FNFe = std::make_unique<TxndNFe>();
  TStringList lista;
  FNFe->ListarCertificados(&lista);
  FNFe.reset();
  EXPECT_EQ(FGovX.Log.StartingWith("ReleaseCertificate"), std::vector<std::string>{});

  FNFe = std::make_unique<TxndNFe>();
  FNFe->SetCaminhoCertificado("/certs/a1.pfx");
  FNFe->NomeCertificado()->Add("EMPRESA:1");
  FNFe->ListarCertificados(&lista);
  FGovX.Log.Clear();
  FNFe.reset();
  EXPECT_EQ(FGovX.Log.Calls().back(), "ReleaseCertificate=EMPRESA:1\r\n");
  EXPECT_EQ(FGovX.Log.Calls().front(), "Mail.Sender=");
}

TEST_F(NFeServidoresTest, ServerEventsReachTheComponentHandlers) {
  std::vector<std::string> seen;
  FNFe->SetOnCheckCertificate([&](std::string& aName) {
    seen.push_back("check " + aName);
    aName = "changed";
  });
  FNFe->SetOnLog([&](const std::string& a, const std::string& b, const std::string& c) {
    seen.push_back("log " + a + "," + b + "," + c);
  });
  FNFe->SetOnLogContent(
      [&](const std::string& a, const std::string& b, const std::string& c, const std::string& d) {
        seen.push_back("content " + a + "," + b + "," + c + "," + d);
      });
  FGovX.CheckedName = "EMPRESA:1";
  TStringList lista;
  FNFe->ListarCertificados(&lista);
  ASSERT_NE(FUtils.Last, nullptr);
  FUtils.Last->OnLog("envio", "123", "f.xml");
  FUtils.Last->OnLogContent("retorno", "456", "g.xml", "<x/>");
  EXPECT_EQ(seen, (std::vector<std::string>{"check EMPRESA:1", "log envio,123,f.xml",
                                            "content retorno,456,g.xml,<x/>"}));
}

TEST_F(NFeServidoresTest, TemporaryDirectoryComesFromTheServerWhenEmpty) {
  EXPECT_EQ(FNFe->ObterDiretorioTemporario(), FTemp.Path() + "temporario/");
  EXPECT_TRUE(DirectoryExists(FTemp.Path() + "temporario"));
  FNFe->SetDiretorioTemporario(FTemp.Path() + "outro");
  FUtils.Log.Clear();
  EXPECT_EQ(FNFe->ObterDiretorioTemporario(), FTemp.Path() + "outro");
  EXPECT_FALSE(FUtils.Log.Contains("Utils.GetDefaultDirectory=1"));
}

}  // namespace
}  // namespace xnd::test

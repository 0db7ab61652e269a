// Loading and saving the component's configuration.
#include <gtest/gtest.h>

#include "tests/nfe/NFeTestSupport.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

using NFeConfigTest = NFeFixture;

std::vector<std::string> Keys(TCustomIniFile& aIni, const std::string& aSection) {
  TStringList keys;
  aIni.ReadSection(aSection, keys);
  return keys.Items();
}

// Every property away from its default.
void ConfigurarTudo(TxndNFe& aNFe, const TempDir& aTemp, bool aComCaminhoCertificado) {
  aNFe.SetVersaoManual(vm40);
  aNFe.SetTipoCertificado(ckSmartCard);
  aNFe.SetDiretorioTemplates("T\\vm40\\");
  aNFe.SetDiretorioEsquemas("E/vm40/");
  aNFe.SetCNPJ("12345678000199");
  aNFe.SetArquivoServidoresHom("h.ini");
  aNFe.SetArquivoServidoresProd("p.ini");
  aNFe.SetDiretorioLog("L/");
  aNFe.SetAmbiente(akProducao);
  aNFe.SetValidarEsquemaAntesEnvio(true);
  aNFe.SetIgnoreInvalidCertificates(false);
  aNFe.NomeCertificado()->SetText("EMPRESA A:1");
  aNFe.SetPinCode("9876");
  aNFe.SetConexaoSegura(false);
  aNFe.SetProxy("proxy:3128");
  aNFe.SetSenha("ps");
  aNFe.SetUsuario("pu");
  aNFe.SetTimeOut(123);
  aNFe.SetCaracteresRemoverAcentos("áé");
  aNFe.SetUF("rj");
  if (aComCaminhoCertificado) aNFe.SetCaminhoCertificado("/certs/a1.pfx");
  aNFe.SetSenhaCertificado("segredo");
  aNFe.SetDiretorioLogErro(aTemp.Path() + "erros2/");
  aNFe.SetDiretorioTemporario(aTemp.MakeDir("t2"));
  aNFe.SetModoOperacao(moSVCRS);
  aNFe.SetSalvarLogsEmDisco(false);
  TxndEmailSettings& e = *aNFe.EmailSettings();
  e.SetServidorSmtp("smtp");
  e.SetEmailRemetente("de");
  e.SetEmailDestinatario("para");
  e.SetAssunto("assunto");
  e.SetMensagem("mensagem");
  e.SetUsuario("mu");
  e.SetSenha("ms");
  e.SetPorta(587);
  e.SetAutenticacao(true);
  e.SetTimeOut(1000);
  e.SetCCo("cco");
  e.SetCC("cc");
  e.SetConteudoHtml(true);
  aNFe.SetAnexarDanfePDF(false);
  TDanfeSettings& d = *aNFe.DanfeSettings();
  d.SetFraseHomologacao("H");
  d.SetLogotipoEmitente("logo.png");
  d.SetFraseContingencia("C");
  d.SetModeloRetrato("r.rtm");
  d.SetModeloPaisagem("p.rtm");
  d.SetModeloDanfeSimplificado("s.rtm");
  d.SetLineDelimiter(";");
  d.SetQtdeCopias(2);
  d.SetInfCplMaxCol(80);
  d.SetInfCplMaxRow(480);
  d.SetImprimirVolume(true);
  d.SetImprimirDuplicata(false);
  d.SetImprimirUnidadeTributada(true);
  d.SetModeloRTMCCe("cce.rtm");
  aNFe.SetDanfeSimplificado(true);
  aNFe.SetMaxSizeLoteEnvio(250);
  aNFe.SetDiretorioXmlDestinatario(aTemp.Path() + "xml");
  aNFe.SetDiretorioDownloads("D/");
}

class RoundTripTest : public NFeFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(RoundTripTest, SavingAndLoadingKeepsEveryValueButTheStatedOnes) {
  const bool comCaminho = GetParam();
  ConfigurarTudo(*FNFe, FTemp, comCaminho);
  const std::string arquivo = FTemp.Path() + "nfe.ini";
  FNFe->SaveConfig(arquivo);
  EXPECT_FALSE(FNFe->IgnoreInvalidCertificates()) << "the host's choice, kept at the first use";
  EXPECT_EQ(FNFe->SectionINI(), "NFE");

  TxndNFe b;
  b.LoadConfig(arquivo);
  EXPECT_EQ(b.SectionINI(), "NFE");
  EXPECT_EQ(b.VersaoManual(), vm40);
  EXPECT_EQ(b.TipoCertificado(), ckFile);
  EXPECT_EQ(b.DiretorioTemplates(), DiretorioAplicacao() + "T/vm40/");
  EXPECT_EQ(b.DiretorioEsquemas(), DiretorioAplicacao() + "E/vm40/");
  EXPECT_EQ(b.CNPJ(), "12345678000199");
  EXPECT_EQ(b.ArquivoServidoresHom(), DiretorioAplicacao() + "h.ini");
  EXPECT_EQ(b.ArquivoServidoresProd(), DiretorioAplicacao() + "p.ini");
  EXPECT_EQ(b.DiretorioLog(), "L/");
  EXPECT_EQ(b.Ambiente(), akProducao);
  EXPECT_TRUE(b.ValidarEsquemaAntesEnvio());
  EXPECT_FALSE(b.IgnoreInvalidCertificates());
  EXPECT_EQ(b.NomeCertificado()->Text(), "EMPRESA A:1\r\n");
  EXPECT_EQ(b.PinCode(), "9876");
  EXPECT_FALSE(b.ConexaoSegura());
  EXPECT_EQ(b.Proxy(), "proxy:3128");
  EXPECT_EQ(b.Senha(), "ps");
  EXPECT_EQ(b.Usuario(), "pu");
  EXPECT_EQ(b.TimeOut(), 123);
  EXPECT_EQ(b.CaracteresRemoverAcentos(), "áé");
  EXPECT_EQ(b.UF(), "RJ");
  EXPECT_EQ(b.CaminhoCertificado(), comCaminho ? "/certs/a1.pfx" : "");
  EXPECT_EQ(b.SenhaCertificado(), comCaminho ? "segredo" : "");
  EXPECT_EQ(b.DiretorioLogErro(), FTemp.Path() + "erros2/");
  EXPECT_EQ(b.DiretorioTemporario(), FTemp.Path() + "t2/");
  EXPECT_EQ(b.ModoOperacao(), moSVCRS);
  EXPECT_FALSE(b.SalvarLogsEmDisco());
  const TxndEmailSettings& e = *b.EmailSettings();
  EXPECT_EQ(e.ServidorSmtp(), "smtp");
  EXPECT_EQ(e.EmailRemetente(), "de");
  EXPECT_EQ(e.EmailDestinatario(), "para");
  EXPECT_EQ(e.Assunto(), "assunto");
  EXPECT_EQ(e.Mensagem(), "mensagem");
  EXPECT_EQ(e.Usuario(), "mu");
  EXPECT_EQ(e.Senha(), "ms");
  EXPECT_EQ(e.Porta(), 587);
  EXPECT_TRUE(e.Autenticacao());
  EXPECT_EQ(e.TimeOut(), 1000);
  EXPECT_EQ(e.CCo(), "cco");
  EXPECT_EQ(e.CC(), "cc");
  EXPECT_TRUE(e.ConteudoHtml());
  EXPECT_FALSE(b.AnexarDanfePDF());
  const TDanfeSettings& d = *b.DanfeSettings();
  EXPECT_EQ(d.FraseHomologacao(), "H");
  EXPECT_EQ(d.LogotipoEmitente(), "logo.png");
  EXPECT_EQ(d.FraseContingencia(), "C");
  EXPECT_EQ(d.ModeloRetrato(), "r.rtm");
  EXPECT_EQ(d.ModeloPaisagem(), "p.rtm");
  EXPECT_EQ(d.ModeloDanfeSimplificado(), "s.rtm");
  EXPECT_EQ(d.LineDelimiter(), ";");
  EXPECT_EQ(d.QtdeCopias(), 2);
  EXPECT_EQ(d.InfCplMaxCol(), 80);
  EXPECT_EQ(d.InfCplMaxRow(), 480);
  EXPECT_TRUE(d.ImprimirVolume());
  EXPECT_FALSE(d.ImprimirDuplicata());
  EXPECT_TRUE(d.ImprimirUnidadeTributada());
  EXPECT_EQ(d.ModeloRTMCCe(), "cce.rtm");
  EXPECT_TRUE(b.DanfeSimplificado());
  EXPECT_EQ(b.MaxSizeLoteEnvio(), 250);
  EXPECT_EQ(b.DiretorioXmlDestinatario(), FTemp.Path() + "xml/");
  EXPECT_EQ(b.DiretorioDownloads(), "D/");

  TIniFile ini(arquivo);
  EXPECT_EQ(ini.ReadString("NFE", "PinCode", ""), "protected(9876)");
  EXPECT_EQ(ini.ReadString("NFE", "Repositorio", ""), "SMART_CARD_USER_STORE");
  EXPECT_EQ(ini.ReadString("NFE", "Ambiente", ""), "1");
  EXPECT_EQ(ini.ReadString("NFE", "ModoOperacao", ""), "SVCRS");
  EXPECT_EQ(ini.ReadString("NFE", "DiretorioTemplates", ""), "T/vm40/");
}

INSTANTIATE_TEST_SUITE_P(ComESemCaminhoCertificado, RoundTripTest, ::testing::Bool());

TEST_F(NFeConfigTest, WritesTheKeysInTheirOrder) {
  ConfigurarTudo(*FNFe, FTemp, true);
  TMemIniFile ini("");
  FNFe->SaveConfig(&ini);
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.Items(), (std::vector<std::string>{"NFE", "DANFE", "MAIL"}));
  EXPECT_EQ(Keys(ini, "NFE"), (std::vector<std::string>{"Repositorio",
                                                        "IgnoreInvalidCertificates",
                                                        "CNPJ",
                                                        "ArquivoServidoresHom",
                                                        "ArquivoServidoresProd",
                                                        "Ambiente",
                                                        "DiretorioLog",
                                                        "ValidarEsquema",
                                                        "DiretorioTemplates",
                                                        "DiretorioEsquemas",
                                                        "NomeCertificado",
                                                        "PinCode",
                                                        "DiretorioLogErro",
                                                        "DiretorioTemporario",
                                                        "ModoOperacao",
                                                        "SalvarLogsEmDisco",
                                                        "CaminhoCertificado",
                                                        "SenhaCertificado",
                                                        "ConexaoSegura",
                                                        "Proxy",
                                                        "Senha",
                                                        "Usuario",
                                                        "TimeOut",
                                                        "CaracteresRemoverAcentos",
                                                        "VersaoManual",
                                                        "UF",
                                                        "AnexarDanfePDF",
                                                        "MaxSizeLoteEnvio",
                                                        "DiretorioXmlDestinatario",
                                                        "DiretorioDownloads"}));
  EXPECT_EQ(Keys(ini, "DANFE"),
            (std::vector<std::string>{
                "LogotipoEmitente", "FraseContingencia", "FraseHomologacao", "ModeloRetrato",
                "ModeloPaisagem", "ModeloDanfeSimplificado", "LineDelimiter", "QtdeCopias",
                "InfCplMaxCol", "InfCplMaxRow", "ImprimirVolume", "ImprimirDuplicata",
                "ImprimirUnidadeTributada", "DanfeSimplificado", "ModeloRTMCCe"}));
  EXPECT_EQ(Keys(ini, "MAIL"),
            (std::vector<std::string>{"Servidor", "EmailRemetente", "Assunto", "Mensagem",
                                      "Usuario", "Senha", "TimeOut", "EmailDestinatario", "CCo",
                                      "CC", "Autenticacao", "Porta", "ConteudoHtml"}));
  EXPECT_EQ(ini.ReadString("NFE", "IgnoreInvalidCertificates", ""), "0");
  EXPECT_EQ(ini.ReadString("NFE", "ValidarEsquema", ""), "1");
}

TEST_F(NFeConfigTest, SeveralCertificateNamesComeBackJoined) {
  FNFe->NomeCertificado()->SetText("A:1\r\nB:2");
  TMemIniFile ini("");
  FNFe->SaveConfig(&ini);
  TxndNFe b;
  b.LoadConfig(&ini);
  EXPECT_EQ(b.NomeCertificado()->Items(), std::vector<std::string>{"A:1B:2"});
  EXPECT_EQ(b.UF(), "") << "saved without a state, loaded without one";
}

TEST_F(NFeConfigTest, RepositoryNameFollowsTheCertificateKind) {
  const std::vector<std::pair<TCertificadoKind, std::string>> cases = {
      {ckMemory, "MEMORY_STORE"},
      {ckLocalMachine, "LOCAL_MACHINE_STORE"},
      {ckFile, "CURRENT_USER_STORE"},
      {ckActiveDiretory, "ACTIVE_DIRECTORY_USER_STORE"},
      {ckSmartCard, "SMART_CARD_USER_STORE"}};
  for (const auto& [kind, name] : cases) {
    TxndNFe nfe;
    nfe.SetTipoCertificado(kind);
    TMemIniFile ini("");
    nfe.SaveConfig(&ini);
    EXPECT_EQ(ini.ReadString("NFE", "Repositorio", ""), name);
  }
}

TEST_F(NFeConfigTest, LoadsAFileWrittenOnWindows) {
  const std::string arquivo = FTemp.Write(
      "win.ini",
      "[nfe]\r\nVersaoManual=4.0\r\nTipoCertificado=localmachine\r\nDiretorioTemplates="
      "Templates\\vm40\\\r\n"
      "ArquivoServidoresHom=Servidores\\nfeServidoresHom.ini\r\nUF=mg\r\nAmbiente=1\r\nTimeOut="
      "abc\r\n"
      "ModoOperacao=svcan\r\n[Danfe]\r\nFraseHomologacao=SEM VALOR FISCAL - homologa\xe7\xe3o\r\n"
      "ModeloRetrato=Templates\\vm40\\Danfe\\retrato.rtm\r\nInfCplMaxCol=8O\r\n[MAIL]\r\nPorta="
      "25\r\n");
  FNFe->LoadConfig(arquivo);
  EXPECT_EQ(FNFe->VersaoManual(), vm40);
  EXPECT_EQ(FNFe->TipoCertificado(), ckLocalMachine);
  EXPECT_EQ(FNFe->DiretorioTemplates(), DiretorioAplicacao() + "Templates/vm40/");
  EXPECT_EQ(FNFe->ArquivoServidoresHom(), DiretorioAplicacao() + "Servidores/nfeServidoresHom.ini");
  EXPECT_EQ(FNFe->UF(), "MG");
  EXPECT_EQ(FNFe->Ambiente(), akProducao);
  EXPECT_EQ(FNFe->TimeOut(), 0);
  EXPECT_EQ(FNFe->ModoOperacao(), moSVCAN);
  EXPECT_TRUE(FNFe->ConexaoSegura());
  EXPECT_EQ(FNFe->DanfeSettings()->FraseHomologacao(), "SEM VALOR FISCAL - homologação");
  EXPECT_EQ(FNFe->DanfeSettings()->ModeloRetrato(), "Templates/vm40/Danfe/retrato.rtm");
  EXPECT_EQ(FNFe->DanfeSettings()->InfCplMaxCol(), 68);
  EXPECT_EQ(FNFe->EmailSettings()->Porta(), 25);
  EXPECT_EQ(FNFe->EmailSettings()->TimeOut(), 30000);
  EXPECT_EQ(FNFe->DiretorioTemporario(), FTemp.Path() + "temporario/");
  EXPECT_EQ(FNFe->DiretorioDownloads(), "Downloads/");
  EXPECT_EQ(FNFe->MaxSizeLoteEnvio(), 500);
  EXPECT_EQ(FGovX.Created, 0);
}

// Directories missing from the file, or written "\\Log" the Windows way, are
// taken from the program's directory, never from the filesystem root; an
// absolute directory is used as it is.
TEST_F(NFeConfigTest, DirectoriesAreProgramRelativeUnlessAbsolute) {
  const std::string app = DiretorioAplicacao();
  const std::string absoluto = FTemp.Path() + "srv/nfe/logs";
  struct Case {
    std::string Linhas, Templates, Esquemas, Log;
  };
  const std::vector<Case> cases = {
      {"", app + "Templates/vm50a/", app + "Esquemas/vm50a/", app + "Log"},
      {"DiretorioTemplates=\\Templates\r\nDiretorioEsquemas=\\Esquemas\\\r\n"
       "DiretorioLog=\\Log\r\n",
       app + "Templates/vm50a/", app + "Esquemas/vm50a/", app + "Log"},
      {"DiretorioLog=" + absoluto + "\r\n", app + "Templates/vm50a/", app + "Esquemas/vm50a/",
       absoluto},
  };
  for (const Case& c : cases) {
    FNFe->LoadConfig(FTemp.Write("dirs.ini", "[nfe]\r\nVersaoManual=5.0a\r\n" + c.Linhas));
    EXPECT_EQ(FNFe->DiretorioTemplates(), c.Templates) << c.Linhas;
    EXPECT_EQ(FNFe->DiretorioEsquemas(), c.Esquemas) << c.Linhas;
    std::string log = ExpandirCaminho(FNFe->DiretorioLog());
    if (log.back() == '/') log.pop_back();
    EXPECT_EQ(log, c.Log) << c.Linhas;
  }
}

TEST_F(NFeConfigTest, AmbienteNumbers) {
  for (const auto& [text, expected] :
       std::vector<std::pair<std::string, TAmbienteKind>>{{"Ambiente=1\r\n", akProducao},
                                                          {"Ambiente=2\r\n", akHomologacao},
                                                          {"", akHomologacao},
                                                          {"Ambiente=x\r\n", akHomologacao},
                                                          {"Ambiente=0\r\n", akHomologacao},
                                                          {"Ambiente=3\r\n", akHomologacao}}) {
    TMemIniFile ini("");
    ini.SetText("[NFE]\r\n" + text);
    FNFe->SetAmbiente(akProducao == expected ? akHomologacao : akProducao);
    FNFe->LoadConfig(&ini);
    EXPECT_EQ(FNFe->Ambiente(), expected) << text;
  }
}

struct TBadLoad {
  const char* Content;
  const char* Message;
  int LinesInErrorDir;  // the inner exception's line joins the wrapper's when it is raised here
};

void PrintTo(const TBadLoad& aCase, std::ostream* aOut) {
  *aOut << StringReplace(aCase.Message, "\r", "\\r");
}

class BadLoadTest : public NFeFixture, public ::testing::WithParamInterface<TBadLoad> {};

TEST_P(BadLoadTest, StopsAtTheBadValueKeepingWhatCameBefore) {
  FNFe->SetCNPJ("inicial");
  TMemIniFile ini("");
  ini.SetText(GetParam().Content);
  const TRaised raised = Capture([&] { FNFe->LoadConfig(&ini); });
  EXPECT_EQ(raised, (TRaised{"ExndNFeConfigException", GetParam().Message}));
  const auto lines = ErrorLog();
  ASSERT_EQ(static_cast<int>(lines.size()), GetParam().LinesInErrorDir);
  EXPECT_TRUE(IsLogLine(lines.back(), "ExndNFeConfigException", GetParam().Message))
      << lines.back();
  EXPECT_EQ(ini.ReadString("NFE", "CNPJ", "?"), "12345678000199")
      << "the caller's object stays alive";
  EXPECT_EQ(FNFe->ConfigINI()->FileName(), "");
  EXPECT_NE(FNFe->ConfigINI(), &ini);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadLoadTest,
    ::testing::Values(TBadLoad{"[NFE]\r\nVersaoManual=5.0A\r\nCNPJ=12345678000199\r\n",
                               "Erro ao carregar configurações: Versão do Manual informada: 5.0A "
                               "não é suportada. \rUtilize: "
                               "2.0.2a, 3.0, 4.0, 5.0 ou 5.0a",
                               1},
                      TBadLoad{"[NFE]\r\nCNPJ=12345678000199\r\nUF=XX\r\n",
                               "Erro ao carregar configurações: a sigla da UF XX, é inválida.", 2},
                      TBadLoad{"[NFE]\r\nCNPJ=12345678000199\r\nModoOperacao=Contingencia\r\n",
                               "Erro ao carregar configurações: Modo Operação informado: "
                               "Contingencia não é suportado. "
                               "\rUtilize: Normal, SVCAN ou SVCRS",
                               1}));

TEST_F(NFeConfigTest, ValuesBeforeTheFailureStayApplied) {
  TMemIniFile ini("");
  ini.SetText(
      "[NFE]\r\nCNPJ=12345678000199\r\nTimeOut=77\r\nCaracteresRemoverAcentos=ab\r\nUF=XX\r\n"
      "CaminhoCertificado=/c/a1.pfx\r\n");
  FNFe->SetUF("PR");
  EXPECT_EQ(Capture([&] { FNFe->LoadConfig(&ini); }).ClassName, "ExndNFeConfigException");
  EXPECT_EQ(FNFe->CNPJ(), "12345678000199");
  EXPECT_EQ(FNFe->TimeOut(), 77);
  EXPECT_EQ(FNFe->CaracteresRemoverAcentos(), "ab");
  EXPECT_EQ(FNFe->UF(), "PR");
  EXPECT_EQ(FNFe->CaminhoCertificado(), "");

  ini.SetText("[NFE]\r\nVersaoManual=3.0\r\nCNPJ=1\r\nModoOperacao=x\r\n");
  FNFe->SetSalvarLogsEmDisco(false);
  EXPECT_EQ(Capture([&] { FNFe->LoadConfig(&ini); }).ClassName, "ExndNFeConfigException");
  EXPECT_EQ(FNFe->VersaoManual(), vm30);
  EXPECT_EQ(FNFe->UF(), "SP");
  EXPECT_FALSE(FNFe->SalvarLogsEmDisco());
}

TEST_F(NFeConfigTest, ConfigurationFileNames) {
  const std::string p = DiretorioAplicacao();
  const std::string existente = FTemp.Write("c.ini", "");
  FTemp.MakeDir("sub");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", p + "nfeConfig.ini"},
      {existente, existente},
      {FTemp.Path(), FTemp.Path() + "nfeConfig.ini"},
      {FTemp.Path() + "sub", FTemp.Path() + "sub/nfeConfig.ini"},
      {FTemp.Path() + "novo.ini", FTemp.Path() + "novo.ini"},
      {FTemp.Path() + "nada/x.ini", p + "nfeConfig.ini"},
      {"nenhum_diretorio/nfeServidoresHom.ini", p + "nfeServidoresHom.ini"},
      {"x-que-nao-existe.ini", p + "x-que-nao-existe.ini"},
      {FTemp.Path() + "sub\\y.ini", FTemp.Path() + "sub/y.ini"},
  };
  for (const auto& [nome, esperado] : cases) {
    EXPECT_EQ(TxndCustomNFe::ObterArquivoConfiguracao(nome), esperado) << nome;
  }
}

TEST_F(NFeConfigTest, EntryPointFailures) {
  const std::string p = DiretorioAplicacao();
  ASSERT_FALSE(FileExists(p + "nfeConfig.ini"));
  EXPECT_EQ(
      Capture([&] { FNFe->LoadConfig(""); }),
      (TRaised{"ExndConfigINIException", "Arquivo " + p + "nfeConfig.ini não foi encontrado"}));
  EXPECT_EQ(Capture([&] { FNFe->LoadConfig(FTemp.Path() + "falta.ini"); }),
            (TRaised{"ExndConfigINIException",
                     "Arquivo " + FTemp.Path() + "falta.ini não foi encontrado"}));
  EXPECT_EQ(Capture([&] { FNFe->LoadConfig(static_cast<TCustomIniFile*>(nullptr)); }),
            (TRaised{"ExndConfigINIException",
                     "O parâmetro não pode ser nil para realizar o LoadConfig"}));
  EXPECT_EQ(Capture([&] { FNFe->SaveConfig(static_cast<TCustomIniFile*>(nullptr)); }),
            (TRaised{"ExndConfigINIException",
                     "O parâmetro não pode ser nil para realizar o SaveConfig"}));
  EXPECT_EQ(ErrorLog().size(), 2u);

  FTemp.MakeDir("ro.ini/nfeConfig.ini");
  const std::string alvo = FTemp.Path() + "ro.ini/nfeConfig.ini";
  EXPECT_EQ(Capture([&] { FNFe->SaveConfig(FTemp.Path() + "ro.ini"); }),
            (TRaised{"ExndNFeConfigException", "Erro ao salvar configurações: Cannot open file \"" +
                                                   alvo + "\": Is a directory"}));
  // still usable afterwards
  FNFe->SaveConfig(FTemp.Path() + "ok.ini");
  EXPECT_TRUE(FileExists(FTemp.Path() + "ok.ini"));
}

TEST_F(NFeConfigTest, ACustomSectionIsKept) {
  FNFe->SetSectionINI("EMPRESA1");
  FNFe->SetCNPJ("11111111000191");
  TMemIniFile ini("");
  FNFe->SaveConfig(&ini);
  EXPECT_EQ(ini.ReadString("EMPRESA1", "CNPJ", ""), "11111111000191");
  EXPECT_FALSE(ini.SectionExists("NFE"));
}

TEST_F(NFeConfigTest, LoadingNotifiesAServerAlreadyInUse) {
  TStringList lista;
  FNFe->ListarCertificados(&lista);
  FGovX.Log.Clear();
  TMemIniFile ini("");
  ini.SetText("[NFE]\r\nNomeCertificado=EMPRESA:1\r\n");
  FNFe->LoadConfig(&ini);
  EXPECT_TRUE(FGovX.Log.Contains("Sig.CertificateName=EMPRESA:1"));
  EXPECT_TRUE(FGovX.Log.Contains("CheckCertificate"));
}

}  // namespace
}  // namespace xnd::test

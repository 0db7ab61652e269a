// Properties, versioned directories, the state check, the configuration
// check and the DANFE parameters of the NF-e component.
#include <gtest/gtest.h>

#include "danfe/xndNFeDanfe.h"
#include "tests/nfe/NFeTestSupport.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd::test {
namespace {

using NFeComponentTest = NFeFixture;

TEST_F(NFeComponentTest, StartsWithItsDefaultsWithoutContactingAServer) {
  TxndCustomNFe custom;
  EXPECT_FALSE(custom.AnexarDanfePDF());
  EXPECT_TRUE(FNFe->AnexarDanfePDF());
  EXPECT_EQ(FNFe->VersaoManual(), vm50);
  EXPECT_EQ(FNFe->Ambiente(), akHomologacao);
  EXPECT_EQ(FNFe->TipoCertificado(), ckMemory);
  EXPECT_EQ(FNFe->ModoOperacao(), moNormal);
  EXPECT_EQ(Utf8Length(FNFe->CaracteresRemoverAcentos()), 50u);
  EXPECT_EQ(FNFe->MaxSizeLoteEnvio(), 500);
  EXPECT_TRUE(FNFe->SalvarLogsEmDisco());
  EXPECT_EQ(FNFe->DiretorioLog(), "Log/");
  EXPECT_EQ(FNFe->Versao(), "5.7.10.27457");
  FNFe->SetVersao("1.0");
  EXPECT_EQ(FNFe->Versao(), "5.7.10.27457");
  EXPECT_EQ(FNFe->TabelaUF().Count(), 28);
  EXPECT_EQ(FNFe->TabelaUF()[0], "AC=12");
  EXPECT_EQ(FNFe->TabelaUF()[27], "AN=91");
  EXPECT_EQ(FNFe->DanfeSettings()->InfCplMaxCol(), 68);
  EXPECT_EQ(FGovX.Created + FUtils.Created, 0);
}

TEST_F(NFeComponentTest, InitialisesTheObjectModelForItsLifetime) {
  const int before = CoInitializeCount();
  {
    TxndNFe nfe;
    EXPECT_EQ(CoInitializeCount(), before + 1);
  }
  EXPECT_EQ(CoInitializeCount(), before);
}

struct TDiretorioCase {
  const char* Stored;  // "" = nothing stored; "<tmp>" and "<prog>" are replaced
  TVersaoManual Versao;
  const char* Expected;
};

void PrintTo(const TDiretorioCase& aCase, std::ostream* aOut) {
  *aOut << '"' << aCase.Stored << "\" " << VersaoManualParaTexto(aCase.Versao);
}

class VersionedDirectoryTest : public NFeFixture,
                               public ::testing::WithParamInterface<TDiretorioCase> {
 protected:
  std::string Expand(std::string aText) const {
    for (const auto& [key, value] :
         {std::pair<std::string, std::string>{"<tmp>", FTemp.Path()},
          std::pair<std::string, std::string>{"<prog>", DiretorioAplicacao()}}) {
      const std::size_t pos = aText.find(key);
      if (pos != std::string::npos) aText.replace(pos, key.size(), value);
    }
    return aText;
  }
};

TEST_P(VersionedDirectoryTest, TemplatesAndSchemasFollowTheManualVersion) {
  const TDiretorioCase& c = GetParam();
  FNFe->SetVersaoManual(c.Versao);
  if (*c.Stored != '\0') {
    FNFe->SetDiretorioTemplates(Expand(c.Stored));
    FNFe->SetDiretorioEsquemas(Expand(c.Stored));
  }
  EXPECT_EQ(FNFe->DiretorioTemplates(), Expand(c.Expected));
  if (*c.Stored != '\0') {
    EXPECT_EQ(FNFe->DiretorioEsquemas(), Expand(c.Expected));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionedDirectoryTest,
    ::testing::Values(TDiretorioCase{"<tmp>x/Templates/vm40/", vm50a, "<tmp>x/Templates/vm50a/"},
                      TDiretorioCase{"<tmp>x\\Templates\\VM40\\", vm50, "<tmp>x/Templates/vm50/"},
                      TDiretorioCase{"<tmp>x/Templates/vm50a/", vm30, "<tmp>x/Templates/vm30/"},
                      TDiretorioCase{"<tmp>x/Templates/", vm202a, "<tmp>x/Templates/vm30/"},
                      // a missing directory without its final "/" loses its last part
                      TDiretorioCase{"<tmp>x/Templates", vm40, "<tmp>x/vm40/"},
                      TDiretorioCase{"Templates\\vm40\\", vm50a, "<prog>Templates/vm50a/"},
                      TDiretorioCase{"", vm50a, "<prog>Templates/vm50a/"}));

TEST_F(NFeComponentTest, NothingStoredGivesTheDefaultsBesideTheProgram) {
  EXPECT_EQ(FNFe->DiretorioEsquemas(), DiretorioAplicacao() + "Esquemas/vm50/");
  EXPECT_EQ(FNFe->DiretorioTemplates(), DiretorioAplicacao() + "Templates/vm50/");
  FNFe->SetUF("sp");
  EXPECT_EQ(FNFe->ObterDiretorioTemplatesUF(), DiretorioAplicacao() + "Templates/vm50/SP/");
}

TEST_F(NFeComponentTest, AVersionOutsideTheEnumerationIsRejected) {
  const TRaised invalid{"ExndNFeVersaoManualException",
                        "Não foi possível completar o processo. A versão do manual não é válida."};
  // The setter stores the value, then refreshes the snapshot, which reads the
  // versioned directories and so raises at once; the value stays stored.
  EXPECT_EQ(Capture([&] { FNFe->SetVersaoManual(static_cast<TVersaoManual>(9)); }), invalid);
  std::string path = FTemp.Path();
  EXPECT_EQ(Capture([&] { FNFe->IncluirDiretorioVersao(path); }), invalid);
}

TEST_F(NFeComponentTest, TheConverterHoldsTheVersionedTemplatesDirectory) {
  EXPECT_EQ(FNFe->Conversor(), nullptr);
  FNFe->SetDiretorioTemplates(FTemp.Path() + "T/vm40");
  ASSERT_NE(FNFe->Conversor(), nullptr);
  EXPECT_EQ(FNFe->Conversor()->DiretorioTemplates(), FTemp.Path() + "T/vm50/");
  FNFe->SetDiretorioTemplates("");
  EXPECT_EQ(FNFe->Conversor()->DiretorioTemplates(), DiretorioAplicacao() + "Templates/vm50/");
}

TEST_F(NFeComponentTest, SetVersaoManualReachesTheDanfeObject) {
  // The DANFE object exists before the change, so only the hand-over can update it.
  FNFe->SetVersaoManual(vm30);
  ASSERT_EQ(FNFe->Danfe().Versao(), vm30);
  FNFe->SetVersaoManual(vm40);
  EXPECT_EQ(FNFe->Danfe().Versao(), vm40);
  FNFe->SetVersaoManual(vm50a);
  EXPECT_EQ(FNFe->Danfe().Versao(), vm50a);
}

class UFTest : public NFeFixture,
               public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(UFTest, IsStoredInUpperCase) {
  FNFe->SetUF(GetParam().first);
  EXPECT_EQ(FNFe->UF(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Cases, UFTest,
                         ::testing::Values(std::pair{"sp", "SP"}, std::pair{"Rs", "RS"},
                                           std::pair{"AN", "AN"}, std::pair{"ac", "AC"}));

TEST_F(NFeComponentTest, AnUnknownUFRaisesLogsAndKeepsThePreviousValue) {
  FNFe->SetUF("MG");
  for (const char* uf : {"XX", "S", "SP ", "SP=35"}) {
    EXPECT_EQ(Capture([&] { FNFe->SetUF(uf); }),
              (TRaised{"ExndCheckParams", std::string("a sigla da UF ") + uf + ", é inválida."}));
  }
  EXPECT_EQ(FNFe->UF(), "MG");
  const auto lines = ErrorLog();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(IsLogLine(lines[0], "ExndCheckParams", "a sigla da UF XX, é inválida.")) << lines[0];
  FNFe->SetUF("");
  EXPECT_EQ(FNFe->UF(), "");
}

TEST_F(NFeComponentTest, DirectoryWritersResolveAndCreate) {
  FNFe->SetDiretorioLogErro(FTemp.Path() + "a\\b\\erros");
  EXPECT_EQ(FNFe->DiretorioLogErro(), FTemp.Path() + "a/b/erros/");
  EXPECT_TRUE(DirectoryExists(FTemp.Path() + "a/b/erros"));
  FNFe->SetDiretorioLogErro("");
  EXPECT_EQ(FNFe->DiretorioLogErro(), FTemp.Path() + "a/b/erros/");

  FNFe->SetDiretorioTemporario(FTemp.Path() + "t/u");
  EXPECT_EQ(FNFe->DiretorioTemporario(), FTemp.Path() + "t/u");
  EXPECT_TRUE(DirectoryExists(FTemp.Path() + "t/u"));

  FNFe->SetDiretorioXmlDestinatario(FTemp.Path() + "dest\\xml");
  EXPECT_FALSE(DirectoryExists(FTemp.Path() + "dest/xml"));
  EXPECT_EQ(FNFe->DiretorioXmlDestinatario(), FTemp.Path() + "dest/xml/");
  EXPECT_TRUE(DirectoryExists(FTemp.Path() + "dest/xml"));
}

TEST_F(NFeComponentTest, ServerListNamesAreResolvedWhenRead) {
  FNFe->SetArquivoServidoresHom("nfeServidoresHom.ini");
  EXPECT_EQ(FNFe->ArquivoServidoresHom(), DiretorioAplicacao() + "nfeServidoresHom.ini");
  FNFe->SetArquivoServidoresProd("");
  EXPECT_EQ(FNFe->ArquivoServidoresProd(), "");
}

TEST_F(NFeComponentTest, VerificarParametrosChecksInOrder) {
  const std::string hom = FTemp.Write("hom.ini", "[SP]\r\n");
  const std::string missingProd = FTemp.Path() + "prod.ini";
  const std::string badLog = FTemp.Path() + "no/such/Log/";
  const std::string badDest = FTemp.Write("arquivo", "x") + "/sub/";
  struct TStep {
    std::function<void()> Before;
    TRaised Expected;
  };
  const std::vector<TStep> steps = {
      {[] {}, {"ExndNFeException", "O campo UF está vazio."}},
      {[&] { FNFe->SetUF("sp"); }, {"ExndNFeException", "O campo CNPJ está vazio."}},
      {[&] { FNFe->SetCNPJ("1234567890123"); },
       {"ExndNFeException", "O CNPJ não possui 14 digitos. 1234567890123"}},
      {[&] {
         FNFe->SetCNPJ("12345678000199");
         FNFe->SetDiretorioLog(badLog);
       },
       {"ExndNFeException", "O diretório para salvar os Logs, é inválido. " + badLog}},
      {[&] {
         FNFe->SetDiretorioLog(FTemp.Path() + "Log/");
         FNFe->SetArquivoServidoresHom(FTemp.Path() + "nada.ini");
       },
       {"ExndNFeException",
        "Caminho dos servidores de Homologação inválido. " + FTemp.Path() + "nada.ini"}},
      {[&] {
         FNFe->SetArquivoServidoresHom(hom);
         FNFe->SetArquivoServidoresProd(missingProd);
         FNFe->SetAmbiente(akProducao);
       },
       {"ExndNFeException", "Caminho dos servidores de Produção inválido. " + missingProd}},
      {[&] {
         FNFe->SetAmbiente(akHomologacao);
         FNFe->SetDiretorioXmlDestinatario(badDest);
       },
       {"ExndNFeCheckParams",
        "O caminho configurado para salvar o XMLDestinatario é inválido. " + badDest}},
      {[&] {
         FNFe->SetDiretorioXmlDestinatario(FTemp.Path() + "dest");
         FNFe->SetMaxSizeLoteEnvio(0);
       },
       {"ExndNFeCheckParams", "O tamanho máximo para o lote está com valor menor que um."}},
      {[&] { FNFe->SetMaxSizeLoteEnvio(1); }, {}},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    steps[i].Before();
    EXPECT_EQ(Capture([&] { FNFe->VerificarParametros(); }), steps[i].Expected) << "step " << i;
  }
  EXPECT_TRUE(DirectoryExists(FTemp.Path() + "Log"));
  const auto lines = ErrorLog();
  ASSERT_EQ(lines.size(), steps.size() - 1);
  EXPECT_TRUE(IsLogLine(lines[7], "ExndNFeCheckParams",
                        "O tamanho máximo para o lote está com valor menor que um."));
}

TEST_F(NFeComponentTest, MontarParametrosDanfeListsTheSettingsInOrder) {
  TDanfeSettings& d = *FNFe->DanfeSettings();
  d.SetQtdeCopias(2);
  d.SetModeloRetrato("r.rtm");
  d.SetModeloPaisagem("p.rtm");
  d.SetLogotipoEmitente("logo.png");
  d.SetFraseContingencia("C");
  d.SetFraseHomologacao("H");
  d.SetLineDelimiter(";");
  d.SetInfCplMaxCol(80);
  d.SetInfCplMaxRow(480);
  d.SetImprimirVolume(true);
  d.SetImprimirDuplicata(false);
  d.SetImprimirUnidadeTributada(true);
  d.SetModeloRTMCCe("cce.rtm");
  FNFe->SetVersaoManual(vm50a);
  FNFe->MontarParametrosDanfe();
  FNFe->MontarParametrosDanfe();
  EXPECT_EQ(FNFe->ParametrosDanfe().Items(),
            (std::vector<std::string>{
                "QtdeCopias=2", "Versao=5.0a", "ModeloRetrato=r.rtm", "ModeloPaisagem=p.rtm",
                "LogotipoEmitente=logo.png", "FraseContingencia=C", "FraseHomologacao=H",
                "VersaoManual=5.0a", "LineDelimiter=;", "InfCplMaxCol=80", "InfCplMaxRow=480",
                "ImprimirVolume=-1", "ImprimirDuplicata=0", "ImprimirUnidadeTributada=-1",
                "ModeloRTMCCe=cce.rtm"}));
}

TEST_F(NFeComponentTest, OwnedAndReferencedObjects) {
  auto danfe = std::make_unique<TDanfeSettings>();
  danfe->SetQtdeCopias(3);
  FNFe->SetDanfeSettings(std::move(danfe));
  EXPECT_EQ(FNFe->DanfeSettings()->QtdeCopias(), 3);
  FNFe->SetDanfeSettings(nullptr);
  ASSERT_NE(FNFe->DanfeSettings(), nullptr);
  EXPECT_EQ(FNFe->DanfeSettings()->QtdeCopias(), 1);

  TAuditorSettings auditor;
  FNFe->SetAuditorSettings(&auditor);
  EXPECT_EQ(FNFe->AuditorSettings(), &auditor);
  FNFe.reset();  // a reference is never freed: auditor is still ours
  auditor.SetWidthHtml("10");
  EXPECT_EQ(auditor.WidthHtml(), "10");
}

}  // namespace
}  // namespace xnd::test

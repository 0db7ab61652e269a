// Schema validation through "Mapping.txt" or the document's own
// schemaLocation, with the real xndGovUtils validator.
#include <gtest/gtest.h>

#include "external/xndGovUtils.h"
#include "tests/batch/BatchTestSupport.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

constexpr const char* TinySchema =
    "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "targetNamespace=\"http://www.portalfiscal.inf.br/nfe\""
    " xmlns=\"http://www.portalfiscal.inf.br/nfe\" elementFormDefault=\"qualified\">"
    "<xs:element name=\"enviNFe\"><xs:complexType><xs:sequence>"
    "<xs:element name=\"idLote\" "
    "type=\"xs:string\"/></xs:sequence></xs:complexType></xs:element></xs:schema>";
constexpr const char* ValidRequest =
    "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><idLote>1</idLote></enviNFe>";
constexpr const char* InvalidRequest =
    "<enviNFe "
    "xmlns=\"http://www.portalfiscal.inf.br/nfe\"><idLote>1</idLote><extra/><outro/></enviNFe>";

class SchemaTest : public BatchFixture {
 protected:
  void SetUp() override {
    BatchFixture::SetUp();
    FNFe->SetDiretorioEsquemas(FTemp.Path() + "Esquemas/");
  }
  // The versioned schema directory of aVersao, with the tiny schema and aMapping.
  std::string Install(const std::string& aVersao, const std::string& aMapping) {
    const std::string dir = FTemp.MakeDir("Esquemas/" + aVersao + "/xsd");
    FTemp.Write("Esquemas/" + aVersao + "/xsd/envio.xsd", TinySchema);
    FTemp.Write("Esquemas/" + aVersao + "/Mapping.txt", aMapping);
    return FTemp.Path() + "Esquemas/" + aVersao + "/";
  }
};

TEST_F(SchemaTest, TheMappingKeyMatchesIgnoringCaseAndFollowsTheManualVersion) {
  const std::string vm50a =
      Install("vm50a", "[Outra]\r\nENVIO=nada.xsd\r\n[ValidarXML]\r\nenvio=xsd\\envio.xsd\r\n");
  Install("vm40", "[ValidarXML]\nENVIO=xsd/v40.xsd\n");

  EXPECT_EQ(FNFe->ObterArquivoEsquema("ENVIO"), vm50a + "xsd/envio.xsd");
  EXPECT_EQ(Capture([&] { FNFe->ValidarEsquema(ValidRequest, "ENVIO"); }), TRaised{});
  FNFe->SetVersaoManual(vm40);
  EXPECT_EQ(FNFe->ObterArquivoEsquema("ENVIO"), FTemp.Path() + "Esquemas/vm40/xsd/v40.xsd");
}

TEST_F(SchemaTest, AnInvalidRequestRaisesTheServersMessageAndKeepsItsErrors) {
  const std::string dir = Install("vm50a", "[ValidarXML]\nENVIO=xsd/envio.xsd\n");
  TxndGovUtils direct;
  const TRaised server = Capture(
      [&] { direct->ValidateWithSchema(InvalidRequest, NFeNamespace, dir + "xsd/envio.xsd"); });
  ASSERT_FALSE(server.Message.empty());
  TStringList serverErrors;
  serverErrors.SetText(direct->GetValidationErrors());
  ASSERT_GT(serverErrors.Count(), 0);
  FNFe->ErrosValidador()->SetText("antigo");

  EXPECT_EQ(Capture([&] { FNFe->ValidarEsquema(InvalidRequest, "ENVIO"); }),
            (TRaised{"ExndSchemaValidationException", server.Message}));
  EXPECT_EQ(FNFe->ErrosValidador()->Text(), serverErrors.Text());
  ASSERT_EQ(ErrorLog().size(), 1u);
}

struct LookupCase {
  const char* Name;
  const char* Mapping;  // nullptr: no Mapping.txt
  const char* InnerClass;
  std::string Message;  // "%s" = the versioned schema directory
};

class SchemaLookupTest : public SchemaTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(SchemaLookupTest, ALookupFailureIsWrappedAndBecomesTheValidatorErrors) {
  const LookupCase& c = GetParam();
  const std::string dir = FTemp.MakeDir("Esquemas/vm50a");
  if (c.Mapping != nullptr) FTemp.Write("Esquemas/vm50a/Mapping.txt", c.Mapping);
  FNFe->ErrosValidador()->SetText("erro de uma validação anterior");
  const std::string message = StringReplace(c.Message, "%s", dir);

  EXPECT_EQ(Capture([&] { FNFe->ValidarEsquema(ValidRequest, "ENVIO"); }),
            (TRaised{"ExndSchemaValidationException", message}));
  EXPECT_EQ(FNFe->ErrosValidador()->Text(), message + "\r\n");
  const std::vector<std::string> log = ErrorLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_TRUE(IsLogLine(log[0], c.InnerClass, message)) << log[0];
  EXPECT_TRUE(IsLogLine(log[1], "ExndSchemaValidationException", message)) << log[1];
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SchemaLookupTest,
    ::testing::Values(
        LookupCase{"NoMappingFile", nullptr, "ExndFileNotFoundException",
                   "Arquivo %sMapping.txt utilizado na validação de esquema, não foi encontrado"},
        LookupCase{"EmptyValue", "[ValidarXML]\nENVIO=\nCONSULTANF=consSitNFe_v3.10.xsd\n",
                   "ExndCheckParams", "Não foi encontrado mapeamento de XSD para o comando ENVIO "},
        LookupCase{"KeyInAnotherSection", "[Outra]\nENVIO=envio.xsd\n", "ExndCheckParams",
                   "Não foi encontrado mapeamento de XSD para o comando ENVIO "}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST_F(SchemaTest, SchemaLocationAnywhereInTheTextTakesTheDocumentsOwnSchemas) {
  const std::string dir = Install("vm50a", "[ValidarXML]\nENVIO=xsd/envio.xsd\n");
  FTemp.Write("Esquemas/vm50a/envio.xsd", TinySchema);
  const std::string located =
      "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
      " xsi:schemaLocation=\"http://www.portalfiscal.inf.br/nfe "
      "envio.xsd\"><idLote>1</idLote></enviNFe>";
  // Valid for the mapped schema, but it mentions schemaLocation in a value.
  const std::string mentioned =
      "<enviNFe "
      "xmlns=\"http://www.portalfiscal.inf.br/nfe\"><idLote>schemaLocation</idLote></enviNFe>";
  TxndGovUtils direct;
  const TRaised server = Capture([&] { direct->ValidateBySchemaLocation(mentioned, dir); });
  ASSERT_FALSE(server.Message.empty());

  EXPECT_EQ(Capture([&] { FNFe->ValidarEsquema(located, "SEM_MAPEAMENTO"); }), TRaised{});
  EXPECT_EQ(Capture([&] { FNFe->ValidarEsquema(mentioned, "ENVIO"); }),
            (TRaised{"ExndSchemaValidationException", server.Message}));
}

// The shipped Mapping.txt files name the files of the national packages, so
// the package copied into the folder is all a user needs.
struct PackageCase {
  const char* Versao;
  const char* Package;
};

class ShippedMappingTest : public ::testing::TestWithParam<PackageCase> {};

TEST_P(ShippedMappingTest, NamesFilesOfTheNationalPackage) {
  const std::string package = std::string(XND_SHARED_DIR) + "/schemas/" + GetParam().Package + "/";
  if (!DirectoryExists(package)) GTEST_SKIP() << "national schemas not found in " << package;
  TMemIniFile mapping(ProgramDirectory() + "Esquemas/" + GetParam().Versao + "/Mapping.txt");
  TStringList values;
  mapping.ReadSectionValues("ValidarXML", values);
  ASSERT_GE(values.Count(), 2);
  EXPECT_FALSE(mapping.ReadString("ValidarXML", "ENVIO", "").empty());
  EXPECT_FALSE(mapping.ReadString("ValidarXML", "CONSULTANF", "").empty());
  for (int i = 0; i < values.Count(); ++i) {
    const std::string file = values[i].substr(values[i].find('=') + 1);
    // "Evento_CCe_PL_v1.01/envCCe_v1.00.xsd": a package published apart (the
    // events'), in a folder of its name beside the NF-e package's files.
    const std::string root =
        file.find('/') == std::string::npos ? package : std::string(XND_SHARED_DIR) + "/schemas/";
    EXPECT_TRUE(FileExists(root + file)) << GetParam().Versao << ": " << values[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Packages, ShippedMappingTest,
                         ::testing::Values(PackageCase{"vm30", "PL_005f"},
                                           PackageCase{"vm50", "PL_006u"},
                                           PackageCase{"vm50a", "PL_008i2"}),
                         [](const auto& aInfo) { return std::string(aInfo.param.Versao); });

}  // namespace
}  // namespace xnd::test

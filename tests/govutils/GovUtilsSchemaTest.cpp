// Schema validation: a small schema of our own, the national schemas with the
// sample notes, and broken schema files.
#include <gmock/gmock.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "tests/govutils/GovUtilsTestSupport.h"
#include "tests/support/LibraryTexts.h"
#include "tests/support/TempDir.h"

namespace xnd::test {
namespace {

constexpr const char* kOrderSchema = R"(<?xml version="1.0" encoding="UTF-8"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:xnd:pedido"
           xmlns="urn:xnd:pedido" elementFormDefault="qualified">
  <xs:element name="pedido">
    <xs:complexType>
      <xs:sequence>
        <xs:element name="numero" type="xs:positiveInteger"/>
        <xs:element name="cliente" type="xs:string"/>
      </xs:sequence>
    </xs:complexType>
  </xs:element>
</xs:schema>
)";

constexpr const char* kValidOrder =
    "<pedido xmlns=\"urn:xnd:pedido\"><numero>7</numero><cliente>Ana</cliente></pedido>";
constexpr const char* kInvalidOrder =
    "<pedido xmlns=\"urn:xnd:pedido\">\n  <numero>sete</numero>\n  <cliente>Ana</cliente>\n  "
    "<extra/>\n</pedido>";

std::string Joined(const std::vector<std::string>& aLines) {
  std::string text;
  for (const std::string& line : aLines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

// "<file>, linha N: message" (or "<file>: message") per schema compile error.
std::string SchemaLoadErrors(const std::string& aSchema) {
  std::vector<std::string> lines;
  for (const LibXmlIssue& issue : LibXmlSchemaLoadErrors(aSchema)) {
    const std::string file = issue.File.empty() ? aSchema : issue.File;
    lines.push_back(issue.Line > 0
                        ? file + ", linha " + std::to_string(issue.Line) + ": " + issue.Message
                        : file + ": " + issue.Message);
  }
  return Joined(lines);
}

class GovUtilsSchema : public ::testing::Test {
 protected:
  TempDir FDir;
  std::string FSchema = FDir.Write("esquemas/pedido.xsd", kOrderSchema);
  std::unique_ptr<IxndGovUtils> FUtils = NewGovUtils();
  // libxml2's two errors: 'sete' on line 2 and the unexpected element on line 4.
  std::string FInvalidOrderErrors = Joined(LibXmlValidationErrors(kInvalidOrder, FSchema));
};

TEST_F(GovUtilsSchema, InvalidDocumentRaisesWithEveryErrorAndKeepsThemUntilTheNextValidation) {
  EXPECT_EQ(
      "O XML não é válido segundo o esquema " + FSchema + ":\n" + FInvalidOrderErrors,
      OleErrorOf([&] { FUtils->ValidateWithSchema(kInvalidOrder, "urn:xnd:pedido", FSchema); }));
  EXPECT_EQ(FInvalidOrderErrors, FUtils->GetValidationErrors());
  FUtils->ValidateWithSchema(kValidOrder, "urn:xnd:pedido", FSchema);
  EXPECT_EQ("", FUtils->GetValidationErrors());
}

TEST_F(GovUtilsSchema, FailuresBeforeValidationAreTheErrorsOfThatValidation) {
  struct Case {
    std::string Xml, Namespace, Schema, Message;
  };
  const std::string missing = FDir.File("esquemas/nenhum.xsd");
  const std::vector<Case> cases = {
      {kValidOrder, "", missing, "Arquivo de esquema não encontrado: " + missing},
      {"<pedido>", "", FSchema, "XML mal formado, " + LibXmlParseError("<pedido>")},
      {kValidOrder, "http://www.portalfiscal.inf.br/nfe", FSchema,
       "O XML não é válido segundo o esquema " + FSchema +
           ":\nlinha 1: o elemento raiz 'pedido' está no namespace \"urn:xnd:pedido\", esperado "
           "\"http://www.portalfiscal.inf.br/nfe\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Message,
              OleErrorOf([&] { FUtils->ValidateWithSchema(c.Xml, c.Namespace, c.Schema); }));
    EXPECT_EQ(c.Message.substr(c.Message.find_first_of('\n') + 1), FUtils->GetValidationErrors());
  }
}

TEST_F(GovUtilsSchema, SchemaChangedOnDiskIsCompiledAgain) {
  FUtils->ValidateWithSchema(kValidOrder, "", FSchema);
  std::string stricter = kOrderSchema;
  stricter.replace(stricter.find("xs:string"), 9, "xs:int");
  WriteFileBytes(FSchema, stricter);
  EXPECT_EQ("O XML não é válido segundo o esquema " + FSchema + ":\n" +
                Joined(LibXmlValidationErrors(kValidOrder, FSchema)),
            OleErrorOf([&] { NewGovUtils()->ValidateWithSchema(kValidOrder, "", FSchema); }));
}

TEST_F(GovUtilsSchema, ConcurrentValidationsShareTheSchemaButNotTheErrors) {
  std::atomic<int> wrong{0};
  auto work = [&](int aThread) {
    const auto utils = NewGovUtils();
    for (int i = 0; i < 40; ++i) {
      const bool valid = (i + aThread) % 2 == 0;
      try {
        utils->ValidateWithSchema(valid ? kValidOrder : kInvalidOrder, "urn:xnd:pedido", FSchema);
      } catch (const EOleException&) {
      }
      if (utils->GetValidationErrors() != (valid ? "" : FInvalidOrderErrors)) ++wrong;
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(work, t);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, wrong.load());
}

TEST_F(GovUtilsSchema, SchemaThatDoesNotCompileNamesTheFileAndLine) {
  const std::string part = FDir.Write(
      "quebrado/parte.xsd",
      "<?xml version=\"1.0\"?>\n<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
      "  <xs:element name=\"a\">\n</xs:schema>\n");
  const std::string main =
      FDir.Write("quebrado/principal.xsd",
                 "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
                 "  <xs:include schemaLocation=\"parte.xsd\"/>\n</xs:schema>\n");
  // The errors name the included file and the including one.
  const std::string errors = SchemaLoadErrors(main);
  EXPECT_NE(errors.find(part + ", linha 4: "), std::string::npos) << errors;
  EXPECT_NE(errors.find(main + ", linha 2: "), std::string::npos) << errors;
  EXPECT_EQ("Não foi possível carregar o esquema " + main + ":\n" + errors,
            OleErrorOf([&] { FUtils->ValidateWithSchema("<a/>", "", main); }));
}

TEST_F(GovUtilsSchema, SchemaLocationOfTheRootIsFoundInTheGivenDirectory) {
  const std::string located =
      "<pedido xmlns=\"urn:xnd:pedido\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"urn:xnd:pedido "
      "C:\\Esquemas\\pedido.xsd\"><numero>0</numero><cliente/></pedido>";
  EXPECT_EQ("O XML não é válido segundo o esquema " + FSchema + ":\n" +
                Joined(LibXmlValidationErrors(located, FSchema)),
            OleErrorOf([&] { FUtils->ValidateBySchemaLocation(located, FDir.File("esquemas")); }));
  EXPECT_EQ(
      "O XML não informa o esquema: o elemento raiz não tem o atributo xsi:schemaLocation",
      OleErrorOf([&] { FUtils->ValidateBySchemaLocation(kValidOrder, FDir.File("esquemas")); }));
  EXPECT_EQ("O XML não informa o esquema: o elemento raiz não tem o atributo xsi:schemaLocation",
            FUtils->GetValidationErrors());
}

// The national schemas and the sample documents, when the shared folder is there.
struct NationalCase {
  const char* Schema;
  const char* Fixture;
};

class GovUtilsNationalSchema : public ::testing::TestWithParam<NationalCase> {
 protected:
  void SetUp() override {
    if (!FileExists(SharedPath(std::string("schemas/") + GetParam().Schema)) ||
        !FileExists(SharedPath(std::string("fixtures/") + GetParam().Fixture))) {
      GTEST_SKIP() << "national schemas or sample documents not found in " << SharedPath("");
    }
  }
  std::unique_ptr<IxndGovUtils> FUtils = NewGovUtils();
};

TEST_P(GovUtilsNationalSchema, SampleIsValid) {
  FUtils->ValidateWithSchema(ReadFixture(GetParam().Fixture), kNFeNamespace,
                             SharedPath(std::string("schemas/") + GetParam().Schema));
  EXPECT_EQ("", FUtils->GetValidationErrors());
}

INSTANTIATE_TEST_SUITE_P(Samples, GovUtilsNationalSchema,
                         ::testing::Values(NationalCase{"PL_008i2/procNFe_v3.10.xsd",
                                                        "nfe310_nfeProc_autorizada_5itens.xml"},
                                           NationalCase{"PL_006u/procNFe_v2.00.xsd",
                                                        "nfe200_nfeProc_autorizada.xml"},
                                           NationalCase{"Evento_CCe_PL_v1.01/envCCe_v1.00.xsd",
                                                        "cce_envEvento_assinado.xml"}));

TEST(GovUtilsNationalSchemaErrors, WrongIssuerCnpjIsReportedWithItsLineAndPattern) {
  const std::string schema = SharedPath("schemas/PL_008i2/procNFe_v3.10.xsd");
  if (!FileExists(schema))
    GTEST_SKIP() << "national schemas not found in " << SharedPath("schemas");
  std::string note = ReadFixture("nfe310_nfeProc_autorizada_5itens.xml");
  note.replace(note.find("<CNPJ>00822602000124</CNPJ>"), 27, "<CNPJ>0082260200012</CNPJ>");
  const auto utils = NewGovUtils();
  OleErrorOf([&] { utils->ValidateWithSchema(note, kNFeNamespace, schema); });
  const std::string errors = utils->GetValidationErrors();
  EXPECT_EQ(Joined(LibXmlValidationErrors(note, schema)), errors);
  EXPECT_THAT(errors, ::testing::StartsWith("linha 29: "));
  EXPECT_NE(errors.find("0082260200012"), std::string::npos) << errors;
}

TEST(GovUtilsNationalSchemaErrors, PackageFileWithWrongEncodingIsNamed) {
  const std::string schema = SharedPath("schemas/PL_v1.01b/retEnvConfRecebto_v1.00.xsd");
  if (!FileExists(schema))
    GTEST_SKIP() << "national schemas not found in " << SharedPath("schemas");
  const std::string file = std::filesystem::absolute(schema).lexically_normal().string();
  const std::string errors = SchemaLoadErrors(file);
  EXPECT_NE(errors.find(file + ", linha 6: "), std::string::npos) << errors;
  EXPECT_EQ("Não foi possível carregar o esquema " + schema + ":\n" + errors,
            OleErrorOf([&] { NewGovUtils()->ValidateWithSchema("<a/>", "", schema); }));
}

}  // namespace
}  // namespace xnd::test

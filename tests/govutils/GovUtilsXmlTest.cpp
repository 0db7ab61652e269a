// XPath selection, parsing safety and the small XML queries of xndGovUtils.
#include <libxml/xmlerror.h>

#include <chrono>

#include "servers/govutils/XmlSupport.h"
#include "tests/govutils/GovUtilsTestSupport.h"
#include "tests/support/LibraryTexts.h"

namespace xnd::test {
namespace {

constexpr const char* kNFe310 = "nfe310_nfeProc_autorizada_5itens.xml";
constexpr const char* kSoap = "soap_retConsStatServ_107.xml";
constexpr const char* kCCe = "cce_procEventoNFe_135.xml";

class GovUtilsFixtureXml : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FileExists(SharedPath(std::string("fixtures/") + kNFe310))) {
      GTEST_SKIP() << "sample documents not found in " << SharedPath("fixtures");
    }
  }
  std::unique_ptr<IxndGovUtils> FUtils = NewGovUtils();
};

TEST_F(GovUtilsFixtureXml, SelectValueGivesTheIdAttributeOfInfNFe) {
  std::string id;
  ASSERT_TRUE(
      FUtils->SelectValue(ReadFixture(kNFe310), ".//tec:infNFe/@Id", smTextValue, kTecPrefix, id));
  EXPECT_EQ("NFe35150300822602000124550010009923461099234656", id);
}

TEST_F(GovUtilsFixtureXml, SelectNodesGivesEachDetAsAStandaloneElementWithItsNamespace) {
  std::vector<std::string> dets;
  ASSERT_TRUE(FUtils->SelectNodes(ReadFixture(kNFe310), ".//tec:det", smNodeXml, kTecPrefix, dets));
  ASSERT_EQ(5u, dets.size());
  for (std::size_t i = 0; i < dets.size(); ++i) {
    const std::string start = "<det xmlns=\"" + std::string(kNFeNamespace) + "\" nItem=\"" +
                              std::to_string(i + 1) + "\">";
    EXPECT_EQ(start, dets[i].substr(0, start.size()));
    EXPECT_EQ(kNFeNamespace, FUtils->GetRootNamespace(dets[i]));
    EXPECT_EQ(std::to_string(i + 1), FUtils->GetItemNumber(dets[i]));
  }
}

TEST_F(GovUtilsFixtureXml, ScalarResultsAndMissesAreReportedAsSuch) {
  const std::string xml = ReadFixture(kNFe310);
  std::string value = "stale";
  ASSERT_TRUE(FUtils->SelectValue(xml, "count(.//tec:det)", smTextValue, kTecPrefix, value));
  EXPECT_EQ("5", value);
  ASSERT_TRUE(FUtils->SelectValue(xml, ".//tec:emit/tec:CNPJ", smTextValue, kTecPrefix, value));
  EXPECT_EQ("00822602000124", value);
  EXPECT_FALSE(FUtils->SelectValue(xml, ".//tec:cancNFe", smNodeXml, kTecPrefix, value));
  EXPECT_EQ("", value);
  std::vector<std::string> nodes{"stale"};
  EXPECT_FALSE(FUtils->SelectNodes(xml, ".//det", smNodeXml, "", nodes));  // no namespace: no match
  EXPECT_TRUE(nodes.empty());
}

TEST_F(GovUtilsFixtureXml, SoapBodyContentComesOutWithoutTheEnvelopeNamespaces) {
  const std::string soap = ReadFixture(kSoap);
  const std::string soapNs = FUtils->GetRootNamespace(soap);
  ASSERT_EQ("http://www.w3.org/2003/05/soap-envelope", soapNs);
  std::string body;
  ASSERT_TRUE(FUtils->SelectValue(soap, "./soap:Envelope/soap:Body/*", smNodeXml,
                                  "xmlns:soap=\"" + soapNs + "\"", body));
  // libxml2 writes namespace declarations ahead of the attributes.
  EXPECT_EQ(
      "<nfeStatusServicoNF2Result "
      "xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NfeStatusServico2\">"
      "<retConsStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
      "versao=\"3.10\"><tpAmb>2</tpAmb>"
      "<verAplic>SP_NFE_PL_008f</verAplic><cStat>107</cStat><xMotivo>Serviço em "
      "Operação</xMotivo><cUF>35</cUF>"
      "<dhRecbto>2015-05-31T12:24:12-03:00</dhRecbto><tMed>1</tMed></retConsStatServ></"
      "nfeStatusServicoNF2Result>",
      body);
}

TEST_F(GovUtilsFixtureXml, GetElementValueLooksInsideTheFirstParent) {
  const std::string cce = ReadFixture(kCCe);
  EXPECT_EQ("110110", FUtils->GetElementValue(cce, "evento", "tpEvento"));
  EXPECT_EQ("135", FUtils->GetElementValue(cce, "retEvento", "cStat"));
  EXPECT_EQ("135", FUtils->GetElementValue(cce, "", "cStat"));
  EXPECT_EQ("", FUtils->GetElementValue(cce, "evento", "cStat"));
  EXPECT_EQ("", FUtils->GetElementValue(cce, "NFe", "tpEvento"));
}

class GovUtilsXml : public ::testing::Test {
 protected:
  std::unique_ptr<IxndGovUtils> FUtils = NewGovUtils();
};

TEST_F(GovUtilsXml, RootElementOfADocumentDropsTheDeclaration) {
  std::string root;
  ASSERT_TRUE(FUtils->SelectValue("<?xml version=\"1.0\"?>\n<a x=\"1\"><b>t</b></a>", "*",
                                  smNodeXml, "", root));
  EXPECT_EQ("<a x=\"1\"><b>t</b></a>", root);
}

TEST_F(GovUtilsXml, NestedElementKeepsPrefixedNamespacesItUses) {
  const std::string xml =
      "<s:E xmlns:s=\"urn:s\" xmlns:n=\"urn:n\" xmlns:u=\"urn:u\"><s:B><n:x "
      "n:a=\"1\"><n:y/></n:x></s:B></s:E>";
  std::string node;
  ASSERT_TRUE(FUtils->SelectValue(xml, "//n:x", smNodeXml, "xmlns:n='urn:n'", node));
  EXPECT_EQ("<n:x xmlns:n=\"urn:n\" n:a=\"1\"><n:y/></n:x>", node);
}

TEST_F(GovUtilsXml, FailuresRaiseWithTheCause) {
  struct Case {
    std::string Xml, XPath, Prefixes;
    int Mode;
    std::string Message;
  };
  const std::vector<Case> cases = {
      {"<a><b>x</a>", "/a", "", 0, "XML mal formado, " + LibXmlParseError("<a><b>x</a>")},
      {"<a>\n<b>&x;</b></a>", "/a", "", 0,
       "XML mal formado, " + LibXmlParseError("<a>\n<b>&x;</b></a>")},
      {"", "/a", "", 0, "XML mal formado, " + LibXmlParseError("")},
      {"<a/>", ".//a[", "", 0,
       "Expressão XPath inválida \".//a[\": " + LibXmlXPathError("<a/>", ".//a[")},
      {"<a/>", "//p:a", "", 0,
       "Expressão XPath inválida \"//p:a\": " + LibXmlXPathError("<a/>", "//p:a")},
      {"<a/>", "/a", "xmlns:p=urn:x", 0, "Declaração de namespace inválida: \"xmlns:p=urn:x\""},
      {"<a/>", "/a", "tec=\"urn:x\"", 0, "Declaração de namespace inválida: \"tec=\"urn:x\"\""},
      {"<a/>", "/a", "", 2, "Modo de seleção inválido: 2"},
  };
  for (const Case& c : cases) {
    std::string value;
    EXPECT_EQ(c.Message,
              OleErrorOf([&] { FUtils->SelectValue(c.Xml, c.XPath, c.Mode, c.Prefixes, value); }))
        << c.Xml << " " << c.XPath;
  }
}

TEST_F(GovUtilsXml, ExternalEntityIsNeverRead) {
  const std::string xxe =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE x [<!ENTITY e SYSTEM "
      "\"file:///etc/passwd\">]>\n<x>&e;</x>";
  std::string value;
  EXPECT_EQ("XML com declaração DOCTYPE não é aceito (linha 2)",
            OleErrorOf([&] { FUtils->SelectValue(xxe, "/x", smTextValue, "", value); }));
  EXPECT_EQ("", value);
}

TEST_F(GovUtilsXml, EntityBombIsRefusedQuickly) {
  std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    bomb += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) bomb += "&lol" + std::to_string(i - 1) + ";";
    bomb += "\">";
  }
  bomb += "]><lolz>&lol9;</lolz>";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ("XML com declaração DOCTYPE não é aceito (linha 1)",
            OleErrorOf([&] { FUtils->NormalizeXml(bomb); }));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// Past 16 MB a text is refused before parsing, by every operation that
// parses; at 16 MB it is read.
TEST_F(GovUtilsXml, TextsAboveTheCeilingAreRefusedBeforeParsing) {
  const std::string atLimit = "<a>" + std::string(govutils::MaxXmlBytes - 7, 'x') + "</a>";
  const std::string above = atLimit + " ";
  const std::string message = "XML grande demais: 16777217 bytes (o limite é de 16 MB).";
  std::vector<std::string> nodes;
  std::string value;

  EXPECT_EQ(OleErrorOf([&] { FUtils->NormalizeXml(above); }), message);
  EXPECT_EQ(OleErrorOf([&] { FUtils->SelectNodes(above, "/a", smTextValue, "", nodes); }),
            message);
  EXPECT_EQ(OleErrorOf([&] { FUtils->GetRootNamespace(above); }), message);
  EXPECT_TRUE(FUtils->SelectValue(atLimit, "/a", smTextValue, "", value));
  EXPECT_EQ(value.size(), govutils::MaxXmlBytes - 7);
}

// libxml2 gives up an evaluation whose node set passes its limit with the
// error it gives for an allocation failure; reaching it for real takes a
// document of some ten million nodes, so its error record is fed here.
TEST(XPathFailureMessage, NamesTheNodeSetLimitAndKeepsTheOtherReasons) {
  govutils::XmlIssue limit;
  limit.Domain = XML_FROM_XPATH;
  limit.Code = XML_ERR_NO_MEMORY;
  limit.Message = "Memory allocation failed : growing nodeset hit limit";
  govutils::XmlIssue syntax;
  syntax.Domain = XML_FROM_XPATH;
  syntax.Code = XML_XPATH_EXPR_ERROR;
  syntax.Message = "Invalid expression";

  EXPECT_EQ(govutils::XPathFailureMessage("//*", {limit}),
            "A expressão XPath \"//*\" não pôde ser avaliada: a seleção passou do limite de "
            "10000000 nós da biblioteca XML, ou a memória se esgotou.");
  EXPECT_EQ(govutils::XPathFailureMessage(".//a[", {syntax}),
            "Expressão XPath inválida \".//a[\": Invalid expression");
}

TEST_F(GovUtilsXml, NormalizeXmlDropsLayoutAndResolvesCharacterReferences) {
  EXPECT_EQ("<infAdic><infCpl>linha 1\rlinha 2 &amp; mais</infCpl><obs> </obs></infAdic>",
            FUtils->NormalizeXml(
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<infAdic>\r\n  "
                "<infCpl>linha 1&#xD;linha 2 &amp; mais</infCpl>\n  <obs> </obs>\n</infAdic>\n"));
  EXPECT_EQ("XML mal formado, " + LibXmlParseError("<a>"),
            OleErrorOf([&] { FUtils->NormalizeXml("<a>"); }));
}

TEST_F(GovUtilsXml, RootNamespaceAndItemNumberOfSmallDocuments) {
  EXPECT_EQ("", FUtils->GetRootNamespace("<a><b xmlns=\"urn:b\"/></a>"));
  EXPECT_EQ("urn:p", FUtils->GetRootNamespace("<p:a xmlns:p=\"urn:p\"/>"));
  EXPECT_EQ("12", FUtils->GetItemNumber("<det nItem=\"12\"><prod/></det>"));
  EXPECT_EQ("", FUtils->GetItemNumber("<det><prod/></det>"));
}

}  // namespace
}  // namespace xnd::test

// SignXml: enveloped XML-DSig checked by the independent xmlsec1 tool, the
// exact shape of the compact Signature, and the document left untouched.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "platform/files.h"
#include "servers/govx/GovXCertificates.h"
#include "servers/govx/GovXSigner.h"
#include "servers/govx/GovXXml.h"
#include "tests/govx/GovXTestKit.h"
#include "tests/support/LibraryTexts.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"
#include "tests/support/XmlSecVerify.h"

namespace xnd::test {
namespace {

using govx::TGovXServer;

// Base64 of the company certificate's DER: its PEM body without line breaks.
std::string CompanyCertificateBase64() {
  std::string pem = ReadFileBytes(TestPki::Instance().CompanyCertificatePem());
  const std::string begin = "-----BEGIN CERTIFICATE-----";
  pem = pem.substr(begin.size(), pem.find("-----END CERTIFICATE-----") - begin.size());
  std::erase_if(pem, [](char c) { return c == '\n' || c == '\r'; });
  return pem;
}

std::string Escaped(const std::string& aText) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(aText, special, R"(\$&)");
}

// The whole Signature element as it must come out: no prefix, no whitespace
// anywhere, the manual's algorithms, base64 values on one line, the signer's
// certificate only.
std::regex ExpectedSignature(const std::string& aId) {
  const std::string c14n = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";
  const std::string dsig = "http://www.w3.org/2000/09/xmldsig#";
  return std::regex(
      Escaped("<Signature xmlns=\"" + dsig + "\"><SignedInfo><CanonicalizationMethod Algorithm=\"" +
              c14n + "\"/><SignatureMethod Algorithm=\"" + dsig + "rsa-sha1\"/><Reference URI=\"#" +
              aId + "\"><Transforms><Transform Algorithm=\"" + dsig +
              "enveloped-signature\"/><Transform Algorithm=\"" + c14n +
              "\"/></Transforms><DigestMethod Algorithm=\"" + dsig + "sha1\"/><DigestValue>") +
      "[A-Za-z0-9+/]{27}=" + Escaped("</DigestValue></Reference></SignedInfo><SignatureValue>") +
      "[A-Za-z0-9+/]{342}==" +
      Escaped("</SignatureValue><KeyInfo><X509Data><X509Certificate>" + CompanyCertificateBase64() +
              "</X509Certificate></X509Data></KeyInfo></Signature>"));
}

std::string SignatureOf(const std::string& aSigned) {
  const std::size_t start = aSigned.find("<Signature");
  const std::size_t end = aSigned.find("</Signature>");
  if (start == std::string::npos || end == std::string::npos) return {};
  return aSigned.substr(start, end + 12 - start);
}

class SignXmlTest : public ::testing::Test {
 protected:
  SignXmlTest() { PushCompanyCertificate(FServer); }
  TGovXServer FServer;
};

struct SignCase {
  const char* Name;
  std::string (*Document)();
  const char* Element;
  const char* Id;
  const char* ParentEnd;  // closing tag of the signed element's parent
};

class SignDocumentTest : public SignXmlTest, public ::testing::WithParamInterface<SignCase> {};

TEST_P(SignDocumentTest, VerifiesAndAddsOnlyACompactSignatureAtTheEndOfTheParent) {
  const SignCase& c = GetParam();
  FServer.SignatureSettings().SetElementName(c.Element);
  const std::string input = c.Document();

  const std::string output = FServer.SignXml(input, c.Id);

  const XmlSecVerdict verdict = VerifyWithXmlSec(output, c.Element);
  EXPECT_TRUE(verdict.Verified) << verdict.Output;
  // Nothing else changed: no declaration added or lost, no re-indentation.
  EXPECT_EQ(RemoveSignature(output), input);
  const std::string signature = SignatureOf(output);
  EXPECT_TRUE(std::regex_match(signature, ExpectedSignature(c.Id))) << signature;
  const std::size_t after = output.find("</Signature>") + 12;
  EXPECT_EQ(output.substr(after, std::string(c.ParentEnd).size()), c.ParentEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, SignDocumentTest,
    ::testing::Values(
        SignCase{"NotaPreparada", [] { return UnsignedNfe310(); }, "infNFe", Nfe310Id, "</NFe>"},
        SignCase{"NotaIndentadaComDeclaracao", UnsignedIndentedNfe310, "infNFe", Nfe310Id,
                 "</NFe>"},
        SignCase{"EventoDentroDoLote", UnsignedEventBatch, "infEvento", EventId, "</evento>"}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

// Markup that looks like the parent's end tag but is not one: the Signature
// still goes right before the real end tag.
TEST_F(SignXmlTest, FindsTheParentEndTagPastCommentsCdataAndLookalikes) {
  const std::string before =
      "<?xml version=\"1.0\"?>\r\n<!-- <NFe> --><lote><b x=\"a>b\" y='/>'/><NFe "
      "xmlns=\"http://www.portalfiscal.inf.br/nfe\"><!-- </NFe> --><infNFe "
      "Id=\"NFe1\"><![CDATA[</NFe>]]>"
      "<?pi </NFe>?><NFe/></infNFe><NFe></NFe>\r\n";
  const std::string after = "</NFe></lote>";

  const std::string output = FServer.SignXml(before + after, "NFe1");

  EXPECT_EQ(output.substr(0, before.size()), before);
  EXPECT_EQ(output.substr(output.size() - after.size()), after);
  EXPECT_TRUE(std::regex_match(SignatureOf(output), ExpectedSignature("NFe1")));
  const XmlSecVerdict verdict = VerifyWithXmlSec(output, "infNFe");
  EXPECT_TRUE(verdict.Verified) << verdict.Output;
}

// Where a canonical form written by hand goes wrong: namespaces declared on
// the ancestors (inherited by both the signed element and SignedInfo),
// characters the canonical form escapes, CDATA, comments, xml:* attributes
// on an ancestor (left to xmlsec), a Latin-1 document. Each result verifies
// and has the very bytes xmlsec itself gives.
struct CanonicalFormCase {
  const char* Name;
  std::string Xml;
};
void PrintTo(const CanonicalFormCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

class SignCanonicalFormTest : public SignXmlTest,
                              public ::testing::WithParamInterface<CanonicalFormCase> {};

TEST_P(SignCanonicalFormTest, VerifiesAndMatchesXmlSec) {
  const std::string input = GetParam().Xml;
  const std::string output = FServer.SignXml(input, "NFe1");

  const XmlSecVerdict verdict = VerifyWithXmlSec(output, "infNFe");
  EXPECT_TRUE(verdict.Verified) << verdict.Output << output;
  EXPECT_EQ(RemoveSignature(output), input);
  EXPECT_TRUE(std::regex_match(SignatureOf(output), ExpectedSignature("NFe1"))) << output;
  const govx::TSigningKey key(
      *govx::OpenPkcs12(TestPki::Instance().CompanyPfx(), TestPki::Password));
  EXPECT_EQ(govx::SignXmlDocument(input, "NFe1", "infNFe", key, govx::TSignPath::XmlSec), output);
}

const std::string NfeRootStart = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"";

INSTANTIATE_TEST_SUITE_P(
    Documents, SignCanonicalFormTest,
    ::testing::Values(
        CanonicalFormCase{
            "NamespacesOnAncestors",
            "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:ext=\"urn:ext\">" +
                NfeRootStart +
                " xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\"><infNFe Id=\"NFe1\" "
                "versao=\"3.10\" xsi:type=\"t\"><ide><c xmlns=\"urn:c\" "
                "xmlns:ext=\"urn:ext\"><d xmlns=\"\"/></c></ide></infNFe></NFe></enviNFe>"},
        CanonicalFormCase{"EscapedCharacters",
                          NfeRootStart +
                              "><infNFe versao=\"3.10\" Id=\"NFe1\"><natOp>A &amp; B &lt;C&gt; "
                              "'x'&#xD;\r\nfim</natOp><obs xCampo=\"a &quot;b&quot; &lt; &amp; "
                              "&#9;&#xA;&#xD;\">t</obs><![CDATA[x < y & z]]><!-- nota "
                              "--><?pi dados?></infNFe></NFe>"},
        CanonicalFormCase{
            "XmlLangOnAncestor",
            NfeRootStart + " xml:lang=\"pt-BR\"><infNFe Id=\"NFe1\"><ide/></infNFe></NFe>"},
        // A namespace URI with "&" in scope of both the note and SignedInfo.
        CanonicalFormCase{"AmpersandInNamespaceUri",
                          "<r xmlns=\"urn:a&amp;b\" xmlns:q=\"urn:a&amp;b\">" + NfeRootStart +
                              "><infNFe Id=\"NFe1\"><ide/></infNFe></NFe></r>"},
        CanonicalFormCase{"Latin1",
                          "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + NfeRootStart +
                              "><infNFe Id=\"NFe1\"><natOp>Opera\xe7\xe3o</natOp></infNFe></NFe>"}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST_F(SignXmlTest, TamperedSignedNoteFailsVerification) {
  const std::string output = FServer.SignXml(UnsignedNfe310(), Nfe310Id);
  const std::string original = "<natOp>Venda prod. do estab.</natOp>";
  ASSERT_NE(output.find(original), std::string::npos);
  std::string tampered = output;
  tampered.replace(tampered.find(original), original.size(),
                   "<natOp>Venda prod. do estab </natOp>");

  EXPECT_TRUE(VerifyWithXmlSec(output, "infNFe").Verified);
  EXPECT_FALSE(VerifyWithXmlSec(tampered, "infNFe").Verified);
}

TEST_F(SignXmlTest, SameInputGivesTheSameBytesAcrossCallsAndServers) {
  const std::string note = UnsignedNfe310(10);
  const std::string first = FServer.SignXml(note, Nfe310Id);
  TGovXServer other;
  PushCompanyCertificate(other);

  EXPECT_EQ(FServer.SignXml(note, Nfe310Id), first);
  EXPECT_EQ(other.SignXml(note, Nfe310Id), first);
}

struct SignErrorCase {
  const char* Name;
  const char* Element;
  std::string Xml;
  const char* Id;
  std::string Message;
};

class SignErrorTest : public SignXmlTest, public ::testing::WithParamInterface<SignErrorCase> {};

TEST_P(SignErrorTest, RaisesNamingWhatIsWrong) {
  const SignErrorCase& c = GetParam();
  FServer.SignatureSettings().SetElementName(c.Element);
  EXPECT_EQ(OleErrorOf([&] { FServer.SignXml(c.Xml, c.Id); }), c.Message);
}

const std::string SmallNote =
    "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe1\" "
    "versao=\"3.10\"><ide/></infNFe></NFe>";

INSTANTIATE_TEST_SUITE_P(
    Cases, SignErrorTest,
    ::testing::Values(
        SignErrorCase{"ElementoAusente", "infEvento", SmallNote, "NFe1",
                      "Elemento \"infEvento\" com Id \"NFe1\" não encontrado no XML a assinar."},
        SignErrorCase{"IdDiferente", "infNFe", SmallNote, "NFe2",
                      "Elemento \"infNFe\" com Id \"NFe2\" não encontrado no XML a assinar."},
        SignErrorCase{"ElementoSemNome", "", SmallNote, "NFe1",
                      "Elemento a assinar não informado."},
        SignErrorCase{"ElementoNaRaiz", "infNFe", "<infNFe Id=\"NFe1\"/>", "NFe1",
                      "O elemento \"infNFe\" é a raiz do XML a assinar: a assinatura precisa de um "
                      "elemento pai."},
        SignErrorCase{"XmlMalFormado", "infNFe", "<NFe><infNFe Id=\"NFe1\">", "NFe1",
                      "O XML a assinar não é um XML válido: " +
                          LibXmlLastParseError("<NFe><infNFe Id=\"NFe1\">")},
        // The size is refused before any parsing.
        SignErrorCase{"XmlGrandeDemais", "infNFe",
                      SmallNote + std::string(govx::MaxXmlBytes + 1 - SmallNote.size(), ' '),
                      "NFe1",
                      "O XML a assinar tem 16777217 bytes, acima do limite de 16 MB."},
        SignErrorCase{
            "Doctype", "infNFe",
            "<!DOCTYPE NFe [<!ENTITY e \"x\">]><NFe><infNFe Id=\"NFe1\">&e;</infNFe></NFe>", "NFe1",
            "O XML a assinar não é um XML válido: documentos com DOCTYPE não são aceitos"}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST(SignXmlWithoutCertificateTest, RaisesNothingConfigured) {
  TGovXServer server;
  EXPECT_EQ(OleErrorOf([&] { server.SignXml(SmallNote, "NFe1"); }),
            "Nenhum certificado digital configurado: informe o nome do certificado ou o caminho do "
            "arquivo PKCS#12.");
}

// An EC key cannot make the RSA-SHA1 signature: the direct path declines it
// and xmlsec fails; the message carries xmlsec's own reason.
TEST(SignXmlXmlSecFailureTest, MessageCarriesXmlSecReason) {
  const TempDir dir;
  const std::string command =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=ec -days 1 "
      "-keyout '" + dir.File("ec.key") + "' -out '" + dir.File("ec.crt") + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const govx::TSigningKey key(*govx::OpenCertificatePair(dir.File("ec.crt"), dir.File("ec.key"), ""));

  const std::string message =
      OleErrorOf([&] { govx::SignXmlDocument(SmallNote, "NFe1", "infNFe", key); });

  const std::string prefix = "Não foi possível assinar o XML: ";
  ASSERT_EQ(message.substr(0, prefix.size()), prefix) << message;
  const std::string reason = message.substr(prefix.size());
  EXPECT_NE(reason, "motivo não informado");
  EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace xnd::test

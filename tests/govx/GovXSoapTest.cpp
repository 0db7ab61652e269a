// SendSoapMessage against a loopback HTTPS server that requires a client
// certificate: what goes on the wire, what comes back, every way it fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include <chrono>

#include "servers/govx/GovXServer.h"
#include "tests/govx/GovXTestKit.h"
#include "tests/support/LibraryTexts.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace xnd::test {
namespace {

using govx::TGovXOptions;
using govx::TGovXServer;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using ::testing::StartsWith;

const std::string StatusAction =
    "http://www.portalfiscal.inf.br/nfe/wsdl/NfeStatusServico2/nfeStatusServicoNF2";
const std::string StatusNamespace = "http://www.portalfiscal.inf.br/nfe/wsdl/NfeStatusServico2";

std::string Envelope(const std::string& aSoapNamespace) {
  return "<soap:Envelope xmlns:soap=\"" + aSoapNamespace + "\"><soap:Header><nfeCabecMsg xmlns=\"" +
         StatusNamespace +
         "\"><cUF>35</cUF><versaoDados>3.10</versaoDados></nfeCabecMsg></soap:Header><soap:Body>"
         "<nfeDadosMsg xmlns=\"" +
         StatusNamespace +
         "\"><consStatServ versao=\"3.10\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2"
         "</tpAmb><cUF>35</cUF><xServ>STATUS</xServ></consStatServ></nfeDadosMsg></soap:Body>"
         "</soap:Envelope>";
}
const std::string Soap12Envelope = Envelope("http://www.w3.org/2003/05/soap-envelope");
const std::string Soap11Envelope = Envelope("http://schemas.xmlsoap.org/soap/envelope/");

std::string StatusAnswer() { return SharedFixture("soap_retConsStatServ_107.xml"); }

// The servers of one test: the loopback host, and an xndGovX server with the
// company certificate that trusts the test root.
class SoapTest : public ::testing::Test {
 protected:
  SoapTest() : FServer(TGovXOptions{govx::DefaultMachineStoreDirectory, Pki().RootCaPem()}) {
    PushCompanyCertificate(FServer);
    FServer.ConnectionSettings().SetTimeOut(10000);
    FHost.Respond({200, "application/soap+xml; charset=utf-8", StatusAnswer(), 0});
  }

  static const TestPki& Pki() { return TestPki::Instance(); }

  std::string Send(IxndGovX& aServer, const std::string& aEnvelope = Soap12Envelope,
                   const std::string& aResult = "nfeStatusServicoNF2Result") {
    return aServer.SendSoapMessage(FHost.Url(), aEnvelope, StatusAction, aResult, StatusNamespace);
  }
  std::string Send(const std::string& aEnvelope = Soap12Envelope,
                   const std::string& aResult = "nfeStatusServicoNF2Result") {
    return Send(FServer, aEnvelope, aResult);
  }

  const ScopedEnv FNoBundle{"XND_CA_BUNDLE", std::nullopt};
  LoopbackTlsServer FHost;
  TGovXServer FServer;
};

const std::string StatusResult =
    "<retConsStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"3.10\"><tpAmb>2</tpAmb>"
    "<verAplic>SP_NFE_PL_008f</verAplic><cStat>107</cStat><xMotivo>Serviço em Operação</xMotivo>"
    "<cUF>35</cUF><dhRecbto>2015-05-31T12:24:12-03:00</dhRecbto><tMed>1</tMed></retConsStatServ>";

struct VersionCase {
  const char* Name;
  const std::string* Envelope;
  std::string ContentType;
  std::string SoapAction;
};

class SoapVersionTest : public SoapTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(SoapVersionTest, PostsTheEnvelopeWithTheClientChainAndAnswersTheResultContent) {
  const VersionCase& c = GetParam();

  EXPECT_EQ(Send(*c.Envelope), StatusResult);

  const std::vector<RecordedRequest> requests = FHost.Requests();
  ASSERT_THAT(requests, SizeIs(1));
  EXPECT_EQ(requests[0].Method, "POST");
  EXPECT_EQ(requests[0].Path, "/ws");
  EXPECT_EQ(requests[0].Header("Content-Type"), c.ContentType);
  EXPECT_EQ(requests[0].Header("SOAPAction"), c.SoapAction);
  EXPECT_EQ(requests[0].Body, *c.Envelope);
  // The host trusts only the root: the intermediate had to be sent too.
  EXPECT_EQ(requests[0].ClientCommonName, TestPki::CompanyName);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SoapVersionTest,
    ::testing::Values(
        VersionCase{"Soap12", &Soap12Envelope,
                    "application/soap+xml; charset=utf-8; action=\"" + StatusAction + "\"", ""},
        VersionCase{"Soap11", &Soap11Envelope, "text/xml; charset=utf-8",
                    "\"" + StatusAction + "\""}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST_F(SoapTest, ResultContentCarriesTheNamespacesItBorrowsAndPrefersTheGivenNamespace) {
  FHost.Respond({200, "text/xml",
                 "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
                 "xmlns:r=\"" +
                     StatusNamespace +
                     "\" xmlns:x=\"urn:x\"><s:Header><nfeStatusServicoNF2Result "
                     "xmlns=\"urn:outro\">cabeçalho</nfeStatusServicoNF2Result></s:Header><s:Body>"
                     "<r:nfeStatusServicoNF2Result><x:a x:b=\"1\">t</x:a>texto &amp; mais<c/>"
                     "</r:nfeStatusServicoNF2Result></s:Body></s:Envelope>",
                 0});
  EXPECT_EQ(Send(), "<x:a xmlns:x=\"urn:x\" x:b=\"1\">t</x:a>texto &amp; mais<c/>");
}

TEST_F(SoapTest, ResultNameInAnotherLetterCaseIsFoundWhenTheExactOneIsAbsent) {
  FHost.Respond({200, "application/soap+xml",
                 "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
                 "<nfeRetAutorizacaoLoteResult>lower</nfeRetAutorizacaoLoteResult>"
                 "</soap:Body></soap:Envelope>",
                 0});
  EXPECT_EQ(Send(Soap12Envelope, "NfeRetAutorizacaoLoteResult"), "lower");
  FHost.Respond({200, "application/soap+xml",
                 "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
                 "<nfeRetAutorizacaoLoteResult>lower</nfeRetAutorizacaoLoteResult>"
                 "<NfeRetAutorizacaoLoteResult>exact</NfeRetAutorizacaoLoteResult>"
                 "</soap:Body></soap:Envelope>",
                 0});
  EXPECT_EQ(Send(Soap12Envelope, "NfeRetAutorizacaoLoteResult"), "exact");
}

TEST_F(SoapTest, AnswerInLatin1ComesBackInUtf8) {
  FHost.Respond({200, "text/xml",
                 "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><soap:Envelope xmlns:soap=\""
                 "http://www.w3.org/2003/05/soap-envelope\"><soap:Body><nfeStatusServicoNF2Result>"
                 "Servi\xE7o <xMotivo a=\"Opera\xE7\xE3o\">Servi\xE7o em Opera\xE7\xE3o</xMotivo>"
                 "</nfeStatusServicoNF2Result></soap:Body></soap:Envelope>",
                 0});
  EXPECT_EQ(Send(), "Serviço <xMotivo a=\"Operação\">Serviço em Operação</xMotivo>");
}

struct AnswerCase {
  const char* Name;
  CannedResponse Response;
  std::string Result;   // the result element asked for
  std::string Message;  // "%URL%" stands for the address
};

class SoapAnswerErrorTest : public SoapTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(SoapAnswerErrorTest, RaisesWithWhatTheServerSaid) {
  const AnswerCase& c = GetParam();
  FHost.Respond(c.Response);
  std::string expected = c.Message;
  for (std::size_t at; (at = expected.find("%URL%")) != std::string::npos;) {
    expected.replace(at, 5, FHost.Url());
  }
  EXPECT_EQ(OleErrorOf([&] { Send(Soap12Envelope, c.Result); }), expected);
}

const std::string Result = "nfeStatusServicoNF2Result";

INSTANTIATE_TEST_SUITE_P(
    Answers, SoapAnswerErrorTest,
    ::testing::Values(
        AnswerCase{"FalhaSoap11",
                   {500, "text/xml",
                    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                    "<soap:Body><soap:Fault><faultcode>soap:Server</faultcode><faultstring>Erro "
                    "interno do servidor</faultstring></soap:Fault></soap:Body></soap:Envelope>",
                    0},
                   Result,
                   "O servidor retornou uma falha SOAP (soap:Server): Erro interno do servidor"},
        AnswerCase{
            "FalhaSoap12",
            {500, "application/soap+xml",
             "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\"><env:Body>"
             "<env:Fault><env:Code><env:Value>env:Receiver</env:Value><env:Subcode>"
             "<env:Value>a:Paralisado</env:Value></env:Subcode></env:Code><env:Reason>"
             "<env:Text xml:lang=\"pt\">Serviço paralisado</env:Text></env:Reason>"
             "<env:Detail>Tente mais tarde</env:Detail></env:Fault></env:Body></env:Envelope>",
             0},
            Result,
            "O servidor retornou uma falha SOAP (env:Receiver/a:Paralisado): Serviço "
            "paralisado Detalhe: Tente mais tarde"},
        AnswerCase{"NaoEncontradoComCorpo",
                   {404, "text/html", "<html><body>Página não encontrada</body></html>", 0},
                   Result,
                   "Erro HTTP ao enviar a mensagem para %URL%: Not Found (404). Resposta do "
                   "servidor: <html><body>Página não encontrada</body></html>"},
        AnswerCase{"NaoEncontradoSemCorpo",
                   {404, "text/plain", "", 0},
                   Result,
                   "Erro HTTP ao enviar a mensagem para %URL%: Not Found (404)."},
        AnswerCase{"ErroInternoEmWindows1252",
                   {500, "text/plain", "falha na opera\xE7\xE3o", 0},
                   Result,
                   "Erro HTTP ao enviar a mensagem para %URL%: Internal Server Error (500). "
                   "Resposta do servidor: falha na operação"},
        AnswerCase{"CorpoLongoCortado",
                   {503, "text/plain", std::string(2500, 'x'), 0},
                   Result,
                   "Erro HTTP ao enviar a mensagem para %URL%: Service Unavailable (503). "
                   "Resposta do servidor: " +
                       std::string(2000, 'x') + "..."},
        AnswerCase{"RespostaQueNaoEXml",
                   {200, "text/html", "<html><body>manutenção programada", 0},
                   Result,
                   "A resposta de %URL% não é um XML válido (" +
                       LibXmlLastParseError("<html><body>manutenção programada") +
                       "). Resposta do servidor: <html><body>manutenção programada"},
        AnswerCase{"RespostaTruncada",
                   {200, "application/soap+xml", StatusAnswer().substr(0, 300), 0},
                   Result,
                   "A resposta de %URL% não é um XML válido (" +
                       LibXmlLastParseError(StatusAnswer().substr(0, 300)) +
                       "). Resposta do servidor: " + StatusAnswer().substr(0, 300)},
        AnswerCase{"RespostaVazia",
                   {200, "application/soap+xml", "", 0},
                   Result,
                   "A resposta de %URL% está vazia."},
        AnswerCase{"ElementoDeResultadoAusente",
                   {200, "application/soap+xml", StatusAnswer(), 0},
                   "nfeConsultaNF2Result",
                   "Elemento \"nfeConsultaNF2Result\" não encontrado na resposta de %URL%. "
                   "Resposta do servidor: " +
                       StatusAnswer()}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

TEST_F(SoapTest, GivesUpWhenTheServerTakesLongerThanTheTimeOut) {
  FHost.Respond({200, "application/soap+xml", StatusAnswer(), 10000});
  FServer.ConnectionSettings().SetTimeOut(300);
  const auto start = std::chrono::steady_clock::now();

  const std::string message = OleErrorOf([&] { Send(); });

  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(message, "Falha na comunicação com " + FHost.Url() +
                         ": tempo limite de 300 ms (TimeOut) esgotado.");
}

TEST_F(SoapTest, HostRefusesTheHandshakeWithoutAClientCertificate) {
  TGovXServer anonymous(TGovXOptions{govx::DefaultMachineStoreDirectory, Pki().RootCaPem()});

  EXPECT_THAT(OleErrorOf([&] { Send(anonymous); }),
              StartsWith("Falha na comunicação com " + FHost.Url() + ": "));
  EXPECT_THAT(FHost.Requests(), IsEmpty());
}

TEST_F(SoapTest, UntrustedServerCertificateNamesTheIssuerUnlessInvalidCertificatesAreIgnored) {
  TGovXServer server;  // neither the option nor XND_CA_BUNDLE: the system store only
  PushCompanyCertificate(server);

  EXPECT_EQ(OleErrorOf([&] { Send(server); }),
            "Falha na comunicação com " + FHost.Url() + ": " + CurlErrorText(FHost.Url()) +
                ". Certificado do servidor não confiável (" +
                OpenSslVerifyText(X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN) +
                ": certificado \"CN=XND Teste AC Raiz,O=ICP-Brasil Teste,C=BR\", emitido por "
                "\"CN=XND Teste AC Raiz,O=ICP-Brasil Teste,C=BR\"). Informe a cadeia da autoridade "
                "certificadora do servidor em XND_CA_BUNDLE.");

  server.ConnectionSettings().SetIgnoreInvalidCertificates(VARIANT_TRUE);
  EXPECT_EQ(Send(server), StatusResult);
}

TEST_F(SoapTest, ExtraAuthoritiesComeFromTheEnvironmentToo) {
  const ScopedEnv bundle("XND_CA_BUNDLE", Pki().RootCaPem());
  const std::unique_ptr<IServer> created = CreateGovXServer();
  auto& server = dynamic_cast<IxndGovX&>(*created);
  PushCompanyCertificate(server);

  EXPECT_EQ(Send(server), StatusResult);
}

TEST_F(SoapTest, ConsecutiveCallsShareOneConnectionUntilTheCertificateChanges) {
  Send();
  EXPECT_EQ(FServer.LastNewConnections(), 1);
  Send();
  EXPECT_EQ(FServer.LastNewConnections(), 0);
  PushCertificate(FServer, 2, Pki().SecondPfx(), "", TestPki::Password);
  Send();

  const std::vector<RecordedRequest> requests = FHost.Requests();
  ASSERT_THAT(requests, SizeIs(3));
  EXPECT_EQ(requests[1].RemotePort, requests[0].RemotePort);
  EXPECT_NE(requests[2].RemotePort, requests[0].RemotePort);
  EXPECT_EQ(requests[2].ClientCommonName, TestPki::SecondName);
}

TEST_F(SoapTest, ProxySettingIsUsed) {
  FServer.ConnectionSettings().SetProxy("127.0.0.1:1");

  // curl's reason follows ours; that the host saw nothing shows the proxy was taken.
  EXPECT_THAT(OleErrorOf([&] { Send(); }),
              StartsWith("Falha na comunicação com " + FHost.Url() + ": "));
  EXPECT_THAT(FHost.Requests(), IsEmpty());
}

TEST_F(SoapTest, RefusesWhatCannotBeSent) {
  EXPECT_EQ(OleErrorOf([&] {
              FServer.SendSoapMessage("http://127.0.0.1:1/ws", Soap12Envelope, StatusAction, Result,
                                      StatusNamespace);
            }),
            "Conexão segura exigida: o endereço http://127.0.0.1:1/ws não usa HTTPS.");
  EXPECT_EQ(OleErrorOf([&] { Send("<nfeDadosMsg/>"); }),
            "O envelope SOAP deve ter como raiz o elemento Envelope do SOAP 1.1 "
            "(http://schemas.xmlsoap.org/soap/envelope/) ou do SOAP 1.2 "
            "(http://www.w3.org/2003/05/soap-envelope).");
  EXPECT_EQ(OleErrorOf([&] { Send("<soap:Envelope"); }),
            "O envelope SOAP não é um XML válido: " + LibXmlLastParseError("<soap:Envelope"));
  EXPECT_THAT(FHost.Requests(), IsEmpty());
}

}  // namespace
}  // namespace xnd::test

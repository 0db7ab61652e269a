// SendSoapMessage against a hostile loopback HTTPS server: every answer a
// broken or malicious host can give ends in a bounded time and memory, with
// a message that says what happened and carries no line of the server's.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "servers/govx/GovXServer.h"
#include "tests/govx/GovXTestKit.h"
#include "tests/support/LoopbackTlsServer.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace xnd::test {
namespace {

using govx::TGovXOptions;
using govx::TGovXServer;

const std::string Action = "http://www.portalfiscal.inf.br/nfe/wsdl/NfeStatusServico2/x";
const std::string Namespace = "http://www.portalfiscal.inf.br/nfe/wsdl/NfeStatusServico2";
const std::string Envelope =
    "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
    "<nfeDadosMsg xmlns=\"" +
    Namespace + "\"/></soap:Body></soap:Envelope>";

std::string StatusAnswer() { return SharedFixture("soap_retConsStatServ_107.xml"); }

// Files made once per test program with the system's tools.
const TempDir& Made() {
  static const TempDir dir;
  return dir;
}

// 64 MB of zeros, gzip-compressed to about 64 KB.
const std::string& GzipBomb() {
  static const std::string bomb = [] {
    const std::string path = Made().File("bomba.gz");
    const std::string command = "head -c 67108864 /dev/zero | gzip -c > '" + path + "'";
    if (std::system(command.c_str()) != 0) return std::string();
    return ReadFileBytes(path);
  }();
  return bomb;
}

// A server certificate for 127.0.0.1 that signs itself.
std::string SelfSignedCertificate() {
  static const std::string certificate = [] {
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 -addext "
        "subjectAltName=IP:127.0.0.1 -keyout '" +
        Made().File("proprio.key") + "' -out '" + Made().File("proprio.crt") + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 ? Made().File("proprio.crt") : std::string();
  }();
  return certificate;
}

long MaxResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

struct HostileCase {
  const char* Name;
  CannedResponse (*Response)();
  int TimeOut;  // the connection setting (0 = the default overall limit)
  // The whole message; "%URL%" stands for the address, and each "%LIB%" for
  // a reason given by libcurl, OpenSSL or libxml2, not ours to fix.
  std::string Message;
  bool SelfSigned = false;
};
void PrintTo(const HostileCase& aCase, std::ostream* aOut) { *aOut << aCase.Name; }

// Whether aMessage is aPattern with "%LIB%" standing for any non-empty text.
bool MatchesPattern(const std::string& aMessage, const std::string& aPattern) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t at = aPattern.find("%LIB%", start);
    pieces.push_back(aPattern.substr(start, at - start));
    if (at == std::string::npos) break;
    start = at + 5;
  }
  if (pieces.size() == 1) return aMessage == aPattern;
  if (aMessage.compare(0, pieces.front().size(), pieces.front()) != 0) return false;
  std::size_t at = pieces.front().size();
  for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
    const std::size_t found = aMessage.find(pieces[i], at + 1);
    if (found == std::string::npos) return false;
    at = found + pieces[i].size();
  }
  const std::string& last = pieces.back();
  return aMessage.size() > at + last.size() &&
         aMessage.compare(aMessage.size() - last.size(), last.size(), last) == 0;
}

class HostileServerTest : public ::testing::TestWithParam<HostileCase> {
 protected:
  // Short time limits so that each case ends in a few seconds; the real
  // size limit.
  static govx::TSoapLimits Limits() {
    govx::TSoapLimits limits;
    limits.DefaultOverallTimeOutMs = 2000;
    limits.LowSpeedBytesPerSecond = 100;
    limits.LowSpeedSeconds = 1;
    return limits;
  }

  const ScopedEnv FNoBundle{"XND_CA_BUNDLE", std::nullopt};
};

TEST_P(HostileServerTest, EndsInBoundedTimeAndMemoryWithAClearMessage) {
  const HostileCase& c = GetParam();
  const TestPki& pki = TestPki::Instance();
  const std::unique_ptr<LoopbackTlsServer> host =
      c.SelfSigned ? std::make_unique<LoopbackTlsServer>(SelfSignedCertificate(),
                                                         Made().File("proprio.key"), pki.RootCaPem())
                   : std::make_unique<LoopbackTlsServer>();
  host->Respond(c.Response());
  TGovXServer server(TGovXOptions{govx::DefaultMachineStoreDirectory, pki.RootCaPem(), Limits()});
  PushCompanyCertificate(server);
  server.ConnectionSettings().SetTimeOut(c.TimeOut);
  const long residentBefore = MaxResidentKb();
  const auto start = std::chrono::steady_clock::now();

  const std::string message = OleErrorOf([&] {
    server.SendSoapMessage(host->Url(), Envelope, Action, "nfeStatusServicoNF2Result", Namespace);
  });

  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_LT(MaxResidentKb() - residentBefore, 64 * 1024) << "kilobytes more at the peak";
  std::string expected = c.Message;
  for (std::size_t at; (at = expected.find("%URL%")) != std::string::npos;) {
    expected.replace(at, 5, host->Url());
  }
  EXPECT_TRUE(MatchesPattern(message, expected)) << message << "\n  expected: " << expected;
  EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos);
  EXPECT_LE(host->Requests().size(), 1u) << "never follows a redirect nor retries";
}

std::string Head(const std::string& aStatus, const std::string& aHeaders) {
  return "HTTP/1.1 " + aStatus + "\r\nContent-Type: application/soap+xml\r\n" + aHeaders + "\r\n";
}

const std::string ForgedLine = "\r\n[01/01/2026 00:00:00:000] 1 - ExndNFeException : forjada";

INSTANTIATE_TEST_SUITE_P(
    Servers, HostileServerTest,
    ::testing::Values(
        HostileCase{"Truncada",
                    [] {
                      CannedResponse r;
                      r.Raw = Head("200 OK", "Content-Length: 5000\r\n") +
                              StatusAnswer().substr(0, 300);
                      return r;
                    },
                    0, "Falha na comunicação com %URL%: %LIB%."},
        HostileCase{"BombaGzip",
                    [] {
                      CannedResponse r;
                      r.Raw = Head("200 OK", "Content-Encoding: gzip\r\nContent-Length: " +
                                                 std::to_string(GzipBomb().size()) + "\r\n") +
                              GzipBomb();
                      return r;
                    },
                    0, "A resposta de %URL% ultrapassa o limite de 16 MB: recebimento interrompido."},
        HostileCase{"UmGigabyte",
                    [] {
                      CannedResponse r;
                      r.Body = std::string(1024 * 1024, 'x');
                      r.BodyRepeat = 1024;
                      return r;
                    },
                    0, "A resposta de %URL% ultrapassa o limite de 16 MB: recebimento interrompido."},
        HostileCase{"Gotejamento",
                    [] {
                      CannedResponse r;
                      r.Raw = Head("200 OK", "Content-Length: " +
                                                 std::to_string(StatusAnswer().size()) + "\r\n") +
                              StatusAnswer();
                      r.DripMs = 50;
                      return r;
                    },
                    8000,
                    "Falha na comunicação com %URL%: o servidor transmitiu menos de 100 bytes/s "
                    "durante 1 s (transferência lenta demais)."},
        HostileCase{"LentoAlemDoLimitePadrao",
                    [] {
                      CannedResponse r;
                      r.Body = StatusAnswer() + std::string(3000, ' ');
                      r.DripMs = 2;
                      return r;
                    },
                    0,
                    "Falha na comunicação com %URL%: tempo limite padrão de 2000 ms esgotado "
                    "(TimeOut = 0)."},
        HostileCase{"SilencioAlemDoTimeOut",
                    [] {
                      CannedResponse r;
                      r.Body = StatusAnswer();
                      r.DelayMs = 10000;
                      return r;
                    },
                    500,
                    "Falha na comunicação com %URL%: tempo limite de 500 ms (TimeOut) esgotado."},
        HostileCase{
            "FalhaSoapComLinhaForjada",
            [] {
              CannedResponse r;
              r.Status = 500;
              r.Body =
                  "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
                  "<soap:Body><soap:Fault><faultcode>soap:Server</faultcode><faultstring>falha" +
                  ForgedLine + "</faultstring><detail>d\r\ne</detail></soap:Fault></soap:Body>"
                               "</soap:Envelope>";
              return r;
            },
            0,
            // XML reads CR LF as LF.
            "O servidor retornou uma falha SOAP (soap:Server): falha\\n[01/01/2026 "
            "00:00:00:000] 1 - ExndNFeException : forjada Detalhe: d\\ne"},
        HostileCase{"Html500",
                    [] {
                      CannedResponse r;
                      r.Status = 500;
                      r.ContentType = "text/html";
                      r.Body = "<html>\r\n<body>Erro\tinterno\x01</body>" + ForgedLine + "</html>";
                      return r;
                    },
                    0,
                    "Erro HTTP ao enviar a mensagem para %URL%: Internal Server Error (500). "
                    "Resposta do servidor: <html>\\r\\n<body>Erro\\tinterno\\x01</body>\\r\\n"
                    "[01/01/2026 00:00:00:000] 1 - ExndNFeException : forjada</html>"},
        HostileCase{"Redirecionamento",
                    [] {
                      CannedResponse r;
                      r.Raw = "HTTP/1.1 302 Found\r\nLocation: https://127.0.0.1:1/outro\r\n"
                              "Content-Length: 0\r\n\r\n";
                      return r;
                    },
                    0, "Erro HTTP ao enviar a mensagem para %URL%: Found (302)."},
        HostileCase{"NaoUtf8",
                    [] {
                      CannedResponse r;
                      r.Body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>a\xE7\xE3o</r>";
                      return r;
                    },
                    0,
                    "A resposta de %URL% não é um XML válido (%LIB%). Resposta do servidor: <?xml "
                    "version=\"1.0\" encoding=\"UTF-8\"?><r>ação</r>"},
        HostileCase{"CertificadoAutoassinado",
                    [] {
                      CannedResponse r;
                      r.Body = StatusAnswer();
                      return r;
                    },
                    0,
                    "Falha na comunicação com %URL%: %LIB%. Certificado do servidor não confiável "
                    "(%LIB%: certificado \"CN=127.0.0.1\", emitido por \"CN=127.0.0.1\"). Informe "
                    "a cadeia da autoridade certificadora do servidor em XND_CA_BUNDLE.",
                    true}),
    [](const auto& aInfo) { return std::string(aInfo.param.Name); });

}  // namespace
}  // namespace xnd::test

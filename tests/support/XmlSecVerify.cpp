#include "tests/support/XmlSecVerify.h"

#include <sys/wait.h>

#include <cstdio>

#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace xnd::test {

XmlSecVerdict VerifyWithXmlSec(const std::string& aSignedXml, const std::string& aIdElement) {
  const TempDir dir;
  const std::string file = dir.Write("assinado.xml", aSignedXml);
  const TestPki& pki = TestPki::Instance();
  const std::string command = "xmlsec1 --verify --trusted-pem '" + pki.RootCaPem() +
                              "' --untrusted-pem '" + pki.IntermediateCaPem() +
                              "' --id-attr:Id http://www.portalfiscal.inf.br/nfe:" + aIdElement +
                              " '" + file + "' 2>&1";
  XmlSecVerdict verdict;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return verdict;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) verdict.Output += buffer;
  const int status = ::pclose(pipe);
  verdict.Verified = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return verdict;
}

}  // namespace xnd::test

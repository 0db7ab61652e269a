#include "tests/govx/GovXTestKit.h"

#include <sys/wait.h>

#include <cstdio>

#include "tests/support/TempDir.h"
#include "tests/support/TestPki.h"

namespace xnd::test {

void PushCertificate(IxndGovX& aServer, int aKind, const std::string& aPath,
                     const std::string& aName, const std::string& aPassword) {
  ISignatureSettings& signature = aServer.SignatureSettings();
  IHttpSettings& connection = aServer.ConnectionSettings();
  signature.SetCertificateKind(aKind);
  connection.SetCertificateKind(aKind);
  signature.SetCertificatePath(aPath);
  connection.SetCertificatePath(aPath);
  signature.SetCertificateName(aName);
  connection.SetCertificateName(aName);
  signature.SetCertificatePassword(aPassword);
  connection.SetCertificatePassword(aPassword);
}

void PushCompanyCertificate(IxndGovX& aServer) {
  PushCertificate(aServer, 2, TestPki::Instance().CompanyPfx(), "", TestPki::Password);
}

XmlSecVerdict VerifyWithXmlSec(const std::string& aSignedXml, const std::string& aIdElement) {
  const TempDir dir;
  const std::string file = dir.Write("assinado.xml", aSignedXml);
  const TestPki& pki = TestPki::Instance();
  const std::string command = "xmlsec1 --verify --trusted-pem '" + pki.RootCaPem() +
                              "' --untrusted-pem '" + pki.IntermediateCaPem() + "' --id-attr:Id " +
                              NfeNamespace + ":" + aIdElement + " '" + file + "' 2>&1";
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

#include "tests/govx/GovXTestKit.h"

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

}  // namespace xnd::test

// The test company's A1 file (PKCS#12 with its password) as the certificate
// of both the signature and the connection settings of an xndGovX server.
#pragma once

#include "external/xndGovXIntf.h"
#include "tests/support/TestPki.h"

namespace xnd::test {

inline void UseCompanyCertificate(IxndGovX& aGovX) {
  const TestPki& pki = TestPki::Instance();
  IHttpSettings& conexao = aGovX.ConnectionSettings();
  conexao.SetCertificateKind(2);
  conexao.SetCertificatePath(pki.CompanyPfx());
  conexao.SetCertificatePassword(TestPki::Password);
  ISignatureSettings& assinatura = aGovX.SignatureSettings();
  assinatura.SetCertificateKind(2);
  assinatura.SetCertificatePath(pki.CompanyPfx());
  assinatura.SetCertificatePassword(TestPki::Password);
}

}  // namespace xnd::test

// Helpers shared by the xndGovX tests.
#pragma once

#include <memory>
#include <string>

#include "platform/exception.h"
#include "servers/govx/GovXServerImpl.h"

namespace xnd::test {

inline constexpr const char* NfeNamespace = "http://www.portalfiscal.inf.br/nfe";

// The message of the EOleException aAction raises; "<sem exceção>" when it
// returns normally (other exception classes escape and fail the test).
template <class Action>
std::string OleErrorOf(Action&& aAction) {
  try {
    aAction();
  } catch (const EOleException& e) {
    return e.Message();
  }
  return "<sem exceção>";
}

// The certificate values, pushed as the component does: into both settings objects.
void PushCertificate(IxndGovX& aServer, int aKind, const std::string& aPath,
                     const std::string& aName, const std::string& aPassword);
// The test company's PKCS#12 file with its password, kind 2.
void PushCompanyCertificate(IxndGovX& aServer);

// Runs the independent "xmlsec1 --verify" on a signed document, trusting the
// test root (the intermediate given as untrusted), with the Id attribute of
// aIdElement (in the NF-e namespace) registered as an ID.
struct XmlSecVerdict {
  bool Verified = false;
  std::string Output;
};
XmlSecVerdict VerifyWithXmlSec(const std::string& aSignedXml, const std::string& aIdElement);

}  // namespace xnd::test

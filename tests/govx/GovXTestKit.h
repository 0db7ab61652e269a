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

}  // namespace xnd::test

#include "external/xndGovX.h"

#include "servers/govx/GovXServer.h"

namespace xnd {

IxndGovX& TxndGovX::Server() {
  if (!FServer) {
    auto& registry = ServerRegistry::Instance();
    registry.RegisterDefault(GovXServerName, [] { return CreateGovXServer(); });
    FServer = registry.CreateAs<IxndGovX>(GovXServerName);
    FServer->OnCheckCertificate = [this](const std::string& aName) {
      if (OnCheckCertificate) OnCheckCertificate(aName);
    };
  }
  return *FServer;
}

}  // namespace xnd

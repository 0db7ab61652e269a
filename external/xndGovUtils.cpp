#include "external/xndGovUtils.h"

#include "servers/govutils/GovUtilsServer.h"

namespace xnd {

IxndGovUtils& TxndGovUtils::Server() {
  if (!FServer) {
    auto& registry = ServerRegistry::Instance();
    registry.RegisterDefault(GovUtilsServerName, [] { return CreateGovUtilsServer(); });
    FServer = registry.CreateAs<IxndGovUtils>(GovUtilsServerName);
    FServer->OnLog = [this](const std::string& aName, const std::string& aId,
                            const std::string& aFilename) {
      if (OnLog) OnLog(aName, aId, aFilename);
    };
    FServer->OnLogContent = [this](const std::string& aName, const std::string& aId,
                                   const std::string& aFilename, const std::string& aContent) {
      if (OnLogContent) OnLogContent(aName, aId, aFilename, aContent);
    };
  }
  return *FServer;
}

}  // namespace xnd

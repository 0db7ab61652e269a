#include "servers/govutils/GovUtilsServer.h"

#include "servers/govutils/GovUtilsServerImpl.h"
#include "servers/govutils/XmlSupport.h"

namespace xnd {

TGovUtilsServer::TGovUtilsServer() { govutils::InitXmlLibrary(); }

std::unique_ptr<IServer> CreateGovUtilsServer() { return std::make_unique<TGovUtilsServer>(); }

}  // namespace xnd

// Factory of the real xndGovUtils server (libxml2, zlib, OpenSSL).
#pragma once

#include <memory>

#include "external/xndGovUtilsIntf.h"

namespace xnd {

std::unique_ptr<IServer> CreateGovUtilsServer();

}  // namespace xnd

// Factory of the real xndGovX server (OpenSSL, xmlsec1, libcurl).
#pragma once

#include <memory>

#include "external/xndGovXIntf.h"

namespace xnd {

std::unique_ptr<IServer> CreateGovXServer();

}  // namespace xnd

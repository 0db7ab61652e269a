// Shared helpers of the xndGovUtils server tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "external/xndGovUtilsIntf.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "servers/govutils/GovUtilsServer.h"

namespace xnd::test {

inline std::unique_ptr<IxndGovUtils> NewGovUtils() {
  std::unique_ptr<IServer> server = CreateGovUtilsServer();
  auto* typed = dynamic_cast<IxndGovUtils*>(server.get());
  if (typed == nullptr)
    throw std::logic_error("CreateGovUtilsServer does not give an IxndGovUtils");
  server.release();
  return std::unique_ptr<IxndGovUtils>(typed);
}

// The message of the EOleException aCall raises; a test failure when it raises none.
inline std::string OleErrorOf(const std::function<void()>& aCall) {
  try {
    aCall();
  } catch (const EOleException& e) {
    return e.Message();
  }
  ADD_FAILURE() << "no EOleException was raised";
  return {};
}

inline std::string SharedPath(const std::string& aRelative) {
  return std::string(XND_SHARED_DIR) + "/" + aRelative;
}

inline std::string ReadFixture(const std::string& aName) {
  return ReadFileBytes(SharedPath("fixtures/" + aName));
}

inline constexpr const char* kNFeNamespace = "http://www.portalfiscal.inf.br/nfe";
inline constexpr const char* kTecPrefix = "xmlns:tec=\"http://www.portalfiscal.inf.br/nfe\"";

}  // namespace xnd::test

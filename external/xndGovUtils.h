// TxndGovUtils: the wrapper of the xndGovUtils server. Cheap to create, never
// fails; the first call creates the server through the ServerRegistry, so a
// server that cannot be created fails that first call with EOleSysError.
#pragma once

#include <memory>

#include "external/xndGovUtilsIntf.h"

namespace xnd {

class TxndGovUtils {
 public:
  TxndGovUtils() = default;
  // The server's events point back at this object: it stays where it was made.
  TxndGovUtils(const TxndGovUtils&) = delete;
  TxndGovUtils& operator=(const TxndGovUtils&) = delete;

  // The server, created on first use; events set on the wrapper reach it.
  IxndGovUtils& Server();
  IxndGovUtils* operator->() { return &Server(); }
  bool Connected() const { return FServer != nullptr; }

  TGovUtilsLogEvent OnLog;
  TGovUtilsLogContentEvent OnLogContent;

 private:
  std::unique_ptr<IxndGovUtils> FServer;
};

}  // namespace xnd

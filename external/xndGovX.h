// TxndGovX: the wrapper of the xndGovX server, created like TxndGovUtils.
#pragma once

#include <memory>

#include "external/xndGovXIntf.h"

namespace xnd {

class TxndGovX {
 public:
  TxndGovX() = default;
  // The server's events point back at this object: it stays where it was made.
  TxndGovX(const TxndGovX&) = delete;
  TxndGovX& operator=(const TxndGovX&) = delete;

  IxndGovX& Server();
  IxndGovX* operator->() { return &Server(); }
  bool Connected() const { return FServer != nullptr; }

  TGovXCheckCertificateEvent OnCheckCertificate;

 private:
  std::unique_ptr<IxndGovX> FServer;
};

}  // namespace xnd

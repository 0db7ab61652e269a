// The web-service object of each manual version.
#include "services/xndNFE30Intf.h"
#include "services/xndNFE40Intf.h"
#include "services/xndNFE50Intf.h"
#include "services/xndNFE50aIntf.h"
#include "services/xndNFEInterface.h"

namespace xnd {

std::unique_ptr<TxndNFEInterface> CriarInterfaceVersao(TVersaoManual aVersao,
                                                       const TNFeData& aDados,
                                                       TxndGovUtils& aGovUtils, TxndGovX& aGovX) {
  switch (aVersao) {
    case vm202a:
    case vm30:
      return std::make_unique<TxndNFE30Intf>(aDados, aGovUtils, aGovX);
    case vm40:
      return std::make_unique<TxndNFE40Intf>(aDados, aGovUtils, aGovX);
    case vm50:
      return std::make_unique<TxndNFE50Intf>(aDados, aGovUtils, aGovX);
    case vm50a:
      return std::make_unique<TxndNFE50aIntf>(aDados, aGovUtils, aGovX);
  }
  return nullptr;
}

}  // namespace xnd

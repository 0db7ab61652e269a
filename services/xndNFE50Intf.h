// Manual 5.0: the services, templates and values of manual 4.0, unchanged.
#pragma once

#include "services/xndNFE40Intf.h"

namespace xnd {

class TxndNFE50Intf : public TxndNFE40Intf {
 public:
  using TxndNFE40Intf::TxndNFE40Intf;
};

}  // namespace xnd

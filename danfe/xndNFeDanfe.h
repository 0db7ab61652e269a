// The DANFE object of the NF-e component.
#pragma once

#include "types/xndNFeType.h"

namespace xnd {

class TxndNFeDanfe {
 public:
  TVersaoManual VersaoManual() const { return FVersaoManual; }
  void SetVersaoManual(TVersaoManual aValue) { FVersaoManual = aValue; }

 private:
  TVersaoManual FVersaoManual = vm50;
};

}  // namespace xnd

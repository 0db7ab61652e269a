// The PIS and COFINS writers of the packages that choose the group from the
// 32 CST codes (pl_005f and pl_006g, which are not parent and child).
#pragma once

#include <string>

namespace xnd {

class TxndNFeCustomDataSet;

// "<PIS>...</PIS>" of the current item; the element is written even when the
// CST is none of the 32.
std::string PisPor32Codigos(TxndNFeCustomDataSet& aEngine);
// "<COFINS>...</COFINS>", the same choice.
std::string CofinsPor32Codigos(TxndNFeCustomDataSet& aEngine);

}  // namespace xnd

#include "datasets/xndDS_PisCofins32.h"
#include "datasets/xndNFeDataSetVersoes.h"

namespace xnd {

// The change of pl_005f made again: pl_006e and pl_006f do not have it.
std::string TxndDS_pl006g::ConvPartQ() { return PisPor32Codigos(*this); }
std::string TxndDS_pl006g::ConvPartS() { return CofinsPor32Codigos(*this); }

}  // namespace xnd

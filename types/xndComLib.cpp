#include "types/xndComLib.h"

#include "platform/com.h"

namespace xnd::comlib {

ExndException::ExndException(const std::string& aMessage, const std::string& /*aLogDir*/)
    : Exception(aMessage) {}

ExndException::ExndException(const std::string& aFormat, const std::vector<FormatArg>& aArgs,
                             const std::string& /*aLogDir*/)
    : Exception(FormatV(aFormat, aArgs)) {}

void InitializeComLib() {
  if (CoInitializeThread() == E_FAIL) {
    throw ExndSignatureException("can not initialize COM Lib");
  }
}

void FinalizeComLib() { CoUninitializeThread(); }

}  // namespace xnd::comlib

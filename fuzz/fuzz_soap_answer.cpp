// libFuzzer harness: a SOAP answer body as any server could send it, read as
// the xndGovX server reads it. Besides not crashing, every message it raises
// must stay on one line (server text never writes lines into a log).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/exception.h"
#include "servers/govx/GovXSoapMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace xnd;
  const std::string body(reinterpret_cast<const char*>(aData), aSize);
  for (const long status : {200L, 500L}) {
    try {
      govx::ExtractSoapResult(govx::TSoapAnswer{"https://h/ws", status, "", body},
                              "nfeResultMsg", "http://www.portalfiscal.inf.br/nfe/wsdl/x");
    } catch (const EOleException& e) {
      if (e.Message().find_first_of("\r\n") != std::string::npos) std::abort();
    }
  }
  return 0;
}

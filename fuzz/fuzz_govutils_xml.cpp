// libFuzzer harness: any text through the XML operations of the xndGovUtils
// server (parse, normalise, XPath selection, root namespace). Failures must
// come out as the server's error (EOleException) and nothing else.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "servers/govutils/GovUtilsServerImpl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* aData, std::size_t aSize) {
  using namespace xnd;
  static TGovUtilsServer server;
  const std::string xml(reinterpret_cast<const char*>(aData), aSize);
  try {
    server.NormalizeXml(xml);
  } catch (const EOleException&) {
  }
  try {
    std::vector<std::string> nodes;
    server.SelectNodes(xml, ".//tec:infNFe | //*[@Id]", 1,
                       "xmlns:tec=\"http://www.portalfiscal.inf.br/nfe\"", nodes);
  } catch (const EOleException&) {
  }
  try {
    server.GetRootNamespace(xml);
  } catch (const EOleException&) {
  }
  return 0;
}

// Signatures checked by the independent "xmlsec1 --verify" tool.
#pragma once

#include <string>

namespace xnd::test {

struct XmlSecVerdict {
  bool Verified = false;
  // What xmlsec1 printed (standard output and error), for the failure message.
  std::string Output;
};

// Runs "xmlsec1 --verify" on a signed document, trusting the test root (the
// intermediate given as untrusted), with the Id attribute of aIdElement (in
// the NF-e namespace) registered as an ID.
XmlSecVerdict VerifyWithXmlSec(const std::string& aSignedXml, const std::string& aIdElement);

}  // namespace xnd::test

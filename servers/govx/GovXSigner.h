// Enveloped XML-DSig as the NF-e manual prescribes, with xmlsec1-openssl:
// C14N 1.0, transforms enveloped-signature + C14N, SHA-1 digest, RSA-SHA1,
// Reference URI="#Id", KeyInfo/X509Data/X509Certificate with the signer's
// certificate only. The Signature element (default namespace
// http://www.w3.org/2000/09/xmldsig#, no prefix) becomes the last child of the
// parent of the signed element.
//
// The signature is compact: the template is built without whitespace text
// nodes and base64 values carry no line breaks, so removing CR LF from the
// result later never touches signed bytes.
#pragma once

#include <memory>
#include <string>

#include "servers/govx/GovXCertificates.h"

namespace xnd::govx {

// The xmlsec form of a certificate's key, built once per selected
// certificate and reused for every signature.
class TSigningKey {
 public:
  explicit TSigningKey(const TCredential& aCredential);
  ~TSigningKey();
  TSigningKey(const TSigningKey&) = delete;
  TSigningKey& operator=(const TSigningKey&) = delete;

  struct Impl;
  const Impl& Get() const { return *FImpl; }

 private:
  std::unique_ptr<Impl> FImpl;
};

// Initialises xmlsec once per process (thread-safe); never shut down while
// the process runs. Raises when the library cannot start.
void InitXmlSec();

// Signs the aElementName element whose Id attribute is aId, wherever it is
// in the document. The result is the text as it was given with the
// Signature inserted just before the parent's end tag: every other byte
// stays (byte-order mark, XML declaration or its absence, whitespace,
// attribute order). Signing the same input with the same key gives the same
// bytes.
std::string SignXmlDocument(const std::string& aXml, const std::string& aId,
                            const std::string& aElementName, const TSigningKey& aKey);

}  // namespace xnd::govx

// Enveloped XML-DSig as the NF-e manual prescribes: C14N 1.0, transforms
// enveloped-signature + C14N, SHA-1 digest, RSA-SHA1, Reference URI="#Id",
// KeyInfo/X509Data/X509Certificate with the signer's certificate only. The Signature element
// (default namespace http://www.w3.org/2000/09/xmldsig#, no prefix) becomes the last child of the
// parent of the signed element.
//
// The digest, the canonical SignedInfo and the RSA signature are computed
// directly (GovXC14N writes the canonical forms, OpenSSL hashes and signs);
// documents the direct writer does not cover are signed by xmlsec1-openssl,
// which gives the same bytes.
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

// Direct: the direct path, xmlsec for what it does not cover. XmlSec:
// xmlsec signs whatever the document (the tests compare the two).
enum class TSignPath { Direct, XmlSec };

// Signs the aElementName element whose Id attribute is aId, wherever it is
// in the document. The result is the text as it was given with the
// Signature inserted just before the parent's end tag: every other byte
// stays (byte-order mark, XML declaration or its absence, whitespace,
// attribute order). Signing the same input with the same key gives the same
// bytes.
std::string SignXmlDocument(const std::string& aXml, const std::string& aId,
                            const std::string& aElementName, const TSigningKey& aKey,
                            TSignPath aPath = TSignPath::Direct);

}  // namespace xnd::govx

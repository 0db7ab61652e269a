// Certificates of the xndGovX server: an opened certificate with its private
// key and the chain that came with it, read from a PKCS#12 (A1) file or from
// a PEM certificate/key pair, and the checks that make it usable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "servers/govx/GovXOpenSsl.h"

namespace xnd::govx {

struct TCredential {
  std::uint64_t Serial = 0;  // identifies this opening (a reopened file gets another)
  X509Ptr Certificate;
  EvpPkeyPtr Key;      // empty when the file holds no private key
  X509StackPtr Chain;  // the other certificates of the file (intermediates, root); may be empty
  std::string CommonName;
  std::string Source;  // the file it came from
};

using TCredentialPtr = std::shared_ptr<const TCredential>;

// Opens a PKCS#12 file with aPassword. An empty password also tries the
// "no password" form, as files exported without one use either.
// Raises EOleException: file missing, not PKCS#12, wrong password (the
// password never appears in the message), an algorithm OpenSSL cannot run.
TCredentialPtr OpenPkcs12(const std::string& aPath, const std::string& aPassword);

// True when aPassword opens the PKCS#12 file's integrity check (files without
// one accept any password); raises like OpenPkcs12 for unreadable files.
bool Pkcs12PasswordMatches(const std::string& aPath, const std::string& aPassword);

// Opens a PEM (or DER) certificate file; the certificates after the first
// become the chain. The key comes from aKeyPath when it is not empty, else
// from the certificate file itself when it holds one; an encrypted key is
// opened with aPassword. No key at all is not an error here (see CheckUsable).
TCredentialPtr OpenCertificatePair(const std::string& aCertificatePath, const std::string& aKeyPath,
                                   const std::string& aPassword);

// The first certificate of a PEM or DER file, without its key (listing).
X509Ptr ReadCertificateFile(const std::string& aPath);

// Raises when the certificate cannot sign now: no private key, not yet
// valid, expired (the messages give the certificate's name and the date).
void CheckUsable(const TCredential& aCredential);

}  // namespace xnd::govx

// OpenSSL plumbing of the xndGovX server: owning pointers, the error queue as
// text, the providers the certificate files need, and certificate fields.
#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace xnd::govx {

struct BioDeleter {
  void operator()(BIO* a) const noexcept { BIO_free_all(a); }
};
struct X509Deleter {
  void operator()(X509* a) const noexcept { X509_free(a); }
};
struct EvpPkeyDeleter {
  void operator()(EVP_PKEY* a) const noexcept { EVP_PKEY_free(a); }
};
struct Pkcs12Deleter {
  void operator()(PKCS12* a) const noexcept { PKCS12_free(a); }
};
struct X509StackDeleter {
  void operator()(STACK_OF(X509) * a) const noexcept { sk_X509_pop_free(a, X509_free); }
};
struct EvpMdCtxDeleter {
  void operator()(EVP_MD_CTX* a) const noexcept { EVP_MD_CTX_free(a); }
};

using BioPtr = std::unique_ptr<BIO, BioDeleter>;
using X509Ptr = std::unique_ptr<X509, X509Deleter>;
using EvpPkeyPtr = std::unique_ptr<EVP_PKEY, EvpPkeyDeleter>;
using Pkcs12Ptr = std::unique_ptr<PKCS12, Pkcs12Deleter>;
using X509StackPtr = std::unique_ptr<STACK_OF(X509), X509StackDeleter>;
using EvpMdCtxPtr = std::unique_ptr<EVP_MD_CTX, EvpMdCtxDeleter>;

// Loads OpenSSL's "default" and "legacy" providers once per process, so that
// PKCS#12 files protected with RC2-40 or 3DES (still common in A1 files
// exported by Windows and by the certification authorities) open. A missing
// legacy module is tolerated: such files then fail with the algorithm named.
void EnsureOpenSslProviders();

// Drains the calling thread's OpenSSL error queue into one line: every
// entry's reason, with the extra data OpenSSL attached (the algorithm that
// could not be fetched, for example), separated by "; ". Empty when the queue
// was empty.
std::string OpenSslErrorText();
// " (<reason>)" when the queue holds something, "" otherwise; drains it.
std::string OpenSslReasonSuffix();
// Forgets whatever the queue holds.
void ClearOpenSslErrors();

// A read-only memory BIO over aBytes (which must outlive it).
BioPtr MemoryBio(std::string_view aBytes);

// Subject common name as UTF-8 (ICP-Brasil style "RAZAO SOCIAL:CNPJ"); the
// whole subject in RFC 2253 form when there is no common name.
std::string CommonName(const X509* aCert);
// A name in RFC 2253 form ("CN=...,O=...,C=BR").
std::string NameText(const X509_NAME* aName);
// Seconds since the epoch of an ASN.1 time; -1 when it cannot be read.
std::time_t AsnTimeToEpoch(const ASN1_TIME* aTime);
// Local calendar date "dd/mm/yyyy" of an ASN.1 time.
std::string AsnTimeDate(const ASN1_TIME* aTime);
// DER encoding of the certificate in base64, without line breaks.
std::string CertificateBase64(X509* aCert);
// True when the certificate is its own issuer.
bool IsSelfSigned(X509* aCert);

}  // namespace xnd::govx

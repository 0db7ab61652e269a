#include "tests/support/TestPki.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <vector>

namespace xnd::test {

namespace {

struct KeyDeleter {
  void operator()(EVP_PKEY* a) const noexcept { EVP_PKEY_free(a); }
};
struct CertDeleter {
  void operator()(X509* a) const noexcept { X509_free(a); }
};
struct BioDeleter {
  void operator()(BIO* a) const noexcept { BIO_free_all(a); }
};
struct P12Deleter {
  void operator()(PKCS12* a) const noexcept { PKCS12_free(a); }
};
struct StackDeleter {
  void operator()(STACK_OF(X509) * a) const noexcept { sk_X509_free(a); }  // certificates not owned
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using CertPtr = std::unique_ptr<X509, CertDeleter>;
using BioPtr = std::unique_ptr<BIO, BioDeleter>;
using P12Ptr = std::unique_ptr<PKCS12, P12Deleter>;
using StackPtr = std::unique_ptr<STACK_OF(X509), StackDeleter>;

[[noreturn]] void Fail(const std::string& aWhat) {
  char reason[256] = "";
  ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
  throw std::runtime_error("TestPki: " + aWhat + ": " + reason);
}

void Check(bool aOk, const char* aWhat) {
  if (!aOk) Fail(aWhat);
}

KeyPtr NewKey() {
  KeyPtr key(EVP_RSA_gen(2048));
  Check(key != nullptr, "EVP_RSA_gen");
  return key;
}

struct Validity {
  std::time_t NotBefore;
  std::time_t NotAfter;
};

std::time_t Utc(int aYear, int aMonth, int aDay) {
  std::tm tm{};
  tm.tm_year = aYear - 1900;
  tm.tm_mon = aMonth - 1;
  tm.tm_mday = aDay;
  tm.tm_hour = 12;
  return timegm(&tm);
}

Validity Current() {
  const std::time_t now = std::time(nullptr);
  return {now - 24 * 3600, now + 5L * 365 * 24 * 3600};
}

void AddExtension(X509* aCert, X509* aIssuer, int aNid, const char* aValue) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, aIssuer, aCert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, aNid, aValue);
  Check(extension != nullptr, "X509V3_EXT_conf_nid");
  const int added = X509_add_ext(aCert, extension, -1);
  X509_EXTENSION_free(extension);
  Check(added == 1, "X509_add_ext");
}

void AddNameEntry(X509_NAME* aName, const char* aField, const std::string& aValue) {
  Check(X509_NAME_add_entry_by_txt(aName, aField, MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(aValue.c_str()), -1, -1,
                                   0) == 1,
        "X509_NAME_add_entry_by_txt");
}

enum class Profile { Authority, Client, Server };

// A certificate for aKey with common name aName, issued by aIssuer (self-signed when null).
CertPtr Issue(const std::string& aName, EVP_PKEY* aKey, X509* aIssuer, EVP_PKEY* aIssuerKey,
              Profile aProfile, Validity aValidity) {
  static long serial = 1000;
  CertPtr cert(X509_new());
  Check(cert != nullptr, "X509_new");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), ++serial);
  X509_NAME* subject = X509_get_subject_name(cert.get());
  AddNameEntry(subject, "C", "BR");
  AddNameEntry(subject, "O", "ICP-Brasil Teste");
  if (aProfile == Profile::Client) AddNameEntry(subject, "OU", "e-CNPJ A1");
  AddNameEntry(subject, "CN", aName);
  X509* issuer = aIssuer != nullptr ? aIssuer : cert.get();
  Check(X509_set_issuer_name(cert.get(), X509_get_subject_name(issuer)) == 1, "issuer");
  Check(ASN1_TIME_set(X509_getm_notBefore(cert.get()), aValidity.NotBefore) != nullptr,
        "notBefore");
  Check(ASN1_TIME_set(X509_getm_notAfter(cert.get()), aValidity.NotAfter) != nullptr, "notAfter");
  Check(X509_set_pubkey(cert.get(), aKey) == 1, "X509_set_pubkey");
  AddExtension(cert.get(), issuer, NID_subject_key_identifier, "hash");
  if (aIssuer != nullptr) AddExtension(cert.get(), issuer, NID_authority_key_identifier, "keyid");
  switch (aProfile) {
    case Profile::Authority:
      AddExtension(cert.get(), issuer, NID_basic_constraints, "critical,CA:TRUE");
      AddExtension(cert.get(), issuer, NID_key_usage, "critical,keyCertSign,cRLSign");
      break;
    case Profile::Client:
      AddExtension(cert.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
      AddExtension(cert.get(), issuer, NID_key_usage,
                   "critical,digitalSignature,nonRepudiation,keyEncipherment");
      AddExtension(cert.get(), issuer, NID_ext_key_usage, "clientAuth,emailProtection");
      break;
    case Profile::Server:
      AddExtension(cert.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
      AddExtension(cert.get(), issuer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
      AddExtension(cert.get(), issuer, NID_ext_key_usage, "serverAuth");
      AddExtension(cert.get(), issuer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
      break;
  }
  Check(X509_sign(cert.get(), aIssuerKey != nullptr ? aIssuerKey : aKey, EVP_sha256()) > 0,
        "X509_sign");
  return cert;
}

BioPtr OpenFile(const std::string& aPath) {
  BioPtr bio(BIO_new_file(aPath.c_str(), "wb"));
  Check(bio != nullptr, "BIO_new_file");
  return bio;
}

void WriteCertificates(const std::string& aPath, const std::vector<X509*>& aCerts) {
  BioPtr bio = OpenFile(aPath);
  for (X509* cert : aCerts) Check(PEM_write_bio_X509(bio.get(), cert) == 1, "PEM_write_bio_X509");
}

void WriteKey(const std::string& aPath, EVP_PKEY* aKey, const char* aPassword = nullptr) {
  BioPtr bio = OpenFile(aPath);
  const EVP_CIPHER* cipher = aPassword != nullptr ? EVP_aes_256_cbc() : nullptr;
  Check(PEM_write_bio_PrivateKey(bio.get(), aKey, cipher, nullptr, 0, nullptr,
                                 const_cast<char*>(aPassword)) == 1,
        "PEM_write_bio_PrivateKey");
}

void WritePkcs12(const std::string& aPath, const char* aPassword, EVP_PKEY* aKey, X509* aCert,
                 const std::vector<X509*>& aChain) {
  StackPtr chain(sk_X509_new_null());
  for (X509* cert : aChain) sk_X509_push(chain.get(), cert);
  // OpenSSL 3 defaults: AES-256-CBC, PBKDF2, SHA-256 MAC.
  P12Ptr p12(PKCS12_create(aPassword, "certificado", aKey, aCert, chain.get(), 0, 0, 0, 0, 0));
  Check(p12 != nullptr, "PKCS12_create");
  BioPtr bio = OpenFile(aPath);
  Check(i2d_PKCS12_bio(bio.get(), p12.get()) == 1, "i2d_PKCS12_bio");
}

// The legacy file comes from the openssl tool, so that this process never
// loads the legacy provider itself: opening it must be the server's doing.
void WriteLegacyPkcs12(const std::string& aDir, const std::string& aOut) {
  const std::string command = "openssl pkcs12 -export -legacy -in '" + aDir +
                              "legado.crt' -inkey '" + aDir + "legado.key' -certfile '" + aDir +
                              "cadeia.pem' -passout pass:" + TestPki::Password + " -out '" + aOut +
                              "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("TestPki: " + command);
}

}  // namespace

const TestPki& TestPki::Instance() {
  static const TestPki pki;
  return pki;
}

TestPki::TestPki() {
  const Validity authorities{std::time(nullptr) - 24 * 3600, Utc(2050, 1, 1)};
  const Validity early{Utc(2015, 1, 1), Utc(2050, 1, 1)};  // covers the expired certificate
  KeyPtr rootKey = NewKey();
  CertPtr root = Issue("XND Teste AC Raiz", rootKey.get(), nullptr, nullptr, Profile::Authority,
                       {early.NotBefore, authorities.NotAfter});
  KeyPtr intermediateKey = NewKey();
  CertPtr intermediate = Issue("XND Teste AC Intermediaria", intermediateKey.get(), root.get(),
                               rootKey.get(), Profile::Authority, early);
  WriteCertificates(RootCaPem(), {root.get()});
  WriteCertificates(IntermediateCaPem(), {intermediate.get()});
  WriteCertificates(File("cadeia.pem"), {intermediate.get(), root.get()});
  const std::vector<X509*> chain{intermediate.get(), root.get()};

  auto client = [&](const char* aName, EVP_PKEY* aKey, Validity aValidity) {
    return Issue(aName, aKey, intermediate.get(), intermediateKey.get(), Profile::Client,
                 aValidity);
  };

  KeyPtr companyKey = NewKey();
  CertPtr company = client(CompanyName, companyKey.get(), Current());
  WritePkcs12(CompanyPfx(), Password, companyKey.get(), company.get(), chain);
  WritePkcs12(CompanyPfxWithoutPassword(), nullptr, companyKey.get(), company.get(), chain);
  WriteCertificates(CompanyCertificatePem(), {company.get()});
  WriteKey(CompanyKeyPem(), companyKey.get());

  KeyPtr otherKey = NewKey();
  WritePkcs12(SecondPfx(), Password, otherKey.get(),
              client(SecondName, otherKey.get(), Current()).get(), chain);
  WritePkcs12(ExpiredPfx(), Password, otherKey.get(),
              client(ExpiredName, otherKey.get(), {Utc(2019, 1, 1), Utc(2020, 1, 31)}).get(),
              chain);
  WritePkcs12(NotYetValidPfx(), Password, otherKey.get(),
              client(NotYetValidName, otherKey.get(), {Utc(2040, 6, 15), Utc(2045, 1, 1)}).get(),
              chain);
  WriteCertificates(PemCertificate(), {client(PemName, otherKey.get(), Current()).get()});
  WriteKey(PemKey(), otherKey.get());
  WriteCertificates(EncryptedPemCertificate(),
                    {client(EncryptedPemName, otherKey.get(), Current()).get()});
  WriteKey(EncryptedPemKey(), otherKey.get(), Password);
  WriteCertificates(CertificateWithoutKey(),
                    {client(WithoutKeyName, otherKey.get(), Current()).get()});
  WriteCertificates(File("legado.crt"), {client(LegacyName, otherKey.get(), Current()).get()});
  WriteKey(File("legado.key"), otherKey.get());
  WriteLegacyPkcs12(Dir(), LegacyPfx());

  // RSA keys are what costs here: the server shares the second key.
  WriteCertificates(ServerCertificate(), {Issue("127.0.0.1", otherKey.get(), root.get(),
                                                rootKey.get(), Profile::Server, Current())
                                              .get()});
  WriteKey(ServerKey(), otherKey.get());
}

}  // namespace xnd::test

#include "servers/govx/GovXOpenSsl.h"

#include <openssl/asn1.h>
#include <openssl/err.h>
#include <openssl/provider.h>
#include <openssl/x509v3.h>

#include <cstdlib>
#include <mutex>

#include "platform/exception.h"

namespace xnd::govx {

namespace {

OSSL_PROVIDER* gDefaultProvider = nullptr;
OSSL_PROVIDER* gLegacyProvider = nullptr;

// At exit, before OpenSSL's own clean-up (registered earlier, so it runs later).
void UnloadProviders() {
  if (gLegacyProvider != nullptr) OSSL_PROVIDER_unload(gLegacyProvider);
  if (gDefaultProvider != nullptr) OSSL_PROVIDER_unload(gDefaultProvider);
  gLegacyProvider = gDefaultProvider = nullptr;
}

}  // namespace

void EnsureOpenSslProviders() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Loading any provider explicitly switches off the implicit load of the
    // default one, so both are named.
    gDefaultProvider = OSSL_PROVIDER_load(nullptr, "default");
    gLegacyProvider = OSSL_PROVIDER_load(nullptr, "legacy");
    ERR_clear_error();
    std::atexit(UnloadProviders);
  });
}

std::string OpenSslErrorText() {
  std::string text;
  const char* data = nullptr;
  int flags = 0;
  unsigned long code = 0;
  while ((code = ERR_get_error_all(nullptr, nullptr, nullptr, &data, &flags)) != 0) {
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    if (!text.empty()) text += "; ";
    text += buffer;
    if ((flags & ERR_TXT_STRING) != 0 && data != nullptr && *data != '\0') {
      text += " (";
      text += data;
      text += ")";
    }
  }
  return text;
}

std::string OpenSslReasonSuffix() {
  const std::string reason = OpenSslErrorText();
  return reason.empty() ? std::string() : " (" + reason + ")";
}

void ClearOpenSslErrors() { ERR_clear_error(); }

BioPtr MemoryBio(std::string_view aBytes) {
  BioPtr bio(BIO_new_mem_buf(aBytes.data(), static_cast<int>(aBytes.size())));
  if (!bio)
    throw EOleException("Memória insuficiente para ler o certificado" + OpenSslReasonSuffix());
  return bio;
}

std::string NameText(const X509_NAME* aName) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (!bio || aName == nullptr) return {};
  X509_NAME_print_ex(bio.get(), aName, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(size));
}

std::string CommonName(const X509* aCert) {
  const X509_NAME* subject = X509_get_subject_name(aCert);
  const int index = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
  if (index < 0) return NameText(subject);
  const ASN1_STRING* value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index));
  unsigned char* utf8 = nullptr;
  const int size = ASN1_STRING_to_UTF8(&utf8, value);
  if (size < 0) {
    ClearOpenSslErrors();
    return NameText(subject);
  }
  std::string name(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(size));
  OPENSSL_free(utf8);
  return name;
}

std::time_t AsnTimeToEpoch(const ASN1_TIME* aTime) {
  std::tm tm{};
  if (aTime == nullptr || ASN1_TIME_to_tm(aTime, &tm) != 1) {
    ClearOpenSslErrors();
    return -1;
  }
  return timegm(&tm);
}

std::string AsnTimeDate(const ASN1_TIME* aTime) {
  const std::time_t epoch = AsnTimeToEpoch(aTime);
  std::tm local{};
  if (epoch == -1 || localtime_r(&epoch, &local) == nullptr) return "?";
  char buffer[16];
  std::strftime(buffer, sizeof buffer, "%d/%m/%Y", &local);
  return buffer;
}

std::string CertificateBase64(X509* aCert) {
  unsigned char* der = nullptr;
  const int size = i2d_X509(aCert, &der);
  if (size <= 0)
    throw EOleException("Não foi possível codificar o certificado" + OpenSslReasonSuffix());
  std::string encoded(4 * ((static_cast<std::size_t>(size) + 2) / 3) + 1, '\0');
  const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()), der, size);
  OPENSSL_free(der);
  encoded.resize(static_cast<std::size_t>(written));
  return encoded;
}

bool IsSelfSigned(X509* aCert) { return (X509_get_extension_flags(aCert) & EXFLAG_SS) != 0; }

}  // namespace xnd::govx

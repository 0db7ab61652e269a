#include "servers/govx/GovXCertificates.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <atomic>
#include <cstring>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"

namespace xnd::govx {

namespace {

std::uint64_t NextSerial() {
  static std::atomic<std::uint64_t> serial{0};
  return ++serial;
}

std::string ReadCertificateBytes(const std::string& aPath) {
  if (!FileExists(aPath)) throw EOleException("Arquivo do certificado não encontrado: " + aPath);
  try {
    return ReadFileBytes(aPath);
  } catch (const Exception& e) {
    throw EOleException("Não foi possível ler o arquivo do certificado: " + e.Message());
  }
}

Pkcs12Ptr ReadPkcs12(const std::string& aPath) {
  const std::string bytes = ReadCertificateBytes(aPath);
  BioPtr bio = MemoryBio(bytes);
  Pkcs12Ptr p12(d2i_PKCS12_bio(bio.get(), nullptr));
  if (!p12) {
    throw EOleException(Format("O arquivo \"%s\" não é um certificado PKCS#12 válido%s.", aPath,
                               OpenSslReasonSuffix()));
  }
  return p12;
}

// MAC check of one password; "" also tries the absent-password form.
// Raises when OpenSSL cannot compute the MAC at all (unsupported algorithm).
bool MacMatches(PKCS12* aP12, const std::string& aPath, const std::string& aPassword) {
  if (!PKCS12_mac_present(aP12)) return true;
  ClearOpenSslErrors();
  if (aPassword.empty()) {
    if (PKCS12_verify_mac(aP12, nullptr, 0) == 1 || PKCS12_verify_mac(aP12, "", 0) == 1) {
      return true;
    }
  } else if (PKCS12_verify_mac(aP12, aPassword.c_str(), -1) == 1) {
    return true;
  }
  const std::string reason = OpenSslErrorText();
  if (!reason.empty()) {
    throw EOleException(Format("Não foi possível verificar a integridade do certificado \"%s\": %s",
                               aPath, reason));
  }
  return false;
}

TCredentialPtr MakeCredential(X509Ptr aCertificate, EvpPkeyPtr aKey, X509StackPtr aChain,
                              const std::string& aSource) {
  if (aKey && X509_check_private_key(aCertificate.get(), aKey.get()) != 1) {
    ClearOpenSslErrors();
    throw EOleException(
        Format("A chave privada não corresponde ao certificado do arquivo \"%s\".", aSource));
  }
  auto credential = std::make_shared<TCredential>();
  credential->Serial = NextSerial();
  credential->CommonName = CommonName(aCertificate.get());
  credential->Certificate = std::move(aCertificate);
  credential->Key = std::move(aKey);
  credential->Chain = std::move(aChain);
  credential->Source = aSource;
  return credential;
}

// Every certificate of a PEM file, or the single one of a DER file.
X509StackPtr ReadCertificates(const std::string& aPath, const std::string& aBytes) {
  X509StackPtr certificates(sk_X509_new_null());
  if (!certificates) throw EOleException("Memória insuficiente para ler o certificado.");
  BioPtr bio = MemoryBio(aBytes);
  while (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
    sk_X509_push(certificates.get(), cert);
  }
  ClearOpenSslErrors();
  if (sk_X509_num(certificates.get()) == 0) {
    BioPtr der = MemoryBio(aBytes);
    if (X509* cert = d2i_X509_bio(der.get(), nullptr)) sk_X509_push(certificates.get(), cert);
  }
  if (sk_X509_num(certificates.get()) == 0) {
    throw EOleException(Format("O arquivo \"%s\" não contém um certificado válido%s.", aPath,
                               OpenSslReasonSuffix()));
  }
  return certificates;
}

int PemPassword(char* aBuffer, int aSize, int, void* aPassword) {
  const auto* password = static_cast<const std::string*>(aPassword);
  const int length = static_cast<int>(password->size());
  if (length > aSize) return -1;
  std::memcpy(aBuffer, password->data(), static_cast<std::size_t>(length));
  return length;
}

// The private key of a PEM text; empty when the text holds none.
EvpPkeyPtr ReadPemKey(const std::string& aPath, const std::string& aBytes,
                      const std::string& aPassword) {
  if (aBytes.find("PRIVATE KEY-----") == std::string::npos) return nullptr;
  BioPtr bio = MemoryBio(aBytes);
  std::string password = aPassword;
  EvpPkeyPtr key(PEM_read_bio_PrivateKey(bio.get(), nullptr, PemPassword, &password));
  if (key) return key;
  if (aBytes.find("ENCRYPTED") != std::string::npos) {
    ClearOpenSslErrors();
    throw EOleException(Format("Senha da chave privada inválida para o arquivo \"%s\".", aPath));
  }
  throw EOleException(
      Format("Não foi possível ler a chave privada de \"%s\"%s.", aPath, OpenSslReasonSuffix()));
}

}  // namespace

bool Pkcs12PasswordMatches(const std::string& aPath, const std::string& aPassword) {
  const Pkcs12Ptr p12 = ReadPkcs12(aPath);
  return MacMatches(p12.get(), aPath, aPassword);
}

TCredentialPtr OpenPkcs12(const std::string& aPath, const std::string& aPassword) {
  const Pkcs12Ptr p12 = ReadPkcs12(aPath);
  if (!MacMatches(p12.get(), aPath, aPassword)) {
    throw EOleException(Format("Senha do certificado inválida para o arquivo \"%s\".", aPath));
  }
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  STACK_OF(X509)* chain = nullptr;
  ClearOpenSslErrors();
  if (PKCS12_parse(p12.get(), aPassword.c_str(), &key, &cert, &chain) != 1) {
    throw EOleException(
        Format("Não foi possível abrir o certificado \"%s\": %s", aPath, OpenSslErrorText()));
  }
  EvpPkeyPtr keyPtr(key);
  X509Ptr certPtr(cert);
  X509StackPtr chainPtr(chain);
  if (!certPtr) {
    throw EOleException(Format("O arquivo \"%s\" não contém um certificado.", aPath));
  }
  return MakeCredential(std::move(certPtr), std::move(keyPtr), std::move(chainPtr), aPath);
}

TCredentialPtr OpenCertificatePair(const std::string& aCertificatePath, const std::string& aKeyPath,
                                   const std::string& aPassword) {
  const std::string bytes = ReadCertificateBytes(aCertificatePath);
  X509StackPtr certificates = ReadCertificates(aCertificatePath, bytes);
  X509Ptr leaf(sk_X509_shift(certificates.get()));
  EvpPkeyPtr key = aKeyPath.empty()
                       ? ReadPemKey(aCertificatePath, bytes, aPassword)
                       : ReadPemKey(aKeyPath, ReadCertificateBytes(aKeyPath), aPassword);
  return MakeCredential(std::move(leaf), std::move(key), std::move(certificates), aCertificatePath);
}

X509Ptr ReadCertificateFile(const std::string& aPath) {
  X509StackPtr certificates = ReadCertificates(aPath, ReadCertificateBytes(aPath));
  return X509Ptr(sk_X509_shift(certificates.get()));
}

void CheckUsable(const TCredential& aCredential) {
  const std::string& name = aCredential.CommonName;
  if (!aCredential.Key) {
    throw EOleException(Format("O certificado \"%s\" não possui chave privada.", name));
  }
  const ASN1_TIME* notBefore = X509_get0_notBefore(aCredential.Certificate.get());
  if (X509_cmp_current_time(notBefore) > 0) {
    throw EOleException(Format("O certificado \"%s\" ainda não é válido: a validade começa em %s.",
                               name, AsnTimeDate(notBefore)));
  }
  const ASN1_TIME* notAfter = X509_get0_notAfter(aCredential.Certificate.get());
  if (X509_cmp_current_time(notAfter) < 0) {
    throw EOleException(
        Format("O certificado \"%s\" está vencido desde %s.", name, AsnTimeDate(notAfter)));
  }
}

}  // namespace xnd::govx

// A test PKI made at test time with OpenSSL, once per test process, in a
// temporary directory: a root authority, an intermediate one, e-CNPJ style
// A1 certificates (valid, expired, not yet valid, legacy PKCS#12, PEM pairs,
// a certificate without key) and a server certificate for 127.0.0.1.
//
// Every client certificate is issued by the intermediate authority and its
// PKCS#12 file carries the intermediate and the root, as the files of the
// ICP-Brasil authorities do; a peer that trusts only the root accepts it only
// when the whole chain is sent.
#pragma once

#include <string>

#include "tests/support/TempDir.h"

namespace xnd::test {

class TestPki {
 public:
  static constexpr const char* Password = "1234";

  static constexpr const char* CompanyName = "EMPRESA TESTE LTDA:12345678000195";
  static constexpr const char* SecondName = "OUTRA EMPRESA SA:98765432000110";
  static constexpr const char* ExpiredName = "EMPRESA VENCIDA LTDA:11222333000181";
  static constexpr const char* NotYetValidName = "EMPRESA FUTURA LTDA:44555666000172";
  static constexpr const char* PemName = "EMPRESA PEM LTDA:77888999000103";
  static constexpr const char* EncryptedPemName = "EMPRESA PEM CIFRADA LTDA:55666777000144";
  static constexpr const char* LegacyName = "EMPRESA LEGADA LTDA:22333444000155";
  static constexpr const char* WithoutKeyName = "EMPRESA SEM CHAVE LTDA:33444555000166";

  // The expired certificate ended on 31/01/2020 12:00 UTC; the not-yet-valid
  // one starts on 15/06/2040 12:00 UTC (noon: the same date in every zone
  // from UTC-11 to UTC+11).
  static constexpr const char* ExpiredEndDate = "31/01/2020";
  static constexpr const char* NotYetValidStartDate = "15/06/2040";

  // Built at the first call (a few RSA keys: about a second).
  static const TestPki& Instance();

  const std::string& Dir() const { return FDir.Path(); }
  std::string File(const std::string& aName) const { return FDir.File(aName); }

  std::string RootCaPem() const { return File("ac-raiz.pem"); }
  std::string IntermediateCaPem() const { return File("ac-intermediaria.pem"); }

  // PKCS#12, password "1234", chain intermediate + root.
  std::string CompanyPfx() const { return File("empresa.pfx"); }
  std::string SecondPfx() const { return File("outra.pfx"); }
  std::string ExpiredPfx() const { return File("vencido.pfx"); }
  std::string NotYetValidPfx() const { return File("futuro.pfx"); }
  // Made by "openssl pkcs12 -export -legacy" (RC2-40 / 3DES, SHA-1 MAC).
  std::string LegacyPfx() const { return File("legado.pfx"); }
  // The same company certificate as PKCS#12 without a password.
  std::string CompanyPfxWithoutPassword() const { return File("empresa-sem-senha.pfx"); }

  // The company certificate and its unencrypted key as PEM (benchmarks, raw signing).
  std::string CompanyCertificatePem() const { return File("empresa.crt"); }
  std::string CompanyKeyPem() const { return File("empresa.key"); }

  // PEM pairs: NAME.crt + NAME.key (the second key encrypted with "1234").
  std::string PemCertificate() const { return File("par-pem.crt"); }
  std::string PemKey() const { return File("par-pem.key"); }
  std::string EncryptedPemCertificate() const { return File("par-cifrado.crt"); }
  std::string EncryptedPemKey() const { return File("par-cifrado.key"); }
  // A certificate with no key anywhere.
  std::string CertificateWithoutKey() const { return File("sem-chave.crt"); }

  // The TLS server: CN 127.0.0.1, SAN IP 127.0.0.1 and DNS localhost, issued by the root.
  std::string ServerCertificate() const { return File("servidor.crt"); }
  std::string ServerKey() const { return File("servidor.key"); }

 private:
  TestPki();
  TempDir FDir;
};

}  // namespace xnd::test

// The raw RSA-2048/SHA-1 signature the benchmarks compare signing with: the
// test company's key and one signature over a text the size of a SignedInfo.
#pragma once

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <time.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "tests/support/TestPki.h"

namespace xnd::bench {

struct PkeyDeleter {
  void operator()(EVP_PKEY* a) const noexcept { EVP_PKEY_free(a); }
};
struct MdCtxDeleter {
  void operator()(EVP_MD_CTX* a) const noexcept { EVP_MD_CTX_free(a); }
};

inline std::unique_ptr<EVP_PKEY, PkeyDeleter> CompanyKey() {
  FILE* file = std::fopen(test::TestPki::Instance().CompanyKeyPem().c_str(), "r");
  if (file == nullptr) throw std::runtime_error("company key");
  std::unique_ptr<EVP_PKEY, PkeyDeleter> key(PEM_read_PrivateKey(file, nullptr, nullptr, nullptr));
  std::fclose(file);
  if (!key) throw std::runtime_error("company key");
  return key;
}

// CPU time of the calling thread, in seconds.
inline double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class RawSigner {
 public:
  RawSigner() : FKey(CompanyKey()), FSignedInfo(620, 'x') {}
  // One raw signature; raises when OpenSSL refuses it.
  void Sign() {
    std::unique_ptr<EVP_MD_CTX, MdCtxDeleter> ctx(EVP_MD_CTX_new());
    std::size_t size = sizeof FSignature;
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha1(), nullptr, FKey.get()) != 1 ||
        EVP_DigestSign(ctx.get(), FSignature, &size,
                       reinterpret_cast<const unsigned char*>(FSignedInfo.data()),
                       FSignedInfo.size()) != 1) {
      throw std::runtime_error("EVP_DigestSign");
    }
    benchmark::DoNotOptimize(FSignature);
  }
  // The CPU time of aCount raw signatures, for ratios measured under the
  // same load as the work they are compared with.
  double Time(int aCount) {
    const double start = ThreadCpuSeconds();
    for (int i = 0; i < aCount; ++i) Sign();
    return ThreadCpuSeconds() - start;
  }

 private:
  std::unique_ptr<EVP_PKEY, PkeyDeleter> FKey;
  std::string FSignedInfo;
  unsigned char FSignature[512];
};

// The raw signature rate itself.
inline void RawRsa2048Sha1(benchmark::State& aState) {
  RawSigner signer;
  for (auto _ : aState) signer.Sign();
  aState.SetItemsProcessed(aState.iterations());
}

}  // namespace xnd::bench

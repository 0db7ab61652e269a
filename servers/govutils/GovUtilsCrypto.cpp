// Protected texts (AES-256-GCM), gzip compression and base64.
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/rand.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <climits>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "servers/govutils/GovUtilsServerImpl.h"

namespace xnd {

namespace {

// --- Protected text ---------------------------------------------------------
//
// A protected text is base64 of: version byte (1) | 12-byte random nonce |
// AES-256-GCM ciphertext | 16-byte tag; the version byte is authenticated too.
// The key is HKDF-SHA256 of a per-machine, per-user secret: the contents of
// /etc/machine-id (or /var/lib/dbus/machine-id) as input key material, a fixed
// salt, and the real user id as context. A text protected on one machine by
// one user opens only there, for that user; it keeps a value out of sight in a
// configuration file that is copied around, not away from someone who can
// already read the machine id as that user. The empty text stays empty both ways.

constexpr unsigned char kFormatVersion = 1;
constexpr std::size_t kNonceSize = 12;
constexpr std::size_t kTagSize = 16;
constexpr std::size_t kKeySize = 32;
constexpr std::string_view kKeySalt = "xndGovUtils.ProtectText.v1";

struct CipherCtxDeleter {
  void operator()(EVP_CIPHER_CTX* aCtx) const noexcept { EVP_CIPHER_CTX_free(aCtx); }
};
struct KdfDeleter {
  void operator()(EVP_KDF* aKdf) const noexcept { EVP_KDF_free(aKdf); }
};
struct KdfCtxDeleter {
  void operator()(EVP_KDF_CTX* aCtx) const noexcept { EVP_KDF_CTX_free(aCtx); }
};
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxDeleter>;
using KdfPtr = std::unique_ptr<EVP_KDF, KdfDeleter>;
using KdfCtxPtr = std::unique_ptr<EVP_KDF_CTX, KdfCtxDeleter>;

// Zeroes the key when it goes out of scope.
struct Key {
  std::array<unsigned char, kKeySize> Bytes{};
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() { OPENSSL_cleanse(Bytes.data(), Bytes.size()); }
};

[[noreturn]] void RaiseCrypto(const std::string& aWhat) {
  throw EOleException("Falha de criptografia: " + aWhat);
}

std::string MachineSecret() {
  for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
    if (!FileExists(path)) continue;
    std::string id = Trim(ReadFileBytes(path));
    if (!id.empty()) return id;
  }
  throw EOleException("Não foi possível ler o identificador da máquina (/etc/machine-id)");
}

void DeriveKey(Key& aKey) {
  const std::string secret = MachineSecret();
  std::string context = "uid:" + std::to_string(::getuid());
  const KdfPtr kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
  if (!kdf) RaiseCrypto("HKDF indisponível");
  const KdfCtxPtr ctx(EVP_KDF_CTX_new(kdf.get()));
  if (!ctx) RaiseCrypto("HKDF indisponível");
  std::string digest = "SHA256";
  std::string salt(kKeySalt);
  std::string material = secret;
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest.data(), 0),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, material.data(), material.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, salt.data(), salt.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, context.data(), context.size()),
      OSSL_PARAM_construct_end()};
  const int ok = EVP_KDF_derive(ctx.get(), aKey.Bytes.data(), aKey.Bytes.size(), params);
  OPENSSL_cleanse(material.data(), material.size());
  if (ok != 1) RaiseCrypto("derivação da chave");
}

const unsigned char* Bytes(std::string_view aText) {
  return reinterpret_cast<const unsigned char*>(aText.data());
}
unsigned char* Bytes(std::string& aText) { return reinterpret_cast<unsigned char*>(aText.data()); }

int CheckedLength(std::size_t aSize) {
  if (aSize > static_cast<std::size_t>(INT_MAX / 2)) RaiseCrypto("texto grande demais");
  return static_cast<int>(aSize);
}

std::string Encrypt(const Key& aKey, std::string_view aPlain) {
  std::string sealed(1 + kNonceSize + aPlain.size() + kTagSize, '\0');
  sealed[0] = static_cast<char>(kFormatVersion);
  unsigned char* nonce = Bytes(sealed) + 1;
  unsigned char* cipher = nonce + kNonceSize;
  if (RAND_bytes(nonce, static_cast<int>(kNonceSize)) != 1)
    RaiseCrypto("gerador de números aleatórios");
  const CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  int length = 0;
  if (!ctx ||
      EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, aKey.Bytes.data(), nonce) != 1 ||
      EVP_EncryptUpdate(ctx.get(), nullptr, &length, Bytes(sealed), 1) != 1 ||
      EVP_EncryptUpdate(ctx.get(), cipher, &length, Bytes(aPlain), CheckedLength(aPlain.size())) !=
          1 ||
      EVP_EncryptFinal_ex(ctx.get(), cipher + length, &length) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize),
                          cipher + aPlain.size()) != 1) {
    RaiseCrypto("cifragem");
  }
  return sealed;
}

[[noreturn]] void RaiseNotProtected() {
  throw EOleException(
      "Texto protegido inválido: foi alterado ou protegido em outra máquina ou por outro usuário");
}

std::string Decrypt(const Key& aKey, std::string_view aSealed) {
  if (aSealed.size() < 1 + kNonceSize + kTagSize ||
      static_cast<unsigned char>(aSealed[0]) != kFormatVersion) {
    RaiseNotProtected();
  }
  const unsigned char* nonce = Bytes(aSealed) + 1;
  const unsigned char* cipher = nonce + kNonceSize;
  const std::size_t cipherSize = aSealed.size() - 1 - kNonceSize - kTagSize;
  std::string tag(aSealed.substr(aSealed.size() - kTagSize));
  std::string plain(cipherSize, '\0');
  const CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  int length = 0;
  if (!ctx ||
      EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, aKey.Bytes.data(), nonce) != 1 ||
      EVP_DecryptUpdate(ctx.get(), nullptr, &length, Bytes(aSealed), 1) != 1 ||
      EVP_DecryptUpdate(ctx.get(), Bytes(plain), &length, cipher, CheckedLength(cipherSize)) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize),
                          tag.data()) != 1) {
    RaiseCrypto("decifragem");
  }
  if (EVP_DecryptFinal_ex(ctx.get(), Bytes(plain) + length, &length) != 1) {
    OPENSSL_cleanse(plain.data(), plain.size());
    RaiseNotProtected();
  }
  return plain;
}

// Strict base64 (padding included, no blanks); false when aText is not.
bool DecodeBase64(std::string_view aText, std::string& aBytes) {
  if (aText.empty() || aText.size() % 4 != 0 ||
      aText.size() > static_cast<std::size_t>(INT_MAX / 2))
    return false;
  if (aText.find_first_of(" \t\r\n") != std::string_view::npos) return false;
  std::string bytes(aText.size() / 4 * 3, '\0');
  if (EVP_DecodeBlock(Bytes(bytes), Bytes(aText), static_cast<int>(aText.size())) < 0) return false;
  const std::size_t padding = aText.ends_with("==") ? 2 : aText.ends_with("=") ? 1 : 0;
  bytes.resize(bytes.size() - padding);
  aBytes = std::move(bytes);
  return true;
}

// --- gzip -------------------------------------------------------------------

struct DeflateStream {
  z_stream Stream{};
  bool Ready = false;
  DeflateStream() {
    // windowBits 31: a gzip header and trailer around the deflate data.
    Ready =
        deflateInit2(&Stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;
  ~DeflateStream() {
    if (Ready) deflateEnd(&Stream);
  }
};

}  // namespace

std::string TGovUtilsServer::ProtectText(const std::string& aText) {
  if (aText.empty()) return {};
  Key key;
  DeriveKey(key);
  return EncodeBase64(Encrypt(key, aText));
}

std::string TGovUtilsServer::UnprotectText(const std::string& aText) {
  if (aText.empty()) return {};
  std::string sealed;
  if (!DecodeBase64(aText, sealed)) RaiseNotProtected();
  Key key;
  DeriveKey(key);
  return Decrypt(key, sealed);
}

std::string TGovUtilsServer::Compress(const std::string& aText) {
  DeflateStream deflater;
  if (!deflater.Ready) throw EOleException("Não foi possível iniciar a compactação (zlib)");
  z_stream& zs = deflater.Stream;
  std::string out;
  std::array<unsigned char, 64 * 1024> chunk{};
  std::size_t consumed = 0;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    if (zs.avail_in == 0 && consumed < aText.size()) {
      const std::size_t piece = std::min<std::size_t>(aText.size() - consumed, UINT_MAX);
      zs.next_in = const_cast<Bytef*>(Bytes(aText) + consumed);
      zs.avail_in = static_cast<uInt>(piece);
      consumed += piece;
    }
    zs.next_out = chunk.data();
    zs.avail_out = static_cast<uInt>(chunk.size());
    status = deflate(&zs, consumed == aText.size() ? Z_FINISH : Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
      throw EOleException("Falha na compactação (zlib " + std::to_string(status) + ")");
    }
    out.append(reinterpret_cast<const char*>(chunk.data()), chunk.size() - zs.avail_out);
  }
  return out;
}

// Standard alphabet, with padding, without line breaks.
std::string TGovUtilsServer::EncodeBase64(const std::string& aBytes) {
  constexpr std::size_t kChunk = 3 * 16 * 1024;
  std::string out;
  out.reserve((aBytes.size() + 2) / 3 * 4);
  std::array<unsigned char, kChunk / 3 * 4 + 1> encoded{};
  for (std::size_t pos = 0; pos < aBytes.size(); pos += kChunk) {
    const std::size_t piece = std::min(kChunk, aBytes.size() - pos);
    const int written =
        EVP_EncodeBlock(encoded.data(), Bytes(aBytes) + pos, static_cast<int>(piece));
    out.append(reinterpret_cast<const char*>(encoded.data()), static_cast<std::size_t>(written));
  }
  return out;
}

}  // namespace xnd

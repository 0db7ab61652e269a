#include "services/xndCertificadoCliente.h"

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/ssl.h>

#include <cstdio>

#include "platform/files.h"
#include "types/xndNFeExceptions.h"

namespace xnd {

namespace {

struct FileCloser {
  void operator()(std::FILE* aFile) const { std::fclose(aFile); }
};

// A1 files exported by Windows and by certification authorities still use
// RC2-40 / 3DES, which only OpenSSL's legacy provider opens. Loaded once,
// released at exit.
class TProvedores {
 public:
  TProvedores()
      : FLegado(OSSL_PROVIDER_load(nullptr, "legacy")),
        FPadrao(OSSL_PROVIDER_load(nullptr, "default")) {}
  ~TProvedores() {
    if (FLegado != nullptr) OSSL_PROVIDER_unload(FLegado);
    if (FPadrao != nullptr) OSSL_PROVIDER_unload(FPadrao);
  }
  TProvedores(const TProvedores&) = delete;
  TProvedores& operator=(const TProvedores&) = delete;

 private:
  OSSL_PROVIDER* FLegado;
  OSSL_PROVIDER* FPadrao;
};

void CarregarProvedores() { static const TProvedores provedores; }

std::string UltimoErroOpenSsl() {
  const unsigned long codigo = ERR_peek_last_error();
  ERR_clear_error();
  if (codigo == 0) return "erro desconhecido";
  char texto[256];
  ERR_error_string_n(codigo, texto, sizeof texto);
  return texto;
}

}  // namespace

struct TxndCertificadoCliente::TDados {
  EVP_PKEY* Chave = nullptr;
  X509* Certificado = nullptr;
  STACK_OF(X509) * Cadeia = nullptr;
  ~TDados() {
    EVP_PKEY_free(Chave);
    X509_free(Certificado);
    sk_X509_pop_free(Cadeia, X509_free);
  }
};

namespace {

CURLcode ConfigurarContexto(CURL*, void* aContexto, void* aDados) {
  auto* const ctx = static_cast<SSL_CTX*>(aContexto);
  const auto* const dados = static_cast<const TxndCertificadoCliente::TDados*>(aDados);
  if (SSL_CTX_use_certificate(ctx, dados->Certificado) != 1 ||
      SSL_CTX_use_PrivateKey(ctx, dados->Chave) != 1) {
    return CURLE_SSL_CERTPROBLEM;
  }
  for (int i = 0; i < sk_X509_num(dados->Cadeia); ++i) {
    if (SSL_CTX_add1_chain_cert(ctx, sk_X509_value(dados->Cadeia, i)) != 1)
      return CURLE_SSL_CERTPROBLEM;
  }
  return CURLE_OK;
}

}  // namespace

TxndCertificadoCliente::TxndCertificadoCliente(const std::string& aArquivo,
                                               const std::string& aSenha,
                                               const std::string& aDiretorioLogErro)
    : FDados(std::make_unique<TDados>()) {
  if (aArquivo.empty()) {
    throw ExndCertStoreException(
        "Nenhum certificado A1 configurado (CaminhoCertificado) para a conexão", aDiretorioLogErro);
  }
  CarregarProvedores();
  const std::unique_ptr<std::FILE, FileCloser> arquivo(std::fopen(aArquivo.c_str(), "rb"));
  if (!arquivo)
    throw ExndCertStoreException("Arquivo do certificado não encontrado: %s", {aArquivo},
                                 aDiretorioLogErro);
  PKCS12* const p12 = d2i_PKCS12_fp(arquivo.get(), nullptr);
  const bool aberto = p12 != nullptr && PKCS12_parse(p12, aSenha.c_str(), &FDados->Chave,
                                                     &FDados->Certificado, &FDados->Cadeia) == 1;
  PKCS12_free(p12);
  if (!aberto || FDados->Chave == nullptr || FDados->Certificado == nullptr) {
    throw ExndCertStoreException(
        "Não foi possível abrir o certificado %s: senha incorreta ou arquivo inválido (%s)",
        {aArquivo, UltimoErroOpenSsl()}, aDiretorioLogErro);
  }
}

TxndCertificadoCliente::~TxndCertificadoCliente() = default;

void TxndCertificadoCliente::Anexar(CURL* aRequisicao) const {
  curl_easy_setopt(aRequisicao, CURLOPT_SSL_CTX_FUNCTION, ConfigurarContexto);
  curl_easy_setopt(aRequisicao, CURLOPT_SSL_CTX_DATA, FDados.get());
}

TOnGetValidCertificate CriarAnexadorCertificado(const std::string& aArquivo,
                                                const std::string& aSenha, bool aIgnorarInvalidos,
                                                const std::string& aDiretorioLogErro) {
  auto certificado = std::make_shared<std::unique_ptr<TxndCertificadoCliente>>();
  return [=](TxndSoapTransport&, CURL* aRequisicao) {
    if (!*certificado)
      *certificado = std::make_unique<TxndCertificadoCliente>(aArquivo, aSenha, aDiretorioLogErro);
    (*certificado)->Anexar(aRequisicao);
    if (aIgnorarInvalidos) {
      curl_easy_setopt(aRequisicao, CURLOPT_SSL_VERIFYPEER, 0L);
      curl_easy_setopt(aRequisicao, CURLOPT_SSL_VERIFYHOST, 0L);
    }
  };
}

}  // namespace xnd

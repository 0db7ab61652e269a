// The client certificate of an A1 file (PKCS#12), attached to the TLS
// context of a libcurl request: certificate, private key and the chain the
// file carries, so that the server receives the whole client chain.
#pragma once

#include <memory>
#include <string>

#include "services/xndNFEInterface.h"

namespace xnd {

class TxndCertificadoCliente {
 public:
  // Opens the file (legacy PKCS#12 algorithms included); ExndCertStoreException,
  // logged in aDiretorioLogErro, when it is missing or cannot be opened.
  TxndCertificadoCliente(const std::string& aArquivo, const std::string& aSenha,
                         const std::string& aDiretorioLogErro);
  ~TxndCertificadoCliente();
  TxndCertificadoCliente(const TxndCertificadoCliente&) = delete;
  TxndCertificadoCliente& operator=(const TxndCertificadoCliente&) = delete;

  // The request presents this certificate; the object must outlive the request.
  void Anexar(CURL* aRequisicao) const;

  // Key, certificate and chain, handed to the TLS callback.
  struct TDados;

 private:
  std::unique_ptr<TDados> FDados;
};

// A handler for OnGetValidCertificate: on the first request it opens the
// A1 file, then attaches it to every request. With aIgnorarInvalidos the
// server's certificate is not verified.
TOnGetValidCertificate CriarAnexadorCertificado(const std::string& aArquivo,
                                                const std::string& aSenha, bool aIgnorarInvalidos,
                                                const std::string& aDiretorioLogErro);

}  // namespace xnd

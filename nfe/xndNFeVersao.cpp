// Version interface object, server list and configuration snapshot of the
// NF-e component.
#include "nfe/xndNFe.h"

#include "services/xndNFEInterface.h"
#include "types/xndNFeExceptions.h"

namespace xnd {

void TxndCustomNFe::AtualizarInterfaceVersao() { FInterfaceVersao.reset(); }

TxndNFEInterface& TxndCustomNFe::ObterInterfaceVersao() {
  if (!FInterfaceVersao)
    throw ExndNFeConfigException("Versão do Manual não definida", FDiretorioLogErro);
  return *FInterfaceVersao;
}

TCustomIniFile& TxndCustomNFe::ObterServidoresINI() { return *FServidoresINI; }

void TxndNFe::AtualizarDadosNFe() {}

}  // namespace xnd

#include "types/xndNFeType.h"

#include <utility>

namespace xnd {

TDanfeSettings::TDanfeSettings()
    : FFraseContingencia("Danfe em contingência - Impresso em decorrência de problemas técnicos"),
      FFraseHomologacao("SEM VALOR FISCAL"),
      FQtdeCopias(1),
      FLineDelimiter("|"),
      FInfCplMaxCol(68),
      FInfCplMaxRow(7),
      FImprimirVolume(false),
      FImprimirDuplicata(true),
      FImprimirUnidadeTributada(false) {}

void TxndEmailSettings::Assign(const TxndEmailSettings& aSource) {
  if (&aSource == this) return;
  SetEmailRemetente(aSource.EmailRemetente());
  SetEmailDestinatario(aSource.EmailDestinatario());
  SetServidorSmtp(aSource.ServidorSmtp());
  SetUsuario(aSource.Usuario());
  SetSenha(aSource.Senha());
  SetAssunto(aSource.Assunto());
  SetMensagem(aSource.Mensagem());
  SetPorta(aSource.Porta());
  SetAutenticacao(aSource.Autenticacao());
  SetCCo(aSource.CCo());
  SetCC(aSource.CC());
  SetTimeOut(aSource.TimeOut());
  SetConteudoHtml(aSource.ConteudoHtml());
}

void TxndCertStringNFe::SetOnTextChange(TOnTextChangeEvent aValue) { FOnTextChange = std::move(aValue); }

TOnTextChangeEvent TxndCertStringNFe::GetOnTextChange() const { return FOnTextChange; }

void TxndCertStringNFe::DoTextChange(const std::string& aText) {
  if (FOnTextChange) FOnTextChange(aText);
}

void TxndCertStringNFe::SetText(const std::string& aText) {
  TStringList::SetText(aText);
  DoTextChange(aText);
}

}  // namespace xnd

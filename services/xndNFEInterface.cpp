#include "services/xndNFEInterface.h"

#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"

namespace xnd {

namespace {

constexpr const char* DeclaracaoXml = "<?xml version=\"1.0\"?>";

std::string SecaoDoModo(const TNFeData& aDados) {
  switch (aDados.ModoOperacao) {
    case moSVCAN:
      return "SVCAN";
    case moSVCRS:
      return "SVCRS";
    default:
      return aDados.UF;
  }
}

}  // namespace

TxndNFEInterface::TxndNFEInterface(const TNFeData& aDados, TxndGovUtils& aGovUtils, TxndGovX& aGovX)
    : FDados(aDados), FGovUtils(aGovUtils), FGovX(aGovX) {}

// ---- Request bodies --------------------------------------------------------------

std::string TxndNFEInterface::MontarPedidoStatus() {
  return Format(CarregarTemplate("pedido_status.xml"), FDados.TipoAmbiente, FDados.cUF);
}

std::string TxndNFEInterface::MontarPedidoCancelamento(const std::string& aDados) {
  return LimparXml(Format(CarregarTemplate("pedido_cancelarnf.xml"), aDados));
}

std::string TxndNFEInterface::MontarPedidoConsulta(const std::string& aChave) {
  return Format(CarregarTemplate("pedido_consultanf.xml"), FDados.TipoAmbiente, aChave);
}

std::string TxndNFEInterface::MontarPedidoRecibo(const std::string& aNRec) {
  return Format(CarregarTemplate("pedido_consultarecibo.xml"), FDados.TipoAmbiente, aNRec);
}

std::string TxndNFEInterface::MontarPedidoInutilizacao(const std::string& aDados) {
  return LimparXml(Format(CarregarTemplate("pedido_inutilizarnf.xml"), aDados));
}

std::string TxndNFEInterface::MontarPedidoCadastro(const std::string& aUF,
                                                   const std::string& aCNPJ) {
  return Format(CarregarTemplate("pedido_consultacadastro.xml"), aUF, aCNPJ);
}

// ---- Operations a manual version implements ----------------------------------------------

std::string TxndNFEInterface::GerarChave(const std::string&, const std::string&, const std::string&,
                                         const std::string&, const std::string&, const std::string&,
                                         const std::string&, const std::string&) {
  throw EAbstractError();
}

std::string TxndNFEInterface::StatusServico() { throw EAbstractError(); }

std::string TxndNFEInterface::CancelarNFe(const std::string&) { throw EAbstractError(); }

std::string TxndNFEInterface::ConsultarNFe(const std::string&) { throw EAbstractError(); }

std::string TxndNFEInterface::InutilizarNFe(const std::string&) { throw EAbstractError(); }

std::string TxndNFEInterface::EnviarLote(const std::string&, const std::string&, bool) {
  throw EAbstractError();
}

std::string TxndNFEInterface::EnviarLoteVariante(const std::string&, const std::string&, bool) {
  throw EAbstractError();
}

std::string TxndNFEInterface::ConsultarRecibo(const std::string&) { throw EAbstractError(); }

std::string TxndNFEInterface::ConsultarCadastro(const std::string&, const std::string&) {
  throw EAbstractError();
}

// ---- Shared helpers -----------------------------------------------------------------

std::string TxndNFEInterface::CarregarTemplate(const std::string& aNome) {
  const std::string diretorio =
      GovUtils().ResolvePath(FDados.DiretorioTemplates + FDados.UF + PathDelim);
  const std::string arquivo = diretorio + aNome;
  if (!FileExists(arquivo)) {
    throw ExndTemplateNotFoundException("Arquivo de template não encontrado: %s", {arquivo}, "");
  }
  return GovUtils().RemoveAllAccents(GovUtils().ReadTextFile(arquivo));
}

std::string TxndNFEInterface::EnderecoServidor(const std::string& aServico) const {
  TCustomIniFile* const servidores = FDados.ServidoresINI;
  const std::string endereco =
      servidores != nullptr ? servidores->ReadString(SecaoDoModo(FDados), aServico, "") : "";
  if (endereco.empty()) {
    throw ExndNFeAddressException("Servidor para %s não definido no arquivo: %s",
                                  {aServico, servidores != nullptr ? servidores->FileName() : ""},
                                  "");
  }
  return endereco;
}

std::string TxndNFEInterface::LimparXml(const std::string& aXml) {
  return StringReplace(StringReplace(aXml, DeclaracaoXml, "", false), "\r\n", "", true);
}

std::string TxndNFEInterface::PrepararCorpo(const std::string& aXml) {
  return GovUtils().PrepareXml(aXml);
}

}  // namespace xnd

#include "services/xndNFE30Intf.h"

#include <memory>

#include "services/xndNFE30Bindings.h"
#include "services/xndSoapTransport.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

template <class Chamar>
std::string TxndNFE30Intf::Executar(const char* aCabecalho, const char* aServidor, bool aProtegido,
                                    Chamar aChamar) {
  const std::string cabecalho = CarregarTemplate(aCabecalho);
  auto transporte = std::make_unique<TxndSoapTransport>();
  if (!OnGetValidCertificate()) throw ExndException("OnGetValidCertificate not assigned", "");
  transporte->SetOnBeforePost([this](TxndSoapTransport& aTransporte, CURL* aRequisicao) {
    OnGetValidCertificate()(aTransporte, aRequisicao);
  });
  const std::string endereco = EnderecoServidor(aServidor);
  if (!aProtegido) return aChamar(cabecalho, endereco, *transporte);
  try {
    return aChamar(cabecalho, endereco, *transporte);
  } catch (const std::exception& e) {
    throw ExndSoapException(e.what(), "");
  }
}

std::string TxndNFE30Intf::GerarChave(const std::string& aDataEmissao, const std::string& aCUF,
                                      const std::string& aCNPJ, const std::string& aMod,
                                      const std::string& aSerie, const std::string& aNNF,
                                      const std::string& aCNF, const std::string&) {
  return GerarChaveNFe(aDataEmissao, aCUF, aCNPJ, aMod, aSerie, aNNF, aCNF);
}

std::string TxndNFE30Intf::StatusServico() {
  return Executar(
      "cabec_status.xml", "NfeStatusServico", true,
      [&](const std::string& aCabec, const std::string& aEndereco, TxndSoapTransport& aTransporte) {
        const auto ligacao = GetNfeStatusServicoSoap(false, aEndereco, &aTransporte);
        return ligacao->nfeStatusServicoNF(aCabec, MontarPedidoStatus());
      });
}

std::string TxndNFE30Intf::CancelarNFe(const std::string& aDados) {
  return Executar(
      "cabec_cancelarnf.xml", "NfeCancelamento", true,
      [&](const std::string& aCabec, const std::string& aEndereco, TxndSoapTransport& aTransporte) {
        const auto ligacao = GetNfeCancelamentoSoap(false, aEndereco, &aTransporte);
        return ligacao->nfeCancelamentoNF(aCabec, MontarPedidoCancelamento(aDados));
      });
}

std::string TxndNFE30Intf::ConsultarNFe(const std::string& aChave) {
  return Executar(
      "cabec_consultanf.xml", "NfeConsulta", true,
      [&](const std::string& aCabec, const std::string& aEndereco, TxndSoapTransport& aTransporte) {
        const auto ligacao = GetNfeConsultaSoap(false, aEndereco, &aTransporte);
        return ligacao->nfeConsultaNF(aCabec, MontarPedidoConsulta(aChave));
      });
}

std::string TxndNFE30Intf::InutilizarNFe(const std::string& aDados) {
  return Executar(
      "cabec_inutilizarnf.xml", "NfeInutilizacao", true,
      [&](const std::string& aCabec, const std::string& aEndereco, TxndSoapTransport& aTransporte) {
        const auto ligacao = GetNfeInutilizacaoSoap(false, aEndereco, &aTransporte);
        return ligacao->nfeInutilizacaoNF(aCabec, aDados);
      });
}

std::string TxndNFE30Intf::EnviarLote(const std::string&, const std::string& aXmlLote, bool) {
  return Executar(
      "cabec_enviarnota.xml", "NfeRecepcao", true,
      [&](const std::string& aCabec, const std::string& aEndereco, TxndSoapTransport& aTransporte) {
        const auto ligacao = GetNfeRecepcaoSoap(false, aEndereco, &aTransporte);
        return ligacao->nfeRecepcaoLote(aCabec, aXmlLote);
      });
}

std::string TxndNFE30Intf::ConsultarRecibo(const std::string& aNRec) {
  return Executar(
      "cabec_consultarecibo.xml", "NfeRetRecepcao", true,
      [&](const std::string& aCabec, const std::string& aEndereco, TxndSoapTransport& aTransporte) {
        const auto ligacao = GetNfeRetRecepcaoSoap(false, aEndereco, &aTransporte);
        return ligacao->nfeRetRecepcao(aCabec, MontarPedidoRecibo(aNRec));
      });
}

std::string TxndNFE30Intf::ConsultarCadastro(const std::string& aUF, const std::string& aCNPJ) {
  return Executar(
      "cabec_consultacadastro.xml", "CadConsulta", false,
      [&](const std::string& aCabec, const std::string& aEndereco, TxndSoapTransport& aTransporte) {
        const auto ligacao = GetCadConsultaCadastroSoap(false, aEndereco, &aTransporte);
        return ligacao->consultaCadastro(aCabec, MontarPedidoCadastro(aUF, aCNPJ));
      });
}

}  // namespace xnd

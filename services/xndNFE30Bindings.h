// The seven web services of manual 2.0.2a / 3.0, one binding each: an
// operation taking the message header (nfeCabecMsg) and the message body
// (nfeDadosMsg) as texts and returning the answer text, registered in
// document style with the encoding "utf-8". Namespaces and SOAP actions are
// the NF-e namespace followed by /wsdl/<service> and /wsdl/<service>/<operation>.
//
// A binding is obtained from (use-WSDL flag, address, transport or none).
// With the flag false the address is the endpoint; with it true the address
// is the location of a service description, where the service and port
// names below select the endpoint. Without a transport the binding makes one
// and frees it with itself. Without an address six bindings use the service
// of the SP homologation environment; NfeStatusServicoSoap has none.
#pragma once

#include <memory>
#include <string>

#include "services/xndSoapTransport.h"

namespace xnd {

class NfeStatusServicoSoap {
 public:
  virtual ~NfeStatusServicoSoap() = default;
  virtual std::string nfeStatusServicoNF(const std::string& nfeCabecMsg,
                                         const std::string& nfeDadosMsg) = 0;
};

class NfeCancelamentoSoap {
 public:
  virtual ~NfeCancelamentoSoap() = default;
  virtual std::string nfeCancelamentoNF(const std::string& nfeCabecMsg,
                                        const std::string& nfeDadosMsg) = 0;
};

class NfeConsultaSoap {
 public:
  virtual ~NfeConsultaSoap() = default;
  virtual std::string nfeConsultaNF(const std::string& nfeCabecMsg,
                                    const std::string& nfeDadosMsg) = 0;
};

class NfeInutilizacaoSoap {
 public:
  virtual ~NfeInutilizacaoSoap() = default;
  virtual std::string nfeInutilizacaoNF(const std::string& nfeCabecMsg,
                                        const std::string& nfeDadosMsg) = 0;
};

class CadConsultaCadastroSoap {
 public:
  virtual ~CadConsultaCadastroSoap() = default;
  virtual std::string consultaCadastro(const std::string& nfeCabecMsg,
                                       const std::string& nfeDadosMsg) = 0;
};

class NfeRecepcaoSoap {
 public:
  virtual ~NfeRecepcaoSoap() = default;
  virtual std::string nfeRecepcaoLote(const std::string& nfeCabecMsg,
                                      const std::string& nfeDadosMsg) = 0;
};

class NfeRetRecepcaoSoap {
 public:
  virtual ~NfeRetRecepcaoSoap() = default;
  virtual std::string nfeRetRecepcao(const std::string& nfeCabecMsg,
                                     const std::string& nfeDadosMsg) = 0;
};

std::unique_ptr<NfeStatusServicoSoap> GetNfeStatusServicoSoap(
    bool aUseWSDL = false, const std::string& aAddr = "", TxndSoapTransport* aTransporte = nullptr);
std::unique_ptr<NfeCancelamentoSoap> GetNfeCancelamentoSoap(
    bool aUseWSDL = false, const std::string& aAddr = "", TxndSoapTransport* aTransporte = nullptr);
std::unique_ptr<NfeConsultaSoap> GetNfeConsultaSoap(bool aUseWSDL = false,
                                                    const std::string& aAddr = "",
                                                    TxndSoapTransport* aTransporte = nullptr);
std::unique_ptr<NfeInutilizacaoSoap> GetNfeInutilizacaoSoap(
    bool aUseWSDL = false, const std::string& aAddr = "", TxndSoapTransport* aTransporte = nullptr);
std::unique_ptr<CadConsultaCadastroSoap> GetCadConsultaCadastroSoap(
    bool aUseWSDL = false, const std::string& aAddr = "", TxndSoapTransport* aTransporte = nullptr);
std::unique_ptr<NfeRecepcaoSoap> GetNfeRecepcaoSoap(bool aUseWSDL = false,
                                                    const std::string& aAddr = "",
                                                    TxndSoapTransport* aTransporte = nullptr);
std::unique_ptr<NfeRetRecepcaoSoap> GetNfeRetRecepcaoSoap(bool aUseWSDL = false,
                                                          const std::string& aAddr = "",
                                                          TxndSoapTransport* aTransporte = nullptr);

}  // namespace xnd

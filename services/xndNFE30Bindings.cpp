#include "services/xndNFE30Bindings.h"

namespace xnd {

namespace {

constexpr const char* WsdlNFe = "http://www.portalfiscal.inf.br/nfe/wsdl/";
constexpr const char* HomologacaoSP = "https://homologacao.nfe.fazenda.sp.gov.br/nfeweb/services/";

// What distinguishes one service of this generation from another.
struct TServico {
  const char* Servico;   // service name of the description, and the namespace path
  const char* Porta;     // port name of the description
  const char* Operacao;  // request element and last part of the SOAP action
  const char* Padrao;    // file of the SP homologation service, "" for none
};

// The endpoint, its transport and the operation of one binding.
class TLigacao {
 public:
  TLigacao(const TServico& aServico, bool aUseWSDL, const std::string& aAddr,
           TxndSoapTransport* aTransporte)
      : FOperacao{std::string(WsdlNFe) + aServico.Servico, aServico.Operacao,
                  std::string(WsdlNFe) + aServico.Servico + "/" + aServico.Operacao},
        FProprio(aTransporte == nullptr ? std::make_unique<TxndSoapTransport>() : nullptr),
        FTransporte(aTransporte != nullptr ? *aTransporte : *FProprio),
        FServico(aServico),
        FUseWSDL(aUseWSDL),
        FAddr(aAddr.empty() ? Padrao(aServico, aUseWSDL) : aAddr) {}

  std::string Chamar(const std::string& aCabecalho, const std::string& aDados) {
    return ChamarDocumento(FTransporte, Endpoint(), FOperacao,
                           {{"nfeCabecMsg", aCabecalho}, {"nfeDadosMsg", aDados}});
  }

 private:
  static std::string Padrao(const TServico& aServico, bool aUseWSDL) {
    if (*aServico.Padrao == '\0') return aUseWSDL ? " " : "";
    const std::string endereco = std::string(HomologacaoSP) + aServico.Padrao;
    return aUseWSDL ? endereco + "?WSDL" : endereco;
  }

  std::string Endpoint() {
    if (!FUseWSDL) return FAddr;
    return EnderecoNaDescricao(FTransporte, FAddr, FServico.Servico, FServico.Porta);
  }

  TSoapOperacao FOperacao;
  std::unique_ptr<TxndSoapTransport> FProprio;
  TxndSoapTransport& FTransporte;
  TServico FServico;
  bool FUseWSDL;
  std::string FAddr;
};

constexpr TServico StatusServico{"NfeStatusServico", "NfeStatusServicoSoap", "nfeStatusServicoNF",
                                 ""};
constexpr TServico Cancelamento{"NfeCancelamento", "NfeCancelamentoSoap", "nfeCancelamentoNF",
                                "nfecancelamento.asmx"};
constexpr TServico Consulta{"NfeConsulta", "NfeConsultaSoap", "nfeConsultaNF", "nfeconsulta.asmx"};
constexpr TServico Inutilizacao{"NfeInutilizacao", "NfeInutilizacaoSoap", "nfeInutilizacaoNF",
                                "nfeinutilizacao.asmx"};
constexpr TServico Cadastro{"CadConsultaCadastro", "CadConsultaCadastroSoap", "consultaCadastro",
                            "cadconsultacadastro.asmx"};
constexpr TServico Recepcao{"NfeRecepcao", "NfeRecepcaoSoap", "nfeRecepcaoLote",
                            "nferecepcao.asmx"};
constexpr TServico RetRecepcao{"NfeRetRecepcao", "NfeRetRecepcaoSoap", "nfeRetRecepcao",
                               "nferetrecepcao.asmx"};

// Each binding: its interface's single operation forwarded to the TLigacao.
#define XND_NFE30_BINDING(Interface, Operation, Service)                                     \
  class Interface##Impl final : public Interface {                                           \
   public:                                                                                   \
    Interface##Impl(bool aUseWSDL, const std::string& aAddr, TxndSoapTransport* aTransporte) \
        : FLigacao(Service, aUseWSDL, aAddr, aTransporte) {}                                 \
    std::string Operation(const std::string& nfeCabecMsg,                                    \
                          const std::string& nfeDadosMsg) override {                         \
      return FLigacao.Chamar(nfeCabecMsg, nfeDadosMsg);                                      \
    }                                                                                        \
                                                                                             \
   private:                                                                                  \
    TLigacao FLigacao;                                                                       \
  };

XND_NFE30_BINDING(NfeStatusServicoSoap, nfeStatusServicoNF, StatusServico)
XND_NFE30_BINDING(NfeCancelamentoSoap, nfeCancelamentoNF, Cancelamento)
XND_NFE30_BINDING(NfeConsultaSoap, nfeConsultaNF, Consulta)
XND_NFE30_BINDING(NfeInutilizacaoSoap, nfeInutilizacaoNF, Inutilizacao)
XND_NFE30_BINDING(CadConsultaCadastroSoap, consultaCadastro, Cadastro)
XND_NFE30_BINDING(NfeRecepcaoSoap, nfeRecepcaoLote, Recepcao)
XND_NFE30_BINDING(NfeRetRecepcaoSoap, nfeRetRecepcao, RetRecepcao)

#undef XND_NFE30_BINDING

}  // namespace

std::unique_ptr<NfeStatusServicoSoap> GetNfeStatusServicoSoap(bool aUseWSDL,
                                                              const std::string& aAddr,
                                                              TxndSoapTransport* aTransporte) {
  return std::make_unique<NfeStatusServicoSoapImpl>(aUseWSDL, aAddr, aTransporte);
}

std::unique_ptr<NfeCancelamentoSoap> GetNfeCancelamentoSoap(bool aUseWSDL, const std::string& aAddr,
                                                            TxndSoapTransport* aTransporte) {
  return std::make_unique<NfeCancelamentoSoapImpl>(aUseWSDL, aAddr, aTransporte);
}

std::unique_ptr<NfeConsultaSoap> GetNfeConsultaSoap(bool aUseWSDL, const std::string& aAddr,
                                                    TxndSoapTransport* aTransporte) {
  return std::make_unique<NfeConsultaSoapImpl>(aUseWSDL, aAddr, aTransporte);
}

std::unique_ptr<NfeInutilizacaoSoap> GetNfeInutilizacaoSoap(bool aUseWSDL, const std::string& aAddr,
                                                            TxndSoapTransport* aTransporte) {
  return std::make_unique<NfeInutilizacaoSoapImpl>(aUseWSDL, aAddr, aTransporte);
}

std::unique_ptr<CadConsultaCadastroSoap> GetCadConsultaCadastroSoap(
    bool aUseWSDL, const std::string& aAddr, TxndSoapTransport* aTransporte) {
  return std::make_unique<CadConsultaCadastroSoapImpl>(aUseWSDL, aAddr, aTransporte);
}

std::unique_ptr<NfeRecepcaoSoap> GetNfeRecepcaoSoap(bool aUseWSDL, const std::string& aAddr,
                                                    TxndSoapTransport* aTransporte) {
  return std::make_unique<NfeRecepcaoSoapImpl>(aUseWSDL, aAddr, aTransporte);
}

std::unique_ptr<NfeRetRecepcaoSoap> GetNfeRetRecepcaoSoap(bool aUseWSDL, const std::string& aAddr,
                                                          TxndSoapTransport* aTransporte) {
  return std::make_unique<NfeRetRecepcaoSoapImpl>(aUseWSDL, aAddr, aTransporte);
}

}  // namespace xnd

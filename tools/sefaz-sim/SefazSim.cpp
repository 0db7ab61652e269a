#include "SefazSim.h"

#include <chrono>

#include <httplib.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "SimServicos.h"
#include "SimXml.h"

namespace xnd::sim {

namespace {

constexpr const char* NsSoap11 = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* NsSoap12 = "http://www.w3.org/2003/05/soap-envelope";
constexpr const char* NsWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";

// Server-list keys, in the order the server list is written, with the
// service each names and, for manual 3.0, the service and port names of its
// description.
struct TChave {
  const char* Nome;
  TServico Servico;
  const char* ServicoWsdl;
};

constexpr TChave Chaves[] = {
    {"NfeStatusServico", TServico::Status, "NfeStatusServico"},
    {"NfeCancelamento", TServico::Cancelamento, "NfeCancelamento"},
    {"NfeConsulta", TServico::Consulta, "NfeConsulta"},
    {"NfeInutilizacao", TServico::Inutilizacao, "NfeInutilizacao"},
    {"NfeRecepcao", TServico::Recepcao, "NfeRecepcao"},
    {"NfeRetRecepcao", TServico::RetRecepcao, "NfeRetRecepcao"},
    {"CadConsulta", TServico::Cadastro, "CadConsultaCadastro"},
    {"NfeStatusServico2", TServico::Status, "NfeStatusServico2"},
    {"NfeCancelamento2", TServico::Cancelamento, "NfeCancelamento2"},
    {"NfeConsulta2", TServico::Consulta, "NfeConsulta2"},
    {"NfeInutilizacao2", TServico::Inutilizacao, "NfeInutilizacao2"},
    {"NfeRecepcao2", TServico::Recepcao, "NfeRecepcao2"},
    {"NfeRetRecepcao2", TServico::RetRecepcao, "NfeRetRecepcao2"},
    {"CadConsulta2", TServico::Cadastro, "CadConsultaCadastro2"},
    {"NfeStatusServico3", TServico::Status, "NfeStatusServico3"},
    {"NfeConsulta3", TServico::Consulta, "NfeConsulta3"},
    {"NfeInutilizacao3", TServico::Inutilizacao, "NfeInutilizacao3"},
    {"NfeRecepcao3", TServico::Recepcao, "NfeAutorizacao"},
    {"NfeRetRecepcao3", TServico::RetRecepcao, "NfeRetAutorizacao"},
    {"ConsultaCad3", TServico::Cadastro, "CadConsultaCadastro2"},
    {"nfeRecepcaoEvento", TServico::Evento, "RecepcaoEvento"},
    {"RecepcaoEvento3", TServico::Evento, "RecepcaoEvento"},
    {"nfeConsultaNFDest", TServico::Destinadas, "NfeConsultaDest"},
    {"NfeDownloadNF", TServico::Download, "NfeDownloadNF"},
};

constexpr const char* Secoes[] = {"AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO",    "MA",
                                  "MT", "MS", "MG", "PA", "PB", "PR", "PE", "PI", "RJ",    "RN",
                                  "RS", "RO", "RR", "SC", "SP", "SE", "TO", "AN", "SVCAN", "SVCRS"};

// The operations of the services of manual 4.0 and later, by the last part
// of the service namespace, as the services spell them; the answer element
// is the operation followed by "Result".
struct TOperacao {
  const char* Servico;
  const char* Operacao;
  bool Compactada;
};

constexpr TOperacao Operacoes[] = {
    {"NfeStatusServico2", "nfeStatusServicoNF2", false},
    {"NfeStatusServico3", "nfeStatusServicoNF", false},
    {"NfeCancelamento2", "nfeCancelamentoNF2", false},
    {"NfeConsulta2", "nfeConsultaNF2", false},
    {"NfeConsulta3", "nfeConsultaNF", false},
    {"NfeInutilizacao2", "nfeInutilizacaoNF2", false},
    {"NfeInutilizacao3", "nfeInutilizacaoNF", false},
    {"NfeRecepcao2", "nfeRecepcaoLote2", false},
    {"NfeRetRecepcao2", "nfeRetRecepcao2", false},
    {"NfeAutorizacao", "nfeAutorizacaoLote", false},
    {"NfeAutorizacao", "nfeAutorizacaoLoteZip", true},
    {"NfeRetAutorizacao", "NfeRetAutorizacaoLote", false},
    {"CadConsultaCadastro2", "consultaCadastro2", false},
    {"RecepcaoEvento", "nfeRecepcaoEvento", false},
    {"NfeConsultaDest", "nfeConsultaNFDest", false},
    {"NfeDownloadNF", "nfeDownloadNF", false},
};

bool MesmoTexto(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

const TChave* BuscarChave(const std::string& aNome) {
  for (const TChave& c : Chaves) {
    if (MesmoTexto(c.Nome, aNome)) return &c;
  }
  return nullptr;
}

std::string SemAspas(std::string aTexto) {
  if (aTexto.size() >= 2 && aTexto.front() == '"' && aTexto.back() == '"')
    aTexto = aTexto.substr(1, aTexto.size() - 2);
  return aTexto;
}

// The action parameter of a SOAP 1.2 content type.
std::string AcaoDoContentType(const std::string& aContentType) {
  const std::size_t p = aContentType.find("action=");
  if (p == std::string::npos) return "";
  std::string resto = aContentType.substr(p + 7);
  if (!resto.empty() && resto.front() == '"') {
    const std::size_t fim = resto.find('"', 1);
    return resto.substr(1, fim == std::string::npos ? std::string::npos : fim - 1);
  }
  return resto.substr(0, resto.find(';'));
}

// A request that the service does not accept; the text goes in the Fault.
struct TFalha {
  std::string Motivo;
};

// A SOAP request taken apart.
struct TPedido {
  bool Soap12 = true;
  bool Estilo30 = false;  // operation element with header and body as text
  std::string NamespaceServico;
  std::string Operacao;  // as the service spells it
  std::string CUF;
  std::string VersaoDados;
  XmlDocPtr Mensagem;
};

std::string Envelope(bool aSoap12, const std::string& aCabecalho, const std::string& aCorpo) {
  const char* ns = aSoap12 ? NsSoap12 : NsSoap11;
  std::string texto =
      std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"") + ns +
      "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">";
  if (!aCabecalho.empty()) texto += "<soap:Header>" + aCabecalho + "</soap:Header>";
  return texto + "<soap:Body>" + aCorpo + "</soap:Body></soap:Envelope>";
}

TRespostaHttp Falha(bool aSoap12, const std::string& aMotivo) {
  const std::string corpo =
      aSoap12
          ? "<soap:Fault><soap:Code><soap:Value>soap:Receiver</soap:Value></soap:Code><soap:Reason>"
            "<soap:Text xml:lang=\"pt-BR\">" +
                Escapar(aMotivo) + "</soap:Text></soap:Reason></soap:Fault>"
          : "<soap:Fault><faultcode>soap:Server</faultcode><faultstring>" + Escapar(aMotivo) +
                "</faultstring></soap:Fault>";
  return {500, aSoap12 ? "application/soap+xml; charset=utf-8" : "text/xml; charset=utf-8",
          Envelope(aSoap12, "", corpo)};
}

TRespostaHttp RespostaTexto(int aStatus, const std::string& aTexto) {
  return {aStatus, "text/plain; charset=utf-8", aTexto};
}

// nfeDadosMsg / nfeDadosMsgZip of manual 4.0 and later.
void LerDados40(const xmlNode* aEnvelope, const xmlNode* aDados, const std::string& aAcao,
                TPedido& aPedido) {
  aPedido.NamespaceServico = Namespace(aDados);
  const bool compactado = Nome(aDados) == "nfeDadosMsgZip";
  if (aPedido.NamespaceServico.rfind(NsWsdl, 0) != 0)
    throw TFalha{"Namespace de servico desconhecido: " + aPedido.NamespaceServico};
  const std::string servico = aPedido.NamespaceServico.substr(std::string(NsWsdl).size());
  for (const TOperacao& op : Operacoes) {
    if (servico != op.Servico || op.Compactada != compactado) continue;
    if (aAcao.empty() || MesmoTexto(aAcao, aPedido.NamespaceServico + "/" + op.Operacao))
      aPedido.Operacao = op.Operacao;
  }
  if (aPedido.Operacao.empty()) throw TFalha{"SOAPAction nao reconhecida pelo servico: " + aAcao};
  const xmlNode* cabecalho = Filho(Filho(aEnvelope, "Header"), "nfeCabecMsg");
  aPedido.CUF = TextoFilho(cabecalho, "cUF");
  aPedido.VersaoDados = TextoFilho(cabecalho, "versaoDados");
  if (compactado) {
    const auto bytes = DecodificarBase64(Texto(aDados));
    const auto texto = bytes ? Descompactar(*bytes) : std::nullopt;
    if (!texto) throw TFalha{"nfeDadosMsgZip nao contem um texto gzip em base64"};
    aPedido.Mensagem = LerXml(*texto);
  } else if (const xmlNode* mensagem = PrimeiroFilho(aDados)) {
    aPedido.Mensagem = CopiarComoDocumento(mensagem);
  }
  if (!aPedido.Mensagem) throw TFalha{"nfeDadosMsg sem mensagem XML"};
}

// The operation element of manual 3.0, nfeCabecMsg and nfeDadosMsg as text.
void LerDados30(const xmlNode* aOperacao, const std::string& aAcao, TPedido& aPedido) {
  aPedido.Estilo30 = true;
  aPedido.NamespaceServico = Namespace(aOperacao);
  aPedido.Operacao = Nome(aOperacao);
  if (!MesmoTexto(aAcao, aPedido.NamespaceServico + "/" + aPedido.Operacao)) {
    throw TFalha{"SOAPAction nao reconhecida pelo servico: " + aAcao};
  }
  const XmlDocPtr cabecalho = LerXml(TextoFilho(aOperacao, "nfeCabecMsg"));
  aPedido.VersaoDados = TextoFilho(Raiz(cabecalho.get()), "versaoDados");
  aPedido.Mensagem = LerXml(TextoFilho(aOperacao, "nfeDadosMsg"));
  if (!aPedido.Mensagem) throw TFalha{"nfeDadosMsg nao contem uma mensagem XML"};
}

TPedido LerPedido(const std::string& aCorpo, const std::string& aContentType,
                  const std::string& aSoapAction) {
  TPedido pedido;
  const XmlDocPtr doc = LerXml(aCorpo);
  const xmlNode* envelope = Raiz(doc.get());
  if (envelope == nullptr || Nome(envelope) != "Envelope" ||
      (Namespace(envelope) != NsSoap11 && Namespace(envelope) != NsSoap12)) {
    throw TFalha{"A requisicao nao e um envelope SOAP"};
  }
  pedido.Soap12 = Namespace(envelope) == NsSoap12;
  const std::string acao = SemAspas(
      pedido.Soap12 && aSoapAction.empty() ? AcaoDoContentType(aContentType) : aSoapAction);
  const xmlNode* primeiro = PrimeiroFilho(Filho(envelope, "Body"));
  if (primeiro == nullptr) throw TFalha{"Envelope SOAP sem corpo"};
  if (Nome(primeiro) == "nfeDadosMsg" || Nome(primeiro) == "nfeDadosMsgZip") {
    LerDados40(envelope, primeiro, acao, pedido);
  } else if (Filho(primeiro, "nfeDadosMsg") != nullptr) {
    LerDados30(primeiro, acao, pedido);
  } else {
    throw TFalha{"Elemento nao reconhecido no corpo SOAP: " + Nome(primeiro)};
  }
  return pedido;
}

std::string Wsdl(const std::string& aEndereco, const TChave& aChave) {
  const std::string servico = aChave.ServicoWsdl;
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
         "<wsdl:definitions xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" "
         "xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\" targetNamespace=\"" +
         std::string(NsWsdl) + servico + "\"><wsdl:service name=\"" + servico +
         "\"><wsdl:port name=\"" + servico + "Soap\" binding=\"tns:" + servico +
         "Soap\"><soap:address location=\"" + Escapar(aEndereco) +
         "\"/></wsdl:port></wsdl:service></wsdl:definitions>";
}

std::string NomeComumCliente(const httplib::Request& aRequisicao) {
  if (aRequisicao.ssl == nullptr) return "";
  X509* certificado = SSL_get1_peer_certificate(aRequisicao.ssl);
  if (certificado == nullptr) return "";
  char nome[512] = {};
  X509_NAME_get_text_by_NID(X509_get_subject_name(certificado), NID_commonName, nome, sizeof nome);
  X509_free(certificado);
  return nome;
}

}  // namespace

struct TSefazSimulador::Impl {
  explicit Impl(TOpcoesSimulador aOpcoes)
      : Opcoes(std::move(aOpcoes)),
        Esquemas(Opcoes.Esquemas),
        Servicos(Esquemas, Comportamento(Opcoes)) {}

  static TComportamento Comportamento(const TOpcoesSimulador& aOpcoes) {
    TComportamento c;
    c.VerificarCNPJBase = aOpcoes.VerificarCNPJBase;
    c.Lento = aOpcoes.Lento;
    c.ConsumoIndevido = aOpcoes.ConsumoIndevido;
    c.IntervaloConsulta = std::chrono::milliseconds(aOpcoes.IntervaloConsultaMs);
    return c;
  }

  TOpcoesSimulador Opcoes;
  TEsquemas Esquemas;
  TServicos Servicos;
  std::unique_ptr<httplib::SSLServer> Servidor;
  std::thread Escuta;
  int Porta = 0;
  mutable std::mutex Mutex;
  std::vector<TRequisicaoRecebida> Recebidas;

  TRespostaHttp Soap(const std::string& aCaminho, const TChave& aChave,
                     const std::string& aContentType, const std::string& aSoapAction,
                     const std::string& aCorpo, const std::string& aCliente);
  void Registrar(const httplib::Request& aReq, httplib::Response& aRes, TSefazSimulador& aDono);
};

TRespostaHttp TSefazSimulador::Impl::Soap(const std::string&, const TChave& aChave,
                                          const std::string& aContentType,
                                          const std::string& aSoapAction,
                                          const std::string& aCorpo,
                                          const std::string& aCliente) {
  bool soap12 = aCorpo.find(NsSoap12) != std::string::npos;
  try {
    TPedido pedido = LerPedido(aCorpo, aContentType, aSoapAction);
    soap12 = pedido.Soap12;
    const std::string raiz = Nome(Raiz(pedido.Mensagem.get()));
    if (raiz != RaizEsperada(aChave.Servico)) {
      return Falha(soap12, "A mensagem " + raiz + " nao pertence ao servico " + aChave.Nome);
    }
    const std::string resposta =
        Servicos.Responder(aChave.Servico, pedido.Mensagem.get(), pedido.CUF,
                           CNPJDoCertificado(aCliente));
    const std::string resultado = pedido.Operacao + "Result";
    const std::string contentType =
        soap12 ? "application/soap+xml; charset=utf-8" : "text/xml; charset=utf-8";
    if (pedido.Estilo30) {
      return {200, contentType,
              Envelope(soap12, "",
                       "<" + pedido.Operacao + "Response xmlns=\"" + pedido.NamespaceServico +
                           "\"><" + resultado + ">" + Escapar(resposta) + "</" + resultado + "></" +
                           pedido.Operacao + "Response>")};
    }
    const std::string cabecalho = "<nfeCabecMsg xmlns=\"" + pedido.NamespaceServico + "\"><cUF>" +
                                  Escapar(pedido.CUF) + "</cUF><versaoDados>" +
                                  Escapar(pedido.VersaoDados) + "</versaoDados></nfeCabecMsg>";
    return {200, contentType,
            Envelope(soap12, cabecalho,
                     "<" + resultado + " xmlns=\"" + pedido.NamespaceServico + "\">" + resposta +
                         "</" + resultado + ">")};
  } catch (const TFalha& f) {
    return Falha(soap12, f.Motivo);
  }
}

TSefazSimulador::TSefazSimulador(TOpcoesSimulador aOpcoes)
    : FImpl(std::make_unique<Impl>(std::move(aOpcoes))) {}

TSefazSimulador::~TSefazSimulador() { Parar(); }

TRespostaHttp TSefazSimulador::Atender(const std::string& aMetodo, const std::string& aCaminho,
                                       const std::string& aConsulta,
                                       const std::string& aContentType,
                                       const std::string& aSoapAction, const std::string& aCorpo,
                                       const std::string& aCliente) {
  const std::size_t barra = aCaminho.find('/', 1);
  const TChave* chave =
      barra == std::string::npos ? nullptr : BuscarChave(aCaminho.substr(barra + 1));
  const std::string secao = barra == std::string::npos ? "" : aCaminho.substr(1, barra - 1);
  const bool secaoConhecida = std::any_of(std::begin(Secoes), std::end(Secoes),
                                          [&](const char* s) { return MesmoTexto(s, secao); });
  if (chave == nullptr || !secaoConhecida) return RespostaTexto(404, "Not Found");
  if (aMetodo == "GET") {
    if (!MesmoTexto(aConsulta, "wsdl")) return RespostaTexto(405, "Method Not Allowed");
    return {200, "text/xml; charset=utf-8", Wsdl(Endereco() + aCaminho, *chave)};
  }
  return FImpl->Soap(aCaminho, *chave, aContentType, aSoapAction, aCorpo, aCliente);
}

void TSefazSimulador::Impl::Registrar(const httplib::Request& aReq, httplib::Response& aRes,
                                      TSefazSimulador& aDono) {
  std::string consulta;
  for (const auto& [nome, valor] : aReq.params)
    consulta += nome + (valor.empty() ? "" : "=" + valor);
  const std::string cliente = NomeComumCliente(aReq);
  const TRespostaHttp resposta =
      aDono.Atender(aReq.method, aReq.path, consulta, aReq.get_header_value("Content-Type"),
                    aReq.get_header_value("SOAPAction"), aReq.body, cliente);
  {
    const std::lock_guard<std::mutex> trava(Mutex);
    Recebidas.push_back({aReq.method, aReq.path, aReq.get_header_value("SOAPAction"),
                         aReq.get_header_value("Content-Type"), aReq.body, cliente,
                         resposta.Status});
  }
  aRes.status = resposta.Status;
  aRes.set_content(resposta.Corpo, resposta.ContentType.c_str());
}

void TSefazSimulador::Iniciar() {
  if (FImpl->Servidor) return;
  const TOpcoesSimulador& o = FImpl->Opcoes;
  auto servidor = std::make_unique<httplib::SSLServer>(
      o.Certificado.c_str(), o.Chave.c_str(),
      o.AutoridadeCA.empty() ? nullptr : o.AutoridadeCA.c_str());
  if (!servidor->is_valid()) {
    throw std::runtime_error("nao foi possivel carregar o certificado, a chave ou a autoridade: " +
                             o.Certificado + ", " + o.Chave + ", " + o.AutoridadeCA);
  }
  const auto tratar = [this](const httplib::Request& aReq, httplib::Response& aRes) {
    FImpl->Registrar(aReq, aRes, *this);
  };
  servidor->Post(R"(/.*)", tratar);
  servidor->Get(R"(/.*)", tratar);
  servidor->set_payload_max_length(64u * 1024u * 1024u);
  const int porta = o.Porta == 0 ? servidor->bind_to_any_port(o.Host)
                                 : (servidor->bind_to_port(o.Host, o.Porta) ? o.Porta : -1);
  if (porta <= 0)
    throw std::runtime_error("nao foi possivel escutar em " + o.Host + ":" +
                             std::to_string(o.Porta));
  FImpl->Porta = porta;
  FImpl->Servidor = std::move(servidor);
  FImpl->Escuta = std::thread([impl = FImpl.get()] { impl->Servidor->listen_after_bind(); });
  // stop() only reaches a server that is already accepting.
  for (int i = 0; i < 5000 && !FImpl->Servidor->is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!FImpl->Servidor->is_running()) {
    Parar();
    throw std::runtime_error("o servidor nao comecou a escutar em " + o.Host + ":" +
                             std::to_string(porta));
  }
}

void TSefazSimulador::Parar() {
  if (!FImpl->Servidor) return;
  FImpl->Servidor->stop();
  if (FImpl->Escuta.joinable()) FImpl->Escuta.join();
  FImpl->Servidor.reset();
}

int TSefazSimulador::Porta() const { return FImpl->Porta; }

std::string TSefazSimulador::Endereco() const {
  return "https://" + FImpl->Opcoes.Host + ":" + std::to_string(FImpl->Porta);
}

std::string TSefazSimulador::ListaServidores() const {
  std::string texto = "; NF-e web services of the local simulator (xndnfe-sefaz-sim) at " +
                      Endereco() + "\r\n; every section and key: <address>/<SECTION>/<key>\r\n";
  for (const char* secao : Secoes) {
    texto += std::string("\r\n[") + secao + "]\r\n";
    for (const TChave& chave : Chaves)
      texto += std::string(chave.Nome) + "=" + Endereco() + "/" + secao + "/" + chave.Nome + "\r\n";
    texto += "TargetNamespaceCCe=http://www.portalfiscal.inf.br/nfe/wsdl/RecepcaoEvento\r\n";
  }
  return texto;
}

void TSefazSimulador::GravarListaServidores(const std::string& aArquivo) const {
  std::ofstream arquivo(aArquivo, std::ios::binary | std::ios::trunc);
  arquivo << ListaServidores();
  if (!arquivo) throw std::runtime_error("nao foi possivel gravar " + aArquivo);
}

std::vector<TRequisicaoRecebida> TSefazSimulador::Requisicoes() const {
  const std::lock_guard<std::mutex> trava(FImpl->Mutex);
  return FImpl->Recebidas;
}

void TSefazSimulador::LimparRequisicoes() {
  const std::lock_guard<std::mutex> trava(FImpl->Mutex);
  FImpl->Recebidas.clear();
}

}  // namespace xnd::sim

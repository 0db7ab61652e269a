#include "services/xndSoapTransport.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstring>
#include <memory>

#include "platform/text.h"

namespace xnd {

namespace {

constexpr const char* SoapEnvelopeNs = "http://schemas.xmlsoap.org/soap/envelope/";

// Bounds of one request: an answer of at most 16 MB (after decompression),
// 3 minutes in all, 30 s to connect, abandoned below 100 bytes/s for 60 s.
constexpr std::size_t MaxCorpo = 16u * 1024u * 1024u;
constexpr long TempoTotalMs = 180000;
constexpr long TempoConexaoMs = 30000;
constexpr long VelocidadeMinima = 100;
constexpr long TempoVelocidadeMinima = 60;

struct TCorpo {
  std::string Texto;
  bool Excedido = false;
};

struct CurlDeleter {
  void operator()(CURL* aHandle) const { curl_easy_cleanup(aHandle); }
};
struct HeaderListDeleter {
  void operator()(curl_slist* aList) const { curl_slist_free_all(aList); }
};
struct XmlDocDeleter {
  void operator()(xmlDoc* aDoc) const { xmlFreeDoc(aDoc); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;
using HeaderListPtr = std::unique_ptr<curl_slist, HeaderListDeleter>;
using XmlDocPtr = std::unique_ptr<xmlDoc, XmlDocDeleter>;

void InicializarCurl() {
  static const bool iniciado = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!iniciado) throw ESoapTransportError("Não foi possível iniciar a biblioteca libcurl");
}

CurlPtr NovaRequisicao() {
  InicializarCurl();
  CurlPtr handle(curl_easy_init());
  if (!handle) throw ESoapTransportError("Não foi possível criar a requisição HTTP (libcurl)");
  // Set before the before-post hook, which may change them.
  curl_easy_setopt(handle.get(), CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(MaxCorpo));
  curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT_MS, TempoTotalMs);
  curl_easy_setopt(handle.get(), CURLOPT_CONNECTTIMEOUT_MS, TempoConexaoMs);
  curl_easy_setopt(handle.get(), CURLOPT_LOW_SPEED_LIMIT, VelocidadeMinima);
  curl_easy_setopt(handle.get(), CURLOPT_LOW_SPEED_TIME, TempoVelocidadeMinima);
  return handle;
}

HeaderListPtr Acrescentar(HeaderListPtr aLista, const std::string& aLinha) {
  curl_slist* const nova = curl_slist_append(aLista.get(), aLinha.c_str());
  if (nova == nullptr) throw ESoapTransportError("Sem memória para os cabeçalhos HTTP");
  aLista.release();
  return HeaderListPtr(nova);
}

size_t GuardarCorpo(char* aDados, size_t aTamanho, size_t aQuantidade, void* aDestino) {
  auto* corpo = static_cast<TCorpo*>(aDestino);
  if (aTamanho * aQuantidade > MaxCorpo - corpo->Texto.size()) {
    corpo->Excedido = true;
    return 0;
  }
  try {
    corpo->Texto.append(aDados, aTamanho * aQuantidade);
  } catch (...) {
    return 0;
  }
  return aTamanho * aQuantidade;
}

// Keeps the reason phrase of the last status line ("HTTP/1.1 404 Not Found").
size_t GuardarMotivo(char* aDados, size_t aTamanho, size_t aQuantidade, void* aDestino) {
  const std::string_view linha(aDados, aTamanho * aQuantidade);
  if (linha.starts_with("HTTP/")) {
    const std::size_t codigo = linha.find(' ');
    const std::size_t motivo =
        codigo == std::string_view::npos ? codigo : linha.find(' ', codigo + 1);
    std::string texto =
        motivo == std::string_view::npos ? std::string() : std::string(linha.substr(motivo + 1));
    while (!texto.empty() && (texto.back() == '\r' || texto.back() == '\n')) texto.pop_back();
    *static_cast<std::string*>(aDestino) = EscapeControlCharacters(texto);
  }
  return aTamanho * aQuantidade;
}

std::string Escapar(const std::string& aTexto) {
  std::string saida;
  saida.reserve(aTexto.size() + aTexto.size() / 8);
  for (const char c : aTexto) {
    switch (c) {
      case '&':
        saida += "&amp;";
        break;
      case '<':
        saida += "&lt;";
        break;
      case '>':
        saida += "&gt;";
        break;
      case '\r':
        saida += "&#13;";
        break;
      default:
        saida += c;
    }
  }
  return saida;
}

XmlDocPtr LerXml(const std::string& aTexto) {
  return XmlDocPtr(xmlReadMemory(aTexto.data(), static_cast<int>(aTexto.size()), nullptr, nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

bool Nome(const xmlNode* aNo, const char* aLocal) {
  return aNo->type == XML_ELEMENT_NODE &&
         std::strcmp(reinterpret_cast<const char*>(aNo->name), aLocal) == 0;
}

const xmlNode* Filho(const xmlNode* aPai, const char* aLocal) {
  for (const xmlNode* n = aPai != nullptr ? aPai->children : nullptr; n != nullptr; n = n->next) {
    if (aLocal == nullptr ? n->type == XML_ELEMENT_NODE : Nome(n, aLocal)) return n;
  }
  return nullptr;
}

const xmlNode* Descendente(const xmlNode* aRaiz, const char* aLocal) {
  for (const xmlNode* n = aRaiz != nullptr ? aRaiz->children : nullptr; n != nullptr; n = n->next) {
    if (Nome(n, aLocal)) return n;
    if (const xmlNode* achado = Descendente(n, aLocal)) return achado;
  }
  return nullptr;
}

std::string Texto(const xmlNode* aNo) {
  xmlChar* conteudo = xmlNodeGetContent(aNo);
  std::string texto = conteudo != nullptr ? reinterpret_cast<const char*>(conteudo) : "";
  xmlFree(conteudo);
  return texto;
}

std::string Atributo(const xmlNode* aNo, const char* aNome) {
  xmlChar* valor = xmlGetProp(aNo, reinterpret_cast<const xmlChar*>(aNome));
  std::string texto = valor != nullptr ? reinterpret_cast<const char*>(valor) : "";
  xmlFree(valor);
  return texto;
}

const xmlNode* CorpoSoap(const xmlDoc* aDoc) {
  const xmlNode* raiz = xmlDocGetRootElement(aDoc);
  if (raiz == nullptr || !Nome(raiz, "Envelope") || raiz->ns == nullptr ||
      std::strcmp(reinterpret_cast<const char*>(raiz->ns->href), SoapEnvelopeNs) != 0) {
    return nullptr;
  }
  return Filho(raiz, "Body");
}

std::string ErroHttp(const TxndSoapTransport::TResposta& aResposta) {
  return Format("%s (%d)", aResposta.Motivo.empty() ? std::string("HTTP error") : aResposta.Motivo,
                static_cast<std::int64_t>(aResposta.Status));
}

}  // namespace

TxndSoapTransport::TResposta TxndSoapTransport::Executar(CURL* aRequest, const std::string& aUrl) {
  TResposta resposta;
  TCorpo corpo;
  char erro[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(aRequest, CURLOPT_URL, aUrl.c_str());
  curl_easy_setopt(aRequest, CURLOPT_ERRORBUFFER, erro);
  curl_easy_setopt(aRequest, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(aRequest, CURLOPT_WRITEFUNCTION, GuardarCorpo);
  curl_easy_setopt(aRequest, CURLOPT_WRITEDATA, &corpo);
  curl_easy_setopt(aRequest, CURLOPT_HEADERFUNCTION, GuardarMotivo);
  curl_easy_setopt(aRequest, CURLOPT_HEADERDATA, &resposta.Motivo);
  const CURLcode codigo = curl_easy_perform(aRequest);
  if (corpo.Excedido || codigo == CURLE_FILESIZE_EXCEEDED) {
    throw ESoapTransportError(Format(
        "A resposta de %s ultrapassa o limite de 16 MB: recebimento interrompido.", aUrl));
  }
  if (codigo != CURLE_OK) {
    throw ESoapTransportError(erro[0] != '\0' ? std::string(erro)
                                              : std::string(curl_easy_strerror(codigo)));
  }
  curl_easy_getinfo(aRequest, CURLINFO_RESPONSE_CODE, &resposta.Status);
  resposta.Corpo = std::move(corpo.Texto);
  return resposta;
}

TxndSoapTransport::TResposta TxndSoapTransport::Post(const std::string& aUrl,
                                                     const std::string& aSoapAction,
                                                     const std::string& aEnvelope) {
  CurlPtr requisicao = NovaRequisicao();
  HeaderListPtr cabecalhos = Acrescentar(nullptr, "Content-Type: text/xml; charset=utf-8");
  cabecalhos = Acrescentar(std::move(cabecalhos), "SOAPAction: \"" + aSoapAction + "\"");
  cabecalhos = Acrescentar(std::move(cabecalhos), "Expect:");
  curl_easy_setopt(requisicao.get(), CURLOPT_HTTPHEADER, cabecalhos.get());
  curl_easy_setopt(requisicao.get(), CURLOPT_POSTFIELDS, aEnvelope.data());
  curl_easy_setopt(requisicao.get(), CURLOPT_POSTFIELDSIZE_LARGE,
                   static_cast<curl_off_t>(aEnvelope.size()));
  if (FOnBeforePost) FOnBeforePost(*this, requisicao.get());
  return Executar(requisicao.get(), aUrl);
}

std::string TxndSoapTransport::Get(const std::string& aUrl) {
  CurlPtr requisicao = NovaRequisicao();
  curl_easy_setopt(requisicao.get(), CURLOPT_HTTPGET, 1L);
  if (FOnBeforePost) FOnBeforePost(*this, requisicao.get());
  TResposta resposta = Executar(requisicao.get(), aUrl);
  if (resposta.Status < 200 || resposta.Status >= 300)
    throw ESoapTransportError(ErroHttp(resposta));
  return std::move(resposta.Corpo);
}

std::string MontarEnvelopeDocumento(
    const TSoapOperacao& aOperacao,
    const std::vector<std::pair<std::string, std::string>>& aPartes) {
  std::string envelope =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
      "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Body>";
  envelope += "<" + aOperacao.Operacao + " xmlns=\"" + aOperacao.Namespace + "\">";
  for (const auto& [nome, valor] : aPartes)
    envelope += "<" + nome + ">" + Escapar(valor) + "</" + nome + ">";
  envelope += "</" + aOperacao.Operacao + "></soap:Body></soap:Envelope>";
  return envelope;
}

std::string LerResultadoDocumento(const TSoapOperacao& aOperacao,
                                  const TxndSoapTransport::TResposta& aResposta) {
  const XmlDocPtr doc = LerXml(aResposta.Corpo);
  const xmlNode* corpo = doc ? CorpoSoap(doc.get()) : nullptr;
  if (corpo == nullptr) {
    if (aResposta.Status < 200 || aResposta.Status >= 300)
      throw ESoapTransportError(ErroHttp(aResposta));
    throw ESoapTransportError("A resposta do servidor não é um envelope SOAP");
  }
  if (const xmlNode* falha = Filho(corpo, "Fault")) {
    const xmlNode* texto = Filho(falha, "faultstring");
    throw ESoapFault(EscapeControlCharacters(texto != nullptr ? Texto(texto) : Texto(falha)));
  }
  if (aResposta.Status < 200 || aResposta.Status >= 300)
    throw ESoapTransportError(ErroHttp(aResposta));
  const std::string nomeResultado = aOperacao.Operacao + "Result";
  const xmlNode* resultado = Descendente(corpo, nomeResultado.c_str());
  if (resultado == nullptr) resultado = Filho(Filho(corpo, nullptr), nullptr);
  if (resultado == nullptr) {
    throw ESoapTransportError(
        Format("A resposta do servidor não contém o elemento %s", nomeResultado));
  }
  return Texto(resultado);
}

std::string ChamarDocumento(TxndSoapTransport& aTransporte, const std::string& aUrl,
                            const TSoapOperacao& aOperacao,
                            const std::vector<std::pair<std::string, std::string>>& aPartes) {
  const TxndSoapTransport::TResposta resposta =
      aTransporte.Post(aUrl, aOperacao.Acao, MontarEnvelopeDocumento(aOperacao, aPartes));
  return LerResultadoDocumento(aOperacao, resposta);
}

std::string EnderecoNaDescricao(TxndSoapTransport& aTransporte, const std::string& aLocalDescricao,
                                const std::string& aServico, const std::string& aPorta) {
  const XmlDocPtr doc = LerXml(aTransporte.Get(aLocalDescricao));
  const xmlNode* raiz = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  for (const xmlNode* s = raiz != nullptr ? raiz->children : nullptr; s != nullptr; s = s->next) {
    if (!Nome(s, "service") || Atributo(s, "name") != aServico) continue;
    for (const xmlNode* p = s->children; p != nullptr; p = p->next) {
      if (!Nome(p, "port") || Atributo(p, "name") != aPorta) continue;
      if (const xmlNode* endereco = Filho(p, "address")) return Atributo(endereco, "location");
    }
  }
  throw ESoapTransportError(Format("A porta %s do serviço %s não consta da descrição %s", aPorta,
                                   aServico, aLocalDescricao));
}

}  // namespace xnd

#include "SimXml.h"

#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <openssl/evp.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace xnd::sim {

namespace {

constexpr const char* NsDsig = "http://www.w3.org/2000/09/xmldsig#";

bool NomeIgual(const xmlNode* aNo, const char* aNome) {
  return aNo != nullptr && aNo->type == XML_ELEMENT_NODE &&
         std::strcmp(reinterpret_cast<const char*>(aNo->name), aNome) == 0;
}

std::string DeXml(const xmlChar* aTexto) {
  return aTexto != nullptr ? reinterpret_cast<const char*>(aTexto) : "";
}

}  // namespace

XmlDocPtr LerXml(const std::string& aTexto) {
  return XmlDocPtr(xmlReadMemory(aTexto.data(), static_cast<int>(aTexto.size()), nullptr, nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

xmlNode* Raiz(xmlDoc* aDoc) { return aDoc != nullptr ? xmlDocGetRootElement(aDoc) : nullptr; }

xmlNode* Filho(const xmlNode* aPai, const char* aNome) {
  for (xmlNode* n = aPai != nullptr ? aPai->children : nullptr; n != nullptr; n = n->next) {
    if (NomeIgual(n, aNome)) return n;
  }
  return nullptr;
}

xmlNode* PrimeiroFilho(const xmlNode* aPai) {
  for (xmlNode* n = aPai != nullptr ? aPai->children : nullptr; n != nullptr; n = n->next) {
    if (n->type == XML_ELEMENT_NODE) return n;
  }
  return nullptr;
}

xmlNode* Descendente(const xmlNode* aRaiz, const char* aNome) {
  for (xmlNode* n = aRaiz != nullptr ? aRaiz->children : nullptr; n != nullptr; n = n->next) {
    if (NomeIgual(n, aNome)) return n;
    if (xmlNode* achado = Descendente(n, aNome)) return achado;
  }
  return nullptr;
}

std::string Nome(const xmlNode* aNo) { return aNo != nullptr ? DeXml(aNo->name) : ""; }

std::string Namespace(const xmlNode* aNo) {
  return aNo != nullptr && aNo->ns != nullptr ? DeXml(aNo->ns->href) : "";
}

std::string Texto(const xmlNode* aNo) {
  if (aNo == nullptr) return "";
  xmlChar* conteudo = xmlNodeGetContent(aNo);
  std::string texto = DeXml(conteudo);
  xmlFree(conteudo);
  return texto;
}

std::string TextoFilho(const xmlNode* aPai, const char* aNome) { return Texto(Filho(aPai, aNome)); }

std::string Atributo(const xmlNode* aNo, const char* aNome) {
  if (aNo == nullptr) return "";
  xmlChar* valor = xmlGetProp(aNo, reinterpret_cast<const xmlChar*>(aNome));
  std::string texto = DeXml(valor);
  xmlFree(valor);
  return texto;
}

XmlDocPtr CopiarComoDocumento(const xmlNode* aNo) {
  XmlDocPtr doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
  xmlNode* copia = xmlDocCopyNode(const_cast<xmlNode*>(aNo), doc.get(), 1);
  xmlDocSetRootElement(doc.get(), copia);
  return doc;
}

std::string Serializar(xmlDoc* aDoc) {
  xmlBuffer* buffer = xmlBufferCreate();
  xmlNodeDump(buffer, aDoc, xmlDocGetRootElement(aDoc), 0, 0);
  std::string texto(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                    xmlBufferLength(buffer));
  xmlBufferFree(buffer);
  return texto;
}

std::string Escapar(const std::string& aTexto) {
  std::string saida;
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
      case '"':
        saida += "&quot;";
        break;
      default:
        saida += c;
    }
  }
  return saida;
}

std::optional<std::string> DecodificarBase64(const std::string& aTexto) {
  std::string limpo;
  std::copy_if(aTexto.begin(), aTexto.end(), std::back_inserter(limpo),
               [](char c) { return c != '\r' && c != '\n' && c != ' ' && c != '\t'; });
  if (limpo.empty() || limpo.size() % 4 != 0) return std::nullopt;
  std::vector<unsigned char> saida(limpo.size() / 4 * 3 + 1);
  const int n = EVP_DecodeBlock(saida.data(), reinterpret_cast<const unsigned char*>(limpo.data()),
                                static_cast<int>(limpo.size()));
  if (n < 0) return std::nullopt;
  const auto preenchimento = static_cast<int>(std::count(limpo.end() - 2, limpo.end(), '='));
  return std::string(reinterpret_cast<const char*>(saida.data()),
                     static_cast<std::size_t>(n - preenchimento));
}

std::optional<std::string> Descompactar(const std::string& aBytes) {
  z_stream fluxo{};
  if (inflateInit2(&fluxo, 15 + 32) != Z_OK) return std::nullopt;
  fluxo.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(aBytes.data()));
  fluxo.avail_in = static_cast<uInt>(aBytes.size());
  std::string saida;
  char bloco[16384];
  int estado = Z_OK;
  while (estado == Z_OK) {
    fluxo.next_out = reinterpret_cast<Bytef*>(bloco);
    fluxo.avail_out = sizeof bloco;
    estado = inflate(&fluxo, Z_NO_FLUSH);
    saida.append(bloco, sizeof bloco - fluxo.avail_out);
  }
  inflateEnd(&fluxo);
  if (estado != Z_STREAM_END) return std::nullopt;
  return saida;
}

std::string CodificarBase64(const std::string& aBytes) {
  std::vector<unsigned char> saida((aBytes.size() + 2) / 3 * 4 + 1);
  const int n = EVP_EncodeBlock(saida.data(), reinterpret_cast<const unsigned char*>(aBytes.data()),
                                static_cast<int>(aBytes.size()));
  return std::string(reinterpret_cast<const char*>(saida.data()), static_cast<std::size_t>(n));
}

std::string Compactar(const std::string& aTexto) {
  z_stream fluxo{};
  if (deflateInit2(&fluxo, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2 falhou");
  fluxo.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(aTexto.data()));
  fluxo.avail_in = static_cast<uInt>(aTexto.size());
  std::string saida;
  char bloco[16384];
  int estado = Z_OK;
  while (estado == Z_OK) {
    fluxo.next_out = reinterpret_cast<Bytef*>(bloco);
    fluxo.avail_out = sizeof bloco;
    estado = deflate(&fluxo, Z_FINISH);
    saida.append(bloco, sizeof bloco - fluxo.avail_out);
  }
  deflateEnd(&fluxo);
  if (estado != Z_STREAM_END) throw std::runtime_error("deflate falhou");
  return saida;
}

// ---- Schemas -----------------------------------------------------------------------------

struct TEsquemas::TEsquema {
  xmlSchema* Esquema = nullptr;
  ~TEsquema() { xmlSchemaFree(Esquema); }
};

TEsquemas::TEsquemas(std::string aDiretorio) : FDiretorio(std::move(aDiretorio)) {}

TEsquemas::~TEsquemas() = default;

std::string TEsquemas::Localizar(const std::string& aArquivo) const {
  std::vector<std::string> achados;
  std::error_code erro;
  for (std::filesystem::recursive_directory_iterator it(FDiretorio, erro), fim; !erro && it != fim;
       it.increment(erro)) {
    if (it->is_regular_file() && it->path().filename() == aArquivo)
      achados.push_back(it->path().string());
  }
  if (achados.empty()) return "";
  std::sort(achados.begin(), achados.end());
  return achados.back();
}

namespace {

void GuardarPrimeiroErro(void* aDestino, xmlError* aErro) {
  auto* const destino = static_cast<std::string*>(aDestino);
  if (destino->empty() && aErro != nullptr && aErro->message != nullptr) {
    *destino = aErro->message;
    while (!destino->empty() && (destino->back() == '\n' || destino->back() == ' '))
      destino->pop_back();
  }
}

}  // namespace

std::optional<std::string> TEsquemas::Validar(xmlDoc* aDoc, const std::string& aArquivo) {
  if (!Ativo()) return std::nullopt;
  std::shared_ptr<TEsquema> esquema;
  {
    const std::lock_guard<std::mutex> trava(FMutex);
    auto& guardado = FCache[aArquivo];
    if (!guardado) {
      guardado = std::make_shared<TEsquema>();
      const std::string caminho = Localizar(aArquivo);
      if (!caminho.empty()) {
        xmlSchemaParserCtxt* leitor = xmlSchemaNewParserCtxt(caminho.c_str());
        guardado->Esquema = xmlSchemaParse(leitor);
        xmlSchemaFreeParserCtxt(leitor);
      }
    }
    esquema = guardado;
  }
  if (esquema->Esquema == nullptr) return std::nullopt;
  xmlSchemaValidCtxt* validador = xmlSchemaNewValidCtxt(esquema->Esquema);
  std::string erro;
  xmlSchemaSetValidStructuredErrors(validador, GuardarPrimeiroErro, &erro);
  const int resultado = xmlSchemaValidateDoc(validador, aDoc);
  xmlSchemaFreeValidCtxt(validador);
  if (resultado == 0) return std::nullopt;
  return erro.empty() ? std::string("documento invalido") : erro;
}

// ---- Signatures ----------------------------------------------------------------------------

namespace {

// A temporary file removed with the object.
class TArquivoTemporario {
 public:
  explicit TArquivoTemporario(const std::string& aConteudo) {
    const char* tmp = std::getenv("TMPDIR");
    std::string modelo =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/xndsim-XXXXXX";
    std::vector<char> nome(modelo.begin(), modelo.end());
    nome.push_back('\0');
    const int fd = mkstemp(nome.data());
    if (fd < 0) return;
    FCaminho = nome.data();
    const bool gravado =
        write(fd, aConteudo.data(), aConteudo.size()) == static_cast<ssize_t>(aConteudo.size());
    close(fd);
    if (!gravado) FCaminho.clear();
  }
  ~TArquivoTemporario() {
    if (!FCaminho.empty()) unlink(FCaminho.c_str());
  }
  TArquivoTemporario(const TArquivoTemporario&) = delete;
  TArquivoTemporario& operator=(const TArquivoTemporario&) = delete;
  const std::string& Caminho() const { return FCaminho; }

 private:
  std::string FCaminho;
};

int Executar(std::vector<std::string> aArgumentos) {
  std::vector<char*> argv;
  for (std::string& a : aArgumentos) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_addopen(&acoes, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&acoes, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int erro = posix_spawnp(&pid, argv[0], &acoes, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&acoes);
  if (erro != 0) return -1;
  int estado = 0;
  if (waitpid(pid, &estado, 0) < 0) return -1;
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

}  // namespace

bool AssinaturaConfere(xmlDoc* aDoc, const std::string& aElemento) {
  const xmlNode* assinado = Descendente(xmlDocGetRootElement(aDoc), aElemento.c_str());
  const xmlNode* assinatura = Descendente(xmlDocGetRootElement(aDoc), "Signature");
  if (assinado == nullptr || assinatura == nullptr || Namespace(assinatura) != NsDsig) return false;
  const TArquivoTemporario arquivo(Serializar(aDoc));
  if (arquivo.Caminho().empty()) return false;
  const std::string elemento =
      Namespace(assinado).empty() ? aElemento : Namespace(assinado) + ":" + aElemento;
  return Executar({"xmlsec1", "--verify", "--insecure", "--enabled-key-data", "x509",
                   "--id-attr:Id", elemento, arquivo.Caminho()}) == 0;
}

}  // namespace xnd::sim

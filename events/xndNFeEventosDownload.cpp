// TxndEventos: the download of the NF-e addressed to the issuer
// (downloadNFe 1.00) and the unpacking of the documents it answers with.
#include <openssl/evp.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "events/xndNFeEventosBase.h"
#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* ServicoDownload = "NfeDownloadNF";

// Base64 text (blanks and line breaks ignored) to bytes; false when it is not base64.
bool DecodificarBase64(const std::string& aTexto, std::string& aBytes) {
  std::string limpo;
  limpo.reserve(aTexto.size());
  for (const char c : aTexto) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') limpo += c;
  }
  if (limpo.empty() || limpo.size() % 4 != 0) return false;
  std::string bytes(limpo.size() / 4 * 3, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                reinterpret_cast<const unsigned char*>(limpo.data()),
                                static_cast<int>(limpo.size()));
  if (n < 0) return false;
  const std::size_t preenchimento = limpo.ends_with("==") ? 2 : limpo.ends_with("=") ? 1 : 0;
  bytes.resize(static_cast<std::size_t>(n) - preenchimento);
  aBytes = std::move(bytes);
  return true;
}

// gzip (or zlib) bytes to text; false when they do not inflate to the end.
bool Descompactar(const std::string& aBytes, std::string& aTexto) {
  z_stream fluxo{};
  if (inflateInit2(&fluxo, 15 + 32) != Z_OK) return false;
  fluxo.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(aBytes.data()));
  fluxo.avail_in = static_cast<uInt>(aBytes.size());
  std::string texto;
  std::vector<char> bloco(16384);
  int estado = Z_OK;
  while (estado == Z_OK) {
    fluxo.next_out = reinterpret_cast<Bytef*>(bloco.data());
    fluxo.avail_out = static_cast<uInt>(bloco.size());
    estado = inflate(&fluxo, Z_NO_FLUSH);
    texto.append(bloco.data(), bloco.size() - fluxo.avail_out);
  }
  inflateEnd(&fluxo);
  if (estado != Z_STREAM_END) return false;
  aTexto = std::move(texto);
  return true;
}

bool Desempacotar(const std::string& aBase64, std::string& aTexto) {
  std::string bytes;
  return DecodificarBase64(aBase64, bytes) && Descompactar(bytes, aTexto);
}

// The retNFe groups of an answer, as text.
std::vector<std::string> GruposRetNFe(const std::string& aResposta) {
  std::vector<std::string> grupos;
  for (std::size_t inicio = aResposta.find("<retNFe>"); inicio != std::string::npos;) {
    const std::size_t fim = aResposta.find("</retNFe>", inicio);
    if (fim == std::string::npos) break;
    grupos.push_back(aResposta.substr(inicio, fim + 9 - inicio));
    inicio = aResposta.find("<retNFe>", fim);
  }
  return grupos;
}

}  // namespace

void TxndEventos::SetDiretorioDownloads(const std::string& aValue) {
  FDiretorioDownloads = NormalizePathSeparators(aValue);
}

std::string TxndEventos::DownloadNFe(const std::string& aPedido) {
  std::string pedido = aPedido;
  if (pedido.starts_with("\xEF\xBB\xBF")) pedido.erase(0, 3);
  if (pedido.starts_with("<?xml")) pedido.erase(0, pedido.find("?>") == std::string::npos
                                                      ? pedido.size()
                                                      : pedido.find("?>") + 2);
  const std::string chave = ObterValorTag("chNFe", pedido);
  const std::string envelope = MontarEnvelopeDownload(pedido);
  const std::string endereco = EnderecoServico(ServicoDownload);
  GovUtils()->SaveLog(pedido, "ped-down", FDiretorioLog, "", chave);
  const std::string resposta = GovX()->SendSoapMessage(
      endereco, envelope, NamespaceNFe() + "/wsdl/NfeDownloadNF/nfeDownloadNF",
      "nfeDownloadNFResult", NamespaceNFe() + "/wsdl/NfeDownloadNF");
  GovUtils()->SaveLog(resposta, "down", FDiretorioLog, "", chave);

  const std::string diretorio = IncludeTrailingPathDelimiter(
      GovUtils()->ResolvePath(FDiretorioDownloads.empty() ? FDiretorioLog : FDiretorioDownloads));
  for (const std::string& grupo : GruposRetNFe(resposta)) {
    if (ObterValorTag("cStat", grupo) != "140") continue;
    const std::string chaveBaixada = ObterValorTag("chNFe", grupo);
    std::string documento;
    bool lido = false;
    if (grupo.find("<procNFeZip>") != std::string::npos) {
      lido = Desempacotar(ObterValorTag("procNFeZip", grupo), documento);
    } else if (grupo.find("<NFeZip>") != std::string::npos) {
      // The note and its protocol apart: put together as the nfeProc.
      std::string nota;
      std::string protocolo;
      lido = Desempacotar(ObterValorTag("NFeZip", grupo), nota) &&
             Desempacotar(ObterValorTag("protNFeZip", grupo), protocolo);
      if (lido) {
        std::string versao;
        GovUtils()->SelectValue(nota, "//*[local-name()='infNFe']/@versao", smTextValue, "", versao);
        documento = "<nfeProc xmlns=\"" + NamespaceNFe() + "\" versao=\"" + versao + "\">" +
                    GovUtils()->PrepareXml(nota) + GovUtils()->PrepareXml(protocolo) + "</nfeProc>";
      }
    } else {
      continue;
    }
    if (!lido) {
      throw ExndEventosException("O conteúdo baixado da NF-e %s não pôde ser lido", {chaveBaixada},
                                 FDiretorioLogErro);
    }
    const std::string arquivo = diretorio + chaveBaixada + "-procNFe.xml";
    GovUtils()->WriteTextFile(documento, arquivo);
    if (FOnDownloadNFe) FOnDownloadNFe(arquivo);
  }
  return resposta;
}

}  // namespace xnd

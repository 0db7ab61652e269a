// Tag searches over NF-e XML, the XPath helpers and program-relative paths.
#include <algorithm>
#include <string_view>
#include <vector>

#include "external/xndGovUtils.h"
#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr std::string_view kInicioNFe = "<infNFe Id=";
constexpr std::string_view kFimNFe = "</infNFe>";
constexpr std::string_view kFimProtocolo = "</protNFe>";

// Bytes of the UTF-8 sequence starting at aPos (1 for a stray byte).
std::size_t BytesDoCaractere(std::string_view aTexto, std::size_t aPos) {
  const auto lead = static_cast<unsigned char>(aTexto[aPos]);
  std::size_t bytes = 1;
  if (lead >= 0xF0) {
    bytes = 4;
  } else if (lead >= 0xE0) {
    bytes = 3;
  } else if (lead >= 0xC0) {
    bytes = 2;
  }
  return std::min(bytes, aTexto.size() - aPos);
}

// The hit after the one at aHit: the search resumes 12 characters after the hit's start.
std::size_t ProximaNFe(std::string_view aXml, std::size_t aHit) {
  std::size_t inicio = aHit + kInicioNFe.size();
  if (inicio >= aXml.size()) return std::string_view::npos;
  inicio += BytesDoCaractere(aXml, inicio);
  return FindText(aXml, kInicioNFe, inicio);
}

// The rule as written: code point positions, a missing tag at position 0.
std::string ValorTagPorCaracteres(const std::string& aTag, const std::string& aXml) {
  const auto abertura = static_cast<std::ptrdiff_t>(Utf8Pos("<" + aTag + ">", aXml));
  const auto fechamento = static_cast<std::ptrdiff_t>(Utf8Pos("</" + aTag + ">", aXml));
  const std::ptrdiff_t inicio = abertura + static_cast<std::ptrdiff_t>(Utf8Length(aTag)) + 2;
  return Utf8Copy(aXml, inicio, fechamento - inicio);
}

}  // namespace

// The rule below counts code points, but both tags start with "<", which is
// never part of a multi-byte sequence: when both are found in order, the
// value is exactly the bytes between them. Only the other cases take the walk.
std::string ObterValorTag(const std::string& aTag, const std::string& aXml) {
  const std::string tagAbertura = "<" + aTag + ">";
  const std::size_t byteAbertura = FindText(aXml, tagAbertura);
  if (byteAbertura != std::string::npos) {
    const std::size_t inicioValor = byteAbertura + tagAbertura.size();
    const std::size_t byteFechamento = FindText(aXml, "</" + aTag + ">");
    if (byteFechamento != std::string::npos && byteFechamento >= inicioValor) {
      return aXml.substr(inicioValor, byteFechamento - inicioValor);
    }
  }
  return ValorTagPorCaracteres(aTag, aXml);
}

std::string ObterNumeroRecibo(const std::string& aXml) { return ObterValorTag("nRec", aXml); }

std::string ObterIdNFe(const std::string& aXml) {
  TxndGovUtils govUtils;
  std::string valor;
  if (!govUtils->SelectValue(aXml, "//@Id", smTextValue, "", valor)) {
    throw ExndNFeException("Campo Id não encontrado para nota fiscal", "");
  }
  return valor;
}

bool NotaAssinada(const std::string& aXml) {
  return FindText(aXml, "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">") != std::string::npos;
}

std::string TxndNFeXmlUtils::ExtrairNFe(int aIndice, const std::string& aXml, bool aComProtocolo) const {
  return ExtrairNFePadrao(aIndice, aXml, aComProtocolo);
}

std::string TxndNFeXmlUtils::ExtrairNFePadrao(int aIndice, const std::string& aXml, bool aComProtocolo) {
  if (aIndice < 0) return {};
  std::size_t hit = FindText(aXml, kInicioNFe);
  for (int numero = 0; numero < aIndice && hit != std::string::npos; ++numero) hit = ProximaNFe(aXml, hit);
  if (hit == std::string::npos) return {};
  const std::string_view fim = aComProtocolo ? kFimProtocolo : kFimNFe;
  const std::size_t posicaoFim = FindText(aXml, fim, hit);
  if (posicaoFim == std::string::npos) return {};
  return aXml.substr(hit, posicaoFim + fim.size() - hit);
}

TPercursoNFe::TPercursoNFe(const std::string& aXml, bool aComProtocolo)
    : FXml(aXml), FComProtocolo(aComProtocolo) {}

// The end tag found for an earlier hit is also the first one after this hit
// when it lies after it (no end tag stands between the two), and when none
// was found after an earlier hit there is none after this one either.
std::string TPercursoNFe::Proxima() {
  if (FInicio) {
    FInicio = false;
    FHit = FindText(FXml, kInicioNFe);
  } else if (FHit != std::string::npos) {
    FHit = ProximaNFe(FXml, FHit);
  }
  if (FHit == std::string::npos) return {};
  const std::string_view fim = FComProtocolo ? kFimProtocolo : kFimNFe;
  if (!FFimProcurado || (FFim != std::string::npos && FFim < FHit)) {
    FFim = FindText(FXml, fim, FHit);
    FFimProcurado = true;
  }
  if (FFim == std::string::npos) return {};
  return FXml.substr(FHit, FFim + fim.size() - FHit);
}

std::string TxndNFeXmlUtils::ObterChaveAcesso(const std::string& aXml, bool aComPrefixo) {
  TxndGovUtils govUtils;
  std::string valor;
  if (!govUtils->SelectValue(aXml, ".//tec:infNFe/@Id", smTextValue, NFeNamespacePrefix, valor)) return {};
  return aComPrefixo ? valor : Utf8Copy(valor, 4, static_cast<std::ptrdiff_t>(Utf8Length(valor)));
}

std::string TxndNFeXmlUtils::ObterAtributoTag(const std::string& aXml, const std::string& aTag,
                                              const std::string& aAtributo) {
  const std::string xpath = "//*[local-name()=\"" + aTag + "\"]/@" + aAtributo;
  std::string valor;
  try {
    TxndGovUtils govUtils;
    if (!govUtils->SelectValue(aXml, xpath, smTextValue, NFeNamespacePrefix, valor)) valor.clear();
  } catch (const std::exception&) {
    throw ExndNFeException("Problema ao localizar o atributo : %s  na tag: %s do Xml", {aAtributo, aTag}, "");
  }
  return valor;
}

std::string TxndNFeXmlUtils::ObterNFePorIndice(int aIndice, const std::string& aXml, bool aNfeProc) {
  TxndGovUtils govUtils;
  std::vector<std::string> nos;
  const std::string xpath = std::string(".//tec:") + (aNfeProc ? "nfeProc" : "infNFe");
  if (!govUtils->SelectNodes(aXml, xpath, smNodeXml, NFeNamespacePrefix, nos)) return {};
  if (aIndice < 0 || static_cast<std::size_t>(aIndice) >= nos.size()) return {};
  return nos[static_cast<std::size_t>(aIndice)];
}

int TxndNFeXmlUtils::ContarNFe(const std::string& aXml) {
  int total = 0;
  for (std::size_t hit = FindText(aXml, kInicioNFe); hit != std::string::npos; hit = ProximaNFe(aXml, hit))
    ++total;
  return total;
}

int TxndNFeXmlUtils::ContarNFeXPath(const std::string& aXml) {
  TxndGovUtils govUtils;
  std::vector<std::string> nos;
  if (!govUtils->SelectNodes(aXml, ".//tec:infNFe", smNodeXml, NFeNamespacePrefix, nos)) return 0;
  return static_cast<int>(nos.size());
}

void IncluirBarraFinal(std::string& aCaminho) {
  if (!aCaminho.empty() && aCaminho.back() != PathDelim) aCaminho += PathDelim;
}

bool DiretorioExiste(const std::string& aCaminho) { return DirectoryExists(aCaminho); }

std::string DiretorioAplicacao() {
  std::string diretorio = ProgramDirectory();
  IncluirBarraFinal(diretorio);
  if (!DiretorioExiste(diretorio)) {
    throw ExndNFeDirNotFoundException("Não foi possível encontrar o Diretório Atual: " + diretorio, "");
  }
  return diretorio;
}

std::string ResolverCaminho(const std::string& aCaminho) {
  std::string resultado = aCaminho;
  // An absolute path is used as it is: it never gets the program directory in front.
  if (!IsAbsolutePath(aCaminho)) {
    const std::string completo = DiretorioAplicacao() + aCaminho;
    if (FileExists(completo) || DirectoryExists(completo)) resultado = completo;
  }
  if (DirectoryExists(resultado)) IncluirBarraFinal(resultado);
  return resultado;
}

std::string ExpandirCaminho(const std::string& aCaminho) {
  if (aCaminho.empty()) return {};
  std::string caminho = NormalizeConfiguredPath(aCaminho);
  if (!IsAbsolutePath(caminho)) caminho = DiretorioAplicacao() + caminho;
  return ResolverCaminho(caminho);
}

void RemoverPastaVersaoManual(std::string& aCaminho) {
  // Case folding keeps byte positions, so a position in the folded text cuts the original.
  const std::string maiusculo = UpperCase(aCaminho);
  for (const std::string_view pasta : {"/VM30", "/VM40", "/VM50"}) {
    const std::size_t posicao = maiusculo.find(pasta);
    if (posicao != std::string::npos) {
      aCaminho.erase(posicao);
      break;
    }
  }
  IncluirBarraFinal(aCaminho);
}

}  // namespace xnd

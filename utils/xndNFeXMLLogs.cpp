// Read-back of the operation logs.
#include "utils/xndNFeXMLLogs.h"

#include <vector>

#include "external/xndGovUtils.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* XPathInfNFe = ".//tec:infNFe";

std::string LerDecodificado(TxndGovUtils& aGovUtils, const std::string& aArquivo) {
  return aGovUtils->DecodeUtf8(aGovUtils->ReadTextFile(aArquivo));
}

// The text without its XML declarations ("<?xml ...?>"), wherever they stand.
std::string SemDeclaracoesXml(const std::string& aTexto) {
  std::string out;
  out.reserve(aTexto.size());
  std::size_t pos = 0;
  while (pos < aTexto.size()) {
    const std::size_t inicio = aTexto.find("<?xml", pos);
    const bool declaracao = inicio != std::string::npos && inicio + 5 < aTexto.size() &&
                            (aTexto[inicio + 5] == ' ' || aTexto[inicio + 5] == '?');
    const std::size_t fim = declaracao ? aTexto.find("?>", inicio) : std::string::npos;
    if (fim == std::string::npos) {
      const std::size_t corte = inicio == std::string::npos ? aTexto.size() : inicio + 1;
      out.append(aTexto, pos, corte - pos);
      pos = corte;
      continue;
    }
    out.append(aTexto, pos, inicio - pos);
    pos = fim + 2;
  }
  return out;
}

// The infNFe elements of the log. A log extended by several writes holds
// several documents one after the other; when the text does not parse as one
// document it is read again as the children of one enclosing element, and
// the first error stands when that does not parse either.
bool SelecionarInfNFe(TxndGovUtils& aGovUtils, const std::string& aTexto,
                      std::vector<std::string>& aNos) {
  try {
    return aGovUtils->SelectNodes(aTexto, XPathInfNFe, smNodeXml, NFeNamespacePrefix, aNos);
  } catch (const EOleException&) {
    const std::string envolvido = "<xndLog>" + SemDeclaracoesXml(aTexto) + "</xndLog>";
    try {
      return aGovUtils->SelectNodes(envolvido, XPathInfNFe, smNodeXml, NFeNamespacePrefix, aNos);
    } catch (const EOleException&) {
    }
    throw;
  }
}

// Every Id attribute of an infNFe, and every infNFe that has none or stands
// inside another: in document order, values for the attributes, XML (which
// starts with "<") for the elements.
constexpr const char* XPathIdsInfNFe =
    ".//tec:infNFe/@Id | .//tec:infNFe[not(@Id)] | .//tec:infNFe//tec:infNFe";

// The key of each infNFe is the Id found from it (ObterChaveAcesso of its
// XML). When every infNFe has its own Id and none stands inside another,
// those are the Ids of one selection over the whole text, in document order:
// true, aIds holds them. False when the text does not parse as one document
// or an infNFe is not like that; the keys are then taken note by note.
bool IdsDeNotasSimples(TxndGovUtils& aGovUtils, const std::string& aTexto,
                       std::vector<std::string>& aIds) {
  std::vector<std::string> valores;
  try {
    aGovUtils->SelectNodes(aTexto, XPathIdsInfNFe, smNodeXml, NFeNamespacePrefix, valores);
  } catch (const EOleException&) {
    return false;
  }
  for (const std::string& valor : valores) {
    if (!valor.empty() && valor.front() == '<') return false;
  }
  aIds = std::move(valores);
  return true;
}

}  // namespace

std::string TxndNFeXMLLogs::CarregarLog(const std::string& aArquivo,
                                        const std::string& aDiretorioLog) {
  TxndGovUtils govUtils;
  if (IsAbsolutePath(aArquivo)) {
    if (!FileExists(aArquivo)) {
      throw ExndNFeLogNotFoundException("Arquivo de Log %s não existe.", {aArquivo}, "");
    }
    return LerDecodificado(govUtils, aArquivo);
  }
  std::string diretorio = govUtils->ResolvePath(aDiretorioLog);
  IncluirBarraFinal(diretorio);
  const std::string caminho = diretorio + ExtractFileName(NormalizePathSeparators(aArquivo));
  if (FileExists(caminho)) return LerDecodificado(govUtils, caminho);
  return govUtils->DecodeUtf8(aArquivo);
}

void TxndNFeXMLLogs::ListarChavesLog(const std::string& aArquivo, TStringList* aLista,
                                     const std::string& aDiretorioLog) {
  if (aLista == nullptr) throw ExndNFeCheckParams("Lista não foi instanciada.", "");
  ListarChavesTexto(CarregarLog(aArquivo, aDiretorioLog), aLista);
}

void TxndNFeXMLLogs::ListarChavesTexto(const std::string& aTexto, TStringList* aLista) {
  if (aLista == nullptr) throw ExndNFeCheckParams("Lista não foi instanciada.", "");
  std::vector<std::string> ids;
  std::vector<std::string> nos;
  bool simples = false;
  {
    TxndGovUtils govUtils;
    simples = IdsDeNotasSimples(govUtils, aTexto, ids);
    if (!simples && !SelecionarInfNFe(govUtils, aTexto, nos)) return;
  }
  if (simples) {
    // ObterChaveAcesso without the prefix: the Id from its fourth character on.
    for (const std::string& id : ids) {
      aLista->Add(Utf8Copy(id, 4, static_cast<std::ptrdiff_t>(Utf8Length(id))));
    }
    return;
  }
  for (const std::string& no : nos) aLista->Add(TxndNFeXmlUtils::ObterChaveAcesso(no, false));
}

}  // namespace xnd

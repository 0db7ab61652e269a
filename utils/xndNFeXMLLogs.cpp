// Read-back of the operation logs.
#include "utils/xndNFeXMLLogs.h"

#include <vector>

#include "external/xndGovUtils.h"
#include "platform/exception.h"
#include "platform/files.h"
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
  const std::string texto = CarregarLog(aArquivo, aDiretorioLog);
  std::vector<std::string> nos;
  {
    TxndGovUtils govUtils;
    if (!SelecionarInfNFe(govUtils, texto, nos)) return;
  }
  for (const std::string& no : nos) aLista->Add(TxndNFeXmlUtils::ObterChaveAcesso(no, false));
}

}  // namespace xnd

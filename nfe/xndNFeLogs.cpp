// Operation logs of the NF-e component: the documents exchanged with the tax
// authority kept in the log directory, and the index files in the
// recipient-XML directory that lead from an access key or a receipt number
// to the batch log.
#include "nfe/xndNFe.h"

#include <filesystem>
#include <system_error>

#include "platform/exception.h"
#include "platform/files.h"
#include "platform/stringlist.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXMLLogs.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* PrefixoIndice = "env-lot=";

// An index name comes from the documents (an Id attribute, the receipt of
// the service's answer): it must name a file inside the directory and
// nothing else.
bool NomeIndiceSeguro(const std::string& aNome) {
  return !aNome.empty() && aNome != "." && aNome != ".." &&
         aNome.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

}  // namespace

void TxndNFe::GravarLog(const std::string& aXml, const std::string& aTipo,
                        const std::string& aIdLote, const std::string& aNomeArquivo) {
  const std::string nome =
      aNomeArquivo.empty() ? ObterGovUtils()->MakeLogFileName(aTipo, aIdLote) : aNomeArquivo;
  if (SalvarLogsEmDisco()) {
    std::string diretorio = ExpandirCaminho(DiretorioLog());
    if (diretorio.empty() || !ForceDirectories(diretorio)) {
      throw ExndLogException("Diretório de log não pode ser criado ou está vazio: %s", {diretorio},
                             DiretorioLogErro());
    }
    IncluirBarraFinal(diretorio);
    const std::string caminho = diretorio + nome;
    try {
      ObterGovUtils()->AppendTextFile(aXml, caminho);
    } catch (const EOleException& e) {
      throw ExndLogException(e.Message(), DiretorioLogErro());
    }
    if (OnLog()) OnLog()(aTipo, aIdLote, caminho);
  }
  if (OnLogContent()) OnLogContent()(aTipo, aIdLote, nome, aXml);
}

void TxndNFe::IndexarLogLote(const std::string& aNomeArquivoLog) {
  IndexarLogLote(aNomeArquivoLog, nullptr);
}

// A log whose size is that of the text just appended to it did not exist
// before: it holds that text and nothing else, so its keys are read from the
// text in memory instead of the file. A log that was extended is read back.
void TxndNFe::IndexarLogLote(const std::string& aNomeArquivoLog, const std::string* aXmlGravado) {
  if (!SalvarLogsEmDisco()) return;
  std::string diretorio = ExpandirCaminho(DiretorioLog());
  IncluirBarraFinal(diretorio);
  const std::string caminho = diretorio + aNomeArquivoLog;
  TStringList chaves;
  std::error_code erro;
  const std::uintmax_t tamanho = std::filesystem::file_size(caminho, erro);
  if (aXmlGravado != nullptr && !erro && tamanho == aXmlGravado->size()) {
    TxndNFeXMLLogs::ListarChavesTexto(ObterGovUtils()->DecodeUtf8(*aXmlGravado), &chaves);
  } else {
    TxndNFeXMLLogs::ListarChavesLog(caminho, &chaves, DiretorioLog());
  }
  for (int i = 0; i < chaves.Count(); ++i) GravarIndiceLog(chaves[i], aNomeArquivoLog);
}

void TxndNFe::GravarIndiceLog(const std::string& aChaveOuRecibo,
                              const std::string& aNomeArquivoLog) {
  if (!NomeIndiceSeguro(aChaveOuRecibo)) {
    throw ExndLogException("Nome inválido para o arquivo de índice do log: %s", {aChaveOuRecibo},
                           DiretorioLogErro());
  }
  const std::string caminho = DiretorioXmlDestinatario() + aChaveOuRecibo;
  try {
    ObterGovUtils()->WriteTextFile(PrefixoIndice + aNomeArquivoLog, caminho);
  } catch (const EOleException& e) {
    throw ExndLogException(e.Message(), DiretorioLogErro());
  }
}

}  // namespace xnd

// Batch submission of the NF-e component: the request is built and checked,
// logged and indexed before it leaves, sent through the version interface
// object, and the answer is logged and its receipt indexed.
#include "nfe/xndNFe.h"

#include "platform/text.h"
#include "services/xndNFEInterface.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* TemplateEnvio = "pedido_enviarnota.xml";
constexpr const char* ComandoEnvio = "ENVIO";
constexpr const char* TipoLogEnvio = "env-lot";
constexpr const char* TipoLogRecibo = "rec";
constexpr long double CaracteresPorKB = 1000.0L;

std::string SemQuebrasDeLinha(const std::string& aTexto) {
  return StringReplace(StringReplace(aTexto, "\n", ""), "\r", "");
}

}  // namespace

void TxndNFe::MontarLoteEnvio(const std::string& aIdLote, const std::string& aLoteNotas,
                              std::string& aPedido) {
  aPedido = Format(CarregarTemplate(TemplateEnvio), aIdLote, SemQuebrasDeLinha(aLoteNotas), "");
  VerificarCertificado();
  if (ObterGovUtils()->RemoveAllAccents(aIdLote) != aIdLote) {
    throw ExndNFeCheckParams("Numero do Lote não pode conter acento: %s", {aIdLote},
                             DiretorioLogErro());
  }
  const long double tamanho = static_cast<long double>(Utf8Length(aLoteNotas)) / CaracteresPorKB;
  if (tamanho > MaxSizeLoteEnvio()) {
    throw ExndNFeMaxSizeException("O Lote de NFes possui %s KB ultrapassando o limite de %s KB.",
                                  {FloatToStr(tamanho), IntToStr(MaxSizeLoteEnvio())},
                                  DiretorioLogErro());
  }
  if (!NotaAssinada(aLoteNotas))
    throw ExndSignatureException("A nota não possui assinatura", DiretorioLogErro());
  if (ValidarEsquemaAntesEnvio()) ValidarEsquema(aPedido, ComandoEnvio);
}

void TxndNFe::EnviarLote(const std::string& aIdLote, const std::string& aLoteNotas,
                         std::string& aRetorno, bool aCompactado) {
  if (Trim(aLoteNotas).empty()) {
    throw ExndNFeCheckParams("Favor preencher o parâmetro aLoteNotas", DiretorioLogErro());
  }
  AtualizarDadosNFe();
  std::string pedido;
  MontarLoteEnvio(aIdLote, aLoteNotas, pedido);
  const std::string arquivoLog = ObterGovUtils()->MakeLogFileName(TipoLogEnvio, aIdLote);
  GravarLog(pedido, TipoLogEnvio, aIdLote, arquivoLog);
  IndexarLogLote(arquivoLog, &pedido);
  try {
    aRetorno = ObterInterfaceVersao().EnviarLote(aIdLote, pedido, aCompactado);
  } catch (const std::exception& e) {
    throw ExndNFeException("Erro ao enviar NF-e: " + std::string(e.what()), DiretorioLogErro());
  }
  // The batch is out: whatever fails from here on, the caller must learn
  // that it was sent and its receipt, or it would send it again.
  std::string recibo;
  try {
    recibo = ObterNumeroRecibo(aRetorno);
    GravarLog(aRetorno, TipoLogRecibo, aIdLote, "");
    if (!recibo.empty() && SalvarLogsEmDisco()) GravarIndiceLog(recibo, arquivoLog);
  } catch (const std::exception& e) {
    throw ExndNFeLoteEnviadoException(aIdLote, recibo, aRetorno, e.what(), DiretorioLogErro());
  }
}

}  // namespace xnd

// TxndNFe: the events object kept in step with the component, and the CC-e
// outputs delegated to it.
#include "danfe/xndNFeDanfe.h"
#include "events/xndNFeEventos.h"
#include "nfe/xndNFe.h"

namespace xnd {

// The order of the copies is kept: reading DiretorioXmlDestinatario creates
// it, and the temporary directory is resolved through the utility server.
void TxndNFe::AtualizarEventos() {
  TxndNFeEventos& eventos = ObterEventos();
  eventos.SetCNPJ(CNPJ());
  eventos.SetUF(UF());
  eventos.SetUFWS(UF());
  eventos.SetArquivoServidoresProd(ArquivoServidoresProd());
  eventos.SetArquivoServidoresHom(ArquivoServidoresHom());
  eventos.SetDiretorioEsquemas(DiretorioEsquemas());
  eventos.SetDiretorioTemplates(DiretorioTemplates());
  eventos.SetDiretorioLog(DiretorioLog());
  eventos.SetVersaoManual(VersaoManual());
  eventos.SetAmbiente(Ambiente());
  eventos.SetValidarEsquemaAntesEnvio(ValidarEsquemaAntesEnvio());
  eventos.SetDiretorioXmlDestinatario(DiretorioXmlDestinatario());
  eventos.SetDiretorioDownloads(DiretorioDownloads());
  eventos.SetOnXmlCanDestinatario(OnXmlCanDestinatario());
  TxndImpressaoCCeSettings& impressao = *eventos.ImpressaoCCeSettings();
  const TDanfeSettings& danfe = *DanfeSettings();
  impressao.SetQtdeCopias(danfe.QtdeCopias());
  impressao.SetLogotipoEmitente(danfe.LogotipoEmitente());
  impressao.SetModeloRTM(danfe.ModeloRTMCCe());
  impressao.SetLineDelimiter(danfe.LineDelimiter());
  eventos.SetAnexarDanfePDF(AnexarDanfePDF());
  eventos.SetDiretorioLogErro(DiretorioLogErro());
  eventos.SetDiretorioTemporario(ObterDiretorioTemporario());
  eventos.SetOnDownloadNFe(OnDownloadNFe());
  eventos.SetOnLog(OnLog());
  eventos.SetModoOperacao(ModoOperacao());
  // The host's save dialog for an export without a file name.
  eventos.SetOnDialogoSalvar(FOnDialogoSalvarPDF);
}

void TxndNFe::ImprimirCCeImpressora(const std::string& aXml, const std::string& aImpressora) {
  AtualizarEventos();
  ObterEventos().ImprimirCCeImpressora(aXml, aImpressora);
}

void TxndNFe::VisualizarCCe(const std::string& aXml) {
  AtualizarEventos();
  ObterEventos().VisualizarCCe(aXml);
}

void TxndNFe::ImprimirCCe(const std::string& aXml) {
  AtualizarEventos();
  ObterEventos().ImprimirCCe(aXml);
}

void TxndNFe::ExportarCCePDF(const std::string& aXml, const std::string& aArquivo) {
  AtualizarEventos();
  ObterEventos().ExportarCCePDF(aXml, aArquivo);
}

}  // namespace xnd

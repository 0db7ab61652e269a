// Version interface object, server list and configuration snapshot of the
// NF-e component.
#include "nfe/xndNFe.h"

#include "platform/files.h"
#include "services/xndCertificadoCliente.h"
#include "services/xndNFEInterface.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

// tpAmb of the environment: "1" production, "2" homologation, "" otherwise.
std::string TipoAmbiente(TAmbienteKind aAmbiente) {
  switch (aAmbiente) {
    case akProducao:
      return "1";
    case akHomologacao:
      return "2";
  }
  return "";
}

}  // namespace

// Recreated at every settings push. The manual 2.0.2a / 3.0 services need a
// client certificate on each request: the handler attaches the component's
// A1 file (CaminhoCertificado / SenhaCertificado), opened on the first
// request, and skips the server's verification as IgnoreInvalidCertificates says.
void TxndCustomNFe::AtualizarInterfaceVersao() {
  FInterfaceVersao.reset();
  if (!FGovX) return;
  if (!FGovUtils) ObterGovUtils();
  FInterfaceVersao = CriarInterfaceVersao(FVersaoManual, *FNFeData, *FGovUtils, *FGovX);
  if (FInterfaceVersao && (FVersaoManual == vm202a || FVersaoManual == vm30)) {
    FInterfaceVersao->SetOnGetValidCertificate(CriarAnexadorCertificado(
        FCaminhoCertificado, FSenhaCertificado, FIgnoreInvalidCertificates, FDiretorioLogErro));
  }
}

TxndNFEInterface& TxndCustomNFe::ObterInterfaceVersao() {
  if (!FInterfaceVersao)
    throw ExndNFeConfigException("Versão do Manual não definida", FDiretorioLogErro);
  if (FAmbiente == akHomologacao) {
    const std::string arquivo = ArquivoServidoresHom();
    if (arquivo.empty()) {
      throw ExndNFeConfigException("Arquivo de servidores de homologação não informado",
                                   FDiretorioLogErro);
    }
    if (!FileExists(arquivo)) {
      throw ExndNFeConfigException("Arquivo \"%s\" de servidores de homologação não encontrado",
                                   {arquivo}, FDiretorioLogErro);
    }
  } else if (FAmbiente == akProducao) {
    const std::string arquivo = ArquivoServidoresProd();
    if (arquivo.empty()) {
      throw ExndNFeConfigException("Arquivo de servidores de produção não informado",
                                   FDiretorioLogErro);
    }
    if (!FileExists(arquivo)) {
      throw ExndNFeConfigException("Arquivo \"%s\" de servidores de produção não encontrado",
                                   {arquivo}, FDiretorioLogErro);
    }
  }
  return *FInterfaceVersao;
}

// The file of the environment: its directory resolved against the program's
// directory (a bare file name is taken there too), then its file name.
TCustomIniFile& TxndCustomNFe::ObterServidoresINI() {
  const std::string& armazenado =
      FAmbiente == akProducao ? FArquivoServidoresProd : FArquivoServidoresHom;
  const std::string diretorio = ExtractFilePath(armazenado);
  const std::string arquivo =
      (diretorio.empty() ? DiretorioAplicacao() : ExpandirCaminho(diretorio)) +
      ExtractFileName(armazenado);
  if (!FileExists(arquivo)) {
    throw ExndFileNotFoundException("O arquivo de servidores informado não existe: %s", {arquivo},
                                    FDiretorioLogErro);
  }
  if (!FServidoresINI || FServidoresINI->FileName() != arquivo) {
    FServidoresINI.reset();
    FServidoresINI = std::make_unique<TIniFile>(arquivo);
  }
  return *FServidoresINI;
}

void TxndNFe::AtualizarDadosNFe() {
  TNFeData& dados = NFeData();
  dados.ArquivoServidoresHom = ArquivoServidoresHom();
  dados.ArquivoServidoresProd = ArquivoServidoresProd();
  const std::string& arquivoAtual =
      Ambiente() == akProducao ? dados.ArquivoServidoresProd : dados.ArquivoServidoresHom;
  if (!arquivoAtual.empty() && FileExists(arquivoAtual))
    dados.ServidoresINI = &ObterServidoresINI();
  dados.Ambiente = Ambiente();
  dados.DiretorioLog = DiretorioLog();
  dados.ValidarEsquemaAntesEnvio = ValidarEsquemaAntesEnvio();
  dados.IgnoreInvalidCertificates = IgnoreInvalidCertificates();
  dados.TimeOut = TimeOut();
  dados.DiretorioEsquemas = DiretorioEsquemas();
  dados.DiretorioTemplates = DiretorioTemplates();
  dados.NomeCertificado = NomeCertificado()->Text();
  dados.VersaoManual = VersaoManual();
  dados.TipoAmbiente = TipoAmbiente(Ambiente());
  dados.cUF = UF().empty() ? std::string() : CodigoUF(UF());
  dados.UF = UF();
  dados.CNPJ = CNPJ();
  dados.ModoOperacao = ModoOperacao();
}

}  // namespace xnd

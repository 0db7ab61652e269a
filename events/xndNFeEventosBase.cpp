// TxndEventos: properties, templates, server list, identifiers, signing and
// schema validation. The exchanges with the services are in
// xndNFeEventosEnvio.cpp.
#include "events/xndNFeEventosBase.h"

#include "events/xndNFeEventosXmlUtils.h"
#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* ArquivoMapeamento = "Mapping.txt";
constexpr const char* SecaoMapeamento = "ValidarXML";
constexpr const char* InicioIdEvento = "<infEvento Id=\"";
constexpr std::size_t TamanhoIdEvento = 54;

}  // namespace

TxndEventos::TxndEventos(TComponent* aOwner, TxndGovX* aGovX, TxndEmailSettings* aEmailSettings,
                         TxndGovUtils* aGovUtils)
    : TComponent(aOwner), FEmailSettings(aEmailSettings), FGovX(aGovX), FGovUtils(aGovUtils) {
  CarregarTabelaUF(FTabelaUF);
  FDiretorioLogErro.clear();
}

TxndEventos::~TxndEventos() = default;

// ---- Properties ---------------------------------------------------------------------------

void TxndEventos::SetArquivoServidoresProd(const std::string& aValue) {
  FArquivoServidoresProd = NormalizePathSeparators(aValue);
}
void TxndEventos::SetArquivoServidoresHom(const std::string& aValue) {
  FArquivoServidoresHom = NormalizePathSeparators(aValue);
}
void TxndEventos::SetDiretorioTemplates(const std::string& aValue) {
  FDiretorioTemplates = NormalizePathSeparators(aValue);
}
void TxndEventos::SetDiretorioEsquemas(const std::string& aValue) {
  FDiretorioEsquemas = NormalizePathSeparators(aValue);
}
void TxndEventos::SetDiretorioLog(const std::string& aValue) {
  FDiretorioLog = NormalizePathSeparators(aValue);
}
void TxndEventos::SetDiretorioXmlDestinatario(const std::string& aValue) {
  FDiretorioXmlDestinatario = NormalizePathSeparators(aValue);
}
// The exception logs are written to this text followed by the file name: a
// directory given without its final "/" gets one.
void TxndEventos::SetDiretorioLogErro(const std::string& aValue) {
  FDiretorioLogErro = NormalizePathSeparators(aValue);
  if (!FDiretorioLogErro.empty()) FDiretorioLogErro = IncludeTrailingPathDelimiter(FDiretorioLogErro);
}

std::string TxndEventos::CodigoUFAtual() const { return FTabelaUF.Values(GetUF()); }

// ---- Templates ----------------------------------------------------------------------------

std::string TxndEventos::DiretorioTemplatesUF() const {
  return IncludeTrailingPathDelimiter(FDiretorioTemplates) + GetUF() + "/";
}

std::string TxndEventos::CarregarModeloEvento(const std::string& aNome) {
  const std::string arquivo = FileExists(aNome) ? aNome : DiretorioTemplatesUF() + aNome;
  return TxndEventosXMLUtils::CarregarModelo(arquivo, FDiretorioLogErro);
}

std::string TxndEventos::MontarAssinarEvento(const std::string& aXml) {
  return Format(CarregarModeloEvento("assinarEvento.xml"), StringReplace(aXml, "º", "o", false));
}

std::string TxndEventos::MontarEnvelopeEnvio(const std::string& aCorpo) {
  return Format(CarregarModeloEvento("envio.soap"), CodigoUFAtual(), aCorpo);
}

std::string TxndEventos::MontarEnvelopeConsultaNF(const std::string& aCorpo) {
  return Format(CarregarModeloEvento("pedido_consultanf.soap"),
                Utf8Copy(ObterValorTag("chNFe", aCorpo), 0, 2), aCorpo);
}

std::string TxndEventos::MontarEnvelopeConsultaDest(const std::string& aCorpo) {
  return Format(CarregarModeloEvento("consulta_dest.soap"), CodigoUFAtual(), aCorpo);
}

std::string TxndEventos::MontarEnvelopeDownload(const std::string& aCorpo) {
  return Format(CarregarModeloEvento("evento_downloadNFe.soap"), CodigoUFAtual(), aCorpo);
}

// ---- Server list --------------------------------------------------------------------------

TCustomIniFile& TxndEventos::ArquivoServidores() {
  const std::string& armazenado =
      FAmbiente == akProducao ? FArquivoServidoresProd : FArquivoServidoresHom;
  const std::string arquivo =
      IncludeTrailingPathDelimiter(GovUtils()->ResolvePath(ExtractFilePath(armazenado))) +
      ExtractFileName(armazenado);
  if (!FileExists(arquivo)) {
    throw ExndFileNotFoundException("O arquivo de servidores informado não existe: %s", {arquivo},
                                    FDiretorioLogErro);
  }
  if (!FServidores || FServidores->FileName() != arquivo) {
    FServidores.reset();
    FServidores = std::make_unique<TIniFile>(arquivo);
  }
  return *FServidores;
}

namespace {

const char* SecaoModo(TModoOperacao aModo, const std::string& aUFWS) {
  switch (aModo) {
    case moSVCAN:
      return "SVCAN";
    case moSVCRS:
      return "SVCRS";
    case moNormal:
      break;
  }
  return aUFWS.c_str();
}

}  // namespace

std::string TxndEventos::EnderecoServico(const std::string& aServico) {
  TCustomIniFile& servidores = ArquivoServidores();
  const std::string endereco =
      servidores.ReadString(SecaoModo(FModoOperacao, FUFWS), aServico, "");
  if (endereco.empty()) {
    throw ExndEventosAddressException("Servidor para %s não definido no arquivo: %s",
                                      {aServico, servidores.FileName()}, FDiretorioLogErro);
  }
  return endereco;
}

bool TxndEventos::ServicoDisponivel(const std::string& aServico) {
  return !ArquivoServidores().ReadString(SecaoModo(FModoOperacao, FUFWS), aServico, "").empty();
}

// ---- Identifiers and counts ---------------------------------------------------------------

std::string TxndEventos::GerarIdEvento(const std::string& aChave, int aSequencia) {
  return Format("ID%s%s%2.2d", CodigoEvento(), aChave, aSequencia);
}

std::string TxndEventos::ExtrairIdEvento(const std::string& aXml) {
  const std::size_t inicio = aXml.find(InicioIdEvento);
  if (inicio == std::string::npos) {
    throw ExndEventosException("Campo \"Id\" não encontrado para nota fiscal", FDiretorioLogErro);
  }
  return "#" + aXml.substr(inicio + std::string_view(InicioIdEvento).size(), TamanhoIdEvento);
}

int TxndEventos::ContarEventos(const std::string& aXml) {
  return TxndEventosXMLUtils::ContarEventos(aXml);
}

std::string TxndEventos::ObterEvento(int aIndice, const std::string& aXml) {
  return TxndEventosXMLUtils::ObterEventoPadrao(aIndice, aXml);
}

bool TxndEventos::VerificarTamanhoLote(const std::string& aXml, int aLimiteKB) {
  const long double tamanho = static_cast<long double>(Utf8Length(aXml)) / 1000.0L;
  if (tamanho > static_cast<long double>(aLimiteKB)) {
    throw ExndEventoMaxSizeException("O Lote do Evento possui %s KB ultrapassando o limite de %s KB.",
                                     {FloatToStr(tamanho), IntToStr(aLimiteKB)}, FDiretorioLogErro);
  }
  return true;
}

// ---- Signing ------------------------------------------------------------------------------

void TxndEventos::VerificarCertificado() {
  try {
    GovX()->CheckCertificate();
  } catch (const std::exception& e) {
    throw ExndCertStoreException(e.what(), FDiretorioLogErro);
  }
}

std::string TxndEventos::CompactarAssinatura(const std::string& aXml) {
  std::string xml = aXml;
  for (const char* tag : {"KeyInfo", "SignatureValue"}) {
    const std::string antigo = ObterValorTag(tag, xml);
    if (antigo.empty()) continue;
    std::string novo = antigo;
    while (novo.find("  ") != std::string::npos) novo = StringReplace(novo, "  ", "", true);
    if (novo != antigo) xml = StringReplace(xml, antigo, novo, true, true);
  }
  return xml;
}

std::string TxndEventos::LimparAssinatura(const std::string& aXml) {
  std::string xml = CompactarAssinatura(aXml);
  xml = StringReplace(xml, "<?xml version=\"1.0\"?>", "", false);
  return StringReplace(xml, "\r\n", "", true);
}

std::string TxndEventos::AssinarEventos(const std::string& aEventos) {
  VerificarCertificado();
  std::string resultado;
  const int quantidade = ContarEventos(aEventos);
  for (int i = 0; i < quantidade; ++i) {
    std::string evento = ObterEvento(i, aEventos);
    if (evento.empty()) continue;
    evento = GovUtils()->PrepareXml(evento);
    evento = MontarAssinarEvento(evento);
    GovX()->SignatureSettings().SetElementName("infEvento");
    std::string id;
    if (!GovUtils()->SelectValue(evento, "//@Id", smTextValue, "", id)) {
      throw ExndEventosException("Campo \"Id\" não encontrado para nota fiscal", FDiretorioLogErro);
    }
    try {
      evento = GovX()->SignXml(evento, id);
    } catch (const std::exception& e) {
      throw ExndSignatureException(e.what(), FDiretorioLogErro);
    }
    resultado += LimparAssinatura(evento);
  }
  return resultado;
}

// ---- Schema validation --------------------------------------------------------------------

std::string TxndEventos::NamespaceNFe() const { return NamespaceNFePadrao; }

std::string TxndEventos::ArquivoEsquema(const std::string& aComando) {
  const std::string diretorio = IncludeTrailingPathDelimiter(FDiretorioEsquemas);
  const std::string mapeamento = diretorio + ArquivoMapeamento;
  if (!FileExists(mapeamento)) {
    throw ExndEventoFileNotFoundException(
        "Arquivo %s utilizado na validação de esquema, não foi encontrado", {mapeamento},
        FDiretorioLogErro);
  }
  TMemIniFile ini(mapeamento);
  const std::string esquema = ini.ReadString(SecaoMapeamento, aComando, "");
  if (esquema.empty()) {
    throw ExndEventoCheckParams("Não foi encontrado mapeamento de XSD para o comando %s ",
                                {aComando}, FDiretorioLogErro);
  }
  return diretorio + NormalizePathSeparators(esquema);
}

void TxndEventos::ValidarEsquema(const std::string& aXml, const std::string& aComando) {
  try {
    const std::string esquema = ArquivoEsquema(aComando);
    GovUtils()->ValidateWithSchema(aXml, NamespaceNFe(), esquema);
  } catch (const std::exception& e) {
    throw ExndSchemaValidationException(e.what(), FDiretorioLogErro);
  }
}

// ---- Distribution XML ---------------------------------------------------------------------

std::string TxndEventos::GerarXmlDestinatario(const std::string& aIdEvento,
                                              const std::string& aLogEvento,
                                              const std::string& aLogConsulta,
                                              const std::string& aArquivoSaida,
                                              const std::string& aModelo) {
  if (aLogConsulta.empty()) {
    throw ExndEventoCheckParams("Log de consulta não informado", FDiretorioLogErro);
  }
  TxndEventosXmlDestinatario destinatario;
  destinatario.SetDiretorioLogErro(FDiretorioLogErro);
  destinatario.SetModelo(CarregarModeloEvento(aModelo.empty() ? "envioxml_dest.xml" : aModelo));
  destinatario.SetIdEvento(aIdEvento);
  const std::string diretorioLog = GovUtils()->ResolvePath(FDiretorioLog);
  destinatario.SetDiretorioLog(diretorioLog);
  destinatario.SetXmlEvento(
      TxndEventosXMLLogs::CarregarLog(aLogEvento, diretorioLog, FDiretorioLogErro));
  destinatario.SetXmlRetorno(
      TxndEventosXMLLogs::CarregarLog(aLogConsulta, diretorioLog, FDiretorioLogErro));
  destinatario.SetArquivoSaida(NormalizePathSeparators(aArquivoSaida));
  return destinatario.Gerar();
}

}  // namespace xnd

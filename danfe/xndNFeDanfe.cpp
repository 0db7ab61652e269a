#include "danfe/xndNFeDanfe.h"

#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "types/xndNFeExceptions.h"
#include "utils/xndNFeXmlUtils.h"

namespace xnd {

namespace {

constexpr const char* FraseContingenciaPadrao =
    "DANFE em Contingência - impresso em decorrência de problemas técnicos";
constexpr const char* FraseHomologacaoPadrao = "SEM VALOR FISCAL";

// The platform's text-to-boolean rules: "True" / "False" ignoring case, or a
// number (zero is false); anything else EConvertError.
bool TextoParaBooleano(const std::string& aTexto) {
  if (SameText(aTexto, "True")) return true;
  if (SameText(aTexto, "False")) return false;
  const std::string texto = Trim(aTexto);
  char* fim = nullptr;
  const double numero = texto.empty() ? 0 : std::strtod(texto.c_str(), &fim);
  if (texto.empty() || fim == nullptr || *fim != '\0') {
    throw EConvertError("'" + aTexto + "' is not a valid boolean value");
  }
  return numero != 0;
}

}  // namespace

TxndNFeDanfe::TxndNFeDanfe(TComponent* aOwner) : TComponent(aOwner) { SetVersao(vm50); }

TxndNFeDanfe::~TxndNFeDanfe() = default;

void TxndNFeDanfe::SetVersao(TVersaoManual aValue) {
  FDados.reset();
  switch (aValue) {
    case vm202a:
      FDados = std::make_unique<TxndNFeDanfeDados202>();
      break;
    case vm30:
      FDados = std::make_unique<TxndNFeDanfeDados30>();
      break;
    case vm40:
      FDados = std::make_unique<TxndNFeDanfeDados40>();
      break;
    case vm50:
    case vm50a:
    default:
      FDados = std::make_unique<TxndNFeDanfeDados50>();
      break;
  }
  FVersao = aValue;
  FDados->SetFraseContingencia(FraseContingenciaPadrao);
  FDados->SetFraseHomologacao(FraseHomologacaoPadrao);
  FDados->SetDiretorioLogErro(FDiretorioLogErro);
}

TxndGovX& TxndNFeDanfe::GovX() {
  if (!FGovX) {
    auto govX = std::make_unique<TxndGovX>();
    govX->Server().ReportSettings().SetCopies(1);
    FGovX = std::move(govX);
  }
  return *FGovX;
}

TxndGovUtils& TxndNFeDanfe::GovUtils() {
  if (!FGovUtils) FGovUtils = std::make_unique<TxndGovUtils>();
  return *FGovUtils;
}

TxndCCeDadosImpressao& TxndNFeDanfe::DadosCCe() {
  if (!FDadosCCe) FDadosCCe = std::make_unique<TxndCCeDadosImpressao>(GovUtils());
  return *FDadosCCe;
}

std::string TxndNFeDanfe::XML() { return GovX()->ReportSettings().Xml(); }

void TxndNFeDanfe::SetXML(const std::string& aValue) {
  // Internal text is UTF-8: a Windows-1252 document is converted, a UTF-8 one kept.
  GovX()->ReportSettings().SetXml(GovUtils()->DecodeUtf8(aValue));
}

std::string TxndNFeDanfe::Params() {
  try {
    return GovX()->ReportSettings().Params();
  } catch (const std::exception&) {
    throw ExndNFeCheckParams("Erro ao ler parâmetros de impressão", FDiretorioLogErro);
  }
}

void TxndNFeDanfe::SetParams(const std::string& aValue) {
  GovX()->ReportSettings().SetParams(aValue);
}

std::string TxndNFeDanfe::Parametro(const std::string& aParams, const std::string& aNome) {
  return GovUtils()->GetParamValue(aParams, aNome);
}

bool TxndNFeDanfe::EhCCe() {
  const std::string xml = XML();
  if (xml.empty()) return false;
  try {
    return GovUtils()->GetElementValue(xml, "evento", "tpEvento") == "110110";
  } catch (const std::exception&) {
    throw ExndNFeReportException("Foi encontrado um erro ao verificar se o XML é uma CCe",
                                 FDiretorioLogErro);
  }
}

std::string TxndNFeDanfe::ArquivoModelo() {
  std::string modelo;
  if (EhCCe()) {
    modelo = Parametro(Params(), "ArquivoRtm");
  } else {
    modelo = ConteudoTag("tpImp", XML()) == "2" ? FModeloPaisagem : FModeloRetrato;
  }
  if (!modelo.empty()) modelo = GovUtils()->ResolvePath(modelo);
  return modelo;
}

void TxndNFeDanfe::PrepararImpressao() {
  const std::string params = Params();
  const auto valor = [&](const char* aNome) { return Parametro(params, aNome); };
  IReportSettings& report = GovX()->ReportSettings();

  const std::string versao = valor("VersaoManual");
  if (!versao.empty()) SetVersao(TextoParaVersaoManual(versao));
  TxndNFeDanfeDados& dados = *FDados;
  dados.SetDiretorioLogErro(FDiretorioLogErro);
  FModeloRetrato = valor("ModeloRetrato");
  FModeloPaisagem = valor("ModeloPaisagem");
  report.SetLogo(valor("LogotipoEmitente"));
  dados.SetFraseContingencia(valor("FraseContingencia"));
  dados.SetFraseHomologacao(valor("FraseHomologacao"));
  dados.SetProtocoloDPEC(valor("ProtocoloDPEC"));
  dados.SetDataHoraDPEC(valor("DataHoraDPEC"));
  const std::string delimitador = valor("LineDelimiter");
  dados.SetLineDelimiter(delimitador);
  DadosCCe().SetLineDelimiter(delimitador);
  if (const std::string v = valor("ImprimirVolume"); !v.empty())
    dados.SetImprimirVolume(TextoParaBooleano(v));
  if (const std::string v = valor("ImprimirDuplicata"); !v.empty())
    dados.SetImprimirDuplicata(TextoParaBooleano(v));
  if (const std::string v = valor("ImprimirUnidadeTributada"); !v.empty()) {
    dados.SetImprimirUnidadeTributada(TextoParaBooleano(v));
  }
  if (const std::string v = valor("QtdeCopias"); !v.empty()) report.SetCopies(StrToInt(v));
  if (const std::string v = valor("InfCplMaxCol"); !v.empty()) dados.SetInfCplMaxCol(StrToInt(v));
  if (const std::string v = valor("InfCplMaxRow"); !v.empty()) dados.SetInfCplMaxRow(StrToInt(v));
  if (const std::string v = valor("ValidarRegrasNegocio"); !v.empty()) {
    dados.SetValidarRegrasNegocio(TextoParaBooleano(v));
  }
  if (valor("FormatoExportacao") == "2") report.SetExportFormat(2);

  report.SetTemplate(ArquivoModelo());
  // Handed over even when empty: the engine keeps them between outputs, and a
  // name left from the previous output would print to that printer or
  // overwrite that file; empty, the engine refuses the output instead.
  report.SetPrinterName(valor("Impressora"));
  report.SetOutputFileName(valor("SalvarComo"));

  const std::string modelo = report.Template();
  if (!FileExists(modelo)) {
    throw ExndNFeReportException("Arquivo \"%s\" não encontrado.", {modelo}, FDiretorioLogErro);
  }
}

void TxndNFeDanfe::PrepararDadosImpressao() {
  const std::string xml = XML();
  std::vector<TDataSource*> fontes;
  if (EhCCe()) {
    if (xml.empty())
      throw ExndCCeReportException("XML para impressão da CCe está vazio.", FDiretorioLogErro);
    TxndCCeDadosImpressao& cce = DadosCCe();
    cce.SetXml(xml);
    cce.CarregarCCe();
    fontes = {cce.DataSource()};
  } else {
    if (xml.empty())
      throw ExndNFeReportException("XML para impressão da Danfe está vazio.", FDiretorioLogErro);
    TxndNFeDanfeDados& dados = *FDados;
    dados.SetXml(xml);
    dados.CarregarDados();
    fontes = {
        dados.DataSource(),        dados.DataSourceItens(),       dados.DataSourceCobranca(),
        dados.DataSourceMed(),     dados.DataSourceVeic(),        dados.DataSourceRefNFe(),
        dados.DataSourceRefNF1A(), dados.DataSourceRefProdutor(), dados.DataSourceRefCupomFiscal(),
        dados.DataSourceRefCTe()};
  }
  GovX()->ReportSettings().SetData(SerializarDataSources(fontes));
}

void TxndNFeDanfe::LimparDatasets() {
  std::vector<TClientDataSet*> tabelas = FDados->DataSets();
  if (FDadosCCe) tabelas.push_back(&FDadosCCe->DataSet());
  // Details before their masters.
  for (auto it = tabelas.rbegin(); it != tabelas.rend(); ++it) {
    TClientDataSet& tabela = **it;
    if (tabela.Active()) tabela.EmptyDataSet();
    tabela.Close();
    tabela.Open();
  }
}

int TxndNFeDanfe::Executar(void (IxndGovX::*aSaida)()) {
  try {
    PrepararImpressao();
    PrepararDadosImpressao();
    (GovX().Server().*aSaida)();
    LimparDatasets();
  } catch (const std::exception& e) {
    // Nothing of a failed output stays in the datasets.
    try {
      LimparDatasets();
    } catch (const std::exception&) {
    }
    throw ExndException(e.what(), FDiretorioLogErro);
  }
  return 0;
}

int TxndNFeDanfe::ImprimirNaImpressora() { return Executar(&IxndGovX::ReportPrintToPrinter); }

int TxndNFeDanfe::Visualizar() { return Executar(&IxndGovX::ReportPreview); }

int TxndNFeDanfe::Imprimir() { return Executar(&IxndGovX::ReportPrint); }

int TxndNFeDanfe::ExportarPDF() { return Executar(&IxndGovX::ReportExport); }

}  // namespace xnd

// TxndNFeDanfe against a recording report engine (a fake xndGovX installed
// through the ServerRegistry; xndGovUtils is the real one): the order of the
// parameters, what reaches the engine, the state kept between outputs, the
// CC-e route and the wrapping of failures.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "danfe/xndNFeDanfe.h"
#include "platform/com.h"
#include "platform/files.h"
#include "tests/danfe/DanfeTestSupport.h"
#include "tests/support/FakeServers.h"
#include "tests/support/SampleDocuments.h"
#include "tests/support/TempDir.h"
#include "types/xndNFeExceptions.h"

namespace xnd {
namespace {

using test::FakeGovX;
using test::FakeGovXState;

// The recording engine, made to fail where a test asks.
struct FalhasDoMotor {
  std::string Saida;    // non-empty: every output raises it
  bool Params = false;  // reading Params raises
};

class FakeReportSettingsComFalha : public test::FakeReportSettings {
 public:
  FakeReportSettingsComFalha(test::TCallLog& aLog, const FalhasDoMotor& aFalhas)
      : test::FakeReportSettings(aLog), FFalhas(aFalhas) {}
  std::string Params() const override {
    if (FFalhas.Params) throw EOleException("servidor indisponível");
    return test::FakeReportSettings::Params();
  }

 private:
  const FalhasDoMotor& FFalhas;
};

class MotorDeRelatorio : public FakeGovX {
 public:
  MotorDeRelatorio(FakeGovXState& aState, const FalhasDoMotor& aFalhas)
      : FakeGovX(aState), FState(aState), FFalhas(aFalhas), FReport(aState.Log, aFalhas) {}
  IReportSettings& ReportSettings() override { return FReport; }
  void ReportPrint() override { Saida("ReportPrint"); }
  void ReportExport() override { Saida("ReportExport"); }
  void ReportPreview() override { Saida("ReportPreview"); }
  void ReportPrintToPrinter() override { Saida("ReportPrintToPrinter"); }

 private:
  void Saida(const std::string& aNome) {
    FState.Log.Add(aNome);
    if (!FFalhas.Saida.empty()) throw EOleException(FFalhas.Saida);
  }
  FakeGovXState& FState;
  const FalhasDoMotor& FFalhas;
  FakeReportSettingsComFalha FReport;
};

const std::string FraseContingencia =
    "DANFE em Contingência - impresso em decorrência de problemas técnicos";

class DanfeComponentTest : public ::testing::Test {
 protected:
  DanfeComponentTest() {
    FRetrato = FTemp.Write("Danfe/retrato.rtm", "[Modelo]\nLayout=retrato\n");
    FPaisagem = FTemp.Write("Danfe/paisagem.rtm", "[Modelo]\nLayout=paisagem\n");
    FModeloCCe = FTemp.Write("Impressao/ModeloCCe.rtm", "[Modelo]\nLayout=cce\n");
    FDanfe.SetDiretorioLogErro(FTemp.Path());
  }

  // The parameters of the samples' reference JSON plus aExtra lines.
  std::string Parametros(const std::string& aExtra) const {
    return "ModeloRetrato=" + FRetrato + "\r\nModeloPaisagem=" + FPaisagem +
           "\r\nFraseHomologacao=SEM VALOR FISCAL\r\nFraseContingencia=" + FraseContingencia +
           "\r\n" + aExtra;
  }

  std::vector<std::string> Chamadas() const { return FGovX.Log.Calls(); }
  IReportSettings& Motor() const { return FGovX.Last->ReportSettings(); }

  // The message and class of what an output raised.
  template <class F>
  std::pair<std::string, std::string> Falha(F aSaida) {
    try {
      aSaida();
    } catch (const ExndException& e) {
      return {e.ClassName(), e.Message()};
    }
    return {"", "(nenhuma exceção)"};
  }

  test::TempDir FTemp;
  FakeGovXState FGovX;
  FalhasDoMotor FFalhas;
  ScopedServerFactory FFactory{GovXServerName, [this]() -> std::unique_ptr<IServer> {
                                 return std::make_unique<MotorDeRelatorio>(FGovX, FFalhas);
                               }};
  std::string FRetrato;
  std::string FPaisagem;
  std::string FModeloCCe;
  TxndNFeDanfe FDanfe;
};

std::string Referencia(const std::string& aNome) {
  std::string json = ReadFileBytes(std::string(XND_SOURCE_DIR) + "/tests/danfe/data/" + aNome);
  if (!json.empty() && json.back() == '\n') json.pop_back();
  return json;
}

bool DataSetsVazios(TxndNFeDanfe& aDanfe) {
  for (TClientDataSet* tabela : aDanfe.Dados().DataSets()) {
    if (!tabela->Active() || tabela->RecordCount() != 0) return false;
  }
  return true;
}

TEST_F(DanfeComponentTest, ExportHandsParametersTemplateDataAndOutputInOrder) {
  const std::string xml = test::SharedFixture("nfe310_nfeProc_autorizada_5itens.xml");
  const std::string params = Parametros(
      "LogotipoEmitente=/srv/logo.png\r\nQtdeCopias=2\r\nFormatoExportacao=2\r\nSalvarComo=/srv/"
      "danfe.pdf\r\n");
  FDanfe.SetParams(params);
  FDanfe.SetXML(xml);
  EXPECT_EQ(FDanfe.ExportarPDF(), 0);

  const std::vector<std::string> esperado = {
      "Report.Copies=1",  // when the engine was created
      "Report.Params=" + params,
      "Report.Xml=" + xml,
      "Report.Logo=/srv/logo.png",
      "Report.Copies=2",
      "Report.ExportFormat=2",
      "Report.Template=" + FRetrato,
      "Report.PrinterName=",  // even when empty: nothing is left from an earlier output
      "Report.OutputFileName=/srv/danfe.pdf",
      "Report.Data=" + Referencia("nfe310_5itens_vm50.json"),
      "ReportExport",
  };
  EXPECT_EQ(Chamadas(), esperado);
  EXPECT_EQ(FGovX.Created, 1);
  EXPECT_TRUE(DataSetsVazios(FDanfe));
}

TEST_F(DanfeComponentTest, CCePrintsFromArquivoRtmWithItsOneRecordDataset) {
  FDanfe.SetParams("ArquivoRtm=" + FModeloCCe + "\r\nModeloRetrato=" + FRetrato + "\r\n");
  FDanfe.SetXML(test::SharedFixture("cce_procEventoNFe_135.xml"));
  ASSERT_TRUE(FDanfe.EhCCe());
  EXPECT_EQ(FDanfe.Visualizar(), 0);
  EXPECT_EQ(FGovX.Log.StartingWith("Report.Template="),
            std::vector<std::string>{"Report.Template=" + FModeloCCe});
  EXPECT_EQ(Motor().Data(), Referencia("cce_procEventoNFe_135.json"));
  EXPECT_EQ(Chamadas().back(), "ReportPreview");
  EXPECT_EQ(FDanfe.DadosCCe().DataSet().RecordCount(), 0);

  // The line delimiter of the parameters reaches the correction text.
  std::string cce = test::SharedFixture("cce_procEventoNFe_135.xml");
  const std::size_t inicio = cce.find("<xCorrecao>") + 11;
  cce.replace(inicio, cce.find("</xCorrecao>") - inicio, "a|b");
  FDanfe.SetParams("ArquivoRtm=" + FModeloCCe + "\r\nLineDelimiter=|\r\n");
  FDanfe.SetXML(cce);
  FDanfe.Imprimir();
  EXPECT_NE(
      Motor().Data().find(R"({"Name":"xCorrecao","Value":"a\r\nb","Size":1000,"Type":"string"})"),
      std::string::npos);
}

TEST_F(DanfeComponentTest, LandscapeNoteGoesToTheNamedPrinter) {
  std::string xml = test::SharedFixture("nfe310_nfeProc_autorizada_5itens.xml");
  xml.replace(xml.find("<tpImp>1</tpImp>"), 16, "<tpImp>2</tpImp>");
  FDanfe.SetParams(Parametros("Impressora=Financeiro-HP\r\nValidarRegrasNegocio=False\r\n"));
  FDanfe.SetXML(xml);
  EXPECT_EQ(FDanfe.ImprimirNaImpressora(), 0);
  const auto c = Chamadas();
  ASSERT_GE(c.size(), 6u);
  EXPECT_EQ(c[c.size() - 6], "Report.Logo=");
  EXPECT_EQ(c[c.size() - 5], "Report.Template=" + FPaisagem);
  EXPECT_EQ(c[c.size() - 4], "Report.PrinterName=Financeiro-HP");
  EXPECT_EQ(c[c.size() - 3], "Report.OutputFileName=");
  EXPECT_EQ(c[c.size() - 2].substr(0, 12), "Report.Data=");
  EXPECT_EQ(c.back(), "ReportPrintToPrinter");
}

TEST_F(DanfeComponentTest, EngineKeepsItsStateBetweenOutputs) {
  FDanfe.SetParams(Parametros("QtdeCopias=3\r\n"));
  FDanfe.SetXML(test::SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
  FDanfe.Imprimir();
  EXPECT_EQ(Motor().Copies(), 3);

  // Without "QtdeCopias" the engine keeps 3; without "FraseHomologacao" the
  // homologation phrase is empty although the version's default was set.
  FDanfe.SetParams("ModeloRetrato=" + FRetrato + "\r\n");
  FGovX.Log.Clear();
  FDanfe.Imprimir();
  EXPECT_TRUE(FGovX.Log.StartingWith("Report.Copies=").empty());
  EXPECT_EQ(Motor().Copies(), 3);
  EXPECT_NE(
      Motor().Data().find(R"({"Name":"FraseHomologacao","Value":"","Size":255,"Type":"string"})"),
      std::string::npos);
  // XML and Params are read back from the engine.
  EXPECT_EQ(FDanfe.Params(), "ModeloRetrato=" + FRetrato + "\r\n");
  EXPECT_EQ(FDanfe.XML(), test::SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));
}

TEST_F(DanfeComponentTest, VersaoManualParameterReplacesTheDataClassBeforeTheOtherKeys) {
  FDanfe.SetVersao(vm50a);
  ASSERT_NE(dynamic_cast<TxndNFeDanfeDados50*>(&FDanfe.Dados()), nullptr);
  FDanfe.SetParams(Parametros("VersaoManual=4.0\r\nInfCplMaxCol=50\r\nImprimirVolume=1\r\n"));
  FDanfe.SetXML(test::SharedFixture("nfe200_nfeProc_autorizada.xml"));
  FDanfe.Imprimir();
  EXPECT_EQ(FDanfe.Versao(), vm40);
  TxndNFeDanfeDados& dados = FDanfe.Dados();
  EXPECT_EQ(dynamic_cast<TxndNFeDanfeDados50*>(&dados), nullptr);
  EXPECT_NE(dynamic_cast<TxndNFeDanfeDados40*>(&dados), nullptr);
  EXPECT_EQ(dados.InfCplMaxCol(), 50);
  EXPECT_TRUE(dados.ImprimirVolume());
  EXPECT_EQ(dados.InfCplMaxRow(), 7);
  EXPECT_EQ(dados.FraseHomologacao(), "SEM VALOR FISCAL");
}

TEST_F(DanfeComponentTest, FailuresOfAnyStepAreRaisedAsExndException) {
  FDanfe.SetXML(test::SharedFixture("nfe310_nfeProc_autorizada_5itens.xml"));

  // A missing template fails before any data is prepared.
  const std::string ausente = FTemp.File("Danfe/nao-existe.rtm");
  FDanfe.SetParams("ModeloRetrato=" + ausente + "\r\n");
  EXPECT_EQ(
      Falha([&] { FDanfe.ExportarPDF(); }),
      std::make_pair(std::string("ExndException"), "Arquivo \"" + ausente + "\" não encontrado."));
  EXPECT_TRUE(FGovX.Log.StartingWith("Report.Data=").empty());
  FDanfe.SetParams("");
  EXPECT_EQ(
      Falha([&] { FDanfe.ExportarPDF(); }),
      std::make_pair(std::string("ExndException"), std::string("Arquivo \"\" não encontrado.")));

  // The engine's own failure, with the datasets emptied all the same.
  FDanfe.SetParams(Parametros(""));
  FFalhas.Saida = "impressora fora de linha";
  EXPECT_EQ(Falha([&] { FDanfe.Imprimir(); }),
            std::make_pair(std::string("ExndException"), std::string("impressora fora de linha")));
  EXPECT_TRUE(DataSetsVazios(FDanfe));
  FFalhas.Saida.clear();

  // A data check of the note.
  std::string rejeitada = test::SharedFixture("nfe310_nfeProc_autorizada_5itens.xml");
  rejeitada.replace(rejeitada.find("<cStat>100</cStat>"), 18, "<cStat>302</cStat>");
  FDanfe.SetXML(rejeitada);
  EXPECT_EQ(Falha([&] { FDanfe.Imprimir(); }),
            std::make_pair(std::string("ExndException"),
                           std::string("Danfe não autorizada para Impressão.")));

  FDanfe.SetXML("");
  EXPECT_EQ(Falha([&] { FDanfe.Imprimir(); }),
            std::make_pair(std::string("ExndException"),
                           std::string("XML para impressão da Danfe está vazio.")));

  FFalhas.Params = true;
  EXPECT_EQ(Falha([&] { FDanfe.Imprimir(); }),
            std::make_pair(std::string("ExndException"),
                           std::string("Erro ao ler parâmetros de impressão")));
  EXPECT_EQ(Falha([&] { FDanfe.Params(); }),
            std::make_pair(std::string("ExndNFeCheckParams"),
                           std::string("Erro ao ler parâmetros de impressão")));
}

TEST_F(DanfeComponentTest, CCeTestOfAnUnreadableXmlRaisesItsMessage) {
  FDanfe.SetXML("<evento><tpEvento>110110");
  EXPECT_EQ(Falha([&] { FDanfe.EhCCe(); }),
            std::make_pair(std::string("ExndNFeReportException"),
                           std::string("Foi encontrado um erro ao verificar se o XML é uma CCe")));
  FDanfe.SetXML("");
  EXPECT_FALSE(FDanfe.EhCCe());
  FDanfe.SetXML(test::SharedFixture("nfe200_nfeProc_autorizada.xml"));
  EXPECT_FALSE(FDanfe.EhCCe());
}

TEST_F(DanfeComponentTest, WindowsTextIsStoredAsUtf8) {
  FDanfe.SetXML(std::string("<infCpl>Observa\xE7\xE3o</infCpl>"));
  EXPECT_EQ(FDanfe.XML(), "<infCpl>Observação</infCpl>");
}

}  // namespace
}  // namespace xnd

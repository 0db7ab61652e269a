// The CC-e outputs of TxndNFeEventos through a real DANFE object and the
// report engine: the print parameters, the authorisation check with its
// message and exception-log line, and the export's file name (argument,
// host dialog, or none).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "danfe/xndNFeDanfe.h"
#include "events/xndNFeEventos.h"
#include "platform/files.h"
#include "tests/events/EventosTestSupport.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

class NFeEventosCCeTest : public ::testing::Test {
 protected:
  NFeEventosCCeTest() : FEventos(nullptr, &FGovX, &FDanfe, &FEmail, &FGovUtils) {
    FEventos.SetDiretorioTemplates(ProgramDirectory() + "Templates/vm50/");
    FEventos.SetDiretorioLogErro(FDir.Path());
    FEventos.ImpressaoCCeSettings()->SetLineDelimiter("|");
  }

  void SetUp() override {
    if (!AmostrasCompartilhadas()) GTEST_SKIP() << "the shared samples are absent";
    FCCe = SharedFixture("cce_procEventoNFe_135.xml");
  }

  // The class and message of what aCall raised ("" when nothing).
  template <class F>
  static std::string Levantada(F aCall) {
    try {
      aCall();
    } catch (const ExndException& e) {
      return std::string(e.ClassName()) + " : " + e.Message();
    }
    return {};
  }

  TempDir FDir;
  TxndGovUtils FGovUtils;
  TxndGovX FGovX;
  TxndEmailSettings FEmail;
  TxndNFeDanfe FDanfe;
  TxndNFeEventos FEventos;
  std::string FCCe;
};

TEST_F(NFeEventosCCeTest, PrintParametersTakeTheModelFromTheSettingsOrTheTemplatesParent) {
  const std::string padrao = ProgramDirectory() + "Templates/cce/Impressao/ModeloCCe.rtm";
  struct Caso {
    std::string Modelo, Templates, ArquivoRtm;
  } casos[] = {
      {"", ProgramDirectory() + "Templates/vm50/", padrao},
      {"   ", ProgramDirectory() + "Templates/VM50/", padrao},
      {"", ProgramDirectory() + "Templates/", padrao},
      {" /outro/Modelo.rtm ", ProgramDirectory() + "Templates/vm50/", " /outro/Modelo.rtm "},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.Modelo + "|" + caso.Templates);
    TxndImpressaoCCeSettings& s = *FEventos.ImpressaoCCeSettings();
    s.SetModeloRTM(caso.Modelo);
    s.SetQtdeCopias(2);
    s.SetLogotipoEmitente("/img/logo.jpg");
    FEventos.SetDiretorioTemplates(caso.Templates);
    FEventos.MontarParametrosImpressao();
    EXPECT_EQ(FEventos.ParametrosImpressao().Text(),
              "QtdeCopias=2\r\nArquivoRtm=" + caso.ArquivoRtm +
                  "\r\nLogotipoEmitente=/img/logo.jpg\r\nLineDelimiter=|\r\n");
  }
}

TEST_F(NFeEventosCCeTest, OnlyAnAnswerCarryingStatus135IsAuthorised) {
  const std::string arquivo = FDir.Write("cce.xml", FCCe);
  const std::string recusada = FDir.Write("recusada.xml", "<retEvento><cStat>573</cStat></retEvento>");
  struct Caso {
    std::string Entrada;
    bool Autorizada;
  } casos[] = {
      {FCCe, true},
      {arquivo, true},
      // A plain substring test: the status may sit in any element's text.
      {"<xMotivo>&lt;cStat>135</xMotivo><cStat>573</cStat>", false},
      {"<xMotivo><cStat>135 citado</cStat></xMotivo>", true},
      {recusada, false},
      {"", false},
      // A name that is no file is taken as the text itself.
      {FDir.File("nao-existe.xml"), false},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.Entrada.substr(0, 60));
    EXPECT_EQ(FEventos.CCeAutorizada(caso.Entrada), caso.Autorizada);
  }
}

TEST_F(NFeEventosCCeTest, AnUnauthorisedCCeIsRefusedLoggedAndNothingIsWritten) {
  const std::string pdf = FDir.File("cce.pdf");
  const std::string mensagem = "ExndEventoCheckParams : A CCe não está Autorizada.";
  std::string naoAutorizada = FCCe;
  naoAutorizada.replace(naoAutorizada.find("<cStat>135"), 10, "<cStat>573");
  const std::vector<std::string> entradas = {naoAutorizada, "", FDir.File("nao-existe.xml"),
                                             FDir.Write("vazio.xml", "")};
  for (const std::string& entrada : entradas) {
    SCOPED_TRACE(entrada.substr(0, 60));
    EXPECT_EQ(Levantada([&] { FEventos.ExportarCCePDF(entrada, pdf); }), mensagem);
  }
  EXPECT_EQ(Levantada([&] { FEventos.VisualizarCCe(naoAutorizada); }), mensagem);
  EXPECT_EQ(Levantada([&] { FEventos.ImprimirCCe(naoAutorizada); }), mensagem);
  EXPECT_EQ(Levantada([&] { FEventos.ImprimirCCeImpressora(naoAutorizada, "x"); }), mensagem);
  EXPECT_FALSE(FileExists(pdf));
  EXPECT_EQ(LinhasLog(FDir, "nfeeventos_exception.log"),
            std::vector<std::string>(7, "ExndEventoCheckParams : A CCe não está Autorizada."));
}

TEST_F(NFeEventosCCeTest, AnExportWithoutFileNameAsksTheHostDialogOrDoesNothing) {
  // No dialog installed: no output, no error.
  EXPECT_EQ(Levantada([&] { FEventos.ExportarCCePDF(FCCe, ""); }), "");

  std::vector<TDialogoSalvarArquivo> pedidos;
  std::string escolha;
  FEventos.SetOnDialogoSalvar([&](const TDialogoSalvarArquivo& aDialogo) {
    pedidos.push_back(aDialogo);
    return escolha;
  });
  // Cancelled.
  EXPECT_EQ(Levantada([&] { FEventos.ExportarCCePDF(FCCe, ""); }), "");
  escolha = FDir.File("escolhida.pdf");
  FEventos.ExportarCCePDF(FCCe, "");

  ASSERT_EQ(pedidos.size(), 2u);
  EXPECT_EQ(pedidos[0].ExtensaoPadrao, "pdf");
  EXPECT_EQ(pedidos[0].Filtro, "Arquivo PDF (*.pdf)|*.pdf");
  EXPECT_TRUE(pedidos[0].ConfirmarSobrescrita);
  EXPECT_TRUE(pedidos[0].ExigirDiretorioExistente);
  EXPECT_TRUE(ReadFileBytes(escolha).starts_with("%PDF-"));
  EXPECT_EQ(FEventos.ParametrosImpressao().Values("SalvarComo"), escolha);
  // The chosen name is not kept as the settings' target.
  EXPECT_EQ(FEventos.ImpressaoCCeSettings()->SalvarComo(), "");
  EXPECT_FALSE(FileExists(FDir.File("nfeeventos_exception.log")));
}

// The file's content reaches the DANFE object, not its name.
TEST_F(NFeEventosCCeTest, ACCeGivenAsAFileIsExportedFromItsContent) {
  const std::string arquivo = FDir.Write("procCCe.xml", FCCe);
  const std::string pdf = FDir.File("cce.pdf");
  FEventos.ExportarCCePDF(arquivo, pdf);
  EXPECT_TRUE(ReadFileBytes(pdf).starts_with("%PDF-"));
  EXPECT_EQ(FEventos.ImpressaoCCeSettings()->SalvarComo(), pdf);
  EXPECT_EQ(FDanfe.XML(), FCCe);
}

// An authorised event that is no CC-e reaches the DANFE object, which
// reports it; no file is left behind.
TEST_F(NFeEventosCCeTest, AnAuthorisedEventThatIsNoCCeFailsInTheDanfeWithoutOutput) {
  std::string cancelamento = FCCe;
  for (std::size_t p = cancelamento.find("110110"); p != std::string::npos;
       p = cancelamento.find("110110", p))
    cancelamento.replace(p, 6, "110111");
  const std::string pdf = FDir.File("cce.pdf");
  EXPECT_THROW(FEventos.ExportarCCePDF(cancelamento, pdf), ExndException);
  EXPECT_FALSE(FileExists(pdf));
}

}  // namespace
}  // namespace xnd::test

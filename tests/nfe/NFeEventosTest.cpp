// The NF-e component's events object: created once with the component's
// servers, DANFE object and e-mail settings, brought up to date with the
// component's settings before each CC-e output, and freed with it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "danfe/xndNFeDanfe.h"
#include "events/xndNFeEventos.h"
#include "tests/nfe/NFeTestSupport.h"
#include "types/xndNFeExceptions.h"

namespace xnd::test {
namespace {

class NFeEventosTest : public NFeFixture {};

TEST_F(NFeEventosTest, TheEventsObjectIsCreatedOnceWithTheComponentsObjects) {
  TxndNFeEventos& eventos = FNFe->ObterEventos();
  EXPECT_EQ(&FNFe->ObterEventos(), &eventos);
  EXPECT_EQ(eventos.Danfe(), &FNFe->Danfe());
  EXPECT_EQ(eventos.EmailSettings(), FNFe->EmailSettings());
  EXPECT_EQ(eventos.ImpressaoCCeSettings()->QtdeCopias(), 1);
  EXPECT_EQ(eventos.CodigoEvento(), "");
}

TEST_F(NFeEventosTest, AtualizarEventosCopiesTheComponentsSettings) {
  std::vector<std::string> chamadas;
  FNFe->SetCNPJ("12345678000195");
  FNFe->SetUF("RS");
  FNFe->SetArquivoServidoresProd(FTemp.Path() + "prod.ini");
  FNFe->SetArquivoServidoresHom(FTemp.Path() + "hom.ini");
  FNFe->SetVersaoManual(vm40);
  FNFe->SetDiretorioTemplates(FTemp.Path() + "Modelos/");
  FNFe->SetDiretorioEsquemas(FTemp.Path() + "Esquemas/");
  FNFe->SetDiretorioLog(FTemp.Path() + "Log/");
  FNFe->SetAmbiente(akProducao);
  FNFe->SetValidarEsquemaAntesEnvio(true);
  FNFe->SetDiretorioXmlDestinatario(FTemp.Path() + "Dest");
  FNFe->SetDiretorioDownloads(FTemp.Path() + "Downloads/");
  FNFe->SetOnXmlCanDestinatario([&](const std::string& a) { chamadas.push_back("can " + a); });
  FNFe->SetOnDownloadNFe([&](const std::string& a) { chamadas.push_back("down " + a); });
  FNFe->SetOnLog([&](const std::string& a, const std::string&, const std::string&) {
    chamadas.push_back("log " + a);
  });
  TDanfeSettings& danfe = *FNFe->DanfeSettings();
  danfe.SetQtdeCopias(3);
  danfe.SetLogotipoEmitente("/img/logo.jpg");
  danfe.SetModeloRTMCCe("/modelos/cce.rtm");
  danfe.SetLineDelimiter("#");
  FNFe->SetAnexarDanfePDF(false);
  FNFe->SetDiretorioTemporario(FTemp.Path() + "tmp");
  FNFe->SetModoOperacao(moSVCAN);

  FNFe->AtualizarEventos();
  const TxndNFeEventos& eventos = FNFe->ObterEventos();
  EXPECT_EQ(eventos.CNPJ(), "12345678000195");
  EXPECT_EQ(eventos.UF(), "RS");
  EXPECT_EQ(eventos.UFWS(), "RS");
  EXPECT_EQ(eventos.ArquivoServidoresProd(), FNFe->ArquivoServidoresProd());
  EXPECT_EQ(eventos.ArquivoServidoresHom(), FNFe->ArquivoServidoresHom());
  EXPECT_EQ(eventos.DiretorioEsquemas(), FNFe->DiretorioEsquemas());
  EXPECT_EQ(eventos.DiretorioTemplates(), FNFe->DiretorioTemplates());
  EXPECT_TRUE(eventos.DiretorioTemplates().ends_with("/vm40/")) << eventos.DiretorioTemplates();
  EXPECT_EQ(eventos.DiretorioLog(), FNFe->DiretorioLog());
  EXPECT_EQ(eventos.VersaoManual(), vm40);
  EXPECT_EQ(eventos.Ambiente(), akProducao);
  EXPECT_TRUE(eventos.ValidarEsquemaAntesEnvio());
  EXPECT_EQ(eventos.DiretorioXmlDestinatario(), FTemp.Path() + "Dest/");
  EXPECT_TRUE(DirectoryExists(FTemp.Path() + "Dest/"));
  EXPECT_EQ(eventos.DiretorioDownloads(), FNFe->DiretorioDownloads());
  const TxndImpressaoCCeSettings& impressao = *eventos.ImpressaoCCeSettings();
  EXPECT_EQ(impressao.QtdeCopias(), 3);
  EXPECT_EQ(impressao.LogotipoEmitente(), "/img/logo.jpg");
  EXPECT_EQ(impressao.ModeloRTM(), "/modelos/cce.rtm");
  EXPECT_EQ(impressao.LineDelimiter(), "#");
  EXPECT_FALSE(eventos.AnexarDanfePDF());
  EXPECT_EQ(eventos.DiretorioLogErro(), ErrorDir());
  EXPECT_EQ(eventos.TxndEventos::DiretorioLogErro(), ErrorDir());
  EXPECT_EQ(eventos.DiretorioTemporario(), FTemp.Path() + "tmp");
  EXPECT_EQ(eventos.ModoOperacao(), moSVCAN);
  eventos.OnXmlCanDestinatario()("a.xml");
  eventos.OnDownloadNFe()("b.xml");
  eventos.OnLog()("c", "", "");
  EXPECT_EQ(chamadas, (std::vector<std::string>{"can a.xml", "down b.xml", "log c"}));
}

// A property changed on the component reaches the next output; an export
// without a file name asks the component's dialog, and without an answer
// writes nothing.
TEST_F(NFeEventosTest, EachCCeOutputTakesTheComponentsCurrentSettings) {
  const std::string cce = "<retEvento><cStat>135</cStat></retEvento>";
  int dialogos = 0;
  FNFe->SetOnDialogoSalvarPDF([&](const TDialogoSalvarArquivo&) {
    ++dialogos;
    return std::string();
  });
  FNFe->DanfeSettings()->SetQtdeCopias(2);
  FNFe->ExportarCCePDF(cce, "");
  EXPECT_EQ(FNFe->ObterEventos().ParametrosImpressao().Values("QtdeCopias"), "2");

  FNFe->DanfeSettings()->SetQtdeCopias(5);
  FNFe->DanfeSettings()->SetModeloRTMCCe("/modelos/cce.rtm");
  FNFe->ExportarCCePDF(cce, "");
  EXPECT_EQ(FNFe->ObterEventos().ParametrosImpressao().Text(),
            "QtdeCopias=5\r\nArquivoRtm=/modelos/cce.rtm\r\nLogotipoEmitente=\r\nLineDelimiter=|\r\n");
  EXPECT_EQ(dialogos, 2);

  // The refusal is the events object's, unwrapped, in the component's error directory.
  const TRaised recusa = Capture([&] { FNFe->VisualizarCCe("<cStat>573</cStat>"); });
  EXPECT_EQ(recusa, (TRaised{"ExndEventoCheckParams", "A CCe não está Autorizada."}));
  const std::vector<std::string> log = LogLines(ErrorDir() + "nfeeventos_exception.log");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(IsLogLine(log[0], "ExndEventoCheckParams", "A CCe não está Autorizada.")) << log[0];
}

}  // namespace
}  // namespace xnd::test
